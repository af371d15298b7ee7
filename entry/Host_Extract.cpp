// Coefficient extraction: the worksheet path that reads each model row's
// recognised formula (SUM, SUMPRODUCT, DOTPRODUCT, QUADPRODUCT, MMULT) and
// hands its terms to the engine's store callback, and the fallback to the
// interpreter for an analysed model.
#include "contract/Host_Extract.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "contract/Host_Progress.h"
#include "contract/Host_Queries.h"
#include "entry/Entry_Context.h"
#include "entry/Interp_Exports.h"
#include "entry/Sess_Variables.h"
#include "excel/Area_Areas.h"
#include "excel/Lin_LinearForm.h"
#include "excel/Names_Model.h"
#include "excel/Xl_Queries.h"
#include "excel/Xl_Value.h"

namespace {

struct ValueFree {
  void operator()(XLOPER* value) const { Xl_freeValue(value); }
};
using OwnedValue = std::unique_ptr<XLOPER, ValueFree>;

// Terms of one row as the formula names them; a variable named twice adds
// up, in the order named. Kept as a list, not a map: a dense row of
// hundreds of variables then costs one sort.
struct RowTerms {
  std::vector<std::pair<int, double>> items;
  void add(int variable, double value) { items.emplace_back(variable, value); }
};

// Where a row's terms go.
struct Sink {
  LibraryContext* context;
  void* record;
  CoefficientStore store;
  void* extra;
  // Nonzero sums per variable in variable order; false when the callback
  // says stop.
  bool deliver(int row, RowTerms& terms) const {
    auto& items = terms.items;
    auto byVariable = [](const auto& a, const auto& b) { return a.first < b.first; };
    if (!std::is_sorted(items.begin(), items.end(), byVariable)) std::stable_sort(items.begin(), items.end(), byVariable);
    for (std::size_t k = 0; k < items.size();) {
      int column = items[k].first;
      double value = 0.0;
      for (; k < items.size() && items[k].first == column; ++k) value += items[k].second;
      if (value != 0 && !store(context, record, row, column, value, extra)) return false;
    }
    return true;
  }
};

const CellList* variableList(const LibraryContext* context) {
  return context->variables ? Sess_getVariableCellList(context->variables) : nullptr;
}

// The variable cells an extraction reads against, with the numbers of the
// last reference asked for: the rows of a model mostly name one range of
// variable cells, whose numbers are then found once.
struct Reader {
  explicit Reader(const LibraryContext* context) : list(variableList(context)) {}
  const CellList* list;
  IDSHEET lastSheet = 0;
  std::vector<XLREF> lastAreas;
  std::vector<int> lastNumbers;   // empty when none is kept
};

bool sameAreas(const std::vector<XLREF>& kept, const XLREF* areas, int count) {
  return kept.size() == static_cast<std::size_t>(count) &&
         std::equal(kept.begin(), kept.end(), areas, [](const XLREF& a, const XLREF& b) {
           return a.rwFirst == b.rwFirst && a.rwLast == b.rwLast && a.colFirst == b.colFirst &&
                  a.colLast == b.colLast;
         });
}

// The variable number of every cell of a reference on the variable cells'
// sheet; false when any cell is no variable cell.
bool variableArgument(Reader& reader, const XLOPER* ref, std::vector<int>* out) {
  const CellList* list = reader.list;
  const XLREF* areas;
  int count;
  int cells = Area_totalCells(ref);
  IDSHEET sheet = Area_sheetOf(ref);
  if (!list || cells < 1 || sheet != Area_sheetOf(list->ref) || !Area_areasOf(ref, &areas, &count))
    return false;
  if (!reader.lastNumbers.empty() && sheet == reader.lastSheet && sameAreas(reader.lastAreas, areas, count)) {
    *out = reader.lastNumbers;
    return true;
  }
  out->resize(cells);
  if (Area_cellVariables(list, ref, out->data()) != cells) return false;
  for (int v : *out)
    if (v < 0) return false;
  reader.lastSheet = sheet;
  reader.lastAreas.assign(areas, areas + count);
  reader.lastNumbers = *out;
  return true;
}

// The numbers of a reference that holds no variable cell.
bool constantArgument(const Reader& reader, const XLOPER* ref, std::vector<double>* out) {
  const CellList* list = reader.list;
  int cells = Area_totalCells(ref);
  if (!list || cells < 1) return false;
  if (Area_sheetOf(ref) == Area_sheetOf(list->ref)) {
    std::vector<int> variables(cells, -1);
    Area_cellVariables(list, ref, variables.data());
    for (int v : variables)
      if (v >= 0) return false;
  }
  LinBlocks blocks;
  if (!Lin_readBlocks(ref, &blocks, cells) || Lin_blockCells(&blocks) != cells) return false;
  out->resize(cells);
  return Lin_blockNumbers(&blocks, out->data());
}

bool isMissing(const XLOPER* value) { return Xl_type(value) == xltypeMissing; }

// The arguments of a parsed formula as owned values.
std::vector<OwnedValue> argumentsOf(const LinearForm& form) {
  std::vector<OwnedValue> out;
  for (int k = 1; k <= form.argumentCount; ++k) out.emplace_back(Lin_getArgument(&form, k));
  return out;
}

// A variable argument and a constant one, in either order, of the given
// relation of sizes; the variables first in the result.
bool variablesAndConstants(Reader& reader, const std::vector<OwnedValue>& args,
                           std::vector<int>* variables, std::vector<double>* constants) {
  if (args.size() != 2 || !args[0] || !args[1]) return false;
  for (int first = 0; first < 2; ++first) {
    if (variableArgument(reader, args[first].get(), variables))
      return constantArgument(reader, args[1 - first].get(), constants);
  }
  return false;
}

bool sumTerms(Reader& reader, const std::vector<OwnedValue>& args, RowTerms* terms) {
  std::vector<int> variables;
  for (const OwnedValue& arg : args) {
    if (!arg || !variableArgument(reader, arg.get(), &variables)) return false;
    for (int v : variables) terms->add(v, 1.0);
  }
  return true;
}

bool productTerms(const std::vector<int>& variables, const std::vector<double>& constants,
                  RowTerms* terms) {
  if (variables.size() != constants.size()) return false;
  terms->items.reserve(terms->items.size() + variables.size());
  for (std::size_t k = 0; k < variables.size(); ++k) terms->add(variables[k], constants[k]);
  return true;
}

// Row r of `rows` of a DOTPRODUCT: terms r x smaller .. r x smaller + smaller - 1,
// term k pairing variable k mod a with constant k mod b.
bool dotProductTerms(const std::vector<int>& variables, const std::vector<double>& constants,
                     int rows, int r, RowTerms* terms) {
  std::size_t a = variables.size(), b = constants.size();
  std::size_t smaller = std::min(a, b), larger = std::max(a, b);
  if (larger % smaller != 0 || larger != rows * smaller) return false;
  for (std::size_t k = r * smaller; k < (r + 1) * smaller; ++k) terms->add(variables[k % a], constants[k % b]);
  return true;
}

// Row r of an MMULT of an m x n constant matrix by n variables (m = rows).
bool mmultTerms(const std::vector<int>& variables, const std::vector<double>& constants, int rows,
                int r, RowTerms* terms) {
  std::size_t n = variables.size();
  if (constants.size() % n != 0 || constants.size() / n != static_cast<std::size_t>(rows))
    return false;
  for (std::size_t j = 0; j < n; ++j) terms->add(variables[j], constants[r * n + j]);
  return true;
}

// The linear part of a QUADPRODUCT: variables, then constants or a missing
// argument (no terms).
bool quadLinearTerms(Reader& reader, const std::vector<OwnedValue>& args,
                     std::vector<int>* variables, RowTerms* terms) {
  std::vector<double> constants;
  if (args.empty() || !args[0] || !variableArgument(reader, args[0].get(), variables))
    return false;
  if (args.size() < 2 || (args[1] && isMissing(args[1].get()))) return true;
  return args[1] && constantArgument(reader, args[1].get(), &constants) &&
         productTerms(*variables, constants, terms);
}

// The cells of the formula's block: its current array's size and the cell's
// position in it; one row at position 0 outside an array.
bool blockPosition(const XLOPER* cell, int* rows, int* r) {
  XLOPER* array = nullptr;
  if (!Xl_getArrayPosition(cell, &array, r)) return false;
  *rows = array ? Area_totalCells(array) : 1;
  Xl_freeValue(array);
  return true;
}

// The terms of a recognised call whose form is parsed; QUADPRODUCT only
// alone (`alone`), as the linear part of a quadratic objective.
bool formTerms(Reader& reader, const LinearForm& form, const XLOPER* cell, bool alone, RowTerms* terms) {
  std::vector<OwnedValue> args = argumentsOf(form);
  std::vector<int> variables;
  std::vector<double> constants;
  int rows = 1, r = 0;
  switch (form.code) {
    case FormSum: return sumTerms(reader, args, terms);
    case FormSumProduct:
      return variablesAndConstants(reader, args, &variables, &constants) &&
             productTerms(variables, constants, terms);
    case FormDotProduct:
      return variablesAndConstants(reader, args, &variables, &constants) &&
             blockPosition(cell, &rows, &r) &&
             dotProductTerms(variables, constants, rows, r, terms);
    case FormQuadProduct: return alone && quadLinearTerms(reader, args, &variables, terms);
    case FormMmult:
      return args.size() == 2 && args[0] && args[1] &&
             constantArgument(reader, args[0].get(), &constants) &&
             variableArgument(reader, args[1].get(), &variables) &&
             blockPosition(cell, &rows, &r) && mmultTerms(variables, constants, rows, r, terms);
    default: return false;
  }
}

// The pieces of a formula (without its "=") between the signs + and -
// outside parentheses and brackets, each with its sign; false when the text
// holds a quoted text, which could hide a sign.
bool splitSum(const std::string& text, std::vector<std::pair<double, std::string>>* pieces) {
  int depth = 0;
  double sign = 1;
  std::size_t start = 0;
  for (std::size_t k = 0; k <= text.size(); ++k) {
    char c = k < text.size() ? text[k] : '+';
    if (c == '"') return false;
    if (c == '(' || c == '[') ++depth;
    if (c == ')' || c == ']') --depth;
    bool exponent =
        k >= 2 && (text[k - 1] == 'E' || text[k - 1] == 'e') && std::isdigit(static_cast<unsigned char>(text[k - 2]));
    if (depth != 0 || (c != '+' && c != '-') || exponent) continue;
    if (k > start) pieces->emplace_back(sign, text.substr(start, k - start));
    else if (k != 0) return false;  // two signs in a row
    sign = c == '-' ? -1 : 1;
    start = k + 1;
  }
  return depth == 0;
}

bool isNumber(const std::string& text) {
  char* end = nullptr;
  std::strtod(text.c_str(), &end);
  return end != text.c_str() && *end == '\0';
}

// A cell that holds no formula (an empty one answers no text): a constant.
bool constantCell(const XLOPER* cell) {
  std::string formula;
  Xl_cellFormula(cell, &formula);
  return formula.empty() || formula[0] != '=';
}

// One piece of a sum: a recognised call, a reference of variable cells (1
// each), or a constant (a number, a cell without a formula), which adds no
// coefficient: the engine reads a row's constant from its value at zero.
bool pieceTerms(Reader& reader, const XLOPER* cell, double sign, const std::string& piece,
                RowTerms* terms) {
  if (isNumber(piece)) return true;
  LinearForm form;
  form.cell = cell;
  RowTerms own;
  if (piece.size() < LinearFormChars && piece.find('(') != std::string::npos && piece.find('(') != 0) {
    std::memcpy(form.text, piece.data(), piece.size());
    if (!Lin_splitCall(form.text, &form.argumentCount)) return false;
    form.code = Lin_lookupForm(form.text);
    form.length = static_cast<int>(piece.size());
    if (!formTerms(reader, form, cell, false, &own)) return false;
  } else {
    std::string text = piece;
    if (!Lin_normaliseArgument(&text)) return false;
    OwnedValue ref(Lin_argumentToRef(&form, text.c_str()));
    std::vector<int> variables;
    if (!ref || !Area_isSingleCell(ref.get())) return false;  // a range would be intersected, not added
    if (!variableArgument(reader, ref.get(), &variables)) return constantCell(ref.get());
    for (int v : variables) own.add(v, 1.0);
  }
  for (const auto& [variable, value] : own.items) terms->add(variable, sign * value);
  return true;
}

// The terms of a formula that adds recognised calls, variable cells and
// constants ("=SUMPRODUCT(...)+R179C1").
bool sumOfPieces(Reader& reader, const XLOPER* cell, RowTerms* terms) {
  std::string formula;
  std::vector<std::pair<double, std::string>> pieces;
  if (!Xl_cellFormula(cell, &formula) || formula.size() < 2 || formula[0] != '=' ||
      !splitSum(formula.substr(1), &pieces) || pieces.size() < 2)
    return false;
  for (const auto& [sign, piece] : pieces)
    if (!pieceTerms(reader, cell, sign, piece, terms)) return false;
  return true;
}

// The terms of the one row that a cell's formula gives: one recognised call,
// or a sum of them, of variable cells and of constants.
bool cellTerms(Reader& reader, const XLOPER* cell, RowTerms* terms) {
  LinearForm form;
  if (Lin_recogniseFormula(&form, cell) != FormNone) return formTerms(reader, form, cell, true, terms);
  return sumOfPieces(reader, cell, terms);
}

// Delivers one row per left-hand cell of a record; false on the first
// failure.
bool deliverRecord(const Sink& sink, Reader& reader, const ConstraintRecord& record, int* row) {
  int cells = Area_totalCells(record.lhs);
  for (int k = 0; k < cells; ++k) {
    int sheetRow, column;
    if (!Area_cellOfSingleArea(record.lhs, k, &sheetRow, &column)) return false;
    AreaRef cell(record.lhs, Area_cellArea(sheetRow, column));
    RowTerms terms;
    if (!cellTerms(reader, &cell.value, &terms) || !sink.deliver(*row, terms)) return false;
    ++*row;
  }
  return true;
}

// The worksheet path needs plain rows: no feasibility mode, no weighted
// scenario rows, no grouped constraint other than the objective, and no
// right-hand side that depends on the variables.
bool worksheetModel(const LibraryContext* context) {
  const ConstraintList* list = context->constraints;
  if (context->feasibilityMode || !list || context->runMode == 2 || !variableList(context))
    return false;
  for (const ConstraintRecord& record : list->records) {
    if ((record.flags & RowGrouped) && !(record.flags & RowObjective)) return false;
    if (record.flags & RowRhsVaries) return false;
  }
  return true;
}

bool worksheetLinearTerms(const Sink& sink) {
  LibraryContext* context = sink.context;
  Reader reader(context);
  int row = 0;
  for (const ConstraintRecord& record : context->constraints->records) {
    if (record.flags & RowBound) continue;
    if (Host_progressCallback(context, ProgressQuery, 0, 0, 0) != StopContinue) continue;
    if (!deliverRecord(sink, reader, record, &row)) break;
  }
  return row == context->rowCount;
}

const ConstraintRecord* objectiveRecord(const ConstraintList* list) {
  for (const ConstraintRecord& record : list->records)
    if (record.flags & RowObjective) return &record;
  return nullptr;
}

// Q of a QUADPRODUCT's third argument: an n x n block of constants.
bool quadraticPart(Reader& reader, const XLOPER* block,
                   const std::vector<int>& variables, std::map<std::pair<int, int>, double>* q) {
  std::vector<double> constants;
  std::size_t n = variables.size();
  if (!constantArgument(reader, block, &constants) || constants.size() != n * n) return false;
  for (std::size_t p = 0; p < constants.size(); ++p)
    (*q)[{variables[p / n], variables[p % n]}] += constants[p];
  return true;
}

bool worksheetQuadraticTerms(const Sink& sink) {
  const ConstraintRecord* objective = objectiveRecord(sink.context->constraints);
  LinearForm form;
  if (!objective || !Area_isSingleCell(objective->lhs) ||
      Lin_recogniseFormula(&form, objective->lhs) != FormQuadProduct)
    return false;
  std::vector<OwnedValue> args = argumentsOf(form);
  RowTerms linear;
  std::map<std::pair<int, int>, double> q;
  std::vector<int> variables;
  Reader reader(sink.context);
  if (args.size() > 3 || !quadLinearTerms(reader, args, &variables, &linear)) return false;
  if (args.size() == 3) {
    if (!args[2]) return false;
    if (!isMissing(args[2].get()) && !quadraticPart(reader, args[2].get(), variables, &q))
      return false;
  }
  if (!sink.deliver(-1, linear)) return false;
  for (const auto& [cell, value] : q)
    if (value != 0 && !sink.store(sink.context, sink.record, cell.first, cell.second, value, sink.extra))
      return false;
  return true;
}

}  // namespace

int Host_extractLinearTerms(LibraryContext* context, void* record, CoefficientStore store,
                            void* extra) {
  Sink sink{context, record, store, extra};
  bool worksheet = !context->analysed || (Host_queryModel(context, QueryNtr) == 0 &&
                                          Host_queryModel(context, QueryIfs) == 1);
  if (worksheet && store && worksheetModel(context)) {
    if (worksheetLinearTerms(sink)) return 1;
    if (!context->analysed) return 0;
    store(context, record, -1, -1, 0.0, extra);
  }
  return context->analysed && store && Interp_jacobian(context, record, store, extra) == 1 ? 1 : 0;
}

int Host_extractQuadraticTerms(LibraryContext* context, void* record, CoefficientStore store,
                               void* extra) {
  Sink sink{context, record, store, extra};
  bool worksheet = !context->analysed || Host_queryModel(context, QueryIfs) == 1;
  if (worksheet && store && worksheetModel(context) && worksheetQuadraticTerms(sink)) return 1;
  if (!context->analysed || !store) return 0;
  store(context, record, -2, -2, 0.0, extra);
  return Interp_objectiveHessian(context, record, store, extra) == 1 ? 1 : 0;
}
