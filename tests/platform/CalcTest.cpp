// The calculation: parsing, evaluation, worksheet functions against hand-
// computed values where the shared calc workbooks (recalculated from empty
// by the workbook-file tests) do not reach, and recalculation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/calc/Calc.h"
#include "tests/support/FuzzWorkbook.h"
#include "tests/support/SheetCells.h"

namespace {

class CalcFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    Wb_resetApp();
    wb = Wb_newWorkbook("calc.xlsx");
    sh = Wb_addSheet(wb, "S");
  }
  void TearDown() override { Wb_resetApp(); }

  // The single value of a formula evaluated on sheet `sheet` (the first by default).
  CellValue eval(const std::string& text, int sheet = 0) {
    CalcEvalResult r;
    EXPECT_TRUE(Calc_evaluate(wb, sheet, text, &r)) << text;
    if (r.value.values.empty()) return CellValue::makeError(CellError::Null);
    return r.value.values[0];
  }
  // What Calc_evaluate gives on a sheet: "ref " and the areas (sheet index!
  // corners) for a reference, then the shape and the values as they show;
  // "<failed>" when it fails.
  std::string evaluated(int sheet, const std::string& text) {
    CalcEvalResult r;
    if (!Calc_evaluate(wb, sheet, text, &r)) return "<failed>";
    std::string out = r.isReference ? "ref" : "";
    for (std::size_t i = 0; i < r.areas.size(); ++i) {
      const auto& a = r.areas[i];
      out += (i ? "," : " ") + std::to_string(a.sheet) + "!" + Wb_a1(a.row1, a.col1) + ":" + Wb_a1(a.row2, a.col2);
    }
    out += (out.empty() ? "" : " ") + std::to_string(r.value.rows) + "x" + std::to_string(r.value.cols) + " {";
    for (std::size_t i = 0; i < r.value.values.size(); ++i) out += (i ? "," : "") + Calc_displayText(r.value.values[i], "");
    return out + "}";
  }
  // Each formula against its value: "\"abc\"" a text, "2.5" a number (exactly
  // the double the digits read as), else as it shows ("TRUE", "#N/A").
  void expectValues(std::initializer_list<std::pair<const char*, std::string>> cases) {
    for (const auto& [text, want] : cases) expectValue(eval(text), want, text);
  }
  // Each cell of sheet S (given as A1 text) against its value, written as above.
  void expectCells(std::initializer_list<std::pair<const char*, std::string>> cases) {
    for (const auto& [a1, want] : cases) expectValue(value(a1), want, a1);
  }
  static void expectValue(const CellValue& v, const std::string& want, const std::string& what) {
    char* end = nullptr;
    double d = std::strtod(want.c_str(), &end);
    if (!want.empty() && want[0] == '"') {
      EXPECT_EQ(v, CellValue::makeText(want.substr(1, want.size() - 2))) << what;
    } else if (!want.empty() && *end == '\0') {
      EXPECT_EQ(v, CellValue::makeNumber(d)) << what;
    } else {
      EXPECT_NE(v.kind, CellKind::Text) << what;
      EXPECT_EQ(Calc_displayText(v, ""), want) << what;
    }
  }
  void setNum(const char* a1, double d) { Test_put(wb, sh, a1, CellValue::makeNumber(d)); }
  void setText(const char* a1, const std::string& t) { Test_put(wb, sh, a1, CellValue::makeText(t)); }
  void formula(const char* a1, const std::string& f, Sheet* on = nullptr) { Test_formula(wb, on ? on : sh, a1, f); }
  const CellValue& value(const char* a1, Sheet* on = nullptr) { return Test_valueAt(on ? on : sh, a1); }

  Workbook* wb = nullptr;
  Sheet* sh = nullptr;
};

}  // namespace

inline void PrintTo(const CellValue& v, std::ostream* os) {
  static const char* kinds[] = {"empty", "number", "text", "boolean", "error"};
  *os << kinds[static_cast<int>(v.kind)] << " " << Calc_displayText(v, "");
}

using CalcEval = CalcFixture;
using CalcFunctions = CalcFixture;
using CalcRecalc = CalcFixture;

TEST_F(CalcEval, OperatorsLiteralsAndTypes) {
  setText("A1", "3");
  setText("A2", "");
  setNum("A3", 0.25);
  expectValues({
      {"=12/3/2", "2"}, {"=--3", "3"}, {"= 1 + 2 * 3 ", "7"},
      {"=1+1&\"x\"", "\"2x\""},  // & below +
      {"=1&2=\"12\"", "TRUE"},    // comparison lowest
      {"=.5", "0.5"}, {"=2.5e-1", "0.25"}, {"=\"say \"\"hi\"\"\"", "\"say \"hi\"\""}, {"=false", "FALSE"},
      {"=#div/0!", "#DIV/0!"}, {"=#NULL!", "#NULL!"},
      {"=#N/A+1/0", "#N/A"},  // the left operand's error wins
      {"=NoSuchName+1", "#NAME?"}, {"=Nowhere!A1", "#REF!"},
      {"=A1+1", "4"}, {"=A2+1", "#VALUE!"}, {"=\"TRUE\"+0", "#VALUE!"}, {"=\"0x10\"+0", "#VALUE!"},
      {"=\"inf\"+0", "#VALUE!"}, {"=-FALSE", "0"},
      {"=Z99+1", "1"},  // empty cell is 0
      {"=\"a\"<TRUE", "TRUE"},  // numbers < texts < booleans
      {"=TRUE>1", "TRUE"}, {"=TRUE=1", "FALSE"},
      {"=Z1=0", "TRUE"},  // an empty cell equals 0, "" and FALSE
      {"=Z1=\"\"", "TRUE"}, {"=Z1=FALSE", "TRUE"}, {"=Z1=Z2", "TRUE"}, {"=Z1<1", "TRUE"},
      {"=A3&\"%\"", "\"0.25%\""}, {"=Z1&\"x\"", "\"x\""}, {"=TRUE&\"\"", "\"TRUE\""},
  });
}

// A text that reads as a date, a time or both is its serial number where a
// number is wanted: day 1 is 1 January 1900, 15 March 2024 day 45366, a
// time its seconds over 86400 (12:30 is 45000 of them, 0.25 is 6:00).
TEST_F(CalcEval, DateAndTimeTextsAreTheirSerialNumbers) {
  setText("E1", "2024-03-05");
  setText("E2", "2024-03-15");
  expectValues({
      {"=\"2024-03-15\"+1", "45367"}, {"=E2-E1", "10"}, {"=\"2024-03-15 06:00\"*1", "45366.25"},
      {"=\"15 Mar 2024\"+0", "45366"}, {"=\"1900-01-15\"+0", "15"}, {"=\"1900-03-01\"+0", "61"},
      {"=\"12:30\"*86400", "45000"}, {"=\"10:30:15 PM\"*86400", "81015"}, {"=\"50%\"+0", "0.5"},
      {"=\"2024-02-30\"+0", "#VALUE!"}, {"=\"12:60\"+0", "#VALUE!"}, {"=\"50% 12:00\"+0", "#VALUE!"},
  });
}

TEST_F(CalcEval, OtherSheetsAndNamesInWorkbookAndSheetScope) {
  Wb_setValue(wb, Wb_addSheet(wb, "Other Sheet"), 1, 0, CellValue::makeNumber(7));
  setNum("B2", 1.5);
  for (const DefinedName& dn : {DefinedName{"Factor", "2", -1, false}, {"Factor", "3", 1, false},
                                {"Seed", "S!$B$2:$B$3", -1, false}, {"Twice", "SUM(Seed)*2", -1, false},
                                {"Loop", "Loop+1", -1, false}})
    Wb_defineName(wb, dn);
  expectValues({
      {"='other sheet'!$A$2*2", "14"},   // sheet names ignore case
      {"=Twice*Factor", "6"}, {"=Loop", "#VALUE!"},   // circular
  });
  EXPECT_EQ(eval("=Twice*Factor", 1), CellValue::makeNumber(9));   // the sheet's own name hides the workbook's
}

