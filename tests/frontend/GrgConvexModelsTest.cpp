// Convex models solved by GRG through `corvan solve`, by default and with
// the interpreter's analysis (dia=2), each to "solved" at its optimum: a
// linear objective over a ball, whose optimum lies on the ball's surface
// (never "unbounded", nor "converged" on the way there or on the way onto
// it at a scale of 1E+09, nor "solved" at the end of a one-variable ball
// where the start touches it), integer LPs whose equality rows have
// coefficients far smaller than the other rows' (never "no feasible
// solution", nor where a basic with room to move blocks a step that a row
// with coefficients of 1E-03 makes tiny), integer models whose relaxation
// ends a hair off a bound or whose equalities leave variables that no row
// depends on (never "solved" at a worse integer point), an integer concave maximisation over a box
// (never "unbounded"), two equalities meeting on a ball that touches a
// variable's bound, a system of cubic equations whose rows reach 1E+07,
// started far from its one root, and equalities whose one common point
// lies on a ball a hundredth wide, or on a ball's surface met from its
// centre or along one of the equalities from inside, or where an equality
// only touches the circle that a ball and another equality leave (none "no
// feasible solution"). Each optimum is worked out by hand: the ball's centre less
// its radius along the objective's gradient, the one point the equality
// rows leave, the box's integer point nearest the concave objective's
// centre that keeps the rows, the best of the integer points of the box,
// enumerated, and the planted root (each row's derivative in its own
// variable outweighs the others together, so the system has no other root).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "tests/frontend/CliFixture.h"
#include "tests/support/ScratchTest.h"

namespace {

using GrgConvexModels = ScratchTest;

constexpr double kObjectiveTol = 1e-5;  // times 1 + |optimum|

// A model row: constraint number, left side, relation (1 <=, 2 =, 3 >=,
// 4 integer, 5 binary), right side.
struct Row {
  const char* number;
  const char* lhs;
  const char* rel;
  const char* rhs;
};

struct ConvexCase {
  const char* what;
  bool maximise;
  const char* variables;  // the variable cells
  std::vector<std::pair<std::string, std::string>> cells;
  std::vector<Row> rows;
  double optimum;  // of the objective, Plan!B9
};

// Optimises Plan!B9 over the variable cells by GRG, variables not made
// non-negative, subject to the rows.
Plan convexModel(const ConvexCase& c) {
  Plan p;
  p.names = {{"solver_opt", "Plan!$B$9"}, {"solver_typ", c.maximise ? "1" : "2"},
             {"solver_adj", c.variables}, {"solver_neg", "2"},
             {"solver_eng", "1"},         {"solver_num", std::to_string(c.rows.size())}};
  p.cells = c.cells;
  for (const Row& row : c.rows) {
    p.set(std::string("solver_lhs") + row.number, row.lhs);
    p.set(std::string("solver_rel") + row.number, row.rel);
    p.set(std::string("solver_rhs") + row.number, row.rhs);
  }
  return p;
}

// Plan!B9 of the saved workbook; NaN when it cannot be read.
double savedObjective(const std::string& path) {
  std::string error;
  Workbook* wb = Xlsx_open(path, &error);
  if (!wb) return std::nan("");
  const Cell* cell = Wb_findCell(wb->sheets[0].get(), 8, 1);
  double v = cell ? cell->value.number : std::nan("");
  Wb_closeWorkbook(wb);
  return v;
}

}  // namespace

