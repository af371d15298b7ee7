// Writers of the front end's result range: statistics row, report rows of
// variables, constraint rows and bound rows, engine limits, model size and
// engines' tables of texts.
#include "entry/Sess_Results.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "contract/Host_Queries.h"
#include "entry/Entry_Context.h"
#include "entry/Msg_Status.h"
#include "entry/Sess_Evaluation.h"
#include "entry/Sess_ModelQueries.h"
#include "entry/Sess_Variables.h"
#include "excel/Names_Model.h"
#include "excel/Names_Options.h"
#include "excel/Xl_Queries.h"
#include "excel/Xl_Value.h"

namespace {

constexpr int kReportColumns = 11;

// Values of the rows being written, row after row; texts are kept as counted
// strings.
class RowValues {
 public:
  explicit RowValues(int count) : RowValues(1, count) {}
  RowValues(int rows, int columns)
      : rows_(rows), columns_(columns), cells_(size_t(rows) * size_t(columns)), texts_(cells_.size()) {}
  void number(int k, double x) {
    cells_[k].xltype = xltypeNum;
    cells_[k].val.num = x;
  }
  void integer(int k, int x) {
    if (x < INT16_MIN || x > INT16_MAX) return number(k, x);
    cells_[k].xltype = xltypeInt;
    cells_[k].val.w = static_cast<std::int16_t>(x);
  }
  void text(int k, const std::string& s) {
    std::string& buffer = texts_[k];
    buffer.assign(1, static_cast<char>(s.size() < 255 ? s.size() : 255));
    buffer.append(s, 0, 255);
    cells_[k].xltype = xltypeStr;
    cells_[k].val.str = buffer.data();
  }
  int rows() const { return rows_; }
  int columns() const { return columns_; }
  XLOPER* data() { return cells_.data(); }

