// Results handed back to the front end in its result range ("solver_tbl"):
// a statistics row of 16 numbers at the range's first row and report rows
// of 11 values below it (variables, constraint rows, bound rows), the
// engine limits and model size of `Solve` actions 9 and 10, tables of texts
// from engines, and the findings of model analysis and diagnosis.
#pragma once

#include <cstdint>

#include "contract/Eng_Report.h"

struct LibraryContext;

// Takes the front end's result range (a single-area reference), clears the
// first eight statistics and writes the statistics row: 1 on success.
int Sess_prepareResults(LibraryContext* context);
// The statistics row at row `offset` of the range.
int Sess_writeStatistics(LibraryContext* context, int offset);

// `Solve` action 9: items 3, 4, 5, 6, 1, 2, 7 and 13 of the current engine;
// action 10: variables, rows, bounded variables, integer variables. 0 on
// success, 13 when the range is missing or the write fails.
int Sess_storeEngineLimits(LibraryContext* context);
int Sess_storeModelSize(LibraryContext* context);

// The report rows of a solution (export ordinal 31); the sensitivity record
// may be none. 1 on success.
int Sess_writeReports(LibraryContext* context, int reportSet, int code,
                      const ReportSummary* summary, const SensitivityRecord* sensitivity);
// An engine's table of r x k texts, row by row (export ordinal 32), below
// the report rows. 1 on success.
int Sess_writeReportTable(LibraryContext* context, int code1, int code2, int columns, int rows,
                          const char* const* texts);

// Findings of model analysis and diagnosis. Rows are counted from the
// range's first row; "the model's rows" are its variables, its rows without
// the grouped row and its bound cells (relation not integer), after the
// statistics row. Each returns 1 on success.
//
// Analysis: the statistics (flag, text count, first count) in the row after
// the model's rows and the caller's two extra blocks; with the flag, the
// texts follow, 11 to a row.
int Sess_storeAnalysisCounts(LibraryContext* context, int flag, int count, int first,
                             const char* const* texts, int extraVariables, int extraRows);
// Diagnosis: the 16 counts in the statistics row at the first row; with
// rows, per-function rows of 11 texts from the second row.
int Sess_storeDiagnosis(LibraryContext* context, const double* counts, int rows,
                        const char* const* texts);
// An added variable or row: its number, text and type columns.
struct ExtraRow {
  int number;
  const char* text;
  int type;
};
// Model counts (variables, rows, bound cells, integer variables, then the
// caller's three) after the variable and constraint rows; with the flag and
// both counts positive, the added variable rows and row rows come first.
int Sess_storeModelCounts(LibraryContext* context, const int (&extra)[3], int flag,
                          const ExtraRow* variables, int variableCount, const ExtraRow* rows,
                          int rowCount);
// After an interpreter error: the model counts at the first row, then the
// caller's four codes and its text (none: empty) after the model's rows.
int Sess_storeErrorCell(LibraryContext* context, const int (&codes)[4], const char* text);
