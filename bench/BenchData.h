// What several benchmarks take from the shared data: its largest LP
// workbook, a workbook's variable cells, and a netlib problem as the LP
// engine's in-memory model; and a command run with its output discarded.
#pragma once

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/workbook/Wb_Workbook.h"
#include "tests/support/LpFakeHost.h"

// The largest LP workbook (by file size) of the shared data.
inline std::string Bench_largestLpWorkbook() {
  std::filesystem::path best;
  std::uintmax_t bestSize = 0;
  for (const auto& entry : std::filesystem::directory_iterator(std::string(CORVAN_DATA) + "/lp")) {
    if (entry.path().extension() != ".xlsx" || entry.file_size() <= bestSize) continue;
    best = entry.path();
    bestSize = entry.file_size();
  }
  return best.string();
}

// The variable cells of a shared LP workbook: the range the sheet-scoped
// name solver_adj of its first sheet gives.
inline bool Bench_variableCells(const Workbook* wb, CellRange* out) {
  const DefinedName* adj = Wb_findName(wb, "solver_adj", 0);
  if (!adj) return false;
  std::string ref = adj->definition.substr(adj->definition.find('!') + 1);
  size_t colon = ref.find(':');
  std::string last = colon == std::string::npos ? ref : ref.substr(colon + 1);
  out->sheet = 0;
  return Wb_parseA1(ref.substr(0, colon), &out->row1, &out->col1) && Wb_parseA1(last, &out->row2, &out->col2);
}

// The shared netlib problem `name` as an in-memory model for the LP engine;
// false, with the benchmark skipped on the reader's message, when it cannot
// be read.
inline bool Bench_lpModel(benchmark::State& state, const std::string& name, LpFakeModel* out) {
  MpsModel mps;
  std::string error;
  if (!Mps_readNamed(name, mps, error)) {
    state.SkipWithError(error.c_str());
    return false;
  }
  *out = LpFake_fromMps(mps);
  return true;
}

// fn() run with standard output and error sent to /dev/null; its result.
template <typename Fn>
int Bench_quietly(Fn fn) {
  std::fflush(stdout);
  std::fflush(stderr);
  int out = dup(1), err = dup(2), null = open("/dev/null", O_WRONLY);
  dup2(null, 1);
  dup2(null, 2);
  int rc = fn();
  std::fflush(stdout);
  std::fflush(stderr);
  dup2(out, 1);
  dup2(err, 2);
  close(out);
  close(err);
  close(null);
  return rc;
}
