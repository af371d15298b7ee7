// The interpreter compiling shared workbooks through the automation layer:
// every formula it compiles gives, at the start point, the value the
// workbook's own recalculation gives; a formula it refuses fails alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "excel/Com_Automation.h"
#include "excel/Com_Reader.h"
#include "interpreter/Model_Structure.h"
#include "interpreter/Parse_Reader.h"
#include "interpreter/Vm_Machine.h"
#include "platform/automation/Auto.h"
#include "platform/workbook/Wb_Workbook.h"
#include "values/Model_Variables.h"
#include "values/Text_Convert.h"
#include "values/Val_Value.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

struct Counts {
  int compiled = 0, refused = 0;
};

class ComReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Wb_resetApp();
    comCtx = Vm_createContext();
    ea = Com_create(comCtx);
    AutoObject* app = Auto_application();
    ASSERT_TRUE(Com_attachApplication(ea, app));
    Auto_release(app);
  }
  void TearDown() override {
    Com_destroy(ea);
    Vm_destroyContext(comCtx);
    Wb_resetApp();
  }
  // Opens the workbook; with moveStart its decision variables leave the stored
  // start (an LP's is all zero) for 0.5, 0.75, 1, ... so every value counts.
  bool open(const std::string& path, bool moveStart) {
    if (!Com_openWorkbook(ea, Text_fromUtf8(path).c_str()) || !Com_readSheets(ea)) return false;
    std::u16string adj;
    RangeRef vars{};
    if (!Com_getNameValue(ea, u"solver_adj", &adj, ea->activeSheet) ||
        !Com_parseReference(ea, adj[0] == u'=' ? adj.substr(1) : adj, &vars) || vars.sheet == 0)
      return false;
    double x = moveStart ? 0.5 : 0.0;
    for (int r = vars.firstRow; r <= vars.lastRow; ++r)
      for (int c = vars.firstColumn; c <= vars.lastColumn; ++c, x += 0.25)
        if (moveStart && !put(vars.sheet, r, c, x)) return false;
    return recalculate();
  }
  bool recalculate() {
    const bool ok = Com_invoke(ea, ea->application, u"Calculate", nullptr, Auto_method, true, Auto_dispidUnknown);
    return ok && Com_loadUsedRange(ea, ea->activeSheet);
  }

  // Puts a number, or a formula text, into one cell.
  bool put(int32_t sheet, int32_t row, int32_t column, double x, const char16_t* formula = nullptr) {
    const RangeRef at{static_cast<uint8_t>(sheet), static_cast<uint16_t>(row), static_cast<uint8_t>(column),
                      static_cast<uint16_t>(row), static_cast<uint8_t>(column)};
    Com_addArgString(ea, Com_rangeToA1(at, false).c_str());
    bool ok = Com_invoke(ea, ea->sheets[sheet], u"Range", &ea->result, Auto_propertyGet, true, Auto_dispidUnknown);
    Com_clearArgs(ea);
    if (!ok) return false;
    AutoObject* cell = ea->result.dispatch;
    Auto_variantInit(&ea->result);
    if (formula) Com_addArgString(ea, formula);
    else Com_addArgReal(ea, x);
    ok = Com_invoke(ea, cell, formula ? u"Formula" : u"Value", nullptr, Auto_propertyPut, true, Auto_dispidUnknown);
    Com_clearArgs(ea);
    Auto_release(cell);
    return ok;
  }

  // Compiles each formula cell of the active sheet on its own and compares
  // its value with the workbook's.
  Counts compareActiveSheet() {
    Counts counts;
    const int32_t sheet = ea->activeSheet;
    EvalContext* ctx = Vm_createContext();
    ctx->tables.variables = Model_createVariableTable();
    SymbolTable* store = Prog_createSymbolTable(ctx);
    FunctionTable* functions = Model_createFunctionTable();
    ComReaderSource source(ea);
    FormulaReader* reader = Reader_create(ctx, store, &source);
    for (int32_t r = ea->usedFirstRow; r <= ea->usedLastRow; ++r)
      for (int32_t c = ea->usedFirstColumn; c <= ea->usedLastColumn; ++c) {
        std::u16string text;
        Value value{};
        Com_cellFormula(ea, r, c, &value, &text);
        Val_clear(&value);
        if (!text.empty())
          Model_addFunction(functions, static_cast<uint8_t>(sheet), static_cast<uint8_t>(c),
                            static_cast<uint16_t>(r), kRelFree2, 0.0);
      }
    Reader_bindModel(reader, functions, ctx->tables.variables);
    Program program{};
    Vm_initProgram(&program, ctx);
    ctx->flags.mode = kModeReal;
    for (ModelItem* item : functions->array) {
      Vm_clearErrors(&ctx->errors);
      Symbol* root = Parse_cellSymbol(reader, item->cell);
      if (ctx->errors.errorCount == 0) Parse_compileChain(reader, &item->leftChain, root);
      const Value* got = ctx->errors.errorCount == 0 ? Prog_runChain(&program, item->leftChain) : nullptr;
      if (!got || ctx->errors.errorCount != 0 || (got->kind != kValReal && got->kind != kValInt)) {
        ++counts.refused;
        continue;
      }
      if (ea->usedSheet != sheet) Com_loadUsedRange(ea, sheet);
      Value want{};
      if (!Com_usedValue(ea, item->cell.row, item->cell.column, &want)) {
        ADD_FAILURE() << "no workbook value at row " << item->cell.row;
        continue;
      }
      EXPECT_NEAR(got->number, want.number, 1e-12 * std::max(1.0, std::fabs(want.number)))
          << "row " << item->cell.row << " column " << int(item->cell.column);
      Val_clear(&want);
      ++counts.compiled;
    }
    Vm_releaseProgram(&program);
    Reader_destroy(reader);
    Prog_freeSymbolTable(store);
    Model_freeFunctionTable(functions);
    Vm_destroyContext(ctx);
    return counts;
  }
  EvalContext* comCtx = nullptr;
  ExcelAutomation* ea = nullptr;
};

