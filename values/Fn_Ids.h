// The worksheet functions, one line each: the one place that gives a
// function its identifier, name, argument count, calling form and flags.
// The interpreter's name table and dispatcher and the worksheet library's
// registry are built from these lists; code that names a function by hand
// uses its kId constant.
#pragma once

#include <cstdint>

// What a function's call needs beyond its name and count.
enum FnFlag : uint16_t {
  kFnVolatile = 1,        // recalculated on every pass
  kFnElementwise = 2,     // a call with a sample-vector argument runs trial by trial
  kFnRangeArgs = 4,       // takes ranges, arrays or unevaluated arguments, not plain scalars
  kFnArrayArgs = 8,       // operators inside its arguments work element by element
  kFnRandom = 16,         // each call is a sampled input of its own
  kFnWorksheet = 32,      // implemented by the worksheet library's registry
  kFnSimulation = 64,     // implemented by the simulation library's entries
  kFnOwnDefaults = 128,   // an argument left out takes the function's default, not a blank
  kFnWholeArrays = 256,   // its n and b parameters take a range or array whole (not one value of it)
  kFnLiftsArrays = 512,   // its n, b and o parameters read a range as one value outside array context,
                          // but take an array whole (in array context a range too) and answer an
                          // array, one result for each of its elements (LARGE's k, a criterion)
  kFnArrayResult = 1024,  // answers an array (a regression's fit), so is never lifted: its n and b
                          // parameters read one value in an array formula too
};

// What each parameter takes, one letter per parameter (a variadic
// function's last letter stands for every further argument). A text or a
// logical that stands where a number or a logical is wanted is read by
// these kinds alone:
//   n  one number: a text that reads as a number, and a logical, is that
//      number, typed, computed or read from a cell (and so is each element
//      of an array given there)
//   d  one number that a logical does not stand for (a date, a count, a
//      frequency or basis of the financial and date functions): a text
//      that reads as a number is that number, as for n; a logical is
//      #VALUE!
//   N  numbers of ranges and arrays: a text that reads as a number, and a
//      logical, given directly (typed or computed) is that number; the
//      texts and logicals inside ranges, arrays and single cells are the
//      function's to skip (or, in the A-functions, to count as 0)
//   b  one logical: a text TRUE or FALSE (any case), wherever it comes from,
//      is that logical
//   B  logicals of ranges and arrays: a text TRUE or FALSE given directly is
//      that logical
//   t  a text; v  any value (keys, criteria, branches, the tested value):
//      taken as given
//   o  one value of any kind (the value a lookup searches for, a criterion): taken as
//      given, a range or an array read as one value as for n and b
//   r  a reference: a value not read from a cell or range makes the call
//      #VALUE!
//   a  a table taken whole (a lookup's table): taken as given, and
//      operators inside it work element by element, as in an array formula
// A variadic function has a letter for each argument a call needs at least.
// An argument left out (f(1,,2)) is a blank, read by its kind, unless the
// function takes kFnOwnDefaults.

