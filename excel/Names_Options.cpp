// Option table, name building, and reading and writing option names.
#include "excel/Names_Options.h"

#include <charconv>
#include <cmath>
#include <string>

#include "excel/Xl_Queries.h"
#include "excel/Xl_Value.h"

namespace {

const char kUnknown[] = "XXXXXX";

// "prefix_suffix" or "prefix_suffixrow", after an optional "!" marker;
// joined piece by piece, without parsing a format for each of the many
// options a run reads.
XLOPER* buildName(int index, unsigned row, const char* marker) {
  constexpr std::size_t kLongest = 127;
  std::string text = marker;
  text += Names_optionPrefix(index);
  text += '_';
  text += Names_optionSuffix(index);
  if (row) {
    char digits[16];
    text.append(digits, std::to_chars(digits, digits + sizeof digits, row).ptr);
  }
  if (text.size() > kLongest) return nullptr;
  return Xl_newText(text.data(), text.size());
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
  return number && Names_domainAccepts(d, number->val.num);
}

}  // namespace

const char* Names_optionSuffix(int index) {
  return index >= 0 && index < OptionCount ? kOptionSuffixes[index] : kUnknown;
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
  XlOwned value(readCoerced(context, index, 0, xltypeNum));
  if (!value) return defaultValue;
  const OptionDomain* domain = Names_optionDomain(index);
  if (!domain || Names_isRefusedOutsideDomain(index)) return value->val.num;
  return Names_domainRead(*domain, value->val.num, defaultValue);
}

int Names_findRefusedOption(LibraryContext* context, std::string* why) {
  for (const OptionDomain& d : kOptionDomains) {
    if (!Names_isRefusedOutsideDomain(d.index)) continue;
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