 private:
  int rows_, columns_;
  std::vector<XLOPER> cells_;
  std::vector<std::string> texts_;
};

bool isSingleArea(const XLOPER* ref) {
  const XLREF* areas;
  int count;
  return ref && Area_areasOf(ref, &areas, &count) && count == 1;
}

// Rows from row `offset` of the range, from its first column, in one call.
bool writeRow(const LibraryContext* context, int offset, RowValues& row) {
  const XLOPER* target = context->results.target;
  const XLREF* areas;
  int count;
  if (offset < 0 || row.rows() < 1 || !Area_areasOf(target, &areas, &count) || count != 1) return false;
  int sheetRow = areas[0].rwFirst + offset, lastRow = sheetRow + row.rows() - 1;
  int lastColumn = areas[0].colFirst + row.columns() - 1;
  if (lastRow > UINT16_MAX || lastColumn > UINT8_MAX) return false;
  XLREF area{static_cast<std::uint16_t>(sheetRow), static_cast<std::uint16_t>(lastRow),
             areas[0].colFirst, static_cast<std::uint8_t>(lastColumn)};
  AreaRef ref(target, area);
  XLOPER array{};
  array.xltype = xltypeMulti;
  array.val.array.lparray = row.data();
  array.val.array.rows = static_cast<std::uint16_t>(row.rows());
  array.val.array.columns = static_cast<std::uint16_t>(row.columns());
  XLOPER result{};
  bool ok = Excel4(xlSet, &result, 2, &ref.value, &array) == xlretSuccess &&
            Xl_type(&result) != xltypeErr;
  Xl_giveBack(&result);
  return ok;
}

// A report row starting from the cleared row (0, "X", 0, "X", -1, zeros).
struct ReportRow {
  int index = 0;
  std::string address;
  int relation = 0;
  std::string rhs = "X";
  int mark = -1;
  double numbers[6] = {};
};

// Report rows one after the other from row `offset`, written in one call of
// the application rather than one per row.
bool writeReportRows(const LibraryContext* context, int offset, const std::vector<ReportRow>& reports) {
  if (reports.empty()) return true;
  RowValues rows(static_cast<int>(reports.size()), kReportColumns);
  int at = 0;
  for (const ReportRow& report : reports) {
    rows.integer(at, report.index);
    rows.text(at + 1, report.address);
    rows.integer(at + 2, report.relation);
    rows.text(at + 3, report.rhs);
    rows.integer(at + 4, report.mark);
    for (int k = 0; k < 6; ++k) rows.number(at + 5 + k, report.numbers[k]);
    at += kReportColumns;
  }
  return writeRow(context, offset, rows);
}

// "RrCc" of a 0-based cell, the numbers written without a format to parse.
void appendNumber(std::string* text, unsigned n) {
  char digits[16];
  text->append(digits, std::to_chars(digits, digits + sizeof digits, n).ptr);
}

std::string cellAddress(int row, int column) {
  std::string text = "R";
  appendNumber(&text, unsigned(row + 1));
  text += 'C';
  appendNumber(&text, unsigned(column + 1));
  return text;
}

int boundCells(const LibraryContext* context) {
  const ConstraintList* list = context->constraints;
  return Names_countCells(list, 0, RowBound, RowNoFixedBound) -
         Names_countCells(list, RelationInteger, RowBound, RowNoFixedBound);
}

// Variables, rows without the grouped row, bound cells and integer variables.
void modelCounts(LibraryContext* context, double* out) {
  out[0] = Host_queryModel(context, QueryVariables);
  out[1] = Sess_rowsWithoutGrouped(context);
  out[2] = context->constraints ? boundCells(context) : 0;
  out[3] = Host_queryModel(context, QueryIntegers);
}

// The row after the statistics row and the model's rows.
int afterModelRows(LibraryContext* context) {
  double counts[4];
  modelCounts(context, counts);
  return int(counts[0] + counts[1] + counts[2]) + 1;
}

int boundedVariables(LibraryContext* context) {
  int bounded = boundCells(context);
  if (Names_getOption(context, OptNeg, 0) != 1) return bounded;
  int n = Sess_modelVariables(context);
  std::vector<double> lower(n), upper(n);
  if (!Sess_getVariableBounds(context, lower.data(), upper.data())) return bounded;
  for (double l : lower)
    if (l <= -kBoundInfinity) ++bounded;
  return bounded;
}

bool storeSizes(LibraryContext* context, int set, int code) {
  double* statistics = context->results.statistics;
  modelCounts(context, statistics);
  statistics[2] = boundedVariables(context);
  statistics[4] = statistics[5] = 0;
  statistics[6] = set;
  statistics[7] = code;
  return Sess_writeStatistics(context, 0);
}

// What the report rows of one call read from the options: the precision,
// and whether each numbered variable or constraint entry wants its rows
// ("solver_vir3", "solver_cir2"), each read once rather than once per row.
struct ReportOptions {
  LibraryContext* context = nullptr;
  double precision = 0;
  std::map<std::pair<int, int>, bool> wanted;
};

ReportOptions reportOptions(LibraryContext* context) {
  ReportOptions options;
  options.context = context;
  Host_getRealOption(context, &options.precision, RealPrecision);
  return options;
}

// Slack of a cell against its bounds, 0 within the precision.
double slackOf(const ReportOptions& options, int relation, double lower, double value, double upper) {
  double slack = 0;
  if (relation == RelationLessEqual) slack = upper - value;
  if (relation == RelationGreaterEqual) slack = value - lower;
  if (relation == RelationEqual) slack = -std::fabs(upper - value);
  return std::fabs(slack) < options.precision ? 0.0 : slack;
}

int bindingMark(double slack) { return slack == 0 ? 1 : slack < 0 ? -1 : 0; }

bool rowWanted(ReportOptions& options, int index, int row) {
  auto [it, added] = options.wanted.try_emplace({index, row}, false);
  if (added) it->second = Names_getNumberedOption(options.context, index, static_cast<unsigned>(row), 1) != 0;
  return it->second;
}

// Variable rows: one per variable of the vector, at its cell's first position.
int variableRows(LibraryContext* context, ReportOptions& options, const ReportSummary& s,
                 const SensitivityRecord* sens, std::vector<ReportRow>* out) {
  int written = 0;
  const CellList* list = Sess_getVariableCellList(context->variables);
  for (int j = 0; j < s.n && j < Sess_modelVariables(context); ++j) {
    AreaCell cell;
    if (!Area_getVariableCell(list, Sess_variableNumber(context, j), &cell)) return -1;
    if (!rowWanted(options, OptVir, cell.area)) continue;
    ReportRow row;
    row.index = cell.area;
    row.address = cellAddress(cell.row, cell.column);
    row.numbers[1] = s.perVariable ? s.perVariable[j] : 0;
    if (sens && j < sens->n) {
      row.numbers[2] = sens->objective[j];
      row.numbers[3] = sens->objectiveIncrease[j];
      row.numbers[4] = sens->objectiveDecrease[j];
    }
    out->push_back(std::move(row));
    ++written;
  }
  return written;
}

int constraintRows(LibraryContext* context, ReportOptions& options, const ReportSummary& s,
                   const SensitivityRecord* sens, std::vector<ReportRow>* out) {
  std::vector<RowCell> cells;
  if (!Sess_rowCells(context, &cells) || static_cast<int>(cells.size()) != s.m) return -1;
  int written = 0;
  for (int k = 0; k < s.m; ++k) {
    const ConstraintRecord& record = *cells[k].record;
    bool objective = record.flags & RowObjective;
    if (!objective && !rowWanted(options, OptCir, record.row)) continue;
    ReportRow row;
    int sheetRow, column;
    Area_cellOfSingleArea(record.lhs, cells[k].cell, &sheetRow, &column);
    row.index = objective ? 0 : record.row;
    row.address = cellAddress(sheetRow, column);
    row.relation = record.relation;
    if (objective) {
      Xl_numberToText(s.rowUpper[k], &row.rhs);
    } else {
      Xl_elementText(record.rhs, record.flags & RowElementwise ? cells[k].cell : 0, &row.rhs);
    }
    double slack = slackOf(options, record.relation, s.rowLower[k], s.rowValues[k], s.rowUpper[k]);
    row.mark = bindingMark(slack);
    row.numbers[0] = slack;
    row.numbers[1] = s.perRow ? s.perRow[k] : 0;
    if (sens && k < sens->m) {
      row.numbers[2] = sens->rhs[k];
      row.numbers[3] = sens->rhsIncrease[k];
      row.numbers[4] = sens->rhsDecrease[k];
    }
    out->push_back(std::move(row));
    ++written;
  }
  return written;
}

int boundRows(LibraryContext* context, ReportOptions& options, const ReportSummary& s, std::vector<ReportRow>* out) {
  int written = 0;
  ConstraintCell cell;
  for (int k = 0; Sess_getConstraintCell(context->constraints, k, &cell); ++k) {
    if (cell.relation == RelationInteger || !rowWanted(options, OptCir, cell.row)) continue;
    int v = Sess_variableOfCell(context->variables, cell.sheetRow, cell.column);
    if (v < 0 || v >= s.n) return -1;
    ReportRow row;
    row.index = cell.row;
    row.address = cellAddress(cell.sheetRow, cell.column);
    row.relation = cell.relation;
    row.rhs = cell.rhsText;
    double slack = slackOf(options, cell.relation, s.lower[v], s.values[v], s.upper[v]);
    row.mark = bindingMark(slack);
    row.numbers[0] = slack;
    if ((slack == 0 || context->feasibilityMode) && s.perVariable) row.numbers[1] = s.perVariable[v];
    out->push_back(std::move(row));
    ++written;
  }
  return written;
}

bool writeStatisticsRow(LibraryContext* context, int offset, const double* values, int count) {
  std::fill(context->results.statistics, context->results.statistics + StatisticsColumns, 0.0);
  std::copy(values, values + count, context->results.statistics);
  return Sess_writeStatistics(context, offset);
}

// Rows of `columns` texts from row `offset`.
bool writeTextRows(LibraryContext* context, int offset, const char* const* texts, int count,
                   int columns) {
  for (int r = 0; r * columns < count; ++r) {
    RowValues row(columns);
    for (int k = 0; k < columns; ++k) {
      int at = r * columns + k;
      row.text(k, at < count && texts[at] ? texts[at] : "");
    }
    if (!writeRow(context, offset + r, row)) return false;
  }
  return true;
}

bool writeExtraRows(LibraryContext* context, int offset, const ExtraRow* rows, int count) {
  std::vector<ReportRow> reports(static_cast<size_t>(count));
  for (int k = 0; k < count; ++k) {
    reports[k].index = rows[k].number;
    reports[k].address = rows[k].text ? rows[k].text : "";
    reports[k].relation = rows[k].type;
  }
  return writeReportRows(context, offset, reports);
}

}  // namespace