// A name's definition is read in the name's scope: a sheet's own name on
// its sheet, names and cells alike; a workbook name among the workbook's
// names (its cells without a sheet on the sheet that uses it), whatever
// names the sheet that uses it holds.
TEST_F(CalcEval, NamesInsideNamesAreReadInTheirOwnScope) {
  Sheet* other = Wb_addSheet(wb, "Other");
  setNum("B1", 100);
  Test_put(wb, other, "B1", CellValue::makeNumber(4));
  for (const DefinedName& dn : {DefinedName{"cap", "base*10", -1, false},
                                {"base", "0.5", -1, false},
                                {"base", "1", 0, false},
                                {"lim", "limb+0", 1, false},
                                {"limb", "$B$1", 1, false},
                                {"wlim", "Other!lim*2", -1, false},
                                {"olim", "wk+0", 1, false},
                                {"wk", "base*2", -1, false},
                                {"own", "onlyS*1", -1, false},
                                {"onlyS", "3", 0, false},
                                {"cell", "$B$1", -1, false}})
    Wb_defineName(wb, dn);
  expectValues({
      {"=cap", "5"},         // 0.5 * 10, not S's base
      {"=base", "1"},        // S's own base
      {"=[0]!base", "0.5"},  // the workbook's, past S's
      {"=Other!lim", "4"},   // Other's limb, Other's B1
      {"=wlim", "8"},        // a workbook name through Other's names
      {"=Other!olim", "1"},  // Other's name through the workbook's, whose base is the workbook's
      {"=own", "#NAME?"},    // S's onlyS is no name of the workbook's
      {"=cell", "100"},      // a workbook name's cell is on the sheet that uses it
  });
  EXPECT_EQ(eval("=cell", 1), CellValue::makeNumber(4));
  EXPECT_EQ(eval("=cap", 1), CellValue::makeNumber(5));
  EXPECT_EQ(Calc_missingName(wb, 0, "=own+1"), "onlyS");
  formula("C1", "=cap+Other!lim");
  Calc_recalculate(wb);
  EXPECT_EQ(value("C1"), CellValue::makeNumber(9));
}

TEST_F(CalcEval, EvaluateGivesReferencesForCellsNamesAndUnions) {
  Sheet* model = Wb_addSheet(wb, "Model");
  Wb_setValue(wb, model, 1, 1, CellValue::makeNumber(9));
  for (const DefinedName& dn : {DefinedName{"solver_opt", "Model!$B$2", 1, true}, {"solver_typ", "2", 1, true},
                                {"solver_adj", "Model!$B$2:$C$2,Model!$E$2", 1, true}})
    Wb_defineName(wb, dn);
  EXPECT_EQ(evaluated(1, "!solver_opt"), "ref 1!B2:B2 1x1 {9}");
  EXPECT_EQ(evaluated(1, "=!solver_typ"), "1x1 {2}");
  EXPECT_EQ(evaluated(0, "Model!A1:C2"), "ref 1!A1:C2 2x3 {,,,,9,}");
  EXPECT_EQ(evaluated(1, "!solver_adj"), "ref 1!B2:C2,1!E2:E2 1x2 {9,}");
  EXPECT_EQ(evaluated(1, "=A1,S!B2"), "1x1 {#VALUE!}");   // areas on two sheets
  EXPECT_EQ(evaluated(7, "=1"), "<failed>");               // no such sheet
  formula("A1", "=SUM(solver_adj)", model);               // SUM walks the areas of a union
  formula("A2", "=SUM(solver_adj)");                      // and a name local to Model is unknown here
  formula("A3", "=ABS(solver_adj)", model);               // a union is no single value
  Calc_recalculate(wb);
  EXPECT_EQ(value("A1", model), CellValue::makeNumber(9));
  EXPECT_EQ(value("A3", model), CellValue::makeError(CellError::Value));
  EXPECT_EQ(value("A2"), CellValue::makeError(CellError::Name));
}

// Evaluating for the reference alone gives the areas Calc_evaluate gives and
// no values; a result that is no reference keeps its values.
TEST_F(CalcEval, EvaluateReferenceGivesAreasWithoutValues) {
  Sheet* model = Wb_addSheet(wb, "Model");
  Wb_setValue(wb, model, 1, 1, CellValue::makeNumber(9));
  Wb_setValue(wb, model, 0, 2, CellValue::makeText("x"));
  for (const DefinedName& dn : {DefinedName{"table", "Model!$A$1:$C$400", 1, true}, {"typ", "2", 1, true},
                                {"adj", "Model!$B$2:$C$2,Model!$E$2", 1, true}})
    Wb_defineName(wb, dn);
  for (const char* text : {"!table", "!adj", "Model!B2", "=!typ", "=A1,S!B2", "=SUM(Model!A1:C3)", "Model!A1:C2*2"}) {
    CalcEvalResult whole, reference;
    ASSERT_TRUE(Calc_evaluate(wb, 1, text, &whole)) << text;
    ASSERT_TRUE(Calc_evaluateReference(wb, 1, text, &reference)) << text;
    EXPECT_EQ(reference.isReference, whole.isReference) << text;
    ASSERT_EQ(reference.areas.size(), whole.areas.size()) << text;
    for (std::size_t i = 0; i < whole.areas.size(); ++i) {
      const CellRange &x = reference.areas[i], &y = whole.areas[i];
      EXPECT_EQ(std::tie(x.sheet, x.row1, x.col1, x.row2, x.col2), std::tie(y.sheet, y.row1, y.col1, y.row2, y.col2));
    }
    if (whole.isReference) {
      EXPECT_TRUE(reference.value.values.empty()) << text;
      continue;
    }
    EXPECT_EQ(reference.value.rows, whole.value.rows) << text;
    EXPECT_EQ(reference.value.cols, whole.value.cols) << text;
    EXPECT_EQ(reference.value.values, whole.value.values) << text;
  }
  EXPECT_FALSE(Calc_evaluateReference(wb, 7, "=1", nullptr));   // no such sheet
  // The values of a reference and of a block computed over one, holes included.
  EXPECT_EQ(evaluated(1, "!table").substr(0, 24), "ref 1!A1:C400 400x3 {,,x");
  EXPECT_EQ(evaluated(1, "Model!A1:C2*2"), "2x3 {0,0,#VALUE!,0,18,0}");
  EXPECT_EQ(evaluated(1, "Model!A1:C2&\"\""), "2x3 {,,x,,9,}");
  std::string sparse = evaluated(1, "Model!A1:C400*2");
  EXPECT_EQ(sparse.substr(0, 29), "400x3 {0,0,#VALUE!,0,18,0,0,0");
  EXPECT_EQ(std::count(sparse.begin(), sparse.end(), ','), 1199);
}

TEST_F(CalcEval, ArrayConstantsAndArraysElementByElement) {
  EXPECT_EQ(evaluated(0, "={1,2;3,-4}"), "2x2 {1,2,3,-4}");
  EXPECT_EQ(evaluated(0, "={\"a\",TRUE,#N/A}"), "1x3 {a,TRUE,#N/A}");
  EXPECT_EQ(evaluated(0, "={1,2,3}*{10;20}"), "2x3 {10,20,30,20,40,60}");
  EXPECT_EQ(evaluated(0, "={1,2,3}+{1,2}"), "1x3 {2,4,#N/A}");   // beyond the shorter array
  EXPECT_EQ(evaluated(0, "={1,2}>1"), "1x2 {FALSE,TRUE}");
  // Blocks too large to hold are errors, not failed allocations.
  expectValues({
      {"=SUM(ABS({-1,2,-3}))", "6"}, {"=SUM(A1:A1000000*A1:XFC1)", "#NUM!"}, {"=SUM(MMULT(A1:A1000000,A1:XFC1))", "#NUM!"},
      {"=SUM(A1:XFC1048575)", "#REF!"}, {"=SUM(A1:XFD1048576)", "0"},   // the whole sheet: only the cells in use
  });
}

