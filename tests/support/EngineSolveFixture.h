// Test fixture for the engines run by the library end to end: the five
// built-in engines listed as the front end would have them, the front end's
// "Show" macro, a clock that moves on by a fixed step whenever it is read,
// and models of two variables named cell by cell with their bounds and rows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "contract/Eng_Engine.h"
#include "tests/support/SessionFixture.h"

class EngineSolveFixture : public SessionLibrary {
 protected:
  void SetUp() override {
    SessionLibrary::SetUp();
    if (context) context->engineCount = 5;
    Os_clearMessageBoxes();
  }
  void TearDown() override {
    Os_setTickSource(nullptr);
    Os_clearMessageBoxes();
    SessionLibrary::TearDown();
  }
  // A run that ended without fault.
  static bool normalEnd(int status) {
    return status == StatusSolved || status == StatusConverged || status == StatusNoProgress;
  }
  // The front end's "Show" macro, answering `answer` (1 continue, 2 stop)
  // and noting in `reasons` the reasons it is asked with.
  void defineShow(double answer) {
    Wb_defineName(addIn, DefinedName{"Show", "Corvan!$D$1", 0, false});
    Xlc_registerMacro("Show", [this, answer](const std::vector<CellValue>& args) {
      reasons.push_back(!args.empty() && args[0].kind == CellKind::Number ? args[0].number : -1);
      return CellValue::makeNumber(answer);
    });
  }
  std::vector<double> reasons;
  // From now on each reading of the clock moves it on by `step` ms.
  static void movingClock(std::uint32_t step) {
    tickStep() = step;
    Os_setTickSource(tick);
  }
  // A new model: variables A1:B1 from (x, y), objective C1 = `objective` of
  // `type` (1 maximise, 2 minimise, 3 value of) for engine `engine`, and
  // `rows` constraint rows to be named.
  void twoVariables(const std::string& objective, int type, int engine, int rows, double x = 0, double y = 0) {
    newModel();
    number("A1", x);
    number("B1", y);
    formula("C1", objective);
    name("solver_adj", "Model!$A$1:$B$1");
    name("solver_opt", "Model!$C$1");
    name("solver_typ", std::to_string(type));
    name("solver_eng", std::to_string(engine));
    name("solver_num", std::to_string(rows));
  }
  // Rows `first` and `first` + 1: lower <= cells <= upper.
  void bounds(int first, const std::string& cells, double lower, double upper) {
    row(first, cells, 3, lower);
    row(first + 1, cells, 1, upper);
  }
  void row(int index, const std::string& cells, int relation, double rhs) {
    row(index, cells, relation, std::to_string(rhs));
  }
  void row(int index, const std::string& cells, int relation, const std::string& rhs) {
    std::string i = std::to_string(index);
    name("solver_lhs" + i, cells);
    name("solver_rel" + i, std::to_string(relation));
    name("solver_rhs" + i, rhs);
  }

 private:
  static std::uint32_t& tickStep() {
    static std::uint32_t step = 0;
    return step;
  }
  static std::uint32_t tick() {
    static std::uint32_t now = 0;
    return now += tickStep();
  }
};
