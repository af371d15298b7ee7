// Host services of the interval global engine: the analysed model bound to
// the interpreter's interval, gradient, Hessian, affine and propagation
// modes. Function 0 is the objective and 1..m the rows (equalities and
// inequalities) in the function table's order; arrays of variables are
// 1-based. Each evaluation returns 0, or the interpreter's first error.
#pragma once

#include <string>
#include <vector>

struct Interval;
struct LibraryContext;
// The interpreter's model as the interval engine binds it (opaque).
struct HostIntervalModel;

// What the engine learns of the bound model: variables, rows, the problem
// class of the model's structure and each row's relation (1..m, the
// interpreter's relation codes).
struct HostIntervalShape {
  int n = 0, m = 0, problemClass = 0;
  std::vector<int> relation;
};

// Binds the run's analysed model, or null when none is loaded.
HostIntervalModel* Host_bindIntervalModel(LibraryContext* context, HostIntervalShape* shape);
void Host_freeIntervalModel(HostIntervalModel* model);

int Host_intervalPoint(HostIntervalModel* model, int k, const double* x, double* value);
int Host_intervalBox(HostIntervalModel* model, int k, const Interval* box, Interval* value);
int Host_intervalGradient(HostIntervalModel* model, int k, const Interval* box, Interval* value, Interval* gradient);
// The Hessian (n + 1) x (n + 1) row by row (row and column 0 unused).
int Host_intervalHessian(HostIntervalModel* model, int k, const Interval* box, Interval* value, Interval* gradient,
                         Interval* hessian);
// The affine form over the box: centre, radius, coefficients 1..count - 1
// (as far as the form has variables) and its range cut to the interval value.
int Host_intervalAffine(HostIntervalModel* model, int k, const Interval* box, double* centre, double* radius,
                        double* coef, int count, Interval* enclosure);
// Narrows the box by the row's relation and gives the row's range.
int Host_intervalPropagate(HostIntervalModel* model, int k, int relation, Interval* box, Interval* range);
// Row k's right-hand side, against which propagation narrows.
void Host_setIntervalRowSide(HostIntervalModel* model, int k, double rhs);
// "R%dC%d" of every variable cell, area by area, row by row within an area,
// after an empty entry 0; only the empty entry when the model is not
// analysed.
std::vector<std::string> Host_intervalVariableAddresses(LibraryContext* context);
