// The answer, sensitivity and limits reports of a solve, laid out as
// spreadsheet solvers lay them out, built from the report rows the library
// hands back in the result range: each becomes a new sheet of the workbook
// and is printed as tables.
//
// Result range: row 0 holds the statistics (variable rows, constraint rows,
// bound rows, integer variables, 11 with ranging or 7 without, all rows);
// then one row of 11 values per variable, constraint cell and bound cell:
// number, address "RrCc", relation, right-hand side, mark, slack, reduced
// cost or dual value, objective coefficient or right-hand side, allowable
// increase, allowable decrease.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>

#include "base/Dbl_Whole.h"
#include "frontend/Fe_Model.h"
#include "frontend/Fe_Output.h"
#include "frontend/Fe_Session.h"
#include "frontend/Fe_Verdict.h"
#include "frontend/Fe_Words.h"
#include "platform/calc/Calc.h"

namespace {

enum Statistic { StatVariables = 0, StatRows = 1, StatBounds = 2, StatIntegers = 3, StatColumns = 4, StatAll = 5,
                 StatSet = 6 };
// The report set of an engine that hands back its population's spread
// instead of sensitivity values.
constexpr int kPopulationSet = 10;
enum Column { ColIndex = 0, ColAddress = 1, ColRelation = 2, ColRhs = 3, ColMark = 4, ColSlack = 5,
              ColDual = 6, ColCoefficient = 7, ColIncrease = 8, ColDecrease = 9 };
constexpr int kRangingColumns = 11;

struct ReportCell {
  CellValue value;
  std::string format;   // the number format of the cell the number comes from
};
using ReportRow = std::vector<ReportCell>;
struct Section {
  std::string title;
  std::vector<ReportRow> rows;   // the first is the heading
};

ReportCell text(const std::string& s) { return {CellValue::makeText(s), ""}; }
ReportCell num(double x, const std::string& format = "") { return {CellValue::makeNumber(x), format}; }

struct LibraryRow {
  int sheetRow = 0, col = 0, relation = 0, mark = 0;
  std::string rhs;
  double slack = 0, dual = 0, coefficient = 0, increase = 0, decrease = 0;
  bool objective = false;
};

double numberIn(const std::vector<CellValue>& row, int k) {
  return k < static_cast<int>(row.size()) && row[k].kind == CellKind::Number ? row[k].number : 0;
}

// A count or code of the row; 0 when it is none or beyond the int range.
int wholeIn(const std::vector<CellValue>& row, int k) {
  int n = 0;
  Dbl_toWhole(numberIn(row, k), &n);
  return n;
}

LibraryRow readRow(const std::vector<CellValue>& row) {
  LibraryRow r;
  std::string address = row.size() > ColAddress ? row[ColAddress].text : "";
  int sheetRow = 0, col = 0;
  if (std::sscanf(address.c_str(), "R%dC%d", &sheetRow, &col) == 2) {
    r.sheetRow = sheetRow - 1;
    r.col = col - 1;
  }
  r.objective = numberIn(row, ColIndex) == 0;
  r.relation = wholeIn(row, ColRelation);
  r.rhs = row.size() > ColRhs ? Calc_displayText(row[ColRhs], "") : "";
  int rhsRow = 0, rhsCol = 0;
  char rest = 0;
  if (std::sscanf(r.rhs.c_str(), "R%dC%d%c", &rhsRow, &rhsCol, &rest) == 2) r.rhs = Wb_a1(rhsRow - 1, rhsCol - 1, true);
  r.mark = wholeIn(row, ColMark);
  r.slack = numberIn(row, ColSlack);
  r.dual = numberIn(row, ColDual);
  r.coefficient = numberIn(row, ColCoefficient);
  r.increase = numberIn(row, ColIncrease);
  r.decrease = numberIn(row, ColDecrease);
  return r;
}

// What the library handed back, split into its three blocks.
struct LibraryRows {
  bool ranging = false;
  int integers = 0, set = 0;
  std::vector<LibraryRow> variables, constraints, bounds;
};

bool readLibraryRows(FeSession* s, LibraryRows* out) {
  auto values = Fe_resultValues(s);
  if (values.empty()) return false;
  const auto& stats = values[0];
  int nv = wholeIn(stats, StatVariables), nr = wholeIn(stats, StatRows), nb = wholeIn(stats, StatBounds);
  if (numberIn(stats, StatAll) <= 0 || nv < 0 || nr < 0 || nb < 0 ||
      1.0 + nv + nr + nb > static_cast<double>(values.size()))
    return false;
  out->ranging = numberIn(stats, StatColumns) == kRangingColumns;
  out->integers = wholeIn(stats, StatIntegers);
  out->set = wholeIn(stats, StatSet);
  for (int k = 0; k < nv + nr + nb; ++k) {
    LibraryRow r = readRow(values[1 + k]);
    (k < nv ? out->variables : k < nv + nr ? out->constraints : out->bounds).push_back(r);
  }
  return true;
}

struct Context {
  Workbook* wb;
  const FeModel& m;
  const LibraryRows& rows;
  FeLabels* labels;
};

// A number the run computed: one smaller than the engine's precision is
// the engine's 0 and is shown as 0, not as the noise of its arithmetic.
ReportCell result(const Context& c, double x, const std::string& format = "") {
  return num(std::fabs(x) < c.m.precision ? 0 : x, format);
}

// A cell of the model's sheet, or of `sheet` (the objective may lie on
// another sheet, and is then shown with its sheet's name).
ReportCell finalValue(const Context& c, int row, int col, int sheet = -1) {
  const Cell* cell = Wb_findCell(c.wb->sheets[sheet < 0 ? c.m.sheet : sheet].get(), row, col);
  if (!cell) return num(0);
  if (cell->value.kind == CellKind::Number) return result(c, cell->value.number, cell->numberFormat);
  return {cell->value, cell->numberFormat};
}

std::string formatOf(const Context& c, int row, int col, int sheet = -1) {
  const Cell* cell = Wb_findCell(c.wb->sheets[sheet < 0 ? c.m.sheet : sheet].get(), row, col);
  return cell ? cell->numberFormat.str() : "";
}

ReportRow cellAndName(const Context& c, int row, int col, int sheet = -1) {
  if (sheet < 0 || sheet == c.m.sheet)
    return {text(Wb_a1(row, col, true)), text(Fe_label(c.labels, c.m.sheet, row, col))};
  return {text(Wb_quoteSheetName(c.wb->sheets[sheet]->name) + "!" + Wb_a1(row, col, true)),
          text(Fe_label(c.labels, sheet, row, col))};
}

// The constraint of a library row as the answer report writes it ("$B$5<=$C$5").
std::string constraintText(const LibraryRow& lr) {
  return Wb_a1(lr.sheetRow, lr.col, true) + Fe_relationName(lr.relation) + lr.rhs;
}

// Rows of a section (after its heading) that share a name are told apart:
// each such name is followed by what differs, the constraint of a
// constraint row (`constraints`, by data row; "" for a variable cell) or
// else the row's cell.
void distinguishNames(Section* s, const std::vector<std::string>& constraints) {
  constexpr size_t kName = 1;
  std::map<std::string, int> uses;
  for (size_t r = 1; r < s->rows.size(); ++r) ++uses[s->rows[r][kName].value.text];
  for (size_t r = 1; r < s->rows.size(); ++r) {
    CellValue& name = s->rows[r][kName].value;
    if (name.text.empty() || uses[name.text] < 2) continue;
    const std::string& constraint = r - 1 < constraints.size() ? constraints[r - 1] : std::string();
    name.text += " (" + (constraint.empty() ? s->rows[r][0].value.text : constraint) + ")";
  }
}

// Constraint and bound rows that are constraints of the model (not the objective).
std::vector<LibraryRow> constraintsOf(const LibraryRows& rows) {
  std::vector<LibraryRow> out;
  for (const LibraryRow& r : rows.constraints)
    if (!r.objective) out.push_back(r);
  out.insert(out.end(), rows.bounds.begin(), rows.bounds.end());
  return out;
}

std::vector<Section> answerReport(const Context& c, const FeStartValues& start, int status) {
  std::vector<Section> report;
  report.push_back({"Result: " + std::string(Fe_statusMeaning(status)), {}});
  if (c.m.hasObjective) {
    int r = c.m.objective.row1, col = c.m.objective.col1, sheet = c.m.objective.sheet;
    static const char* const kSense[] = {"", " (Max)", " (Min)", " (Value of)"};
    Section s{std::string("Objective cell") + kSense[c.m.sense >= 1 && c.m.sense <= 3 ? c.m.sense : 0],
              {{text("Cell"), text("Name"), text("Original Value"), text("Final Value")}}};
    ReportRow row = cellAndName(c, r, col, sheet);
    row.push_back(num(start.objective, formatOf(c, r, col, sheet)));
    row.push_back(finalValue(c, r, col, sheet));
    s.rows.push_back(row);
    report.push_back(s);
  }
  Section vars{"Variable cells", {{text("Cell"), text("Name"), text("Original Value"), text("Final Value")}}};
  size_t k = 0;
  for (const CellRange& a : c.m.variables)
    for (int r = a.row1; r <= a.row2; ++r)
      for (int col = a.col1; col <= a.col2; ++col, ++k) {
        ReportRow row = cellAndName(c, r, col);
        row.push_back(num(k < start.variables.size() ? start.variables[k] : 0, formatOf(c, r, col)));
        row.push_back(finalValue(c, r, col));
        vars.rows.push_back(row);
      }
  distinguishNames(&vars, {});
  report.push_back(vars);
  Section cons{"Constraints", {{text("Cell"), text("Name"), text("Cell Value"), text("Formula"), text("Status"),
                                text("Slack")}}};
  std::vector<std::string> constraints;
  for (const LibraryRow& lr : constraintsOf(c.rows)) {
    ReportRow row = cellAndName(c, lr.sheetRow, lr.col);
    row.push_back(finalValue(c, lr.sheetRow, lr.col));
    row.push_back(text(constraintText(lr)));
    row.push_back(text(lr.mark == 1 ? "Binding" : lr.mark == 0 ? "Not Binding" : "Violated"));
    row.push_back(result(c, lr.slack, formatOf(c, lr.sheetRow, lr.col)));
    cons.rows.push_back(row);
    constraints.push_back(constraintText(lr));
  }
  distinguishNames(&cons, constraints);
  report.push_back(cons);
  return report;
}

std::vector<Section> sensitivityReport(const Context& c) {
  std::vector<Section> report;
  bool lp = c.rows.ranging;
  ReportRow varHead{text("Cell"), text("Name"), text("Final Value"), text(lp ? "Reduced Cost" : "Reduced Gradient")};
  ReportRow conHead{text("Cell"), text("Name"), text("Final Value"), text(lp ? "Shadow Price" : "Lagrange Multiplier")};
  if (lp) {
    for (const char* h : {"Objective Coefficient", "Allowable Increase", "Allowable Decrease"}) varHead.push_back(text(h));
    for (const char* h : {"Constraint R.H. Side", "Allowable Increase", "Allowable Decrease"}) conHead.push_back(text(h));
  }
  Section vars{"Variable cells", {varHead}}, cons{"Constraints", {conHead}};
  std::vector<std::string> constraints;
  auto add = [&](Section* s, const LibraryRow& lr) {
    ReportRow row = cellAndName(c, lr.sheetRow, lr.col);
    row.push_back(finalValue(c, lr.sheetRow, lr.col));
    row.push_back(result(c, lr.dual));
    if (lp) {
      row.push_back(num(lr.coefficient));
      for (double x : {lr.increase, lr.decrease}) row.push_back(result(c, x));
    }
    s->rows.push_back(row);
  };
  for (const LibraryRow& lr : c.rows.variables) add(&vars, lr);
  for (const LibraryRow& lr : c.rows.constraints)
    if (!lr.objective) {
      add(&cons, lr);
      constraints.push_back(constraintText(lr));
    }
  distinguishNames(&vars, {});
  distinguishNames(&cons, constraints);
  report.push_back(vars);
  report.push_back(cons);
  return report;
}

std::vector<Section> limitsReport(FeSession* s, const Context& c) {
  std::vector<Section> report;
  if (c.m.hasObjective) {
    int r = c.m.objective.row1, col = c.m.objective.col1, sheet = c.m.objective.sheet;
    ReportRow row = cellAndName(c, r, col, sheet);
    row.push_back(finalValue(c, r, col, sheet));
    report.push_back({"Objective", {{text("Cell"), text("Name"), text("Value")}, row}});
  }
  std::string objectiveFormat =
      c.m.hasObjective ? formatOf(c, c.m.objective.row1, c.m.objective.col1, c.m.objective.sheet) : "";
  std::vector<FeLimit> limits = Fe_limits(s, c.m);
  Section vars{"Variable cells", {{text("Cell"), text("Name"), text("Value"), text("Lower Limit"),
                                   text("Objective Result"), text("Upper Limit"), text("Objective Result")}}};
  size_t k = 0;
  for (const CellRange& a : c.m.variables)
    for (int r = a.row1; r <= a.row2; ++r)
      for (int col = a.col1; col <= a.col2 && k < limits.size(); ++col, ++k) {
        const FeLimit& l = limits[k];
        std::string format = formatOf(c, r, col);
        ReportRow row = cellAndName(c, r, col);
        row.push_back(finalValue(c, r, col));
        row.push_back(l.lowerFound ? result(c, l.lower, format) : text("not found"));
        row.push_back(l.lowerFound ? result(c, l.lowerObjective, objectiveFormat) : text(""));
        row.push_back(l.upperFound ? result(c, l.upper, format) : text("not found"));
        row.push_back(l.upperFound ? result(c, l.upperObjective, objectiveFormat) : text(""));
        vars.rows.push_back(row);
      }
  distinguishNames(&vars, {});
  report.push_back(vars);
  return report;
}

// Why a report cannot be made from what the run handed back; null when it can.
const char* refusal(const LibraryRows& rows, const std::string& name) {
  return Fe_reportRefusal(name, rows.integers > 0, rows.set == kPopulationSet);
}

// Sizes at and above this are no amounts but the engines' infinity (an
// allowable increase without end, 1E+30): they keep General, which shows them so.
constexpr double kUnbounded = 1e15;
// Most decimals a computed column shows.
constexpr int kMaxDecimals = 6;

bool isPlainNumber(const ReportCell& cell) {
  return cell.value.kind == CellKind::Number && cell.format.empty() && std::fabs(cell.value.number) < kUnbounded;
}

// The format of a column's numbers that carry none of their own: whole
// numbers with thousands separators, or as many decimals as the engine's
// precision tells apart ("#,##0.000000" for 1e-6).
std::string columnFormat(const std::vector<ReportRow>& rows, size_t k, double precision) {
  bool whole = true;
  for (const ReportRow& r : rows)
    if (k < r.size() && isPlainNumber(r[k])) whole = whole && r[k].value.number == std::floor(r[k].value.number);
  if (whole) return "#,##0";
  int decimals = std::clamp(static_cast<int>(std::ceil(-std::log10(precision))), 1, kMaxDecimals);
  return "#,##0." + std::string(static_cast<size_t>(decimals), '0');
}

// Gives every number without a format of its own its column's format.
void fitFormats(std::vector<Section>* report, double precision) {
  for (Section& s : *report) {
    size_t columns = 0;
    for (const ReportRow& r : s.rows) columns = std::max(columns, r.size());
    for (size_t k = 0; k < columns; ++k) {
      std::string format = columnFormat(s.rows, k, precision);
      for (ReportRow& r : s.rows)
        if (k < r.size() && isPlainNumber(r[k])) r[k].format = format;
    }
  }
}

std::string freeSheetName(Workbook* wb, const std::string& base) {
  for (int n = 1;; ++n) {
    std::string name = base + " " + std::to_string(n);
    if (Wb_sheetIndex(wb, name) < 0) return name;
  }
}

void writeSheet(Workbook* wb, const std::string& title, const std::string& heading, const std::vector<Section>& report) {
  Sheet* sh = Wb_addSheet(wb, freeSheetName(wb, title));
  int row = 0;
  Wb_setValue(wb, sh, row++, 0, CellValue::makeText(heading));
  for (const Section& s : report) {
    ++row;
    Wb_setValue(wb, sh, row++, 0, CellValue::makeText(s.title));
    for (const ReportRow& r : s.rows) {
      for (size_t k = 0; k < r.size(); ++k) {
        Wb_setValue(wb, sh, row, static_cast<int>(k) + 1, r[k].value);
        if (!r[k].format.empty()) Wb_cellAt(wb, sh, row, static_cast<int>(k) + 1)->numberFormat = r[k].format;
      }
      ++row;
    }
  }
}

void printReport(const std::string& title, const std::vector<Section>& report) {
  std::string text;
  for (const Section& s : report) {
    if (s.rows.empty()) {
      text += "\n" + title + ": " + s.title + "\n";
      continue;
    }
    std::vector<std::vector<std::string>> table;
    for (const ReportRow& r : s.rows) {
      std::vector<std::string> line;
      for (const ReportCell& cell : r) line.push_back(Calc_displayText(cell.value, cell.format));
      table.push_back(line);
    }
    Fe_appendTable(&text, title + ": " + s.title, table);
  }
  if (!text.empty()) Fe_printBlock(text);
}

}  // namespace

