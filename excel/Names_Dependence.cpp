// Dependence marks of the constraint rows: which right-hand sides move with
// the variable cells or the scenario cells (directly or through the cells
// they are computed from), which rows are plain bounds on variables, and
// which left-hand sides read the scenario cells.
#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "base/Stored_Prefixes.h"
#include "excel/Names_Model.h"
#include "excel/Xl_Queries.h"
#include "excel/Xl_Value.h"

namespace {

enum class Reach { No, Yes, Unknown };

bool sharesCell(const XLOPER* a, const XLOPER* b) {
  return Area_sheetOf(a) == Area_sheetOf(b) && Area_intersects(a, b);
}

// Whether `ref` shares a cell with `cells`, directly or through its precedents.
Reach reaches(const XLOPER* ref, const XLOPER* cells) {
  if (sharesCell(ref, cells)) return Reach::Yes;
  XLOPER* precedents = nullptr;
  if (!Xl_getPrecedents(ref, &precedents)) return Reach::Unknown;
  bool shared = precedents && sharesCell(precedents, cells);
  Xl_freeValue(precedents);
  return shared ? Reach::Yes : Reach::No;
}

// The parts of a formula that may be references or names: the runs between
// operators, parentheses, commas and spaces, a quoted sheet name kept with
// its run and strings left out.
std::vector<std::string> referenceTokens(const std::string& formula) {
  std::vector<std::string> tokens(1);
  bool quoted = false, inString = false;
  for (char c : formula) {
    if (inString) {
      inString = c != '"';
    } else if (c == '\'') {
      quoted = !quoted;
      tokens.back() += c;
    } else if (quoted || std::isalnum(static_cast<unsigned char>(c)) ||
               std::string("$!:._").find(c) != std::string::npos) {
      tokens.back() += c;
    } else {
      inString = c == '"';
      if (!tokens.back().empty()) tokens.emplace_back();
    }
  }
  return tokens;
}

// Whether a formula computes the cells it reads (which its text does not show).
bool computesReferences(std::string formula) {
  std::transform(formula.begin(), formula.end(), formula.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return formula.find("INDIRECT(") != std::string::npos || formula.find("OFFSET(") != std::string::npos;
}

// Names defined through other names deeper than this are taken to vary: a
// definition that names itself has no end.
constexpr int kMaxNameDepth = 16;

// Where the tokens of a formula are read, as the qualifiers put before
// those written without one: "" for the model's sheet, "Sheet!" for
// another's; names of a workbook name's definition with "[0]!", the
// workbook's own.
struct Reading {
  std::string references;
  std::string names;
};

Reach formulaReaches(const std::string& formula, const XLOPER* cells, const Reading& at, int depth);

// The definition (after its "=") of the name a text spells; 0 when it
// names no defined name.
int definitionOf(const std::string& name, std::string* out) {
  XlOwned text(Xl_newText(name.data(), name.size()));
  return text && Xl_nameDefinition(text.get(), out);
}

// Whether the name `bare`, found with the qualifier `scope` ("Sheet!", "!"
// or "" the model's sheet, "[0]!" the workbook's) as `definition`, reads
// `cells`: the definition is read where the name is defined. A sheet's
// qualifier finds the sheet's own name or else the workbook's; where the
// workbook's gives the same definition, both readings are followed.
Reach nameReaches(const std::string& bare, const std::string& scope, const std::string& definition, const XLOPER* cells,
                  const Reading& at, int depth) {
  const Reading workbook{at.references, std::string(kStoredThisWorkbook)};
  if (scope == kStoredThisWorkbook) return formulaReaches(definition, cells, workbook, depth + 1);
  if (formulaReaches(definition, cells, Reading{scope, scope}, depth + 1) == Reach::Yes) return Reach::Yes;
  std::string workbookDefinition;
  if (!definitionOf(workbook.names + bare, &workbookDefinition) || workbookDefinition != definition) return Reach::No;
  return formulaReaches(definition, cells, workbook, depth + 1);
}

// Whether one token of a formula read at `at` reads `cells`: a name
// through its definition, a reference through its cells and precedents.
Reach tokenReaches(const std::string& token, const XLOPER* cells, const Reading& at, int depth) {
  const size_t bang = token.rfind('!');
  const std::string qualifier = bang == std::string::npos ? "" : token.substr(0, bang + 1);
  const std::string bare = token.substr(qualifier.size());
  const std::string scope = qualifier.empty() ? at.names : qualifier;
  std::string definition;
  if (definitionOf(scope + bare, &definition)) return nameReaches(bare, scope, definition, cells, at, depth);
  const std::string reference = qualifier.empty() ? at.references + bare : token;
  XlOwned text(Xl_newText(reference.data(), reference.size()));
  XLOPER ref{};
  if (!text || Excel4(xlfEvaluate, &ref, 1, text.get()) != xlretSuccess) return Reach::No;
  const Reach reach = Area_isReference(&ref) ? reaches(&ref, cells) : Reach::No;
  Xl_giveBack(&ref);
  return reach;
}

// Whether a formula read at `at` reads `cells` through the references and
// names in its text. A name defined as a formula is followed into its
// definition, since what it gives now is only a value.
Reach formulaReaches(const std::string& formula, const XLOPER* cells, const Reading& at, int depth) {
  if (depth > kMaxNameDepth || computesReferences(formula)) return Reach::Yes;
  for (const std::string& token : referenceTokens(formula))
    if (!token.empty() && tokenReaches(token, cells, at, depth) != Reach::No) return Reach::Yes;
  return Reach::No;
}

// Whether a right-hand side given as a formula (its name's text) varies with
// `cells`: it does unless it gives numbers (one, or one per left-hand cell)
// and reads none of them. A name's text is followed as a name, so that its
// definition is read in the name's own scope.
Reach formulaVaries(const ConstraintRecord& record, const XLOPER* cells) {
  std::string formula = Xl_textOf(record.rhs);
  if (formula.starts_with('=')) formula.erase(0, 1);
  std::vector<double> values(record.flags & RowElementwise ? Area_totalCells(record.lhs) : 1);
  if (formula.empty() || !Xl_evaluateNumbers(record.rhs, static_cast<int>(values.size()), values.data()))
    return Reach::Yes;
  return formulaReaches(formula, cells, Reading{}, 0);
}

// Whether a right-hand side varies with `cells`.
Reach rhsVaries(const ConstraintRecord& record, const XLOPER* cells) {
  const XLOPER* rhs = record.rhs;
  if (!rhs) return Reach::Unknown;
  switch (Xl_type(rhs)) {
    case xltypeNum:
      return Reach::No;
    case xltypeStr: return formulaVaries(record, cells);
    case xltypeRef:
    case xltypeSRef:
      if (Area_sheetOf(rhs) != Area_sheetOf(record.lhs)) return Reach::Yes;
      return reaches(rhs, cells);
    default:
      return Reach::Unknown;
  }
}

bool allVariableCells(const ConstraintRecord& record, const CellList* variables) {
  if (Area_sheetOf(record.lhs) != Area_sheetOf(variables->ref)) return false;
  std::vector<int> numbers(Area_totalCells(record.lhs));
  int n = Area_cellVariables(variables, record.lhs, numbers.data());
  if (n != static_cast<int>(numbers.size())) return false;
  for (int v : numbers)
    if (v < 0) return false;
  return true;
}

}  // namespace

int Names_markVariableDependence(ConstraintList* list, const CellList* variables) {
  if (!list || !variables) return 0;
  for (ConstraintRecord& record : list->records) {
    Reach varies = rhsVaries(record, variables->ref);
    if (varies == Reach::Unknown) return 0;
    if (varies == Reach::Yes)
      record.flags |= RowRhsVaries;
    else if (allVariableCells(record, variables))
      record.flags |= RowBound;
    bool integerKind = record.relation == RelationInteger;
    if (integerKind && (!(record.flags & RowBound) || (record.flags & RowRhsVaries))) return 0;
  }
  return 1;
}

int Names_markTableDependence(ConstraintList* list, const ScenarioTable* table) {
  if (!table) return 1;
  if (!list) return 0;
  for (ConstraintRecord& record : list->records) {
    Reach lhs = reaches(record.lhs, table->ref);
    Reach rhs = rhsVaries(record, table->ref);
    if (lhs == Reach::Unknown || rhs == Reach::Unknown) return 0;
    if (lhs == Reach::Yes) record.flags |= RowLhsOnTable;
    if (rhs == Reach::Yes) record.flags |= RowRhsOnTable;
  }
  return 1;
}