int Sess_prepareResults(LibraryContext* context) {
  const XLOPER* target = Msg_getMessageName(context, MsgTable);
  context->results.target = isSingleArea(target) ? target : nullptr;
  if (!context->results.target) return 0;
  for (int k = 0; k < 8; ++k) context->results.statistics[k] = 0;
  return Sess_writeStatistics(context, 0);
}

int Sess_writeStatistics(LibraryContext* context, int offset) {
  RowValues row(StatisticsColumns);
  for (int k = 0; k < StatisticsColumns; ++k) row.number(k, context->results.statistics[k]);
  return writeRow(context, offset, row);
}

int Sess_storeEngineLimits(LibraryContext* context) {
  static constexpr int kItems[8] = {EngineInfoFirstLimit, EngineInfoFirstLimit + 1, EngineInfoFirstLimit + 2,
                                    EngineInfoLastLimit,  EngineInfoValue1,         EngineInfoValue2,
                                    EngineInfoFields,     EngineInfoCapabilities};
  if (!Sess_prepareResults(context)) return StatusHostFailure;
  for (int k = 0; k < 8; ++k)
    context->results.statistics[k] = Host_getEngineInfoItem(context, context->currentEngine, kItems[k]);
  int status = Sess_writeStatistics(context, 0) ? 0 : StatusHostFailure;
  context->results.target = nullptr;  // the front end's names are released after the action
  return status;
}

