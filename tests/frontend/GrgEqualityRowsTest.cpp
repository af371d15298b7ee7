// Models whose row must equal its right-hand side, solved by GRG through
// `corvan solve` from a start off the row: with the stored options, with
// conjugate-gradient directions (nwt=2) and with the interpreter's analysis
// (dia=2), with or without an objective, with bounds and an integer
// variable, each reaches the solution worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "tests/frontend/CliFixture.h"
#include "tests/support/ScratchTest.h"

namespace {

using GrgEqualityRows = ScratchTest;

// A change of the model's names: `Plan* -> void`.
using Change = void (*)(Plan*);

struct EqualityCase {
  const char* what;
  const char* variables;  // the variable cells
  std::vector<std::pair<std::string, std::string>> cells;
  Change change;  // of the names, or nullptr
  const char* options;
  double b2;  // Plan!B2 at the solution
};

// Minimise Plan!B9 over the variable cells, GRG, non-negative variables,
// subject to Plan!B6 = Plan!C6.
Plan equalityModel(const EqualityCase& c) {
  Plan p;
  p.names = {{"solver_opt", "Plan!$B$9"},  {"solver_typ", "2"},          {"solver_adj", c.variables},
             {"solver_num", "1"},          {"solver_lhs1", "Plan!$B$6"}, {"solver_rel1", "2"},
             {"solver_rhs1", "Plan!$C$6"}, {"solver_neg", "1"},          {"solver_eng", "1"}};
  p.cells = c.cells;
  if (c.change) c.change(&p);
  return p;
}

// One variable from `start` whose row B6 must equal `rhs`, objective `=B2`.
std::vector<std::pair<std::string, std::string>> single(const char* start, const char* row, const char* rhs) {
  return {{"B2", start}, {"B6", row}, {"C6", rhs}, {"B9", "=B2"}};
}

// Costs 0.21 and 0.48 of two products from 0 that must total 2000: the
// cheaper takes it all, 420 at (2000, 0).
const std::vector<std::pair<std::string, std::string>> kTwoProducts = {{"B2", "0"},
                                                                       {"C2", "0"},
                                                                       {"B3", "0.21"},
                                                                       {"C3", "0.48"},
                                                                       {"B6", "=SUM(B2:C2)"},
                                                                       {"C6", "2000"},
                                                                       {"B9", "=SUMPRODUCT(B2:C2,B3:C3)"}};

// Only the row to meet: no objective, B2 free.
void rowOnly(Plan* p) {
  p->drop("solver_opt");
  p->set("solver_neg", "2");
}

// B2 between `low` and `high`, written as constraints 2 and 3.
void bounded(Plan* p, const char* low, const char* high) {
  p->set("solver_num", "3");
  p->set("solver_lhs2", "Plan!$B$2");
  p->set("solver_rel2", "3");
  p->set("solver_rhs2", low);
  p->set("solver_lhs3", "Plan!$B$2");
  p->set("solver_rel3", "1");
  p->set("solver_rhs3", high);
}

// B2 solved from the saved workbook; NaN when it cannot be read.
double savedB2(const std::string& path) {
  std::string error;
  Workbook* wb = Xlsx_open(path, &error);
  if (!wb) return std::nan("");
  const Cell* cell = Wb_findCell(wb->sheets[0].get(), 1, 1);
  double v = cell ? cell->value.number : std::nan("");
  Wb_closeWorkbook(wb);
  return v;
}

}  // namespace

