// Option table, name building, and reading and writing option names.
#include "excel/Names_Options.h"

#include <cmath>
#include <cstdio>

#include "excel/Xl_Queries.h"
#include "excel/Xl_Value.h"

namespace {

const char* const kSuffixes[OptionCount] = {
    "typ", "opt", "adj", "num", "rel", "lhs", "rhs", "val", "lin", "sho",          //  0- 9
    "est", "drv", "nwt", "scl", "tim", "itr", "pre", "tol", "var", "con",          // 10-19
    "vir", "cir", "rep", "sol", "piv", "red", "cvg", "neg", "kiv", "rlx",          // 20-29
    "nod", "mip", "sim", "pro", "ofx", "reo", "ibd", "dua", "dus", "phr",          // 30-39
    "wbr", "gct", "gop", "cct", "cgt", "lva", "msl", "tms", "ssz", "mrt",          // 40-49
    "xtc", "rbv", "mni", "loc", "rsd", "fns", "stp", "drf", "std", "ntr",          // 50-59
    "mtr", "rdp", "rsp", "rtr", "mod", "mda", "dia", "sel", "irs", "ifs",          // 60-69
    "iqp", "ism", "iao", "res", "acc", "ars", "sta", "met", "soc", "lpt",          // 70-79
    "lpp", "fea", "gap", "ips", "ipd", "ipi", "eng", "num", "change", "name",      // 80-89
    "value", "weight", "num", "obj", "exp", "std", "pen"};                         // 90-96

const char kUnknown[] = "XXXXXX";

// "prefix_suffix" or "prefix_suffixrow", after an optional "!" marker.
XLOPER* buildName(int index, unsigned row, const char* marker) {
  char text[128];
  int length = row ? std::snprintf(text, sizeof text, "%s%s_%s%u", marker,
                                   Names_optionPrefix(index), Names_optionSuffix(index), row)
                   : std::snprintf(text, sizeof text, "%s%s_%s", marker,
                                   Names_optionPrefix(index), Names_optionSuffix(index));
  if (length < 0 || length > 127) return nullptr;
  return Xl_newText(text, static_cast<std::size_t>(length));
}

bool isReference(const XLOPER* value) {
  XLTYPE type = Xl_type(value);
  return type == xltypeRef || type == xltypeSRef;
}

// EVALUATE of the name; the result is kept (as an owned copy) when `keep`
// accepts it.
XLOPER* evaluateName(const XLOPER* name, bool (*keep)(const XLOPER*)) {
  XLOPER result{};
  if (Excel4(xlfEvaluate, &result, 1, name) != xlretSuccess) return nullptr;
  XLOPER* copy = keep(&result) ? Xl_newCopy(&result) : nullptr;
  Xl_giveBack(&result);
  return copy;
}

// The number that the name's definition "=text" converts to with VALUE.
XLOPER* definitionNumber(const XLOPER* name) {
  XLOPER definition{};
  if (Excel4(xlfGetName, &definition, 1, name) != xlretSuccess) return nullptr;
  const char* text = Xl_type(&definition) == xltypeStr ? definition.val.str : nullptr;
  std::size_t length = text ? static_cast<unsigned char>(text[0]) : 0;
  XlOwned rest;
  if (length > 0 && text[1] == '=') rest.reset(Xl_newText(text + 2, length - 1));
  Xl_giveBack(&definition);
  XLOPER value{};
  if (!rest || Excel4(xlfValue, &value, 1, rest.get()) != xlretSuccess) return nullptr;
  XLOPER* number = Xl_type(&value) == xltypeNum ? Xl_newCopy(&value) : nullptr;
  Xl_giveBack(&value);
  return number;
}

// Right-hand side: a reference, else the definition's number, else the
// name's own text for the caller to interpret.
XLOPER* readRightHandSide(const XLOPER* name) {
  if (XLOPER* reference = evaluateName(name, isReference)) return reference;
  if (XLOPER* number = definitionNumber(name)) return number;
  return Xl_newCopy(name);
}

// The option coerced to `type`; none when missing or not convertible.
XLOPER* readCoerced(LibraryContext* context, int index, unsigned row, XLTYPE type) {
  XlOwned value(Names_getOptionRef(context, index, row));
  return value ? Xl_coerce(value.get(), type) : nullptr;
}

// What an option accepts: a number from `low` to `high`, whole when asked;
// with `aboveLow`, strictly above `low`.
struct OptionDomain {
  int index;
  double low, high;
  bool whole, aboveLow;
};

constexpr double kMaxCount = 2147483647.0;   // counts are read as 32-bit integers
constexpr double kMaxRows = 32767.0;         // constraint rows are numbered in 16 bits

// Switches take 1 (on) or 2 (off), as spreadsheet programs write them; 0
// reads as off.
constexpr OptionDomain switchOf(int index) { return {index, 0, 2, true, false}; }

constexpr OptionDomain kDomains[] = {
    {OptTyp, 1, 3, true, false},     {OptNum, 0, kMaxRows, true, false},
    {OptEng, 0, kMaxRows, true, false}, {OptTim, 0, 1e9, false, true},
    {OptItr, 1, kMaxCount, true, false}, {OptNod, 1, kMaxCount, true, false},
    {OptMip, 1, kMaxCount, true, false}, {OptSsz, 0, kMaxCount, true, false},
    {OptMni, 1, kMaxCount, true, false}, {OptRsd, -kMaxCount, kMaxCount, true, false},
    {OptPre, 0, 1, false, true},     {OptCvg, 0, 1, false, true},
    {OptTol, 0, 1, false, false},    {OptMrt, 0, 1, false, false},
    {OptXtc, 0, 1, false, false},    {OptSol, 0, 1e30, false, true},
    {OptPiv, 0, 1e30, false, true},  {OptRed, 0, 1e30, false, true},
    {OptStp, 0, 1e30, false, true},  {OptRes, 0, 1e30, false, true},
    {OptAcc, 0, 1e30, false, true},  {OptDia, 0, 5, true, false},
    {OptSel, 0, 4, true, false},     {OptMda, 0, 3, true, false},
    {OptMod, 0, 5, true, false},     {OptLoc, 0, 4, true, false},
    {OptDrf, 0, 2, true, false},     {OptRep, 0, 2, true, false},
    switchOf(OptLin), switchOf(OptSho), switchOf(OptEst), switchOf(OptDrv), switchOf(OptNwt),
    switchOf(OptScl), switchOf(OptNeg), switchOf(OptRlx), switchOf(OptSim), switchOf(OptPro),
    switchOf(OptOfx), switchOf(OptReo), switchOf(OptIbd), switchOf(OptDua), switchOf(OptDus),
    switchOf(OptPhr), switchOf(OptWbr), switchOf(OptLva), switchOf(OptMsl), switchOf(OptTms),
    switchOf(OptRbv), switchOf(OptFns), switchOf(OptArs), switchOf(OptSta), {OptMet, 1, 2, true, false},
    switchOf(OptSoc), switchOf(OptLpt), switchOf(OptLpp),
};

bool isDefined(const XLOPER* name) {
  XLOPER definition{};
  if (Excel4(xlfGetName, &definition, 1, name) != xlretSuccess) return false;
  bool defined = Xl_type(&definition) == xltypeStr;
  Xl_giveBack(&definition);
  return defined;
}

// The option's value as a text for messages.
std::string valueText(const XLOPER* value) {
  XlOwned text(Xl_coerce(value, xltypeStr));
  if (text) return "\"" + Xl_textOf(text.get()) + "\"";
  if (Xl_type(value) == xltypeErr) return "an error value";
  return "a value that is no number";
}

// Whether a defined option's value lies in its domain; `shown` gets the value.
bool acceptedValue(const OptionDomain& d, const XLOPER* name, std::string* shown) {
  XLOPER value{};
  if (Excel4(xlfEvaluate, &value, 1, name) != xlretSuccess) {
    *shown = "a definition that cannot be read";
    return false;
  }
  *shown = valueText(&value);
  XlOwned number(Xl_type(&value) == xltypeErr ? nullptr : Xl_coerce(&value, xltypeNum));
  Xl_giveBack(&value);
  if (!number) return false;
  double x = number->val.num;
  bool inRange = (d.aboveLow ? x > d.low : x >= d.low) && x <= d.high;
  return inRange && (!d.whole || x == std::floor(x));
}

}  // namespace

