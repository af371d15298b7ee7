// The reader at the scale of real models: every spelling of a cell is one
// symbol, an array formula's block is one symbol run once with each cell
// taking its element, chains of any length compile, and the distinct cells
// are counted exactly however the ranges overlap.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "tests/support/SheetSource.h"
#include "values/Vm_Status.h"

namespace {

// A sheet whose cells b1:b3 are one array formula {=a1:a3*2}.
struct BlockSource : SheetSource {
  bool readCell(const CellRef& c, Value* value, ReaderCell* info) override {
    if (c.column != 2 || c.row > 3) return SheetSource::readCell(c, value, info);
    info->formula = u"=a1:a3*2";
    info->isArray = true;
    info->arrayRow = static_cast<uint16_t>(c.row - 1);
    info->block = RangeRef{1, 1, 2, 3, 2};
    return true;
  }
};

// A sheet whose cells b1:b3 are one array formula of the given text over
// a1:a3 = 1, 2, 2.
struct FormulaBlockSource : SheetSource {
  std::u16string text;
  explicit FormulaBlockSource(const char16_t* formula) : text(formula) {
    for (int row = 1; row <= 3; ++row) set("a" + std::to_string(row), row == 1 ? "1" : "2");
  }
  bool readCell(const CellRef& c, Value* value, ReaderCell* info) override {
    if (c.column != 2 || c.row > 3) return SheetSource::readCell(c, value, info);
    info->formula = text;
    info->isArray = true;
    info->arrayRow = static_cast<uint16_t>(c.row - 1);
    info->block = RangeRef{1, 1, 2, 3, 2};
    return true;
  }
};

int codeSymbols(const SymbolTable* store) {
  int count = 0;
  for (size_t i = 1; i < store->bySerial.size(); ++i) count += Prog_hasCode(store->bySerial[i]) ? 1 : 0;
  return count;
}

TEST(ReaderScale, EverySpellingOfACellIsOneSymbol) {
  Workbench w;
  w.sheet.set("a1", "=2+1");
  w.sheet.set("b1", "=a1+$a$1+$a1+a$1");
  ASSERT_TRUE(w.compile({"b1"}));
  Symbol* a1 = w.cell("a1");
  ASSERT_NE(a1, nullptr);
  for (const char16_t* spelling : {u"s1!$a$1", u"s1!$a1", u"s1!a$1"})
    EXPECT_EQ(Prog_findSymbol(w.store, kSpaceCell, spelling), a1) << Text_toUtf8(spelling);
  EXPECT_EQ(w.item(0)->leftChain.size(), 2u);  // a1 compiled and run once, then b1
  EXPECT_EQ(codeSymbols(w.store), 2);
  EXPECT_DOUBLE_EQ(w.run(0)->number, 12.0);
}

// Cells on either side of a page of the cell index, each found by its
// position under every spelling; a range keeps its own symbol.
TEST(ReaderScale, CellsAreFoundByPositionWhateverTheSpelling) {
  Workbench w;
  w.sheet.set("a64", "1");
  w.sheet.set("a65", "2");
  w.sheet.set("c200", "=a64+$a$65+a$65+$a64+SUM(a64:a65)");
  ASSERT_TRUE(w.compile({"c200"}));
  Symbol* a64 = Prog_findCell(w.store, CellRef{1, 64, 1});
  Symbol* a65 = Prog_findCell(w.store, CellRef{1, 65, 1});
  ASSERT_NE(a64, nullptr);
  ASSERT_NE(a65, nullptr);
  EXPECT_NE(a64, a65);
  EXPECT_EQ(w.cell("a64"), a64);
  EXPECT_EQ(Prog_findSymbol(w.store, kSpaceCell, u"s1!$a$65"), a65);
  EXPECT_EQ(Prog_findCell(w.store, CellRef{1, 66, 1}), nullptr);
  EXPECT_EQ(w.cell("a66"), nullptr);
  EXPECT_NE(Prog_findSymbol(w.store, kSpaceCell, u"s1!a64:a65"), nullptr);
  EXPECT_EQ(codeSymbols(w.store), 1);
  EXPECT_DOUBLE_EQ(w.run(0)->number, 1 + 2 + 2 + 1 + 3);
}

TEST(ReaderScale, AnArrayBlockIsOneSymbolRunOnce) {
  BlockSource source;
  for (int row = 1; row <= 3; ++row) source.set("a" + std::to_string(row), std::to_string(row));
  source.set("c1", "=b1+b2*10+b3*100");
  source.set("c2", "=SUM(b1:b3)");
  EvalContext* ctx = Vm_createContext();
  ctx->tables.variables = Model_createVariableTable();
  SymbolTable* store = Prog_createSymbolTable(ctx);
  FunctionTable* functions = Model_createFunctionTable();
  FormulaReader* reader = Reader_create(ctx, store, &source);
  Model_addFunction(functions, 1, 3, 1, kRelFree2, 0.0);
  Model_addFunction(functions, 1, 3, 2, kRelFree2, 0.0);
  Reader_bindModel(reader, functions, ctx->tables.variables);
  ASSERT_TRUE(Parse_compileModel(reader)) << int(ctx->errors.firstError);
  EXPECT_EQ(codeSymbols(store), 3);  // the block, c1 and c2
  EXPECT_EQ(Prog_countFormulaCells(store), 5);
  // The range b1:b3 reads the block itself, not its cells one by one.
  const Symbol* range = Prog_findSymbol(store, kSpaceCell, u"s1!b1:b3");
  ASSERT_NE(range, nullptr);
  ASSERT_EQ(range->precedents.size(), 1u);
  EXPECT_EQ(range->precedents[0]->space, kSpaceBlock);
  Program program{};
  Vm_initProgram(&program, ctx);
  ctx->flags.mode = kModeReal;
  ctx->flags.incremental = 0;
  const Value* c1 = Prog_runChain(&program, functions->array[0]->leftChain);
  ASSERT_NE(c1, nullptr);
  EXPECT_DOUBLE_EQ(c1->number, 2 + 40 + 600);
  const Value* c2 = Prog_runChain(&program, functions->array[1]->leftChain);
  ASSERT_NE(c2, nullptr);
  EXPECT_DOUBLE_EQ(c2->number, 2 + 4 + 6);
  Vm_releaseProgram(&program);
  Reader_destroy(reader);
  Prog_freeSymbolTable(store);
  Model_freeFunctionTable(functions);
  Vm_destroyContext(ctx);
}

// Compiles c1 = b1 + 10 b2 + 100 b3 over the block and runs it.
double blockSum(FormulaBlockSource* source, int* symbols) {
  source->set("c1", "=b1+b2*10+b3*100");
  EvalContext* ctx = Vm_createContext();
  ctx->tables.variables = Model_createVariableTable();
  SymbolTable* store = Prog_createSymbolTable(ctx);
  FunctionTable* functions = Model_createFunctionTable();
  FormulaReader* reader = Reader_create(ctx, store, source);
  Model_addFunction(functions, 1, 3, 1, kRelFree2, 0.0);
  Reader_bindModel(reader, functions, ctx->tables.variables);
  double value = -1;
  if (Parse_compileModel(reader)) {
    *symbols = codeSymbols(store);
    Program program{};
    Vm_initProgram(&program, ctx);
    ctx->flags.mode = kModeReal;
    ctx->flags.incremental = 0;
    if (const Value* v = Prog_runChain(&program, functions->array[0]->leftChain)) value = v->number;
    Vm_releaseProgram(&program);
  }
  Reader_destroy(reader);
  Prog_freeSymbolTable(store);
  Model_freeFunctionTable(functions);
  Vm_destroyContext(ctx);
  return value;
}

// A COUNTIF block is one symbol run once, with a criterion of one value and
// with a range of criteria, which gives one count per criterion.
TEST(ReaderScale, ACountifBlockRunsOnceWhateverItsCriterion) {
  FormulaBlockSource once(u"=COUNTIF(a1:a3,2)*a1:a3");
  int symbols = 0;
  EXPECT_DOUBLE_EQ(blockSum(&once, &symbols), 2 + 40 + 400);
  EXPECT_EQ(symbols, 2);  // the block and c1
  FormulaBlockSource perCriterion(u"=COUNTIF(a1:a3,a1:a3)");
  EXPECT_DOUBLE_EQ(blockSum(&perCriterion, &symbols), 1 + 20 + 200);
  EXPECT_EQ(symbols, 2);
}

// A value's kind and number.
using KindNumber = std::pair<int32_t, double>;

// c1 = b1 + 10 b2 + 100 b3 over the block of the formula, run with the
// decision variable a1 at each value in turn.
std::vector<KindNumber> blockSums(const char16_t* formula, std::initializer_list<double> points) {
  SourceBench<FormulaBlockSource> w(formula);
  w.source.set("c1", "=b1+b2*10+b3*100");
  Model_addVariableRange(w.ctx->tables.variables, RangeRef{1, 1, 1, 1, 1}, kVarContinuous);
  Model_addFunction(w.functions, 1, 3, 1, kRelFree2, 0.0);
  std::vector<KindNumber> sums;
  if (!w.compileModel() || !Prog_checkVariableCells(w.store)) return sums;
  w.ctx->flags.mode = kModeReal;
  w.ctx->flags.incremental = 0;
  for (double x : points) {
    Model_getVariable(w.ctx->tables.variables, 1)->value = Interval{x, x};
    Prog_markVariableCells(w.store);
    const Value* v = Prog_runChain(&w.program, w.functions->array[0]->leftChain);
    sums.push_back(v ? KindNumber{v->kind, v->number} : KindNumber{kValEmpty, 0.0});
  }
  return sums;
}

// A block gets its array from its first run and each run's result after: a
// result of its shape, a lone range with the variable in it, a smaller
// result ("#n/a" past it) and a scalar filling it; every cell reads its
// element at the variable's current value.
TEST(ReaderScale, ABlockTakesEachRunsResult) {
  const struct {
    const char16_t* formula;
    double first, second;  // at a1 = 1, then a1 = 3
  } cases[] = {
      {u"=a1:a3*2", 2 + 40 + 400, 6 + 40 + 400},
      {u"=a1:a3", 1 + 20 + 200, 3 + 20 + 200},
      {u"=a1:a3+{1;2;3}", 2 + 40 + 500, 4 + 40 + 500},
      {u"=a1*7", 777, 2331},
  };
  for (const auto& c : cases) {
    const std::vector<KindNumber> sums = blockSums(c.formula, {1, 3});
    ASSERT_EQ(sums.size(), 2u) << Text_toUtf8(c.formula);
    EXPECT_DOUBLE_EQ(sums[0].second, c.first) << Text_toUtf8(c.formula);
    EXPECT_DOUBLE_EQ(sums[1].second, c.second) << Text_toUtf8(c.formula);
  }
  const std::vector<KindNumber> smaller = blockSums(u"=a1:a2*2", {1});
  ASSERT_EQ(smaller.size(), 1u);
  EXPECT_EQ(smaller[0].first, kValError);
}

// A decision variable in an array formula's block is refused, at the
// block's cell that holds it.
TEST(ReaderScale, AVariableInABlockIsRefused) {
  SourceBench<FormulaBlockSource> w(u"=a1:a3*2");
  w.source.set("c1", "=b1+b2");
  Model_addVariableRange(w.ctx->tables.variables, RangeRef{1, 2, 2, 2, 2}, kVarContinuous);  // b2
  Model_addFunction(w.functions, 1, 3, 1, kRelFree2, 0.0);
  ASSERT_TRUE(w.compileModel());
  EXPECT_FALSE(Prog_checkVariableCells(w.store));
  EXPECT_EQ(w.ctx->errors.firstError, kStatusVariableWithFormula);
  EXPECT_EQ(w.ctx->errors.errorCell.row, 2);
  EXPECT_EQ(w.ctx->errors.errorCell.column, 2);
}

// 60,000 cells each reading the one above compile into one chain in order.
TEST(ReaderScale, ALongChainCompilesInOrder) {
  constexpr int kCells = 60000;
  Workbench w;
  w.sheet.set("a1", "1");
  for (int row = 2; row <= kCells; ++row) w.sheet.set("a" + std::to_string(row), "=a" + std::to_string(row - 1) + "+1");
  ASSERT_TRUE(w.compile({("a" + std::to_string(kCells)).c_str()})) << int(w.ctx->errors.firstError);
  const auto& chain = w.item(0)->leftChain;
  ASSERT_EQ(chain.size(), static_cast<size_t>(kCells - 1));
  EXPECT_EQ(chain.front(), w.cell("a2"));
  EXPECT_EQ(chain.back(), w.cell(("a" + std::to_string(kCells)).c_str()));
  EXPECT_DOUBLE_EQ(w.run(0)->number, kCells);
}

// A function on every cell of a 20,000-cell chain: each function's chain is
// one span of the one order they share, holding the cells up to its own in
// order; the compile step sizes every function and each runs to its value.
TEST(ReaderScale, FunctionsOverOneLongChainShareIt) {
  constexpr int kCells = 20000;
  Workbench w;
  Model_addVariableRange(w.ctx->tables.variables, RangeRef{1, 1, 1, 1, 1}, kVarContinuous);
  w.sheet.set("a1", "1");
  for (int row = 2; row <= kCells; ++row) {
    w.sheet.set("a" + std::to_string(row), "=a" + std::to_string(row - 1) + "+1");
    Model_addFunction(w.functions, 1, 1, static_cast<uint16_t>(row), kRelLessEqual2, 0.0);
  }
  ASSERT_TRUE(w.compileModel()) << int(w.ctx->errors.firstError);
  ASSERT_EQ(w.functions->array.size(), static_cast<size_t>(kCells - 1));
  for (int row = 2; row <= kCells; ++row) {
    const CellChain& chain = w.item(static_cast<size_t>(row) - 2)->leftChain;
    ASSERT_EQ(chain.spans().size(), 1u) << row;
    ASSERT_EQ(chain.size(), static_cast<size_t>(row - 1)) << row;
    ASSERT_EQ(chain.back(), w.cell(("a" + std::to_string(row)).c_str())) << row;
  }
  EXPECT_EQ(w.item(5)->leftChain.front(), w.cell("a2"));
  EXPECT_EQ(w.item(5)->leftChain[3], w.cell("a5"));
  ProgBudget budget{};
  ASSERT_TRUE(Prog_compile(&w.program, uint64_t{1} << 32, &budget)) << int(w.ctx->errors.firstError);
  // One tape node per cell: the last function counts every cell of the chain.
  EXPECT_EQ(w.functions->maxCellTape, kCells - 1);
  EXPECT_EQ(w.functions->maxFunctionTape, kCells);
  w.ctx->flags.mode = kModeReal;  // the variable a1 stands at 0
  EXPECT_DOUBLE_EQ(w.run(0)->number, 1.0);
  EXPECT_DOUBLE_EQ(w.run(kCells - 2)->number, kCells - 1);
}

// With linearised constructs the chains are gathered again after the
// helper rows: an ABS at the end of a 60,000-cell chain keeps the whole
// chain, each cell once, before it.
TEST(ReaderScale, ALinearisedLongChainKeepsEveryCellOnce) {
  constexpr int kCells = 60000;
  Workbench w;
  Model_addVariableRange(w.ctx->tables.variables, RangeRef{1, 1, 1, 1, 1}, kVarContinuous);
  Model_getVariable(w.ctx->tables.variables, 1)->bounds = Interval{-5, 5};
  w.sheet.set("a1", "0");
  w.sheet.set("b1", "=a1+1");
  for (int row = 2; row <= kCells; ++row) w.sheet.set("b" + std::to_string(row), "=b" + std::to_string(row - 1) + "+1");
  w.sheet.set("c1", "=ABS(b" + std::to_string(kCells) + ")");
  Model_addFunction(w.functions, 1, 3, 1, kRelMinimise, 0.0);
  ASSERT_TRUE(Reader_bindModel(w.reader, w.functions, w.ctx->tables.variables, kReaderBigM));
  ASSERT_TRUE(Parse_compileModel(w.reader)) << int(w.ctx->errors.firstError);
  const ModelItem* objective = w.functions->array.back();
  std::set<const Symbol*> distinct(objective->leftChain.begin(), objective->leftChain.end());
  EXPECT_EQ(distinct.size(), objective->leftChain.size());
  EXPECT_TRUE(distinct.count(w.cell("b1")));
  EXPECT_TRUE(distinct.count(w.cell(("b" + std::to_string(kCells)).c_str())));
}

// Pruning a 60,000-cell chain on a variable keeps every cell of it, in
// order, and drops the constant cell beside it.
TEST(ReaderScale, PruningALongChainKeepsItsCellsInOrder) {
  constexpr int kCells = 60000;
  Workbench w;
  Model_addVariableRange(w.ctx->tables.variables, RangeRef{1, 1, 1, 1, 1}, kVarContinuous);
  w.sheet.set("a1", "0");
  w.sheet.set("b1", "=a1+1");
  for (int row = 2; row <= kCells; ++row) w.sheet.set("b" + std::to_string(row), "=b" + std::to_string(row - 1) + "+1");
  w.sheet.set("c1", "=2*3");
  w.sheet.set("d1", "=b" + std::to_string(kCells) + "+c1");
  ASSERT_TRUE(w.compile({"d1"}));
  ASSERT_TRUE(Parse_pruneModel(w.reader, true)) << int(w.ctx->errors.firstError);
  const auto& chain = w.item(0)->leftChain;
  ASSERT_EQ(chain.size(), static_cast<size_t>(kCells + 1));
  EXPECT_EQ(chain.front(), w.cell("b1"));
  EXPECT_EQ(chain[kCells - 1], w.cell(("b" + std::to_string(kCells)).c_str()));
  EXPECT_EQ(chain.back(), w.cell("d1"));
  EXPECT_FALSE(Prog_hasCode(w.cell("c1")));
}

// Random overlapping ranges over two sheets: the distinct cells and the
// cells of a range that none covers agree with a cell-by-cell count.
TEST(ReaderScale, DistinctCellsMatchACellByCellCount) {
  std::mt19937 rng(7);
  EvalContext* ctx = Vm_createContext();
  SymbolTable* t = Prog_createSymbolTable(ctx);
  std::set<std::tuple<int, int, int>> cells;
  std::uniform_int_distribution<int> row(1, 60), column(1, 12), size(0, 9), sheet(1, 2);
  for (int k = 0; k < 200; ++k) {
    const int r = row(rng), c = column(rng), s = sheet(rng), h = size(rng), wd = size(rng) / 3;
    const RangeRef range{static_cast<uint8_t>(s), static_cast<uint16_t>(r), static_cast<uint8_t>(c),
                         static_cast<uint16_t>(r + h), static_cast<uint8_t>(c + wd)};
    Symbol* sym = Prog_addSymbol(t, kSpaceCell, u"r" + Text_fromUtf8(std::to_string(k)), u"");
    Vm_setRangeRef(&sym->value, &range);
    for (int i = range.firstRow; i <= range.lastRow; ++i)
      for (int j = range.firstColumn; j <= range.lastColumn; ++j) cells.insert({s, i, j});
  }
  int32_t formulas = -1;
  int64_t distinct = 0;
  ASSERT_TRUE(Prog_countCells(t, &formulas, &distinct));
  EXPECT_EQ(distinct, static_cast<int64_t>(cells.size()));
  const RangeRef probe{1, 10, 2, 50, 9};
  int64_t expected = 0, uncovered = -1;
  for (int i = probe.firstRow; i <= probe.lastRow; ++i)
    for (int j = probe.firstColumn; j <= probe.lastColumn; ++j) expected += cells.count({1, i, j}) ? 0 : 1;
  ASSERT_TRUE(Prog_countRangeCells(t, probe, &uncovered));
  EXPECT_EQ(uncovered, expected);
  Prog_freeSymbolTable(t);
  Vm_destroyContext(ctx);
}

}  // namespace
