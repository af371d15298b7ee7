// Model definitions a user gets wrong are said with the name at fault and
// what is wrong with it: a name defined on another sheet, a constraint count
// past the constraints stored, variable cells on two sheets and a
// constraint whose cells were deleted. The run writes nothing.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/frontend/CliFixture.h"
#include "tests/support/ScratchTest.h"

namespace {

using ModelDefinitions = ScratchTest;

TEST_F(ModelDefinitions, EachFaultIsSaidWithTheNameAtFaultAndNothingIsWritten) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> names;
    std::string says;
  };
  const Case cases[] = {
      {"a name defined only on another sheet",
       {{"solver_adj", "myvars"}, {"Other!myvars", "Plan!$B$2:$C$2"}},
       "\"solver_adj\" gives #NAME? instead of the variable cells: it refers to the name \"myvars\", which is defined "
       "only on sheet 'Other', where the formulas of sheet 'Plan' do not see it; define it for the whole workbook or "
       "on sheet 'Plan'"},
      {"\"solver_num\" past the constraints stored",
       {{"solver_num", "3"}},
       "\"solver_num\" says the model has 3 constraints, but the sheet stores 1: \"solver_lhs2\" and \"solver_lhs3\" "
       "are not defined; set \"solver_num\" to the number of constraints or define the missing ones"},
      {"variable cells on two sheets",
       {{"solver_adj", "Plan!$B$2:$C$2,Other!$B$2"}},
       "\"solver_adj\" gives #VALUE! instead of the variable cells: it refers to cells on sheets 'Plan' and 'Other'; "
       "they must all be on sheet 'Plan' with the model"},
      {"a constraint whose cells were deleted",
       {{"solver_lhs1", "Plan!#REF!"}},
       "\"solver_lhs1\" gives #REF! instead of the cells of constraint 1: the cells it referred to were deleted (its "
       "definition reads Plan!#REF!); define it anew"},
  };
  int k = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Plan plan;
    for (const auto& [name, value] : c.names) plan.set(name, value);
    const std::string book = plan.save(dir_ / ("model" + std::to_string(++k) + ".xlsx"));
    const std::string out = (dir_ / ("out" + std::to_string(k) + ".xlsx")).string();
    CliRun r = corvan("solve " + book + " --quiet --out " + out);
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_TRUE(r.has("corvan: " + book + ": sheet 'Plan': " + c.says)) << r.out;
    EXPECT_FALSE(r.has("which the workbook does not define")) << r.out;
    EXPECT_FALSE(std::filesystem::exists(out));
  }
}

}  // namespace