const char* Names_optionSuffix(int index) {
  return index >= 0 && index < OptionCount ? kSuffixes[index] : kUnknown;
}

const char* Names_optionPrefix(int index) {
  if (index < 0 || index >= OptionCount) return kUnknown;
  if (index < OptScenNum) return "solver";
  return index < OptRobustNum ? "scen" : "robust";
}

XLOPER* Names_buildOptionName(LibraryContext*, int index, unsigned row) {
  return buildName(index, row, "!");
}

XLOPER* Names_getOptionRef(LibraryContext* context, int index, unsigned row) {
  XlOwned name(Names_buildOptionName(context, index, row));
  if (!name) return nullptr;
  if (index == OptRhs) return readRightHandSide(name.get());
  return evaluateName(name.get(), [](const XLOPER* v) { return Xl_type(v) != xltypeErr; });
}

int Names_isOptionDefined(LibraryContext* context, int index, unsigned row) {
  XlOwned name(Names_buildOptionName(context, index, row));
  return name && isDefined(name.get()) ? 1 : 0;
}

int Names_getNumberedOption(LibraryContext* context, int index, unsigned row, int defaultValue) {
  XlOwned value(readCoerced(context, index, row, xltypeInt));
  return value ? value->val.w : defaultValue;
}

int Names_getOption(LibraryContext* context, int index, int defaultValue) {
  return Names_getNumberedOption(context, index, 0, defaultValue);
}