TEST_F(ComReaderTest, CompiledFormulasGiveTheWorkbooksValuesAtTheStartPoint) {
  // Every nonlinear workbook and the smaller LP ones (the large LPs add
  // only time under the sanitizers).
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(std::string(CORVAN_DATA) + "/nlp"))
    if (entry.path().extension() == ".xlsx") names.push_back(entry.path().string());
  ASSERT_FALSE(names.empty());
  for (const char* lp : {"afiro", "sc50a", "sc50b", "kb2", "adlittle", "blend", "share2b", "p0033", "flugpl"})
    names.push_back(std::string(CORVAN_DATA) + "/lp/" + lp + ".xlsx");
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(open(name, name.find("/lp/") != std::string::npos));
    const Counts counts = compareActiveSheet();
    EXPECT_GT(counts.compiled, 0);
  }
}

TEST_F(ComReaderTest, ARefusedFormulaFailsAloneAndLeavesTheOthers) {
  ASSERT_TRUE(open(CORVAN_DATA "/nlp/hs71.xlsx", false));
  const Counts before = compareActiveSheet();
  ASSERT_TRUE(put(ea->activeSheet, 20, 8, 0.0, u"=NOSUCHFUNCTION(B2)+B6"));
  ASSERT_TRUE(recalculate());
  const Counts after = compareActiveSheet();
  EXPECT_EQ(before.refused, 0);
  EXPECT_EQ(after.compiled, before.compiled);
  EXPECT_EQ(after.refused, 1);
}

// Sums and counts over a range of four million cells, most of them empty,
// read through the automation layer by their used cells only, give the
// workbook's values; a range spelled from its bottom right corner is the
// same range.
TEST_F(ComReaderTest, LargeMostlyEmptyRangesGiveTheWorkbooksValues) {
  ASSERT_TRUE(open(CORVAN_DATA "/nlp/hs71.xlsx", false));
  const Counts before = compareActiveSheet();
  ASSERT_TRUE(put(ea->activeSheet, 16001, 1, 0.0, u"=SUM(A1:IU16000)+COUNT(IU16000:A1)+MAX(B2:IU16000)"));
  ASSERT_TRUE(recalculate());
  const Counts after = compareActiveSheet();
  EXPECT_EQ(after.compiled, before.compiled + 1);
  EXPECT_EQ(after.refused, before.refused);
}

