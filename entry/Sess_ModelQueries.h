// The session's questions about the read model that combine the constraint
// list with the variable cells: integer kinds per variable, the bounds the
// bound rows imply, and the cells of the bound rows one by one. Functions
// answer 1 on success and 0 on failure.
#pragma once

struct CellList;
struct ConstraintCell;
struct ConstraintList;

// flags holds one entry per variable: 1 integer, 2 binary, 3 + g member of
// alldifferent group g (only `withAllDifferent`); entries of other
// variables are left.
int Sess_getIntegerFlags(const ConstraintList* list, const CellList* variables,
                         bool withAllDifferent, int* flags);
// lower and upper hold one entry per variable, filled with the defaults.
int Sess_deriveVariableBounds(const ConstraintList* list, const CellList* variables, double* lower,
                              double* upper, double defaultLower, double defaultUpper);
// The k-th cell (0-based) over the fixed bound rows.
int Sess_getConstraintCell(const ConstraintList* list, int k, ConstraintCell* out);