double Names_getNumberedReal(LibraryContext* context, int index, unsigned row, double defaultValue) {
  XlOwned value(readCoerced(context, index, row, xltypeNum));
  return value ? value->val.num : defaultValue;
}

double Names_getRealOption(LibraryContext* context, int index, double defaultValue) {
  return Names_getNumberedReal(context, index, 0, defaultValue);
}

int Names_findRefusedOption(LibraryContext* context, std::string* why) {
  for (const OptionDomain& d : kDomains) {
    XlOwned name(Names_buildOptionName(context, d.index, 0));
    if (!name || !Names_isOptionDefined(context, d.index, 0)) continue;
    std::string shown;
    if (acceptedValue(d, name.get(), &shown)) continue;
    *why = std::string("The option \"solver_") + Names_optionSuffix(d.index) + "\" does not accept " +
           shown + ".";
    return d.index;
  }
  if (!Names_isOptionDefined(context, OptNum, 0) && Names_isOptionDefined(context, OptLhs, 1)) {
    *why = "The option \"solver_num\" is missing, though the model has constraints.";
    return OptNum;
  }
  return -1;
}

int Names_defineOption(LibraryContext*, int index, unsigned row, const XLOPER* value) {
  XlOwned name(buildName(index, row, ""));
  if (!name || !value) return 0;
  XLOPER missing{};
  missing.xltype = xltypeMissing;
  XLOPER hidden = Xl_boolean(true);
  XLOPER result{};
  int rc = Excel4(xlcDefineName, &result, 5, name.get(), value, &missing, &missing, &hidden);
  bool ok = rc == xlretSuccess && Xl_type(&result) != xltypeErr &&
            !(Xl_type(&result) == xltypeBool && !result.val.xbool);
  if (rc == xlretSuccess) Xl_giveBack(&result);
  return ok ? 1 : 0;
}
