// Distributions and tests LOGNORMDIST to ZTEST: the normal, lognormal,
// Poisson, negative binomial, Weibull and t laws, their inverses, PERMUT,
// PROB and the t and z tests. Most take plain numbers; NEGBINOMDIST (in
// the probability), POISSON (in the mean, in its term and its cumulative
// form), STANDARDIZE and WEIBULL (in x, alpha and beta) compute with the
// generic operators and so hold in every evaluation mode, a sample vector
// with a trial outside the domain raising "Unsupported vector operation";
// POISSON's count and switch of an evaluation mode are refused
// ("Unsupported function", "#value!"). The normal family (NORMDIST, NORMSDIST,
// NORMINV, NORMSINV, LOGNORMDIST) takes values of the evaluation modes in
// its numeric arguments: the normal density composed of the generic
// operators in every mode, the distribution and the quantile with their
// exact first and second derivatives, trial by trial over sample vectors,
// smooth in the structure modes; interval kinds of the distribution and the
// quantile are refused ("Unsupported function", "#value!"). The normal
// quantiles are computed in the tails too, down to the smallest normal
// probability.
#pragma once

#include "values/Val_Value.h"

Value* Wsf_lognormdist(Value* result, int argc, const Value* const* argv);
Value* Wsf_negbinomdist(Value* result, const Value* f, const Value* s, const Value* p);
Value* Wsf_normdist(Value* result, int argc, const Value* const* argv);
Value* Wsf_norminv(Value* result, int argc, const Value* const* argv);
Value* Wsf_normsdist(Value* result, const Value* z);
Value* Wsf_normsinv(Value* result, const Value* p);
Value* Wsf_permut(Value* result, const Value* n, const Value* k);
Value* Wsf_poisson(Value* result, const Value* x, const Value* mean, const Value* cumulative);
Value* Wsf_prob(Value* result, int argc, const Value* const* argv);
Value* Wsf_standardize(Value* result, const Value* x, const Value* mean, const Value* sd);
Value* Wsf_tdist(Value* result, int argc, const Value* const* argv);
Value* Wsf_tinv(Value* result, const Value* p, const Value* df);
Value* Wsf_ttest(Value* result, int argc, const Value* const* argv);
Value* Wsf_weibull(Value* result, const Value* x, const Value* alpha, const Value* beta, const Value* cumulative);
Value* Wsf_ztest(Value* result, int argc, const Value* const* argv);
