// Results handed back to the front end in its result range ("solver_tbl"):
// a statistics row of 16 numbers at the range's first row and report rows
// of 11 values below it (variables, constraint rows, bound rows), the
// engine limits and model size of `Solve` actions 9 and 10, and tables of
// texts from engines.
#pragma once

#include <cstdint>

struct LibraryContext;

// What an engine reports about its solution (arrays 0-based).
struct ReportSummary {
  std::int32_t n;
  const double* lower;
  const double* values;
  const double* upper;
  const double* perVariable;   // reduced costs, reduced gradients or marks
  std::int32_t m;              // rows without the grouped row
  const double* rowLower;
  const double* rowValues;
  const double* rowUpper;
  const double* perRow;        // dual values, multipliers or marks
};

// Ranging of a linear solution (arrays 0-based).
struct SensitivityRecord {
  std::int32_t n;
  const double* objective;
  const double* objectiveIncrease;
  const double* objectiveDecrease;
  const double* lowerBounds;
  const double* lowerIncrease;
  const double* lowerDecrease;
  const double* upperBounds;
  const double* upperIncrease;
  const double* upperDecrease;
  std::int32_t m;
  const double* rhs;
  const double* rhsIncrease;
  const double* rhsDecrease;
};

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
