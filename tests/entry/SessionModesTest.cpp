// The run session around small models built cell by cell: weighted
// scenario rows and the grouped row, feasibility mode's elastic variables,
// the prior values kept or restored by Solve actions 1 and 2, the
// calculation mode, the options that make the session refuse to open, the
// ordinals a session serves and the library's heap.
#include <cmath>

#include "base/Dbl_Bits.h"
#include "base/Mem_Heap.h"
#include "entry/Sess_Evaluation.h"
#include "tests/support/SessionFixture.h"

namespace {

using FixElasticFn = int (*)(LibraryContext*, int, int, int, double*);
using StartsFn = int (*)(LibraryContext*, int*, int*);

}  // namespace

class SessionModel : public SessionLibrary {
 protected:
  // Weighted rows: x in A1 (common), y in A2 (one per scenario row); the
  // scenario cells A2:B2 hold y and the data d; objective C1 = x d + y;
  // per-row row C2 = y + d <= 10.
  void weightedModel() {
    newModel();
    formula("C1", "A1*B2+A2");
    formula("C2", "A2+B2");
    names({{"solver_adj", "Model!$A$1:$A$2"}, {"solver_opt", "Model!$C$1"}, {"solver_typ", "2"},
           {"solver_num", "1"}, {"solver_lhs1", "Model!$C$2"}, {"solver_rel1", "1"}, {"solver_rhs1", "10"},
           {"robust_num", "2"}, {"robust_std", "0.5"}, {"scen_num", "2"}, {"scen_change", "Model!$A$2:$B$2"},
           {"scen_value1", "{0,1}"}, {"scen_value2", "{0,2}"}, {"scen_weight1", "1"},
           {"scen_weight2", "3"}});
  }
  // Variables A1:A2 holding 1 and 2, objective C1 = A1 + A2 minimised.
  void twoVariables() {
    newModel();
    number("A1", 1);
    number("A2", 2);
    formula("C1", "A1+A2");
    names({{"solver_adj", "Model!$A$1:$A$2"}, {"solver_opt", "Model!$C$1"}, {"solver_typ", "2"}, {"solver_num", "0"}});
  }
};

TEST_F(SessionModel, WeightedRowsGiveEachRowsRowsAndTheWeightedGroupedRow) {
  weightedModel();
  ASSERT_EQ(begin(), 1);
  EXPECT_EQ(context->perRowCells, 1);
  ASSERT_EQ(variables(), 3);  // x, then y of each scenario row
  ASSERT_EQ(rows(), 3);       // C2 per scenario row, then the grouped row
  std::vector<double> f;
  ASSERT_TRUE(evaluate({2, 3, 4}, &f));
  EXPECT_DOUBLE_EQ(f[0], 3 + 1);
  EXPECT_DOUBLE_EQ(f[1], 4 + 2);
  // o = 5 and 8 with weights 1 and 3: mean 7.25, variance 217/4 - 7.25^2.
  double deviation = std::sqrt(217.0 / 4 - 7.25 * 7.25);
  EXPECT_DOUBLE_EQ(f[2], 7.25 + 0.5 * deviation);
  Bounds b = bounds();
  EXPECT_EQ(b.rowUpper[0], 10);
  EXPECT_EQ(b.rowUpper[1], 10);
  EXPECT_EQ(end(), 1);
  // The per-row values went back into the scenario names.
  ASSERT_EQ(begin(), 1);
  EXPECT_EQ(initialValues(), (std::vector<double>{2, 3, 4}));
  EXPECT_EQ(end(), 1);
  // Weights summing to zero fail every evaluation.
  name("scen_weight2", "-1");
  ASSERT_EQ(begin(), 1);
  EXPECT_FALSE(evaluate({2, 3, 4}, &f));
  EXPECT_EQ(ordinal<OneChangedFn>(34)(context, f.data(), 0, 1.0), 0);
  EXPECT_EQ(end(), 1);
}

