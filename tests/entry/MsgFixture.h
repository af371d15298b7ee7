// The model workbook with an objective cell B5 in a number format of its own,
// the front end's add-in workbook with its message names, result range and
// "Show" macro, a library context, and a clock the tests drive.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "entry/Entry_Context.h"
#include "entry/Msg_Status.h"
#include "excel/Names_Model.h"
#include "platform/os/Os.h"
#include "tests/support/ModelFixture.h"

inline std::uint32_t g_msgFixtureTick = 0;

class MsgFixture : public ModelFixture {
 protected:
  void SetUp() override {
    ModelFixture::SetUp();
    g_msgFixtureTick = 1000000;
    Os_setTickSource([] { return g_msgFixtureTick; });
    addIn = Wb_newWorkbook("CORVAN.XLA");
    Wb_addSheet(addIn, "Corvan");
    const char* const labels[][2] = {{"msg_setup", "Setting up..."}, {"msg_trial", "Trial"},
                                     {"msg_branch", "Subproblem:"},  {"msg_incumb", "Incumbent:"},
                                     {"msg_setcell", "Value"},       {"msg_feasible", "Feasible: "},
                                     {"msg_limits", "Limits: "},     {"msg_done", "% done"},
                                     {"msg_bound", "Bound:"},        {"msg_gap", "Gap:"},
                                     {"msg_stall", "No improvement for"}};
    for (const auto& [name, text] : labels) label(name, text);
    addInName("solver_tbl", "Corvan!$A$1:$B$20");
    Xlc_setCallerSheet(addIn, 0);
    Wb_app().activeWorkbook = 0;   // the model's workbook
    number("B5", 1234.5);
    objectiveFormat("#,##0.00");
    name("solver_opt", "Model!$B$5");
    name("solver_typ", "1");
    name("solver_num", "0");
    context.savedCalcMode = 1;
    context.robustMode = -1;
    context.currentEngine = -1;
  }
  void TearDown() override {
    Msg_freeMessageNames(&context);
    Names_freeConstraints(context.constraints);
    Os_setTickSource(nullptr);
    ModelFixture::TearDown();
  }

  // A fresh fixture within one test, for tests looping over runs.
  void restart() {
    TearDown();
    context = LibraryContext{};
    reasons.clear();
    SetUp();
  }
  void objectiveFormat(const std::string& format) {
    sheet->cells.at(Wb_cellKey(4, 1)).numberFormat = format;
  }
  // A label; an empty text removes the name.
  void label(const std::string& name, const std::string& text) {
    if (text.empty()) Wb_deleteName(addIn, name, 0);
    else addInName(name, "\"" + text + "\"");
  }
  void addInName(const std::string& name, const std::string& definition) {
    Wb_defineName(addIn, DefinedName{name, definition, 0, false});
  }
  // A name of the model's workbook.
  void modelName(const std::string& text, const std::string& definition) { name(text, definition); }
  // The "Show" macro on the add-in sheet, answering `answer` and noting
  // each reason it is asked with.
  void defineShow(double answer) {
    addInName("Show", "Corvan!$D$1");
    Xlc_registerMacro("Show", [this, answer](const std::vector<CellValue>& args) {
      reasons.push_back(!args.empty() && args[0].kind == CellKind::Number ? args[0].number : -1);
      return CellValue::makeNumber(answer);
    });
  }
  // The names read and the model's objective, as a session has them (a
  // session begun again replaces the model read before).
  void openSession() {
    ASSERT_EQ(Msg_readMessageNames(&context), 1);
    Names_freeConstraints(context.constraints);
    context.constraints = Names_readConstraints(&context);
    ASSERT_NE(context.constraints, nullptr);
  }
  void advance(std::uint32_t ms) { g_msgFixtureTick += ms; }
  const std::vector<std::string>& shown() const { return Wb_app().statusHistory; }
  std::string lastShown() const { return shown().empty() ? std::string() : shown().back(); }

  Workbook* addIn = nullptr;
  LibraryContext context{};
  std::vector<double> reasons;
};
