// Evaluation through the application: the engines' variable vector mapped
// onto the workbook's cells (common cells, one block of per-row cells per
// scenario row in weighted-rows mode, then the elastic variables of
// feasibility mode), trial points written into the cells, the function values read back
// after recalculation (with the grouped row combined from its members), and
// the bounds, types and current values of rows and variables.
//
// The function vector: the cells of the records that are neither bounds nor
// grouped, in model order (in weighted-rows mode those that depend on the
// scenario cells follow once per scenario row), then the grouped row when
// there is one. Functions answer 1 on success and 0 on failure.
#pragma once

#include <vector>

#include "contract/Bound_Infinity.h"

struct ConstraintRecord;
struct LibraryContext;

// Variables of the model (without elastic variables) and rows without the
// grouped row.
int Sess_modelVariables(const LibraryContext* context);
int Sess_rowsWithoutGrouped(const LibraryContext* context);

// One row of the function vector: a left-hand cell of a record, in a
// scenario row's block (-1 for rows read once).
struct RowCell {
  const ConstraintRecord* record;
  int cell;
  int scenarioRow;
};
// The rows without the grouped row, in function-vector order.
int Sess_rowCells(const LibraryContext* context, std::vector<RowCell>* out);
// The variable cell (its number in the variable cell list) of vector index j
// of a model variable; -1 outside them.
int Sess_variableNumber(const LibraryContext* context, int j);

int Sess_writeAllVariables(LibraryContext* context, const double* x);
int Sess_writeVariable(LibraryContext* context, int j, double value);
// Recalculates and reads context->rowCount function values into f.
int Sess_readFunctions(LibraryContext* context, double* f);

// Rows of the function vector without the grouped row; the arrays hold the
// caller's defaults.
int Sess_getRowBounds(LibraryContext* context, double* lower, double* upper);
// Bounds of the model's variables from the bound constraints (defaults
// -kBoundInfinity and kBoundInfinity).
int Sess_getVariableBounds(LibraryContext* context, double* lower, double* upper);
// 0 continuous, 1 integer, 2 binary, 3 + g member of alldifferent group g.
int Sess_getVariableTypes(LibraryContext* context, int* types, bool withAllDifferent);
int Sess_getCurrentValues(LibraryContext* context, double* x);

// How much a grouped cell with value v violates its right-hand value b.
double Sess_violation(int relation, double v, double b);