// Every cell of a sheet read through the source gives the formula the
// workbook holds (the block's for a cell of an array block) and nothing for
// a constant, however its tile's formulas are read: scattered over the
// tile, absent from it, or in a few rectangles (an array block, two blocks
// one above the other, a block across two tiles, a column of formulas)
// beside a text constant that starts with "=".
TEST_F(ComReaderTest, EveryCellReadsBackItsFormulaWhateverItsTileHolds) {
  constexpr int kRows = 100;  // tall enough that the last tile's few rectangles are read apart
  Workbook* wb = Wb_newWorkbook("tiles.xlsx");
  Sheet* sh = Wb_addSheet(wb, "S");
  for (int row = 0; row < kRows; ++row)
    for (int column = 0; column < 48; ++column) {
      const bool scattered = column < 16 && (row + column) % 2 == 0;
      if (scattered) Wb_setFormula(wb, sh, row, column, "=" + Wb_a1(row, column + 1) + "*2");
      else Wb_setValue(wb, sh, row, column, CellValue::makeNumber(row * 100 + column));
    }
  for (int row = 4; row < 20; ++row) Wb_setFormula(wb, sh, row, 39, "=AG" + std::to_string(row + 1) + "+1");
  ASSERT_TRUE(Wb_setArrayFormula(wb, sh, CellRange{0, 1, 33, 3, 36}, "=AG1:AJ3*3"));
  // Two blocks one above the other make one rectangle of formula cells.
  ASSERT_TRUE(Wb_setArrayFormula(wb, sh, CellRange{0, 30, 33, 31, 35}, "=AG1:AI2+1"));
  ASSERT_TRUE(Wb_setArrayFormula(wb, sh, CellRange{0, 32, 33, 34, 35}, "=AG1:AI3-1"));
  // A block across two tiles, each reading its part.
  ASSERT_TRUE(Wb_setArrayFormula(wb, sh, CellRange{0, 59, 29, 61, 34}, "=AG1:AL3/2"));
  for (int column : {3, 20, 44}) Wb_setValue(wb, sh, 30, column, CellValue::makeText("=abc"));
  ASSERT_TRUE(Com_openWorkbook(ea, nullptr) && Com_readSheets(ea));
  ComReaderSource source(ea);
  for (uint16_t row = 1; row <= kRows; ++row)
    for (uint8_t column = 1; column <= 48; ++column) {
      const Cell* cell = Wb_findCell(sh, row - 1, column - 1);
      ASSERT_NE(cell, nullptr);
      const std::string want = cell->arrayBlock >= 0 ? sh->arrays[cell->arrayBlock].formula : cell->formula;
      Value value{};
      ReaderCell info;
      ASSERT_TRUE(source.readCell(CellRef{1, row, column}, &value, &info));
      EXPECT_EQ(info.formula, Text_fromUtf8(want)) << Wb_a1(row - 1, column - 1);
      EXPECT_EQ(info.isArray, cell->arrayBlock >= 0) << Wb_a1(row - 1, column - 1);
      if (cell->value.kind == CellKind::Number && cell->formula.empty() && cell->arrayBlock < 0) {
        EXPECT_EQ(value.number, cell->value.number) << Wb_a1(row - 1, column - 1);
      }
      Val_clear(&value);
    }
  struct Corner {
    CellRef cell;
    RangeRef block;
  };
  for (const Corner& c :
       {Corner{CellRef{1, 4, 37}, RangeRef{1, 2, 34, 4, 37}}, Corner{CellRef{1, 33, 35}, RangeRef{1, 33, 34, 35, 36}},
        Corner{CellRef{1, 62, 34}, RangeRef{1, 60, 30, 62, 35}}}) {
    ReaderCell info;
    Value value{};
    ASSERT_TRUE(source.readCell(c.cell, &value, &info));
    Val_clear(&value);
    EXPECT_EQ(Model_rangeText(info.block), Model_rangeText(c.block));
    EXPECT_EQ(info.arrayRow, c.cell.row - c.block.firstRow);
    EXPECT_EQ(info.arrayColumn, c.cell.column - c.block.firstColumn);
  }
}

// A sheet across two tiles' columns: numbers, texts (one starting with
// "="), empty cells, formula cells and array blocks, one of them across
// the tiles' border.
Sheet* mixedSheet(Workbook* wb, const char* name) {
  Sheet* sh = Wb_addSheet(wb, name);
  for (int row = 0; row < 12; ++row)
    for (int column = 0; column < 40; ++column) {
      if ((row * 7 + column) % 9 == 0) continue;  // empty
      if ((row + column) % 11 == 0) Wb_setFormula(wb, sh, row, column, "=A1+" + std::to_string(column));
      else if ((row * 3 + column) % 13 == 0)
        Wb_setValue(wb, sh, row, column, CellValue::makeText("t" + std::to_string(row)));
      else Wb_setValue(wb, sh, row, column, CellValue::makeNumber(row * 100 + column + 0.5));
    }
  Wb_setValue(wb, sh, 5, 2, CellValue::makeText("=abc"));
  Wb_setArrayFormula(wb, sh, CellRange{0, 2, 13, 4, 19}, "=A1:G3*2");
  Wb_setArrayFormula(wb, sh, CellRange{0, 7, 30, 8, 30}, "=B1:B2");
  return sh;
}

