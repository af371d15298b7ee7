// The table of worksheet-function names and the predicates on identifiers.
#include "interpreter/Fn_Table.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string_view>

namespace {

struct FnEntry {
  const char16_t* name;
  int16_t id;
  int16_t count;
  uint16_t optional;
  uint8_t isVolatile;
};

// Compared in this order; the first match wins.
const FnEntry kFunctions[] = {
    {u"abs", 1, 1, 0, 0},
    {u"acos", 2, 1, 0, 0},
    {u"acosh", 3, 1, 0, 0},
    {u"asin", 4, 1, 0, 0},
    {u"asinh", 5, 1, 0, 0},
    {u"atan", 6, 1, 0, 0},
    {u"atan2", 7, 2, 0, 0},
    {u"atanh", 8, 1, 0, 0},
    {u"ceiling", 9, 2, 0, 0},
    {u"combin", 10, 2, 0, 0},
    {u"cos", 11, 1, 0, 0},
    {u"cosh", 12, 1, 0, 0},
    {u"countif", 13, 2, 0, 0},
    {u"degrees", 14, 1, 0, 0},
    {u"even", 15, 1, 0, 0},
    {u"exp", 16, 1, 0, 0},
    {u"fact", 17, 1, 0, 0},
    {u"factdouble", 18, 1, 0, 0},
    {u"floor", 19, 2, 0, 0},
    {u"gcd", 20, -1, 0, 0},
    {u"int", 21, 1, 0, 0},
    {u"lcm", 22, -1, 0, 0},
    {u"ln", 23, 1, 0, 0},
    {u"log", 24, 2, 1, 0},
    {u"log10", 25, 1, 0, 0},
    {u"mdeterm", 26, 1, 0, 0},
    {u"minverse", 27, 1, 0, 0},
    {u"mmult", 28, 2, 0, 0},
    {u"mod", 29, 2, 0, 0},
    {u"mround", 30, 2, 1, 0},
    {u"multinomial", 31, -1, 0, 0},
    {u"odd", 32, 1, 0, 0},
    {u"pi", 33, 0, 0, 0},
    {u"power", 34, 2, 0, 0},
    {u"product", 35, -1, 0, 0},
    {u"quotient", 36, 2, 0, 0},
    {u"radians", 37, 1, 0, 0},
    {u"rand", 38, 0, 0, 1},
    {u"randbetween", 39, 2, 0, 1},
    {u"roman", 40, 2, 1, 0},
    {u"round", 41, 2, 0, 0},
    {u"rounddown", 42, 2, 0, 0},
    {u"roundup", 43, 2, 0, 0},
    {u"seriessum", 44, 4, 0, 0},
    {u"sign", 45, 1, 0, 0},
    {u"sin", 46, 1, 0, 0},
    {u"sinh", 47, 1, 0, 0},
    {u"sqrt", 48, 1, 0, 0},
    {u"sqrtpi", 49, 1, 0, 0},
    {u"subtotal", 50, -1, 0, 0},
    {u"sum", 51, -1, 0, 0},
    {u"sumif", 52, 3, 1, 0},
    {u"sumproduct", 53, -1, 0, 0},
    {u"sumsq", 54, -1, 0, 0},
    {u"sumx2my2", 55, 2, 0, 0},
    {u"sumx2py2", 56, 2, 0, 0},
    {u"sumxmy2", 57, 2, 0, 0},
    {u"tan", 58, 1, 0, 0},
    {u"tanh", 59, 1, 0, 0},
    {u"trunc", 60, 2, 1, 0},
    {u"dotproduct", 61, -1, 0, 0},
    {u"quadproduct", 62, -1, 0, 0},
    {u"quadterm", 63, -1, 0, 0},
    {u"gexp", 81, 4, 0, 0},
    {u"lx", 82, 1, 0, 0},
    {u"poly3", 83, 5, 0, 0},
    {u"daverage", 201, 3, 0, 0},
    {u"dcount", 202, 3, 0, 0},
    {u"dcounta", 203, 3, 0, 0},
    {u"dget", 204, 3, 0, 0},
    {u"dmax", 205, 3, 0, 0},
    {u"dmin", 206, 3, 0, 0},
    {u"dproduct", 207, 3, 0, 0},
    {u"dstdev", 208, 3, 0, 0},
    {u"dstdevp", 209, 3, 0, 0},
    {u"dsum", 210, 3, 0, 0},
    {u"dvar", 211, 3, 0, 0},
    {u"dvarp", 212, 3, 0, 0},
    {u"date", 301, 3, 0, 0},
    {u"datevalue", 302, 1, 0, 0},
    {u"day", 303, 1, 0, 0},
    {u"days360", 304, 3, 1, 0},
    {u"edate", 305, 2, 0, 0},
    {u"eomonth", 306, 2, 0, 0},
    {u"hour", 307, 1, 0, 0},
    {u"minute", 308, 1, 0, 0},
    {u"month", 309, 1, 0, 0},
    {u"networkdays", 310, 3, 1, 0},
    {u"now", 311, 0, 0, 1},
    {u"second", 312, 1, 0, 0},
    {u"time", 313, 3, 0, 0},
    {u"timevalue", 314, 1, 0, 0},
    {u"today", 315, 0, 0, 1},
    {u"weekday", 316, 2, 1, 0},
    {u"weeknum", 317, 2, 1, 0},
    {u"workday", 318, 3, 1, 0},
    {u"year", 319, 1, 0, 0},
    {u"yearfrac", 320, 3, 1, 0},
    {u"besseli", 401, 2, 0, 0},
    {u"besselj", 402, 2, 0, 0},
    {u"besselk", 403, 2, 0, 0},
    {u"bessely", 404, 2, 0, 0},
    {u"bin2dec", 405, 1, 0, 0},
    {u"bin2hex", 406, 2, 1, 0},
    {u"bin2oct", 407, 2, 1, 0},
    {u"complex", 408, 3, 1, 0},
    {u"convert", 409, 3, 0, 0},
    {u"dec2bin", 410, 2, 1, 0},
    {u"dec2hex", 411, 2, 1, 0},
    {u"dec2oct", 412, 2, 1, 0},
    {u"delta", 413, 2, 1, 0},
    {u"erf", 414, 2, 1, 0},
    {u"erfc", 415, 1, 0, 0},
    {u"gestep", 416, 2, 1, 0},
    {u"hex2bin", 417, 2, 1, 0},
    {u"hex2dec", 418, 1, 0, 0},
    {u"hex2oct", 419, 2, 1, 0},
    {u"imabs", 420, 1, 0, 0},
    {u"imaginary", 421, 1, 0, 0},
    {u"imargument", 422, 1, 0, 0},
    {u"imconjugate", 423, 1, 0, 0},
    {u"imcos", 424, 1, 0, 0},
    {u"imdiv", 425, 2, 0, 0},
    {u"imexp", 426, 1, 0, 0},
    {u"imln", 427, 1, 0, 0},
    {u"imlog10", 428, 1, 0, 0},
    {u"imlog2", 429, 1, 0, 0},
    {u"impower", 430, 2, 0, 0},
    {u"improduct", 431, -1, 0, 0},
    {u"imreal", 432, 1, 0, 0},
    {u"imsin", 433, 1, 0, 0},
    {u"imsqrt", 434, 1, 0, 0},
    {u"imsub", 435, 2, 0, 0},
    {u"imsum", 436, -1, 0, 0},
    {u"oct2bin", 437, 2, 1, 0},
    {u"oct2dec", 438, 1, 0, 0},
    {u"oct2hex", 439, 2, 1, 0},
    {u"accrint", 501, 7, 1, 0},
    {u"accrintm", 502, 5, 2, 0},
    {u"amordegrc", 503, 7, 1, 0},
    {u"amorlinc", 504, 7, 1, 0},
    {u"coupdaybs", 505, 4, 1, 0},
    {u"coupdays", 506, 4, 1, 0},
    {u"coupdaysnc", 507, 4, 1, 0},
    {u"coupncd", 508, 4, 1, 0},
    {u"coupnum", 509, 4, 1, 0},
    {u"couppcd", 510, 4, 1, 0},
    {u"cumipmt", 511, 6, 0, 0},
    {u"cumprinc", 512, 6, 0, 0},
    {u"db", 513, 5, 1, 0},
    {u"ddb", 514, 5, 1, 0},
    {u"disc", 515, 5, 1, 0},
    {u"dollarde", 516, 2, 0, 0},
    {u"dollarfr", 517, 2, 0, 0},
    {u"duration", 518, 6, 1, 0},
    {u"effect", 519, 2, 0, 0},
    {u"fv", 520, 5, 2, 0},
    {u"fvschedule", 521, 2, 0, 0},
    {u"intrate", 522, 5, 1, 0},
    {u"ipmt", 523, 6, 2, 0},
    {u"irr", 524, 2, 1, 0},
    {u"mduration", 525, 6, 1, 0},
    {u"mirr", 526, 3, 0, 0},
    {u"nominal", 527, 2, 0, 0},
    {u"nper", 528, 5, 2, 0},
    {u"npv", 529, -1, 0, 0},
    {u"oddfprice", 530, 9, 1, 0},
    {u"oddfyield", 531, 9, 1, 0},
    {u"oddlprice", 532, 8, 1, 0},
    {u"oddlyield", 533, 8, 1, 0},
    {u"pmt", 534, 5, 2, 0},
    {u"ppmt", 535, 6, 2, 0},
    {u"price", 536, 7, 1, 0},
    {u"pricedisc", 537, 5, 1, 0},
    {u"pricemat", 538, 6, 1, 0},
    {u"pv", 539, 5, 2, 0},
    {u"rate", 540, 6, 3, 0},
    {u"received", 541, 5, 1, 0},
    {u"sln", 542, 3, 0, 0},
    {u"syd", 543, 4, 0, 0},
    {u"tbilleq", 544, 3, 0, 0},
    {u"tbillprice", 545, 3, 0, 0},
    {u"tbillyield", 546, 3, 0, 0},
    {u"vdb", 547, 7, 2, 0},
    {u"xirr", 548, 3, 1, 0},
    {u"xnpv", 549, 3, 0, 0},
    {u"yield", 550, 7, 1, 0},
    {u"yielddisc", 551, 5, 1, 0},
    {u"yieldmat", 552, 6, 1, 0},
    {u"countblank", 602, 1, 0, 0},
    {u"error.type", 603, 1, 0, 0},
    {u"isblank", 605, 1, 0, 0},
    {u"iserr", 606, 1, 0, 0},
    {u"iserror", 607, 1, 0, 0},
    {u"iseven", 608, 1, 0, 0},
    {u"islogical", 609, 1, 0, 0},
    {u"isna", 610, 1, 0, 0},
    {u"isnontext", 611, 1, 0, 0},
    {u"isnumber", 612, 1, 0, 0},
    {u"isodd", 613, 1, 0, 0},
    {u"isref", 614, 1, 0, 0},
    {u"istext", 615, 1, 0, 0},
    {u"n", 616, 1, 0, 0},
    {u"na", 617, 0, 0, 0},
    {u"type", 618, 1, 0, 0},
    {u"and", 701, -1, 0, 0},
    {u"false", 702, 0, 0, 0},
    {u"if", 703, 3, 1, 0},
    {u"not", 704, 1, 0, 0},
    {u"or", 705, -1, 0, 0},
    {u"true", 706, 0, 0, 0},
    {u"address", 801, 5, 3, 0},
    {u"areas", 802, 1, 0, 0},
    {u"choose", 803, -1, 0, 0},
    {u"column", 804, 1, 1, 0},
    {u"columns", 805, 1, 0, 0},
    {u"hlookup", 806, 4, 1, 0},
    {u"index", 808, 3, 1, 0},
    {u"lookup", 810, 3, 1, 0},
    {u"match", 811, 3, 1, 0},
    {u"row", 813, 1, 1, 0},
    {u"rows", 814, 1, 0, 0},
    {u"transpose", 815, 1, 0, 0},
    {u"vlookup", 816, 4, 1, 0},
    {u"avedev", 901, -1, 0, 0},
    {u"average", 902, -1, 0, 0},
    {u"averagea", 903, -1, 0, 0},
    {u"betadist", 904, 5, 2, 0},
    {u"betainv", 905, 5, 2, 0},
    {u"binomdist", 906, 4, 0, 0},
    {u"chidist", 907, 2, 0, 0},
    {u"chiinv", 908, 2, 0, 0},
    {u"chitest", 909, 2, 0, 0},
    {u"confidence", 910, 3, 0, 0},
    {u"correl", 911, 2, 0, 0},
    {u"count", 912, -1, 0, 0},
    {u"counta", 913, -1, 0, 0},
    {u"covar", 914, 2, 0, 0},
    {u"critbinom", 915, 3, 0, 0},
    {u"devsq", 916, -1, 0, 0},
    {u"expondist", 917, 3, 0, 0},
    {u"fdist", 918, 3, 0, 0},
    {u"finv", 919, 3, 0, 0},
    {u"fisher", 920, 1, 0, 0},
    {u"fisherinv", 921, 1, 0, 0},
    {u"forecast", 922, 3, 0, 0},
    {u"frequency", 923, 2, 0, 0},
    {u"ftest", 924, 2, 0, 0},
    {u"gammadist", 925, 4, 0, 0},
    {u"gammainv", 926, 3, 0, 0},
    {u"gammaln", 927, 1, 0, 0},
    {u"geomean", 928, -1, 0, 0},
    {u"growth", 929, 4, 3, 0},
    {u"harmean", 930, -1, 0, 0},
    {u"hypgeomdist", 931, 4, 0, 0},
    {u"intercept", 932, 2, 0, 0},
    {u"kurt", 933, -1, 0, 0},
    {u"large", 934, 2, 0, 0},
    {u"linest", 935, 4, 3, 0},
    {u"logest", 936, 4, 3, 0},
    {u"loginv", 937, 3, 0, 0},
    {u"lognormdist", 938, 3, 0, 0},
    {u"max", 939, -1, 0, 0},
    {u"maxa", 940, -1, 0, 0},
    {u"median", 941, -1, 0, 0},
    {u"min", 942, -1, 0, 0},
    {u"mina", 943, -1, 0, 0},
    {u"mode", 944, -1, 0, 0},
    {u"negbinomdist", 945, 3, 0, 0},
    {u"normdist", 946, 4, 0, 0},
    {u"norminv", 947, 3, 0, 0},
    {u"normsdist", 948, 1, 0, 0},
    {u"normsinv", 949, 1, 0, 0},
    {u"pearson", 950, 2, 0, 0},
    {u"percentile", 951, 2, 0, 0},
    {u"percentrank", 952, 3, 1, 0},
    {u"permut", 953, 2, 0, 0},
    {u"poisson", 954, 3, 0, 0},
    {u"prob", 955, 4, 1, 0},
    {u"quartile", 956, 2, 0, 0},
    {u"rank", 957, 3, 1, 0},
    {u"rsq", 958, 2, 0, 0},
    {u"skew", 959, -1, 0, 0},
    {u"slope", 960, 2, 0, 0},
    {u"small", 961, 2, 0, 0},
    {u"standardize", 962, 3, 0, 0},
    {u"stdev", 963, -1, 0, 0},
    {u"stdeva", 964, -1, 0, 0},
    {u"stdevp", 965, -1, 0, 0},
    {u"stdevpa", 966, -1, 0, 0},
    {u"steyx", 967, 2, 0, 0},
    {u"tdist", 968, 3, 0, 0},
    {u"tinv", 969, 2, 0, 0},
    {u"trend", 970, 4, 3, 0},
    {u"trimmean", 971, 2, 0, 0},
    {u"ttest", 972, 4, 0, 0},
    {u"var", 973, -1, 0, 0},
    {u"vara", 974, -1, 0, 0},
    {u"varp", 975, -1, 0, 0},
    {u"varpa", 976, -1, 0, 0},
    {u"weibull", 977, 4, 0, 0},
    {u"ztest", 978, 3, 1, 0},
    {u"char", 1001, 1, 0, 0},
    {u"clean", 1002, 1, 0, 0},
    {u"code", 1003, 1, 0, 0},
    {u"concatenate", 1004, -1, 0, 0},
    {u"dollar", 1005, 2, 1, 0},
    {u"exact", 1006, 2, 0, 0},
    {u"find", 1007, 3, 1, 0},
    {u"fixed", 1008, 3, 2, 0},
    {u"left", 1009, 2, 1, 0},
    {u"len", 1010, 1, 0, 0},
    {u"lower", 1011, 1, 0, 0},
    {u"mid", 1012, 3, 0, 0},
    {u"proper", 1013, 1, 0, 0},
    {u"replace", 1014, 4, 0, 0},
    {u"rept", 1015, 2, 0, 0},
    {u"right", 1016, 2, 1, 0},
    {u"search", 1017, 3, 1, 0},
    {u"substitute", 1018, 4, 1, 0},
    {u"t", 1019, 1, 0, 0},
    {u"text", 1020, 2, 0, 0},
    {u"trim", 1021, 1, 0, 0},
    {u"upper", 1022, 1, 0, 0},
    {u"value", 1023, 1, 0, 0},
};

// Names known but not supported.
const char16_t* const kUnsupported[] = {u"getpivotdata", u"call",     u"register.id", u"sqlrequest", u"cell",
                                        u"info",         u"hyperlink", u"indirect",    u"offset"};

struct IdRange {
  int16_t first;
  int16_t last;
};

template <size_t N>
bool inRanges(int32_t id, const IdRange (&ranges)[N]) {
  return std::any_of(std::begin(ranges), std::end(ranges), [id](IdRange r) { return id >= r.first && id <= r.last; });
}

const IdRange kRandom[] = {{38, 39}, {1101, 1113}, {1201, 1250}, {1301, 1338}};

const IdRange kElementwiseOther[] = {
    {0, 0},     {7, 7},     {9, 10},    {13, 13},   {15, 15},   {17, 20},   {22, 22},   {26, 27},   {29, 32},
    {36, 36},   {40, 43},   {52, 52},   {60, 60},   {503, 510}, {514, 514}, {516, 517}, {524, 524}, {531, 531},
    {533, 533}, {540, 540}, {547, 550}, {904, 910}, {915, 915}, {918, 919}, {925, 926}, {929, 929}, {931, 931},
    {935, 936}, {938, 938}, {940, 941}, {943, 944}, {946, 949}, {952, 953}, {955, 955}, {957, 957}, {968, 970},
    {972, 972}, {978, 978}};

// COUNTBLANK (602) counts the blanks of a whole range and ISREF (614) asks
// whether its argument is a reference: neither may see its range cut down to
// one cell.
const IdRange kNotScalarArgs[] = {
    {13, 13},   {20, 20},   {22, 22},   {26, 28},   {31, 31},   {35, 35},   {44, 44},   {50, 57},   {61, 63},
    {201, 212}, {310, 310}, {318, 318}, {431, 431}, {436, 436}, {521, 521}, {524, 524}, {526, 526}, {529, 529},
    {548, 549}, {602, 602}, {608, 608}, {613, 614}, {701, 701}, {703, 703}, {705, 705}, {802, 806}, {808, 808},
    {810, 811}, {813, 816}, {901, 903}, {909, 909}, {911, 914}, {916, 916}, {922, 924}, {928, 930}, {932, 936},
    {939, 944}, {950, 952}, {955, 961}, {963, 967}, {970, 976}, {978, 978}};

// MDETERM, MINVERSE, MMULT, SUMPRODUCT, SUMX2MY2, SUMX2PY2, SUMXMY2.
const IdRange kArrayArgs[] = {{26, 28}, {53, 53}, {55, 57}};

bool between(int32_t id, int32_t first, int32_t last) { return id >= first && id <= last; }

}  // namespace