// X(symbol, lower-case name, id, argument count (-1: any), trailing optional
// arguments, calling form, form selector, parameter kinds, flags). Identifiers group by
// hundreds: 1-99 mathematics, 201 database, 301 date and time, 401
// engineering, 501 financial, 601 information, 701 logical, 801 lookup and
// reference, 901 statistical, 1001 text. The name table compares names in
// this order.
// clang-format off
#define CORVAN_WORKSHEET_FUNCTIONS(X) \
  X(Abs,          u"abs",          1,    1,  0, A1,      0, "n",     kFnWorksheet) \
  X(Acos,         u"acos",         2,    1,  0, A1,      0, "n",     kFnWorksheet) \
  X(Acosh,        u"acosh",        3,    1,  0, A1,      0, "n",     kFnWorksheet) \
  X(Asin,         u"asin",         4,    1,  0, A1,      0, "n",     kFnWorksheet) \
  X(Asinh,        u"asinh",        5,    1,  0, A1,      0, "n",     kFnWorksheet) \
  X(Atan,         u"atan",         6,    1,  0, A1,      0, "n",     kFnWorksheet) \
  X(Atan2,        u"atan2",        7,    2,  0, A2,      0, "nn",    kFnElementwise | kFnWorksheet) \
  X(Atanh,        u"atanh",        8,    1,  0, A1,      0, "n",     kFnWorksheet) \
  X(Ceiling,      u"ceiling",      9,    2,  0, A2,      0, "nn",    kFnElementwise | kFnWorksheet) \
  X(Combin,       u"combin",       10,   2,  0, A2,      0, "nn",    kFnElementwise | kFnWorksheet) \
  X(Cos,          u"cos",          11,   1,  0, A1,      0, "n",     kFnWorksheet) \
  X(Cosh,         u"cosh",         12,   1,  0, A1,      0, "n",     kFnWorksheet) \
  X(Countif,      u"countif",      13,   2,  0, List,    0, "vo",    kFnElementwise | kFnRangeArgs | kFnWorksheet | kFnLiftsArrays) \
  X(Degrees,      u"degrees",      14,   1,  0, A1,      0, "n",     kFnWorksheet) \
  X(Even,         u"even",         15,   1,  0, A1,      0, "n",     kFnElementwise | kFnWorksheet) \
  X(Exp,          u"exp",          16,   1,  0, A1,      0, "n",     kFnWorksheet) \
  X(Fact,         u"fact",         17,   1,  0, A1,      0, "n",     kFnElementwise | kFnWorksheet) \
  X(Factdouble,   u"factdouble",   18,   1,  0, A1,      0, "n",     kFnElementwise | kFnWorksheet) \
  X(Floor,        u"floor",        19,   2,  0, A2,      0, "nn",    kFnElementwise | kFnWorksheet) \
  X(Gcd,          u"gcd",          20,   -1, 0, List,    0, "N",     kFnElementwise | kFnRangeArgs | kFnWorksheet) \
  X(Int,          u"int",          21,   1,  0, A1,      0, "n",     kFnWorksheet) \
  X(Lcm,          u"lcm",          22,   -1, 0, List,    0, "N",     kFnElementwise | kFnRangeArgs | kFnWorksheet) \
  X(Ln,           u"ln",           23,   1,  0, A1,      0, "n",     kFnWorksheet) \
  X(Log,          u"log",          24,   2,  1, List,    0, "nn",    kFnWorksheet) \
  X(Log10,        u"log10",        25,   1,  0, A1,      0, "n",     kFnWorksheet) \
  X(Mdeterm,      u"mdeterm",      26,   1,  0, A1,      0, "v",     kFnElementwise | kFnRangeArgs | kFnArrayArgs | kFnWorksheet) \
  X(Minverse,     u"minverse",     27,   1,  0, A1,      0, "v",     kFnElementwise | kFnRangeArgs | kFnArrayArgs | kFnWorksheet) \
  X(Mmult,        u"mmult",        28,   2,  0, A2,      0, "vv",    kFnRangeArgs | kFnArrayArgs | kFnWorksheet) \
  X(Mod,          u"mod",          29,   2,  0, A2,      0, "nn",    kFnElementwise | kFnWorksheet) \
  X(Mround,       u"mround",       30,   2,  0, List,    0, "nn",    kFnElementwise | kFnWorksheet) \
  X(Multinomial,  u"multinomial",  31,   -1, 0, List,    0, "N",     kFnElementwise | kFnRangeArgs | kFnWorksheet) \
  X(Odd,          u"odd",          32,   1,  0, A1,      0, "n",     kFnElementwise | kFnWorksheet) \
  X(Pi,           u"pi",           33,   0,  0, Ctx,     0, "",      kFnWorksheet) \
  X(Power,        u"power",        34,   2,  0, A2,      0, "nn",    kFnWorksheet) \
  X(Product,      u"product",      35,   -1, 0, List,    0, "N",     kFnRangeArgs | kFnWorksheet) \
  X(Quotient,     u"quotient",     36,   2,  0, A2,      0, "nn",    kFnElementwise | kFnWorksheet) \
  X(Radians,      u"radians",      37,   1,  0, A1,      0, "n",     kFnWorksheet) \
  X(Rand,         u"rand",         38,   0,  0, IdCtx,   0, "",      kFnVolatile | kFnRandom | kFnSimulation) \
  X(Randbetween,  u"randbetween",  39,   2,  0, IdA2,    0, "nn",    kFnVolatile | kFnRandom | kFnSimulation) \
  X(Roman,        u"roman",        40,   2,  1, List,    0, "nv",    kFnElementwise | kFnWorksheet) \
  X(Round,        u"round",        41,   2,  0, A2,      0, "nn",    kFnElementwise | kFnWorksheet) \
  X(Rounddown,    u"rounddown",    42,   2,  0, A2,      0, "nn",    kFnElementwise | kFnWorksheet) \
  X(Roundup,      u"roundup",      43,   2,  0, A2,      0, "nn",    kFnElementwise | kFnWorksheet) \
  X(Seriessum,    u"seriessum",    44,   4,  0, A4,      0, "nnnN",  kFnRangeArgs | kFnWorksheet) \
  X(Sign,         u"sign",         45,   1,  0, A1,      0, "n",     kFnWorksheet) \
  X(Sin,          u"sin",          46,   1,  0, A1,      0, "n",     kFnWorksheet) \
  X(Sinh,         u"sinh",         47,   1,  0, A1,      0, "n",     kFnWorksheet) \
  X(Sqrt,         u"sqrt",         48,   1,  0, A1,      0, "n",     kFnWorksheet) \
  X(Sqrtpi,       u"sqrtpi",       49,   1,  0, A1,      0, "n",     kFnWorksheet) \
  X(Subtotal,     u"subtotal",     50,   -1, 0, List,    0, "nr",    kFnRangeArgs | kFnWorksheet) \
  X(Sum,          u"sum",          51,   -1, 0, List,    0, "N",     kFnRangeArgs | kFnWorksheet) \
  X(Sumif,        u"sumif",        52,   3,  1, List,    0, "vov",   kFnElementwise | kFnRangeArgs | kFnWorksheet | kFnLiftsArrays) \
  X(Sumproduct,   u"sumproduct",   53,   -1, 0, List,    0, "v",     kFnRangeArgs | kFnArrayArgs | kFnWorksheet) \
  X(Sumsq,        u"sumsq",        54,   -1, 0, List,    0, "N",     kFnRangeArgs | kFnWorksheet) \
  X(Sumx2my2,     u"sumx2my2",     55,   2,  0, A2,      0, "vv",    kFnRangeArgs | kFnArrayArgs | kFnWorksheet) \
  X(Sumx2py2,     u"sumx2py2",     56,   2,  0, A2,      0, "vv",    kFnRangeArgs | kFnArrayArgs | kFnWorksheet) \
  X(Sumxmy2,      u"sumxmy2",      57,   2,  0, A2,      0, "vv",    kFnRangeArgs | kFnArrayArgs | kFnWorksheet) \
  X(Tan,          u"tan",          58,   1,  0, A1,      0, "n",     kFnWorksheet) \
  X(Tanh,         u"tanh",         59,   1,  0, A1,      0, "n",     kFnWorksheet) \
  X(Trunc,        u"trunc",        60,   2,  1, List,    0, "nn",    kFnElementwise | kFnWorksheet) \
  X(Dotproduct,   u"dotproduct",   61,   -1, 0, List,    0, "v",     kFnRangeArgs | kFnWorksheet) \
  X(Quadproduct,  u"quadproduct",  62,   -1, 0, List,    0, "v",     kFnRangeArgs | kFnWorksheet) \
  X(Quadterm,     u"quadterm",     63,   -1, 0, List,    0, "v",     kFnRangeArgs | kFnWorksheet) \
  X(Gexp,         u"gexp",         81,   4,  0, A4,      0, "nnnn",  kFnWorksheet) \
  X(Lx,           u"lx",           82,   1,  0, A1,      0, "n",     kFnWorksheet) \
  X(Poly3,        u"poly3",        83,   5,  0, A5,      0, "nnnnn", kFnWorksheet) \
  X(Daverage,     u"daverage",     201,  3,  0, A3Ctx,   0, "nnn",   kFnElementwise | kFnRangeArgs | kFnWorksheet | kFnWholeArrays) \
  X(Dcount,       u"dcount",       202,  3,  0, A3Ctx,   0, "nnn",   kFnElementwise | kFnRangeArgs | kFnWorksheet | kFnWholeArrays | kFnOwnDefaults) \
  X(Dcounta,      u"dcounta",      203,  3,  0, A3Ctx,   0, "nnn",   kFnElementwise | kFnRangeArgs | kFnWorksheet | kFnWholeArrays | kFnOwnDefaults) \
  X(Dget,         u"dget",         204,  3,  0, A3Ctx,   0, "nnn",   kFnElementwise | kFnRangeArgs | kFnWorksheet | kFnWholeArrays) \
  X(Dmax,         u"dmax",         205,  3,  0, A3Ctx,   0, "nnn",   kFnElementwise | kFnRangeArgs | kFnWorksheet | kFnWholeArrays) \
  X(Dmin,         u"dmin",         206,  3,  0, A3Ctx,   0, "nnn",   kFnElementwise | kFnRangeArgs | kFnWorksheet | kFnWholeArrays) \
  X(Dproduct,     u"dproduct",     207,  3,  0, A3Ctx,   0, "nnn",   kFnElementwise | kFnRangeArgs | kFnWorksheet | kFnWholeArrays) \
  X(Dstdev,       u"dstdev",       208,  3,  0, A3Ctx,   0, "nnn",   kFnElementwise | kFnRangeArgs | kFnWorksheet | kFnWholeArrays) \
  X(Dstdevp,      u"dstdevp",      209,  3,  0, A3Ctx,   0, "nnn",   kFnElementwise | kFnRangeArgs | kFnWorksheet | kFnWholeArrays) \
  X(Dsum,         u"dsum",         210,  3,  0, A3Ctx,   0, "nnn",   kFnElementwise | kFnRangeArgs | kFnWorksheet | kFnWholeArrays) \
  X(Dvar,         u"dvar",         211,  3,  0, A3Ctx,   0, "nnn",   kFnElementwise | kFnRangeArgs | kFnWorksheet | kFnWholeArrays) \
  X(Dvarp,        u"dvarp",        212,  3,  0, A3Ctx,   0, "nnn",   kFnElementwise | kFnRangeArgs | kFnWorksheet | kFnWholeArrays) \
  X(Date,         u"date",         301,  3,  0, A3Ctx,   0, "nnn",   kFnElementwise | kFnWorksheet) \
  X(Datevalue,    u"datevalue",    302,  1,  0, A1Ctx,   0, "t",     kFnElementwise | kFnWorksheet) \
  X(Day,          u"day",          303,  1,  0, A1Sel,   3, "n",     kFnElementwise | kFnWorksheet) \
  X(Days360,      u"days360",      304,  3,  1, List,    0, "nnb",   kFnElementwise | kFnWorksheet) \
  X(Edate,        u"edate",        305,  2,  0, A2Ctx,   0, "dd",    kFnElementwise | kFnWorksheet) \
  X(Eomonth,      u"eomonth",      306,  2,  0, A2Ctx,   0, "dd",    kFnElementwise | kFnWorksheet) \
  X(Hour,         u"hour",         307,  1,  0, A1Ctx,   0, "n",     kFnElementwise | kFnWorksheet) \
  X(Minute,       u"minute",       308,  1,  0, A1Ctx,   0, "n",     kFnElementwise | kFnWorksheet) \
  X(Month,        u"month",        309,  1,  0, A1Sel,   2, "n",     kFnElementwise | kFnWorksheet) \
  X(Networkdays,  u"networkdays",  310,  3,  1, List,    0, "ddN",   kFnElementwise | kFnRangeArgs | kFnWorksheet) \
  X(Now,          u"now",          311,  0,  0, Ctx,     0, "",      kFnVolatile | kFnElementwise | kFnWorksheet) \
  X(Second,       u"second",       312,  1,  0, A1Ctx,   0, "n",     kFnElementwise | kFnWorksheet) \
  X(Time,         u"time",         313,  3,  0, A3Ctx,   0, "nnn",   kFnElementwise | kFnWorksheet) \
  X(Timevalue,    u"timevalue",    314,  1,  0, A1Ctx,   0, "t",     kFnElementwise | kFnWorksheet) \
  X(Today,        u"today",        315,  0,  0, Ctx,     0, "",      kFnVolatile | kFnElementwise | kFnWorksheet) \
  X(Weekday,      u"weekday",      316,  2,  1, List,    0, "nn",    kFnElementwise | kFnWorksheet) \
  X(Weeknum,      u"weeknum",      317,  2,  1, List,    0, "dd",    kFnElementwise | kFnWorksheet) \
  X(Workday,      u"workday",      318,  3,  1, List,    0, "ddN",   kFnElementwise | kFnRangeArgs | kFnWorksheet) \
  X(Year,         u"year",         319,  1,  0, A1Sel,   1, "n",     kFnElementwise | kFnWorksheet) \
  X(Yearfrac,     u"yearfrac",     320,  3,  1, List,    0, "ddd",   kFnElementwise | kFnWorksheet) \
  X(Besseli,      u"besseli",      401,  2,  0, A2Ctx,   0, "nn",    kFnElementwise | kFnWorksheet) \
  X(Besselj,      u"besselj",      402,  2,  0, A2Ctx,   0, "nn",    kFnElementwise | kFnWorksheet) \
  X(Besselk,      u"besselk",      403,  2,  0, A2Ctx,   0, "nn",    kFnElementwise | kFnWorksheet) \
  X(Bessely,      u"bessely",      404,  2,  0, A2Ctx,   0, "nn",    kFnElementwise | kFnWorksheet) \
  X(Bin2dec,      u"bin2dec",      405,  1,  0, A1Ctx,   0, "v",     kFnElementwise | kFnWorksheet) \
  X(Bin2hex,      u"bin2hex",      406,  2,  1, List,    0, "vd",    kFnElementwise | kFnWorksheet) \
  X(Bin2oct,      u"bin2oct",      407,  2,  1, List,    0, "vd",    kFnElementwise | kFnWorksheet) \
  X(Complex,      u"complex",      408,  3,  1, List,    0, "nnt",   kFnElementwise | kFnWorksheet) \
  X(Convert,      u"convert",      409,  3,  0, List,    0, "ntt",   kFnElementwise | kFnWorksheet) \
  X(Dec2bin,      u"dec2bin",      410,  2,  1, List,    0, "dd",    kFnElementwise | kFnWorksheet) \
  X(Dec2hex,      u"dec2hex",      411,  2,  1, List,    0, "dd",    kFnElementwise | kFnWorksheet) \
  X(Dec2oct,      u"dec2oct",      412,  2,  1, List,    0, "dd",    kFnElementwise | kFnWorksheet) \
  X(Delta,        u"delta",        413,  2,  1, List,    0, "nn",    kFnElementwise | kFnWorksheet) \
  X(Erf,          u"erf",          414,  2,  1, List,    0, "nn",    kFnElementwise | kFnWorksheet) \
  X(Erfc,         u"erfc",         415,  1,  0, A1Ctx,   0, "n",     kFnElementwise | kFnWorksheet) \
  X(Gestep,       u"gestep",       416,  2,  1, List,    0, "nn",    kFnElementwise | kFnWorksheet) \
  X(Hex2bin,      u"hex2bin",      417,  2,  1, List,    0, "vd",    kFnElementwise | kFnWorksheet) \
  X(Hex2dec,      u"hex2dec",      418,  1,  0, A1Ctx,   0, "v",     kFnElementwise | kFnWorksheet) \
  X(Hex2oct,      u"hex2oct",      419,  2,  1, List,    0, "vd",    kFnElementwise | kFnWorksheet) \
  X(Imabs,        u"imabs",        420,  1,  0, A1Ctx,   0, "v",     kFnElementwise | kFnWorksheet) \
  X(Imaginary,    u"imaginary",    421,  1,  0, A1Ctx,   0, "v",     kFnElementwise | kFnWorksheet) \
  X(Imargument,   u"imargument",   422,  1,  0, A1Ctx,   0, "v",     kFnElementwise | kFnWorksheet) \
  X(Imconjugate,  u"imconjugate",  423,  1,  0, A1Ctx,   0, "v",     kFnElementwise | kFnWorksheet) \
  X(Imcos,        u"imcos",        424,  1,  0, A1Ctx,   0, "v",     kFnElementwise | kFnWorksheet) \
  X(Imdiv,        u"imdiv",        425,  2,  0, A2Ctx,   0, "vv",    kFnElementwise | kFnWorksheet) \
  X(Imexp,        u"imexp",        426,  1,  0, A1Ctx,   0, "v",     kFnElementwise | kFnWorksheet) \
  X(Imln,         u"imln",         427,  1,  0, A1Ctx,   0, "v",     kFnElementwise | kFnWorksheet) \
  X(Imlog10,      u"imlog10",      428,  1,  0, A1Ctx,   0, "v",     kFnElementwise | kFnWorksheet) \
  X(Imlog2,       u"imlog2",       429,  1,  0, A1Ctx,   0, "v",     kFnElementwise | kFnWorksheet) \
  X(Impower,      u"impower",      430,  2,  0, A2Ctx,   0, "vn",    kFnElementwise | kFnWorksheet) \
  X(Improduct,    u"improduct",    431,  -1, 0, List,    0, "v",     kFnElementwise | kFnRangeArgs | kFnWorksheet) \
  X(Imreal,       u"imreal",       432,  1,  0, A1Ctx,   0, "v",     kFnElementwise | kFnWorksheet) \
  X(Imsin,        u"imsin",        433,  1,  0, A1Ctx,   0, "v",     kFnElementwise | kFnWorksheet) \
  X(Imsqrt,       u"imsqrt",       434,  1,  0, A1Ctx,   0, "v",     kFnElementwise | kFnWorksheet) \
  X(Imsub,        u"imsub",        435,  2,  0, A2Ctx,   0, "vv",    kFnElementwise | kFnWorksheet) \
  X(Imsum,        u"imsum",        436,  -1, 0, List,    0, "v",     kFnElementwise | kFnRangeArgs | kFnWorksheet) \
  X(Oct2bin,      u"oct2bin",      437,  2,  1, List,    0, "vd",    kFnElementwise | kFnWorksheet) \
  X(Oct2dec,      u"oct2dec",      438,  1,  0, A1Ctx,   0, "v",     kFnElementwise | kFnWorksheet) \
  X(Oct2hex,      u"oct2hex",      439,  2,  1, List,    0, "vd",    kFnElementwise | kFnWorksheet) \
  X(Accrint,      u"accrint",      501,  7,  1, List,    0, "dddnndd", kFnWorksheet | kFnOwnDefaults) \
  X(Accrintm,     u"accrintm",     502,  5,  2, List,    0, "ddnnd", kFnWorksheet | kFnOwnDefaults) \
  X(Amordegrc,    u"amordegrc",    503,  7,  1, List,    0, "ddddddd", kFnElementwise | kFnWorksheet) \
  X(Amorlinc,     u"amorlinc",     504,  7,  1, List,    0, "ddddddd", kFnElementwise | kFnWorksheet) \
  X(Coupdaybs,    u"coupdaybs",    505,  4,  1, ListSel, 1, "dddd",  kFnElementwise | kFnWorksheet) \
  X(Coupdays,     u"coupdays",     506,  4,  1, ListSel, 2, "dddd",  kFnElementwise | kFnWorksheet) \
  X(Coupdaysnc,   u"coupdaysnc",   507,  4,  1, ListSel, 3, "dddd",  kFnElementwise | kFnWorksheet) \
  X(Coupncd,      u"coupncd",      508,  4,  1, ListSel, 4, "dddd",  kFnElementwise | kFnWorksheet) \
  X(Coupnum,      u"coupnum",      509,  4,  1, ListSel, 5, "dddd",  kFnElementwise | kFnWorksheet) \
  X(Couppcd,      u"couppcd",      510,  4,  1, ListSel, 6, "dddd",  kFnElementwise | kFnWorksheet) \
  X(Cumipmt,      u"cumipmt",      511,  6,  0, ListSel, 1, "ndnddd", kFnWorksheet) \
  X(Cumprinc,     u"cumprinc",     512,  6,  0, ListSel, 0, "ndnddd", kFnWorksheet) \
  X(Db,           u"db",           513,  5,  1, List,    0, "nnddd", kFnWorksheet) \
  X(Ddb,          u"ddb",          514,  5,  1, List,    0, "nnnnn", kFnElementwise | kFnWorksheet) \
  X(Disc,         u"disc",         515,  5,  1, List,    0, "ddnnd", kFnWorksheet) \
  X(Dollarde,     u"dollarde",     516,  2,  0, A2Ctx,   0, "dd",    kFnElementwise | kFnWorksheet) \
  X(Dollarfr,     u"dollarfr",     517,  2,  0, A2Ctx,   0, "dd",    kFnElementwise | kFnWorksheet) \
  X(Duration,     u"duration",     518,  6,  1, List,    0, "ddnndd", kFnWorksheet) \
  X(Effect,       u"effect",       519,  2,  0, A2Ctx,   0, "nd",    kFnWorksheet) \
  X(Fv,           u"fv",           520,  5,  2, List,    0, "nnnnn", kFnWorksheet) \
  X(Fvschedule,   u"fvschedule",   521,  2,  0, A2Ctx,   0, "nN",    kFnRangeArgs | kFnWorksheet) \
  X(Intrate,      u"intrate",      522,  5,  1, List,    0, "ddnnd", kFnWorksheet) \
  X(Ipmt,         u"ipmt",         523,  6,  2, ListSel, 1, "nnnnnn", kFnWorksheet) \
  X(Irr,          u"irr",          524,  2,  1, List,    0, "Nn",    kFnElementwise | kFnRangeArgs | kFnWorksheet) \
  X(Mduration,    u"mduration",    525,  6,  1, List,    0, "ddnndd", kFnWorksheet) \
  X(Mirr,         u"mirr",         526,  3,  0, A3Ctx,   0, "Nnn",   kFnRangeArgs | kFnWorksheet) \
  X(Nominal,      u"nominal",      527,  2,  0, A2Ctx,   0, "nd",    kFnWorksheet) \
  X(Nper,         u"nper",         528,  5,  2, List,    0, "nnnnn", kFnWorksheet) \
  X(Npv,          u"npv",          529,  -1, 0, List,    0, "nN",    kFnRangeArgs | kFnWorksheet) \
  X(Oddfprice,    u"oddfprice",    530,  9,  1, List,    0, "ddddnnndd", kFnWorksheet) \
  X(Oddfyield,    u"oddfyield",    531,  9,  1, List,    0, "ddddddddd", kFnElementwise | kFnWorksheet) \
  X(Oddlprice,    u"oddlprice",    532,  8,  1, List,    0, "dddnnndd", kFnWorksheet) \
  X(Oddlyield,    u"oddlyield",    533,  8,  1, List,    0, "dddddddd", kFnElementwise | kFnWorksheet) \
  X(Pmt,          u"pmt",          534,  5,  2, List,    0, "nnnnn", kFnWorksheet) \
  X(Ppmt,         u"ppmt",         535,  6,  2, ListSel, 0, "nnnnnn", kFnWorksheet) \
  X(Price,        u"price",        536,  7,  1, List,    0, "ddnnndd", kFnWorksheet) \
  X(Pricedisc,    u"pricedisc",    537,  5,  1, List,    0, "ddnnd", kFnWorksheet) \
  X(Pricemat,     u"pricemat",     538,  6,  1, List,    0, "dddnnd", kFnWorksheet) \
  X(Pv,           u"pv",           539,  5,  2, List,    0, "nnnnn", kFnWorksheet) \
  X(Rate,         u"rate",         540,  6,  3, List,    0, "nnnnnn", kFnElementwise | kFnWorksheet) \
  X(Received,     u"received",     541,  5,  1, List,    0, "ddnnd", kFnWorksheet) \
  X(Sln,          u"sln",          542,  3,  0, A3Ctx,   0, "nnn",   kFnWorksheet) \
  X(Syd,          u"syd",          543,  4,  0, A4Ctx,   0, "nnnn",  kFnWorksheet) \
  X(Tbilleq,      u"tbilleq",      544,  3,  0, A3Ctx,   0, "ddn",   kFnWorksheet) \
  X(Tbillprice,   u"tbillprice",   545,  3,  0, A3Ctx,   0, "ddn",   kFnWorksheet) \
  X(Tbillyield,   u"tbillyield",   546,  3,  0, A3Ctx,   0, "ddn",   kFnWorksheet) \
  X(Vdb,          u"vdb",          547,  7,  2, List,    0, "nnnnnnn", kFnElementwise | kFnWorksheet) \
  X(Xirr,         u"xirr",         548,  3,  1, List,    0, "NNn",   kFnElementwise | kFnRangeArgs | kFnWorksheet) \
  X(Xnpv,         u"xnpv",         549,  3,  0, A3Ctx,   0, "dNN",   kFnElementwise | kFnRangeArgs | kFnWorksheet) \
  X(Yield,        u"yield",        550,  7,  1, List,    0, "ddddddd", kFnElementwise | kFnWorksheet) \
  X(Yielddisc,    u"yielddisc",    551,  5,  1, List,    0, "ddnnd", kFnWorksheet) \
  X(Yieldmat,     u"yieldmat",     552,  6,  1, List,    0, "dddnnd", kFnWorksheet) \
  X(Countblank,   u"countblank",   602,  1,  0, A1,      0, "r",     kFnElementwise | kFnRangeArgs | kFnWorksheet) \
  X(ErrorType,    u"error.type",   603,  1,  0, A1,      0, "v",     kFnElementwise | kFnWorksheet) \
  X(Isblank,      u"isblank",      605,  1,  0, A1,      0, "v",     kFnElementwise | kFnWorksheet) \
  X(Iserr,        u"iserr",        606,  1,  0, A1,      0, "v",     kFnElementwise | kFnWorksheet) \
  X(Iserror,      u"iserror",      607,  1,  0, A1,      0, "v",     kFnElementwise | kFnWorksheet) \
  X(Iseven,       u"iseven",       608,  1,  0, A1,      0, "v",     kFnElementwise | kFnWorksheet) \
  X(Islogical,    u"islogical",    609,  1,  0, A1,      0, "v",     kFnElementwise | kFnWorksheet) \
  X(Isna,         u"isna",         610,  1,  0, A1,      0, "v",     kFnElementwise | kFnWorksheet) \
  X(Isnontext,    u"isnontext",    611,  1,  0, A1,      0, "v",     kFnElementwise | kFnWorksheet) \
  X(Isnumber,     u"isnumber",     612,  1,  0, A1,      0, "v",     kFnElementwise | kFnWorksheet) \
  X(Isodd,        u"isodd",        613,  1,  0, A1,      0, "v",     kFnElementwise | kFnWorksheet) \
  X(Isref,        u"isref",        614,  1,  0, A1,      0, "v",     kFnElementwise | kFnRangeArgs | kFnWorksheet) \
  X(Istext,       u"istext",       615,  1,  0, A1,      0, "v",     kFnElementwise | kFnWorksheet) \
  X(N,            u"n",            616,  1,  0, A1,      0, "v",     kFnElementwise | kFnWorksheet) \
  X(Na,           u"na",           617,  0,  0, Ctx,     0, "",      kFnElementwise | kFnWorksheet) \
  X(Type,         u"type",         618,  1,  0, A1,      0, "v",     kFnRangeArgs | kFnWorksheet) \
  X(And,          u"and",          701,  -1, 0, List,    0, "B",     kFnRangeArgs | kFnWorksheet) \
  X(False,        u"false",        702,  0,  0, False,   0, "",      0) \
  X(If,           u"if",           703,  3,  1, List,    0, "bvv",   kFnRangeArgs | kFnWorksheet | kFnWholeArrays) \
  X(Not,          u"not",          704,  1,  0, A1Ctx,   0, "b",     kFnWorksheet) \
  X(Or,           u"or",           705,  -1, 0, List,    0, "B",     kFnRangeArgs | kFnWorksheet) \
  X(True,         u"true",         706,  0,  0, True,    0, "",      0) \
  X(Address,      u"address",      801,  5,  3, List,    0, "nnnbv", kFnElementwise | kFnWorksheet | kFnOwnDefaults) \
  X(Areas,        u"areas",        802,  1,  0, A1Ctx,   0, "v",     kFnElementwise | kFnRangeArgs | kFnWorksheet) \
  X(Choose,       u"choose",       803,  -1, 0, List,    0, "nv",    kFnElementwise | kFnRangeArgs | kFnWorksheet) \
  X(Column,       u"column",       804,  1,  1, List,    0, "r",     kFnElementwise | kFnRangeArgs | kFnWorksheet) \
  X(Columns,      u"columns",      805,  1,  0, A1Ctx,   0, "v",     kFnElementwise | kFnRangeArgs | kFnArrayArgs | kFnWorksheet) \
  X(Hlookup,      u"hlookup",      806,  4,  1, List,    0, "oanb",  kFnElementwise | kFnRangeArgs | kFnWorksheet) \
  X(Index,        u"index",        808,  3,  1, List,    0, "ann",   kFnRangeArgs | kFnWorksheet) \
  X(Lookup,       u"lookup",       810,  3,  1, List,    0, "ovv",   kFnElementwise | kFnRangeArgs | kFnWorksheet) \
  X(Match,        u"match",        811,  3,  1, List,    0, "oan",   kFnElementwise | kFnRangeArgs | kFnWorksheet) \
  X(Row,          u"row",          813,  1,  1, List,    0, "r",     kFnElementwise | kFnRangeArgs | kFnWorksheet) \
  X(Rows,         u"rows",         814,  1,  0, A1Ctx,   0, "v",     kFnElementwise | kFnRangeArgs | kFnArrayArgs | kFnWorksheet) \
  X(Transpose,    u"transpose",    815,  1,  0, A1Ctx,   0, "v",     kFnElementwise | kFnRangeArgs | kFnArrayArgs | kFnWorksheet) \
  X(Vlookup,      u"vlookup",      816,  4,  1, List,    0, "oanb",  kFnElementwise | kFnRangeArgs | kFnWorksheet) \
  X(Avedev,       u"avedev",       901,  -1, 0, List,    0, "N",     kFnRangeArgs | kFnWorksheet) \
  X(Average,      u"average",      902,  -1, 0, List,    0, "N",     kFnRangeArgs | kFnWorksheet) \
  X(Averagea,     u"averagea",     903,  -1, 0, List,    0, "N",     kFnRangeArgs | kFnWorksheet) \
  X(Betadist,     u"betadist",     904,  5,  2, List,    0, "nnnnn", kFnElementwise | kFnWorksheet) \
  X(Betainv,      u"betainv",      905,  5,  2, List,    0, "nnnnn", kFnElementwise | kFnWorksheet) \
  X(Binomdist,    u"binomdist",    906,  4,  0, List,    0, "nnnb",  kFnElementwise | kFnWorksheet) \
  X(Chidist,      u"chidist",      907,  2,  0, A2Ctx,   0, "nn",    kFnElementwise | kFnWorksheet) \
  X(Chiinv,       u"chiinv",       908,  2,  0, A2Ctx,   0, "nn",    kFnElementwise | kFnWorksheet) \
  X(Chitest,      u"chitest",      909,  2,  0, A2Ctx,   0, "NN",    kFnElementwise | kFnRangeArgs | kFnWorksheet) \
  X(Confidence,   u"confidence",   910,  3,  0, List,    0, "nnn",   kFnElementwise | kFnWorksheet) \
  X(Correl,       u"correl",       911,  2,  0, A2Ctx,   0, "NN",    kFnRangeArgs | kFnWorksheet) \
  X(Count,        u"count",        912,  -1, 0, List,    0, "N",     kFnRangeArgs | kFnWorksheet) \
  X(Counta,       u"counta",       913,  -1, 0, List,    0, "v",     kFnRangeArgs | kFnWorksheet) \
  X(Covar,        u"covar",        914,  2,  0, A2Ctx,   0, "NN",    kFnRangeArgs | kFnWorksheet) \
  X(Critbinom,    u"critbinom",    915,  3,  0, List,    0, "nnn",   kFnElementwise | kFnWorksheet) \
  X(Devsq,        u"devsq",        916,  -1, 0, List,    0, "N",     kFnRangeArgs | kFnWorksheet) \
  X(Expondist,    u"expondist",    917,  3,  0, A3Ctx,   0, "nnb",   kFnWorksheet) \
  X(Fdist,        u"fdist",        918,  3,  0, List,    0, "nnn",   kFnElementwise | kFnWorksheet) \
  X(Finv,         u"finv",         919,  3,  0, List,    0, "nnn",   kFnElementwise | kFnWorksheet) \
  X(Fisher,       u"fisher",       920,  1,  0, A1Ctx,   0, "n",     kFnWorksheet) \
  X(Fisherinv,    u"fisherinv",    921,  1,  0, A1Ctx,   0, "n",     kFnWorksheet) \
  X(Forecast,     u"forecast",     922,  3,  0, A3Ctx,   0, "nNN",   kFnRangeArgs | kFnWorksheet) \
  X(Frequency,    u"frequency",    923,  2,  0, A2Ctx,   0, "NN",    kFnRangeArgs | kFnWorksheet) \
  X(Ftest,        u"ftest",        924,  2,  0, A2Ctx,   0, "NN",    kFnRangeArgs | kFnWorksheet) \
  X(Gammadist,    u"gammadist",    925,  4,  0, List,    0, "nnnb",  kFnElementwise | kFnWorksheet) \
  X(Gammainv,     u"gammainv",     926,  3,  0, List,    0, "nnn",   kFnElementwise | kFnWorksheet) \
  X(Gammaln,      u"gammaln",      927,  1,  0, A1Ctx,   0, "n",     kFnWorksheet) \
  X(Geomean,      u"geomean",      928,  -1, 0, List,    0, "N",     kFnRangeArgs | kFnWorksheet) \
  X(Growth,       u"growth",       929,  4,  3, List,    0, "NNNb",  kFnElementwise | kFnRangeArgs | kFnWorksheet | kFnArrayResult | kFnOwnDefaults) \
  X(Harmean,      u"harmean",      930,  -1, 0, List,    0, "N",     kFnRangeArgs | kFnWorksheet) \
  X(Hypgeomdist,  u"hypgeomdist",  931,  4,  0, List,    0, "nnnn",  kFnElementwise | kFnWorksheet) \
  X(Intercept,    u"intercept",    932,  2,  0, A2Ctx,   0, "NN",    kFnRangeArgs | kFnWorksheet) \
  X(Kurt,         u"kurt",         933,  -1, 0, List,    0, "N",     kFnRangeArgs | kFnWorksheet) \
  X(Large,        u"large",        934,  2,  0, A2Ctx,   0, "Nn",    kFnRangeArgs | kFnWorksheet | kFnLiftsArrays) \
  X(Linest,       u"linest",       935,  4,  3, List,    0, "NNbb",  kFnElementwise | kFnRangeArgs | kFnWorksheet | kFnArrayResult | kFnOwnDefaults) \
  X(Logest,       u"logest",       936,  4,  3, List,    0, "NNbb",  kFnElementwise | kFnRangeArgs | kFnWorksheet | kFnArrayResult | kFnOwnDefaults) \
  X(Loginv,       u"loginv",       937,  3,  0, A3Ctx,   0, "nnn",   kFnWorksheet) \
  X(Lognormdist,  u"lognormdist",  938,  3,  0, List,    0, "nnn",   kFnElementwise | kFnWorksheet) \
  X(Max,          u"max",          939,  -1, 0, List,    0, "N",     kFnRangeArgs | kFnWorksheet) \
  X(Maxa,         u"maxa",         940,  -1, 0, List,    0, "N",     kFnElementwise | kFnRangeArgs | kFnWorksheet) \
  X(Median,       u"median",       941,  -1, 0, List,    0, "N",     kFnElementwise | kFnRangeArgs | kFnWorksheet) \
  X(Min,          u"min",          942,  -1, 0, List,    0, "N",     kFnRangeArgs | kFnWorksheet) \
  X(Mina,         u"mina",         943,  -1, 0, List,    0, "N",     kFnElementwise | kFnRangeArgs | kFnWorksheet) \
  X(Mode,         u"mode",         944,  -1, 0, List,    0, "N",     kFnElementwise | kFnRangeArgs | kFnWorksheet) \
  X(Negbinomdist, u"negbinomdist", 945,  3,  0, A3Ctx,   0, "nnn",   kFnWorksheet) \
  X(Normdist,     u"normdist",     946,  4,  0, List,    0, "nnnb",  kFnElementwise | kFnWorksheet) \
  X(Norminv,      u"norminv",      947,  3,  0, List,    0, "nnn",   kFnElementwise | kFnWorksheet) \
  X(Normsdist,    u"normsdist",    948,  1,  0, A1Ctx,   0, "n",     kFnElementwise | kFnWorksheet) \
  X(Normsinv,     u"normsinv",     949,  1,  0, A1Ctx,   0, "n",     kFnElementwise | kFnWorksheet) \
  X(Pearson,      u"pearson",      950,  2,  0, A2Ctx,   0, "NN",    kFnRangeArgs | kFnArrayArgs | kFnWorksheet) \
  X(Percentile,   u"percentile",   951,  2,  0, A2Ctx,   0, "Nn",    kFnRangeArgs | kFnWorksheet) \
  X(Percentrank,  u"percentrank",  952,  3,  1, List,    0, "Nnn",   kFnElementwise | kFnRangeArgs | kFnWorksheet) \
  X(Permut,       u"permut",       953,  2,  0, A2Ctx,   0, "nn",    kFnElementwise | kFnWorksheet) \
  X(Poisson,      u"poisson",      954,  3,  0, A3Ctx,   0, "nnb",   kFnWorksheet) \
  X(Prob,         u"prob",         955,  4,  1, List,    0, "NNnn",  kFnElementwise | kFnRangeArgs | kFnWorksheet) \
  X(Quartile,     u"quartile",     956,  2,  0, A2Ctx,   0, "Nn",    kFnRangeArgs | kFnWorksheet) \
  X(Rank,         u"rank",         957,  3,  1, List,    0, "nNn",   kFnElementwise | kFnRangeArgs | kFnWorksheet) \
  X(Rsq,          u"rsq",          958,  2,  0, A2Ctx,   0, "NN",    kFnRangeArgs | kFnArrayArgs | kFnWorksheet) \
  X(Skew,         u"skew",         959,  -1, 0, List,    0, "N",     kFnRangeArgs | kFnWorksheet) \
  X(Slope,        u"slope",        960,  2,  0, A2Ctx,   0, "NN",    kFnRangeArgs | kFnArrayArgs | kFnWorksheet) \
  X(Small,        u"small",        961,  2,  0, A2Ctx,   0, "Nn",    kFnRangeArgs | kFnWorksheet | kFnLiftsArrays) \
  X(Standardize,  u"standardize",  962,  3,  0, A3Ctx,   0, "nnn",   kFnWorksheet) \
  X(Stdev,        u"stdev",        963,  -1, 0, List,    0, "N",     kFnRangeArgs | kFnWorksheet) \
  X(Stdeva,       u"stdeva",       964,  -1, 0, List,    0, "N",     kFnRangeArgs | kFnWorksheet) \
  X(Stdevp,       u"stdevp",       965,  -1, 0, List,    0, "N",     kFnRangeArgs | kFnWorksheet) \
  X(Stdevpa,      u"stdevpa",      966,  -1, 0, List,    0, "N",     kFnRangeArgs | kFnWorksheet) \
  X(Steyx,        u"steyx",        967,  2,  0, A2Ctx,   0, "NN",    kFnRangeArgs | kFnArrayArgs | kFnWorksheet) \
  X(Tdist,        u"tdist",        968,  3,  0, List,    0, "nnn",   kFnElementwise | kFnWorksheet) \
  X(Tinv,         u"tinv",         969,  2,  0, A2Ctx,   0, "nn",    kFnElementwise | kFnWorksheet) \
  X(Trend,        u"trend",        970,  4,  3, List,    0, "NNNb",  kFnElementwise | kFnRangeArgs | kFnArrayArgs | kFnWorksheet | kFnArrayResult | kFnOwnDefaults) \
  X(Trimmean,     u"trimmean",     971,  2,  0, A2Ctx,   0, "Nn",    kFnRangeArgs | kFnWorksheet) \
  X(Ttest,        u"ttest",        972,  4,  0, List,    0, "NNnn",  kFnElementwise | kFnRangeArgs | kFnWorksheet) \
  X(Var,          u"var",          973,  -1, 0, List,    0, "N",     kFnRangeArgs | kFnWorksheet) \
  X(Vara,         u"vara",         974,  -1, 0, List,    0, "N",     kFnRangeArgs | kFnWorksheet) \
  X(Varp,         u"varp",         975,  -1, 0, List,    0, "N",     kFnRangeArgs | kFnWorksheet) \
  X(Varpa,        u"varpa",        976,  -1, 0, List,    0, "N",     kFnRangeArgs | kFnWorksheet) \
  X(Weibull,      u"weibull",      977,  4,  0, A4Ctx,   0, "nnnb",  kFnWorksheet) \
  X(Ztest,        u"ztest",        978,  3,  1, List,    0, "Nnn",   kFnElementwise | kFnRangeArgs | kFnWorksheet) \
  X(Char,         u"char",         1001, 1,  0, A1Ctx,   0, "n",     kFnElementwise | kFnWorksheet) \
  X(Clean,        u"clean",        1002, 1,  0, A1Ctx,   0, "t",     kFnElementwise | kFnWorksheet) \
  X(Code,         u"code",         1003, 1,  0, A1Ctx,   0, "t",     kFnElementwise | kFnWorksheet) \
  X(Concatenate,  u"concatenate",  1004, -1, 0, List,    0, "t",     kFnElementwise | kFnWorksheet) \
  X(Dollar,       u"dollar",       1005, 2,  1, List,    0, "nn",    kFnElementwise | kFnWorksheet) \
  X(Exact,        u"exact",        1006, 2,  0, A2Ctx,   0, "tt",    kFnElementwise | kFnWorksheet) \
  X(Find,         u"find",         1007, 3,  1, ListSel, 1, "ttn",   kFnElementwise | kFnWorksheet) \
  X(Fixed,        u"fixed",        1008, 3,  2, List,    0, "nnb",   kFnElementwise | kFnWorksheet) \
  X(Left,         u"left",         1009, 2,  1, List,    0, "tn",    kFnElementwise | kFnWorksheet) \
  X(Len,          u"len",          1010, 1,  0, A1Ctx,   0, "t",     kFnElementwise | kFnWorksheet) \
  X(Lower,        u"lower",        1011, 1,  0, A1Ctx,   0, "t",     kFnElementwise | kFnWorksheet) \
  X(Mid,          u"mid",          1012, 3,  0, List,    0, "tnn",   kFnElementwise | kFnWorksheet) \
  X(Proper,       u"proper",       1013, 1,  0, A1Ctx,   0, "t",     kFnElementwise | kFnWorksheet) \
  X(Replace,      u"replace",      1014, 4,  0, List,    0, "tnnt",  kFnElementwise | kFnWorksheet) \
  X(Rept,         u"rept",         1015, 2,  0, A2Ctx,   0, "tn",    kFnElementwise | kFnWorksheet) \
  X(Right,        u"right",        1016, 2,  1, List,    0, "tn",    kFnElementwise | kFnWorksheet) \
  X(Search,       u"search",       1017, 3,  1, ListSel, 0, "ttn",   kFnElementwise | kFnWorksheet) \
  X(Substitute,   u"substitute",   1018, 4,  1, List,    0, "tttn",  kFnElementwise | kFnWorksheet) \
  X(T,            u"t",            1019, 1,  0, A1Ctx,   0, "v",     kFnElementwise | kFnWorksheet) \
  X(Text,         u"text",         1020, 2,  0, A2Ctx,   0, "vt",    kFnElementwise | kFnWorksheet) \
  X(Trim,         u"trim",         1021, 1,  0, A1Ctx,   0, "t",     kFnElementwise | kFnWorksheet) \
  X(Upper,        u"upper",        1022, 1,  0, A1Ctx,   0, "t",     kFnElementwise | kFnWorksheet) \
  X(Value,        u"value",        1023, 1,  0, A1Ctx,   0, "t",     kFnElementwise | kFnWorksheet)

