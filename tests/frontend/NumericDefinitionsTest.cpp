// Numeric functions at the edges of their arguments, in both calculations
// (the stand-in's with the library's functions registered as `corvan`
// registers them, and the interpreter's), against values by definition
// worked out here or by hand: determinants of scaled matrices, numbers in a
// base read from their digits, a loan's interest at rates near 0, moments
// of data near the doubles' ends, a series whose coefficients keep their
// places, and the logicals the financial and date functions refuse.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "frontend/Fe_Frontend.h"
#include "frontend/Fe_Interpreter.h"
#include "platform/calc/Calc.h"

namespace {

// The cells the formulas read (rows and columns from 0): A1:A3 = 1, blank,
// 3; B1:B3 = 1, "a", 3; C1 = TRUE; D1:D3 = 1E+308, -1E+308, 5E+307 (a
// formula may not hold such numbers itself).
void setContext(Workbook* wb, Sheet* sh) {
  Wb_setValue(wb, sh, 0, 0, CellValue::makeNumber(1));
  Wb_setValue(wb, sh, 2, 0, CellValue::makeNumber(3));
  Wb_setValue(wb, sh, 0, 1, CellValue::makeNumber(1));
  Wb_setValue(wb, sh, 1, 1, CellValue::makeText("a"));
  Wb_setValue(wb, sh, 2, 1, CellValue::makeNumber(3));
  Wb_setValue(wb, sh, 0, 2, CellValue::makeBoolean(true));
  Wb_setValue(wb, sh, 0, 3, CellValue::makeNumber(1e308));
  Wb_setValue(wb, sh, 1, 3, CellValue::makeNumber(-1e308));
  Wb_setValue(wb, sh, 2, 3, CellValue::makeNumber(5e307));
}

// The formula in H1 of a new workbook, by the stand-in (first) and by the
// interpreter (second).
std::pair<CellValue, CellValue> bothCalculations(const std::string& formula) {
  Wb_resetApp();
  Workbook* wb = Wb_newWorkbook("definitions.xlsx");
  Sheet* sh = Wb_addSheet(wb, "Values");
  setContext(wb, sh);
  Wb_setFormula(wb, sh, 0, 7, formula);
  Calc_recalculate(wb);
  const Cell* cell = Wb_findCell(sh, 0, 7);
  FeInterpreted interpreted;
  Fe_interpretWorkbook(wb, &interpreted);
  const auto value = interpreted.values.find({0, Wb_cellKey(0, 7)});
  return {cell ? cell->value : CellValue{}, value != interpreted.values.end() ? value->second : CellValue{}};
}

// Sum of (1 + r)^j for j = first .. last - 1, term by term: the part of the
// annuity factor between two payments, which no subtraction forms.
long double powerSum(long double r, int first, int last) {
  long double sum = 0;
  for (int j = first; j < last; ++j) sum += std::pow(1 + r, static_cast<long double>(j));
  return sum;
}

// The interest paid with payment per of a loan pv over n periods at rate r,
// paid at the end of each period: the rate on what is still owed after per
// - 1 payments, pv (a_n - a_(per-1)) / a_n, signed as IPMT signs it.
double interestOf(long double r, int per, int n, long double pv) {
  return static_cast<double>(-r * pv * powerSum(r, per - 1, n) / powerSum(r, 0, n));
}

// The principal of payment per: pv (1 + r)^(per - 1) / a_n, signed.
double principalOf(long double r, int per, int n, long double pv) {
  return static_cast<double>(-pv * std::pow(1 + r, static_cast<long double>(per - 1)) / powerSum(r, 0, n));
}

// Moments of data by their definitions, in long double.
struct Moments {
  long double n = 0, mean = 0, sd = 0;
  std::vector<long double> z;  // the standardised data
  explicit Moments(const std::vector<long double>& x) : n(static_cast<long double>(x.size())) {
    for (long double v : x) mean += v / n;
    long double squares = 0;
    for (long double v : x) squares += (v - mean) * (v - mean);
    sd = std::sqrt(squares / (n - 1));
    for (long double v : x) z.push_back((v - mean) / sd);
  }
  double skew() const {
    long double s = 0;
    for (long double v : z) s += v * v * v;
    return static_cast<double>(n / ((n - 1) * (n - 2)) * s);
  }
  double kurt() const {
    long double s = 0;
    for (long double v : z) s += v * v * v * v;
    return static_cast<double>(n * (n + 1) / ((n - 1) * (n - 2) * (n - 3)) * s -
                               3 * (n - 1) * (n - 1) / ((n - 2) * (n - 3)));
  }
};

struct Row {
  const char* formula;
  CellValue truth;
  double tolerance = 1e-12;  // relative, for a number
};

CellValue number(double x) { return CellValue::makeNumber(x); }
CellValue text(const char* s) { return CellValue::makeText(s); }
const CellValue kValueError = CellValue::makeError(CellError::Value);
const CellValue kNumError = CellValue::makeError(CellError::Num);

void expectRows(const std::vector<Row>& rows) {
  for (const Row& r : rows) {
    SCOPED_TRACE(r.formula);
    const auto [standIn, interpreter] = bothCalculations(r.formula);
    for (const CellValue& v : {standIn, interpreter}) {
      ASSERT_EQ(static_cast<int>(v.kind), static_cast<int>(r.truth.kind))
          << Calc_displayText(standIn, "") << " / " << Calc_displayText(interpreter, "");
      if (v.kind == CellKind::Number)
        EXPECT_NEAR(v.number, r.truth.number, r.tolerance * std::fabs(r.truth.number)) << v.number;
      else if (v.kind == CellKind::Error) EXPECT_EQ(static_cast<int>(v.error), static_cast<int>(r.truth.error));
      else EXPECT_EQ(v.text, r.truth.text);
    }
  }
  Wb_resetApp();
}

TEST(NumericDefinitions, DeterminantsAndInversesOfScaledMatrices) {
  Fe_registerFunctions();
  // A diagonal matrix's determinant is the product of its diagonal and its
  // inverse the reciprocals; scaling a row or a column scales the
  // determinant alike (det {1,2,3;2,5,1;4,2,7} = 33 - 20 - 48 = -35).
  expectRows({
      {"=MDETERM({1E+20,0,0;0,1,0;0,0,1E-20})", number(1e20 * 1e-20), 1e-15},
      {"=MDETERM({1E-15,0,0;0,1,0;0,0,1E+15})", number(1), 1e-15},
      {"=MDETERM({2,0,0;0,1E-200,0;0,0,3})", number(6e-200), 1e-15},
      {"=MDETERM({1,2E-30,3;2,5E-30,1;4,2E-30,7})", number(-35e-30), 1e-14},
      {"=MDETERM({1E+200,2E+200,3E+200;2,5,1;4,2,7})", number(-35e200), 1e-14},
      {"=MDETERM({1,2,3;4,5,6;7,8,9})", number(0), 0},
      {"=INDEX(MINVERSE({1E+20,0,0;0,1,0;0,0,1E-20}),1,1)", number(1e-20), 1e-15},
      {"=INDEX(MINVERSE({1E+20,0,0;0,1,0;0,0,1E-20}),3,3)", number(1e20), 1e-15},
      {"=INDEX(MINVERSE({1E-15,0,0;0,1,0;0,0,1E+15}),1,1)", number(1e15), 1e-15},
      {"=INDEX(MINVERSE({1,2,3;4,5,6;7,8,9}),1,1)", kNumError},
  });
}

TEST(NumericDefinitions, NumbersInABaseAreReadFromTheirDigits) {
  Fe_registerFunctions();
  // "1e3" is hexadecimal 1*256 + 14*16 + 3 = 483, and no binary or octal
  // number; binary 101 is 5, octal 17 is 15. A logical is no number there.
  expectRows({
      {"=BIN2DEC(\"1e3\")", kNumError},
      {"=OCT2DEC(\"1e3\")", kNumError},
      {"=BIN2HEX(\"1e3\")", kNumError},
      {"=BIN2OCT(\"1e3\")", kNumError},
      {"=OCT2BIN(\"1e3\")", kNumError},
      {"=OCT2HEX(\"1e3\")", kNumError},
      {"=OCT2DEC(\" 17\")", kNumError},
      {"=HEX2DEC(\"1e3\")", number(483), 0},
      {"=BIN2DEC(\"101\")", number(5), 0},
      {"=OCT2DEC(\"17\")", number(15), 0},
      {"=BIN2HEX(\"101\")", text("5")},
      {"=OCT2BIN(\"17\",6)", text("001111")},
      {"=BIN2DEC(101)", number(5), 0},
      {"=BIN2DEC(TRUE)", kValueError},
      {"=DEC2BIN(TRUE)", kValueError},
      {"=HEX2BIN(\"F\",TRUE)", kValueError},
      {"=DEC2BIN(\"5\",4)", text("0101")},
  });
}

TEST(NumericDefinitions, InterestIsTheRateOnWhatIsStillOwed) {
  Fe_registerFunctions();
  expectRows({
      {"=IPMT(1E-12,2,12,1000)", number(interestOf(1e-12L, 2, 12, 1000))},
      {"=IPMT(1E-15,2,12,1000)", number(interestOf(1e-15L, 2, 12, 1000))},
      {"=IPMT(1E-12,12,12,1000)", number(interestOf(1e-12L, 12, 12, 1000))},
      {"=IPMT(1E-9,7,360,250000)", number(interestOf(1e-9L, 7, 360, 250000))},
      {"=IPMT(0.01,5,24,5000)", number(interestOf(0.01L, 5, 24, 5000))},
      // Paid at the start of each period, a payment's interest accrued over
      // the period before it, on the loan less the first payment.
      {"=IPMT(1E-12,2,12,1000,0,1)", number(interestOf(1e-12L, 2, 12, 1000) / (1 + 1e-12))},
      {"=IPMT(1E-12,1,12,1000,0,1)", number(0), 0},
      {"=CUMIPMT(1E-12,12,1000,2,2,0)", number(interestOf(1e-12L, 2, 12, 1000))},
      {"=PPMT(1E-12,2,12,1000)", number(principalOf(1e-12L, 2, 12, 1000))},
      {"=PPMT(1E-15,12,12,1000)", number(principalOf(1e-15L, 12, 12, 1000))},
  });
}

TEST(NumericDefinitions, MomentsOfDataNearTheEndsOfTheDoubles) {
  Fe_registerFunctions();
  // Moments are free of the data's scale: those of 1, 2, 4 (and 8) at any
  // magnitude.
  const Moments three({1, 2, 4}), four({1, 2, 4, 8});
  expectRows({
      {"=SKEW(1E+200,2E+200,4E+200)", number(three.skew())},
      {"=SKEW(1E-200,2E-200,4E-200)", number(three.skew())},
      {"=SKEW(1E+300,2E+300,4E+300)", number(three.skew())},
      {"=SKEW(D1:D3)", number(Moments({2, -2, 1}).skew())},
      {"=KURT(1E+200,2E+200,4E+200,8E+200)", number(four.kurt())},
      {"=KURT(1E-200,2E-200,4E-200,8E-200)", number(four.kurt())},
      {"=STDEV(1E+200,3E+200)", number(std::sqrt(2.0) * 1e200)},
      {"=STDEV(1E-200,3E-200)", number(std::sqrt(2.0) * 1e-200)},
      {"=STDEVP(1E+300,-1E+300)", number(1e300)},
      {"=VAR(1E+150,3E+150)", number(2e300)},
      {"=VAR(1E+200,3E+200)", kNumError},
      {"=AVEDEV(D1:D2)", number(1e308)},
      {"=STDEVP(D1:D2)", number(1e308)},
      {"=DEVSQ(D1:D3)", kNumError},
      {"=DEVSQ(1E+200,1E+200)", number(0), 0},
      {"=HARMEAN(1E-308,1E-308)", number(1e-308)},
      {"=GEOMEAN(1E+200,1E+200,1E+200)", number(1e200)},
      {"=GEOMEAN(1E-200,1E-200,1E+200,1E+200)", number(1)},
      {"=GEOMEAN(D1,D3)", number(std::sqrt(50.0) * 1e307)},  // the root of 5E+615
  });
}

TEST(NumericDefinitions, SeriesCoefficientsKeepTheirPlaces) {
  Fe_registerFunctions();
  // 1 x^1 + c x^2 + 3 x^3 at x = 2: a blank coefficient is 0 and holds its
  // power; a text is no coefficient.
  expectRows({
      {"=SERIESSUM(2,1,1,{1,\"a\",3})", kValueError},
      {"=SERIESSUM(2,1,1,B1:B3)", kValueError},
      {"=SERIESSUM(2,1,1,A1:A3)", number(1 * 2 + 0 * 4 + 3 * 8), 0},
      {"=SERIESSUM(2,1,1,{1,2,3})", number(1 * 2 + 2 * 4 + 3 * 8), 0},
  });
}

TEST(NumericDefinitions, FinancialAndDateFunctionsRefuseLogicals) {
  Fe_registerFunctions();
  // A logical where a date, a count, a frequency or a basis is wanted.
  expectRows({
      {"=EFFECT(0.05,TRUE)", kValueError},
      {"=NOMINAL(0.05,TRUE)", kValueError},
      {"=PRICE(DATE(2008,2,15),DATE(2017,11,15),0.0575,0.065,100,TRUE,0)", kValueError},
      {"=YIELD(DATE(2008,2,15),DATE(2016,11,15),0.0575,95.04287,100,2,TRUE)", kValueError},
      {"=CUMIPMT(0.0075,360,125000,TRUE,1,0)", kValueError},
      {"=CUMPRINC(0.0075,360,125000,1,1,TRUE)", kValueError},
      {"=DISC(TRUE,DATE(2007,6,1),97.975,100,1)", kValueError},
      {"=TBILLPRICE(TRUE,DATE(2008,6,1),0.09)", kValueError},
      {"=COUPNUM(DATE(2007,1,25),DATE(2008,11,15),TRUE,1)", kValueError},
      {"=ACCRINTM(DATE(2008,4,1),TRUE,0.1,1000,3)", kValueError},
      {"=DOLLARDE(1.02,TRUE)", kValueError},
      {"=XNPV(TRUE,{-10,11},{39448,39813})", kValueError},
      {"=DB(1000000,100000,TRUE,1,7)", kValueError},
      {"=EDATE(TRUE,1)", kValueError},
      {"=EDATE(C1,1)", kValueError},
      {"=EOMONTH(39448,TRUE)", kValueError},
      {"=YEARFRAC(TRUE,39448)", kValueError},
      // A logical stays its number where the function takes one, and a
      // text that reads as a number is that number.
      {"=EFFECT(0.05,\"4\")", number(std::pow(1 + 0.05 / 4, 4) - 1)},
      {"=EDATE(\"39448\",1)", number(39448 + 31), 0},
      {"=PV(0.1,TRUE,-110)", number(100)},
  });
}

}  // namespace
