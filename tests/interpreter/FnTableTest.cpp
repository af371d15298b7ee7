// The worksheet-function name table entry by entry, the refused names, and
// the predicates on identifiers at the edges of their ranges.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "interpreter/Fn_Table.h"
#include "values/Text_Convert.h"

namespace {

struct Expected {
  const char* name;
  int id;
  const char* arguments;  // "n", "a-b" (trailing arguments optional) or "a+" (at least a)
};

const Expected kTable[] = {
    {"abs", 1, "1"}, {"acos", 2, "1"}, {"acosh", 3, "1"}, {"asin", 4, "1"}, {"asinh", 5, "1"}, {"atan", 6, "1"},
    {"atan2", 7, "2"}, {"atanh", 8, "1"}, {"ceiling", 9, "2"}, {"combin", 10, "2"}, {"cos", 11, "1"},
    {"cosh", 12, "1"}, {"countif", 13, "2"}, {"degrees", 14, "1"}, {"even", 15, "1"}, {"exp", 16, "1"},
    {"fact", 17, "1"}, {"factdouble", 18, "1"}, {"floor", 19, "2"}, {"gcd", 20, "1+"}, {"int", 21, "1"},
    {"lcm", 22, "1+"}, {"ln", 23, "1"}, {"log", 24, "1-2"}, {"log10", 25, "1"}, {"mdeterm", 26, "1"},
    {"minverse", 27, "1"}, {"mmult", 28, "2"}, {"mod", 29, "2"}, {"mround", 30, "2"},
    {"multinomial", 31, "1+"}, {"odd", 32, "1"}, {"pi", 33, "0"}, {"power", 34, "2"}, {"product", 35, "1+"},
    {"quotient", 36, "2"}, {"radians", 37, "1"}, {"rand", 38, "0"}, {"randbetween", 39, "2"},
    {"roman", 40, "1-2"}, {"round", 41, "2"}, {"rounddown", 42, "2"}, {"roundup", 43, "2"},
    {"seriessum", 44, "4"}, {"sign", 45, "1"}, {"sin", 46, "1"}, {"sinh", 47, "1"}, {"sqrt", 48, "1"},
    {"sqrtpi", 49, "1"}, {"subtotal", 50, "2+"}, {"sum", 51, "1+"}, {"sumif", 52, "2-3"},
    {"sumproduct", 53, "1+"}, {"sumsq", 54, "1+"}, {"sumx2my2", 55, "2"}, {"sumx2py2", 56, "2"},
    {"sumxmy2", 57, "2"}, {"tan", 58, "1"}, {"tanh", 59, "1"}, {"trunc", 60, "1-2"}, {"dotproduct", 61, "1+"},
    {"quadproduct", 62, "1+"}, {"quadterm", 63, "1+"}, {"gexp", 81, "4"}, {"lx", 82, "1"}, {"poly3", 83, "5"},
    {"daverage", 201, "3"}, {"dcount", 202, "3"}, {"dcounta", 203, "3"}, {"dget", 204, "3"}, {"dmax", 205, "3"},
    {"dmin", 206, "3"}, {"dproduct", 207, "3"}, {"dstdev", 208, "3"}, {"dstdevp", 209, "3"}, {"dsum", 210, "3"},
    {"dvar", 211, "3"}, {"dvarp", 212, "3"}, {"date", 301, "3"}, {"datevalue", 302, "1"}, {"day", 303, "1"},
    {"days360", 304, "2-3"}, {"edate", 305, "2"}, {"eomonth", 306, "2"}, {"hour", 307, "1"},
    {"minute", 308, "1"}, {"month", 309, "1"}, {"networkdays", 310, "2-3"}, {"now", 311, "0"},
    {"second", 312, "1"}, {"time", 313, "3"}, {"timevalue", 314, "1"}, {"today", 315, "0"},
    {"weekday", 316, "1-2"}, {"weeknum", 317, "1-2"}, {"workday", 318, "2-3"}, {"year", 319, "1"},
    {"yearfrac", 320, "2-3"}, {"besseli", 401, "2"}, {"besselj", 402, "2"}, {"besselk", 403, "2"},
    {"bessely", 404, "2"}, {"bin2dec", 405, "1"}, {"bin2hex", 406, "1-2"}, {"bin2oct", 407, "1-2"},
    {"complex", 408, "2-3"}, {"convert", 409, "3"}, {"dec2bin", 410, "1-2"}, {"dec2hex", 411, "1-2"},
    {"dec2oct", 412, "1-2"}, {"delta", 413, "1-2"}, {"erf", 414, "1-2"}, {"erfc", 415, "1"},
    {"gestep", 416, "1-2"}, {"hex2bin", 417, "1-2"}, {"hex2dec", 418, "1"}, {"hex2oct", 419, "1-2"},
    {"imabs", 420, "1"}, {"imaginary", 421, "1"}, {"imargument", 422, "1"}, {"imconjugate", 423, "1"},
    {"imcos", 424, "1"}, {"imdiv", 425, "2"}, {"imexp", 426, "1"}, {"imln", 427, "1"}, {"imlog10", 428, "1"},
    {"imlog2", 429, "1"}, {"impower", 430, "2"}, {"improduct", 431, "1+"}, {"imreal", 432, "1"},
    {"imsin", 433, "1"}, {"imsqrt", 434, "1"}, {"imsub", 435, "2"}, {"imsum", 436, "1+"},
    {"oct2bin", 437, "1-2"}, {"oct2dec", 438, "1"}, {"oct2hex", 439, "1-2"}, {"accrint", 501, "6-7"},
    {"accrintm", 502, "3-5"}, {"amordegrc", 503, "6-7"}, {"amorlinc", 504, "6-7"}, {"coupdaybs", 505, "3-4"},
    {"coupdays", 506, "3-4"}, {"coupdaysnc", 507, "3-4"}, {"coupncd", 508, "3-4"}, {"coupnum", 509, "3-4"},
    {"couppcd", 510, "3-4"}, {"cumipmt", 511, "6"}, {"cumprinc", 512, "6"}, {"db", 513, "4-5"},
    {"ddb", 514, "4-5"}, {"disc", 515, "4-5"}, {"dollarde", 516, "2"}, {"dollarfr", 517, "2"},
    {"duration", 518, "5-6"}, {"effect", 519, "2"}, {"fv", 520, "3-5"}, {"fvschedule", 521, "2"},
    {"intrate", 522, "4-5"}, {"ipmt", 523, "4-6"}, {"irr", 524, "1-2"}, {"mduration", 525, "5-6"},
    {"mirr", 526, "3"}, {"nominal", 527, "2"}, {"nper", 528, "3-5"}, {"npv", 529, "2+"},
    {"oddfprice", 530, "8-9"}, {"oddfyield", 531, "8-9"}, {"oddlprice", 532, "7-8"}, {"oddlyield", 533, "7-8"},
    {"pmt", 534, "3-5"}, {"ppmt", 535, "4-6"}, {"price", 536, "6-7"}, {"pricedisc", 537, "4-5"},
    {"pricemat", 538, "5-6"}, {"pv", 539, "3-5"}, {"rate", 540, "3-6"}, {"received", 541, "4-5"},
    {"sln", 542, "3"}, {"syd", 543, "4"}, {"tbilleq", 544, "3"}, {"tbillprice", 545, "3"},
    {"tbillyield", 546, "3"}, {"vdb", 547, "5-7"}, {"xirr", 548, "2-3"}, {"xnpv", 549, "3"},
    {"yield", 550, "6-7"}, {"yielddisc", 551, "4-5"}, {"yieldmat", 552, "5-6"}, {"countblank", 602, "1"},
    {"error.type", 603, "1"}, {"isblank", 605, "1"}, {"iserr", 606, "1"}, {"iserror", 607, "1"},
    {"iseven", 608, "1"}, {"islogical", 609, "1"}, {"isna", 610, "1"}, {"isnontext", 611, "1"},
    {"isnumber", 612, "1"}, {"isodd", 613, "1"}, {"isref", 614, "1"}, {"istext", 615, "1"}, {"n", 616, "1"},
    {"na", 617, "0"}, {"type", 618, "1"}, {"and", 701, "1+"}, {"false", 702, "0"}, {"if", 703, "2-3"},
    {"not", 704, "1"}, {"or", 705, "1+"}, {"true", 706, "0"}, {"address", 801, "2-5"}, {"areas", 802, "1"},
    {"choose", 803, "2+"}, {"column", 804, "0-1"}, {"columns", 805, "1"}, {"hlookup", 806, "3-4"},
    {"index", 808, "2-3"}, {"lookup", 810, "2-3"}, {"match", 811, "2-3"}, {"row", 813, "0-1"},
    {"rows", 814, "1"}, {"transpose", 815, "1"}, {"vlookup", 816, "3-4"}, {"avedev", 901, "1+"},
    {"average", 902, "1+"}, {"averagea", 903, "1+"}, {"betadist", 904, "3-5"}, {"betainv", 905, "3-5"},
    {"binomdist", 906, "4"}, {"chidist", 907, "2"}, {"chiinv", 908, "2"}, {"chitest", 909, "2"},
    {"confidence", 910, "3"}, {"correl", 911, "2"}, {"count", 912, "1+"}, {"counta", 913, "1+"},
    {"covar", 914, "2"}, {"critbinom", 915, "3"}, {"devsq", 916, "1+"}, {"expondist", 917, "3"},
    {"fdist", 918, "3"}, {"finv", 919, "3"}, {"fisher", 920, "1"}, {"fisherinv", 921, "1"},
    {"forecast", 922, "3"}, {"frequency", 923, "2"}, {"ftest", 924, "2"}, {"gammadist", 925, "4"},
    {"gammainv", 926, "3"}, {"gammaln", 927, "1"}, {"geomean", 928, "1+"}, {"growth", 929, "1-4"},
    {"harmean", 930, "1+"}, {"hypgeomdist", 931, "4"}, {"intercept", 932, "2"}, {"kurt", 933, "1+"},
    {"large", 934, "2"}, {"linest", 935, "1-4"}, {"logest", 936, "1-4"}, {"loginv", 937, "3"},
    {"lognormdist", 938, "3"}, {"max", 939, "1+"}, {"maxa", 940, "1+"}, {"median", 941, "1+"},
    {"min", 942, "1+"}, {"mina", 943, "1+"}, {"mode", 944, "1+"}, {"negbinomdist", 945, "3"},
    {"normdist", 946, "4"}, {"norminv", 947, "3"}, {"normsdist", 948, "1"}, {"normsinv", 949, "1"},
    {"pearson", 950, "2"}, {"percentile", 951, "2"}, {"percentrank", 952, "2-3"}, {"permut", 953, "2"},
    {"poisson", 954, "3"}, {"prob", 955, "3-4"}, {"quartile", 956, "2"}, {"rank", 957, "2-3"}, {"rsq", 958, "2"},
    {"skew", 959, "1+"}, {"slope", 960, "2"}, {"small", 961, "2"}, {"standardize", 962, "3"},
    {"stdev", 963, "1+"}, {"stdeva", 964, "1+"}, {"stdevp", 965, "1+"}, {"stdevpa", 966, "1+"},
    {"steyx", 967, "2"}, {"tdist", 968, "3"}, {"tinv", 969, "2"}, {"trend", 970, "1-4"}, {"trimmean", 971, "2"},
    {"ttest", 972, "4"}, {"var", 973, "1+"}, {"vara", 974, "1+"}, {"varp", 975, "1+"}, {"varpa", 976, "1+"},
    {"weibull", 977, "4"}, {"ztest", 978, "2-3"}, {"char", 1001, "1"}, {"clean", 1002, "1"}, {"code", 1003, "1"},
    {"concatenate", 1004, "1+"}, {"dollar", 1005, "1-2"}, {"exact", 1006, "2"}, {"find", 1007, "2-3"},
    {"fixed", 1008, "1-3"}, {"left", 1009, "1-2"}, {"len", 1010, "1"}, {"lower", 1011, "1"}, {"mid", 1012, "3"},
    {"proper", 1013, "1"}, {"replace", 1014, "4"}, {"rept", 1015, "2"}, {"right", 1016, "1-2"},
    {"search", 1017, "2-3"}, {"substitute", 1018, "3-4"}, {"t", 1019, "1"}, {"text", 1020, "2"},
    {"trim", 1021, "1"}, {"upper", 1022, "1"}, {"value", 1023, "1"},
};

TEST(FnTable, EveryNameHasItsIdCountsAndFlags) {
  const std::set<int> volatileIds = {38, 39, 311, 315};
  EXPECT_EQ(std::size(kTable), 325u);
  for (const Expected& e : kTable) {
    SCOPED_TRACE(e.name);
    FunctionRecord r;
    ASSERT_TRUE(Fn_lookup(Text_fromUtf8(e.name).c_str(), &r));
    EXPECT_EQ(r.id, e.id);
    EXPECT_EQ(Text_toUtf8(r.name), e.name);
    EXPECT_EQ(r.resultType, 21);
    const std::string args = e.arguments;
    const size_t dash = args.find('-');
    const int low = std::stoi(args);
    if (args.back() == '+') {
      EXPECT_EQ(r.argumentCount, -1);
      EXPECT_EQ(r.optional, 0);
    } else if (dash != std::string::npos) {
      const int high = std::stoi(args.substr(dash + 1));
      EXPECT_EQ(r.argumentCount, high);
      EXPECT_EQ(r.optional, high - low);
    } else {
      EXPECT_EQ(r.argumentCount, low);
      EXPECT_EQ(r.optional, 0);
    }
    // A call with fewer arguments is refused.
    EXPECT_EQ(Fn_fewestArguments(&r), low);
    EXPECT_TRUE(Fn_acceptsCount(&r, low));
    EXPECT_FALSE(Fn_acceptsCount(&r, low - 1));
    const int typed = r.argumentCount < 0 ? 32 : r.argumentCount;
    for (int k = 0; k < 32; ++k) EXPECT_EQ(r.argumentTypes[k], k < typed ? 21u : 0u) << k;
    EXPECT_EQ(r.isVolatile, volatileIds.count(e.id) ? 1 : 0);
  }
}

TEST(FnTable, RefusedAndUnknownNames) {
  for (const char* name : {"getpivotdata", "call", "register.id", "sqlrequest", "cell", "info", "hyperlink",
                           "indirect", "offset"}) {
    FunctionRecord r;
    EXPECT_FALSE(Fn_lookup(Text_fromUtf8(name).c_str(), &r)) << name;
    EXPECT_EQ(r.id, -1) << name;
    EXPECT_EQ(r.argumentCount, -1) << name;
  }
  FunctionRecord r;
  EXPECT_FALSE(Fn_lookup(u"foo", &r));
  EXPECT_EQ(r.id, 0);
  EXPECT_EQ(std::u16string(r.name), u"foo");
  EXPECT_EQ(r.argumentCount, -1);
  // Lookups are exact on lower-case text: the lexer folds names first.
  EXPECT_FALSE(Fn_lookup(u"LOG", &r));
  EXPECT_TRUE(Fn_lookup(u"true", &r));
  EXPECT_EQ(r.id, 706);
  EXPECT_EQ(r.argumentCount, 0);
}

struct PredicateCase {
  bool (*predicate)(int32_t);
  const char* name;
  std::set<int> yes;
  std::set<int> no;
};

TEST(FnTable, PredicatesAtTheirBoundaries) {
  const PredicateCase cases[] = {
      {Fn_isDatabase, "database", {201, 212, 299}, {200, 300}},
      {Fn_isDateTime, "datetime", {301, 320, 399}, {300, 400}},
      {Fn_isEngineering, "engineering", {401, 499}, {400, 500}},
      {Fn_isInformation, "information", {601, 699}, {600, 700}},
      {Fn_isLookup, "lookup", {801, 899}, {800, 900}},
      {Fn_isText, "text", {1001, 1099}, {1000, 1100}},
      {Fn_isRandom, "random", {38, 39, 1101, 1113, 1201, 1250, 1301, 1338}, {37, 40, 1100, 1114, 1200, 1251, 1300, 1339}},
      {Fn_isElementwise,
       "elementwise",
       {0, 7, 9, 10, 13, 15, 17, 20, 22, 26, 27, 29, 32, 36, 40, 43, 52, 60, 201, 301, 401, 503, 510, 514, 516, 517,
        524, 531, 533, 540, 547, 550, 601, 617, 801, 807, 809, 904, 910, 915, 918, 919, 925, 926, 929, 931, 935, 936,
        938, 940, 941, 943, 944, 946, 949, 952, 953, 955, 957, 968, 970, 972, 978, 1001, 1023},
       {1, 8, 11, 14, 16, 21, 23, 28, 33, 37, 44, 51, 53, 61, 502, 511, 515, 518, 618, 701, 808, 903, 911, 917, 920,
        927, 942, 945, 950, 954, 956, 967, 971, 973, 977}},
      {Fn_isScalarArgs,
       "scalar args",
       {1, 12, 19, 21, 23, 25, 29, 30, 32, 34, 36, 43, 45, 49, 58, 60, 64, 200, 213, 309, 311, 317, 319, 430, 432, 435,
        437, 520, 522, 525, 527, 530, 547, 550, 607, 608, 609, 612, 613, 615, 702, 704, 706, 801, 807, 809, 812, 900,
        904, 908, 910, 915, 917, 921, 925, 927, 931, 937, 938, 945, 949, 953, 954, 962, 968, 969, 977, 979},
       {13, 20, 22, 26, 28, 31, 35, 44, 50, 57, 61, 63, 201, 212, 310, 318, 431, 436, 521, 524, 526, 529, 548, 549,
        602, 614, 701, 703, 705, 802, 806, 808, 810, 811, 813, 816, 901, 903, 909, 911, 914, 916, 922, 924, 928, 930,
        932, 936, 939, 944, 950, 952, 955, 961, 963, 967, 970, 976, 978}},
      {Fn_isArrayArgs, "array args", {26, 28, 53, 55, 57, 805, 814}, {25, 29, 51, 52, 54, 58, 703}},
  };
  for (const PredicateCase& c : cases) {
    for (int id : c.yes) EXPECT_TRUE(c.predicate(id)) << c.name << " " << id;
    for (int id : c.no) EXPECT_FALSE(c.predicate(id)) << c.name << " " << id;
  }
}

// The ids of a list such as "7, 9-10, 13".
std::set<int> idsOf(const std::string& list) {
  std::set<int> ids;
  size_t at = 0;
  while (at < list.size()) {
    size_t used = 0;
    const int first = std::stoi(list.substr(at), &used);
    at += used;
    int last = first;
    if (at < list.size() && list[at] == '-') {
      last = std::stoi(list.substr(at + 1), &used);
      at += used + 1;
    }
    for (int id = first; id <= last; ++id) ids.insert(id);
    while (at < list.size() && (list[at] == ',' || list[at] == ' ')) ++at;
  }
  return ids;
}

// The elementwise, scalar-argument and random predicates over every id, each
// against its whole list.
TEST(FnTable, PredicatesOverEveryId) {
  const std::set<int> elementwise = idsOf(
      "0, 7, 9-10, 13, 15, 17-20, 22, 26-27, 29-32, 36, 40-43, 52, 60, 201-299, 301-399, 401-499, 503-510, 514, "
      "516-517, 524, 531, 533, 540, 547-550, 601-617, 619-699, 801-807, 809-899, 904-910, 915, 918-919, 925-926, "
      "929, 931, 935-936, 938, 940-941, 943-944, 946-949, 952-953, 955, 957, 968-970, 972, 978, 1001-1099");
  // COUNTBLANK (602) and ISREF (614) take their range whole as well, and so
  // do the simulation functions over tables, vectors and matrices (1102,
  // 1103, 1114-1117, 1150, 1204, 1205), the distribution functions with
  // property arguments (lists and property arrays), the property functions
  // and the sample statistics.
  const std::set<int> notScalar = idsOf(
      "13, 20, 22, 26-28, 31, 35, 44, 50-57, 61-63, 201-212, 310, 318, 431, 436, 521, 524, 526, 529, 548-549, 602, "
      "614, 618, 701, 703, 705, 802-806, 808, 810-811, 813-816, 901-903, 909, 911-914, 916, 922-924, 928-930, "
      "932-936, 939-944, 950-952, 955-961, 963-967, 970-976, 978, 1102-1103, 1114-1117, 1150, 1204-1205, 1254, "
      "1301, 1304-1322, 1324-1326, 1331-1332, 1334-1350, 1352-1353, 1355, 1357-1361");
  const std::set<int> random = idsOf("38-39, 1101-1113, 1201-1250, 1301-1338");
  for (int id = -1; id <= 1400; ++id) {
    EXPECT_EQ(Fn_isElementwise(id), elementwise.count(id) == 1) << id;
    EXPECT_EQ(Fn_isScalarArgs(id), notScalar.count(id) == 0) << id;
    EXPECT_EQ(Fn_isRandom(id), random.count(id) == 1) << id;
  }
}

}  // namespace
