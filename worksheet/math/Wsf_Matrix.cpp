// MDETERM and MINVERSE on plain numbers (the structure modes mark the matrix
// as a non-smooth dependency); MMULT through the generic operators, so in
// every evaluation mode, its elements over plain numbers only in doubles.
#include "worksheet/math/Wsf_Matrix.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "arithmetic/dependency/DegDag_Ops.h"
#include "arithmetic/dependency/DegVec_Ops.h"
#include "arithmetic/operators/Op_Elementary.h"
#include "arithmetic/operators/Op_Operators.h"
#include "base/Dbl_Quad.h"
#include "numerics/Dense_Factor.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"

namespace {

// A square numeric matrix copied 1-based for the linear algebra, in
// quadruple precision: the eliminations cancel, and the extra digits keep
// the result's.
struct Square {
  int32_t n = 0;
  std::vector<std::vector<DblQuad>> cells;
  std::vector<DblQuad*> rows;
  std::vector<int32_t> permutation;
  double parity = 1;
};

// Copies a square array of numbers; null on success, else the finished
// result (the first error element, or "#value!").
Value* load(Value* result, const Value* a, Square* m) {
  if (a->kind != kValArray || a->array->rows != a->array->columns) return Wsf_error(result, kErrValue);
  m->n = a->array->rows;
  m->cells.assign(m->n + 1, std::vector<DblQuad>(m->n + 1, 0.0));
  m->rows.assign(m->n + 1, nullptr);
  m->permutation.assign(m->n + 1, 0);
  for (int32_t i = 0; i < m->n; ++i) {
    m->rows[i + 1] = m->cells[i + 1].data();
    for (int32_t j = 0; j < m->n; ++j) {
      const Value* e = Val_at(a, i, j);
      if (Wsf_isError(e)) return Wsf_copy(result, e);
      if (e->kind != kValInt && e->kind != kValReal) return Wsf_error(result, kErrValue);
      m->cells[i + 1][j + 1] = e->number;
    }
  }
  return nullptr;
}

// The sum of the magnitudes of the products subtracted to form pivot i of
// the LU factors: those of row i of L with column i of U.
DblQuad pivotTerms(const Square& m, int32_t i) {
  DblQuad terms = 0;
  for (int32_t k = 1; k < i; ++k) terms += Dbl_quadMagnitude(m.rows[i][k] * m.rows[k][i]);
  return terms;
}

// The LU factors of the matrix; false when it is singular, a pivot that is
// the rounding of what cancelled in it counting as none: no inverse of
// rounding errors.
bool decompose(Square* m) {
  if (!Dense_luDecompose(m->rows.data(), m->n, m->permutation.data(), &m->parity)) return false;
  for (int32_t i = 1; i <= m->n; ++i)
    if (Dbl_quadLostPivot(m->rows[i][i], pivotTerms(*m, i), m->n)) return false;
  return true;
}

// The determinant of two rows, exact but for one rounding: elimination
// would round the multiplier and lose the digits the two products share.
DblQuad crossDifference(const Square& m) {
  return Dbl_crossDifference(static_cast<double>(m.cells[1][1]), static_cast<double>(m.cells[1][2]),
                             static_cast<double>(m.cells[2][1]), static_cast<double>(m.cells[2][2]));
}

bool isScalar(const Value* v) { return v->kind >= kValBool && v->kind <= kValError && v->kind != kValKind17; }

// A boolean or number that stands for no variable.
bool isPlain(const Value* v) { return v->kind >= kValBool && v->kind <= kValReal && v->reference == 0; }

// Per row of x (or per column of y, with columns set): whether it holds
// plain numbers only.
std::vector<char> plainLines(const Value* m, bool columns) {
  const int32_t lines = columns ? m->array->columns : m->array->rows;
  const int32_t length = columns ? m->array->rows : m->array->columns;
  std::vector<char> plain(static_cast<size_t>(lines), 1);
  for (int32_t a = 0; a < lines; ++a)
    for (int32_t b = 0; b < length && plain[static_cast<size_t>(a)]; ++b)
      plain[static_cast<size_t>(a)] = isPlain(columns ? Val_at(m, b, a) : Val_at(m, a, b)) ? 1 : 0;
  return plain;
}

// A matrix's numbers as doubles, row after row.
std::vector<double> numbersOf(const Value* m) {
  const int32_t rows = m->array->rows, columns = m->array->columns;
  std::vector<double> out(static_cast<size_t>(rows) * static_cast<size_t>(columns));
  for (int32_t a = 0; a < rows; ++a)
    for (int32_t b = 0; b < columns; ++b)
      out[static_cast<size_t>(a) * static_cast<size_t>(columns) + static_cast<size_t>(b)] = Val_at(m, a, b)->number;
  return out;
}

// A row of a product in doubles: the row of x against y (row after row),
// each element summed term by term in the order of the generic path (the
// row's sums side by side, none reordered).
void plainRow(const double* row, const double* y, int32_t inner, int32_t columns, double* sum) {
  std::fill(sum, sum + columns, 0.0);
  for (int32_t k = 0; k < inner; ++k) {
    const double factor = row[k];
    const double* line = y + static_cast<size_t>(k) * static_cast<size_t>(columns);
    for (int32_t j = 0; j < columns; ++j) sum[j] = sum[j] + factor * line[j];
  }
}

// The structure hooks over the matrix; with shaped an array argument gives
// a result of its shape.
bool structureHooks(Value* result, const Value* a, bool shaped) {
  EvalContext* ctx = a->context;
  if (!ctx || (ctx->flags.mode != kModeDegDag && ctx->flags.mode != kModeDegVec)) return false;
  if (!DegDag_markArgShaped(a, shaped) && !DegVec_markArgShaped(a, shaped)) return false;
  Wsf_from(result, *ctx->buffers.result);
  return true;
}

// Element (i, j) of a product of numbers through the generic operators.
// Once the sum is a value of an evaluation mode, a finite product of plain
// numbers is added to it as the number it is, which the addition takes
// alike, unless additions are being checked for their scaling.
void genericElement(const Value* x, const Value* y, int32_t i, int32_t j, Value* cell) {
  const bool checked = cell->context && cell->context->flags.scalingCheck == 1;
  WsfLocal sum(cell->context), term(cell->context);
  Val_setNumber(&sum.v, 0.0);
  for (int32_t k = 0; k < x->array->columns; ++k) {
    const Value* p = Val_at(x, i, k);
    const Value* q = Val_at(y, k, j);
    const double product = p->number * q->number;
    if (!checked && Op_isModeKind(sum->kind) && isPlain(p) && isPlain(q) && std::isfinite(product)) {
      sum.take(Op_addVS(*sum, product));
      continue;
    }
    term.take(Op_mul(*p, *q));
    sum.take(Op_add(*sum, *term));
  }
  Val_assign(cell, &*sum);
}

int32_t rowsOf(const Value* m) { return m->kind == kValArray ? m->array->rows : 1; }
int32_t columnsOf(const Value* m) { return m->kind == kValArray ? m->array->columns : 1; }

// A number, plain or of an evaluation mode.
bool isNumeric(const Value* v) { return v->kind >= kValInt && v->kind <= kValDegVec; }

// The first element of a factor, row after row, that is no number: a text,
// logical or blank fails the whole product as the worksheet's does, and an
// error is passed on. Null when every element is a number.
const Value* firstFault(const Value* m) {
  for (int32_t i = 0; i < Wsf_count(m); ++i)
    if (!isNumeric(Wsf_element(m, i))) return Wsf_element(m, i);
  return nullptr;
}

// The whole product's fault: factors whose shapes do not chain, then the
// first element of x, then of y, that is no number. Null when there is none.
Value* productFault(Value* result, const Value* x, const Value* y) {
  if (columnsOf(x) != rowsOf(y)) return Wsf_error(result, kErrValue);
  for (const Value* m : {x, y})
    if (const Value* e = firstFault(m)) return Wsf_isError(e) ? Wsf_copy(result, e) : Wsf_error(result, kErrValue);
  return nullptr;
}

// A scalar as a 1 x 1 matrix held in one; any other value as it is.
const Value* asMatrix(const Value* v, WsfLocal* one) {
  if (!isScalar(v) || Val_makeArray(&one->v, 1, 1) != kStatusOk) return v;
  Val_assign(Val_at(&one->v, 0, 0), v);
  return &one->v;
}

}  // namespace

