// The session's variable cells: the reference joined from "solver_adj" and
// its numbered continuations, its cell list, reading and writing the
// decision variables in variable-number order, and the cells' prior values.
#pragma once

#include <string>
#include <vector>

#include "excel/Area_Areas.h"

struct LibraryContext;

struct VariableCells {
  XLOPER* ref = nullptr;          // joined reference, owned
  CellList* list = nullptr;
  std::vector<double> scratch;    // position-ordered values when reordered
};

VariableCells* Sess_readVariableCells(LibraryContext* context);
void Sess_freeVariableCells(VariableCells* cells);
const CellList* Sess_getVariableCellList(const VariableCells* cells);
int Sess_getAdjCellCount(const VariableCells* cells);
int Sess_writeVariables(VariableCells* cells, const double* x);
int Sess_readVariables(VariableCells* cells, double* x);
int Sess_readVariablesCoercing(VariableCells* cells, double* x);
int Sess_variableOfCell(const VariableCells* cells, int row, int column);
int Sess_setVariableCell(const VariableCells* cells, int i, double value);
// The reference text of variable i's cell ("" when there is none).
std::string Sess_variableCellName(const VariableCells* cells, int i);

// Prior values of the variable cells, in area order: saved at begin,
// written back area by area ("solver_adj", "solver_adj1", ...) and
// recalculated by `Solve` action 2; a missing area or one of another size
// fails the restore.
int Sess_savePriorValues(LibraryContext* context);
int Sess_restorePriorValues(LibraryContext* context);