int Sess_storeModelSize(LibraryContext* context) {
  if (!Sess_prepareResults(context)) return StatusHostFailure;
  return storeSizes(context, 0, 0) ? 0 : StatusHostFailure;
}

int Sess_writeReports(LibraryContext* context, int reportSet, int code,
                      const ReportSummary* summary, const SensitivityRecord* sensitivity) {
  if (!Host_queryModel(context, QueryReports) && !context->feasibilityMode)
    return Sess_prepareResults(context) && storeSizes(context, reportSet, code);
  if (!summary || !context->variables || !Sess_prepareResults(context)) return 0;
  ReportOptions options = reportOptions(context);
  std::vector<ReportRow> reports;
  int variables = variableRows(context, options, *summary, sensitivity, &reports);
  int rows = variables < 0 ? -1 : constraintRows(context, options, *summary, sensitivity, &reports);
  int bounds = rows < 0 ? -1 : boundRows(context, options, *summary, &reports);
  // The rows gathered are written even when a later one could not be made.
  if (!writeReportRows(context, 1, reports) || bounds < 0) return 0;
  double* statistics = context->results.statistics;
  statistics[0] = variables;
  statistics[1] = rows;
  statistics[2] = bounds;
  statistics[3] = Host_queryModel(context, QueryIntegers);
  statistics[4] = sensitivity ? 11 : 7;
  statistics[5] = variables + rows + bounds;
  statistics[6] = reportSet;
  statistics[7] = code;
  return Sess_writeStatistics(context, 0);
}

int Sess_writeReportTable(LibraryContext* context, int code1, int code2, int columns, int rows,
                          const char* const* texts) {
  if (!Host_queryModel(context, QueryReports) || !Sess_prepareResults(context)) return 0;
  if (columns < 1 || rows < 0 || (rows > 0 && !texts)) return 0;
  int s = afterModelRows(context);
  double* statistics = context->results.statistics;
  modelCounts(context, statistics);
  const double tail[4] = {double(columns), double(rows), double(code1), double(code2)};
  std::copy(tail, tail + 4, statistics + 4);
  if (!Sess_writeStatistics(context, s)) return 0;
  for (int r = 0; r < rows; ++r) {
    RowValues row(columns);
    for (int k = 0; k < columns; ++k) {
      const char* text = texts[r * columns + k];
      row.text(k, text ? text : "");
    }
    if (!writeRow(context, s + 1 + r, row)) break;
  }
  return 1;
}

int Sess_storeAnalysisCounts(LibraryContext* context, int flag, int count, int first,
                             const char* const* texts, int extraVariables, int extraRows) {
  if (!Sess_prepareResults(context) || count < 0 || (flag && count > 0 && !texts)) return 0;
  int offset = afterModelRows(context) + std::max(0, extraVariables) + std::max(0, extraRows);
  const double values[3] = {double(flag), double(count), double(first)};
  if (!writeStatisticsRow(context, offset, values, 3)) return 0;
  return !flag || writeTextRows(context, offset + 1, texts, count, kReportColumns);
}

int Sess_storeDiagnosis(LibraryContext* context, const double* counts, int rows,
                        const char* const* texts) {
  if (!counts || !Sess_prepareResults(context)) return 0;
  if (rows > 0 && (!texts || !writeTextRows(context, 1, texts, rows * kReportColumns,
                                            kReportColumns)))
    return 0;
  return writeStatisticsRow(context, 0, counts, StatisticsColumns);
}

int Sess_storeModelCounts(LibraryContext* context, const int (&extra)[3], int flag,
                          const ExtraRow* variables, int variableCount, const ExtraRow* rows,
                          int rowCount) {
  if (!Sess_prepareResults(context)) return 0;
  double values[7];
  modelCounts(context, values);
  for (int k = 0; k < 3; ++k) values[4 + k] = extra[k];
  int offset = int(values[0] + values[1]) + 1;
  if (flag && variableCount > 0 && rowCount > 0) {
    if (!variables || !rows || !writeExtraRows(context, offset, variables, variableCount) ||
        !writeExtraRows(context, offset + variableCount, rows, rowCount))
      return 0;
    offset += variableCount + rowCount;
  }
  return writeStatisticsRow(context, offset, values, 7);
}

int Sess_storeErrorCell(LibraryContext* context, const int (&codes)[4], const char* text) {
  if (!Sess_prepareResults(context)) return 0;
  double counts[4];
  modelCounts(context, counts);
  if (!writeStatisticsRow(context, 0, counts, 4)) return 0;
  RowValues row(5);
  for (int k = 0; k < 4; ++k) row.integer(k, codes[k]);
  row.text(4, text ? text : "");
  return writeRow(context, afterModelRows(context), row);
}