Value* Wsf_mdeterm(Value* result, const Value* a) {
  if (structureHooks(result, a, false)) return result;
  if (a->kind == kValError || a->kind == kValInt || a->kind == kValReal) return Wsf_copy(result, a);
  Square m;
  if (Value* done = load(result, a, &m)) return done;
  DblQuad det = 0;
  if (m.n == 2) {
    det = crossDifference(m);
  } else if (decompose(&m)) {
    det = m.parity;
    for (int32_t i = 1; i <= m.n; ++i) det *= m.rows[i][i];
  }
  if (det != 0) return Wsf_finite(result, static_cast<double>(det));
  // A singular matrix's determinant is the whole number 0.
  Val_clear(result);
  return Val_setInt(result, 0);
}

Value* Wsf_minverse(Value* result, const Value* a) {
  if (structureHooks(result, a, true)) return result;
  if (a->kind == kValError) return Wsf_copy(result, a);
  // The inverse is an array even of one element, as the worksheet's is.
  WsfLocal one(result->context);
  Square m;
  if (Value* done = load(result, asMatrix(a, &one), &m)) return done;
  const DblQuad det = m.n == 2 ? crossDifference(m) : 0;
  if (m.n == 2 ? det == 0 : !decompose(&m)) return Wsf_error(result, kErrNum);
  Val_clear(result);
  if (Val_makeArray(result, static_cast<int32_t>(m.n), static_cast<int32_t>(m.n)) != kStatusOk) return result;
  if (m.n == 2) {
    // The adjugate over the determinant.
    for (int32_t i = 1; i <= 2; ++i)
      for (int32_t j = 1; j <= 2; ++j) {
        const DblQuad cofactor = (i == j ? 1 : -1) * m.cells[3 - j][3 - i];
        Val_setNumber(Val_at(result, i - 1, j - 1), static_cast<double>(cofactor / det));
      }
    return result;
  }
  std::vector<DblQuad> e(m.n + 1);
  for (int32_t j = 1; j <= m.n; ++j) {
    std::fill(e.begin(), e.end(), 0.0);
    e[j] = 1;
    Dense_luBackSubstitute(m.rows.data(), m.n, m.permutation.data(), e.data());
    for (int32_t i = 1; i <= m.n; ++i) Val_setNumber(Val_at(result, i - 1, j - 1), static_cast<double>(e[i]));
  }
  return result;
}

