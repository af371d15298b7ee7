// The residuals the financial functions hand to the root finders, each a
// root-finder callback (KernRootFn) over a record of doubles; a residual
// that is not finite is "#num!".
#pragma once

#include <cstdint>

// record: n, then values 1..n. f(r) = sum of value_i / (1 + r)^i.
uint32_t Root_npvAtRate(void* record, double r, double* out);
// record: n, values 1..n, dates n+1..2n. f(r) = sum of value_i /
// (1 + r)^((date_i - date_1) / 365), with 1 + r kept at 0.001 or more; a
// date outside the serials or before the first is "#num!".
uint32_t Root_xnpvAtRate(void* record, double r, double* out);
// The exponent of a dated cash flow in that residual: the years of 365
// days from the first date to the date, both cut to whole days.
double Root_yearsSince(double first, double date);
// record: nper, pmt, pv, fv, type. The balance pv (1 + r)^nper + pmt'
// ((1 + r)^nper - 1) / r + fv, pmt' = (1 + r) pmt for payments at the start
// of periods; pmt nper + fv + pv at r = 0.
uint32_t Root_annuityBalance(void* record, double r, double* out);
// record: annual coupon rate, redemption per 100, frequency, A, DSC, E, N
// (from the coupon schedule). The price per 100 at the annual yield y.
uint32_t Root_priceAtYield(void* record, double y, double* out);
