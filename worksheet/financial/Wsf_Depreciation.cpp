// SLN, SYD, DB, DDB, VDB, AMORLINC and AMORDEGRC.
#include "worksheet/financial/Wsf_Depreciation.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "arithmetic/operators/Op_Operators.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/dates/Coup_DayCount.h"
#include "worksheet/financial/Fin_Terms.h"
#include "worksheet/financial/Sec_Args.h"

namespace {

constexpr double kDefaultFactor = 2.0;
constexpr double kMonthsPerYear = 12;
constexpr int kDdbArgs = 5;
constexpr int kVdbArgs = 7;
constexpr int kAmorArgs = 7;
constexpr int kAmorBasis = 6;
constexpr double kHalf = 0.5;

// AMORDEGRC's coefficients by the life in years.
constexpr double kShortLifeCoefficient = 1.5;  // up to 4 years
constexpr double kMidLifeCoefficient = 2.0;    // 5 or 6 years
constexpr double kLongLifeCoefficient = 2.5;
constexpr double kShortLife = 4;
constexpr double kMidLifeFrom = 5;
constexpr double kMidLifeTo = 6;
// The number of periods before the end at which AMORDEGRC takes half the
// value left.
constexpr double kHalvingBeforeEnd = 3;

// The numbers of the first count arguments of a plain-number function
// into x, whose later slots keep their defaults: false with the result
// formed.
bool plainArgs(Value* result, int argc, const Value* const* argv, int count, double* x) {
  return Wsf_plainNumbers(result, std::min(argc, count), argv, x);
}

// The prorated first period of AMORLINC and AMORDEGRC: the day count and
// the basis checks; false with the result formed.
struct Amortisation {
  double cost, salvage, period, rate, firstFraction;
};

bool amortisationHead(Value* result, int argc, const Value* const* argv, Amortisation* a) {
  double x[kAmorArgs] = {0, 0, 0, 0, 0, 0, 0};
  if (!Sec_headPlain(result, std::min(argc, kAmorArgs), argv, {kAmorBasis}, x)) return false;
  const double basis = x[kAmorBasis];
  double days = 0, yearLength = 0;
  if (!(x[0] > 0) || x[3] < 0 || x[3] > x[0] || x[4] < 0 || !(x[5] > 0) ||
      basis == static_cast<double>(kBasisActual360) || !Coup_dayCount(x[1], x[2], basis, &days, &yearLength))
    return Wsf_error(result, kErrNum), false;
  *a = Amortisation{x[0], x[3], x[4], x[5], days / yearLength};
  return true;
}

}  // namespace

Value* Wsf_sln(Value* result, const Value* cost, const Value* salvage, const Value* life) {
  return Fin_into(result, (FinTerm(*cost) - FinTerm(*salvage)) / FinTerm(*life));
}

Value* Wsf_syd(Value* result, const Value* cost, const Value* salvage, const Value* life, const Value* per) {
  const FinTerm years(*life);
  const FinTerm digits = (years - FinTerm(*per)) + 1.0;
  return Fin_into(result, (FinTerm(*cost) - FinTerm(*salvage)) * digits * 2.0 / ((years + 1.0) * years));
}

Value* Wsf_db(Value* result, int argc, const Value* const* argv) {
  if (argc < 4) return Wsf_error(result, kErrValue);
  // The periods pick the steps, cost and salvage whether there is a result.
  Wsf_structureVariesWith(result, std::vector<const Value*>(argv, argv + argc));
  const bool month = Wsf_given(argc, argv, 4);
  if (month ? Wsf_structureHooksSmooth(result, {argv[2], argv[3], argv[4]}, {argv[0], argv[1]})
            : Wsf_structureHooksSmooth(result, {argv[2], argv[3]}, {argv[0], argv[1]}))
    return result;
  if (Wsf_firstErrorArg(result, argc, argv)) return result;
  if (!Wsf_isNumber(argv[2]) || !Wsf_isNumber(argv[3]) || (month && !Wsf_isNumber(argv[4])))
    return Wsf_error(result, kErrValue);
  if (Wsf_fails(argv[0], 0.0, kRelCmpLt)) return Wsf_error(result, kErrNum);
  if (Op_compareConst(*argv[0], 0.0, kRelCmpEq)) return Wsf_finite(result, 0.0);
  if (Wsf_fails(argv[1], 0.0, kRelCmpLt)) return Wsf_error(result, kErrNum);
  const double life = Wsf_number(argv[2]), period = Wsf_number(argv[3]);
  const double p = period > 0 && period < 1 ? 1 : std::trunc(period);
  const double months = month ? std::trunc(Wsf_number(argv[4])) : kMonthsPerYear;
  const double last = std::trunc(life + 1);
  if (!(p >= 1) || p > last || !(life > 0) || months < 1 || months > kMonthsPerYear) return Wsf_error(result, kErrNum);
  const FinTerm cost(*argv[0]), salvage(*argv[1]);
  const FinTerm rate = 1.0 - Fin_power(salvage / cost, 1.0 / life);
  // The first period takes its months' share of a year at the rate; each
  // later one the rate of the value left, which so falls by 1 - rate a
  // period; the one past the life the rest of that year's share.
  const double firstShare = months / kMonthsPerYear;
  if (p == 1) return Fin_into(result, cost * rate * firstShare);
  FinTerm left = cost * (1.0 - rate * firstShare);
  if (p > 2) left = left * Fin_power(1.0 - rate, p - 2);
  return Fin_into(result, left * rate * (p == last ? 1 - firstShare : 1.0));
}

