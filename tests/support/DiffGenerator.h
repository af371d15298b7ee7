// The generator of the differential check of the two calculations (see
// DiffCheck.h): the workbook the formulas are evaluated on, and formulas over
// every function of the interpreter's table and every operator, with
// arguments of every kind (numbers with edge values, numeric texts, text
// results, logicals, blanks and left-out arguments, errors, arrays, ranges,
// names and references to cells holding each kind), chosen by a seeded
// sequence in the test or by the fuzzer's bytes in the fuzz target.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "interpreter/Fn_Table.h"
#include "platform/workbook/Wb_Workbook.h"
#include "values/Text_Convert.h"

// Where the generator's choices come from: a seeded generator in the test,
// the fuzzer's bytes in the fuzz target (0 once they are used up).
struct DiffChoices {
  const std::uint8_t* bytes = nullptr;
  size_t size = 0, at = 0;
  std::uint64_t state = 0;
  bool seeded = false;

  static DiffChoices fromSeed(std::uint64_t seed) {
    DiffChoices c;
    c.state = seed;
    c.seeded = true;
    c.state = c.next();  // seeds far apart in the sequence
    return c;
  }
  static DiffChoices fromBytes(const std::uint8_t* data, size_t n) {
    DiffChoices c;
    c.bytes = data;
    c.size = n;
    return c;
  }
  // The next number of the seeded sequence (splitmix64).
  std::uint64_t next() {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // A choice below n (n > 0).
  std::uint32_t pick(std::uint32_t n) {
    if (seeded) return static_cast<std::uint32_t>(next() % n);
    if (at >= size) return 0;
    std::uint32_t v = bytes[at++];
    if (n > 256 && at < size) v = v << 8 | bytes[at++];
    return v % n;
  }
  template <size_t N>
  const char* among(const char* const (&list)[N]) {
    return list[pick(N)];
  }
};

// The workbook every formula is evaluated on, sheet "Main":
//   A1:A6  numbers, the variable cells of the derivative modes
//   B1:B8  one cell of each kind: 0, "24", "abc", TRUE, blank, #DIV/0!, " 3.5", FALSE
//   C1     a formula giving a text result (LEFT("24",1))
//   D1:E2  a 2 x 2 matrix of numbers
//   H1     the cell the generated formula goes into
// and the names Rate (a number), Block (A1:A6), Twice (a formula) and Word (a text).
constexpr int kDiffTargetRow = 0, kDiffTargetColumn = 7;
constexpr int kDiffVariables = 6;
inline const double kDiffVariableValues[kDiffVariables] = {2.5, -1.5, 0.5, 3, 7, 0.25};

inline Workbook* Diff_workbook() {
  Workbook* wb = Wb_newWorkbook("differential.xlsx");
  Sheet* main = Wb_addSheet(wb, "Main");
  for (int r = 0; r < kDiffVariables; ++r) Wb_setValue(wb, main, r, 0, CellValue::makeNumber(kDiffVariableValues[r]));
  const CellValue kinds[] = {CellValue::makeNumber(0),
                             CellValue::makeText("24"),
                             CellValue::makeText("abc"),
                             CellValue::makeBoolean(true),
                             CellValue{},
                             CellValue::makeError(CellError::Div0),
                             CellValue::makeText(" 3.5"),
                             CellValue::makeBoolean(false)};
  for (int r = 0; r < 8; ++r)
    if (kinds[r].kind != CellKind::Empty) Wb_setValue(wb, main, r, 1, kinds[r]);
  Wb_setFormula(wb, main, 0, 2, "=LEFT(\"24\",1)");
  const double matrix[] = {2, 1, 1, 3};
  for (int k = 0; k < 4; ++k) Wb_setValue(wb, main, k / 2, 3 + k % 2, CellValue::makeNumber(matrix[k]));
  Wb_defineName(wb, DefinedName{"Rate", "0.05", -1, false});
  Wb_defineName(wb, DefinedName{"Block", "Main!$A$1:$A$6", -1, false});
  Wb_defineName(wb, DefinedName{"Twice", "Main!$A$1*2", -1, false});
  Wb_defineName(wb, DefinedName{"Word", "\"abc\"", -1, false});
  return wb;
}

namespace diff_detail {

// Arguments by kind.
inline const char* const kNumbers[] = {"0",      "1",      "-1",     "2",     "0.5", "-2.5",  "3",
                                       "10",     "1E+300", "1E-300", "1E+15", "255", "0.001", "-0.75",
                                       "4.9999", "45",     "100",    "0.3",   "6",   "-7"};
inline const char* const kNumericTexts[] = {"\"2\"", "\"-1.5\"", "\"1E2\"", "\" 3 \"", "\"0.5\"", "\"0\""};
inline const char* const kTexts[] = {"LEFT(\"24\",1)", "\"abc\"", "\"\"", "MID(\"3.25\",1,4)", "\"x\"&1", "1&2"};
inline const char* const kLogicals[] = {"TRUE", "FALSE", "(1=1)"};
inline const char* const kErrors[] = {"#DIV/0!", "#N/A", "#VALUE!", "#NUM!", "1/0", "NA()"};
// The interpreter's formula reader takes numbers and texts in an array
// constant, no logicals or errors: it refuses such a formula as a whole.
inline const char* const kArrays[] = {"{1,2,3}", "{1;2;3}", "{1,2;3,4}", "{1,\"a\",3}", "{0.5,-1}", "{\"2\",4}"};
inline const char* const kRanges[] = {"A1:A6", "B1:B8", "D1:E2", "A1:A3", "A1:B2", "A2:A5"};
inline const char* const kNames[] = {"Rate", "Block", "Twice", "Word"};
inline const char* const kVariableCells[] = {"A1", "A2", "A3", "A4", "A5", "A6"};
inline const char* const kKindCells[] = {"B1", "B2", "B3", "B4", "B5", "B6", "B7", "B8", "C1"};
inline const char* const kBinary[] = {"+", "-", "*", "/", "^", "&", "=", "<>", "<", ">", "<=", ">="};

// The functions of the interpreter's table a formula may call: all but the
// volatile and random ones, whose values no two calculations share.
inline const std::vector<FunctionRecord>& functions() {
  static const std::vector<FunctionRecord> list = [] {
    std::vector<FunctionRecord> out;
    for (int32_t i = 0; i < Fn_count(); ++i) {
      FunctionRecord r{};
      if (Fn_recordAt(i, &r) && !r.isVolatile && !Fn_isRandom(r.id) && r.id > 0) out.push_back(r);
    }
    return out;
  }();
  return list;
}

inline std::string upper(const char16_t* name) {
  std::string s = Text_toUtf8(name);
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return s;
}

inline std::string expression(DiffChoices& c, int depth);

// Two operands and an operator, chosen in this order (the order in which a
// sum of calls is evaluated differs between compilers, and a seed has to
// give the same formulas everywhere); the operator in *op when asked.
inline std::string binary(DiffChoices& c, int depth, std::string* op = nullptr) {
  std::string text = expression(c, depth);
  const char* chosen = c.among(kBinary);
  if (op) *op = chosen;
  text += chosen;
  return text + expression(c, depth);
}

// A call of one function of the table with a count of arguments it takes;
// the function's name in *name when asked.
inline std::string call(DiffChoices& c, int depth, std::string* name = nullptr) {
  const auto& list = functions();
  const FunctionRecord& f = list[c.pick(static_cast<std::uint32_t>(list.size()))];
  int count = f.argumentCount;
  if (count < 0) count = Fn_fewestArguments(&f) + static_cast<int>(c.pick(4));
  else count -= static_cast<int>(c.pick(f.optional + 1u));
  const std::string called = upper(f.name);
  if (name) *name = called;
  std::string text = called + "(";
  for (int k = 0; k < count; ++k) {
    if (k) text += ",";
    // An argument is left out only where the others keep the count.
    if (count < 2 || c.pick(24) != 0) text += expression(c, depth + 1);
  }
  return text + ")";
}

// One argument of a kind the choice gives; numbers most often, since most
// functions want them.
inline std::string expression(DiffChoices& c, int depth) {
  const std::uint32_t kind = c.pick(depth < 2 ? 20 : 16);
  switch (kind) {
    case 0:
    case 1:
    case 2: return c.among(kNumbers);
    case 3:
    case 4:
    case 5: return c.among(kVariableCells);
    case 6: return c.among(kNumericTexts);
    case 7: return c.among(kTexts);
    case 8: return c.among(kLogicals);
    case 9: return c.among(kErrors);
    case 10: return c.among(kArrays);
    case 11: return c.among(kRanges);
    case 12: return c.among(kNames);
    case 13:
    case 14: return c.among(kKindCells);
    case 15: return c.pick(2) ? "-" + expression(c, depth + 1) : expression(c, depth + 1) + "%";
    case 16:
    case 17: return call(c, depth);
    default: return "(" + binary(c, depth + 1) + ")";
  }
}

}  // namespace diff_detail

// The upper-case names of the functions the generator calls.
inline std::vector<std::string> Diff_functionNames() {
  std::vector<std::string> names;
  for (const FunctionRecord& f : diff_detail::functions()) names.push_back(diff_detail::upper(f.name));
  return names;
}

// One generated formula and what it is about: the function called at its
// top, or the operator there.
struct DiffFormula {
  std::string text;
  std::string target;
};

inline DiffFormula Diff_formula(DiffChoices& c) {
  using namespace diff_detail;
  DiffFormula f;
  if (c.pick(4) == 0) f.text = "=" + binary(c, 1, &f.target);
  else f.text = "=" + call(c, 0, &f.target);
  return f;
}
