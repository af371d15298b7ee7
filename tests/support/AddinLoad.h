// Loads a workbook written for other add-ins into the interpreter's model
// through the automation layer, with the reader's import options, and
// looks at what the load built.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "excel/Com_Automation.h"
#include "excel/Com_Reader.h"
#include "interpreter/Load_Model.h"
#include "interpreter/Model_Structure.h"
#include "interpreter/Parse_Reader.h"
#include "platform/automation/Auto.h"
#include "tests/support/AddinBooks.h"
#include "values/Model_Functions.h"
#include "values/Model_Variables.h"
#include "values/Text_Convert.h"
#include "values/Vm_Context.h"

class AddinLoadTest : public ::testing::Test {
 protected:
  void SetUp() override { Wb_resetApp(); }
  void TearDown() override {
    source.reset();
    if (ea) Com_destroy(ea);
    Load_freeModel(ctx);
    ea = nullptr;
    ctx = nullptr;
    Wb_resetApp();
  }
  int32_t load(const AddinBook& book, uint32_t flags) {
    book.open();
    ctx = Load_createContext(nullptr);
    ea = Com_create(ctx);
    AutoObject* app = Auto_application();
    EXPECT_TRUE(Com_attachApplication(ea, app));
    Auto_release(app);
    EXPECT_TRUE(Com_openWorkbook(ea, nullptr) && Com_readSheets(ea));
    source = std::make_unique<ComReaderSource>(ea);
    LoadRequest rq;
    rq.importFlags = flags;
    return Load_model(ctx, source.get(), rq, &report);
  }
  // Loads a second book in the same test.
  int32_t reload(const AddinBook& book, uint32_t flags) {
    TearDown();
    SetUp();
    return load(book, flags);
  }
  // The variable of cell (row, column) of Plan.
  const VarRecord& var(int row, int column) {
    const int32_t j =
        Model_findVariable(ctx->tables.variables, 1, static_cast<uint16_t>(row), static_cast<uint8_t>(column));
    EXPECT_GT(j, 0) << row << "," << column;
    return *Model_getVariable(ctx->tables.variables, j > 0 ? j : 1);
  }
  const ModelItem& item(int k) { return *ctx->tables.functions->array[static_cast<size_t>(k)]; }
  std::string failure() const { return Text_toUtf8(report.imported.failure); }

  EvalContext* ctx = nullptr;
  ExcelAutomation* ea = nullptr;
  std::unique_ptr<ComReaderSource> source;
  LoadReport report;
};

inline void expectCell(const CellRef& c, int row, int column) {
  EXPECT_EQ(c.sheet, 1);
  EXPECT_EQ(c.row, row);
  EXPECT_EQ(c.column, column);
}