Value* Wsf_ddb(Value* result, int argc, const Value* const* argv) {
  double x[kDdbArgs] = {0, 0, 0, 0, kDefaultFactor};
  if (!plainArgs(result, argc, argv, kDdbArgs, x)) return result;
  const double cost = x[0], salvage = x[1], life = x[2], period = x[3];
  const double factor = Wsf_given(argc, argv, 4) ? x[4] : kDefaultFactor;
  if (!(cost > 0) || salvage < 0 || !(life > 0) || !(period > 0) || !(factor > 0)) return Wsf_error(result, kErrNum);
  // The period asked, or the last of the life; each takes the rate of the
  // value left, so that the value falls by 1 - rate a period, until the
  // period that would take it below the salvage takes it to the salvage.
  const double n = std::min(std::ceil(period), std::floor(life)), rate = std::min(factor / life, 1.0);
  if (n < 1) return Wsf_finite(result, 0.0);
  const double left = n == 1 ? cost : cost * std::exp((n - 1) * std::log1p(-rate));
  return Wsf_finite(result, left <= salvage ? 0.0 : std::min(left * rate, left - salvage));
}

Value* Wsf_vdb(Value* result, int argc, const Value* const* argv) {
  double x[kVdbArgs] = {0, 0, 0, 0, 0, kDefaultFactor, 0};
  if (!plainArgs(result, argc, argv, kVdbArgs, x)) return result;
  const double cost = x[0], salvage = x[1], life = x[2], start = x[3], end = x[4];
  const double factor = Wsf_given(argc, argv, 5) ? x[5] : kDefaultFactor;
  const bool noSwitch = Wsf_given(argc, argv, 6) && x[6] != 0;
  if (!(cost > 0) || salvage < 0 || !(life > 0) || start < 0 || !(end > 0) || !(factor > 0) ||
      std::min(life, end) > kFinMaxWalkedPeriods)
    return Wsf_error(result, kErrNum);
  const double span = cost - salvage;
  double total = 0, sum = 0;
  bool straight = false;
  for (double p = 1; p <= life && start < end; ++p) {
    double depreciation = std::min((cost - total) * factor / life, span - total);
    // Once the rest spread over the periods left gives more, it stays so.
    const double line = (span - total) / (life - p + 1);
    if (!noSwitch && (straight || line > depreciation)) depreciation = line, straight = true;
    total += depreciation;
    sum += depreciation * std::max(std::min(end, p) - std::max(start, p - 1), 0.0);
    if (end <= p) break;
  }
  return Wsf_finite(result, sum);
}

Value* Wsf_amorlinc(Value* result, int argc, const Value* const* argv) {
  Amortisation a{};
  if (!amortisationHead(result, argc, argv, &a)) return result;
  if (a.cost == a.salvage || std::ceil(1 / a.rate) < a.period) return Wsf_finite(result, 0.0);
  double first = a.firstFraction * a.rate * a.cost;
  if (first == 0) first = a.rate * a.cost;
  first = std::min(first, a.cost - a.salvage);
  const double n = std::trunc(a.period);
  if (n == 0) return Wsf_finite(result, first);
  if (n > kFinMaxWalkedPeriods) return Wsf_error(result, kErrNum);
  double rest = a.cost - a.salvage - first, depreciation = a.rate * a.cost;
  for (double k = 1; k <= n; ++k) {
    depreciation = std::min(depreciation, rest);
    rest -= depreciation;
  }
  return Wsf_finite(result, depreciation);
}

Value* Wsf_amordegrc(Value* result, int argc, const Value* const* argv) {
  Amortisation a{};
  if (!amortisationHead(result, argc, argv, &a)) return result;
  double life = std::ceil(1 / a.rate);
  if (life < 3) return Wsf_error(result, kErrNum);
  if (a.cost == a.salvage || a.period > life) return Wsf_finite(result, 0.0);
  const double coefficient = life <= kShortLife                           ? kShortLifeCoefficient
                             : life >= kMidLifeFrom && life <= kMidLifeTo ? kMidLifeCoefficient
                                                                          : kLongLifeCoefficient;
  double rate = a.rate * coefficient;
  double first = a.firstFraction * rate * a.cost;
  if (first == 0) first = rate * a.cost;
  else life += 1;
  first = std::trunc(std::min(first, a.cost - a.salvage) + kHalf);
  const double n = std::trunc(a.period);
  if (n == 0) return Wsf_finite(result, first);
  if (n > kFinMaxWalkedPeriods) return Wsf_error(result, kErrNum);
  double value = a.cost - first, depreciation = 0;
  for (double k = 1; k <= n; ++k) {
    if (life - k == kHalvingBeforeEnd) {
      depreciation = value * kHalf;
      rate = 1;
    } else {
      depreciation = value * rate;
    }
    if (value < a.salvage) {
      depreciation = 0;
      break;
    }
    value -= depreciation;
  }
  return Wsf_finite(result, std::trunc(depreciation + kHalf));
}