TEST_F(GrgEqualityRows, ReachTheSolutionFromAStartOffTheRow) {
  const EqualityCase cases[] = {
      {"x = 387", "Plan!$B$2", single("1", "=B2", "387"), nullptr, "", 387},
      {"x = 1500", "Plan!$B$2", single("1", "=B2", "1500"), nullptr, "", 1500},
      {"x = 5000, precision 1e-6", "Plan!$B$2", single("1", "=B2", "5000"), nullptr, " --option pre=0.000001", 5000},
      {"x = 1500, analysed", "Plan!$B$2", single("1", "=B2", "1500"), nullptr, " --option dia=2", 1500},
      {"two products", "Plan!$B$2:$C$2", kTwoProducts, nullptr, "", 2000},
      {"two products, conjugate gradients", "Plan!$B$2:$C$2", kTwoProducts, nullptr, " --option nwt=2", 2000},
      {"two products, analysed", "Plan!$B$2:$C$2", kTwoProducts, nullptr, " --option dia=2", 2000},
      {"free x = 50 from -100, no objective", "Plan!$B$2", single("-100", "=B2", "50"), rowOnly, "", 50},
      {"3x + x^3 = -27090 on [-80, -20] from 0, no objective", "Plan!$B$2", single("0", "=3*B2+B2^3", "-27090"),
       [](Plan* p) {
         rowOnly(p);
         bounded(p, "-80", "-20");
       },
       "", -30},
      {"x^3 = 1E+06 on [0, 400] from 0, no objective", "Plan!$B$2", single("0", "=B2^3", "1000000"),
       [](Plan* p) {
         rowOnly(p);
         bounded(p, "0", "400");
       },
       " --option dia=2", 100},
      {"maximise x, x = 2.7E+07 on [0, 4E+07]", "Plan!$B$2", single("0", "=B2", "27000000"),
       [](Plan* p) {
         p->set("solver_typ", "1");
         bounded(p, "0", "40000000");
       },
       "", 27000000},
      {"maximise 3x, 1000x = 4000, x integer on [2, 7] from 5.75",
       "Plan!$B$2",
       {{"B2", "5.75"}, {"B6", "=1000*B2"}, {"C6", "4000"}, {"B9", "=3*B2"}},
       [](Plan* p) {
         p->set("solver_typ", "1");
         bounded(p, "2", "7");
         p->set("solver_num", "4");
         p->set("solver_lhs4", "Plan!$B$2");
         p->set("solver_rel4", "4");
         p->set("solver_rhs4", "integer");
       },
       "",
       4},
      {"3x + y = 50 beside a disc, from outside the box: 750 at (-20, 110)",
       "Plan!$B$2:$C$2",
       {{"B2", "600"},
        {"C2", "125"},
        {"B6", "=3*B2+C2"},
        {"C6", "50"},
        {"B7", "=(B2+50)^2+(C2-150)^2"},
        {"C7", "2500"},
        {"B9", "=-4.5*B2+6*C2"}},
       [](Plan* p) {
         p->set("solver_neg", "2");
         bounded(p, "-400", "300");
         const char* rows[][4] = {
             {"4", "Plan!$C$2", "3", "100"}, {"5", "Plan!$C$2", "1", "200"}, {"6", "Plan!$B$7", "1", "Plan!$C$7"}};
         for (const auto& row : rows) {
           p->set(std::string("solver_lhs") + row[0], row[1]);
           p->set(std::string("solver_rel") + row[0], row[2]);
           p->set(std::string("solver_rhs") + row[0], row[3]);
         }
         p->set("solver_num", "6");
       },
       "",
       -20},
      {"integer convex quadratic with one equality: -10.6875 at (-1, 0, 2, 4)",
       "Plan!$B$2:$E$2",
       {{"B2", "-3"},
        {"C2", "0.25"},
        {"D2", "6"},
        {"E2", "0"},
        {"B6", "=-150*B2+250*C2+150*D2+100*E2"},
        {"C6", "850"},
        {"B9", "=-3.5*(B2+2.25)^2-1*(C2-1.75)^2-3*(D2-1.75)^2-3.5*(E2-3.25)^2"}},
       [](Plan* p) {
         p->set("solver_neg", "2");
         p->set("solver_typ", "1");
         const char* rows[][4] = {
             {"2", "Plan!$B$2", "3", "-3"}, {"3", "Plan!$B$2", "1", "-1"}, {"4", "Plan!$C$2", "3", "-2"},
             {"5", "Plan!$C$2", "1", "1"},  {"6", "Plan!$D$2", "3", "2"},  {"7", "Plan!$D$2", "1", "6"},
             {"8", "Plan!$E$2", "3", "1"},  {"9", "Plan!$E$2", "1", "4"},  {"10", "Plan!$B$2:$E$2", "4", "integer"}};
         for (const auto& row : rows) {
           p->set(std::string("solver_lhs") + row[0], row[1]);
           p->set(std::string("solver_rel") + row[0], row[2]);
           p->set(std::string("solver_rhs") + row[0], row[3]);
         }
         p->set("solver_num", "10");
       },
       "",
       -1},
  };
  int k = 0;
  for (const EqualityCase& c : cases) {
    const std::string name = "model" + std::to_string(++k);
    const std::string file = equalityModel(c).save(dir_ / (name + ".xlsx"));
    const std::string solved = (dir_ / (name + "-solved.xlsx")).string();
    CliRun r = corvan("solve " + file + c.options + " --out " + solved);
    EXPECT_EQ(r.status, 0) << c.what << "\n" << r.out;
    EXPECT_NEAR(savedB2(solved), c.b2, 1e-6 * std::fabs(c.b2)) << c.what << "\n" << r.out;
  }
}
