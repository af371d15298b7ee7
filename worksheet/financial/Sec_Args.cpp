// The shared heads, schedule and value-wise helpers of the securities
// functions.
#include "worksheet/financial/Sec_Args.h"

#include <cmath>

#include "arithmetic/operators/Op_Operators.h"
#include "values/Vm_Status.h"
#include "worksheet/dates/Coup_DayCount.h"
#include "worksheet/math/Wsf_Unary.h"

namespace {

// out = base ^ t.
void power(WsfLocal* out, const Value* base, double t) {
  Value exponent = Val_empty(base->context);
  Val_setNumber(&exponent, t);
  Wsf_power(&out->v, base, &exponent);
}

}  // namespace

bool Sec_headValueWise(Value* result, int argc, const Value* const* argv, const std::vector<int>& plain,
                       const std::vector<int>& smooth, SecDecisive decisive, double* x) {
  std::vector<const Value*> hooked, merged;
  for (int i : plain)
    if (i < argc) hooked.push_back(argv[i]);
  for (int i : smooth)
    if (i < argc) merged.push_back(argv[i]);
  Wsf_structureVariesWith(result, hooked);
  if (decisive == SecDecisive::kAll) Wsf_structureVariesWith(result, merged);
  if (Wsf_structureHooksSmooth(result, hooked, merged) || Wsf_firstErrorArg(result, argc, argv)) return false;
  for (int i : plain) {
    x[i] = 0;
    if (i >= argc) continue;
    if (!Wsf_isNumber(argv[i])) return Wsf_error(result, kErrValue), false;
    x[i] = std::trunc(Wsf_number(argv[i]));
  }
  return true;
}

bool Sec_headPlain(Value* result, int argc, const Value* const* argv, const std::vector<int>& whole, double* x) {
  if (Wsf_hooksOrError(result, argc, argv)) return false;
  for (int i = 0; i < argc; ++i) {
    if (!Wsf_isNumber(argv[i])) return Wsf_error(result, kErrValue), false;
    x[i] = Wsf_number(argv[i]);
  }
  for (int i : whole) x[i] = std::trunc(x[i]);
  return true;
}

bool Sec_schedule(double settlement, double maturity, double frequency, double basis, CoupSchedule* out) {
  return settlement < maturity && Coup_schedule(settlement, maturity, frequency, basis, out);
}

bool Sec_nominalPeriod(double basis) {
  const auto b = static_cast<int32_t>(basis);
  return b == kBasisActual360 || b == kBasisActual365;
}

void Sec_discount(WsfLocal* out, const Value* amount, const Value* base, double t) {
  power(out, base, t);
  *out = Op_div(*amount, **out);
}

void Sec_yieldBase(WsfLocal* base, const Value* yld, double frequency) {
  *base = Op_divVS(*yld, frequency);
  *base = Op_addVS(**base, 1.0);
}

void Sec_discountShare(WsfLocal* out, const Value* discount, double t) {
  *out = Op_mulVS(*discount, t);
  *out = Op_subSV(1.0, **out);
}

Value* Sec_rootResult(Value* result, uint32_t status, double root) {
  return status ? Wsf_error(result, status - kErrorBase) : Wsf_finite(result, root);
}
