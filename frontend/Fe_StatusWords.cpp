// The interpreter's statuses in the front end's words: what each means for
// the user's formula, shown wherever a status reaches the terminal, and the
// library's message lines with the status text put into those words.
#include <cstdlib>
#include <string>

#include "frontend/Fe_Words.h"
#include "values/Text_Convert.h"
#include "values/Vm_Status.h"

namespace {

const char* const kWords[kStatusCount] = {
    "no fault",
    "the run was interrupted",
    "memory ran out",
    "the workbook could not be read through automation",
    "a formula holds a token the interpreter cannot read",
    "a formula ends too early",
    "a formula holds an array constant the interpreter cannot read",
    "a formula holds a number the interpreter cannot read",
    "a formula holds a number with a fraction the interpreter cannot read",
    "a formula holds a number with an exponent the interpreter cannot read",
    "a formula holds a number with too many digits",
    "a formula holds a number too large for a real number",
    "a formula holds a whole number too large for the interpreter",
    "a formula is not an expression the interpreter can read",
    "a formula uses a name the workbook does not define or a reference the interpreter cannot hold",
    "a formula holds a reference the interpreter cannot follow",
    "a formula lacks an opening parenthesis",
    "a formula lacks a closing parenthesis",
    "a function is given the wrong number of arguments",
    "a function is given an argument of the wrong type",
    "the model's formulas are too large for the interpreter's code space",
    "a formula is too long for the interpreter",
    "the model's formulas name more cells and names than the interpreter holds",
    "the cells read one another in a circle",
    "a formula refers to another workbook",
    "a reference of several areas is not supported there",
    "a value overflowed",
    "a formula nests too deeply for the interpreter",
    "the interpreter lost track of a formula's operands",
    "a text grew longer than the interpreter holds",
    "a formula divides by zero",
    "a function is given an argument outside its domain",
    "an operation is given operands of the wrong type",
    "a formula asks for an operation the interpreter cannot do",
    "the interpreter met code it cannot run",
    "a variable cell holds a formula; variable cells must hold numbers or nothing",
    "a cell is named more than once among the variable cells",
    "a function has no derivatives in this mode of evaluation",
    "a function the interpreter does not calculate",
    "a function has no derivatives or no implementation in this mode of evaluation",
    "a function returned an error value",
    "a special function is not smooth at the point",
    "an array operation is not supported in this mode of evaluation",
    "a correlation matrix is not valid",
    "no fault",
    "a function is not smooth at the point",
    "a function is given an argument outside its domain",
    "precision was lost in a calculation",
    "a formula uses a function or name the interpreter does not know",
};

constexpr const char kStatusPrefix[] = "status ";

}  // namespace

std::string Fe_interpreterStatusWords(int code) {
  if (code < 0 || code >= kStatusCount) return "interpreter status " + std::to_string(code);
  return std::string(kWords[code]) + " (interpreter status " + std::to_string(code) + ")";
}

std::string Fe_libraryLine(const std::string& text) {
  if (text.rfind(kStatusPrefix, 0) != 0) return text;
  char* end = nullptr;
  const long code = std::strtol(text.c_str() + sizeof kStatusPrefix - 1, &end, 10);
  const char16_t* raw = Vm_statusText(static_cast<int>(code));
  const std::string rawText = raw ? ": " + Text_toUtf8(raw) : std::string();
  const size_t rest = static_cast<size_t>(end - text.c_str());
  if (rawText.empty() || text.compare(rest, rawText.size(), rawText) != 0) return text;
  return Fe_interpreterStatusWords(static_cast<int>(code)) + text.substr(rest + rawText.size());
}