// Whether two values are of one kind and hold the same number or text.
bool sameValue(const Value& a, const Value& b) {
  if (a.kind != b.kind) return false;
  if (a.kind == kValText) return std::u16string(a.text ? a.text : u"") == std::u16string(b.text ? b.text : u"");
  return a.number == b.number;
}

// Longest runs read, along a row and down a column, and runs of array-block
// cells met.
struct RunsSeen {
  int32_t along = 0, down = 0, blocks = 0;
};

// Reads a run of cells at once and each of its cells alone: the same values,
// and for a run of array-block cells the block and each cell's place in it;
// a run of constants holds no formula cell.
void expectRunAsItsCells(ReaderSource* runs, ReaderSource* cells, const CellRef& first, int32_t count, bool down,
                         RunsSeen* seen) {
  std::vector<Value> values(static_cast<size_t>(count), Value{});
  ReaderCell run;
  const int32_t n = runs->readRun(first, count, down, values.data(), &run);
  ASSERT_LE(n, count);
  (down ? seen->down : seen->along) = std::max(down ? seen->down : seen->along, n);
  seen->blocks += run.isArray ? 1 : 0;
  for (int32_t k = 0; k < n; ++k) {
    const CellRef at{first.sheet, static_cast<uint16_t>(first.row + (down ? k : 0)),
                     static_cast<uint8_t>(first.column + (down ? 0 : k))};
    Value want{};
    ReaderCell info;
    ASSERT_TRUE(cells->readCell(at, &want, &info));
    const std::string where = Text_toUtf8(Model_rangeText(RangeRef{at.sheet, at.row, at.column, at.row, at.column}));
    EXPECT_TRUE(sameValue(values[static_cast<size_t>(k)], want)) << where;
    EXPECT_EQ(info.formula, run.formula) << where;
    EXPECT_EQ(info.isArray, run.isArray) << where;
    EXPECT_EQ(Model_rangeText(info.block), Model_rangeText(run.block)) << where;
    EXPECT_EQ(info.arrayRow, run.isArray && down ? run.arrayRow + k : run.arrayRow) << where;
    EXPECT_EQ(info.arrayColumn, run.isArray && !down ? run.arrayColumn + k : run.arrayColumn) << where;
    Val_clear(&want);
  }
  for (Value& v : values) Val_clear(&v);
}

// Every run of cells, along a row or down a column, reads as its cells one
// by one, on a sheet of mixed cells and on one whose formulas count for
// nothing, where every cell reads as a constant.
TEST_F(ComReaderTest, ARunOfCellsReadsAsItsCellsOneByOne) {
  Workbook* wb = Wb_newWorkbook("runs.xlsx");
  mixedSheet(wb, "S1");
  mixedSheet(wb, "S2");
  ASSERT_TRUE(Com_openWorkbook(ea, nullptr) && Com_readSheets(ea));
  FunctionTable* functions = Model_createFunctionTable();
  functions->activeSheetFormulasOnly = 1;
  comCtx->tables.functions = functions;
  ComReaderSource runs(ea), cells(ea);
  RunsSeen seen;
  for (uint8_t sheet = 1; sheet <= 2; ++sheet)
    for (uint16_t row = 1; row <= 12; ++row)
      for (uint8_t column = 1; column <= 40; ++column)
        for (bool down : {false, true})
          for (int32_t count : {1, 4, down ? 12 - row + 1 : 40 - column + 1})
            expectRunAsItsCells(&runs, &cells, CellRef{sheet, row, column}, count, down, &seen);
  comCtx->tables.functions = nullptr;
  Model_freeFunctionTable(functions);
  EXPECT_EQ(seen.along, 16);  // a tile's row of constants on the second sheet
  EXPECT_EQ(seen.down, 12);   // a column of constants there
  EXPECT_GT(seen.blocks, 0);
}

