// The stand-in's calculation, with the library's functions registered as
// the front end registers them, against the formula interpreter on every
// case of the shared worksheet-function files: each case's cell must have
// the same value in both calculations unless calc_differences.csv beside
// this file lists the case with the reason (or the interpreter's own
// exception lists in tests/worksheet list its answer), and must pass as the
// case says unless one of those lists has it. A listed case that now agrees
// and passes fails, so the table only names differences still there.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "frontend/Fe_Frontend.h"
#include "frontend/Fe_Interpreter.h"
#include "tests/support/CaseBooks.h"

namespace {

const char* const kInterpreterLists[] = {"function_case_exceptions.csv",
                                         "function_case_exceptions_2.csv",
                                         "function_case_exceptions_engineering.csv",
                                         "function_case_exceptions_lookup.csv",
                                         "function_case_exceptions_securities.csv",
                                         "function_case_exceptions_text.csv",
                                         "function_case_exceptions_tvm.csv"};

// Every case the interpreter is allowed to fail, with its tolerance.
std::map<std::string, double> interpreterExceptions() {
  std::map<std::string, double> all;
  for (const char* file : kInterpreterLists)
    for (const auto& [id, tolerance] : Cases_readExceptions(std::string(CORVAN_SOURCE) + "/tests/worksheet/" + file))
      all.emplace(id, tolerance);
  return all;
}

std::map<std::string, double> differences() {
  return Cases_readExceptions(std::string(CORVAN_SOURCE) + "/tests/frontend/calc_differences.csv");
}

bool same(const CellValue& a, const CellValue& b) {
  if (a.kind != b.kind) return false;
  switch (a.kind) {
    case CellKind::Number:
      return std::fabs(a.number - b.number) <= 1e-12 * std::max({1.0, std::fabs(a.number), std::fabs(b.number)});
    case CellKind::Text: return a.text == b.text;
    case CellKind::Error: return a.error == b.error;
    default: return a.number == b.number;
  }
}

bool withinTolerance(const CellValue& r, const CaseRecord& c, double tolerance) {
  if (r.kind != CellKind::Number || c.type != "number") return false;
  const double e = std::strtod(c.expected.c_str(), nullptr);
  return std::fabs(r.number - e) <= tolerance * std::max({std::fabs(r.number), std::fabs(e), 1e-3});
}

struct Tally {
  int cases = 0, differing = 0, failing = 0;
  std::set<std::string> listedSeen;
};

// One case in both calculations.
void runCase(const CaseRecord& c, const std::map<std::string, double>& excused,
             const std::map<std::string, double>& listed, Tally* tally) {
  Sheet* sh = nullptr;
  int row = 0, column = 0;
  Workbook* wb = Cases_makeBook(c, &sh, &row, &column);
  ASSERT_TRUE(wb) << c.id;
  Calc_recalculate(wb);
  const Cell* cell = Wb_findCell(sh, row, column);
  const CellValue standIn = cell ? cell->value : CellValue{};
  FeInterpreted interpreted;
  Fe_interpretWorkbook(wb, &interpreted);
  const auto value = interpreted.values.find({0, Wb_cellKey(row, column)});
  const bool agree = value != interpreted.values.end() && same(standIn, value->second);
  ++tally->cases;
  if (listed.count(c.id)) {
    tally->listedSeen.insert(c.id);
    EXPECT_FALSE(agree && Cases_passes(standIn, c))
        << c.id << " " << c.formula << " agrees and passes now: take it off calc_differences.csv";
    return;
  }
  // Where the interpreter's answer is on its own exception lists, the
  // stand-in may differ from it.
  const auto excuse = excused.find(c.id);
  if (!agree && value != interpreted.values.end() && excuse == excused.end()) {
    ++tally->differing;
    ADD_FAILURE() << c.id << " " << c.formula << " context " << c.context << ": stand-in " << Cases_shown(standIn)
                  << ", interpreter " << Cases_shown(value->second);
  }
  if (Cases_passes(standIn, c)) return;
  if (excuse != excused.end()) {
    if (excuse->second > 0) {
      EXPECT_TRUE(withinTolerance(standIn, c, excuse->second))
          << c.id << " " << c.formula << ": " << Cases_shown(standIn);
    }
    return;
  }
  ++tally->failing;
  ADD_FAILURE() << c.id << " " << c.formula << " context " << c.context << ": expected " << c.type << " " << c.expected
                << " (" << c.compare << "), stand-in " << Cases_shown(standIn);
}

void runFile(const std::string& file, Tally* tally) {
  const std::map<std::string, double> excused = interpreterExceptions(), listed = differences();
  EXPECT_TRUE(Cases_forEach(file, [&](const CaseRecord& c) { runCase(c, excused, listed, tally); }))
      << "functions/" << file;
  Wb_resetApp();
}

TEST(CalcAgreement, EveryCaseAgreesWithTheInterpreterAndPassesButTheListedOnes) {
  Fe_registerFunctions();
  Tally tally;
  runFile("cases.csv", &tally);
  runFile("cases-2.csv", &tally);
  EXPECT_GT(tally.cases, 6000);
  for (const auto& [id, tolerance] : differences())
    EXPECT_TRUE(tally.listedSeen.count(id)) << "calc_differences.csv names " << id << ", no case";
  std::printf("%d cases, %d differing, %d failing\n", tally.cases, tally.differing, tally.failing);
}

}  // namespace
