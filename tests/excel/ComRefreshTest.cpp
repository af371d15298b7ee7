// Values the model takes from the workbook as they stand: references into
// other workbooks saved beside the model's, opened on demand, and the
// stored values of cells whose formulas the model does not compute, read
// again after the workbook has recalculated.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "excel/Com_Automation.h"
#include "excel/Com_Reader.h"
#include "excel/Com_Refresh.h"
#include "interpreter/Model_Structure.h"
#include "interpreter/Parse_Reader.h"
#include "interpreter/Vm_Machine.h"
#include "platform/automation/Auto.h"
#include "platform/workbook/Wb_Workbook.h"
#include "platform/xlsx/Xlsx.h"
#include "values/Model_Variables.h"
#include "values/Text_Convert.h"
#include "values/Val_Value.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

namespace fs = std::filesystem;

class ComRefreshTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Wb_resetApp();
    dir = fs::temp_directory_path() /
          ("corvan-refresh-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
    // The other book: Data!A1:B1 holds 5 and 7.
    Workbook* other = Wb_newWorkbook("other.xlsx");
    Sheet* data = Wb_addSheet(other, "Data");
    Wb_setValue(other, data, 0, 0, CellValue::makeNumber(5));
    Wb_setValue(other, data, 0, 1, CellValue::makeNumber(7));
    save(other, "other.xlsx");
    // The model's book: S (active) holds S!A1 = 2 and S!B1 = T!A1 + 1,
    // T!A1 = S!A1 * 3.
    Workbook* book = Wb_newWorkbook("main.xlsx");
    Sheet* s = Wb_addSheet(book, "S");
    Sheet* t = Wb_addSheet(book, "T");
    Wb_setValue(book, s, 0, 0, CellValue::makeNumber(2));
    Wb_setFormula(book, s, 0, 1, "=T!A1+1");
    Wb_setFormula(book, t, 0, 0, "=S!A1*3");
    save(book, "main.xlsx");

    ctx = Vm_createContext();
    ctx->tables.variables = Model_createVariableTable();
    ctx->tables.functions = Model_createFunctionTable();
    ea = Com_create(ctx);
    AutoObject* app = Auto_application();
    ASSERT_TRUE(Com_attachApplication(ea, app));
    Auto_release(app);
    ASSERT_TRUE(Com_openWorkbook(ea, Text_fromUtf8((dir / "main.xlsx").string()).c_str()));
    ASSERT_TRUE(Com_readSheets(ea));
    ASSERT_TRUE(Com_invoke(ea, ea->application, u"Calculate", nullptr, Auto_method, true, Auto_dispidUnknown));
    ASSERT_TRUE(Com_loadUsedRange(ea, ea->activeSheet));
    store = Prog_createSymbolTable(ctx);
    source = new ComReaderSource(ea);
    reader = Reader_create(ctx, store, source);
    Vm_initProgram(&program, ctx);
    ctx->flags.mode = kModeReal;
    ctx->flags.incremental = 0;  // every cell computed, none taken as stored
  }
  void TearDown() override {
    Vm_releaseProgram(&program);
    Reader_destroy(reader);
    delete source;
    Prog_freeSymbolTable(store);
    Com_destroy(ea);
    Model_freeFunctionTable(ctx->tables.functions);
    ctx->tables.functions = nullptr;
    Vm_destroyContext(ctx);
    Wb_resetApp();
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }
  void save(Workbook* wb, const char* name) {
    std::string error;
    ASSERT_TRUE(Xlsx_save(wb, (dir / name).string(), &error)) << error;
    Wb_closeWorkbook(wb);
  }
  // Compiles the formula as the model's function in cell S!C1 and runs it.
  const Value* run(const char16_t* formula) {
    EXPECT_TRUE(put(u"C1", formula));
    EXPECT_TRUE(Com_loadUsedRange(ea, ea->activeSheet));
    Model_addFunction(ctx->tables.functions, 1, 3, 1, kRelFree2, 0.0);
    Reader_bindModel(reader, ctx->tables.functions, ctx->tables.variables);
    ModelItem* item = ctx->tables.functions->array.back();
    Symbol* root = Parse_cellSymbol(reader, item->cell);
    if (ctx->errors.errorCount == 0) Parse_compileChain(reader, &item->leftChain, root);
    program.codeStore = store;
    return ctx->errors.errorCount == 0 ? Prog_runChain(&program, item->leftChain) : nullptr;
  }
  // Puts a number or a formula text into a cell of the active sheet.
  bool put(const char16_t* cell, const char16_t* formula) {
    Com_addArgString(ea, cell);
    bool ok =
        Com_invoke(ea, ea->sheets[ea->activeSheet], u"Range", &ea->result, Auto_propertyGet, true, Auto_dispidUnknown);
    Com_clearArgs(ea);
    if (!ok) return false;
    AutoObject* range = ea->result.dispatch;
    Auto_variantInit(&ea->result);
    Com_addArgString(ea, formula);
    ok = Com_invoke(ea, range, u"Formula", nullptr, Auto_propertyPut, true, Auto_dispidUnknown);
    Com_clearArgs(ea);
    Auto_release(range);
    return ok;
  }
  fs::path dir;
  EvalContext* ctx = nullptr;
  ExcelAutomation* ea = nullptr;
  SymbolTable* store = nullptr;
  ComReaderSource* source = nullptr;
  FormulaReader* reader = nullptr;
  Program program{};
};