TEST_F(CalcEval, AddinFunctionsReceiveValuesAndAreFoundWhenRegisteredLater) {
  setNum("A1", 2);
  setNum("A2", 3);
  formula("B1", "=DOTTWICE(A1:A2*1)");   // arguments arrive whole, also in a plain formula
  Calc_recalculate(wb);
  EXPECT_EQ(value("B1"), CellValue::makeError(CellError::Name));
  Calc_registerFunction("DOTTWICE", [](const std::vector<CalcArray>& args) {
    double s = 0;
    for (const CellValue& v : args[0].values) s += 2 * v.number;
    return CalcArray{1, 1, {CellValue::makeNumber(s)}};
  });
  Calc_registerFunction("BROKEN", [](const std::vector<CalcArray>&) { return CalcArray{2, 2, {}}; });
  expectValues({{"=dottwice(A1:A2)+1", "11"}, {"=_xll.DOTTWICE({1,1})", "4"}, {"=BROKEN()", "#VALUE!"}});
  Calc_recalculate(wb);
  EXPECT_EQ(value("B1"), CellValue::makeNumber(10));
}

// The count of the numbers of `table` not above `key`.
CalcArray countNotAbove(double key, const std::vector<CellValue>& table) {
  const auto n = std::count_if(table.begin(), table.end(), [key](const CellValue& v) { return v.number <= key; });
  return CalcArray{1, 1, {CellValue::makeNumber(static_cast<double>(n))}};
}

// Lifted over its keys, a function that prepares its lifted calls is
// prepared once, its table given once, and answers each key as the function
// does; the work of its elements is paid for before, each paying for the
// table as for a function that does not prepare them, unless its elements
// share their work: the table is then paid for once.
TEST_F(CalcEval, ALiftedRegisteredFunctionIsPreparedOnceAndPaysByItsWholeArguments) {
  for (const char* a1 : {"A1", "A2", "A3", "A4"}) setNum(a1, a1[1] - '0');
  int prepared = 0, elements = 0;
  auto whole = [](const std::vector<CalcArray>& args) { return countNotAbove(args[0].values[0].number, args[1].values); };
  auto prepare = [&](const std::vector<CalcArray>& args, const std::vector<size_t>& lifted) -> CalcElementCall {
    ++prepared;
    EXPECT_EQ(lifted, std::vector<size_t>{0});
    EXPECT_TRUE(args[0].values.empty() && args[0].rows == 0);
    return [&elements, table = args[1].values](const CellValue* const* items) {
      ++elements;
      return countNotAbove(items[0]->number, table);
    };
  };
  auto keyOnly = [](size_t k) { return k == 0; };
  Calc_registerFunction("NOTABOVE", whole, 0, keyOnly);
  Calc_registerFunction("PREPAREDNOTABOVE", whole, 0, keyOnly, prepare);
  Calc_registerFunction("SHAREDNOTABOVE", whole, kCalcSharesLiftedWork, keyOnly, prepare);
  for (const char* name : {"NOTABOVE", "PREPAREDNOTABOVE", "SHAREDNOTABOVE"})
    EXPECT_EQ(evaluated(0, std::string("=") + name + "({0,2.5;4,9},A1:A4)"), "2x2 {0,2,4,4}") << name;
  EXPECT_EQ(prepared, 2);
  EXPECT_EQ(elements, 8);
  // 100000 keys, each paying for the 1000 cells of the table: more than a
  // recalculation allows, refused before anything is prepared; sharing the
  // table, they cost 100000 calls and the table once, and each blank key
  // finds the 1000 blanks of the table not above it.
  for (const char* name : {"NOTABOVE", "PREPAREDNOTABOVE"})
    EXPECT_EQ(evaluated(0, std::string("=") + name + "(C1:C100000,D1:D1000)"), "1x1 {#NUM!}") << name;
  EXPECT_EQ(prepared, 2);
  CalcEvalResult shared;
  ASSERT_TRUE(Calc_evaluate(wb, 0, "=SHAREDNOTABOVE(C1:C100000,D1:D1000)", &shared));
  EXPECT_EQ(std::count(shared.value.values.begin(), shared.value.values.end(), CellValue::makeNumber(1000)), 100000);
  EXPECT_EQ(prepared, 3);
  // 300000 calls are more than a recalculation allows, as for any function.
  EXPECT_EQ(evaluated(0, "=SHAREDNOTABOVE(C1:C300000,D1:D1000)"), "1x1 {#NUM!}");
  EXPECT_EQ(prepared, 3);
}

TEST_F(CalcEval, AFunctionSourceIsAskedOnceWhenAFormulaFirstNamesAnUnknownFunction) {
  int asked = 0;
  Calc_setFunctionSource([&asked] {
    ++asked;
    Calc_registerFunction(
        "SOURCEDTRIPLE",
        [](const std::vector<CalcArray>& args) {
          return CalcArray{1, 1, {CellValue::makeNumber(3 * args[0].values[0].number)}};
        },
        kCalcScalarArgs);
  });
  setNum("A1", 2);
  formula("B1", "=SUM(A1,1)");
  Calc_recalculate(wb);
  EXPECT_EQ(asked, 0);   // built-in functions only: the source is not asked
  formula("B2", "=A1+sourcedtriple(A1)");
  Calc_recalculate(wb);   // registered while the workbook's formulas compile
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(value("B2"), CellValue::makeNumber(8));
  EXPECT_EQ(value("B1"), CellValue::makeNumber(3));
  expectValues({{"=SOURCEDNONE()", "#NAME?"}, {"=SOURCEDTRIPLE(5)", "15"}});
  EXPECT_EQ(asked, 1);   // asked once only, even for a name it did not register
}

// A text evaluated again is not parsed and bound again, yet every change of
// what it reads is seen: values written, names defined and changed, a
// function registered, a sheet added, cells added to a whole-column range.
TEST_F(CalcEval, ATextEvaluatedAgainSeesEveryChange) {
  setNum("A1", 2);
  setNum("A2", 3);
  const std::string text = "=Rate*SUM(A:A)+Later!B1+LATERFN()";
  auto again = [&] { return Calc_displayText(eval(text), ""); };
  EXPECT_EQ(again(), "#NAME?");
  Wb_defineName(wb, {"Rate", "2", -1, false});
  EXPECT_EQ(again(), "#REF!");   // no sheet "Later" yet
  Sheet* later = Wb_addSheet(wb, "Later");
  Test_put(wb, later, "B1", CellValue::makeNumber(100));
  EXPECT_EQ(again(), "#NAME?");  // LATERFN not yet registered
  Calc_registerFunction("LATERFN", [](const std::vector<CalcArray>&) { return CalcArray{1, 1, {CellValue::makeNumber(1000)}}; });
  EXPECT_EQ(again(), "1110");
  EXPECT_EQ(again(), "1110");
  setNum("A1", 7);               // a value written into a cell that exists
  EXPECT_EQ(again(), "1120");
  Test_put(wb, later, "B1", CellValue::makeNumber(50));
  EXPECT_EQ(again(), "1070");
  setNum("A3", 10);              // a new cell inside the whole column
  EXPECT_EQ(again(), "1090");
  Wb_defineName(wb, {"Rate", "3", -1, false});
  EXPECT_EQ(again(), "1110");
  Wb_defineName(wb, {"Rate", "1", 0, false});   // the sheet's own name hides the workbook's
  EXPECT_EQ(again(), "1070");
  EXPECT_TRUE(Wb_deleteName(wb, "Rate", 0));
  EXPECT_EQ(again(), "1110");
  // Areas whose numbers are copied for products see the values written too.
  const std::string product = "=SUMPRODUCT(A1:A3,A1:A3)";
  EXPECT_EQ(Calc_displayText(eval(product), ""), "158");
  setNum("A2", 1);
  EXPECT_EQ(Calc_displayText(eval(product), ""), "150");
}

TEST_F(CalcEval, FunctionNamesAreFoundInAnyCaseAndARegistrationAgainReplaces) {
  auto constant = [](double x) {
    return [x](const std::vector<CalcArray>&) { return CalcArray{1, 1, {CellValue::makeNumber(x)}}; };
  };
  Calc_registerFunction("MixedCaseOne", constant(1));
  Calc_registerFunction("MIXEDCASEONE", constant(2));  // the same function: replaced
  Calc_registerFunction("MIXEDCASETWO", constant(5));
  expectValues({{"=mixedcaseone()", "2"}, {"=MixedCaseTwo()+MIXEDCASEONE()", "7"},
                {"=sUm(1,2)+Abs(-4)", "7"}, {"=MIXEDCASETHREE()", "#NAME?"}});
}