Value* Wsf_mmult(Value* result, const Value* a, const Value* b) {
  if (Value* done = productFault(result, a, b)) return done;
  const Value* x = a;
  const Value* y = b;
  // The product is an array even of one element, as the worksheet's is.
  WsfLocal xOne(result->context), yOne(result->context);
  x = asMatrix(x, &xOne);
  y = asMatrix(y, &yOne);
  if (x->kind != kValArray || y->kind != kValArray || x->array->columns != y->array->rows)
    return Wsf_error(result, kErrValue);
  const int32_t rows = x->array->rows, columns = y->array->columns, inner = x->array->columns;
  Value product = Val_empty(result->context);
  if (Val_makeArray(&product, static_cast<int32_t>(rows), static_cast<int32_t>(columns)) != kStatusOk) {
    Val_clear(&product);
    return Wsf_error(result, kErrValue);
  }
  // Rows and columns of plain numbers multiply in doubles, unless additions
  // are being checked for their scaling.
  const bool checked = result->context && result->context->flags.scalingCheck == 1;
  const std::vector<char> plainRows = plainLines(x, false), plainColumns = plainLines(y, true);
  const std::vector<double> xNumbers = numbersOf(x), yNumbers = numbersOf(y);
  std::vector<double> sums(static_cast<size_t>(columns));
  // An element over plain numbers that stays finite is done in doubles; any
  // other goes through the generic path, which says how it fails.
  for (int32_t i = 0; i < rows; ++i) {
    const bool plain = !checked && plainRows[static_cast<size_t>(i)];
    if (plain)
      plainRow(&xNumbers[static_cast<size_t>(i) * static_cast<size_t>(inner)], yNumbers.data(), inner, columns,
               sums.data());
    for (int32_t j = 0; j < columns; ++j) {
      Value* cell = Val_at(&product, i, j);
      const double sum = sums[static_cast<size_t>(j)];
      if (plain && plainColumns[static_cast<size_t>(j)] && std::isfinite(sum)) Val_setNumber(cell, sum);
      else genericElement(x, y, i, j, cell);
    }
  }
  Val_clear(result);
  *result = product;
  return result;
}
