// RANK, MATCH, VLOOKUP, HLOOKUP and LOOKUP lifted over a column of keys
// answer each key from one sorted copy of the searched line (the stand-in
// reads LOOKUP's other arguments into the library's values once for all
// the keys, and the library keeps its copy while they last): each element
// equals the value by definition (worked out by hand from the cells below:
// ties, approximate matches on data with other kinds between, case-blind
// texts, wildcards, error keys), and the same call on that key alone, in
// both calculations (the stand-in's and the formula interpreter's). On
// lines and keys drawn from a fixed seed (every kind, many ties, unsorted)
// each element equals the call on its key alone.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "frontend/Fe_Frontend.h"
#include "frontend/Fe_Interpreter.h"
#include "platform/calc/Calc.h"
#include "tests/frontend/CliFixture.h"
#include "tests/support/SheetCells.h"

namespace {

CellValue number(double x) { return CellValue::makeNumber(x); }
CellValue text(const char* t) { return CellValue::makeText(t); }
const CellValue kNA = CellValue::makeError(CellError::NA);
const CellValue kValueError = CellValue::makeError(CellError::Value);
// No value by definition (a logical ranked): only the same in all four.
const CellValue kSame{};

// A call over keys: "@" stands for the keys, the column A1:A<n> lifted or
// one of its cells alone.
struct Lifted {
  std::string call;
  std::vector<CellValue> expected;  // one per key
};

// The keys A1:A10: 3, 1, "b", 3, TRUE, "B", 2, "a*", #N/A, 2.5. A text
// compares with texts only, case-blind, and an approximate search halves
// the values of the key's kind ("b" comes before "x": none is not above it).
constexpr int kKeys = 10;
// L1:L8 3, "B", 1, 3, TRUE, 2, "a1", 1 (searched exactly) beside M1:M8
// 10, 20, ..., 70 and M8 blank; the same in rows 20 and 21 from B.
// S1:S8 1, 2, 2, 4, "x", 7, 9, TRUE (ascending but for the text and the
// logical) beside T1:T8 100, ..., 800; D1:D6 9, 7, 4, 2, 2, 1 (descending).
// N1:N8 5, 3, 5, 1, "x", 3, 5 and N8 blank: the numbers ranked.
const std::vector<Lifted>& calls() {
  static const std::vector<Lifted> kCalls = {
      {"MATCH(@,L1:L8,0)",
       {number(1), number(3), number(2), number(1), number(5), number(2), number(6), number(7), kNA, kNA}},
      {"MATCH(@,S1:S8,1)", {number(3), number(1), kNA, number(3), number(8), kNA, number(3), kNA, kNA, number(3)}},
      {"MATCH(@,S1:S8)", {number(3), number(1), kNA, number(3), number(8), kNA, number(3), kNA, kNA, number(3)}},
      {"MATCH(@,D1:D6,-1)", {number(3), number(6), kNA, number(3), kNA, kNA, number(5), kNA, kNA, number(3)}},
      {"VLOOKUP(@,L1:M8,2,FALSE)",
       {number(10), number(30), number(20), number(10), number(50), number(20), number(60), number(70), kNA, kNA}},
      {"VLOOKUP(@,S1:T8,2)",
       {number(300), number(100), kNA, number(300), number(800), kNA, number(300), kNA, kNA, number(300)}},
      {"LOOKUP(@,S1:S8,T1:T8)",
       {number(300), number(100), kNA, number(300), number(800), kNA, number(300), kNA, kNA, number(300)}},
      {"LOOKUP(@,S1:T8)",
       {number(300), number(100), kNA, number(300), number(800), kNA, number(300), kNA, kNA, number(300)}},
      {"HLOOKUP(@,B20:I21,2,0)",
       {number(10), number(30), number(20), number(10), number(50), number(20), number(60), number(70), kNA, kNA}},
      {"RANK(@,N1:N8)", {number(4), number(6), kValueError, number(4), kSame, kValueError, kNA, kValueError, kNA, kNA}},
      {"RANK(@,N1:N8,1)",
       {number(2), number(1), kValueError, number(2), kSame, kValueError, kNA, kValueError, kNA, kNA}},
  };
  return kCalls;
}

void addCells(Workbook* wb, Sheet* sh) {
  const CellValue keys[kKeys] = {number(3), number(1), text("b"),  number(3), CellValue::makeBoolean(true),
                                 text("B"), number(2), text("a*"), number(0), number(2.5)};
  for (int r = 0; r < kKeys; ++r) Wb_setValue(wb, sh, r, 0, keys[r]);
  Test_formula(wb, sh, "A9", "=NA()");
  const CellValue line[] = {number(3), text("B"),  number(1), number(3), CellValue::makeBoolean(true),
                            number(2), text("a1"), number(1)};
  const CellValue ascending[] = {number(1), number(2), number(2), number(4),
                                 text("x"), number(7), number(9), CellValue::makeBoolean(true)};
  const CellValue ranked[] = {number(5), number(3), number(5), number(1), text("x"), number(3), number(5)};
  for (int r = 0; r < 8; ++r) {
    Wb_setValue(wb, sh, r, 11, line[r]);
    Wb_setValue(wb, sh, 19, 1 + r, line[r]);
    if (r < 7) Wb_setValue(wb, sh, r, 12, number(10.0 * (r + 1)));
    if (r < 7) Wb_setValue(wb, sh, 20, 1 + r, number(10.0 * (r + 1)));
    Wb_setValue(wb, sh, r, 18, ascending[r]);
    Wb_setValue(wb, sh, r, 19, number(100.0 * (r + 1)));
    if (r < 7) Wb_setValue(wb, sh, r, 13, ranked[r]);
  }
  const double descending[] = {9, 7, 4, 2, 2, 1};
  for (int r = 0; r < 6; ++r) Wb_setValue(wb, sh, r, 3, number(descending[r]));
}

// The call with "@" as keys.
std::string withKeys(const std::string& call, const std::string& keys) {
  std::string s = call;
  s.replace(s.find('@'), 1, keys);
  return s;
}

// Row k (from 0) of the result columns: column 2c + 24 (Y on) the k-th
// element of call c lifted, column 2c + 25 the call on key k alone. The
// lifted ones stand below the keys' rows, which they would otherwise meet.
int liftedColumn(size_t c) { return static_cast<int>(2 * c) + 24; }
constexpr int kLiftedRow = 30;
int rowOf(int k, int column, size_t c) { return column == liftedColumn(c) ? kLiftedRow + k : k; }

}  // namespace

