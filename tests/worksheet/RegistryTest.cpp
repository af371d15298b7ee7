// Every function of the first batch reaches an implementation by its id, and
// the registry implements exactly the functions the function list marks as
// the worksheet library's.
#include <gtest/gtest.h>

#include <string>

#include "interpreter/Fn_Table.h"
#include "values/Fn_Ids.h"
#include "values/Text_Convert.h"
#include "values/Val_Value.h"
#include "worksheet/Wsf_Registry.h"

namespace {

TEST(WsfRegistry, EveryBatchFunctionHasAnEntry) {
  // TRUE and FALSE are answered by the dispatcher itself.
  const char* names[] = {
      "abs",      "acos",     "acosh",    "asin",        "asinh",      "atan",       "atan2",     "atanh",
      "cos",      "cosh",     "degrees",  "exp",         "ln",         "log10",      "radians",   "sign",
      "sin",      "sinh",     "sqrtpi",   "tan",         "tanh",       "power",      "sqrt",      "ceiling",
      "combin",   "even",     "fact",     "factdouble",  "floor",      "gcd",        "int",       "lcm",
      "mod",      "mround",   "multinomial", "odd",      "quotient",   "round",      "rounddown", "roundup",
      "trunc",    "product",  "seriessum", "subtotal",   "sum",        "sumproduct", "sumsq",     "sumx2my2",
      "sumx2py2", "sumxmy2",  "countif",  "sumif",       "mdeterm",    "minverse",   "mmult",     "log",
      "pi",       "and",      "if",       "not",         "or",         "countblank", "error.type", "isblank",
      "iserr",    "iserror",  "iseven",   "islogical",   "isna",       "isnontext",  "isnumber",  "isodd",
      "isref",    "istext",   "n",        "na",          "type",       "max",        "maxa",      "median",
      "min",      "mina",     "mode",     "pearson",     "percentile", "percentrank", "quartile", "rank",
      "rsq",      "skew",     "slope",    "small",       "stdev",      "stdeva",     "stdevp",    "stdevpa",
      "steyx",    "trend",    "trimmean", "var",         "vara",       "varp",       "varpa",     "dotproduct",
      "quadproduct", "quadterm", "gexp",  "lx",          "poly3",      "roman"};
  for (const char* name : names) {
    FunctionRecord record{};
    ASSERT_TRUE(Fn_lookup(Text_fromUtf8(name).c_str(), &record)) << name;
    EXPECT_NE(Wsf_entry(record.id), nullptr) << name;
  }
  EXPECT_EQ(Wsf_entry(0), nullptr);
}

TEST(WsfRegistry, OptionalArgumentsMayBeLeftOut) {
  Value x = Val_empty(nullptr), r = Val_empty(nullptr);
  Val_setNumber(&x, 100);
  const Value* args[] = {&x};
  Wsf_entry(24)(&r, 1, args, nullptr);  // LOG(100)
  EXPECT_DOUBLE_EQ(r.number, 2.0);
  Wsf_entry(41)(&r, 1, args, nullptr);  // ROUND(100) reads the digits as missing, 0
  EXPECT_EQ(r.number, 100.0);
  Val_clear(&r);
}

struct Listed {
  int32_t id;
  uint16_t flags;
};

#define LISTED(symbol, name, id, count, optional, form, selector, kinds, flags) {id, flags},
const Listed kListed[] = {CORVAN_WORKSHEET_FUNCTIONS(LISTED)};
#undef LISTED

TEST(WsfRegistry, ImplementsExactlyTheFunctionsTheListMarks) {
  int implemented = 0;
  for (const Listed& f : kListed) {
    const bool marked = (f.flags & kFnWorksheet) != 0;
    EXPECT_EQ(Wsf_entry(f.id) != nullptr, marked) << "id " << f.id;
    implemented += marked ? 1 : 0;
  }
  EXPECT_GE(implemented, 130);  // grows as function families land; RAND and RANDBETWEEN are the simulation library's
  EXPECT_NE(Wsf_entry(kIdSum), nullptr);
  EXPECT_NE(Wsf_entry(kIdDate), nullptr);
}

TEST(WsfRegistry, IdentifiersOutsideTheListHaveNoImplementation) {
  for (int32_t id : {-1, 64, 80, 84, 200, 807, 1101, 1361, 1362, 30000}) EXPECT_EQ(Wsf_entry(id), nullptr) << id;
}

}  // namespace
