// Values far out in both calculations, the stand-in's with the library's
// functions registered as `corvan` registers them and the interpreter's,
// against sums computed here term by term: the principal and interest of a
// loan whose growth factor dwarfs 1, and the binomial quantile of many
// trials.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "frontend/Fe_Frontend.h"
#include "frontend/Fe_Interpreter.h"
#include "platform/calc/Calc.h"

namespace {

// Loan pv over n periods at rate r, paid at the end of each period: the
// principal part of payment k, pv r (1 + r)^(k - 1) / ((1 + r)^n - 1).
long double principalOf(long double r, int n, long double pv, int k) {
  return pv * r * std::exp((k - 1) * std::log1p(r)) / std::expm1(n * std::log1p(r));
}

// The principal repaid over periods first to last, as CUMPRINC signs it.
double principalPaid(long double r, int n, long double pv, int first, int last) {
  long double sum = 0;
  for (int k = first; k <= last; ++k) sum += principalOf(r, n, pv, k);
  return static_cast<double>(-sum);
}

// The interest paid over periods first to last: each payment less its
// principal, signed as CUMIPMT signs it.
double interestPaid(long double r, int n, long double pv, int first, int last) {
  const long double payment = pv * r / -std::expm1(-n * std::log1p(r));
  long double sum = 0;
  for (int k = first; k <= last; ++k) sum += payment - principalOf(r, n, pv, k);
  return static_cast<double>(-sum);
}

// The smallest k whose cumulative binomial probability of n trials of
// probability p reaches alpha, each term by logarithms.
double binomialQuantile(int n, long double p, long double alpha) {
  long double sum = 0;
  for (int k = 0; k <= n; ++k) {
    sum += std::exp(std::lgamma(n + 1.0L) - std::lgamma(k + 1.0L) - std::lgamma(n - k + 1.0L) + k * std::log(p) +
                    (n - k) * std::log1p(-p));
    if (sum >= alpha) return k;
  }
  return n;
}

// The formula in A1 of a new workbook, by the stand-in (first) and by the
// interpreter (second).
std::pair<CellValue, CellValue> bothCalculations(const std::string& formula) {
  Wb_resetApp();
  Workbook* wb = Wb_newWorkbook("far.xlsx");
  Sheet* sh = Wb_addSheet(wb, "Values");
  Wb_setFormula(wb, sh, 1, 1, formula);
  Calc_recalculate(wb);
  const Cell* cell = Wb_findCell(sh, 1, 1);
  FeInterpreted interpreted;
  Fe_interpretWorkbook(wb, &interpreted);
  const auto value = interpreted.values.find({0, Wb_cellKey(1, 1)});
  return {cell ? cell->value : CellValue{}, value != interpreted.values.end() ? value->second : CellValue{}};
}

TEST(FarValues, BothCalculationsGiveTheSumsWorkedTermByTerm) {
  Fe_registerFunctions();
  const long double monthly = 0.05L / 12;
  struct Row {
    const char* formula;
    double truth;
    double tolerance;  // relative
  };
  const Row rows[] = {
      {"=CUMPRINC(0.05/12,10000,100000,1,10000,0)", principalPaid(monthly, 10000, 100000, 1, 10000), 1e-9},
      {"=CUMPRINC(0.05/12,10000,100000,1,10000,1)", -100000, 1e-9},
      {"=CUMPRINC(0.05/12,10000,100000,9990,10000,0)", principalPaid(monthly, 10000, 100000, 9990, 10000), 1e-9},
      {"=CUMIPMT(0.05/12,10000,100000,1,10000,0)", interestPaid(monthly, 10000, 100000, 1, 10000), 1e-9},
      {"=CUMIPMT(0.05/12,10000,100000,9990,10000,0)", interestPaid(monthly, 10000, 100000, 9990, 10000), 1e-9},
      {"=CUMPRINC(0.01,24,5000,4,9,0)", principalPaid(0.01L, 24, 5000, 4, 9), 1e-12},
      {"=CUMIPMT(0.01,24,5000,4,9,0)", interestPaid(0.01L, 24, 5000, 4, 9), 1e-12},
      {"=CRITBINOM(200000,0.3,0.02)", binomialQuantile(200000, 0.3L, 0.02L), 0},
      {"=CRITBINOM(10,0.5,0.5)", binomialQuantile(10, 0.5L, 0.5L), 0},
  };
  EXPECT_EQ(rows[0].truth, -100000.0);
  EXPECT_EQ(rows[7].truth, 59579.0);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.formula);
    const auto [standIn, interpreter] = bothCalculations(r.formula);
    for (const CellValue& v : {standIn, interpreter}) {
      ASSERT_EQ(v.kind, CellKind::Number);
      EXPECT_NEAR(v.number, r.truth, r.tolerance * std::fabs(r.truth)) << v.number;
    }
  }
  Wb_resetApp();
}

}  // namespace
