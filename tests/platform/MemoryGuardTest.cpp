// Memory that runs out reaches every interface of the platform as that
// interface's status, never as an exception into the caller's module: a
// worksheet function of another module answers kCalcOutOfMemory, and each
// way of calculating through the calculation, the callback interface and the
// automation interface says it failed and counts the failure; once memory
// is there again the same formulas calculate.
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <string>

#include "platform/calc/Calc.h"
#include "platform/os/Os_Guard.h"
#include "platform/xlcall/Xlc_Host.h"
#include "platform/xlcall/Xlcall.h"
#include "tests/support/AutoClient.h"

namespace {

bool gExhausted = false;   // whether the registered function runs out of memory

CalcArray exhaust(const std::vector<CalcArray>&) {
  return gExhausted ? kCalcOutOfMemory : CalcArray{1, 1, {CellValue::makeNumber(7)}};
}

class MemoryGuard : public ::testing::Test {
 protected:
  void SetUp() override {
    Wb_resetApp();
    Xlc_resetHost();
    ASSERT_TRUE(Calc_registerFunction("GUARDEXHAUST", exhaust, kCalcVolatile));   // evaluated on every recalculation
    wb = Wb_newWorkbook("guard");
    Sheet* sh = Wb_addSheet(wb, "S");
    Wb_setFormula(wb, sh, 0, 0, "=GUARDEXHAUST()+1");
  }
  void TearDown() override {
    gExhausted = false;
    Xlc_resetHost();
    Wb_resetApp();
  }
  double a1() const { return Wb_findCell(wb->sheets[0].get(), 0, 0)->value.number; }
  Workbook* wb = nullptr;
};

TEST(OsGuard, AnswersTheBodysResultOrTheStatusForMemory) {
  const unsigned long before = Os_memoryFailures();
  EXPECT_EQ(Os_guard(-1, [] { return 5; }), 5);
  EXPECT_EQ(Os_memoryFailures(), before);
  EXPECT_EQ(Os_guard(-1, []() -> int { throw std::bad_alloc(); }), -1);
  EXPECT_EQ(Os_memoryFailures(), before + 1);
  // A failure an inner guard caught fails the outer call too.
  EXPECT_EQ(Os_guard(-1, [] { return Os_guard(0, []() -> int { throw std::bad_alloc(); }) + 5; }), -1);
  EXPECT_EQ(Os_memoryFailures(), before + 2);
}

TEST_F(MemoryGuard, EveryWayOfCalculatingSaysMemoryRanOut) {
  AutoClient client;
  Obj app(Auto_application());
  const struct {
    const char* what;
    std::function<bool()> failed;
  } cases[] = {
      {"Calc_recalculate", [&] { return !Calc_recalculate(wb); }},
      {"Calc_recalculateFull", [&] { return !Calc_recalculateFull(wb); }},
      {"Calc_recalculateAll", [] { return !Calc_recalculateAll(); }},
      {"Calc_evaluate",
       [&] {
         CalcEvalResult r;
         return !Calc_evaluate(wb, 0, "GUARDEXHAUST()*2", &r);
       }},
      {"xlcCalculateNow",
       [] {
         XLOPER result;
         return Excel4(xlcCalculateNow, &result, 0) == xlretFailed;
       }},
      {"Application.Calculate",
       [&] { return client.call(app, "Calculate", Auto_method, {}, nullptr) == Auto_eOutOfMemory; }},
  };
  for (const auto& c : cases) {
    gExhausted = true;
    const unsigned long before = Os_memoryFailures();
    EXPECT_TRUE(c.failed()) << c.what;
    EXPECT_GT(Os_memoryFailures(), before) << c.what;
    gExhausted = false;
    ASSERT_TRUE(Calc_recalculate(wb)) << c.what;
    EXPECT_EQ(a1(), 8) << c.what;
  }
}

}  // namespace