TEST_F(CalcEval, BadFormulasFailWithAReason) {
  struct Case { const char* text; const char* says; };
  const Case cases[] = {
    {"=1+", "unexpected end"}, {"=(1+2", "missing )"}, {"=\"abc", "missing closing quote"},
    {"=1 2", "unexpected character"}, {"={1,2;3}", "rows differ"}, {"=SUM(1;2)", "expected , or )"},
    {"=#BAD!", "unknown error"}, {"=A1:", "cell reference expected"}, {"='Sheet A1", "missing closing quote"},
    {"=", "empty formula"}, {"=1e", "exponent expected"}, {"=$X$Y", "bad reference"}, {"=1e999", "too large"}, {"=@1", "unexpected character"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(Calc_checkFormula(c.text, &error)) << c.text;
    EXPECT_NE(error.find(c.says), std::string::npos) << c.text << ": " << error;
    EXPECT_NE(error.find("position"), std::string::npos) << error;
    CalcEvalResult r;
    EXPECT_FALSE(Calc_evaluate(wb, 0, c.text, &r)) << c.text;
  }
  std::string error;
  EXPECT_TRUE(Calc_checkFormula("=SUM('Bob''s Data'!A1:B2, Other!$C$3, _xlfn.FOO(1,,2))", &error)) << error;
}

// Nesting is bounded by parentheses, calls and signs; a chain of operators
// is one level however long. Lengths are bounded exactly.
TEST_F(CalcEval, LimitsFollowNestingAndExactLengths) {
  std::string chain = "=1", error;
  for (int i = 0; i < 3000; ++i) chain += "+1";
  expectValues({{chain.c_str(), "3001"}, {("=" + std::string(301, '-') + "1").c_str(), "-1"}});
  std::string calls;
  for (int i = 0; i < 300; ++i) calls += "ABS(";
  for (const std::string& deep : {"=" + std::string(3000, '(') + "1" + std::string(3000, ')'),
                                  "=" + calls + "1" + std::string(300, ')')}) {
    EXPECT_FALSE(Calc_checkFormula(deep, &error));
    EXPECT_NE(error.find("nested too deeply (more than 256 levels)"), std::string::npos) << error;
    EXPECT_TRUE(Calc_formulaPastLimits(deep, &error)) << error;
  }
  std::string longest = "=1" + std::string(8191, ' ');   // 8192 characters after "="
  EXPECT_TRUE(Calc_checkFormula(longest, &error)) << error;
  EXPECT_FALSE(Calc_checkFormula(longest + " ", &error));
  // Too long as a whole: the words say by how much, at no position.
  EXPECT_EQ(error, "formula of 8193 characters, longer than the 8192 a formula may have");
  EXPECT_TRUE(Calc_checkFormula("=\"" + std::string(255, 'x') + "\"", &error)) << error;
  EXPECT_FALSE(Calc_checkFormula("=\"" + std::string(256, 'x') + "\"", &error));
  // Past a limit of the files, as against a form the parser does not read.
  EXPECT_TRUE(Calc_formulaPastLimits(longest + " ", &error));
  EXPECT_TRUE(Calc_formulaPastLimits("=\"" + std::string(256, 'x') + "\"", &error));
  for (const std::string& other : {std::string("=A1:"), std::string("=SUM(Data!A1:INDEX(Data!A1:A3,3))"), chain})
    EXPECT_FALSE(Calc_formulaPastLimits(other, &error)) << other;
}

// The reference forms saved workbooks use.
TEST_F(CalcEval, ReferenceFormsOfSavedWorkbooks) {
  for (const char* a1 : {"A1", "A2", "A3"}) setNum(a1, a1[1] - '0');
  for (const char* a1 : {"B1", "B2", "B3"}) setNum(a1, 10 * (a1[1] - '0'));
  Wb_setValue(wb, Wb_addSheet(wb, "T2"), 0, 0, CellValue::makeNumber(100));
  Wb_setValue(wb, Wb_addSheet(wb, "T3"), 0, 0, CellValue::makeNumber(1000));
  Wb_defineName(wb, DefinedName{"Twice", "SUM(S!$A:$A)*2", -1, false});
  expectValues({
      {"=SUM(A:A)", "6"}, {"=SUM($A:$B)", "66"}, {"=SUM(1:2)", "33"}, {"=SUM($2:$2)", "22"}, {"=SUM(S!A:A)", "6"},
      {"=ROWS(A:A)", "1048576"}, {"=COLUMNS(3:3)", "16384"}, {"=Twice", "12"},
      {"=S!#REF!", "#REF!"}, {"=SUM(A1:#REF!)", "#REF!"}, {"=#REF!+1", "#REF!"}, {"=SUM(#REF!$A$1:$B$2)", "#REF!"},
      {"=A1:B3 B2:B9", "20"}, {"=SUM(A1:B3 A2:B2)", "22"}, {"=A1:A3 B1:B3", "#NULL!"}, {"=SUM(A:A 2:3)", "5"},
      {"=SUM((A1,B2:B3))", "51"}, {"=COUNT((A1:A3,B1),1)", "5"},
      {"=SUM(S:T3!A1)", "1101"}, {"=SUM('S:T2'!A1:A2)", "103"}, {"=SUM(S:Nowhere!A1)", "#REF!"},
      {"=[1]Sheet1!A1", "#REF!"}, {"='[Book.xlsx]Data'!A1+1", "#REF!"}, {"=SUM([2]Data!A1:B2)", "#REF!"},
      {"=[0]!Twice", "12"}, {"=_xlfn._xlws.SUM(A1,1)", "2"}, {"=_xlws.SUM(1)", "1"},
  });
  formula("C10", "=A:A+1");   // past the cells in use, a whole column is empty
  formula("C11", "=SUM(A:A)");
  Calc_recalculate(wb);
  expectCells({{"C10", "1"}, {"C11", "6"}});
  std::vector<CellRange> reads = Calc_precedents(wb, 0, 10, 2, false);   // only the cells in use are read
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_EQ(reads[0].row2 - reads[0].row1, 10);
}

TEST_F(CalcEval, UnparsableCellFormulaGivesAnErrorValue) {
  formula("A1", "=1+*2");
  formula("A2", "=A1+1");
  formula("A3", "=B1+*2");
  Calc_recalculate(wb);
  expectCells({{"A1", "#NAME?"}, {"A2", "#NAME?"}, {"A3", "#NAME?"}});
}

// A formula with a value from its file that cannot be computed keeps that
// value until something it reads changes; then it is an error value.
TEST_F(CalcRecalc, FormulasThatCannotBeComputedKeepStoredValuesUntilTheirInputsChange) {
  setNum("A1", 2);
  for (const auto& [a1, text, stored] : {std::tuple{"B1", "=NOSUCH(A1)", 7.0}, {"B3", "=1+*2", 5.0}}) {
    formula(a1, text);
    int row, col;
    Wb_parseA1(a1, &row, &col);
    Cell* c = Wb_cellAt(wb, sh, row, col);
    c->value = CellValue::makeNumber(stored);
    c->keepsStoredValue = true;
  }
  formula("B2", "=B1*2");
  formula("B4", "=NOSUCH(1)");   // typed, not from a file: no stored value to keep
  Calc_recalculate(wb);
  expectCells({{"B1", "7"}, {"B2", "14"}, {"B3", "5"}, {"B4", "#NAME?"}});
  std::vector<CalcWarning> all = Calc_warnings(wb);
  ASSERT_EQ(all.size(), 3u);
  EXPECT_TRUE(all[0].kept && all[1].kept && !all[2].kept);
  // The function each calls that no table has, none for a formula that does not parse.
  EXPECT_EQ(all[0].function, "NOSUCH");
  EXPECT_EQ(all[1].function, "");
  EXPECT_EQ(all[2].function, "NOSUCH");
  std::vector<CalcWarning> forB2 = Calc_warningsFor(wb, {CellRange{0, 1, 1, 1, 1}});
  ASSERT_EQ(forB2.size(), 1u);
  EXPECT_EQ(forB2[0].formula, "=NOSUCH(A1)");
  formula("C1", "=A1");   // a new formula elsewhere rebuilds the calculation; B1 stays
  Calc_recalculate(wb);
  expectCells({{"B1", "7"}});
  setNum("A1", 3);
  Calc_recalculate(wb);
  expectCells({{"B1", "#NAME?"}, {"B2", "#NAME?"}, {"B3", "5"}});
  EXPECT_FALSE(Calc_warnings(wb)[0].kept);
}

// Functions without shared cases: the clock, random numbers, links.
TEST_F(CalcFunctions, ClockRandomNumbersAndLinks) {
  CellValue today = eval("=TODAY()"), now = eval("=NOW()");
  ASSERT_EQ(today.kind, CellKind::Number);
  EXPECT_EQ(today.number, std::floor(today.number));
  EXPECT_GT(today.number, 45000);   // after 2023
  EXPECT_GE(now.number - today.number, 0);
  EXPECT_LT(now.number - today.number, 1.0001);   // the date may turn between the two
  for (int i = 0; i < 20; ++i) {
    CellValue r = eval("=RAND()"), k = eval("=RANDBETWEEN(-2,2.5)");
    EXPECT_TRUE(r.number >= 0 && r.number < 1);
    EXPECT_TRUE(k.number == std::floor(k.number) && k.number >= -2 && k.number <= 2);
  }
  expectValues({{"=HYPERLINK(\"http://example.org\",\"Go\")", "\"Go\""},
                {"=HYPERLINK(\"http://example.org\")", "\"http://example.org\""}, {"=RANDBETWEEN(3,2)", "#NUM!"}});
}

TEST_F(CalcFunctions, RoundingMathDomainsLogicAndInformation) {
  formula("E8", "=\"\"");
  Calc_recalculate(wb);
  expectValues({
      {"=ROUND(49,-2)", "0"}, {"=ROUND(50,-2)", "100"}, {"=ROUNDUP(0.001,-2)", "100"},
      {"=SQRT(-1)", "#NUM!"}, {"=LN(0)", "#NUM!"}, {"=LN(-1)", "#NUM!"}, {"=LOG(0)", "#NUM!"},
      {"=LOG(10,1)", "#DIV/0!"}, {"=ATAN2(0,0)", "#DIV/0!"}, {"=0^0", "#NUM!"}, {"=0^-1", "#DIV/0!"},
      {"=(-8)^(1/3)", "#NUM!"}, {"=POWER(0,-1)", "#DIV/0!"},
      {"=SIN()", "#VALUE!"},  // wrong argument count
      {"=IF(Z1,1,2)", "2"}, {"=SUM(IFERROR({1,2}/{0,1},10))", "12"}, {"=AND(Z1)", "#VALUE!"},
      {"=OR(Z1,FALSE)", "FALSE"}, {"=NOT(Z1)", "TRUE"}, {"=ISBLANK(Z1)", "TRUE"}, {"=ISNUMBER(TRUE)", "FALSE"},
      {"=ISTEXT(E8)", "TRUE"}, {"=TRUE()", "TRUE"}, {"=TEXT(TRUE,\"0\")", "\"TRUE\""},
  });
}

TEST_F(CalcFunctions, AggregatesCriteriaAndProducts) {
  auto n = CellValue::makeNumber;
  auto t = CellValue::makeText;
  const std::pair<const char*, CellValue> cells[] = {{"G2", n(1)}, {"G3", n(5.5)}, {"G4", t("abc")}, {"H2", n(5)},
      {"H3", n(5)}, {"H4", n(3)}, {"J2", t("a")}, {"J3", t("B")}, {"J4", t("ab")}, {"K3", CellValue::makeError(CellError::Div0)}};   // Z empty
  for (const auto& [a1, v] : cells) Test_put(wb, sh, a1, v);
  expectValues({
      {"=SUM(\"3\",2)", "5"}, {"=PRODUCT(G2:G3,\"2\")", "11"}, {"=PRODUCT(Z1:Z3)", "0"}, {"=MAX(\"7\",3)", "7"},
      {"=MAX(Z1:Z3)", "0"}, {"=AVERAGE(\"4\",2)", "3"}, {"=AVERAGE(Z1:Z3)", "#DIV/0!"},
      {"=COUNTIF(G2:G4,\"ABC\")", "1"}, {"=COUNTIF(H2:H4,\">\"&H4)", "2"}, {"=COUNTIF(J2:J4,\"?\")", "2"},
      {"=COUNTIF(J2:J4,\"a~*\")", "0"},
      {"=SUMIF(J2:J4,\"a*\",H2)", "8"},  // sum range takes the criteria range's shape
      {"=SUMPRODUCT(H2:H4,G2:G4)", "32.5"},   // 5 + 27.5
      {"=SUMPRODUCT(G2:H3,G2:H3)", "81.25"},  // 1 + 25 + 30.25 + 25
      {"=SUMPRODUCT(H2:H4,G2:G4,H2:H4)", "162.5"},   // 25 + 137.5 + 0 (a text counts 0)
      {"=SUMPRODUCT(H2:H4,G2:H3)", "#VALUE!"},       // shapes differ
      {"=SUMPRODUCT(H2:H4,Z1:Z3)", "0"}, {"=SUMPRODUCT(H2:H4,{1;2;3})", "24"},
      {"=SUMPRODUCT(INDEX(G2:H4,0,2),G2:G4)", "32.5"},   // a reference known when evaluated
      {"=SUMPRODUCT(K2:K4,H2:H4)", "#DIV/0!"}, {"=SUMPRODUCT(H2:H4,K2:K4)", "#DIV/0!"},
  });
}

TEST_F(CalcFunctions, Lookups) {
  const char* fruit[] = {"apple", "banana", "cherry", "date", "elder"};
  for (int i = 0; i < 5; ++i) {
    Wb_setValue(wb, sh, 1 + i, 6, CellValue::makeNumber(10 * (i + 1)));
    Wb_setValue(wb, sh, 1 + i, 7, CellValue::makeText(fruit[i]));
    Wb_setValue(wb, sh, 1 + i, 8, CellValue::makeNumber(i * 0.25));
  }
  expectValues({
      {"=MATCH(\"30\",G2:G6,0)", "#N/A"}, {"=MATCH(1,G2:H6,0)", "#N/A"}, {"=VLOOKUP(30,G2:I6,4,FALSE)", "#REF!"},
      {"=HLOOKUP(2,{1,2,3;4,5,6},2,FALSE)", "5"}, {"=HLOOKUP(2,{1,2,3;4,5,6},3,FALSE)", "#REF!"},
      {"=INDEX(G2:I6,2,3)", "0.25"}, {"=INDEX(H2:H6,6)", "#REF!"}, {"=SUM(INDEX(G2:I6,0,1))", "150"},
      {"=ROW(C7)+COLUMN(D1)", "11"}, {"=ROWS({1,2;3,4;5,6})*COLUMNS(G2:I6)", "9"},
  });
}

TEST_F(CalcFunctions, TextFunctions) {
  setText("A1", std::string("a\x01") + "b\x1f");
  expectValues({
      {"=CLEAN(A1)", "\"ab\""}, {"=TRIM(\"  a   b  \")", "\"a b\""},
      {"=PROPER(\"hello wORLD 2-way\")", "\"Hello World 2-Way\""}, {"=REPT(\"ab\",3)", "\"ababab\""},
      {"=REPT(\"a\",-1)", "#VALUE!"}, {"=REPT(\"ab\",20000)", "#VALUE!"},  // longer than a cell holds
      {"=FIND(\"b\",\"abcb\",3)", "4"}, {"=FIND(\"B\",\"abc\")", "#VALUE!"}, {"=FIND(1,12341)", "1"},
      {"=SEARCH(\"B\",\"abc\")", "2"}, {"=SEARCH(\"c?\",\"abcd\")", "3"}, {"=SEARCH(\"~?\",\"ab?\")", "3"},
      {"=SEARCH(\"a\",\"abc\",5)", "#VALUE!"}, {"=SUBSTITUTE(\"a-b-c\",\"-\",\"+\",2)", "\"a-b+c\""},
      {"=REPLACE(\"abcdef\",2,3,\"X\")", "\"aXef\""},
      {"=REPLACE(\"abc\",9,1,\"X\")", "\"abcX\""}, {"=VALUE(\"1e3\")", "1000"}, {"=VALUE(#N/A)", "#N/A"},
  });
}

// Lengths and positions count characters (UTF-16 units), never bytes, and a
// cut never leaves broken UTF-8.
TEST_F(CalcFunctions, TextFunctionsCountCharacters) {
  setText("A1", "h\u00e9llo");
  setText("A2", "\u65e5\u672c");
  setText("A3",
          "a\xE6\x97"
          "b");                  // a broken sequence between a and b
  setText("A4", "\U0001F602x");  // a character beyond the basic plane: two units
  expectValues({
      {"=FIND(\"l\",A1)", "3"},
      {"=FIND(\"l\",A1,4)", "4"},
      {"=SEARCH(\"L\",A1)", "3"},
      {"=SEARCH(\"\u00c9\",A1)", "2"},
      {"=SEARCH(\"?l\",A1)", "2"},
      {"=SEARCH(\"h?l\",A1)", "1"},
      {"=FIND(\"\u672c\",A2)", "2"},
      {"=FIND(\"x\",\"\u03a9x\")", "2"},
      {"=SEARCH(\"\u03c9\",\"a\u03a9\")", "2"},
      {"=FIND(\"l\",A1,7)", "#VALUE!"},
      {"=FIND(\"\",A1,6)", "6"},
      {"=REPLACE(A1,3,1,\"X\")", "\"h\u00e9Xlo\""},
      {"=REPLACE(A2,1,1,\"x\")", "\"x\u672c\""},
      {"=REPLACE(\"\u03a9\",1,1,\"\")", "\"\""},
      {"=SUBSTITUTE(A2,\"\u672c\",\"x\")", "\"\u65e5x\""},
      {"=SUBSTITUTE(A1,\"l\",\"L\",2)", "\"h\u00e9lLo\""},
      {"=PROPER(\"\u00e9lan \u03c9MEGA\")", "\"\u00c9lan \u03a9mega\""},
      {"=FIND(\"b\",A3)", "3"},                        // the broken sequence is one character
      {"=REPLACE(A4,2,1,\"\")", "\"\xEF\xBF\xBDx\""},  // half a pair becomes U+FFFD
      {"=FIND(\"x\",A4)", "3"},
  });
  // The longest text counts characters: 20000 two-byte characters fit.
  EXPECT_EQ(eval("=REPT(\"\u00e9\",20000)").text.size(), 40000u);
}

// ROW and COLUMN of a range give every row or column where arrays are
// evaluated (array formulas, the arguments of SUMPRODUCT), the first
// elsewhere.
TEST_F(CalcFunctions, RowAndColumnOfRangesInArrays) {
  for (int r = 0; r < 6; ++r) Wb_setValue(wb, sh, r, 1, CellValue::makeNumber(10.0 * (r + 1)));  // B1:B6
  ASSERT_TRUE(Wb_setArrayFormula(wb, sh, {0, 0, 3, 0, 3}, "=SUM(ROW(A1:A10))"));                 // D1
  ASSERT_TRUE(Wb_setArrayFormula(wb, sh, {0, 1, 3, 1, 3}, "=SUM(COLUMN(A1:D1))"));               // D2
  formula("D3", "=SUMPRODUCT(--(ROW(A1:A6)>3),B1:B6)");
  formula("D4", "=SUMPRODUCT(ROW(B1:B3)*B1:B3)");
  formula("D5", "=SUM(ROW(A1:A10))");
  formula("D6", "=ROW(A3:A5)");
  Calc_recalculate(wb);
  expectCells({{"D1", "55"}, {"D2", "10"}, {"D3", "150"}, {"D4", "140"}, {"D5", "1"}, {"D6", "3"}});
}

TEST_F(CalcFunctions, NumbersAsTexts) {
  expectValues({
      {"=FIXED(1234.567)", "\"1,234.57\""}, {"=FIXED(1234.567,-1)", "\"1,230\""},
      {"=FIXED(-1234.567,1,TRUE)", "\"-1234.6\""}, {"=FIXED(-0.001)", "\"0.00\""},
      {"=DOLLAR(1234.567)", "\"$1,234.57\""}, {"=DOLLAR(-1234.567,1)", "\"($1,234.6)\""},
      {"=ROMAN(1999)", "\"MCMXCIX\""}, {"=ROMAN(2024)", "\"MMXXIV\""}, {"=ROMAN(0)", "\"\""},
      {"=ROMAN(499,0)", "\"CDXCIX\""}, {"=ROMAN(499,1)", "\"LDVLIV\""}, {"=ROMAN(499,2)", "\"XDIX\""},
      {"=ROMAN(499,3)", "\"VDIV\""}, {"=ROMAN(499,4)", "\"ID\""}, {"=ROMAN(499,FALSE)", "\"ID\""},
      {"=ROMAN(4000)", "#VALUE!"}, {"=ROMAN(5,5)", "#VALUE!"},
  });
}

TEST_F(CalcFunctions, DateSerials) {
  // 44197 is Friday 1 January 2021; 44226 is 30 January, 44255 the 28 February, 44286 the 31 March.
  expectValues({
      {"=WEEKDAY(44197)", "6"}, {"=WEEKDAY(44197,2)", "5"}, {"=WEEKDAY(44197,3)", "4"},
      {"=WEEKDAY(44197,16)", "7"},  // weeks from Saturday: Friday is the 7th day
      {"=WEEKDAY(1)", "1"},  // 1 January 1900 counts as a Sunday
      {"=WEEKDAY(44197,4)", "#NUM!"}, {"=WEEKDAY(-1)", "#NUM!"}, {"=DAYS360(44226,44255)", "28"},
      {"=DAYS360(44255,44286)", "30"},  // from the end of February
      {"=DAYS360(44211,44286)", "76"},  // the 31st stays when the start is before the 30th
      {"=DAYS360(44226,44286,TRUE)", "60"},
      {"=DAYS360(59,61)", "3"},  // 28 February 1900 is not its month's last day
      {"=DAYS360(60,61)", "1"},  // the counted 29 February 1900 is
  });
}

TEST_F(CalcRecalc, CircularReferencesGiveErrorsNotHangsNorDeepRecursion) {
  formula("A1", "=B1+1");
  formula("B1", "=A1+1");
  formula("C1", "=C1");
  formula("D1", "=IFERROR(A1,7)");    // reads the cycle, is not in it
  formula("E1", "=5");
  Calc_recalculate(wb);
  for (const char* a1 : {"A1", "B1", "C1"}) EXPECT_EQ(value(a1).kind, CellKind::Error) << a1;
  expectCells({{"D1", "7"}, {"E1", "5"}});
  // The cells of the circle a cell takes part in or reads; none for a cell
  // that reads none.
  auto circleOf = [&](int col) {
    std::string cells;
    for (const CellRange& c : Calc_cycleOf(wb, 0, 0, col))
      cells += " " + Wb_a1(c.row1, c.col1) + ":" + Wb_a1(c.row2, c.col2);
    return cells;
  };
  for (int col : {0, 1, 3}) EXPECT_EQ(circleOf(col), " A1:A1 B1:B1") << col;
  EXPECT_EQ(circleOf(2), " C1:C1");
  EXPECT_EQ(circleOf(4), "");
  // Breaking the cycle recompiles and calculates again.
  Wb_setValue(wb, sh, 0, 1, CellValue::makeNumber(1));
  Calc_recalculate(wb);
  expectCells({{"A1", "2"}});
  // A chain of 100000 cells, then one cycle through all of them.
  const int n = 100000;
  for (int r = 1; r < n; ++r) Wb_setFormula(wb, sh, r, 5, "=F" + std::to_string(r) + "+1");
  Calc_recalculate(wb);
  EXPECT_EQ(Wb_findCell(sh, n - 1, 5)->value, CellValue::makeNumber(n - 1));
  Wb_setFormula(wb, sh, 0, 5, "=F" + std::to_string(n));
  Calc_recalculate(wb);
  EXPECT_EQ(Wb_findCell(sh, n / 2, 5)->value.kind, CellKind::Error);
}

// The sheet or the defined name a formula refers to that the workbook lacks:
// a sheet by its name, a deleted one as #REF!, a name itself or through the
// names it uses, each seen from the formula's sheet.
TEST_F(CalcEval, MissingSheetsAndNamesAreNamed) {
  Wb_addSheet(wb, "Old data");
  Wb_defineName(wb, DefinedName{"Chain", "Missing*2", -1, false});
  Wb_defineName(wb, DefinedName{"Local", "1", 1, false});
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"=Gone!A1+1", "Gone", ""},    {"=SUM('Old data'!A1,'No more'!B2:B3)", "No more", ""},
      {"=#REF!A1*2", "#REF!", ""},   {"=A1+#REF!", "", ""},
      {"=Nowhere+1", "", "Nowhere"}, {"=Chain+1", "", "Missing"},
      {"=Local", "", "Local"},       {"=S!Local+'Old data'!Local", "", "Local"},
      {"=SUM(A1:B2)", "", ""},       {"=1+*2", "", ""},
  };
  for (const auto& [formula, sheet, name] : cases) {
    EXPECT_EQ(Calc_missingSheet(wb, formula), sheet) << formula;
    EXPECT_EQ(Calc_missingName(wb, 0, formula), name) << formula;
  }
  EXPECT_EQ(Calc_missingName(wb, 1, "=Local"), "");  // the name of sheet 'Old data'
}

