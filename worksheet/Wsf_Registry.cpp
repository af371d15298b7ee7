// Function ids to implementations, adapted to the one calling form.
#include "worksheet/Wsf_Registry.h"

#include <algorithm>
#include <iterator>

#include "values/Fn_Ids.h"
#include "worksheet/database/Wsf_Database.h"
#include "worksheet/dates/Wsf_Dates.h"
#include "worksheet/dates/Wsf_SheetDates.h"
#include "worksheet/dates/Wsf_Times.h"
#include "worksheet/dates/Wsf_Workdays.h"
#include "worksheet/engineering/Wsf_Bases.h"
#include "worksheet/engineering/Wsf_Complex.h"
#include "worksheet/engineering/Wsf_Convert.h"
#include "worksheet/engineering/Wsf_Special.h"
#include "worksheet/engineering/Wsf_Steps.h"
#include "worksheet/financial/Wsf_Annuity.h"
#include "worksheet/financial/Wsf_CashFlows.h"
#include "worksheet/financial/Wsf_Coupon.h"
#include "worksheet/financial/Wsf_CouponAccrued.h"
#include "worksheet/financial/Wsf_Depreciation.h"
#include "worksheet/financial/Wsf_Discount.h"
#include "worksheet/financial/Wsf_DiscountBills.h"
#include "worksheet/financial/Wsf_OddPeriods.h"
#include "worksheet/financial/Wsf_RateRoots.h"
#include "worksheet/logical/Wsf_Logical.h"
#include "worksheet/lookup/Wsf_Lookup.h"
#include "worksheet/lookup/Wsf_Reference.h"
#include "worksheet/math/Crit_Criteria.h"
#include "worksheet/math/Wsf_Matrix.h"
#include "worksheet/math/Wsf_Model.h"
#include "worksheet/math/Wsf_Other.h"
#include "worksheet/math/Wsf_Rounding.h"
#include "worksheet/math/Wsf_Sums.h"
#include "worksheet/math/Wsf_Unary.h"
#include "worksheet/statistics/Stat_Regression.h"
#include "worksheet/statistics/Wsf_Descriptive.h"
#include "worksheet/statistics/Wsf_Distributions.h"
#include "worksheet/statistics/Wsf_Laws.h"
#include "worksheet/statistics/Wsf_Sample.h"
#include "worksheet/statistics/Wsf_Subtotal.h"
#include "worksheet/text/Wsf_SheetText.h"
#include "worksheet/text/Wsf_Text.h"

