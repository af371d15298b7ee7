// Distribution functions BETADIST to LOGINV: distribution functions of the
// laws, their inverses by the root finder, the chi-square and F tests and
// the Fisher transformation. Most take plain numbers (a sample vector goes
// trial by trial through the dispatcher); EXPONDIST, FISHER, FISHERINV and
// LOGINV compute with the generic operators and so hold in every
// evaluation mode. Domain faults give "#num!", wrong kinds "#value!".
#pragma once

#include "values/Val_Value.h"

Value* Wsf_betadist(Value* result, int argc, const Value* const* argv);
Value* Wsf_betainv(Value* result, int argc, const Value* const* argv);
Value* Wsf_binomdist(Value* result, int argc, const Value* const* argv);
Value* Wsf_chidist(Value* result, const Value* x, const Value* df);
Value* Wsf_chiinv(Value* result, const Value* p, const Value* df);
Value* Wsf_chitest(Value* result, const Value* actual, const Value* expected);
Value* Wsf_confidence(Value* result, int argc, const Value* const* argv);
Value* Wsf_critbinom(Value* result, int argc, const Value* const* argv);
Value* Wsf_expondist(Value* result, const Value* x, const Value* lambda, const Value* cumulative);
Value* Wsf_fdist(Value* result, int argc, const Value* const* argv);
Value* Wsf_finv(Value* result, int argc, const Value* const* argv);
Value* Wsf_fisher(Value* result, const Value* x);
Value* Wsf_fisherinv(Value* result, const Value* y);
Value* Wsf_ftest(Value* result, const Value* a, const Value* b);
Value* Wsf_gammadist(Value* result, int argc, const Value* const* argv);
Value* Wsf_gammainv(Value* result, int argc, const Value* const* argv);
Value* Wsf_gammaln(Value* result, const Value* x);
Value* Wsf_hypgeomdist(Value* result, int argc, const Value* const* argv);
Value* Wsf_loginv(Value* result, const Value* p, const Value* mean, const Value* sd);