void Fn_setRecord(int16_t id, const char16_t* name, int16_t count, uint16_t optional, uint8_t isVolatile,
                  FunctionRecord* out) {
  *out = FunctionRecord{};
  out->id = id;
  for (int i = 0; name && name[i] && i < kFnNameLength - 1; ++i) out->name[i] = name[i];
  out->resultType = kFnAnyType;
  out->argumentCount = count;
  out->optional = optional;
  const int typed = count < 0 ? kFnMaxArguments : std::min<int>(count, kFnMaxArguments);
  for (int i = 0; i < typed; ++i) out->argumentTypes[i] = kFnAnyType;
  out->isVolatile = isVolatile;
}

void Fn_copyRecord(FunctionRecord* out, const FunctionRecord* in) { *out = *in; }

bool Fn_lookup(const char16_t* name, FunctionRecord* out) {
  const std::u16string_view key(name ? name : u"");
  for (const FnEntry& e : kFunctions) {
    if (key == e.name) {
      Fn_setRecord(e.id, e.name, e.count, e.optional, e.isVolatile, out);
      return true;
    }
  }
  const bool unsupported = std::any_of(std::begin(kUnsupported), std::end(kUnsupported),
                                       [&](const char16_t* n) { return key == n; });
  Fn_setRecord(unsupported ? kFnUnsupported : kFnUnknown, name, -1, 0, 0, out);
  return false;
}