// A reference into a book beside the model's is read from that book, which
// is opened for it; a book that cannot be opened ends with status 24, a
// book without the range with status 14.
TEST_F(ComRefreshTest, ExternalReferencesReadTheOtherBook) {
  Value v = Val_empty(ctx);
  ASSERT_EQ(Com_readExternal(ea, u"[other.xlsx]Data!a1:b1", &v), kStatusOk);
  ASSERT_EQ(v.kind, kValArray);
  EXPECT_EQ(Val_at(&v, 0, 0)->number, 5);
  EXPECT_EQ(Val_at(&v, 0, 1)->number, 7);
  EXPECT_EQ(Com_readExternal(ea, u"[missing.xlsx]Data!a1", &v), kStatusExternalName);
  EXPECT_EQ(Com_readExternal(ea, u"[other.xlsx]Nosheet!a1", &v), kStatusUndefinedIdentifier);
  ASSERT_EQ(Com_readExternal(ea, u"'[other.xlsx]data'!b1", &v), kStatusOk);
  EXPECT_EQ(v.number, 7);
  Val_clear(&v);

  const Value* got = run(u"=2*'[other.xlsx]Data'!B1+S!A1");
  ASSERT_NE(got, nullptr) << int(ctx->errors.firstError);
  EXPECT_EQ(got->number, 16);
}

TEST_F(ComRefreshTest, AnExternalBookThatCannotBeOpenedEndsWithStatus24AtItsCell) {
  EXPECT_EQ(run(u"='[missing.xlsx]Data'!A1+1"), nullptr);
  EXPECT_EQ(ctx->errors.firstError, kStatusExternalName);
  EXPECT_EQ(ctx->errors.errorCell.sheet, 1);
  EXPECT_EQ(ctx->errors.errorCell.row, 1);
  EXPECT_EQ(ctx->errors.errorCell.column, 3);
}

// With only the active sheet's formulas computed, T!A1 keeps its stored
// value; after the workbook recalculates, the refresh reads it again and
// marks it changed, and the model's function sees the new value.
TEST_F(ComRefreshTest, StoredValuesAreReadAgainAfterTheWorkbookRecalculates) {
  ctx->tables.functions->activeSheetFormulasOnly = 1;
  const Value* got = run(u"=T!A1*10+A1");
  ASSERT_NE(got, nullptr) << int(ctx->errors.firstError);
  EXPECT_EQ(got->number, 62);
  Symbol* t = Prog_findCell(store, CellRef{2, 1, 1});
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->refresh, 1);
  // A marked cell of the active sheet is read from its used range again.
  Symbol* a1 = Prog_findCell(store, CellRef{1, 1, 1});
  ASSERT_NE(a1, nullptr);
  a1->refresh = 1;
  ASSERT_TRUE(put(u"A1", u"4"));
  ASSERT_TRUE(Com_invoke(ea, ea->application, u"Calculate", nullptr, Auto_method, true, Auto_dispidUnknown));
  Prog_refreshArrays(&program);
  EXPECT_EQ(ctx->errors.errorCount, 0);
  EXPECT_EQ(t->mark, 1);
  EXPECT_EQ(t->value.number, 12);
  EXPECT_EQ(a1->mark, 1);
  EXPECT_EQ(a1->value.number, 4);
  EXPECT_EQ(Prog_symbolCell(a1).row, 1);  // still its cell
  got = Prog_runChain(&program, ctx->tables.functions->array.back()->leftChain);
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(got->number, 124);
  // Nothing changed since: the flag goes down.
  Prog_refreshArrays(&program);
  EXPECT_EQ(t->mark, 0);
}

// A sheet deleted after the workbook's sheets were read has cells that
// cannot be read: status 15 at the cell that reads them.
TEST_F(ComRefreshTest, CellsThatCannotBeReadRaiseARangeFailure) {
  ASSERT_TRUE(Com_invoke(ea, ea->sheets[2], u"Delete", nullptr, Auto_method, true, Auto_dispidUnknown));
  EXPECT_EQ(run(u"=T!A1*10"), nullptr);
  EXPECT_EQ(ctx->errors.firstError, kStatusRangeFailure);
  EXPECT_EQ(ctx->errors.errorCell.sheet, 2);
  EXPECT_EQ(ctx->errors.errorCell.row, 1);
  EXPECT_EQ(ctx->errors.errorCell.column, 1);
}

// A symbol whose sheet the workbook no longer has raises status 3 at its
// cell; one whose range the sheet does not give raises 14.
TEST_F(ComRefreshTest, RefreshingAMissingSheetRaisesStatus3) {
  Symbol s;
  s.value = Val_empty(ctx);
  const RangeRef beyond{9, 2, 2, 2, 2};
  Vm_setRangeRef(&s.value, &beyond);
  EXPECT_FALSE(Com_refreshSymbol(ea, &s));
  EXPECT_EQ(ctx->errors.firstError, kStatusOleError);
  EXPECT_EQ(ctx->errors.errorCell.sheet, 9);
  Vm_clearErrors(&ctx->errors);
  Symbol external;
  external.name = u"[missing.xlsx]Data!a1";
  external.value = Val_empty(ctx);
  EXPECT_FALSE(Com_refreshSymbol(ea, &external));
  EXPECT_EQ(ctx->errors.firstError, kStatusExternalName);
  Val_clear(&s.value);
  Val_clear(&external.value);
}

}  // namespace
