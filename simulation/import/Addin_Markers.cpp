// Import of an optimisation model written with another add-in's markers:
// the cells of the cell style "Adjustable" are the variables (non-negative
// unless a name containing "wbfree" lists them; binary or integer when a
// name containing "wbbin" or "wbint" does), every formula calling
// wb(cells, relation, right-hand side) is a constraint or a bound, and the
// name "WBMIN" or "WBMAX" gives the objective cell. A malformed marker stops
// the import with a report that names the cell or the name at fault.
#include <cmath>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

#include "simulation/import/Addin_Import.h"
#include "simulation/import/Addin_Text.h"

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

struct Markers {
  AddinWorkbook* book;
  AddinModel* model;
  AddinReport* report;
};

// A reference text as a range, the active sheet when it names none.
bool rangeOf(const Markers& m, std::u16string_view text, RangeRef* range) {
  return Addin_rangeOf(m.book, text, m.book->activeSheet(), range);
}

// The ranges a marker name lists; each must hold an adjustable cell.
bool listedRanges(const Markers& m, const std::u16string& name, const std::u16string& value,
                  std::vector<RangeRef>* ranges) {
  const std::u16string_view list = Addin_skipLeading(value, u" =");
  std::u16string token;
  for (size_t cursor = 0; Addin_nextCommaToken(list, &cursor, &token);) {
    RangeRef r{};
    if (!rangeOf(m, token, &r))
      return Addin_fail(m.report, u"the defined name " + Addin_quoted(name) + u" lists " +
                                      Addin_quoted(Addin_trim(token)) + u", which is no cell reference");
    if (m.model->variablesIn(r) == 0)
      return Addin_fail(m.report,
                        u"the defined name " + Addin_quoted(name) + u" lists cells of which none is adjustable",
                        Addin_firstCell(r));
    ranges->push_back(r);
  }
  return true;
}

// Every range listed by a name containing part.
bool markedRanges(const Markers& m, std::u16string_view part, std::vector<RangeRef>* ranges) {
  std::vector<std::pair<std::u16string, std::u16string>> names;
  if (!m.book->namesContaining(part, &names)) return true;  // no names: nothing marked
  for (const auto& [name, value] : names)
    if (!listedRanges(m, name, value, ranges)) return false;
  return true;
}

bool readIntegerMarkers(const Markers& m) {
  for (const auto& [part, type] : {std::pair{u"wbbin", kAddinBinary}, std::pair{u"wbint", kAddinInteger}}) {
    std::vector<RangeRef> ranges;
    if (!markedRanges(m, part, &ranges)) return false;
    for (const RangeRef& r : ranges) m.model->setType(r, type);
  }
  return true;
}

bool readFreeMarkers(const Markers& m) {
  m.model->setAllLower(0.0);
  std::vector<RangeRef> ranges;
  if (!markedRanges(m, u"wbfree", &ranges)) return false;
  for (const RangeRef& r : ranges) m.model->setLower(r, -kInfinity);
  return true;
}

// Adjustable cells hold numbers: a formula cell of the style cannot be one.
bool checkNoFormulas(const Markers& m, const RangeRef& r) {
  for (uint16_t row = r.firstRow; row <= r.lastRow; ++row)
    for (int column = r.firstColumn; column <= r.lastColumn; ++column) {
      const CellRef cell{r.sheet, row, static_cast<uint8_t>(column)};
      std::u16string formula;
      if (m.book->cellFormula(cell, &formula))
        return Addin_fail(m.report,
                          u"the cell is styled \"Adjustable\" but holds the formula " + formula +
                              u"; adjustable cells must hold numbers",
                          cell);
    }
  return true;
}

bool importAdjustableCells(const Markers& m) {
  std::vector<RangeRef> cells;
  if (!m.book->styledCells(u"Adjustable", &cells))
    return Addin_fail(m.report, u"the workbook has no cell style \"Adjustable\" that marks the adjustable cells");
  for (const RangeRef& r : cells) {
    if (!checkNoFormulas(m, r)) return false;
    if (!m.model->addVariables(r, kAddinContinuous))
      return Addin_fail(m.report, u"the adjustable cells cannot become variables", Addin_firstCell(r));
  }
  if (!readIntegerMarkers(m) || !readFreeMarkers(m)) return false;
  m.report->variables = m.model->variableCount();
  return true;
}

// The three arguments of the wb( call: split at the commas outside
// parentheses and double quotes, up to the call's closing parenthesis.
bool markerArguments(std::u16string_view formula, std::vector<std::u16string>* args) {
  const size_t start = Addin_lower(formula).find(u"wb(");
  if (start == std::u16string::npos) return false;
  args->assign(1, u"");
  int depth = 0;
  bool quotedText = false;
  for (size_t k = start + 3; k < formula.size(); ++k) {
    const char16_t c = formula[k];
    if (c == u'"') quotedText = !quotedText;
    if (!quotedText && c == u'(') ++depth;
    if (!quotedText && c == u')' && depth-- == 0) return true;
    if (!quotedText && c == u',' && depth == 0) {
      args->emplace_back();
      continue;
    }
    args->back().push_back(c);
  }
  return false;
}

// "<=" and the like, blanks and double quotes around; 0 when none.
int32_t relationOf(std::u16string_view text) {
  const std::u16string t(Addin_trim(Addin_skipLeading(Addin_trim(text), u"\" ")));
  const std::u16string r = t.substr(0, t.find(u'"'));
  if (r == u"=") return kAddinEqual;
  if (r == u"<") return kAddinLess;
  if (r == u"<=") return kAddinLessEqual;
  if (r == u">") return kAddinGreater;
  if (r == u">=") return kAddinGreaterEqual;
  return 0;
}

