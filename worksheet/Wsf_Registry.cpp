// Function ids to implementations, adapted to the one calling form.
#include "worksheet/Wsf_Registry.h"

#include <iterator>

#include "worksheet/logical/Wsf_Logical.h"
#include "worksheet/math/Crit_Criteria.h"
#include "worksheet/math/Wsf_Matrix.h"
#include "worksheet/math/Wsf_Model.h"
#include "worksheet/math/Wsf_Other.h"
#include "worksheet/math/Wsf_Rounding.h"
#include "worksheet/math/Wsf_Sums.h"
#include "worksheet/math/Wsf_Unary.h"
#include "worksheet/statistics/Stat_Regression.h"
#include "worksheet/statistics/Wsf_Sample.h"
#include "worksheet/statistics/Wsf_Subtotal.h"

namespace {

using Args = const Value* const*;
using One = Value* (*)(Value*, const Value*);
using Two = Value* (*)(Value*, const Value*, const Value*);
using List = Value* (*)(Value*, int, Args);

struct Registered {
  int32_t id;
  WsfEntry entry;
};

// Adapters from the fixed forms; a left-out argument reads as missing.
template <One f>
Value* one(Value* r, int, Args a, const WsfCall*) {
  return f(r, a[0]);
}
template <Two f>
Value* two(Value* r, int argc, Args a, const WsfCall*) {
  static const Value kMissing{kValMissing, 0, nullptr, nullptr, nullptr, nullptr, 0, nullptr};
  return f(r, a[0], argc > 1 ? a[1] : &kMissing);
}
template <List f>
Value* list(Value* r, int argc, Args a, const WsfCall*) {
  return f(r, argc, a);
}

const CellRef* cellOf(const WsfCall* call) { return call ? call->cell : nullptr; }
bool arrayFormulaOf(const WsfCall* call) { return call && call->arrayFormula; }

const Registered kRegistry[] = {
    {1, one<Wsf_abs>},
    {2, one<Wsf_acos>},
    {3, one<Wsf_acosh>},
    {4, one<Wsf_asin>},
    {5, one<Wsf_asinh>},
    {6, one<Wsf_atan>},
    {7, two<Wsf_atan2>},
    {8, one<Wsf_atanh>},
    {9, two<Wsf_ceiling>},
    {10, two<Wsf_combin>},
    {11, one<Wsf_cos>},
    {12, one<Wsf_cosh>},
    {13, [](Value* r, int argc, Args a, const WsfCall* c) { return Wsf_countif(r, argc, a, cellOf(c)); }},
    {14, one<Wsf_degrees>},
    {15, one<Wsf_even>},
    {16, one<Wsf_exp>},
    {17, one<Wsf_fact>},
    {18, one<Wsf_factdouble>},
    {19, two<Wsf_floor>},
    {20, list<Wsf_gcd>},
    {21, one<Wsf_int>},
    {22, list<Wsf_lcm>},
    {23, one<Wsf_ln>},
    {24, list<Wsf_log>},
    {25, one<Wsf_log10>},
    {26, one<Wsf_mdeterm>},
    {27, one<Wsf_minverse>},
    {28, two<Wsf_mmult>},
    {29, two<Wsf_mod>},
    {30, list<Wsf_mround>},
    {31, list<Wsf_multinomial>},
    {32, one<Wsf_odd>},
    {33, [](Value* r, int, Args, const WsfCall*) { return Wsf_pi(r); }},
    {34, two<Wsf_power>},
    {35, list<Wsf_product>},
    {36, two<Wsf_quotient>},
    {37, one<Wsf_radians>},
    {38, [](Value* r, int, Args, const WsfCall*) { return Wsf_rand(r); }},
    {39, two<Wsf_randbetween>},
    {40, list<Wsf_roman>},
    {41, two<Wsf_round>},
    {42, two<Wsf_rounddown>},
    {43, two<Wsf_roundup>},
    {44, [](Value* r, int, Args a, const WsfCall*) { return Wsf_seriessum(r, a[0], a[1], a[2], a[3]); }},
    {45, one<Wsf_sign>},
    {46, one<Wsf_sin>},
    {47, one<Wsf_sinh>},
    {48, one<Wsf_sqrt>},
    {49, one<Wsf_sqrtpi>},
    {50, list<Wsf_subtotal>},
    {51, list<Wsf_sum>},
    {52, [](Value* r, int argc, Args a, const WsfCall* c) { return Wsf_sumif(r, argc, a, cellOf(c)); }},
    {53, [](Value* r, int argc, Args a, const WsfCall* c) { return Wsf_sumproduct(r, argc, a, arrayFormulaOf(c)); }},
    {54, list<Wsf_sumsq>},
    {55, two<Wsf_sumx2my2>},
    {56, two<Wsf_sumx2py2>},
    {57, two<Wsf_sumxmy2>},
    {58, one<Wsf_tan>},
    {59, one<Wsf_tanh>},
    {60, list<Wsf_trunc>},
    {61, [](Value* r, int argc, Args a, const WsfCall* c) { return Wsf_dotproduct(r, argc, a, arrayFormulaOf(c)); }},
    {62, list<Wsf_quadproduct>},
    {63, list<Wsf_quadterm>},
    {81, [](Value* r, int, Args a, const WsfCall*) { return Wsf_gexp(r, a[0], a[1], a[2], a[3]); }},
    {82, one<Wsf_lx>},
    {83, [](Value* r, int, Args a, const WsfCall*) { return Wsf_poly3(r, a[0], a[1], a[2], a[3], a[4]); }},
    {602, one<Wsf_countblank>},
    {603, one<Wsf_errortype>},
    {605, one<Wsf_isblank>},
    {606, one<Wsf_iserr>},
    {607, one<Wsf_iserror>},
    {608, one<Wsf_iseven>},
    {609, one<Wsf_islogical>},
    {610, one<Wsf_isna>},
    {611, one<Wsf_isnontext>},
    {612, one<Wsf_isnumber>},
    {613, one<Wsf_isodd>},
    {614, one<Wsf_isref>},
    {615, one<Wsf_istext>},
    {616, one<Wsf_n>},
    {617, [](Value* r, int, Args, const WsfCall*) { return Wsf_na(r); }},
    {618, one<Wsf_type>},
    {701, list<Wsf_and>},
    {703, list<Wsf_if>},
    {704, one<Wsf_not>},
    {705, list<Wsf_or>},
    {939, list<Wsf_max>},
    {940, list<Wsf_maxa>},
    {941, list<Wsf_median>},
    {942, list<Wsf_min>},
    {943, list<Wsf_mina>},
    {944, list<Wsf_mode>},
    {950, two<Wsf_pearson>},
    {951, two<Wsf_percentile>},
    {952, list<Wsf_percentrank>},
    {956, two<Wsf_quartile>},
    {957, list<Wsf_rank>},
    {958, two<Wsf_rsq>},
    {959, list<Wsf_skew>},
    {960, two<Wsf_slope>},
    {961, two<Wsf_small>},
    {963, list<Wsf_stdev>},
    {964, list<Wsf_stdeva>},
    {965, list<Wsf_stdevp>},
    {966, list<Wsf_stdevpa>},
    {967, two<Wsf_steyx>},
    {970, list<Wsf_trend>},
    {971, two<Wsf_trimmean>},
    {973, list<Wsf_var>},
    {974, list<Wsf_vara>},
    {975, list<Wsf_varp>},
    {976, list<Wsf_varpa>},
};

}  // namespace

WsfEntry Wsf_entry(int32_t id) {
  for (const Registered& r : kRegistry)
    if (r.id == id) return r.entry;
  return nullptr;
}
