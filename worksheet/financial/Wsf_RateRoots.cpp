// RATE, IRR and XIRR by bracketing and Brent's method.
#include "worksheet/financial/Wsf_RateRoots.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "worksheet/common/Wsf_Args.h"
#include "worksheet/financial/Sec_Args.h"
#include "worksheet/numeric/Num_Gather.h"
#include "worksheet/numeric/Root_Brent.h"
#include "worksheet/numeric/Root_Residuals.h"

namespace {

constexpr double kDefaultGuess = 0.1;
constexpr double kHalfBracket = 0.1;
constexpr int kRateArgs = 6;

// The root of the residual over the record near the guess, or the error
// word the finders end with.
Value* solve(Value* result, void* record, KernRootFn residual, double guess) {
  double a = guess - kHalfBracket, b = guess + kHalfBracket, root = 0;
  uint32_t status = Root_bracket(&a, &b, record, residual);
  if (status == 0) status = Root_brent(a, b, record, residual, 0.0, &root);
  return Sec_rootResult(result, status, root);
}

// The structure hooks and the first error argument, then a guess argument
// of a refused kind: true with the result formed.
bool rootHead(Value* result, int argc, const Value* const* argv, int guessAt) {
  if (Wsf_hooksOrError(result, argc, argv)) return true;
  if (Wsf_given(argc, argv, guessAt) && !Wsf_isPlain(argv[guessAt])) return Wsf_error(result, kErrValue), true;
  return false;
}

double guessOf(int argc, const Value* const* argv, int at) {
  return Wsf_given(argc, argv, at) ? (argv[at]->kind == kValEmpty ? 0.0 : argv[at]->number) : kDefaultGuess;
}

bool hasBothSigns(const std::vector<double>& v, bool strictNegative) {
  const auto negative = [strictNegative](double x) { return strictNegative ? x < 0 : x <= 0; };
  return std::any_of(v.begin() + 1, v.end(), negative) &&
         std::any_of(v.begin() + 1, v.end(), [](double x) { return x >= 0; });
}

}  // namespace

Value* Wsf_rate(Value* result, int argc, const Value* const* argv) {
  double x[kRateArgs] = {0, 0, 0, 0, 0, kDefaultGuess};
  if (!Wsf_plainNumbers(result, std::min(argc, kRateArgs), argv, x)) return result;
  double record[5] = {x[0], x[1], x[2], x[3], x[4]};
  return solve(result, record, Root_annuityBalance, guessOf(argc, argv, 5));
}

Value* Wsf_irr(Value* result, int argc, const Value* const* argv) {
  if (rootHead(result, argc, argv, 1)) return result;
  if (argv[0]->kind != kValArray) return Wsf_error(result, kErrNum);
  std::vector<double> values;
  if (!Num_gatherNumbers(argv[0], kCollectLenient, &values, result)) return result;
  if (values.size() < 2 || !hasBothSigns(values, false)) return Wsf_error(result, kErrNum);
  values[0] = static_cast<double>(values.size() - 1);
  return solve(result, values.data(), Root_npvAtRate, guessOf(argc, argv, 1));
}

Value* Wsf_xirr(Value* result, int argc, const Value* const* argv) {
  if (rootHead(result, argc, argv, 2)) return result;
  if (argv[0]->kind != kValArray || argv[1]->kind != kValArray) return Wsf_error(result, kErrNum);
  std::vector<double> values, dates;
  if (!Num_gatherNumbers(argv[0], kCollectStrict, &values, result) ||
      !Num_gatherNumbers(argv[1], kCollectStrict, &dates, result))
    return result;
  if (values.size() != dates.size() || values.size() < 3 || !hasBothSigns(values, true))
    return Wsf_error(result, kErrNum);
  values[0] = static_cast<double>(values.size() - 1);
  values.insert(values.end(), dates.begin() + 1, dates.end());
  return solve(result, values.data(), Root_xnpvAtRate, guessOf(argc, argv, 2));
}