const char* Fe_reportRefusal(const std::string& report, bool integers, bool population) {
  if (report == "answer") return nullptr;
  if (integers) return "the model has integer constraints, where it would mean nothing";
  if (report == "sensitivity" && population) return "the engine hands back its population's spread instead";
  return nullptr;
}

bool Fe_writeReports(FeSession* s, const FeModel& m, const FeStartValues& start,
                     const std::vector<std::string>& reports, int status) {
  // The limits come from further runs of the library, which write their
  // own rows: every other report is made first.
  LibraryRows rows;
  if (!readLibraryRows(s, &rows)) {
    std::fprintf(stderr,
                 "corvan: no reports: the run handed back no report rows (\"solver_rep\" asks for none, or the "
                 "engine writes none)\n");
    return false;
  }
  FeLabels labels{s->book, {}, {}, {}};
  Context c{s->book, m, rows, &labels};
  std::string heading = "Worksheet: [" + s->book->name + "]" + s->book->sheets[m.sheet]->name;
  std::vector<std::string> order = reports;
  std::stable_partition(order.begin(), order.end(), [](const std::string& r) { return r != "limits"; });
  bool made = true;
  for (const std::string& name : order) {
    if (const char* why = refusal(rows, name)) {
      std::fprintf(stderr, "corvan: no %s report: %s\n", name.c_str(), why);
      made = false;
      continue;
    }
    std::vector<Section> report;
    std::string title;
    if (name == "answer") {
      report = answerReport(c, start, status);
      title = "Answer Report";
    } else if (name == "sensitivity") {
      report = sensitivityReport(c);
      title = "Sensitivity Report";
    } else {
      report = limitsReport(s, c);
      title = "Limits Report";
    }
    fitFormats(&report, m.precision);
    writeSheet(s->book, title, heading, report);
    printReport(name + " report", report);
  }
  return made;
}