namespace {

using Args = const Value* const*;
using One = Value* (*)(Value*, const Value*);
using Two = Value* (*)(Value*, const Value*, const Value*);
using Three = Value* (*)(Value*, const Value*, const Value*, const Value*);
using Four = Value* (*)(Value*, const Value*, const Value*, const Value*, const Value*);
using List = Value* (*)(Value*, int, Args);

struct Registered {
  int32_t id;
  WsfEntry entry;
};

// Argument i of a call, or the missing value when the call left it out.
const Value* argAt(int argc, Args a, int i) {
  static const Value kMissing = Val_scalar(kValMissing, 0);
  return i < argc ? a[i] : &kMissing;
}

// Adapters from the fixed forms; a left-out argument reads as missing.
template <One f>
Value* one(Value* r, int argc, Args a, const WsfCall*) {
  return f(r, argAt(argc, a, 0));
}
template <Two f>
Value* two(Value* r, int argc, Args a, const WsfCall*) {
  return f(r, argAt(argc, a, 0), argAt(argc, a, 1));
}
template <Three f>
Value* three(Value* r, int argc, Args a, const WsfCall*) {
  return f(r, argAt(argc, a, 0), argAt(argc, a, 1), argAt(argc, a, 2));
}
template <Four f>
Value* four(Value* r, int argc, Args a, const WsfCall*) {
  return f(r, argAt(argc, a, 0), argAt(argc, a, 1), argAt(argc, a, 2), argAt(argc, a, 3));
}
template <int32_t selector>
Value* datePart(Value* r, int argc, Args a, const WsfCall*) {
  return Wsf_day(r, argAt(argc, a, 0), selector);
}
template <int32_t selector>
Value* couponQuery(Value* r, int argc, Args a, const WsfCall*) {
  return Wsf_coupdaybs(r, argc, a, selector);
}
template <List f>
Value* list(Value* r, int argc, Args a, const WsfCall*) {
  return f(r, argc, a);
}

const CellRef* cellOf(const WsfCall* call) { return call ? call->cell : nullptr; }
bool arrayFormulaOf(const WsfCall* call) { return call && call->arrayFormula; }

// In ascending id order.
constexpr Registered kRegistry[] = {
    {kIdAbs, one<Wsf_abs>},
    {kIdAcos, one<Wsf_acos>},
    {kIdAcosh, one<Wsf_acosh>},
    {kIdAsin, one<Wsf_asin>},
    {kIdAsinh, one<Wsf_asinh>},
    {kIdAtan, one<Wsf_atan>},
    {kIdAtan2, two<Wsf_atan2>},
    {kIdAtanh, one<Wsf_atanh>},
    {kIdCeiling, two<Wsf_ceiling>},
    {kIdCombin, two<Wsf_combin>},
    {kIdCos, one<Wsf_cos>},
    {kIdCosh, one<Wsf_cosh>},
    {kIdCountif, list<Wsf_countif>},
    {kIdDegrees, one<Wsf_degrees>},
    {kIdEven, one<Wsf_even>},
    {kIdExp, one<Wsf_exp>},
    {kIdFact, one<Wsf_fact>},
    {kIdFactdouble, one<Wsf_factdouble>},
    {kIdFloor, two<Wsf_floor>},
    {kIdGcd, list<Wsf_gcd>},
    {kIdInt, one<Wsf_int>},
    {kIdLcm, list<Wsf_lcm>},
    {kIdLn, one<Wsf_ln>},
    {kIdLog, list<Wsf_log>},
    {kIdLog10, one<Wsf_log10>},
    {kIdMdeterm, one<Wsf_mdeterm>},
    {kIdMinverse, one<Wsf_minverse>},
    {kIdMmult, two<Wsf_mmult>},
    {kIdMod, two<Wsf_mod>},
    {kIdMround, list<Wsf_mround>},
    {kIdMultinomial, list<Wsf_multinomial>},
    {kIdOdd, one<Wsf_odd>},
    {kIdPi, [](Value* r, int, Args, const WsfCall*) { return Wsf_pi(r); }},
    {kIdPower, two<Wsf_powerFunction>},
    {kIdProduct, list<Wsf_product>},
    {kIdQuotient, two<Wsf_quotient>},
    {kIdRadians, one<Wsf_radians>},
    {kIdRoman, list<Wsf_roman>},
    {kIdRound, two<Wsf_round>},
    {kIdRounddown, two<Wsf_rounddown>},
    {kIdRoundup, two<Wsf_roundup>},
    {kIdSeriessum, four<Wsf_seriessum>},
    {kIdSign, one<Wsf_sign>},
    {kIdSin, one<Wsf_sin>},
    {kIdSinh, one<Wsf_sinh>},
    {kIdSqrt, one<Wsf_sqrt>},
    {kIdSqrtpi, one<Wsf_sqrtpi>},
    {kIdSubtotal, list<Wsf_subtotal>},
    {kIdSum, list<Wsf_sum>},
    {kIdSumif, list<Wsf_sumif>},
    {kIdSumproduct,
     [](Value* r, int argc, Args a, const WsfCall* c) { return Wsf_sumproduct(r, argc, a, arrayFormulaOf(c)); }},
    {kIdSumsq, list<Wsf_sumsq>},
    {kIdSumx2my2, two<Wsf_sumx2my2>},
    {kIdSumx2py2, two<Wsf_sumx2py2>},
    {kIdSumxmy2, two<Wsf_sumxmy2>},
    {kIdTan, one<Wsf_tan>},
    {kIdTanh, one<Wsf_tanh>},
    {kIdTrunc, list<Wsf_trunc>},
    {kIdDotproduct,
     [](Value* r, int argc, Args a, const WsfCall* c) { return Wsf_dotproduct(r, argc, a, arrayFormulaOf(c)); }},
    {kIdQuadproduct, list<Wsf_quadproduct>},
    {kIdQuadterm, list<Wsf_quadterm>},
    {kIdGexp, four<Wsf_gexp>},
    {kIdLx, one<Wsf_lx>},
    {kIdPoly3,
     [](Value* r, int argc, Args a, const WsfCall*) {
       return Wsf_poly3(r, argAt(argc, a, 0), argAt(argc, a, 1), argAt(argc, a, 2), argAt(argc, a, 3), argAt(argc, a, 4));
     }},
    {kIdDaverage, three<Wsf_daverage>},
    {kIdDcount, three<Wsf_dcount>},
    {kIdDcounta, three<Wsf_dcounta>},
    {kIdDget, three<Wsf_dget>},
    {kIdDmax, three<Wsf_dmax>},
    {kIdDmin, three<Wsf_dmin>},
    {kIdDproduct, three<Wsf_dproduct>},
    {kIdDstdev, three<Wsf_dstdev>},
    {kIdDstdevp, three<Wsf_dstdevp>},
    {kIdDsum, three<Wsf_dsum>},
    {kIdDvar, three<Wsf_dvar>},
    {kIdDvarp, three<Wsf_dvarp>},
    {kIdDate, three<Wsf_date>},
    {kIdDatevalue, one<Wsf_datevalue>},
    {kIdDay, datePart<3>},
    {kIdDays360, list<Wsf_days360>},
    {kIdEdate, two<Wsf_edate>},
    {kIdEomonth, two<Wsf_eomonth>},
    {kIdHour, one<Wsf_hour>},
    {kIdMinute, one<Wsf_minute>},
    {kIdMonth, datePart<2>},
    {kIdNetworkdays, list<Wsf_networkdays>},
    {kIdNow, [](Value* r, int, Args, const WsfCall*) { return Wsf_now(r); }},
    {kIdSecond, one<Wsf_second>},
    {kIdTime, three<Wsf_time>},
    {kIdTimevalue, one<Wsf_timevalue>},
    {kIdToday, [](Value* r, int, Args, const WsfCall*) { return Wsf_today(r); }},
    {kIdWeekday, list<Wsf_weekday>},
    {kIdWeeknum, list<Wsf_weeknum>},
    {kIdWorkday, list<Wsf_workday>},
    {kIdYear, datePart<1>},
    {kIdYearfrac, list<Wsf_yearfrac>},
    {kIdBesseli, two<Wsf_besseli>},
    {kIdBesselj, two<Wsf_besselj>},
    {kIdBesselk, two<Wsf_besselk>},
    {kIdBessely, two<Wsf_bessely>},
    {kIdBin2dec, one<Wsf_bin2dec>},
    {kIdBin2hex, list<Wsf_bin2hex>},
    {kIdBin2oct, list<Wsf_bin2oct>},
    {kIdComplex, list<Wsf_complex>},
    {kIdConvert, list<Wsf_convert>},
    {kIdDec2bin, list<Wsf_dec2bin>},
    {kIdDec2hex, list<Wsf_dec2hex>},
    {kIdDec2oct, list<Wsf_dec2oct>},
    {kIdDelta, list<Wsf_delta>},
    {kIdErf, list<Wsf_erf>},
    {kIdErfc, one<Wsf_erfc>},
    {kIdGestep, list<Wsf_gestep>},
    {kIdHex2bin, list<Wsf_hex2bin>},
    {kIdHex2dec, one<Wsf_hex2dec>},
    {kIdHex2oct, list<Wsf_hex2oct>},
    {kIdImabs, one<Wsf_imabs>},
    {kIdImaginary, one<Wsf_imaginary>},
    {kIdImargument, one<Wsf_imargument>},
    {kIdImconjugate, one<Wsf_imconjugate>},
    {kIdImcos, one<Wsf_imcos>},
    {kIdImdiv, two<Wsf_imdiv>},
    {kIdImexp, one<Wsf_imexp>},
    {kIdImln, one<Wsf_imln>},
    {kIdImlog10, one<Wsf_imlog10>},
    {kIdImlog2, one<Wsf_imlog2>},
    {kIdImpower, two<Wsf_impower>},
    {kIdImproduct, list<Wsf_improduct>},
    {kIdImreal, one<Wsf_imreal>},
    {kIdImsin, one<Wsf_imsin>},
    {kIdImsqrt, one<Wsf_imsqrt>},
    {kIdImsub, two<Wsf_imsub>},
    {kIdImsum, list<Wsf_imsum>},
    {kIdOct2bin, list<Wsf_oct2bin>},
    {kIdOct2dec, one<Wsf_oct2dec>},
    {kIdOct2hex, list<Wsf_oct2hex>},
    {kIdAccrint, list<Wsf_accrint>},
    {kIdAccrintm, list<Wsf_accrintm>},
    {kIdAmordegrc, list<Wsf_amordegrc>},
    {kIdAmorlinc, list<Wsf_amorlinc>},
    {kIdCoupdaybs, couponQuery<1>},
    {kIdCoupdays, couponQuery<2>},
    {kIdCoupdaysnc, couponQuery<3>},
    {kIdCoupncd, couponQuery<4>},
    {kIdCoupnum, couponQuery<5>},
    {kIdCouppcd, couponQuery<6>},
    {kIdCumipmt, [](Value* r, int argc, Args a, const WsfCall*) { return Wsf_cumipmt(r, argc, a, kAnnuityInterest); }},
    {kIdCumprinc,
     [](Value* r, int argc, Args a, const WsfCall*) { return Wsf_cumipmt(r, argc, a, kAnnuityPrincipal); }},
    {kIdDb, list<Wsf_db>},
    {kIdDdb, list<Wsf_ddb>},
    {kIdDisc, list<Wsf_disc>},
    {kIdDollarde, two<Wsf_dollarde>},
    {kIdDollarfr, two<Wsf_dollarfr>},
    {kIdDuration, list<Wsf_duration>},
    {kIdEffect, two<Wsf_effect>},
    {kIdFv, list<Wsf_fv>},
    {kIdFvschedule, two<Wsf_fvschedule>},
    {kIdIntrate, list<Wsf_intrate>},
    {kIdIpmt, [](Value* r, int argc, Args a, const WsfCall*) { return Wsf_ipmt(r, argc, a, kAnnuityInterest); }},
    {kIdIrr, list<Wsf_irr>},
    {kIdMduration, list<Wsf_mduration>},
    {kIdMirr, three<Wsf_mirr>},
    {kIdNominal, two<Wsf_nominal>},
    {kIdNper, list<Wsf_nper>},
    {kIdNpv, list<Wsf_npv>},
    {kIdOddfprice, list<Wsf_oddfprice>},
    {kIdOddfyield, list<Wsf_oddfyield>},
    {kIdOddlprice, list<Wsf_oddlprice>},
    {kIdOddlyield, list<Wsf_oddlyield>},
    {kIdPmt, list<Wsf_pmt>},
    {kIdPpmt, [](Value* r, int argc, Args a, const WsfCall*) { return Wsf_ipmt(r, argc, a, kAnnuityPrincipal); }},
    {kIdPrice, list<Wsf_price>},
    {kIdPricedisc, list<Wsf_pricedisc>},
    {kIdPricemat, list<Wsf_pricemat>},
    {kIdPv, list<Wsf_pv>},
    {kIdRate, list<Wsf_rate>},
    {kIdReceived, list<Wsf_received>},
    {kIdSln, three<Wsf_sln>},
    {kIdSyd, four<Wsf_syd>},
    {kIdTbilleq, three<Wsf_tbilleq>},
    {kIdTbillprice, three<Wsf_tbillprice>},
    {kIdTbillyield, three<Wsf_tbillyield>},
    {kIdVdb, list<Wsf_vdb>},
    {kIdXirr, list<Wsf_xirr>},
    {kIdXnpv, three<Wsf_xnpv>},
    {kIdYield, list<Wsf_yield>},
    {kIdYielddisc, list<Wsf_intrate>},
    {kIdYieldmat, list<Wsf_yieldmat>},
    {kIdCountblank, one<Wsf_countblank>},
    {kIdErrorType, one<Wsf_errortype>},
    {kIdIsblank, one<Wsf_isblank>},
    {kIdIserr, one<Wsf_iserr>},
    {kIdIserror, one<Wsf_iserror>},
    {kIdIseven, one<Wsf_iseven>},
    {kIdIslogical, one<Wsf_islogical>},
    {kIdIsna, one<Wsf_isna>},
    {kIdIsnontext, one<Wsf_isnontext>},
    {kIdIsnumber, one<Wsf_isnumber>},
    {kIdIsodd, one<Wsf_isodd>},
    {kIdIsref, one<Wsf_isref>},
    {kIdIstext, one<Wsf_istext>},
    {kIdN, one<Wsf_n>},
    {kIdNa, [](Value* r, int, Args, const WsfCall*) { return Wsf_na(r); }},
    {kIdType, one<Wsf_type>},
    {kIdAnd, list<Wsf_and>},
    {kIdIf, list<Wsf_if>},
    {kIdNot, one<Wsf_not>},
    {kIdOr, list<Wsf_or>},
    {kIdAddress, list<Wsf_address>},
    {kIdAreas, one<Wsf_areas>},
    {kIdChoose, list<Wsf_choose>},
    {kIdColumn,
     [](Value* r, int argc, Args a, const WsfCall* c) { return Wsf_column(r, argc, a, cellOf(c), arrayFormulaOf(c)); }},
    {kIdColumns, one<Wsf_columns>},
    {kIdHlookup, list<Wsf_hlookup>},
    {kIdIndex, [](Value* r, int argc, Args a, const WsfCall* c) { return Wsf_index(r, argc, a, cellOf(c)); }},
    {kIdLookup, list<Wsf_lookup>},
    {kIdMatch, list<Wsf_match>},
    {kIdRow,
     [](Value* r, int argc, Args a, const WsfCall* c) { return Wsf_row(r, argc, a, cellOf(c), arrayFormulaOf(c)); }},
    {kIdRows, one<Wsf_rows>},
    {kIdTranspose,
     [](Value* r, int argc, Args a, const WsfCall* c) { return Wsf_transpose(r, argAt(argc, a, 0), arrayFormulaOf(c)); }},
    {kIdVlookup, list<Wsf_vlookup>},
    {kIdAvedev, list<Wsf_avedev>},
    {kIdAverage, list<Wsf_average>},
    {kIdAveragea, list<Wsf_averagea>},
    {kIdBetadist, list<Wsf_betadist>},
    {kIdBetainv, list<Wsf_betainv>},
    {kIdBinomdist, list<Wsf_binomdist>},
    {kIdChidist, two<Wsf_chidist>},
    {kIdChiinv, two<Wsf_chiinv>},
    {kIdChitest, two<Wsf_chitest>},
    {kIdConfidence, list<Wsf_confidence>},
    {kIdCorrel, two<Wsf_correl>},
    {kIdCount, list<Wsf_count>},
    {kIdCounta, list<Wsf_counta>},
    {kIdCovar, two<Wsf_covar>},
    {kIdCritbinom, list<Wsf_critbinom>},
    {kIdDevsq, list<Wsf_devsq>},
    {kIdExpondist, three<Wsf_expondist>},
    {kIdFdist, list<Wsf_fdist>},
    {kIdFinv, list<Wsf_finv>},
    {kIdFisher, one<Wsf_fisher>},
    {kIdFisherinv, one<Wsf_fisherinv>},
    {kIdForecast, three<Wsf_forecast>},
    {kIdFrequency, two<Wsf_frequency>},
    {kIdFtest, two<Wsf_ftest>},
    {kIdGammadist, list<Wsf_gammadist>},
    {kIdGammainv, list<Wsf_gammainv>},
    {kIdGammaln, one<Wsf_gammaln>},
    {kIdGeomean, list<Wsf_geomean>},
    {kIdGrowth, list<Wsf_growth>},
    {kIdHarmean, list<Wsf_harmean>},
    {kIdHypgeomdist, list<Wsf_hypgeomdist>},
    {kIdIntercept, two<Wsf_intercept>},
    {kIdKurt, list<Wsf_kurt>},
    {kIdLarge, two<Wsf_large>},
    {kIdLinest, list<Wsf_linest>},
    {kIdLogest, list<Wsf_logest>},
    {kIdLoginv, three<Wsf_loginv>},
    {kIdLognormdist, list<Wsf_lognormdist>},
    {kIdMax, list<Wsf_max>},
    {kIdMaxa, list<Wsf_maxa>},
    {kIdMedian, list<Wsf_median>},
    {kIdMin, list<Wsf_min>},
    {kIdMina, list<Wsf_mina>},
    {kIdMode, list<Wsf_mode>},
    {kIdNegbinomdist, three<Wsf_negbinomdist>},
    {kIdNormdist, list<Wsf_normdist>},
    {kIdNorminv, list<Wsf_norminv>},
    {kIdNormsdist, one<Wsf_normsdist>},
    {kIdNormsinv, one<Wsf_normsinv>},
    {kIdPearson, two<Wsf_pearson>},
    {kIdPercentile, two<Wsf_percentile>},
    {kIdPercentrank, list<Wsf_percentrank>},
    {kIdPermut, two<Wsf_permut>},
    {kIdPoisson, three<Wsf_poisson>},
    {kIdProb, list<Wsf_prob>},
    {kIdQuartile, two<Wsf_quartile>},
    {kIdRank, list<Wsf_rank>},
    {kIdRsq, two<Wsf_rsq>},
    {kIdSkew, list<Wsf_skew>},
    {kIdSlope, two<Wsf_slope>},
    {kIdSmall, two<Wsf_small>},
    {kIdStandardize, three<Wsf_standardize>},
    {kIdStdev, list<Wsf_stdev>},
    {kIdStdeva, list<Wsf_stdeva>},
    {kIdStdevp, list<Wsf_stdevp>},
    {kIdStdevpa, list<Wsf_stdevpa>},
    {kIdSteyx, two<Wsf_steyx>},
    {kIdTdist, list<Wsf_tdist>},
    {kIdTinv, two<Wsf_tinv>},
    {kIdTrend, list<Wsf_trend>},
    {kIdTrimmean, two<Wsf_trimmean>},
    {kIdTtest, list<Wsf_ttest>},
    {kIdVar, list<Wsf_var>},
    {kIdVara, list<Wsf_vara>},
    {kIdVarp, list<Wsf_varp>},
    {kIdVarpa, list<Wsf_varpa>},
    {kIdWeibull, four<Wsf_weibull>},
    {kIdZtest, list<Wsf_ztest>},
    {kIdChar, one<Wsf_char>},
    {kIdClean, one<Wsf_clean>},
    {kIdCode, one<Wsf_code>},
    {kIdConcatenate, list<Wsf_concatenate>},
    {kIdDollar, list<Wsf_dollar>},
    {kIdExact, two<Wsf_exact>},
    {kIdFind, [](Value* r, int argc, Args a, const WsfCall*) { return Wsf_find(r, argc, a, true); }},
    {kIdFixed, list<Wsf_fixed>},
    {kIdLeft, list<Wsf_left>},
    {kIdLen, one<Wsf_len>},
    {kIdLower, one<Wsf_lower>},
    {kIdMid, list<Wsf_mid>},
    {kIdProper, one<Wsf_proper>},
    {kIdReplace, list<Wsf_replace>},
    {kIdRept, two<Wsf_rept>},
    {kIdRight, list<Wsf_right>},
    {kIdSearch, [](Value* r, int argc, Args a, const WsfCall*) { return Wsf_find(r, argc, a, false); }},
    {kIdSubstitute, list<Wsf_substitute>},
    {kIdT, one<Wsf_t>},
    {kIdText, two<Wsf_text>},
    {kIdTrim, one<Wsf_trim>},
    {kIdUpper, one<Wsf_upper>},
    {kIdValue, one<Wsf_value>},
};

struct Listed {
  int32_t id;
  bool worksheet;
};

#define CORVAN_LISTED(symbol, name, id, count, optional, form, selector, kinds, flags) \
  {id, ((flags)&kFnWorksheet) != 0},
constexpr Listed kListed[] = {CORVAN_WORKSHEET_FUNCTIONS(CORVAN_LISTED)};
#undef CORVAN_LISTED

// The registry binds, in ascending order, exactly the functions the list
// marks as the worksheet library's.
constexpr bool coversTheList() {
  size_t marked = 0;
  for (const Listed& l : kListed) marked += l.worksheet ? 1 : 0;
  if (marked != std::size(kRegistry)) return false;
  for (size_t i = 0; i < std::size(kRegistry); ++i) {
    if (i > 0 && kRegistry[i - 1].id >= kRegistry[i].id) return false;
    if (!std::any_of(std::begin(kListed), std::end(kListed),
                     [&](const Listed& l) { return l.worksheet && l.id == kRegistry[i].id; }))
      return false;
  }
  return true;
}
static_assert(coversTheList(), "the registry and the function list disagree");

}  // namespace

WsfEntry Wsf_entry(int32_t id) {
  const Registered* r = std::lower_bound(std::begin(kRegistry), std::end(kRegistry), id,
                                         [](const Registered& e, int32_t key) { return e.id < key; });
  return r != std::end(kRegistry) && r->id == id ? r->entry : nullptr;
}