TEST_F(SessionModel, GroupedCellsCountTheirViolation) {
  newModel();
  formula("C1", "0*A1");
  formula("C2", "A1");
  names({{"solver_adj", "Model!$A$1"}, {"solver_opt", "Model!$C$1"}, {"solver_typ", "2"}, {"solver_num", "1"},
         {"solver_lhs1", "Model!$C$2"}, {"solver_rel1", "9"}, {"solver_rhs1", "1"}, {"robust_pen", "2"}});  // grouped "<="
  ASSERT_EQ(begin(), 1);
  ASSERT_EQ(rows(), 1);  // only the grouped row
  std::vector<double> f;
  ASSERT_TRUE(evaluate({1 + 1e-7}, &f));
  double d = (1 + 1e-7) - 1;
  EXPECT_NEAR(f[0], 2 * 0.05 * d * d * 1e6, 1e-20);
  ASSERT_TRUE(evaluate({1.5}, &f));
  EXPECT_DOUBLE_EQ(f[0], 2 * 0.5);
  ASSERT_TRUE(evaluate({0.5}, &f));
  EXPECT_EQ(f[0], 0);
  EXPECT_EQ(end(), 1);
  EXPECT_NEAR(Sess_violation(1, 1 + 1e-7, 1), 5e-10, 1e-16);
  EXPECT_EQ(Sess_violation(3, 2, 1), 0);
  EXPECT_DOUBLE_EQ(Sess_violation(2, 3, 1), 2);
}

TEST_F(SessionModel, KeepAndRestoreThePriorValues) {
  twoVariables();
  ASSERT_EQ(begin(), 1);
  EXPECT_EQ(Wb_app().calcMode, CalcMode::Manual);   // for the session only
  std::vector<double> f;
  ASSERT_TRUE(evaluate({5, 6}, &f));
  EXPECT_EQ(end(), 1);
  EXPECT_EQ(Wb_app().calcMode, CalcMode::Automatic);
  EXPECT_EQ(valueAt("A1"), 5);
  EXPECT_EQ(solve(2), 1);  // restore
  EXPECT_EQ(valueAt("A1"), 1);
  EXPECT_EQ(valueAt("A2"), 2);
  EXPECT_EQ(valueAt("C1"), 3);  // recalculated

  ASSERT_EQ(begin(), 1);
  ASSERT_TRUE(evaluate({7, 8}, &f));
  EXPECT_EQ(end(), 1);
  EXPECT_EQ(solve(1), 1);  // keep
  EXPECT_EQ(valueAt("A1"), 7);
  EXPECT_EQ(solve(2), 0);  // nothing left to restore
  EXPECT_EQ(valueAt("A1"), 7);
}

TEST_F(SessionModel, RestoreFailsWhenAVariableAreaIsGone) {
  twoVariables();
  name("solver_adj", "Model!$A$1");
  name("solver_adj1", "Model!$A$2");
  ASSERT_EQ(begin(), 1);
  EXPECT_EQ(variables(), 2);
  std::vector<double> f;
  ASSERT_TRUE(evaluate({5, 6}, &f));
  EXPECT_EQ(end(), 1);
  ASSERT_TRUE(Wb_deleteName(book, "solver_adj1", 0));
  EXPECT_EQ(solve(2), 0);
}

TEST_F(SessionModel, InvalidRobustOptionsFailTheBegin) {
  twoVariables();
  name("robust_num", "3");
  EXPECT_EQ(begin(), 0);
  EXPECT_EQ(end(), 1);
  EXPECT_EQ(Wb_app().calcMode, CalcMode::Automatic);  // a failed begin changes nothing
  Wb_app().calcMode = CalcMode::Manual;
  EXPECT_EQ(begin(), 0);
  EXPECT_EQ(end(), 1);
  EXPECT_EQ(Wb_app().calcMode, CalcMode::Manual);  // nor does the end after it
  Wb_app().calcMode = CalcMode::Automatic;
  name("robust_num", "0");
  name("robust_std", "-1");
  EXPECT_EQ(begin(), 0);
  EXPECT_EQ(end(), 1);
  EXPECT_EQ(context->constraints, nullptr);
  EXPECT_EQ(solve(0), 13);
}

