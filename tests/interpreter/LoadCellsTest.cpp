// The compile of a list of cells: going on after a failure, every failure
// is reported by its cell and the other cells compute their hand-worked
// values; stopping at the first failure leaves it raised and compiles no
// further cell.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "interpreter/Load_Cells.h"
#include "tests/support/SheetSource.h"
#include "values/Vm_Status.h"

namespace {

std::string a1(const CellRef& c) {
  return std::string(1, static_cast<char>('a' + c.column - 1)) + std::to_string(c.row);
}

// What one listed cell ended with: its number, or the failure's status,
// the cell it stopped at, and the functions not built.
struct Outcome {
  double value = 0;
  int32_t status = 0;
  std::string at;
  bool earlier = false, readsFailed = false;
  std::vector<std::u16string> unbuilt;
};

Outcome number(double value) {
  Outcome o;
  o.value = value;
  return o;
}

Outcome failedAt(int32_t status, const char* at, std::vector<std::u16string> unbuilt = {}) {
  Outcome o;
  o.status = status;
  o.at = at;
  o.unbuilt = std::move(unbuilt);
  return o;
}

Outcome failedEarlier() {
  Outcome o;
  o.earlier = true;
  return o;
}

Outcome readsFailed() {
  Outcome o;
  o.readsFailed = true;
  return o;
}

struct ListCase {
  const char* name;
  std::vector<std::pair<const char*, const char*>> sheet;  // cell, content
  std::vector<const char*> listed;                         // in list order
  std::map<std::string, Outcome> compileFailures, results;
  int32_t run;  // cells run
};

void PrintTo(const ListCase& c, std::ostream* os) { *os << c.name; }

Outcome failureOutcome(const LoadCellFailure& f) {
  return Outcome{0, f.status, f.at.sheet ? a1(f.at) : "", f.earlier, f.readsFailed, f.unbuilt};
}

void expectSame(const Outcome& want, const Outcome& got, const std::string& where) {
  EXPECT_DOUBLE_EQ(want.value, got.value) << where;
  EXPECT_EQ(want.status, got.status) << where;
  EXPECT_EQ(want.at, got.at) << where;
  EXPECT_EQ(want.earlier, got.earlier) << where;
  EXPECT_EQ(want.readsFailed, got.readsFailed) << where;
  EXPECT_EQ(want.unbuilt, got.unbuilt) << where;
}

void expectOutcomes(const std::map<std::string, Outcome>& want, const std::map<std::string, Outcome>& got,
                    const std::string& what) {
  EXPECT_EQ(want.size(), got.size()) << what;
  for (const auto& [cell, outcome] : want) {
    auto it = got.find(cell);
    ASSERT_NE(it, got.end()) << what << " " << cell;
    expectSame(outcome, it->second, what + " " + cell);
  }
}

const std::vector<ListCase> kListCases = {
    {"values after what they read",
     {{"a1", "2"}, {"a2", "=a3*a1"}, {"a3", "=a1+5"}, {"a4", "=a2-a3"}},
     {"a2", "a3", "a4"},
     {},
     {{"a2", number(14)}, {"a3", number(7)}, {"a4", number(7)}},
     3},
    {"an undefined name fails where it stands, read before its own turn",
     {{"a1", "2"}, {"a2", "=a3+1"}, {"a3", "=a1+nosuchname"}, {"a4", "=a1*10"}},
     {"a2", "a3", "a4"},
     {{"a2", failedAt(kStatusUndefinedIdentifier, "a3")}, {"a3", failedEarlier()}},
     {{"a4", number(20)}},
     1},
    {"an unknown function fails when it runs, and so do the cells that read it",
     {{"a1", "2"}, {"a2", "=nosuch(a1)"}, {"a3", "=a2+1"}, {"a4", "=a1*10"}},
     {"a2", "a3", "a4"},
     {},
     {{"a2", failedAt(kStatusUnknownFunction, "a2", {u"nosuch"})},
      {"a3", failedAt(kStatusUnknownFunction, "a2", {u"nosuch"})},
      {"a4", number(20)}},
     3},
    {"an unknown function fails even where its range does not meet the formula's cell",
     {{"b3", "3"}, {"c3", "5"}, {"d2", "=nosuch(b3:c3)"}},
     {"d2"},
     {},
     {{"d2", failedAt(kStatusUnknownFunction, "d2", {u"nosuch"})}},
     1},
    {"a cell that reads a cell that failed before compiles, and fails when it runs",
     {{"a1", "2"}, {"a2", "=a1+nosuchname"}, {"a3", "=a2+1"}},
     {"a2", "a3"},
     {{"a2", failedAt(kStatusUndefinedIdentifier, "a2")}},
     {{"a3", readsFailed()}},
     1},
    {"a cell a failed compile took back is placed again for the next cell that reads it",
     {{"a1", "2"}, {"a2", "=a1*3"}, {"b1", "=b2+b3"}, {"b2", "=a1+1"}, {"b3", "=nosuchname+1"}, {"b4", "=b2+a2"}},
     {"a2", "b1", "b4"},
     {{"b1", failedAt(kStatusUndefinedIdentifier, "b3")}},
     {{"a2", number(6)}, {"b4", number(9)}},
     3},
    {"a cycle fails for each of its cells, the rest compute",
     {{"b1", "=b2+1"}, {"b2", "=b1+1"}, {"b3", "4"}, {"b4", "=b3*b3"}},
     {"b1", "b2", "b4"},
     {{"b1", failedAt(kStatusCircularReference, "b2")}, {"b2", failedEarlier()}},
     {{"b4", number(16)}},
     1},
};

class LoadCellsList : public ::testing::TestWithParam<ListCase> {};

TEST_P(LoadCellsList, ReportsEachFailureByItsCellAndComputesTheRest) {
  const ListCase& c = GetParam();
  SheetSource source;
  for (const auto& [cell, content] : c.sheet) source.set(cell, content);
  LoadCells* cells = Load_createCells(&source);
  ASSERT_NE(cells, nullptr);
  for (const char* cell : c.listed) {
    CellRef at{};
    ASSERT_TRUE(SheetSource::parseCell(cell, &at));
    Load_addCell(cells, at);
  }
  std::map<std::string, Outcome> failures, results;
  Load_compileList(cells, [&](const LoadCellFailure& f) { failures[a1(f.cell)] = failureOutcome(f); });
  const int32_t run = Load_runCells(cells, [&](const CellRef& cell, const Value* v, const LoadCellFailure* f) {
    results[a1(cell)] = f ? failureOutcome(*f) : number(v->number);
  });
  expectOutcomes(c.compileFailures, failures, "compile");
  expectOutcomes(c.results, results, "run");
  EXPECT_EQ(c.run, run);
  EXPECT_EQ(c.run, Load_runCells(cells, {}));
  Load_freeCells(cells);
}

INSTANTIATE_TEST_SUITE_P(Cases, LoadCellsList, ::testing::ValuesIn(kListCases),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

// The same table both ways: going on compiles the cell after the failure,
// stopping leaves it uncompiled and the failure raised in the context.
TEST(LoadCells, StoppingAtTheFirstFailureLeavesItRaised) {
  for (const LoadCellsMode mode : {kLoadStopAtFirst, kLoadGoOn}) {
    Workbench w;
    w.sheet.set("a1", "2");
    w.sheet.set("a2", "=a1*3");
    w.sheet.set("a3", "=a1+nosuchname");
    w.sheet.set("a4", "=a2+a1");
    for (const char* cell : {"a2", "a3", "a4"}) {
      CellRef at{};
      SheetSource::parseCell(cell, &at);
      Model_addFunction(w.functions, 1, at.column, at.row, kRelFree2, 0.0);
    }
    Reader_bindModel(w.reader, w.functions, w.ctx->tables.variables);
    std::vector<std::string> failed;
    LoadCompiled compiled;
    EXPECT_FALSE(Load_compileCells(w.reader, mode, &compiled, [&](const LoadCellFailure& f) {
      failed.push_back(a1(f.cell) + "@" + a1(f.at) + ":" + std::to_string(f.status));
    }));
    EXPECT_EQ(failed, std::vector<std::string>{"a3@a3:" + std::to_string(kStatusUndefinedIdentifier)});
    EXPECT_FALSE(w.item(0)->leftChain.empty());
    EXPECT_TRUE(w.item(1)->leftChain.empty());
    EXPECT_EQ(w.item(2)->leftChain.empty(), mode == kLoadStopAtFirst);
    EXPECT_EQ(w.ctx->errors.firstError, mode == kLoadStopAtFirst ? kStatusUndefinedIdentifier : 0);
  }
}

}  // namespace