int32_t Fn_count() { return static_cast<int32_t>(std::size(kFunctions)); }

bool Fn_recordAt(int32_t i, FunctionRecord* out) {
  if (i < 0 || i >= Fn_count()) return false;
  const FnEntry& e = kFunctions[i];
  Fn_setRecord(e.id, e.name, e.count, e.optional, e.isVolatile, out);
  return true;
}

bool Fn_isDatabase(int32_t id) { return between(id, 201, 299); }
bool Fn_isDateTime(int32_t id) { return between(id, 301, 399); }
bool Fn_isEngineering(int32_t id) { return between(id, 401, 499); }
bool Fn_isInformation(int32_t id) { return between(id, 601, 699); }
bool Fn_isLookup(int32_t id) { return between(id, 801, 899); }
bool Fn_isText(int32_t id) { return between(id, 1001, 1099); }

bool Fn_isRandom(int32_t id) { return inRanges(id, kRandom); }

bool Fn_isElementwise(int32_t id) {
  if (Fn_isDateTime(id) || Fn_isDatabase(id) || Fn_isEngineering(id) || Fn_isText(id)) return true;
  if (Fn_isInformation(id)) return id != 618;
  if (Fn_isLookup(id)) return id != 808;
  return inRanges(id, kElementwiseOther);
}

bool Fn_isScalarArgs(int32_t id) { return !inRanges(id, kNotScalarArgs); }

bool Fn_isArrayArgs(int32_t id) { return inRanges(id, kArrayArgs); }

bool Fn_takesNumbers(int32_t id) {
  if (Fn_isInformation(id) || Fn_isText(id) || Fn_isDateTime(id) || Fn_isEngineering(id)) return false;
  return Fn_isScalarArgs(id) && !Fn_isLookup(id) && !Fn_isDatabase(id) && !between(id, 701, 799);
}
