// Outputs and parameters listed in defined names. "XLSIMSIM" holds an
// array constant: "Sim", the number of outputs n, then n pairs of a label
// and the output's reference; or, in the long form, "LONG", one more
// token, the name of a continuation list and n, the pairs then going on in
// the names the continuation list gives, one after the other. "XLSIMPARAM"
// holds "Param", a reference that is one more output, six tokens read and
// not used, the argument cell and the parameter cell; the parameter cell
// then picks its value from the argument cell per sample point. Outputs
// become free functions of the model.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "simulation/import/Addin_Recognisers.h"
#include "simulation/import/Addin_Text.h"

namespace {

constexpr int kUnusedParamTokens = 6;

// An array-constant value, token by token.
struct ListValue {
  std::u16string value;
  size_t at = 0;

  bool open(AddinWorkbook* book, const std::u16string& name) {
    value.clear();
    if (!book->nameValue(name, 0, &value)) return false;
    at = value.find_first_not_of(u" \"={");
    if (at == std::u16string::npos) at = value.size();
    return true;
  }
  // Up to a comma, a closing brace or the end, double quotes dropped; one
  // comma or brace stepped over. False at the end.
  bool next(std::u16string* token) {
    if (at >= value.size()) return false;
    token->clear();
    for (; at < value.size() && value[at] != u',' && value[at] != u'}'; ++at)
      if (value[at] != u'"') token->push_back(value[at]);
    if (at < value.size()) ++at;
    return true;
  }
  bool skip(int count) {
    std::u16string ignored;
    for (int k = 0; k < count; ++k)
      if (!next(&ignored)) return false;
    return true;
  }
};

// The outputs' list, read across the long form's continuation names.
struct OutputList {
  explicit OutputList(AddinWorkbook* b) : book(b) {}
  AddinWorkbook* book;
  ListValue list, continuation;
  bool longForm = false;
  std::u16string listName = u"XLSIMSIM";

  bool next(std::u16string* token) {
    while (!list.next(token)) {
      std::u16string name;
      if (!longForm || !continuation.next(&name)) return false;
      listName = std::u16string(Addin_trim(name));
      if (!list.open(book, listName)) return false;
    }
    return true;
  }
};

// The number of outputs; 0 (no outputs, no failure) when the list is
// missing or starts with neither form.
int32_t readHeader(OutputList* out) {
  std::u16string token;
  if (!out->list.open(out->book, u"XLSIMSIM") || !out->list.next(&token)) return 0;
  const std::u16string form = Addin_lower(Addin_trim(token));
  if (form != u"sim" && form != u"long") return 0;
  out->longForm = form == u"long";
  if (out->longForm) {
    std::u16string name;
    if (!out->list.open(out->book, u"XLSIMSIM") || !out->list.skip(2) || !out->list.next(&name) ||
        !out->continuation.open(out->book, std::u16string(Addin_trim(name))))
      return 0;
  }
  if (!out->list.next(&token)) return 0;
  const double n = Addin_parseWholeNumber(token);
  return std::isfinite(n) && n > 0 && n <= std::numeric_limits<int32_t>::max() ? static_cast<int32_t>(n) : 0;
}

bool readOutputs(OutputList* out, int32_t count, std::vector<RangeRef>* outputs, AddinReport* report) {
  std::u16string label, reference;
  for (int32_t k = 1; k <= count; ++k) {
    if (!out->next(&label) || !out->next(&reference))
      return Addin_fail(report, u"the defined name " + Addin_quoted(out->listName) + u" ends before output " +
                                    Addin_wide(std::to_string(k)) + u" of " + Addin_wide(std::to_string(count)));
    RangeRef r{};
    if (!Addin_rangeOf(out->book, reference, out->book->activeSheet(), &r))
      return Addin_fail(report, u"the defined name " + Addin_quoted(out->listName) + u" lists " +
                                    Addin_quoted(Addin_trim(reference)) + u" as an output, which is no cell reference");
    outputs->push_back(r);
  }
  return true;
}

// The parameter definition: one more output, and the parameter cell's
// formula rewritten to pick from the argument cell.
bool readParamDefinition(AddinWorkbook* book, AddinModel* model, std::vector<RangeRef>* outputs, AddinReport* report) {
  ListValue list;
  if (!list.open(book, u"XLSIMPARAM")) return true;
  const std::u16string name = u"\"XLSIMPARAM\"";
  std::u16string form, output, argument, parameter;
  if (!list.next(&form) || Addin_lower(Addin_trim(form)) != u"param")
    return Addin_fail(report, u"the defined name " + name + u" does not start with \"Param\"");
  RangeRef out{}, arg{}, cell{};
  if (!list.next(&output) || !list.skip(kUnusedParamTokens) || !list.next(&argument) || !list.next(&parameter))
    return Addin_fail(report, u"the defined name " + name + u" ends before its parameter cell");
  const uint8_t sheet = book->activeSheet();
  if (!Addin_rangeOf(book, output, sheet, &out) || !Addin_rangeOf(book, argument, sheet, &arg) ||
      !Addin_rangeOf(book, parameter, sheet, &cell))
    return Addin_fail(report, u"the defined name " + name + u" holds a reference that is no cell reference");
  outputs->push_back(out);
  const std::u16string formula = u"=xlsim_param(" + std::u16string(Addin_trim(argument)) + u")";
  return model->rewriteFormula(Addin_firstCell(cell), formula) ||
         Addin_fail(report, u"the parameter cell cannot be rewritten", Addin_firstCell(cell));
}

}  // namespace

bool Addin_recogniseListNames(AddinWorkbook* book, AddinModel* model, AddinReport* report) {
  OutputList list(book);
  std::vector<RangeRef> outputs;
  if (!readOutputs(&list, readHeader(&list), &outputs, report) || !readParamDefinition(book, model, &outputs, report))
    return false;
  for (const RangeRef& r : outputs) {
    const CellRef c = Addin_firstCell(r);
    if (!model->addFunction(RangeRef{c.sheet, c.row, c.column, c.row, c.column}, kAddinFree, 0.0))
      return Addin_fail(report, u"the output cannot become a function of the model", c);
  }
  report->outputs += static_cast<int32_t>(outputs.size());
  return true;
}