TEST_F(GrgConvexModels, ReachTheOptimum) {
  const ConvexCase cases[] = {
      {"integer LP whose rows leave the relaxation a hair off a bound: -4.5 at (0, 3, 1)",
       true,
       "Plan!$B$2:$D$2",
       {{"B2", "-2"},
        {"C2", "-1"},
        {"D2", "2"},
        {"B5", "=0.25*B2-0.15*C2-0.15*D2"},
        {"C5", "-0.6"},
        {"B6", "=2.5*B2+C2+D2"},
        {"C6", "4"},
        {"B7", "=2.5*B2-0.5*C2+D2"},
        {"C7", "-0.5"},
        {"B8", "=-0.25*B2-0.2*C2-0.05*D2"},
        {"C8", "-0.55"},
        {"B9", "=2.5*B2-2*C2+1.5*D2"}},
       {{"1", "Plan!$B$5:$B$6", "3", "Plan!$C$5:$C$6"},
        {"2", "Plan!$B$7:$B$8", "1", "Plan!$C$7:$C$8"},
        {"3", "Plan!$B$2", "5", "binary"},
        {"4", "Plan!$C$2", "3", "-1"},
        {"5", "Plan!$C$2", "1", "6"},
        {"6", "Plan!$C$2", "4", "integer"},
        {"7", "Plan!$D$2", "5", "binary"}},
       -4.5},
      {"integer concave maximisation whose equalities leave one free variable: -5.59375 at (0, 5, -2)",
       true,
       "Plan!$B$2:$D$2",
       {{"B2", "2.25"},
        {"C2", "0"},
        {"D2", "0"},
        {"B5", "=-25*B2+5*C2-20*D2"},
        {"C5", "30"},
        {"B6", "=0.25*B2-0.3*D2"},
        {"C6", "0.6"},
        {"B7", "=-0.03*B2+0.02*D2"},
        {"C7", "-0.03"},
        {"B8", "=-2.5*B2+1.5*D2"},
        {"C8", "-3"},
        {"B9", "=-3.5*(B2-1)^2-1.5*(C2-4.75)^2-0.5*D2^2"}},
       {{"1", "Plan!$B$5", "3", "Plan!$C$5"},
        {"2", "Plan!$B$6", "2", "Plan!$C$6"},
        {"3", "Plan!$B$7", "1", "Plan!$C$7"},
        {"4", "Plan!$B$8", "2", "Plan!$C$8"},
        {"5", "Plan!$B$2", "3", "0"},
        {"6", "Plan!$B$2", "1", "3"},
        {"7", "Plan!$C$2", "3", "1"},
        {"8", "Plan!$C$2", "1", "5"},
        {"9", "Plan!$D$2", "3", "-2"},
        {"10", "Plan!$D$2", "1", "1"},
        {"11", "Plan!$B$2:$D$2", "4", "integer"}},
       -5.59375},
      {"integer LP whose one equality leaves two variables free: 11.498 at (1, 1, 3, 0, 5, 4)",
       false,
       "Plan!$B$2:$G$2",
       {{"B2", "0"},
        {"C2", "0.25"},
        {"D2", "2"},
        {"E2", "3"},
        {"F2", "6"},
        {"G2", "4"},
        {"B8", "=-0.001*B2+0.002*C2-0.0015*E2"},
        {"C8", "0.001"},
        {"B9", "=0.502*B2-0.504*C2+2*D2+1.503*E2+1.5*F2-0.5*G2"}},
       {{"1", "Plan!$B$8", "2", "Plan!$C$8"},
        {"2", "Plan!$B$2", "3", "1"},
        {"3", "Plan!$B$2", "1", "2"},
        {"4", "Plan!$C$2", "5", "binary"},
        {"5", "Plan!$D$2", "3", "3"},
        {"6", "Plan!$E$2", "5", "binary"},
        {"7", "Plan!$F$2", "3", "5"},
        {"8", "Plan!$G$2", "3", "4"},
        {"9", "Plan!$G$2", "1", "4"},
        {"10", "Plan!$B$2:$G$2", "4", "integer"}},
       11.498},
      {"min x + 2y + 2z over a ball of radius 20000: -140000 at (23333.3, -48333.3, -33333.3)",
       false,
       "Plan!$B$2:$D$2",
       {{"B2", "10000"},
        {"C2", "0"},
        {"D2", "0"},
        {"B7", "=(B2-30000)^2+(C2+35000)^2+(D2+20000)^2"},
        {"C7", "400000000"},
        {"B9", "=B2+2*C2+2*D2"}},
       {{"1", "Plan!$B$2", "3", "0"}, {"2", "Plan!$D$2", "1", "0"}, {"3", "Plan!$B$7", "1", "Plan!$C$7"}},
       -140000},
      {"integer LP with four small-coefficient equalities: 4500.656 at (-2, 0, 0, -3, -1, -3)",
       true,
       "Plan!$B$2:$G$2",
       {{"B2", "4"},
        {"C2", "4"},
        {"D2", "0"},
        {"E2", "3"},
        {"F2", "0"},
        {"G2", "0"},
        {"B5", "=-2*D2-1.5*E2+2*G2"},
        {"C5", "-1.5"},
        {"B6", "=0.002*E2+0.0015*F2"},
        {"C6", "-0.0075"},
        {"B7", "=-0.2*B2-0.25*C2-0.05*D2+0.2*E2-0.15*F2"},
        {"C7", "-0.05000000000000007"},
        {"B8", "=-0.0015*B2-0.0025*C2-5E-04*F2"},
        {"C8", "0.0035"},
        {"H8", "=1500*B2-500*C2+1000*D2"},
        {"I8", "-3000"},
        {"B9", "=-2250.39775*B2+749.50375*C2-1499.6*D2+1.147*E2-0.3015*F2-G2"}},
       {{"1", "Plan!$B$2", "3", "-5"},
        {"2", "Plan!$B$2", "1", "1"},
        {"3", "Plan!$C$2", "3", "-2"},
        {"4", "Plan!$C$2", "1", "2"},
        {"5", "Plan!$E$2", "3", "-6"},
        {"6", "Plan!$E$2", "1", "1"},
        {"7", "Plan!$F$2", "3", "-2"},
        {"8", "Plan!$F$2", "1", "-1"},
        {"9", "Plan!$G$2", "3", "-5"},
        {"10", "Plan!$G$2", "1", "-3"},
        {"11", "Plan!$B$2:$G$2", "4", "integer"},
        {"12", "Plan!$D$2", "5", "binary"},
        {"13", "Plan!$B$5:$B$8", "2", "Plan!$C$5:$C$8"},
        {"14", "Plan!$H$8", "3", "Plan!$I$8"}},
       4500.656},
      {"integer LP whose rows meet in one point, an equality with small coefficients: 5 at (3, 1)",
       true,
       "Plan!$B$2:$C$2",
       {{"B2", "4.5"},
        {"C2", "2"},
        {"B5", "=0.001*B2-0.0015*C2"},
        {"C5", "0.0015"},
        {"B6", "=25*B2-10*C2"},
        {"C6", "65"},
        {"B7", "=5*B2+30*C2"},
        {"C7", "25"},
        {"B8", "=-0.25*B2-0.2*C2"},
        {"C8", "-1.25"},
        {"B9", "=1.5*B2+0.5*C2"}},
       {{"1", "Plan!$B$2", "3", "3"},
        {"2", "Plan!$B$2", "1", "5"},
        {"3", "Plan!$C$2", "3", "1"},
        {"4", "Plan!$C$2", "1", "2"},
        {"5", "Plan!$B$2:$C$2", "4", "integer"},
        {"6", "Plan!$B$5", "2", "Plan!$C$5"},
        {"7", "Plan!$B$6", "1", "Plan!$C$6"},
        {"8", "Plan!$B$7:$B$8", "3", "Plan!$C$7:$C$8"}},
       5},
      {"integer LP whose relaxation meets a row with coefficients of 1E-03 where a basic has room: 2.289 at "
       "(3, 1, 6, 1)",
       true,
       "Plan!$B$2:$E$2",
       {{"B2", "5"},
        {"C2", "0"},
        {"D2", "0"},
        {"E2", "1"},
        {"B4", "=0.001*B2-0.003*C2+0.0015*D2"},
        {"C4", "0.006500000000000001"},
        {"B5", "=SUMPRODUCT($B$2:$E$2,F5:I5)"},
        {"C5", "300"},
        {"F5", "0"},
        {"G5", "50"},
        {"H5", "100"},
        {"I5", "-150"},
        {"B6", "=-0.0015*C2-0.001*D2+0.002*E2"},
        {"C6", "-0.0055"},
        {"B7", "=-0.2*B2+0.05*C2+0.15*D2"},
        {"C7", "0.34999999999999987"},
        {"B8", "=25*B2-10*C2-15*D2+30*E2"},
        {"C8", "5"},
        {"B9", "=12.9*B2-4.603*C2-7.802*D2+15.004*E2"}},
       {{"1", "Plan!$B$4:$B$5", "3", "Plan!$C$4:$C$5"},
        {"2", "Plan!$B$6", "1", "Plan!$C$6"},
        {"3", "Plan!$B$7", "3", "Plan!$C$7"},
        {"4", "Plan!$B$8", "2", "Plan!$C$8"},
        {"5", "Plan!$B$2", "3", "3"},
        {"6", "Plan!$B$2", "1", "5"},
        {"7", "Plan!$C$2", "5", "binary"},
        {"8", "Plan!$D$2", "3", "2"},
        {"9", "Plan!$D$2", "1", "8"},
        {"10", "Plan!$E$2", "3", "0"},
        {"11", "Plan!$E$2", "1", "4"},
        {"12", "Plan!$B$2:$E$2", "4", "integer"}},
       2.289},
      {"integer concave maximisation over a box from a start past its bound: -0.40625 at (4, 0, 0)",
       true,
       "Plan!$B$2:$D$2",
       {{"B2", "7"},
        {"C2", "0"},
        {"D2", "0"},
        {"B5", "=3000*B2+1500*C2"},
        {"C5", "12000"},
        {"B6", "=1000*C2+2500*D2"},
        {"C6", "0"},
        {"B9", "=-3*(B2-3.75)^2-3*(C2+0.25)^2-0.5*(D2+0.25)^2"}},
       {{"1", "Plan!$B$2", "3", "2"},
        {"2", "Plan!$B$2", "1", "5"},
        {"3", "Plan!$B$2", "4", "integer"},
        {"4", "Plan!$C$2:$D$2", "5", "binary"},
        {"5", "Plan!$B$5", "1", "Plan!$C$5"},
        {"6", "Plan!$B$6", "3", "Plan!$C$6"}},
       -0.40625},
      {"min x + y at the one root of a cubic system far from the start: -200 at (0, -200, 300, 0)",
       false,
       "Plan!$B$2:$E$2",
       {{"B2", "-400"},
        {"C2", "100"},
        {"D2", "900"},
        {"E2", "400"},
        {"B5", "=4*B2+0.5*B2^3+0.5*C2-0.5*D2-1.5*E2"},
        {"C5", "-250"},
        {"B6", "=0.5*B2+4.25*C2+C2^3+2*D2+0.5*E2"},
        {"C6", "-8000250"},
        {"B7", "=B2+3*D2+0.5*D2^3"},
        {"C7", "13500900"},
        {"B8", "=2*B2-0.5*D2+3.25*E2+E2^3"},
        {"C8", "-150"},
        {"B9", "=B2+C2"}},
       {{"1", "Plan!$B$2", "3", "-400"},
        {"2", "Plan!$B$2", "1", "400"},
        {"3", "Plan!$C$2", "3", "-500"},
        {"4", "Plan!$C$2", "1", "100"},
        {"5", "Plan!$D$2", "3", "0"},
        {"6", "Plan!$D$2", "1", "900"},
        {"7", "Plan!$E$2", "3", "-200"},
        {"8", "Plan!$E$2", "1", "100"},
        {"9", "Plan!$B$5:$B$8", "2", "Plan!$C$5:$C$8"}},
       -200},
      {"min 2x - 2y + z over a ball of radius 40000: -105000 at (-16666.7, 21666.7, -28333.3)",
       false,
       "Plan!$B$2:$D$2",
       {{"B2", "10000"},
        {"C2", "-75000"},
        {"D2", "10000"},
        {"B7", "=(B2-10000)^2+(C2+5000)^2+(D2+15000)^2"},
        {"C7", "1.6E+09"},
        {"B9", "=2*B2-2*C2+D2"}},
       {{"1", "Plan!$B$2", "3", "-60000"},
        {"2", "Plan!$B$2", "1", "80000"},
        {"3", "Plan!$C$2", "3", "-45000"},
        {"4", "Plan!$C$2", "1", "35000"},
        {"5", "Plan!$D$2", "3", "-55000"},
        {"6", "Plan!$D$2", "1", "25000"},
        {"7", "Plan!$B$7", "1", "Plan!$C$7"}},
       -105000},
      {"min -x - y/2 + z over a ball of radius 30000 met from outside: -90000 at (60000, -20000, -40000)",
       false,
       "Plan!$B$2:$D$2",
       {{"B2", "0"},
        {"C2", "0"},
        {"D2", "10000"},
        {"B6", "=3*B2-2.5*C2+1.5*D2"},
        {"C6", "190000"},
        {"B7", "=(B2-40000)^2+(C2+30000)^2+(D2+20000)^2"},
        {"C7", "9E+08"},
        {"B9", "=-B2-0.5*C2+D2"}},
       {{"1", "Plan!$B$2", "3", "0"},
        {"2", "Plan!$B$2", "1", "80000"},
        {"3", "Plan!$C$2", "1", "20000"},
        {"4", "Plan!$D$2", "3", "-50000"},
        {"5", "Plan!$D$2", "1", "10000"},
        {"6", "Plan!$B$6", "1", "Plan!$C$6"},
        {"7", "Plan!$B$7", "1", "Plan!$C$7"}},
       -90000},
      {"min 1.5x - 2y at the one point two equalities leave on a ball tangent to a bound: 800 at (240, -220)",
       false,
       "Plan!$B$2:$C$2",
       {{"B2", "500"},
        {"C2", "-500"},
        {"B5", "=(B2-300)^2+(C2+300)^2"},
        {"C5", "10000"},
        {"B6", "=2*B2+3*C2"},
        {"C6", "-180"},
        {"B7", "=3*B2"},
        {"C7", "720"},
        {"B9", "=1.5*B2-2*C2"}},
       {{"1", "Plan!$B$2", "3", "-100"},
        {"2", "Plan!$B$2", "1", "700"},
        {"3", "Plan!$C$2", "3", "-400"},
        {"4", "Plan!$C$2", "1", "-200"},
        {"5", "Plan!$B$5", "1", "Plan!$C$5"},
        {"6", "Plan!$B$6:$B$7", "2", "Plan!$C$6:$C$7"}},
       800},
      {"min -x/2 over a ball of radius 15000 that the start touches at its far side: -15000 at 30000",
       false,
       "Plan!$B$2",
       {{"B2", "0"}, {"B7", "=(B2-15000)^2"}, {"C7", "2.25E+08"}, {"B9", "=-0.5*B2"}},
       {{"1", "Plan!$B$7", "1", "Plan!$C$7"}, {"2", "Plan!$B$2", "3", "-30000"}, {"3", "Plan!$B$2", "1", "60000"}},
       -15000},
      {"max -2x over a ball of radius 30000 from a start past the bound at its far side: 0 at 0",
       true,
       "Plan!$B$2",
       {{"B2", "80000"}, {"B7", "=(B2-30000)^2"}, {"C7", "9E+08"}, {"B8", "=-3*B2"}, {"C8", "5000"}, {"B9", "=-2*B2"}},
       {{"1", "Plan!$B$7:$B$8", "1", "Plan!$C$7:$C$8"}, {"2", "Plan!$B$2", "3", "0"}, {"3", "Plan!$B$2", "1", "60000"}},
       0},
      {"max -6x + 8y at the one point two equalities leave on a ball of radius 0.0025: 0.044 at (0.002, 0.007)",
       true,
       "Plan!$B$2:$C$2",
       {{"B2", "0.006"},
        {"C2", "0"},
        {"B6", "=(B2-0.0035)^2+(C2-0.005)^2"},
        {"C6", "6.25E-06"},
        {"B7", "=-3*C2"},
        {"C7", "-0.021"},
        {"B8", "=0.5*B2"},
        {"C8", "0.001"},
        {"B9", "=-6*B2+8*C2"}},
       {{"1", "Plan!$B$6", "1", "Plan!$C$6"},
        {"2", "Plan!$B$7:$B$8", "2", "Plan!$C$7:$C$8"},
        {"3", "Plan!$B$2", "3", "0"},
        {"4", "Plan!$B$2", "1", "0.006"},
        {"5", "Plan!$C$2", "3", "0"},
        {"6", "Plan!$C$2", "1", "0.0085"}},
       0.044},
      {"min 1.5x at the one point an equality leaves on a ball of radius 0.025: 0.0075 at 0.005",
       false,
       "Plan!$B$2",
       {{"B2", "0.06375"},
        {"B6", "=(B2-0.03)^2"},
        {"C6", "0.000625"},
        {"B7", "=0.5*B2"},
        {"C7", "0.0025"},
        {"B8", "=-B2"},
        {"C8", "-0.035"},
        {"B9", "=1.5*B2"}},
       {{"1", "Plan!$B$6", "1", "Plan!$C$6"},
        {"2", "Plan!$B$7", "2", "Plan!$C$7"},
        {"3", "Plan!$B$8", "3", "Plan!$C$8"},
        {"4", "Plan!$B$2", "3", "0"},
        {"5", "Plan!$B$2", "1", "0.085"}},
       0.0075},
      {"max -1.5x at the one point an equality leaves on the surface of a ball of radius 0.025: 0.0375 at -0.025",
       true,
       "Plan!$B$2",
       {{"B2", "0"}, {"B6", "=B2^2"}, {"C6", "0.000625"}, {"B7", "=-2*B2"}, {"C7", "0.05"}, {"B9", "=-1.5*B2"}},
       {{"1", "Plan!$B$6", "1", "Plan!$C$6"}, {"2", "Plan!$B$7", "2", "Plan!$C$7"}, {"3", "Plan!$B$2", "3", "-0.045"}},
       0.0375},
      {"min -6x-8y at the one point two equalities leave on the surface of a ball of radius 0.3, met along "
       "one of them from inside: -1.8 at (0.38, -0.06)",
       false,
       "Plan!$B$2:$C$2",
       {{"B2", "0"},
        {"C2", "0.1"},
        {"B6", "=(B2-0.2)^2+(C2+0.3)^2"},
        {"C6", "0.09"},
        {"B7", "=-0.5*B2-2.5*C2"},
        {"C7", "-0.04"},
        {"B8", "=-2*B2"},
        {"C8", "-0.76"},
        {"B9", "=-6*B2-8*C2"}},
       {{"1", "Plan!$B$6", "1", "Plan!$C$6"},
        {"2", "Plan!$B$7", "2", "Plan!$C$7"},
        {"3", "Plan!$B$8", "2", "Plan!$C$8"},
        {"4", "Plan!$B$2", "1", "0.8"}},
       -1.8},
      {"max -x1 + 0.5x2 + x3 at the one point where an equality touches the circle a ball and a second "
       "equality leave: 77500 at (26666.7, 81666.7, 63333.3)",
       true,
       "Plan!$B$2:$D$2",
       {{"B2", "10000"},
        {"C2", "10000"},
        {"D2", "0"},
        {"B6", "=(B2-50000)^2+(C2-70000)^2+(D2-40000)^2"},
        {"C6", "1225000000"},
        {"B7", "=-0.5*B2"},
        {"C7", "=-40000/3"},
        {"B8", "=-2*B2-1.5*C2-3*D2"},
        {"C8", "=-1097500/3"},
        {"B9", "=-B2+0.5*C2+D2"}},
       {{"1", "Plan!$B$6", "1", "Plan!$C$6"},
        {"2", "Plan!$B$7", "2", "Plan!$C$7"},
        {"3", "Plan!$B$8", "2", "Plan!$C$8"}},
       77500},
      {"max -4.5x - 6y over a ball of radius 15000 and an equality, in a box: -112500 at (21000, 3000)",
       true,
       "Plan!$B$2:$C$2",
       {{"B2", "10000"},
        {"C2", "0"},
        {"B6", "=(B2-30000)^2+(C2-15000)^2"},
        {"C6", "225000000"},
        {"B7", "=-2*C2"},
        {"C7", "-6000"},
        {"B9", "=-4.5*B2-6*C2"}},
       {{"1", "Plan!$B$6", "1", "Plan!$C$6"},
        {"2", "Plan!$B$7", "2", "Plan!$C$7"},
        {"3", "Plan!$B$2", "3", "0"},
        {"4", "Plan!$B$2", "1", "55000"},
        {"5", "Plan!$C$2", "3", "0"},
        {"6", "Plan!$C$2", "1", "30000"}},
       -112500},
  };
  int k = 0;
  for (const ConvexCase& c : cases)
    for (const char* options : {"", " --option dia=2"}) {
      const std::string name = "model" + std::to_string(++k);
      const std::string file = convexModel(c).save(dir_ / (name + ".xlsx"));
      const std::string solved = (dir_ / (name + "-solved.xlsx")).string();
      CliRun r = corvan("solve " + file + options + " --out " + solved);
      const std::string what = c.what + std::string(options) + "\n" + r.out;
      EXPECT_EQ(r.status, 0) << what;
      EXPECT_TRUE(r.has("status 0:")) << what;
      EXPECT_NEAR(savedObjective(solved), c.optimum, kObjectiveTol * (1 + std::fabs(c.optimum))) << what;
    }
}