TEST_F(SessionModel, FeasibilityModeAddsElasticVariablesToTheRows) {
  newModel();
  formula("C1", "A1+A2");
  formula("C2", "A2*1");
  formula("C3", "A3+0");
  formula("C4", "A1");
  names({{"solver_adj", "Model!$A$1:$A$3"}, {"solver_opt", "Model!$C$4"}, {"solver_typ", "2"}, {"solver_num", "3"},
         {"solver_lhs1", "Model!$C$1"}, {"solver_rel1", "2"}, {"solver_rhs1", "2"},
         {"solver_lhs2", "Model!$C$2"}, {"solver_rel2", "1"}, {"solver_rhs2", "5"},
         {"solver_lhs3", "Model!$C$3"}, {"solver_rel3", "3"}, {"solver_rhs3", "1"}});
  context->feasibilityMode = 1;
  ASSERT_EQ(begin(), 1);
  EXPECT_EQ(context->elasticRowIds, (std::vector<std::int32_t>{1, -1, -2, 3}));
  ASSERT_EQ(variables(), 7);
  ASSERT_EQ(rows(), 4);  // the sum of the elastic values replaces the grouped row
  std::vector<double> f;
  ASSERT_TRUE(evaluate({1, 1, 0, 0.5, 0.25, 1, 2}, &f));
  EXPECT_EQ(f, (std::vector<double>{2 + 0.5 - 0.25, 1 - 1, 0 + 2, 3.75, 0}));

  auto fix = ordinal<FixElasticFn>(29);
  std::vector<double> upper(7, 1e30);
  EXPECT_EQ(fix(context, 0, 0, 0, upper.data()), 0);  // not an elastic variable
  EXPECT_EQ(fix(context, 4, 0, 0, upper.data()), 1);  // second of an equality pair
  EXPECT_EQ(upper[3], 0);
  EXPECT_EQ(upper[4], 0);
  EXPECT_EQ(fix(context, -1, 0, 0, upper.data()), 1);  // relax the pair
  EXPECT_EQ(upper[3], 1e30);
  EXPECT_EQ(upper[4], 1e30);
  EXPECT_EQ(fix(context, -1, 1, 1, upper.data()), 1);  // fix row 1's
  EXPECT_EQ(upper[5], 0);
  EXPECT_EQ(fix(context, -1, 7, 1, upper.data()), 0);  // no such row
  EXPECT_EQ(end(), 1);
  EXPECT_EQ(context->feasibilityMode, 0);
  EXPECT_EQ(context->elasticCount, 0);
}

TEST_F(SessionModel, AddressesNamedValuesAndRelaxedGroups) {
  twoVariables();
  Sheet* data = Wb_addSheet(book, "Data");
  Wb_setValue(book, data, 2, 1, CellValue::makeNumber(4));  // Data!B3
  formula("C1", "Data!B3*2");
  name("solver_adj", "Data!$B$3");
  name("solver_rlx", "1");
  name("solver_sep", "3");
  ASSERT_EQ(begin(), 1);
  using AddressFn = int (*)(LibraryContext*, int, int, char**, char**, int);
  char variable[16], row[3];
  char* variableTexts[] = {variable};
  char* rowTexts[] = {row};
  ASSERT_EQ(ordinal<AddressFn>(26)(context, 1, 1, variableTexts, rowTexts, 3), 1);
  EXPECT_STREQ(variable, "B3");
  EXPECT_STREQ(row, "C1");  // cut to the length less one

  int starts[2] = {-7, -7}, members[2] = {-7, -7};
  EXPECT_EQ(ordinal<StartsFn>(20)(context, starts, members), 1);
  EXPECT_EQ(starts[0], -7);  // relaxed: nothing written

  using NamedIntFn = int (*)(LibraryContext*, const char*, int);
  using NamedRealFn = int (*)(LibraryContext*, double*, const char*, double);
  EXPECT_EQ(ordinal<NamedIntFn>(27)(context, "solver_sep", 1), 3);
  EXPECT_EQ(ordinal<NamedIntFn>(27)(context, "solver_sed", 1), 1);
  double value = 0;
  EXPECT_EQ(ordinal<NamedRealFn>(28)(context, &value, "solver_fea", 1e-6), 1);
  EXPECT_EQ(value, 1e-6);
  EXPECT_EQ(end(), 1);
}

TEST(SessionMemory, ZeroedBlocksAndPowersOfTwoWithinRange) {
  EXPECT_EQ(Mem_alloc(0), nullptr);
  auto* block = static_cast<unsigned char*>(Mem_alloc(64));
  ASSERT_NE(block, nullptr);
  for (int k = 0; k < 64; ++k) EXPECT_EQ(block[k], 0);
  Mem_free(block);
  Mem_free(nullptr);
  // Beyond the range: infinity, not a wrapped exponent; below it into the
  // subnormal numbers, then 0.
  for (auto [x, power] : {std::pair{1.5, 3}, {1.5, 5000}, {1.5, -5000}, {3.0, -1075}}) {
    double scaled = x;
    Dbl_scalePow2(&scaled, power);
    EXPECT_EQ(scaled, std::ldexp(x, power)) << power;
  }
  EXPECT_EQ(Dbl_getExponent(8), 3);
  EXPECT_EQ(Dbl_getExponent(-0.75), -1);
  EXPECT_EQ(Dbl_getExponent(0), 0);
  EXPECT_EQ(Dbl_getExponent(std::nan("")), 0);
}

