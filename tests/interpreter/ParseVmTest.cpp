// Reader, parser and machine together: evaluation order, circular
// references, zero folding, pruning, stack limits, implicit intersection,
// array formulas, incremental passes and function symbol names.
#include <gtest/gtest.h>

#include <string>

#include "interpreter/Code_Segment.h"
#include "interpreter/Model_Structure.h"
#include "simulation/registry/CellReg_Registry.h"
#include "tests/support/SheetSource.h"
#include "values/Vm_Status.h"

namespace {

double numberOf(const Value* v) { return v ? v->number : -1e300; }

TEST(ParseVm, FormulasEvaluateReferencedCellsFirst) {
  Workbench w;
  w.sheet.set("a1", "=b1+c1*2-4/8");
  w.sheet.set("b1", "=c1^2");
  w.sheet.set("c1", "=1+2");
  w.sheet.set("d1", "=-(a1)%&\"x\"");
  ASSERT_TRUE(w.compile({"a1", "d1"}));
  // Post-order: every cell after what it references, the root last.
  const auto& chain = w.item(0)->leftChain;
  ASSERT_EQ(chain.size(), 3u);
  EXPECT_EQ(chain[0], w.cell("c1"));
  EXPECT_EQ(chain[1], w.cell("b1"));
  EXPECT_EQ(chain[2], w.cell("a1"));
  EXPECT_DOUBLE_EQ(numberOf(w.run(0)), 9 + 6 - 0.5);
  const Value* d = w.run(1);
  ASSERT_EQ(d->kind, kValText);
  EXPECT_EQ(std::u16string(d->text), u"-0.145x");
}

TEST(ParseVm, CircularReferenceIsReportedAtTheCellReachedSecond) {
  Workbench w;
  w.sheet.set("a1", "=b1+1");
  w.sheet.set("b1", "=a1*2");
  EXPECT_FALSE(w.compile({"a1"}));
  EXPECT_EQ(w.ctx->errors.firstError, kStatusCircularReference);
  EXPECT_EQ(w.ctx->errors.errorCell.row, 1);
  EXPECT_EQ(w.ctx->errors.errorCell.column, 2);
}

TEST(ParseVm, SyntaxErrorsRaiseTheirStatus) {
  const std::pair<const char*, int> cases[] = {
      {"=1=2=3", kStatusUnexpectedEnd},
      {"=(1+2", kStatusMissingClose},
      {"=abs(1,2)", kStatusWrongArgumentCount},
      {"=*2", kStatusInvalidExpression},
      {"=1+", kStatusInvalidExpression},
      {"=nosuchname+1", kStatusUndefinedIdentifier},
      {"='[other.xlsx]s'!a1+1", kStatusExternalName},
      // Not alone in its formula: the book is read (and this one cannot be).
      {"=2*'[other.xlsx]s'!a1", kStatusExternalName},
      {"=-'[other.xlsx]s'!a1", kStatusExternalName},
      {"=1+2,3", kStatusUnexpectedEnd},
      {"=1+2)", kStatusMissingOpen},
      {"=sum(1,2),3", kStatusUnexpectedEnd},
  };
  for (const auto& [formula, status] : cases) {
    Workbench w;
    w.sheet.set("a1", formula);
    EXPECT_FALSE(w.compile({"a1"})) << formula;
    EXPECT_EQ(w.ctx->errors.firstError, status) << formula;
    EXPECT_EQ(w.ctx->errors.errorCell.row, 1) << formula;
    EXPECT_EQ(w.ctx->errors.errorCell.column, 1) << formula;
  }
}

// Alone in its formula a reference to another workbook leaves the cell with
// the value it holds.
TEST(ParseVm, LoneExternalReferenceKeepsTheStoredValue) {
  Workbench w;
  w.sheet.set("a1", "='[other.xlsx]s'!a1");
  ASSERT_TRUE(w.compile({"a1"}));
  EXPECT_FALSE(Prog_hasCode(w.cell("a1")));
  EXPECT_EQ(w.cell("a1")->refresh, 1);
}

TEST(ParseVm, ProductsWithAZeroConstantCellFoldOnlyWhereSound) {
  Workbench w;
  w.sheet.set("a1", "0");
  w.sheet.set("b1", "=1/0");
  w.sheet.set("g1", "2");
  w.sheet.set("c1", "=a1*0*g1");
  w.sheet.set("d1", "=b1/a1");
  w.sheet.set("e1", "=b1*(a1)");
  w.sheet.set("f1", "=a1*0*b1");
  w.sheet.set("h1", "=a1/g1");
  ASSERT_TRUE(w.compile({"c1", "d1", "e1", "f1", "h1"}));
  const CodeSegment* folded = w.cell("c1")->formula->code;
  // One operand and the end: the whole product became the constant 0.
  EXPECT_EQ(folded->cursor - folded->start, static_cast<long>(kCodeOperandSize + 1));
  EXPECT_EQ(w.run(0)->kind, kValInt);
  EXPECT_EQ(w.run(1)->kind, kValError);  // a division by the zero cell is kept
  EXPECT_EQ(w.run(2)->kind, kValError);  // a parenthesised zero is no zero constant
  EXPECT_EQ(w.run(3)->kind, kValError);  // a formula's error times 0 is the error
  const CodeSegment* divided = w.cell("h1")->formula->code;
  EXPECT_GT(divided->cursor - divided->start, static_cast<long>(kCodeOperandSize + 1));  // a quotient is kept
}

TEST(ParseVm, PruningKeepsVariableDependentAndVolatileCells) {
  Workbench w;
  Model_addVariableRange(w.ctx->tables.variables, RangeRef{1, 1, 6, 1, 6}, kVarContinuous);  // f1
  w.sheet.set("f1", "1");
  w.sheet.set("b1", "=2*3");
  w.sheet.set("c1", "=b1+f1");
  w.sheet.set("d1", "=rand()");
  w.sheet.set("e1", "=d1*0+b1");
  w.sheet.set("a1", "=c1+e1+b1");
  ASSERT_TRUE(w.compile({"a1"}));
  EXPECT_EQ(w.item(0)->leftChain.size(), 5u);
  ASSERT_TRUE(Parse_pruneModel(w.reader, true));
  const auto& chain = w.item(0)->leftChain;
  ASSERT_EQ(chain.size(), 4u);
  EXPECT_EQ(chain[0], w.cell("c1"));
  EXPECT_EQ(chain[1], w.cell("d1"));
  EXPECT_EQ(chain[2], w.cell("e1"));
  EXPECT_EQ(chain[3], w.cell("a1"));
  EXPECT_FALSE(Prog_hasCode(w.cell("b1")));  // freed: keeps its value
}

TEST(ParseVm, StackOverflowAndUnderflow) {
  std::string deep = "=";
  for (int i = 0; i < 32; ++i) deep += "1+(";
  deep += "1" + std::string(32, ')');
  Workbench w;
  w.sheet.set("a1", deep);
  ASSERT_TRUE(w.compile({"a1"}));
  w.run(0);
  EXPECT_EQ(w.ctx->errors.firstError, kStatusStackOverflow);

  Workbench u;
  u.sheet.set("a1", "=1");
  ASSERT_TRUE(u.compile({"a1"}));
  CodeSegment* code = u.cell("a1")->formula->code;
  code->start[0] = kCodeEnd;
  u.run(0);
  EXPECT_EQ(u.ctx->errors.firstError, kStatusStackEmpty);
}

TEST(ParseVm, ImplicitIntersectionAndArrayFormulas) {
  Workbench w;
  w.sheet.set("a1", "1");
  w.sheet.set("a2", "2");
  w.sheet.set("a3", "3");
  w.sheet.set("b2", "=a1:a3*2");
  w.sheet.set("b5", "=a1:a3*2");
  ASSERT_TRUE(w.compile({"b2", "b5"}));
  EXPECT_DOUBLE_EQ(numberOf(w.run(0)), 4.0);
  EXPECT_EQ(w.run(1)->kind, kValError);

  // An array formula over a three-cell block gives three products.
  Symbol* block = Prog_addSymbol(w.store, kSpaceCell, u"s1!c1:c3", u"");
  Val_makeArray(&block->value, 3, 1);
  const RangeRef where{1, 1, 3, 3, 3};
  Vm_setRangeRef(&block->value, &where);
  block->formula = new FormulaRecord();
  block->formula->text = u"=a1:a3*{2}+a1:a3";
  block->formula->isArray = 1;
  Parse_formula(w.reader, block);
  ASSERT_EQ(w.ctx->errors.errorCount, 0);
  w.program.currentCell = block;
  w.ctx->flags.incremental = 0;
  Vm_run(&w.program);
  for (int i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(Val_at(&block->value, i, 0)->number, 3.0 * (i + 1));
}

// Inside the arguments of an array-taking call, operators and scalar
// functions work on whole arrays; outside it they intersect again. A quoted
// number stays text for functions and converts only in arithmetic.
TEST(ParseVm, ArrayTakingArgumentsAndQuotedNumbers) {
  Workbench w;
  w.sheet.set("a1", "1");
  w.sheet.set("a2", "2");
  w.sheet.set("a3", "3");
  const struct {
    const char* cell;
    const char* formula;
    double value;
  } cases[] = {
      {"b6", "=sumproduct((a1:a3>1)*a1:a3)", 5.0},
      {"b7", "=sumproduct(--(a1:a3>=2))", 2.0},
      {"b8", "=sumproduct(abs(a1:a3-4),{1;1;2})", 7.0},
      {"b2", "=sumproduct(a1:a3*1)*a1:a3", 12.0},
      {"b9", "=isnumber(\"5\")+isnumber(5)*2", 2.0},
      {"b10", "=\"5\"+1", 6.0},
      {"b12", "=abs(\"-2\")-\"3\"+--true", 0.0},
  };
  for (const auto& c : cases) w.sheet.set(c.cell, c.formula);
  w.sheet.set("b11", "=sumproduct(a1:a3)*a1:a3");
  ASSERT_TRUE(w.compile({"b6", "b7", "b8", "b2", "b9", "b10", "b12", "b11"}));
  for (size_t i = 0; i < std::size(cases); ++i) EXPECT_DOUBLE_EQ(numberOf(w.run(i)), cases[i].value) << cases[i].formula;
  EXPECT_EQ(w.run(std::size(cases))->kind, kValError);
}

// Array constants whose elements differ only in where the quotes stand are
// two constants: the 1 x 1 text a","b and the 1 x 2 texts a, b.
TEST(ParseVm, ArrayConstantsKeepTheirOwnElements) {
  Workbench w;
  w.sheet.set("a1", "=sumproduct({\"a\"\",\"\"b\"},{1})");
  w.sheet.set("a2", "=sumproduct({\"a\",\"b\"},{1,1})");
  w.sheet.set("a3", "=sumproduct({0},{1})+1");
  w.sheet.set("a4", "=0&\"x\"");
  ASSERT_TRUE(w.compile({"a1", "a2", "a3", "a4"}));
  EXPECT_EQ(numberOf(w.run(0)), 0.0);
  EXPECT_EQ(numberOf(w.run(1)), 0.0);
  EXPECT_EQ(numberOf(w.run(2)), 1.0);
  const Value* text = w.run(3);
  ASSERT_EQ(text->kind, kValText);
  EXPECT_EQ(std::u16string(text->text), u"0x");
}

TEST(ParseVm, IncrementalPassRecomputesOnlyWhatChanged) {
  Workbench w;
  Model_addVariableRange(w.ctx->tables.variables, RangeRef{1, 1, 1, 1, 1}, kVarContinuous);  // a1
  w.sheet.set("a1", "1");
  w.sheet.set("b1", "=a1*10");
  w.sheet.set("c1", "=5+1");
  w.sheet.set("d1", "=b1+c1");
  ASSERT_TRUE(w.compile({"d1"}));
  Model_getVariable(w.ctx->tables.variables, 1)->value = Interval{2.0, 2.0};
  EXPECT_DOUBLE_EQ(numberOf(w.run(0)), 26.0);
  // Overwrite c1's stored value: an incremental pass must leave it alone.
  Val_setNumber(&w.cell("c1")->value, 100.0);
  Model_getVariable(w.ctx->tables.variables, 1)->value = Interval{3.0, 3.0};
  w.ctx->flags.incremental = 1;
  Prog_markVariableCells(w.store);
  const Value* d = Prog_runChain(&w.program, w.item(0)->leftChain);
  EXPECT_DOUBLE_EQ(numberOf(d), 130.0);
}

TEST(ParseVm, CompileStepSizesOverAllVariablesWhenNotCompact) {
  Workbench w;
  Model_addVariableRange(w.ctx->tables.variables, RangeRef{1, 1, 1, 3, 1}, kVarContinuous);  // a1:a3
  w.sheet.set("b1", "=a1*2");
  w.sheet.set("b2", "=b1+1");
  ASSERT_TRUE(w.compile({"b2"}));
  w.ctx->flags.compactDerivatives = 0;
  ProgBudget budget{};
  ASSERT_TRUE(Prog_compile(&w.program, uint64_t{1} << 30, &budget));
  // Two compiled cells, a stack of two values: w = 2 + 2 + 2, nvMax = 3.
  const ProgBudget expected = Prog_estimateMemory(2, 2, 3, w.functions->maxCellTape, uint64_t{1} << 30);
  EXPECT_EQ(budget.forwardHessKB, expected.forwardHessKB);
  EXPECT_EQ(budget.forwardGradKB, 4);
  EXPECT_TRUE(budget.forwardHessAllowed);
  EXPECT_EQ(w.ctx->flags.sizingPass, 0);
  // Compact: each function gets the variables it depends on.
  w.ctx->flags.compactDerivatives = 1;
  ASSERT_TRUE(Prog_compile(&w.program, uint64_t{1} << 30, &budget));
  EXPECT_EQ(w.item(0)->variables, std::vector<int32_t>{1});
  EXPECT_EQ(budget.forwardHessKB, Prog_estimateMemory(2, 2, 1, w.functions->maxCellTape, uint64_t{1} << 30).forwardHessKB);
}

TEST(ParseVm, FunctionSymbolsAreNamedByCountAndCallNumber) {
  Workbench w;
  w.sheet.set("a1", "=log(8)+log(8,2)+rand()+rand()");
  w.sheet.set("a2", "=true()+true+\"true\"");
  ASSERT_TRUE(w.compile({"a1", "a2"}));
  Symbol* log1 = Prog_findSymbol(w.store, kSpaceFunction, u"log");
  Symbol* log2 = Prog_findSymbol(w.store, kSpaceFunction, u"log2");
  ASSERT_TRUE(log1 && log2);
  EXPECT_EQ(Parse_argumentCount(log1), 1);
  EXPECT_EQ(Parse_argumentCount(log2), 2);
  Symbol* rand1 = Prog_findSymbol(w.store, kSpaceFunction, u"rand");
  Symbol* rand2 = Prog_findSymbol(w.store, kSpaceFunction, u"rand2");
  ASSERT_TRUE(rand1 && rand2);
  EXPECT_EQ(rand1->value.reference, -1);
  EXPECT_EQ(rand2->value.reference, -2);
  EXPECT_TRUE(w.cell("a1")->formula->isVolatile);
  // The literal TRUE keeps its value beside the text "true" and TRUE().
  EXPECT_EQ(Prog_findSymbol(w.store, kSpaceLiteral, u"true")->value.kind, kValBool);
  EXPECT_NE(Prog_findSymbol(w.store, kSpaceText, u"true"), nullptr);
  EXPECT_NE(Prog_findSymbol(w.store, kSpaceFunction, u"true"), nullptr);
}

// The array elements one cell's element-wise operations build are capped:
// one operation past the cap, or several that add up past it, give
// "#num!"; below it the cell computes. (254 columns of 8300 rows are past
// the 2^21 elements; 2800 rows are under it, but not three times over, nor
// as texts, which count eight elements each; 900 rows of texts and their
// lengths are under it.)
TEST(ParseVm, ElementWiseWorkOfOneCellIsCapped) {
  Workbench w;
  w.sheet.set("b1", "2");
  w.sheet.set("c3", "5");
  w.sheet.set("a1", "=SUMPRODUCT(b1:iu8300*1)");
  w.sheet.set("a2", "=SUMPRODUCT(b1:iu2800*1+b1:iu2800*1)");
  w.sheet.set("a3", "=SUMPRODUCT(b1:iu2800*3)");
  w.sheet.set("a4", "=SUMPRODUCT(LEN(b1:iu2800&\"x\"))");  // texts count eight elements each
  w.sheet.set("a5", "=SUMPRODUCT(LEN(b1:iu900&\"x\"))");
  ASSERT_TRUE(w.compile({"a1", "a2", "a3", "a4", "a5"}));
  uint32_t code = 0;
  for (size_t item : {0u, 1u, 3u}) {
    const Value* capped = w.run(item);
    ASSERT_NE(capped, nullptr);
    ASSERT_EQ(capped->kind, kValError) << item;
    EXPECT_TRUE(Vm_errorCode(capped->number, &code));
    EXPECT_EQ(code, kErrNum);
  }
  EXPECT_DOUBLE_EQ(numberOf(w.run(2)), 3 * (2 + 5));
  EXPECT_DOUBLE_EQ(numberOf(w.run(4)), 254 * 900 + 2);  // "x" in each, "2x" and "5x"
}

// A cell's array reaches a call that only reads its arguments as it stands,
// unless a decision variable in it is to take the variable's value; an
// operator, an element-wise function and an array-taking call over them
// get copies. Every form gives the values of the variable's current point.
TEST(ParseVm, ArraysReachCallsWithTheVariablesCurrentValues) {
  Workbench w;
  Model_addVariableRange(w.ctx->tables.variables, RangeRef{1, 1, 1, 1, 1}, kVarContinuous);  // a1
  w.sheet.set("a1", "1");
  w.sheet.set("a2", "2");
  w.sheet.set("b1", "3");
  w.sheet.set("b2", "4");
  const struct {
    const char* cell;
    const char* formula;
    double value;
  } cases[] = {
      {"c1", "=sum(a1:b2)", 5 + 2 + 3 + 4},
      {"c2", "=sumproduct(a1:b2,a1:b2)", 25 + 4 + 9 + 16},
      {"c3", "=sumproduct(a1:b2*2)", 28},
      {"c4", "=sumproduct(abs(b1:b2-10))+max(b1:b2)", 7 + 6 + 4},
      {"c5", "=sum(mmult(a1:a2,a1:b1))+index(a1:b2,1,1)", 25 + 15 + 10 + 6 + 5},
  };
  for (const auto& c : cases) w.sheet.set(c.cell, c.formula);
  ASSERT_TRUE(w.compile({"c1", "c2", "c3", "c4", "c5"}));
  Model_getVariable(w.ctx->tables.variables, 1)->value = Interval{5.0, 5.0};
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_DOUBLE_EQ(numberOf(w.run(i)), cases[i].value) << cases[i].formula;
  EXPECT_EQ(w.ctx->errors.errorCount, 0);
}

}  // namespace

namespace {

// The cells of a sampled-input area are numbered as they are read (a single
// cell and each element of a range), and once compiled the registry's trial
// rows cover every random-function call, so that a row stored for a call is
// found again.
TEST(ParseVm, SampledInputCellsAreNumberedAndTheRegistryCountsRandomCalls) {
  Workbench w;
  w.ctx->tables.variables->registry = CellReg_create();
  CellRegistry* reg = w.ctx->tables.variables->registry.get();
  CellReg_addArea(reg, RangeRef{1, 2, 2, 3, 2});  // B2:B3, inputs 1 and 2
  w.sheet.set("b2", "5");
  w.sheet.set("b3", "6");
  w.sheet.set("a1", "=b3+sum(b2:b3)+rand()+rand()*rand()");
  ASSERT_TRUE(w.compile({"a1"}));
  EXPECT_EQ(w.cell("b3")->value.reference, -2);
  const Symbol* range = Prog_findSymbol(w.store, kSpaceCell, u"s1!b2:b3");
  ASSERT_NE(range, nullptr);
  EXPECT_EQ(Val_at(&range->value, 0, 0)->reference, -1);
  EXPECT_EQ(Val_at(&range->value, 1, 0)->reference, -2);
  EXPECT_EQ(reg->cellCount, 3);
  const double row[] = {0, 0.25, 0.75};
  ASSERT_TRUE(CellReg_setTrialRow(reg, 3, row, 2));
  const double* stored = Model_getDistributionSamples(w.ctx->tables.variables, 3);
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored[2], 0.75);
  EXPECT_EQ(Model_getDistributionSamples(w.ctx->tables.variables, 4), nullptr);
  EXPECT_EQ(Model_getSampleTable(w.ctx->tables.variables)->size(), 3u);
  EXPECT_FALSE(Model_stubFalse(1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0));
}

}  // namespace
