// The registry inside the stand-in application: the engine list of `Solve`
// action 8 (discovery beside the library, every listed engine test-loaded,
// the (display name, add-in file) rows written into the front end's
// "solver_tbl" range) and the engine the workbook's "solver_eng" chooses.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>

#include "entry/Eng_Registry.h"
#include "entry/Entry_Context.h"
#include "platform/workbook/Wb_Workbook.h"
#include "platform/xlcall/Xlc_Host.h"
#include "tests/support/ScratchTest.h"

namespace {

class EngineList : public ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    Xlc_resetHost();
    Os_clearMessageBoxes();
    addin = Wb_newWorkbook("CORVAN.XLA");
    front = Wb_addSheet(addin, "Front");
    book = Wb_newWorkbook("Model.xlsx");
    Wb_addSheet(book, "Model");
    Xlc_setCallerSheet(addin, 0);
    context = std::make_unique<LibraryContext>();
    std::string directory = dir_.string() + "/";
    std::strcpy(context->directory, directory.c_str());
    context->directoryLength = static_cast<std::int32_t>(directory.size());
    context->currentEngine = -1;
    context->engineCount = 5;
  }
  void TearDown() override {
    EXPECT_EQ(Xlc_liveBlocks(), 0u);
    Os_clearMessageBoxes();
    Xlc_resetHost();
    ScratchTest::TearDown();
  }
  void add(const char* plugin, const std::string& name) {
    std::filesystem::copy_file(std::string(CORVAN_OUT) + "/" + plugin, dir_ / name);
  }
  std::string text(const char* a1) {
    int row = 0, col = 0;
    Wb_parseA1(a1, &row, &col);
    const Cell* cell = Wb_findCell(front, row, col);
    return cell && cell->value.kind == CellKind::Text ? cell->value.text : "<none>";
  }

  Workbook* addin = nullptr;
  Workbook* book = nullptr;
  Sheet* front = nullptr;
  std::unique_ptr<LibraryContext> context;
};

}  // namespace

TEST_F(EngineList, RowsGoIntoTheEngineTableRange) {
  Wb_defineName(addin, {"solver_tbl", "Front!$D$3:$E$30", -1, false});
  add("TESTENG.DLL", "TESTENG.DLL");
  add("BADENG.DLL", "BADENG.DLL");
  EXPECT_EQ(Eng_writeEngineList(context.get()), 6);
  EXPECT_EQ(text("D3"), "Standard GRG Nonlinear  ");
  EXPECT_EQ(text("E3"), "KVAENG.XLA");
  EXPECT_EQ(text("D7"), "Standard SOCP Barrier");
  EXPECT_EQ(text("E7"), "FAWNENG.XLA");
  EXPECT_EQ(text("D8"), "Test Engine");
  EXPECT_EQ(text("E8"), "TESTENG.XLA");
  EXPECT_EQ(text("D9"), "<none>");
  EXPECT_STREQ(context->engineFiles[5], "TESTENG.DLL");
  EXPECT_EQ(context->engineInfos[5].limits[0], 100);  // test-loaded
  ASSERT_EQ(Os_messageBoxes().size(), 1u);
  EXPECT_EQ(Os_messageBoxes()[0].caption, "BADENG.DLL");
}

TEST_F(EngineList, NoRangeOrAFailingEngineListsNothing) {
  EXPECT_EQ(Eng_writeEngineList(context.get()), 0);  // "solver_tbl" not defined
  Wb_defineName(addin, {"solver_tbl", "Front!$D$3:$E$30", -1, false});
  add("FAILENG.DLL", "FAILENG.DLL");
  EXPECT_EQ(Eng_writeEngineList(context.get()), 0);
  EXPECT_EQ(text("D3"), "<none>");
  ASSERT_EQ(Os_messageBoxes().size(), 2u);
  EXPECT_EQ(Os_messageBoxes()[0].caption, "Solver Engine DLL Error");
}

TEST_F(EngineList, WorkbookChoosesTheEngineOfANegativeIndex) {
  Wb_defineName(book, {"solver_eng", "3", -1, false});
  EXPECT_EQ(Eng_loadAndRun(context.get(), context.get(), -1, 0), 0);
  EXPECT_EQ(context->currentEngine, 2);
  EXPECT_EQ(context->engineInfos[2].capabilities, 0x73C0u);

  Wb_defineName(book, {"solver_eng", "7", -1, false});  // plug-in index 6, none listed
  EXPECT_EQ(Eng_loadAndRun(context.get(), context.get(), -1, 1), StatusHostFailure);
  EXPECT_EQ(context->currentEngine, 6);
  EXPECT_EQ(Os_messageBoxes().size(), 2u);

  Os_clearMessageBoxes();
  Wb_defineName(book, {"solver_eng", "-4", -1, false});  // names no engine
  EXPECT_EQ(Eng_loadAndRun(context.get(), context.get(), -1, 1), StatusBadModel);
  EXPECT_EQ(context->currentEngine, -1);
  EXPECT_TRUE(Os_messageBoxes().empty());
}