// Right-hand sides that move with the variables are read at every
// evaluation and subtracted (the row's bound is then 0); a single value
// bounds every cell of its row alike.
TEST_F(SessionModel, MovingRightHandSidesAreSubtractedAndSingleValuesRepeated) {
  twoVariables();
  formula("C2", "A1*2");
  formula("C3", "A1+A2");
  formula("C4", "A1");
  formula("C5", "A1*2");
  formula("C6", "A1*3");
  names({{"solver_num", "3"}, {"solver_lhs1", "Model!$C$2"}, {"solver_rel1", "1"},
         {"solver_rhs1", "Model!$A$2"},      // a variable cell
         {"solver_lhs2", "Model!$C$3"}, {"solver_rel2", "3"},
         {"solver_rhs2", "=2*Model!$A$2"},   // a formula: evaluated each time
         {"solver_lhs3", "Model!$C$4:$C$6"}, {"solver_rel3", "1"}, {"solver_rhs3", "5"}});
  ASSERT_EQ(begin(), 1);
  ASSERT_EQ(rows(), 6);
  std::vector<double> f;
  ASSERT_TRUE(evaluate({3, 4}, &f));
  EXPECT_EQ(f, (std::vector<double>{6 - 4, 7 - 8, 3, 6, 9, 7, 0}));
  Bounds b = bounds();
  EXPECT_EQ(b.rowUpper, (std::vector<double>{0, 1e30, 5, 5, 5, 1e30}));
  EXPECT_EQ(b.rowLower, (std::vector<double>{-1e30, 0, -1e30, -1e30, -1e30, -1e30}));
  // Two variables changed from the last point.
  using TwoChangedFn = int (*)(LibraryContext*, double*, int, double, int, double);
  ASSERT_EQ(ordinal<TwoChangedFn>(33)(context, f.data(), 0, 1, 1, 1), 1);
  EXPECT_EQ(f[0], 2 - 1);
  EXPECT_EQ(f[5], 2);
  EXPECT_EQ(end(), 1);
}

// Integer kinds: an alldifferent group of three cells numbers 1..3, a
// binary cell [0, 1]; the group's members and its start offsets.
TEST_F(SessionModel, AllDifferentGroupsAndBinaryCells) {
  newModel();
  formula("E1", "A1+A2+A3+A4");
  names({{"solver_adj", "Model!$A$1:$A$4"}, {"solver_opt", "Model!$E$1"}, {"solver_typ", "2"}, {"solver_num", "2"},
         {"solver_lhs1", "Model!$A$1:$A$3"}, {"solver_rel1", "6"}, {"solver_rhs1", "alldifferent"},
         {"solver_lhs2", "Model!$A$4"}, {"solver_rel2", "5"}, {"solver_rhs2", "binary"}});
  ASSERT_EQ(begin(), 1);
  EXPECT_EQ(query(2), 4);
  EXPECT_EQ(query(3), 1);
  EXPECT_EQ(query(4), 3);
  EXPECT_EQ(types(), (std::vector<int>{3, 3, 3, 2}));
  int starts[2], members[3];
  ASSERT_EQ(ordinal<StartsFn>(20)(context, starts, members), 1);
  EXPECT_EQ((std::vector<int>{starts[0], starts[1], members[0], members[1], members[2]}),
            (std::vector<int>{0, 3, 0, 1, 2}));
  Bounds b = bounds();
  EXPECT_EQ(b.lower, (std::vector<double>{1, 1, 1, 0}));
  EXPECT_EQ(b.upper, (std::vector<double>{3, 3, 3, 1}));
  EXPECT_EQ(end(), 1);
  name("solver_rlx", "1");  // relaxed: every variable continuous
  ASSERT_EQ(begin(), 1);
  EXPECT_EQ(types(), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(end(), 1);
}
