// The frame the securities functions share: the heads that take dates,
// frequency and basis as plain numbers (truncated toward zero) and money and
// rates either as plain numbers or value-wise in every evaluation mode, the
// coupon schedule between two dates in order, value-wise discounting and the
// answer of a root search.
#pragma once

#include <cstdint>
#include <vector>

#include "values/Val_Value.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/dates/Coup_Schedule.h"

// The arguments whose dependence on the variables makes a securities
// function's structure vary from trial to trial: its dates, frequency and
// basis, which pick the schedule, and for most functions its money and rate
// arguments too, whose range tests decide whether there is a result.
enum class SecDecisive { kPlainOnly, kAll };

// The head of a function that computes value-wise in its money and rate
// arguments (the indices in smooth) and takes its dates, frequency and
// basis (the indices in plain) as plain numbers: the structure hooks over
// the plain arguments, the value-wise ones merged in as smooth inputs; then
// the first error argument; then "#value!" for a plain argument that is a
// boolean or of a kind above the real one. False with the result formed;
// else x[i] is plain argument i truncated toward zero (0 when left out).
bool Sec_headValueWise(Value* result, int argc, const Value* const* argv, const std::vector<int>& plain,
                       const std::vector<int>& smooth, SecDecisive decisive, double* x);
// The head of a function on plain numbers: the structure hooks over every
// argument, the first error argument, then "#value!" for a boolean or a
// kind above the real one. False with the result formed; else x[i] is the
// number of argument i, truncated toward zero for the indices in whole.
bool Sec_headPlain(Value* result, int argc, const Value* const* argv, const std::vector<int>& whole, double* x);
// The schedule of a settlement before its maturity; false when the dates
// are out of order or the schedule refuses them, the frequency or the basis.
bool Sec_schedule(double settlement, double maturity, double frequency, double basis, CoupSchedule* out);
// Whether the basis (truncated) makes a coupon period a nominal share of
// the year (actual/360, actual/365): the days to the next coupon are then
// the period's length less the days accrued.
bool Sec_nominalPeriod(double basis);
// out = amount / base ^ t for a value base and a number t.
void Sec_discount(WsfLocal* out, const Value* amount, const Value* base, double t);
// base = 1 + yld / frequency: the growth of one coupon period at the yield.
void Sec_yieldBase(WsfLocal* base, const Value* yld, double frequency);
// out = 1 - discount t: the share of the face value that a discount rate
// leaves over t years.
void Sec_discountShare(WsfLocal* out, const Value* discount, double t);
// The root a search found, or the error its status word names.
Value* Sec_rootResult(Value* result, uint32_t status, double root);