// The simulation library's functions, named by the simulation library's
// own table (Sim_Names): X(first id, last id, calling form, parameter kinds,
// flags).
#define CORVAN_SIMULATION_FUNCTIONS(X) \
  X(1101, 1101, CellList, "n", kFnRandom) \
  X(1102, 1103, CellList, "v", kFnRandom | kFnRangeArgs) \
  X(1104, 1104, CellA1,   "n", kFnRandom) \
  X(1105, 1108, CellList, "n", kFnRandom) \
  X(1109, 1109, CellA1,   "n", kFnRandom) \
  X(1110, 1111, CellList, "n", kFnRandom) \
  X(1112, 1112, Cell,     "n", kFnRandom) \
  X(1113, 1113, CellList, "n", kFnRandom) \
  X(1114, 1115, CellA2,   "v", kFnRangeArgs) \
  X(1116, 1117, CellA1,   "v", kFnRangeArgs) \
  X(1150, 1150, A1Ctx,    "v", kFnRangeArgs) \
  X(1201, 1203, CellList, "n", kFnRandom) \
  X(1204, 1205, CellList, "v", kFnRandom | kFnRangeArgs) \
  X(1206, 1227, CellList, "n", kFnRandom) \
  X(1228, 1250, Unknown,  "n", kFnRandom) \
  X(1251, 1253, List,     "n", 0) \
  X(1254, 1254, List,     "v", kFnRangeArgs) \
  X(1255, 1256, List,     "n", 0) \
  X(1301, 1301, CellList, "v", kFnRandom | kFnRangeArgs) \
  X(1302, 1303, Unknown,  "n", kFnRandom) \
  X(1304, 1322, CellList, "v", kFnRandom | kFnRangeArgs) \
  X(1323, 1323, Unknown,  "n", kFnRandom) \
  X(1324, 1326, CellList, "v", kFnRandom | kFnRangeArgs) \
  X(1327, 1330, Unknown,  "n", kFnRandom) \
  X(1331, 1332, CellList, "v", kFnRandom | kFnRangeArgs) \
  X(1333, 1333, Unknown,  "n", kFnRandom) \
  X(1334, 1338, CellList, "v", kFnRandom | kFnRangeArgs) \
  X(1339, 1350, List,     "v", kFnRangeArgs) \
  X(1352, 1353, List,     "v", kFnRangeArgs) \
  X(1355, 1355, List,     "v", kFnRangeArgs) \
  X(1357, 1361, List,     "v", kFnRangeArgs)
// clang-format on

#define CORVAN_FUNCTION_ID(symbol, name, id, count, optional, form, selector, kinds, flags) kId##symbol = id,
enum FunctionId : int16_t { CORVAN_WORKSHEET_FUNCTIONS(CORVAN_FUNCTION_ID) };
#undef CORVAN_FUNCTION_ID