// The source's cells one by one, never a run.
struct CellByCell : ReaderSource {
  ReaderSource* inner;
  explicit CellByCell(ReaderSource* source) : inner(source) {}
  bool resolve(uint8_t sheet, const std::u16string& text, LoadNamed* named) override {
    return inner->resolve(sheet, text, named);
  }
  bool readCell(const CellRef& cell, Value* value, ReaderCell* info) override {
    return inner->readCell(cell, value, info);
  }
  bool usedArea(uint8_t sheet, RangeRef* area) override { return inner->usedArea(sheet, area); }
};

// What compiling a cell gives: the values of ranges it reads, element by
// element, the names of those ranges' precedents and the cell's value.
struct Compiled {
  std::vector<std::string> elements;
  std::vector<std::u16string> precedents;
  double value = 0.0;
};

std::string textOf(const Value& v) {
  return std::to_string(v.kind) + ":" + (v.kind == kValText ? Text_toUtf8(v.text) : std::to_string(v.number));
}

Compiled compileWith(ReaderSource* source, const CellRef& root, std::initializer_list<RangeRef> ranges) {
  Compiled out;
  EvalContext* ctx = Vm_createContext();
  ctx->tables.variables = Model_createVariableTable();
  SymbolTable* store = Prog_createSymbolTable(ctx);
  FunctionTable* functions = Model_createFunctionTable();
  Model_addFunction(functions, root.sheet, root.column, root.row, kRelFree2, 0.0);
  FormulaReader* reader = Reader_create(ctx, store, source);
  Reader_bindModel(reader, functions, ctx->tables.variables);
  Program program{};
  Vm_initProgram(&program, ctx);
  ctx->flags.mode = kModeReal;
  ModelItem* item = functions->array[0];
  Parse_compileChain(reader, &item->leftChain, Parse_cellSymbol(reader, root));
  const Value* got = ctx->errors.errorCount == 0 ? Prog_runChain(&program, item->leftChain) : nullptr;
  out.value = got ? got->number : -1.0;
  for (const RangeRef& range : ranges) {
    const std::u16string name = u"s" + Text_fromUtf8(std::to_string(range.sheet)) + u"!" + Model_rangeText(range);
    const Symbol* s = Prog_findSymbol(store, kSpaceCell, name);
    for (int32_t i = 0; s && s->value.kind == kValArray && i < s->value.array->rows; ++i)
      for (int32_t j = 0; j < s->value.array->columns; ++j) out.elements.push_back(textOf(*Val_at(&s->value, i, j)));
    for (size_t k = 0; s && k < s->precedents.size(); ++k) out.precedents.push_back(s->precedents[k]->name);
  }
  Vm_releaseProgram(&program);
  Reader_destroy(reader);
  Prog_freeSymbolTable(store);
  Model_freeFunctionTable(functions);
  Vm_destroyContext(ctx);
  return out;
}

// Ranges over constants, formula cells and array blocks across tiles, and
// columns through array blocks, compile from runs of cells as from their
// cells one by one: the same elements, the same precedents in the same
// order, the same value.
TEST_F(ComReaderTest, RangesCompileFromRunsAsFromTheirCellsOneByOne) {
  Workbook* wb = Wb_newWorkbook("runs.xlsx");
  Sheet* sh = mixedSheet(wb, "S1");
  Wb_setFormula(wb, sh, 0, 41, "=SUM(A1:AN12)+COUNT(A1:AN12)+SUM(N1:N12)*2+SUM(AE1:AE12)*3");
  ASSERT_TRUE(Com_openWorkbook(ea, nullptr) && Com_readSheets(ea) && recalculate());
  const CellRef root{1, 1, 42};
  const RangeRef all{1, 1, 1, 12, 40}, column{1, 1, 14, 12, 14}, another{1, 1, 31, 12, 31};
  ComReaderSource runs(ea), inner(ea);
  CellByCell cells(&inner);
  const Compiled a = compileWith(&runs, root, {all, column, another});
  const Compiled b = compileWith(&cells, root, {all, column, another});
  ASSERT_EQ(a.elements.size(), 480u + 12u + 12u);
  EXPECT_EQ(a.elements, b.elements);
  EXPECT_EQ(a.precedents, b.precedents);
  EXPECT_GT(a.precedents.size(), 2u);
  EXPECT_EQ(a.value, b.value);
  Value want{};
  ASSERT_TRUE(Com_usedValue(ea, 1, 42, &want));
  EXPECT_NEAR(a.value, want.number, 1e-9 * std::fabs(want.number));
}

}  // namespace