TEST_F(CalcRecalc, RangesInPlainFormulasMeetTheFormulasRowAndBlocksFill) {
  // B2:B4 prices, C2:C4 quantities, named as whole columns of the table.
  for (int r = 1; r <= 3; ++r) {
    Wb_setValue(wb, sh, r, 1, CellValue::makeNumber(r * 10));
    Wb_setValue(wb, sh, r, 2, CellValue::makeNumber(r));
  }
  Wb_defineName(wb, {"Price", "S!$B$2:$B$4", -1, false});
  Wb_defineName(wb, {"Qty", "S!$C$2:$C$4", -1, false});
  formula("D3", "=Price*Qty");                  // row 3: 20 * 2
  formula("E3", "=IF(Price>15,\"high\",\"low\")");
  formula("F3", "=Price");
  formula("D9", "=Price*Qty");                  // no row in common
  formula("E9", "=SUMPRODUCT(Price*Qty)");      // arguments that take arrays
  formula("F9", "=INDEX(Price*2,3)");
  ASSERT_TRUE(Wb_setArrayFormula(wb, sh, {0, 9, 3, 11, 3}, "=Price*Qty"));   // D10:D12
  ASSERT_TRUE(Wb_setArrayFormula(wb, sh, {0, 16, 1, 17, 2}, "=7"));   // one value fills the block
  formula("F8", "=C18+D12");            // reads the blocks
  Calc_recalculate(wb);
  expectCells({
      {"D3", "40"}, {"E3", "\"high\""}, {"F3", "20"}, {"D9", "#VALUE!"}, {"F9", "60"}, {"D12", "90"}, {"F8", "97"},
      {"E9", "140"},  // 10 + 40 + 90
  });
}

