// Which engines get an analysed and diagnosed model from `Solve` action 0:
// those that work on the interpreter's diagnosed model (the interval global
// and SOCP engines) whatever "solver_dia" says, the others only at the
// levels that ask for it; the engines need not have been listed first.
#include "tests/support/SessionFixture.h"

namespace {

class SolvePlan : public SessionLibrary {
 protected:
  // min A1 + B1 over [0, 1]^2 for engine `engine` ("solver_eng"), with
  // "solver_dia" `dia` when given; whether the run's model was diagnosed.
  bool diagnosedFor(int engine, const char* dia) {
    newModel();
    number("A1", 0.5);
    number("B1", 0.5);
    formula("C1", "=A1+B1");
    names({{"solver_adj", "Model!$A$1:$B$1"},
           {"solver_opt", "Model!$C$1"},
           {"solver_typ", "2"},
           {"solver_eng", std::to_string(engine)},
           {"solver_num", "2"},
           {"solver_lhs1", "Model!$A$1:$B$1"},
           {"solver_rel1", "3"},
           {"solver_rhs1", "0"},
           {"solver_lhs2", "Model!$A$1:$B$1"},
           {"solver_rel2", "1"},
           {"solver_rhs2", "1"}});
    if (dia) name("solver_dia", dia);
    context->engineCount = 5;
    solve(0);
    return context->diagnosed != 0;
  }
};

TEST_F(SolvePlan, EnginesOnTheDiagnosedModelGetItWithoutAnyLevel) {
  struct Case {
    int engine;
    bool diagnosed;
  };
  // GRG, LP/quadratic, evolutionary (evaluates through the workbook),
  // interval global, SOCP.
  const Case cases[] = {{1, false}, {2, false}, {3, false}, {4, true}, {5, true}};
  for (const Case& c : cases) {
    EXPECT_EQ(diagnosedFor(c.engine, nullptr), c.diagnosed) << c.engine;
    EXPECT_EQ(diagnosedFor(c.engine, "1"), c.diagnosed) << c.engine;  // level 0
    EXPECT_EQ(diagnosedFor(c.engine, "2"), c.diagnosed) << c.engine;  // level 1: analysis only
    EXPECT_TRUE(diagnosedFor(c.engine, "3")) << c.engine;             // level 2 diagnoses every model
  }
}

}  // namespace
