// Workbooks of the shared data that several benchmarks open.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

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