TEST_F(CalcRecalc, NewValuesFlowWithoutRecompilingAndManualModeWaits) {
  setNum("A1", 1);
  formula("B1", "=A1*2");
  Calc_afterChange(wb);
  expectCells({{"B1", "2"}});
  auto version = wb->structureVersion;
  Wb_app().calcMode = CalcMode::Manual;
  setNum("A1", 5);
  EXPECT_EQ(wb->structureVersion, version);
  Calc_afterChange(wb);
  expectCells({{"B1", "2"}});
  Calc_recalculateAll();
  expectCells({{"B1", "10"}});
}

TEST_F(CalcRecalc, PrecedentsAndDependents) {
  setNum("A1", 1);
  setNum("A2", 2);
  formula("B1", "=SUM(A1:A2)");
  formula("C1", "=B1*2+A1");
  formula("D1", "=C1");
  ASSERT_TRUE(Wb_setArrayFormula(wb, sh, {0, 4, 0, 5, 1}, "=TRANSPOSE(C1:D1)"));
  Calc_recalculate(wb);
  // The areas as sorted A1 texts.
  auto areas = [](const std::vector<CellRange>& v) {
    std::vector<std::string> out;
    for (const CellRange& r : v) out.push_back(Wb_a1(r.row1, r.col1) + ":" + Wb_a1(r.row2, r.col2));
    std::sort(out.begin(), out.end());
    return out;
  };
  using Areas = std::vector<std::string>;
  EXPECT_EQ(areas(Calc_precedents(wb, 0, 0, 2, false)), (Areas{"A1:A1", "B1:B1"}));             // of C1
  EXPECT_EQ(areas(Calc_precedents(wb, 0, 0, 3, true)), (Areas{"A1:A1", "A1:A2", "B1:B1", "C1:C1"}));   // of D1
  EXPECT_EQ(areas(Calc_precedents(wb, 0, 5, 0, false)), (Areas{"C1:D1"}));   // any cell of a block
  EXPECT_EQ(areas(Calc_dependents(wb, 0, 0, 0, true)), (Areas{"A5:B6", "B1:B1", "C1:C1", "D1:D1"}));   // of A1
  EXPECT_TRUE(Calc_precedents(wb, 0, 0, 0, true).empty());   // a constant has none
  EXPECT_TRUE(Calc_dependents(wb, 0, 9, 9, true).empty());
}