TEST(LiftedLookups, EachElementIsTheValueByDefinitionAndTheCallOnItsKey) {
  Fe_registerFunctions();
  Workbook* wb = Wb_newWorkbook("lifted.xlsx");
  Sheet* sh = Wb_addSheet(wb, "Keys");
  addCells(wb, sh);
  for (size_t c = 0; c < calls().size(); ++c)
    for (int k = 0; k < kKeys; ++k) {
      const std::string lifted = withKeys(calls()[c].call, "$A$1:$A$" + std::to_string(kKeys));
      Wb_setFormula(wb, sh, kLiftedRow + k, liftedColumn(c), "=INDEX(" + lifted + "," + std::to_string(k + 1) + ")");
      Wb_setFormula(wb, sh, k, liftedColumn(c) + 1, "=" + withKeys(calls()[c].call, "A" + std::to_string(k + 1)));
    }
  Calc_recalculate(wb);
  FeInterpreted interpreted;
  Fe_interpretWorkbook(wb, &interpreted);
  for (size_t c = 0; c < calls().size(); ++c)
    for (int k = 0; k < kKeys; ++k)
      for (int column : {liftedColumn(c), liftedColumn(c) + 1}) {
        SCOPED_TRACE(calls()[c].call + " key " + std::to_string(k + 1) + (column == liftedColumn(c) ? " lifted" : ""));
        const CellValue& listed = calls()[c].expected[static_cast<size_t>(k)];
        const Cell* alone = Wb_findCell(sh, k, liftedColumn(c) + 1);
        ASSERT_TRUE(alone);
        const CellValue& expected = listed.kind == CellKind::Empty ? alone->value : listed;
        const Cell* cell = Wb_findCell(sh, rowOf(k, column, c), column);
        ASSERT_TRUE(cell);
        EXPECT_TRUE(sameCellValue(cell->value, expected)) << "stand-in " << cellShown(cell->value);
        const auto key = Wb_cellKey(rowOf(k, column, c), column);
        const auto value = interpreted.values.find({0, key});
        ASSERT_NE(value, interpreted.values.end()) << interpreted.failures[{0, key}];
        EXPECT_TRUE(sameCellValue(value->second, expected)) << "interpreter " << cellShown(value->second);
      }
  Wb_closeWorkbook(wb);
}

