// The annuity functions PV, FV, PMT, NPER, IPMT, PPMT, CUMIPMT and CUMPRINC.
// They compute with the generic operators, so every argument but the
// payment timing (and CUMIPMT's counts) may be of any evaluation-mode kind:
// gradients, Hessians, intervals, affine forms and sample vectors pass
// through, and in the structure modes they are smooth functions of their
// money and rate arguments. A timing number other than 0 puts payments at
// the start of each period; every formula satisfies the annuity identity
//   pv (1 + r)^n + pmt (1 + r type) ((1 + r)^n - 1) / r + fv = 0.
#pragma once

#include <cstdint>

#include "values/Val_Value.h"

// The interest variant of the shared implementations.
constexpr int32_t kAnnuityInterest = 1;
// The principal variant.
constexpr int32_t kAnnuityPrincipal = 0;

// PV(rate, nper, pmt, [fv], [type]).
Value* Wsf_pv(Value* result, int argc, const Value* const* argv);
// FV(rate, nper, pmt, [pv], [type]).
Value* Wsf_fv(Value* result, int argc, const Value* const* argv);
// PMT(rate, nper, pv, [fv], [type]).
Value* Wsf_pmt(Value* result, int argc, const Value* const* argv);
// NPER(rate, pmt, pv, [fv], [type]).
Value* Wsf_nper(Value* result, int argc, const Value* const* argv);
// IPMT and PPMT(rate, per, nper, pv, [fv], [type]): the interest and the
// principal of period per; with payments at the start the first period
// pays no interest.
Value* Wsf_ipmt(Value* result, int argc, const Value* const* argv, int32_t selector);
// CUMIPMT and CUMPRINC(rate, nper, pv, start_period, end_period, type): the
// interest and the principal paid from start_period to end_period.
Value* Wsf_cumipmt(Value* result, int argc, const Value* const* argv, int32_t selector);