// Hostile inputs cost little: wildcard searches over long texts stay within
// (pattern x text) steps, and names that refer to themselves or multiply
// through each other stop at once.
TEST_F(CalcFunctions, WildcardsAndNamesStayCheapOnHostileInputs) {
  setText("A1", std::string(32000, 'a'));
  setText("A2", std::string(4000, 'a') + "b");
  expectValues({
      {"=SEARCH(\"*b\",A1)", "#VALUE!"}, {"=SEARCH(\"*a*a*a*a*a*b\",A1)", "#VALUE!"},
      {"=SEARCH(\"a*b\",A2)", "1"}, {"=SEARCH(\"a?b\",A2)", "3999"}, {"=SEARCH(\"*\",\"xy\",2)", "2"},
      {"=SEARCH(\"b*\",A2)", "4001"}, {"=COUNTIF(A1:A2,\"*a*a*a*a*a*b\")", "1"},

      // Products that overflow stop there: 170! is the last finite one.
      {"=FACT(170)>7E+306", "TRUE"}, {"=FACT(171)", "#NUM!"}, {"=FACT(2333333333333333333333333333333)", "#NUM!"},
      {"=FACTDOUBLE(1E+300)", "#NUM!"}, {"=COMBIN(1E+300,5E+299)", "#NUM!"},
      {"=SUBTOTAL(3E+99,1)", "#VALUE!"},
  });
  Wb_defineName(wb, DefinedName{"Self", "Self+Self+Self", -1, false});
  Wb_defineName(wb, DefinedName{"Ping", "Pong*2", -1, false});
  Wb_defineName(wb, DefinedName{"Pong", "Ping+1", -1, false});
  // Each level doubles the one below: 2^16 leaves if nothing bounded it.
  for (int i = 0; i < 16; ++i)
    Wb_defineName(wb, DefinedName{"Lvl_" + std::to_string(i), "Lvl_" + std::to_string(i + 1) + "+Lvl_" + std::to_string(i + 1), -1, false});
  Wb_defineName(wb, DefinedName{"Lvl_16", "1", -1, false});
  Wb_defineName(wb, DefinedName{"Twice", "Lvl_12+Lvl_12", -1, false});
  expectValues({{"=Self", "#VALUE!"}, {"=Ping", "#VALUE!"}, {"=Lvl_0", "#NAME?"}, {"=Lvl_10", "64"}, {"=Twice", "32"}});
}

