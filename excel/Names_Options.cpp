// Option table, name building, and reading and writing option names.
#include "excel/Names_Options.h"

#include <cstdio>

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
