// Everyday models as spreadsheet users write them, with the financial,
// date, statistical, unit, database and simulation functions the stand-in
// now calculates through the library: each is solved by `corvan solve` with
// its stored options and again with the interpreter's analysis
// ("--option dia=2"), and must reach the optimum worked out here without
// the library; the saved workbook, reopened and recalculated, shows it.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "frontend/Fe_Frontend.h"
#include "tests/frontend/CliFixture.h"
#include "tests/support/ScratchTest.h"

namespace {

using EverydayModels = ScratchTest;

constexpr double kPi = 3.14159265358979323846;
// The objective shows with six decimals.
constexpr double kShown = 1e-6;

// A model on sheet Plan: its names and cells.
Plan model(const std::vector<std::pair<std::string, std::string>>& names,
           const std::vector<std::pair<std::string, std::string>>& cells) {
  Plan p;
  p.names = names;
  p.cells = cells;
  p.cells.push_back({"A9", "Objective"});
  p.objectiveFormat = "0.000000";
  return p;
}

// The names of a model that minimises (typ 2) or maximises (1) Plan!B9 over
// Plan!B2 under one constraint, solved by `engine`.
std::vector<std::pair<std::string, std::string>> oneRow(const char* typ, const char* lhs, const char* rel,
                                                        const char* rhs, const char* engine) {
  return {{"solver_opt", "Plan!$B$9"},
          {"solver_typ", typ},
          {"solver_adj", "Plan!$B$2"},
          {"solver_num", "1"},
          {"solver_lhs1", std::string("Plan!") + lhs},
          {"solver_rel1", rel},
          {"solver_rhs1", std::string("Plan!") + rhs},
          {"solver_neg", "1"},
          {"solver_eng", engine}};
}

struct Everyday {
  const char* what;
  Plan plan;
  double optimum;
  double tolerance;  // relative
};

// Monthly payments of 1500 at 6% a year over 30 years: the largest loan is
// the payments' present value.
Everyday loan() {
  const double r = 0.06 / 12, optimum = 1500 * (1 - std::pow(1 + r, -360)) / r;
  return {"a loan under a payment budget (PMT)",
          model(oneRow("1", "$B$5", "1", "$C$5", "1"),
                {{"A2", "Loan"},
                 {"B2", "1000"},
                 {"A3", "Rate"},
                 {"B3", "0.06"},
                 {"A4", "Months"},
                 {"B4", "360"},
                 {"A5", "Payment"},
                 {"B5", "=-PMT(B3/12,B4,B2)"},
                 {"C5", "1500"},
                 {"B9", "=B2"}}),
          optimum, 1e-6};
}

// Five projects (outlay now, flows of years 1 to 4) at 10%, a budget of
// 180: the best choice by trying all 32.
Everyday projects() {
  const double flows[5][5] = {
      {100, 40, 40, 40, 40}, {80, 30, 30, 30, 30}, {60, 0, 30, 30, 30}, {50, 20, 20, 20, 20}, {40, 25, 15, 10, 5}};
  double best = 0;
  for (unsigned choice = 0; choice < 32; ++choice) {
    double outlay = 0, value = 0;
    for (int p = 0; p < 5; ++p) {
      if (!(choice & (1u << p))) continue;
      outlay += flows[p][0];
      value -= flows[p][0];
      for (int y = 1; y <= 4; ++y) value += flows[p][y] / std::pow(1.1, y);
    }
    if (outlay <= 180) best = std::max(best, value);
  }
  std::vector<std::pair<std::string, std::string>> cells = {
      {"A1", "Take"}, {"A3", "Outlay"}, {"A8", "Value"}, {"H1", "0.1"}, {"H3", "=SUMPRODUCT(B1:F1,B3:F3)"},
      {"I3", "180"}};
  const std::string columns = "BCDEF";
  for (int p = 0; p < 5; ++p) {
    const std::string c = columns.substr(static_cast<size_t>(p), 1);
    cells.push_back({c + "1", "0"});
    for (int y = 0; y < 5; ++y) cells.push_back({c + std::to_string(3 + y), std::to_string(flows[p][y])});
    cells.push_back({c + "8", "=NPV($H$1," + c + "4:" + c + "7)-" + c + "3"});
  }
  cells.push_back({"B9", "=SUMPRODUCT(B1:F1,B8:F8)"});
  return {"projects chosen by NPV with binaries",
          model({{"solver_opt", "Plan!$B$9"},
                 {"solver_typ", "1"},
                 {"solver_adj", "Plan!$B$1:$F$1"},
                 {"solver_num", "2"},
                 {"solver_lhs1", "Plan!$H$3"},
                 {"solver_rel1", "1"},
                 {"solver_rhs1", "Plan!$I$3"},
                 {"solver_lhs2", "Plan!$B$1:$F$1"},
                 {"solver_rel2", "5"},
                 {"solver_rhs2", "binary"},
                 {"solver_neg", "1"},
                 {"solver_lin", "1"},
                 {"solver_eng", "2"}},
                cells),
          best, 1e-9};
}

// The least yearly payment on 1000 lent for 4 years that earns at least
// 10% (IRR): the annuity payment.
Everyday rate() {
  const double optimum = 1000 * 0.1 / (1 - std::pow(1.1, -4));
  return {"a payment earning a rate (IRR)",
          model(oneRow("2", "$B$5", "3", "$C$5", "1"),
                {{"A2", "Payment"},
                 {"B2", "400"},
                 {"D1", "-1000"},
                 {"D2", "=$B$2"},
                 {"D3", "=$B$2"},
                 {"D4", "=$B$2"},
                 {"D5", "=$B$2"},
                 {"A5", "Return"},
                 {"B5", "=IRR(D1:D5)"},
                 {"C5", "0.1"},
                 {"B9", "=B2"}}),
          optimum, 1e-6};
}

// Weekdays from Monday 5 January 2026 to the same day six months later
// (EDATE), both counted (NETWORKDAYS).
int weekdaysOfTheSchedule() {
  // 5 Jan 2026 to 5 Jul 2026: 182 days; Monday is day 0.
  int count = 0;
  for (int d = 0; d <= 181; ++d) count += d % 7 < 5;
  return count;
}

// A crew sized to do 1200 person-days of work on the working days of the
// schedule, paid 40000 a year for the year fraction it takes (YEARFRAC,
// actual/actual): the least crew and its cost.
Everyday schedule() {
  const double days = weekdaysOfTheSchedule(), crew = 1200 / days;
  const double fraction = 181.0 / 365;  // 5 Jan to 5 Jul 2026 of a 365-day year
  return {"a crew for a schedule (EDATE, NETWORKDAYS, WORKDAY, YEARFRAC)",
          model({{"solver_opt", "Plan!$B$9"},
                 {"solver_typ", "2"},
                 {"solver_adj", "Plan!$B$2"},
                 {"solver_num", "2"},
                 {"solver_lhs1", "Plan!$B$6"},
                 {"solver_rel1", "3"},
                 {"solver_rhs1", "Plan!$C$6"},
                 {"solver_lhs2", "Plan!$B$7"},
                 {"solver_rel2", "1"},
                 {"solver_rhs2", "Plan!$C$7"},
                 {"solver_neg", "1"},
                 {"solver_eng", "2"},
                 {"solver_lin", "1"}},
                {{"A2", "Crew"},
                 {"B2", "1"},
                 {"A3", "Start"},
                 {"B3", "=DATE(2026,1,5)"},
                 {"A4", "End"},
                 {"B4", "=EDATE(B3,6)"},
                 {"A5", "Days"},
                 {"B5", "=NETWORKDAYS(B3,B4)"},
                 {"A6", "Work"},
                 {"B6", "=B2*B5"},
                 {"C6", "1200"},
                 {"A7", "Finish"},
                 {"B7", "=WORKDAY(B3,B5-1)"},
                 {"C7", "=B4"},
                 {"B9", "=B2*40000*YEARFRAC(B3,B4,1)"}}),
          crew * 40000 * fraction, 1e-9};
}

// The least stock covering a normal demand (mean 500, deviation 80) with
// 95% probability: mean plus the 95% quantile (NORMSINV) times the
// deviation.
Everyday safetyStock() {
  const double z95 = 1.6448536269514722;
  return {"a safety stock (NORMSINV)",
          model(oneRow("2", "$B$6", "3", "$C$6", "1"),
                {{"A2", "Stock"},
                 {"B2", "100"},
                 {"A3", "Mean"},
                 {"B3", "500"},
                 {"A4", "Deviation"},
                 {"B4", "80"},
                 {"A6", "Cover"},
                 {"B6", "=(B2-B3)/B4"},
                 {"C6", "=NORMSINV(0.95)"},
                 {"B9", "=B2"}}),
          500 + z95 * 80, 1e-6};
}

// The same demand served with at least 90% probability (NORMDIST of the
// stock): mean plus the 90% quantile times the deviation.
Everyday serviceLevel() {
  const double z90 = 1.2815515655446004;
  return {"a service level (NORMDIST)",
          model(oneRow("2", "$B$6", "3", "$C$6", "1"),
                {{"A2", "Stock"},
                 {"B2", "500"},
                 {"A3", "Mean"},
                 {"B3", "500"},
                 {"A4", "Deviation"},
                 {"B4", "80"},
                 {"A6", "Served"},
                 {"B6", "=NORMDIST(B2,B3,B4,TRUE)"},
                 {"C6", "0.9"},
                 {"B9", "=B2"}}),
          500 + z90 * 80, 1e-5};
}

// The least whole stock covering a Poisson demand of mean 4 with at least
// 95% probability (POISSON, cumulative), by the evolutionary engine: the
// least s whose terms e^-4 4^j / j! for j = 0..s add up to 0.95.
Everyday poissonStock() {
  int least = 0;
  for (double term = std::exp(-4.0), sum = term; sum < 0.95; sum += term) term *= 4.0 / ++least;
  return {"a whole stock for a service level (POISSON)",
          model({{"solver_opt", "Plan!$B$9"},
                 {"solver_typ", "2"},
                 {"solver_adj", "Plan!$B$2"},
                 {"solver_num", "3"},
                 {"solver_lhs1", "Plan!$B$6"},
                 {"solver_rel1", "3"},
                 {"solver_rhs1", "Plan!$C$6"},
                 {"solver_lhs2", "Plan!$B$2"},
                 {"solver_rel2", "4"},
                 {"solver_rhs2", "\"integer\""},
                 {"solver_lhs3", "Plan!$B$2"},
                 {"solver_rel3", "1"},
                 {"solver_rhs3", "30"},
                 {"solver_neg", "1"},
                 {"solver_eng", "3"}},
                {{"A2", "Stock"},
                 {"B2", "20"},
                 {"A6", "Served"},
                 {"B6", "=POISSON(B2,4,TRUE)"},
                 {"C6", "0.95"},
                 {"B9", "=B2"}}),
          static_cast<double>(least), 1e-9};
}

// The least yearly payment on 1000 lent for 4 years that earns at least
// 12% (RATE of the payment): the annuity payment at 12%.
Everyday annuityRate() {
  const double optimum = 1000 * 0.12 / (1 - std::pow(1.12, -4));
  return {"a payment earning a rate (RATE)",
          model(oneRow("2", "$B$5", "3", "$C$5", "1"),
                {{"A2", "Payment"},
                 {"B2", "400"},
                 {"A5", "Return"},
                 {"B5", "=RATE(4,-B2,1000)"},
                 {"C5", "0.12"},
                 {"B9", "=B2"}}),
          optimum, 1e-6};
}

// A closed cylinder measured in feet holding 20 cubic metres (the volume
// converted with CONVERT of feet to metres) with the least surface: height
// twice the radius, a foot being 0.3048 m.
Everyday tank() {
  const double radius = std::cbrt(20 / (2 * kPi)) / 0.3048;
  return {"a tank sized with CONVERT",
          model({{"solver_opt", "Plan!$B$9"},
                 {"solver_typ", "2"},
                 {"solver_adj", "Plan!$B$2:$B$3"},
                 {"solver_num", "2"},
                 {"solver_lhs1", "Plan!$B$5"},
                 {"solver_rel1", "3"},
                 {"solver_rhs1", "Plan!$C$5"},
                 {"solver_lhs2", "Plan!$B$2:$B$3"},
                 {"solver_rel2", "3"},
                 {"solver_rhs2", "0.1"},
                 {"solver_eng", "1"}},
                {{"A2", "Radius"},
                 {"B2", "5"},
                 {"A3", "Height"},
                 {"B3", "5"},
                 {"A5", "Volume"},
                 {"B5", "=PI()*B2^2*B3*CONVERT(1,\"ft\",\"m\")^3"},
                 {"C5", "20"},
                 {"B9", "=2*PI()*B2^2+2*PI()*B2*B3"}}),
          6 * kPi * radius * radius, 1e-5};
}

// Two oils bought by the US gallon at 10 and 6 a gallon, blended into at
// least 1000 litres of which at least 300 litres are the dearer one (the
// litres from CONVERT of gallons): both limits bind, and the cheapest blend
// costs 7200 over the litres in a gallon, 231 cubic inches of 0.254 dm.
Everyday blend() {
  const double litresPerGallon = 231 * 0.254 * 0.254 * 0.254;
  return {"a blend bought in gallons (CONVERT)",
          model({{"solver_opt", "Plan!$B$9"},
                 {"solver_typ", "2"},
                 {"solver_adj", "Plan!$B$2:$C$2"},
                 {"solver_num", "1"},
                 {"solver_lhs1", "Plan!$B$5:$B$6"},
                 {"solver_rel1", "3"},
                 {"solver_rhs1", "Plan!$C$5:$C$6"},
                 {"solver_neg", "1"},
                 {"solver_lin", "1"},
                 {"solver_eng", "2"}},
                {{"B1", "Oil A"},
                 {"C1", "Oil B"},
                 {"A2", "Gallons"},
                 {"B2", "0"},
                 {"C2", "0"},
                 {"A3", "Price"},
                 {"B3", "10"},
                 {"C3", "6"},
                 {"A5", "Litres"},
                 {"B5", "=(B2+C2)*CONVERT(1,\"gal\",\"l\")"},
                 {"C5", "1000"},
                 {"A6", "Litres of A"},
                 {"B6", "=B2*CONVERT(1,\"gal\",\"l\")"},
                 {"C6", "300"},
                 {"B9", "=SUMPRODUCT(B2:C2,B3:C3)"}}),
          7200 / litresPerGallon, 1e-10};
}

// A room heated to 20 degrees Celsius on a thermostat set in Fahrenheit
// and a shelf wanted 3 m long but held to 2.5 m, measured in feet (CONVERT
// of both variables): the thermostat at 68 F, the shelf at 2.5 m, the
// objective 1 + 0.5^2.
Everyday thermostat() {
  return {"a thermostat and a shelf in other units (CONVERT of the variables)",
          model({{"solver_opt", "Plan!$B$9"},
                 {"solver_typ", "2"},
                 {"solver_adj", "Plan!$B$2:$B$3"},
                 {"solver_num", "1"},
                 {"solver_lhs1", "Plan!$B$5"},
                 {"solver_rel1", "1"},
                 {"solver_rhs1", "Plan!$C$5"},
                 {"solver_eng", "1"}},
                {{"A2", "Setting"},
                 {"B2", "50"},
                 {"A3", "Shelf"},
                 {"B3", "5"},
                 {"A4", "Room"},
                 {"B4", "=CONVERT(B2,\"F\",\"C\")"},
                 {"A5", "Length"},
                 {"B5", "=CONVERT(B3,\"ft\",\"m\")"},
                 {"C5", "2.5"},
                 {"B9", "=(B4-20)^2+(B5-3)^2+1"}}),
          1.25, 1e-6};
}

// The least yearly payment on 1000 lent on 1 January 2025 for four years of
// 365 days that earns at least 10% (XIRR of the dated flows): the annuity
// payment at 10%, the years being whole.
Everyday datedRate() {
  const double optimum = 1000 * 0.1 / (1 - std::pow(1.1, -4));
  std::vector<std::pair<std::string, std::string>> cells = {
      {"A2", "Payment"}, {"B2", "400"}, {"A5", "Return"}, {"B5", "=XIRR(D1:D5,E1:E5)"},
      {"C5", "0.1"},     {"B9", "=B2"}, {"D1", "-1000"}};
  for (int k = 0; k <= 4; ++k) {
    if (k > 0) cells.push_back({"D" + std::to_string(k + 1), "=$B$2"});
    cells.push_back({"E" + std::to_string(k + 1), std::to_string(45658 + 365 * k)});
  }
  return {"a payment earning a rate on dated flows (XIRR)", model(oneRow("2", "$B$5", "3", "$C$5", "1"), cells),
          optimum, 1e-6};
}

// A Poisson law fitted to the probabilities of mean 3 at counts 0 to 5
// (POISSON's terms of the variable mean, squared misfits summed), held to
// P(X <= 2) >= 0.5 (POISSON's cumulative form): the fit stops where that
// bound holds with equality, e^-m (1 + m + m^2 / 2) = 0.5, found here by
// bisection.
Everyday poissonFit() {
  const auto term = [](int k, double m) { return std::exp(-m + k * std::log(m) - std::lgamma(k + 1.0)); };
  double lo = 1, hi = 3;
  for (int i = 0; i < 200; ++i) {
    const double m = (lo + hi) / 2;
    if (term(0, m) + term(1, m) + term(2, m) >= 0.5) lo = m;
    else hi = m;
  }
  double misfit = 0;
  std::vector<std::pair<std::string, std::string>> cells = {{"A2", "Mean"},    {"B2", "1"},
                                                            {"A6", "Up to 2"}, {"B6", "=POISSON(2,B2,TRUE)"},
                                                            {"C6", "0.5"},     {"B9", "=SUM(F1:F6)"}};
  for (int k = 0; k <= 5; ++k) {
    const std::string row = std::to_string(k + 1);
    char p[32];
    std::snprintf(p, sizeof p, "%.17g", term(k, 3.0));
    cells.push_back({"D" + row, std::to_string(k)});
    cells.push_back({"E" + row, p});
    cells.push_back({"F" + row, "=(POISSON(D" + row + ",$B$2,FALSE)-E" + row + ")^2"});
    misfit += std::pow(term(k, lo) - std::strtod(p, nullptr), 2);
  }
  return {"a Poisson mean fitted under a bound (POISSON of the variable mean)",
          model(oneRow("2", "$B$6", "3", "$C$6", "1"), cells), misfit, 1e-5};
}

// Four items in a table by department, each with a return and a limit;
// each department's spending (DSUM) held to its budget: the best returns
// first within each department.
Everyday budget() {
  return {"a budget held with DSUM",
          model({{"solver_opt", "Plan!$B$9"},
                 {"solver_typ", "1"},
                 {"solver_adj", "Plan!$C$2:$C$5"},
                 {"solver_num", "3"},
                 {"solver_lhs1", "Plan!$G$2"},
                 {"solver_rel1", "1"},
                 {"solver_rhs1", "100"},
                 {"solver_lhs2", "Plan!$G$5"},
                 {"solver_rel2", "1"},
                 {"solver_rhs2", "50"},
                 {"solver_lhs3", "Plan!$C$2:$C$5"},
                 {"solver_rel3", "1"},
                 {"solver_rhs3", "Plan!$E$2:$E$5"},
                 {"solver_neg", "1"},
                 {"solver_lin", "1"},
                 {"solver_eng", "2"}},
                {{"A1", "Dept"},
                 {"B1", "Return"},
                 {"C1", "Amount"},
                 {"E1", "Limit"},
                 {"A2", "A"},
                 {"B2", "3"},
                 {"C2", "0"},
                 {"E2", "60"},
                 {"A3", "A"},
                 {"B3", "2"},
                 {"C3", "0"},
                 {"E3", "80"},
                 {"A4", "B"},
                 {"B4", "4"},
                 {"C4", "0"},
                 {"E4", "30"},
                 {"A5", "B"},
                 {"B5", "1"},
                 {"C5", "0"},
                 {"E5", "50"},
                 {"F1", "Dept"},
                 {"F2", "A"},
                 {"G2", "=DSUM(A1:C5,\"Amount\",F1:F2)"},
                 {"F4", "Dept"},
                 {"F5", "B"},
                 {"G5", "=DSUM(A1:C5,\"Amount\",F4:F5)"},
                 {"B9", "=SUMPRODUCT(B2:B5,C2:C5)"}}),
          60 * 3 + 40 * 2 + 30 * 4 + 20 * 1, 1e-9};
}

// A plan that reads a simulation function's value: a capacity of at least
// 70 and a uniform draw between 60 and 70 (one draw per recalculation)
// caps the amount at 70.
Everyday simulated() {
  return {"a model reading a simulation function",
          model(oneRow("1", "$B$2", "1", "$C$2", "1"),
                {{"A2", "Amount"}, {"B2", "1"}, {"C2", "=MAX(70,cb_uniform(60,70))"}, {"B9", "=3*B2"}}),
          210, 1e-6};
}

TEST_F(EverydayModels, EachReachesItsOptimumWithStoredOptionsAndWithAnalysis) {
  const Everyday models[] = {loan(),         projects(),   rate(),      schedule(),  safetyStock(),
                             serviceLevel(), tank(),       budget(),    simulated(), poissonStock(),
                             annuityRate(),  blend(),      thermostat(), datedRate(), poissonFit()};
  Fe_registerFunctions();
  int k = 0;
  for (const Everyday& m : models) {
    const std::string name = "model" + std::to_string(++k);
    const std::string file = m.plan.save(dir_ / (name + ".xlsx")), solved = (dir_ / (name + "-solved.xlsx")).string();
    const double tolerance = std::max(m.tolerance * std::fabs(m.optimum), kShown);
    for (const char* options : {"", " --option dia=2"}) {
      CliRun r = corvan("solve " + file + options + " --out " + solved);
      EXPECT_EQ(r.status, 0) << m.what << options << "\n" << r.out;
      EXPECT_NEAR(Cli_objective(r.out), m.optimum, tolerance) << m.what << options << "\n" << r.out;
      // The saved workbook, reopened and recalculated, shows that objective.
      std::string error;
      Workbook* wb = Xlsx_open(solved, &error);
      ASSERT_NE(wb, nullptr) << error;
      Calc_recalculate(wb);
      const Cell* objective = Wb_findCell(wb->sheets[0].get(), 8, 1);
      ASSERT_NE(objective, nullptr) << m.what;
      EXPECT_NEAR(objective->value.number, m.optimum, tolerance) << m.what << options;
      Wb_closeWorkbook(wb);
    }
  }
}

}  // namespace