// Ranges of millions of cells on a sheet of a few: functions and operators
// walk the cells in use and count the empty ones. Read whole, the ranges of
// the recalculation below alone would be 2 GB.
TEST_F(CalcFunctions, LargeMostlyEmptyRangesCostTheirUsedCells) {
  setNum("A1", 4);
  setNum("B700", -2);
  setNum("G30", 5);
  setText("D5", "x");
  expectValues({
      {"=SUM(A1:C1000000)", "2"}, {"=COUNT(A1:D1000000)", "2"}, {"=COUNTA(A1:D1000000)", "3"},
      {"=COUNTIF(A1:D1000000,\"\")", "3999997"}, {"=COUNTIF(A1:D1000000,\"<>\")", "3"},
      {"=COUNTBLANK(A1:D1000000)", "3999997"}, {"=SUMIF(A1:D1000000,\"<0\")", "-2"},
      {"=SUMIF(A1:A100000,\"\",B1:B100000)", "-2"}, {"=SUMPRODUCT(A1:C1000000,A1:C1000000)", "20"},
      {"=SUM(A1:C1000000*2)", "4"}, {"=MAX(-A1:C100000)", "2"},
      {"=MEDIAN((FIG29:G700%%%%%%%%%%%%%%%%%%,G29:G36))", "0"},
  });
  for (int i = 1; i <= 64; ++i) {
    std::string area = "A1:D" + std::to_string(1000000 - i);
    formula(("F" + std::to_string(i)).c_str(), "=SUM(" + area + ")+COUNTIF(" + area + ",\"<0\")");
  }
  Calc_recalculate(wb);
  EXPECT_EQ(value("F1"), CellValue::makeNumber(3));
  EXPECT_EQ(value("F64"), CellValue::makeNumber(3));
}

// A chain of operators applies every one of them to each element, and each
// counts against the allowance: over a reference of 600,000 cells (its
// block counts once) two operators fit and three do not, where before any
// number did (a 900-byte formula chaining forty operators over whole rows
// took a second, thirty under the sanitizers).
TEST_F(CalcEval, EveryOperatorOfAChainCountsAgainstTheCap) {
  setNum("A1", 1);
  setNum("A600000", 2);
  const long long kBlock = 600000;
  ASSERT_LE(3 * kBlock, kCalcWorkPerRecalculation);
  ASSERT_GT(4 * kBlock, kCalcWorkPerRecalculation);
  expectValues({{"=ROWS(A1:A600000+{0;0}+0)", "600000"},
                {"=COUNT(A1:A600000+{0;0}+1)", "2"},
                {"=A1:A600000+{0;0}+1", "2"},
                {"=A1:A600000+{0;0}+0+0", "#NUM!"},
                {"=A1:A600000&{0;0}&0&0", "#NUM!"},
                {"=A1:A600000*{1;1}*1*1", "#NUM!"}});
}

// Inputs a formula fuzzer found running for 40 s under the sanitizers: TEXT
// with a long format over the element-wise product of whole-row references.
// Formatting an element reads the whole format again, so each character of
// a literal text counts against the allowance with each element: they end
// #NUM! at the cap. The same block with a short format, and a long format
// over a small block, still format.
TEST(CalcSlowInputs, TextWithALongFormatOverALargeBlockEndsAtTheCap) {
  Wb_resetApp();
  Workbook* wb = Fuzz_workbook();
  int inputs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(CORVAN_DATA "/fuzz-slow")) {
    std::ifstream file(entry.path(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    CalcEvalResult r;
    Calc_evaluate(wb, 0, text, &r);
    ASSERT_EQ(r.value.values.size(), 1u) << entry.path();
    EXPECT_EQ(r.value.values[0], CellValue::makeError(CellError::Num)) << entry.path();
    ++inputs;
  }
  EXPECT_EQ(inputs, 3);
  const std::string longFormat(200, 'x');
  CalcEvalResult shortFormat, smallBlock;
  ASSERT_TRUE(Calc_evaluate(wb, 0, "TEXT(224*2:2*4*32212:3,\"0\")", &shortFormat));
  EXPECT_EQ(shortFormat.value.rows, 32210);
  EXPECT_EQ(shortFormat.value.values[0], CellValue::makeText("-2016"));  // 224 x A2 x 4 x A3
  ASSERT_TRUE(Calc_evaluate(wb, 0, "TEXT(A1:C4,\"0.0;-0.0;" + longFormat + "\")", &smallBlock));
  ASSERT_EQ(smallBlock.value.values.size(), 12u);
  EXPECT_EQ(smallBlock.value.values[0], CellValue::makeText("-4.5"));
  Wb_resetApp();
}

// A lifted call that makes long texts from a cell's text pays for what it
// makes: REPT of a cell's 8 characters 4000 times over 200,000 rows ends
// #NUM! at once instead of building 6.4 GB, and spends nothing, so a small
// one after it still computes. Short texts cost no more than their element:
// a cell's text joined to each of 20,000 numbers still computes.
TEST_F(CalcRecalc, TextsMadeFromCellsCountAgainstTheCap) {
  for (int r = 0; r < 200000; ++r) Wb_setValue(wb, sh, r, 0, CellValue::makeNumber(1));  // A1:A200000
  Wb_setValue(wb, sh, 0, 2, CellValue::makeText("abcdefgh"));                            // C1
  Wb_setFormula(wb, sh, 0, 1, "=ROWS(REPT(C1,4000+0*A1:A200000))");                   // B1
  Wb_setFormula(wb, sh, 0, 3, "=SUMPRODUCT(SEARCH(\"hab\",REPT(C1,4+0*A1:A2000)))");  // D1
  Wb_setFormula(wb, sh, 0, 4, "=SUMPRODUCT(SEARCH(\"1\",C1&A1:A20000))");            // E1
  Calc_recalculateFull(wb);
  EXPECT_EQ(value("B1"), CellValue::makeError(CellError::Num));
  EXPECT_EQ(value("D1"), CellValue::makeNumber(2000 * 8));
  EXPECT_EQ(value("E1"), CellValue::makeNumber(20000 * 9));
}

// Twenty array formulas on a second sheet over whole rows of the first, each
// building a block of about 600,000 texts (as a 1.8 KB file of such cells
// over a million rows did, taking 20 s): the work of one recalculation is
// capped, the cells beyond the cap are #NUM! and each is named once in the
// warnings, and the next recalculation has its whole allowance again.
// (bench_recalc times the file itself.)
TEST_F(CalcRecalc, TheWorkOfOneRecalculationIsCapped) {
  setNum("A1", 5);
  setNum("A599559", 7);  // the used rows reach the end of the whole rows
  Sheet* formulas = Wb_addSheet(wb, "F");
  const int kCells = 20;
  const long long kBlock = 599559 - 99 + 1;
  for (int k = 0; k < kCells; ++k)
    ASSERT_TRUE(Wb_setArrayFormula(wb, formulas, {1, k, 0, k, 0}, "=ROWS(1&(1+S!99:599559)&{1;2})"));
  // Each cell builds the block of the reference and applies two operators
  // to each of its elements: no more than this many fit.
  const int fit = static_cast<int>(kCalcWorkPerRecalculation / (3 * kBlock));
  for (int pass = 0; pass < 2; ++pass) {
    Calc_recalculateFull(wb);
    int computed = 0;
    for (int k = 0; k < kCells; ++k) {
      const CellValue& v = Wb_findCell(formulas, k, 0)->value;
      if (v != CellValue::makeError(CellError::Num)) {
        EXPECT_EQ(v, CellValue::makeNumber(kBlock)) << k;
      }
      computed += v == CellValue::makeNumber(kBlock);
    }
    EXPECT_GE(computed, 1);
    EXPECT_LE(computed, fit);
    std::vector<CalcWarning> warnings = Calc_warnings(wb);
    ASSERT_EQ(warnings.size(), static_cast<size_t>(kCells - computed));
    EXPECT_EQ(warnings[0].cell.sheet, 1);
    EXPECT_EQ(warnings[0].cell.row1, computed);
    EXPECT_NE(warnings[0].reason.find("array elements"), std::string::npos) << warnings[0].reason;
  }
}