// The relation that holds between right and left when relation holds
// between left and right.
int32_t mirrored(int32_t relation) {
  switch (relation) {
    case kAddinLess: return kAddinGreater;
    case kAddinLessEqual: return kAddinGreaterEqual;
    case kAddinGreater: return kAddinLess;
    case kAddinGreaterEqual: return kAddinLessEqual;
    default: return relation;
  }
}

// The sheet a reference text names when the workbook has no such sheet
// ("Missing!B2"); empty otherwise.
std::u16string missingSheet(const Markers& m, std::u16string_view text) {
  const size_t bang = text.rfind(u'!');
  RangeRef r{};
  if (bang == std::u16string_view::npos || rangeOf(m, text, &r) || !rangeOf(m, text.substr(bang + 1), &r)) return u"";
  const std::u16string_view sheet = Addin_trim(text.substr(0, bang));
  return sheet.find_first_of(u"+-*/^&=<>(),") == std::u16string_view::npos ? std::u16string(sheet) : u"";
}

// A marker argument that refers to a sheet the workbook does not have
// stops the import naming the marker's cell.
bool sheetsExist(const Markers& m, const CellRef& cell, const std::u16string& formula,
                 std::initializer_list<std::u16string_view> texts) {
  for (std::u16string_view text : texts) {
    const std::u16string sheet = missingSheet(m, text);
    if (!sheet.empty())
      return Addin_fail(m.report,
                        u"the constraint marker " + formula + u" refers to the sheet " + sheet +
                            u", which the workbook does not have",
                        cell);
  }
  return true;
}

// One constraint marker; false with the report's failure.
bool importMarker(const Markers& m, const CellRef& cell, const std::u16string& formula) {
  std::vector<std::u16string> args;
  if (!markerArguments(formula, &args))
    return Addin_fail(m.report, u"the constraint marker " + formula + u" has no closing parenthesis", cell);
  if (args.size() != 3)
    return Addin_fail(m.report,
                      u"the constraint marker " + formula + u" has " + Addin_wide(std::to_string(args.size())) +
                          u" arguments; wb( takes 3: the cells, the relation and the right-hand side",
                      cell);
  const int32_t relation = relationOf(args[1]);
  if (relation == 0)
    return Addin_fail(m.report,
                      u"the constraint marker " + formula + u" has the relation " +
                          std::u16string(Addin_trim(args[1])) + u"; it takes \"=\", \"<\", \"<=\", \">\" or \">=\"",
                      cell);
  const std::u16string leftText(Addin_trim(args[0])), rightText(Addin_trim(args[2]));
  if (leftText.empty() || rightText.empty())
    return Addin_fail(m.report, u"the constraint marker " + formula + u" has an empty argument", cell);
  if (!sheetsExist(m, cell, formula, {leftText, rightText})) return false;
  RangeRef left{}, right{};
  if (!rangeOf(m, leftText, &left)) {
    // An expression on the left: one item without a cell, whose value is
    // right - left, so the relation is turned round.
    ++m.report->constraints;
    if (m.report->expressionMarker.sheet == 0) m.report->expressionMarker = cell;
    return m.model->addFunctionText(RangeRef{}, mirrored(relation), leftText + u" - (" + rightText + u")") ||
           Addin_fail(m.report, u"the constraint marker " + formula + u" cannot become a constraint", cell);
  }
  bool ok = true;
  const double number = Addin_parseWholeNumber(rightText);
  if (rangeOf(m, rightText, &right)) ok = m.model->addConstraint(left, relation, right);
  else if (!std::isfinite(number)) ok = m.model->addFunctionText(left, relation, rightText);
  else if (!m.model->bound(left, relation, number)) ok = m.model->addFunction(left, relation, number);
  m.report->constraints += Addin_area(left);
  return ok || Addin_fail(m.report, u"the constraint marker " + formula + u" cannot become a constraint", cell);
}

bool importMarkerConstraints(const Markers& m) {
  std::vector<std::pair<CellRef, std::u16string>> found;
  if (!m.book->formulasContaining({u"wb("}, &found)) return Addin_fail(m.report, u"the formulas cannot be scanned");
  for (const auto& [cell, formula] : found)
    if (!importMarker(m, cell, formula)) return false;
  return true;
}

bool readObjective(const Markers& m) {
  std::u16string name = u"WBMIN", value;
  int32_t relation = kAddinMinimise;
  m.report->sense = -1;
  if (!m.book->nameValue(name, 0, &value)) {
    name = u"WBMAX";
    relation = kAddinMaximise;
    m.report->sense = 1;
    if (!m.book->nameValue(name, 0, &value)) {
      m.report->sense = 0;
      return true;
    }
  }
  RangeRef cell{};
  if (!rangeOf(m, Addin_skipLeading(value, u" ="), &cell) || Addin_area(cell) != 1)
    return Addin_fail(m.report, u"the defined name " + Addin_quoted(name) + u" holds " + Addin_quoted(value) +
                                    u"; the objective must be one cell");
  return m.model->addFunction(cell, relation, 0.0) ||
         Addin_fail(m.report, u"the objective cell cannot become the objective", Addin_firstCell(cell));
}

}  // namespace

bool Addin_importMarkerModel(AddinWorkbook* book, AddinModel* model, AddinReport* report) {
  const Markers m{book, model, report};
  return importAdjustableCells(m) && importMarkerConstraints(m) && readObjective(m);
}