namespace {

// The drawn lines and keys: this many rows, of values from few enough
// that ties and repeated keys are many.
constexpr int kDrawnRows = 120;
constexpr std::uint32_t kDrawSeed = 20261209;

// A value of any kind a cell holds: small numbers, texts differing in case,
// a text with a wildcard, logicals, blanks and errors.
void putDrawn(Workbook* wb, Sheet* sh, int row, int col, std::mt19937* draw) {
  const char* const texts[] = {"a", "A", "b", "B", "ab", "a*", "?", "~*"};
  const int kind = static_cast<int>((*draw)() % 10);
  const int pick = static_cast<int>((*draw)() % 8);
  if (kind < 5) return Wb_setValue(wb, sh, row, col, number(pick * 0.5 - 1));
  if (kind < 7) return Wb_setValue(wb, sh, row, col, text(texts[pick]));
  if (kind == 7) return Wb_setValue(wb, sh, row, col, CellValue::makeBoolean(pick % 2 != 0));
  if (kind == 8) return Wb_setFormula(wb, sh, row, col, pick % 2 ? "=NA()" : "=1/0");
}

}  // namespace

TEST(LiftedLookups, OnDrawnLinesEachElementIsTheCallOnItsKey) {
  Fe_registerFunctions();
  Workbook* wb = Wb_newWorkbook("drawn.xlsx");
  Sheet* sh = Wb_addSheet(wb, "Drawn");
  std::mt19937 draw(kDrawSeed);
  // A the keys, B the searched column (C its results), row 200 on the
  // searched row from B (row 201 its results).
  constexpr int kAcross = 199;
  for (int r = 0; r < kDrawnRows; ++r) {
    putDrawn(wb, sh, r, 0, &draw);
    putDrawn(wb, sh, r, 1, &draw);
    Wb_setValue(wb, sh, r, 2, number(r + 1));
    putDrawn(wb, sh, kAcross, 1 + r, &draw);
    Wb_setValue(wb, sh, kAcross + 1, 1 + r, number(r + 1));
  }
  const std::string n = std::to_string(kDrawnRows), last = Wb_columnName(kDrawnRows);
  const std::vector<std::string> calls = {
      "MATCH(@,$B$1:$B$" + n + ",0)",          "MATCH(@,$B$1:$B$" + n + ",1)",
      "MATCH(@,$B$1:$B$" + n + ",-1)",         "VLOOKUP(@,$B$1:$C$" + n + ",2,FALSE)",
      "VLOOKUP(@,$B$1:$C$" + n + ",2,TRUE)",   "HLOOKUP(@,$B$200:$" + last + "$201,2,FALSE)",
      "HLOOKUP(@,$B$200:$" + last + "$201,2)", "RANK(@,$B$1:$B$" + n + ")",
      "RANK(@,$B$1:$B$" + n + ",1)",           "LOOKUP(@,$B$1:$B$" + n + ",$C$1:$C$" + n + ")",
      "LOOKUP(@,$B$1:$C$" + n + ")",           "LOOKUP(@,$B$200:$" + last + "$201)"};
  // Column 4 + 2c the call on each key alone, 5 + 2c element k lifted.
  for (size_t c = 0; c < calls.size(); ++c)
    for (int k = 0; k < kDrawnRows; ++k) {
      const int col = 4 + 2 * static_cast<int>(c);
      Wb_setFormula(wb, sh, k, col, "=" + withKeys(calls[c], "A" + std::to_string(k + 1)));
      Wb_setFormula(wb, sh, kLiftedRow * 10 + k, col + 1,
                    "=INDEX(" + withKeys(calls[c], "$A$1:$A$" + n) + "," + std::to_string(k + 1) + ")");
    }
  Calc_recalculate(wb);
  FeInterpreted interpreted;
  Fe_interpretWorkbook(wb, &interpreted);
  for (size_t c = 0; c < calls.size(); ++c)
    for (int k = 0; k < kDrawnRows; ++k) {
      SCOPED_TRACE(calls[c] + " key " + std::to_string(k + 1));
      const int col = 4 + 2 * static_cast<int>(c);
      const Cell* alone = Wb_findCell(sh, k, col);
      const Cell* lifted = Wb_findCell(sh, kLiftedRow * 10 + k, col + 1);
      ASSERT_TRUE(alone && lifted);
      EXPECT_TRUE(sameCellValue(lifted->value, alone->value))
          << "stand-in lifted " << cellShown(lifted->value) << ", alone " << cellShown(alone->value);
      const auto one = interpreted.values.find({0, Wb_cellKey(k, col)});
      const auto many = interpreted.values.find({0, Wb_cellKey(kLiftedRow * 10 + k, col + 1)});
      ASSERT_TRUE(one != interpreted.values.end() && many != interpreted.values.end());
      EXPECT_TRUE(sameCellValue(many->second, one->second))
          << "interpreter lifted " << cellShown(many->second) << ", alone " << cellShown(one->second);
    }
  Wb_closeWorkbook(wb);
}