// A function that cannot give what the engine asks for: TDIST has no
// derivatives for the analysed GRG run, nor has POISSON in its count,
// NORMDIST no intervals for the interval engine (the stock bounded for
// it). The run fails, and the refusal names the status, the function and
// its own cell, not a cell that reads it, in the user's words, once: no
// interpreter entry, no linear coefficients for the nonlinear engine.
TEST_F(EverydayModels, AFunctionThatCannotGiveTheModeIsNamedWithItsCell) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> names, cells;
    const char* options;
    const char* said;  // the status, the function and its cell
    const char* run;   // the run's status: an evaluation failed
  };
  const Case cases[] = {
      {"TDIST with the analysis",
       {{"solver_lhs1", "Plan!$B$7"}},
       {{"B7", "=1-TDIST(B2/100,3,1)"}},
       " --option dia=2",
       "the model uses TDIST (in Plan!B7), which the interpreter calculates but cannot differentiate",
       "status 9: "},
      {"POISSON of a variable count with the analysis",
       {{"solver_lhs1", "Plan!$B$8"}},
       {{"B7", "=POISSON(B2/100,3,TRUE)"}, {"B8", "=SUM(B7,1)"}},
       " --option dia=2",
       "the model uses POISSON (in Plan!B7), which the interpreter calculates but cannot differentiate",
       "status 9: "},
      {"NORMDIST in the interval engine",
       {{"solver_num", "2"}, {"solver_lhs2", "Plan!$B$2"}, {"solver_rel2", "1"}, {"solver_rhs2", "1000"}},
       {},
       " --engine 4",
       "(interpreter status 39) at Plan!$B$6 (NORMDIST)",
       "status 1001: "},
  };
  Fe_registerFunctions();
  int k = 0;
  for (const Case& c : cases) {
    Everyday m = serviceLevel();
    for (const auto& [name, value] : c.names) m.plan.set(name, value);
    for (const auto& cell : c.cells) m.plan.cells.push_back(cell);
    const std::string file = m.plan.save(dir_ / ("refused" + std::to_string(++k) + ".xlsx"));
    const CliRun r = corvan("solve " + file + c.options);
    EXPECT_NE(r.status, 0) << c.what << "\n" << r.out;
    EXPECT_NE(r.out.find(c.said), std::string::npos) << c.what << "\n" << r.out;
    if (c.said[0] != '(') {  // the status line says it; the library's line does not repeat it
      EXPECT_EQ(r.out.find("could not be evaluated"), std::string::npos) << c.what << "\n" << r.out;
    }
    EXPECT_NE(r.out.find(c.run), std::string::npos) << c.what << "\n" << r.out;
    EXPECT_EQ(r.out.find("evalReal"), std::string::npos) << c.what << "\n" << r.out;
    EXPECT_EQ(r.out.find("linear coefficients"), std::string::npos) << c.what << "\n" << r.out;
  }
}
