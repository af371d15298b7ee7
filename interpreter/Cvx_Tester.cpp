// The convexity tester: curvature classes over boxes, spectral tests on
// interval Hessians, box contraction by interval propagation and the bounds
// of the linearisation's helpers.
#include "interpreter/Cvx_Tester.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "arithmetic/interval/Ivl_Arith.h"
#include "interpreter/Eval_Entries.h"
#include "interpreter/Model_Structure.h"
#include "interpreter/Prog_Program.h"
#include "interpreter/Vm_Machine.h"
#include "values/IvGrad_Payload.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"
#include "worksheet/kernels/Mat_Dense.h"

namespace {

constexpr int kContractionPasses = 4;
constexpr int kSquaringSteps = 50;
constexpr uint32_t kSampleSeed = 20261207;
// Big-M constants: a row without big-M term evaluates with M = 0; the
// constant is twice the row's magnitude plus one, at most kBigMLimit.
constexpr double kBigMLimit = 1e10;
constexpr double kUnboundedRange = 3.4e38;

// A square matrix of doubles or intervals with rows and columns 1..n.
template <class T>
struct Square {
  std::vector<T> cells;
  std::vector<T*> rows;
  explicit Square(int32_t n)
      : cells(static_cast<size_t>(n + 1) * static_cast<size_t>(n + 1), T{}), rows(static_cast<size_t>(n + 1)) {
    for (int32_t r = 0; r <= n; ++r) rows[static_cast<size_t>(r)] = &cells[static_cast<size_t>(r) * (n + 1)];
  }
  T** data() { return rows.data(); }
};
using IvlMatrix = Square<Interval>;
using RealMatrix = Square<double>;

bool isObjective(int32_t relation) { return relation == kRelMinimise || relation == kRelMaximise; }
bool isLimit(int32_t relation) { return relation == kRelEqual || (relation >= kRelLessEqual && relation <= kRelGreaterEqual2); }

int32_t variableCount(const ConvexityTester* t) { return Model_variableCount(t->variables); }

Interval boundsOf(ConvexityTester* t, int32_t j) { return Model_getVariable(t->variables, j)->bounds; }

void setValues(ConvexityTester* t, const std::vector<Interval>& box) {
  for (int32_t j = 1; j <= variableCount(t); ++j) Model_getVariable(t->variables, j)->value = box[static_cast<size_t>(j)];
}

// I + sign * H / s, each quotient rounded outward.
void shiftedScaled(int32_t n, Interval* const* h, double s, double sign, Interval** m) {
  for (int32_t r = 1; r <= n; ++r)
    for (int32_t c = 1; c <= n; ++c) {
      const Interval q = Ivl_divVS(h[r][c], s);
      m[r][c] = sign > 0 ? q : Ivl_neg(q);
      if (r == c) m[r][c] = Ivl_addSV(1.0, m[r][c]);
    }
}

// A point of the box: inside a finite box, a unit step from a finite end,
// or within (0, 1] on the whole line.
double samplePoint(RndStream& random, const Interval& x) {
  const double r = Rnd_uniform(random);
  const bool lo = std::isfinite(x.lo), hi = std::isfinite(x.hi);
  if (lo && hi) return std::min(x.hi, x.lo + (x.hi - x.lo) * r);
  if (lo) return x.lo + r;
  if (hi) return x.hi - r;
  return r;
}

// Whether a row's value g (left side less right side) satisfies it.
bool rowHolds(int32_t relation, double g) {
  switch (relation) {
    case kRelEqual: return g == 0.0;
    case kRelLessEqual:
    case kRelLessEqual2: return g <= 0.0;
    case kRelGreaterEqual:
    case kRelGreaterEqual2: return g >= 0.0;
    default: return true;
  }
}

// Whether every row other than the objective holds at the variables' values.
bool pointFeasible(ConvexityTester* t) {
  const FunctionTable* f = t->functions;
  for (size_t i = 0; i < f->array.size(); ++i) {
    const ModelItem* item = f->array[i];
    if (isObjective(item->relation)) continue;
    double g = 0.0;
    if (!Eval_evalReal(t->program, static_cast<int32_t>(i), true, &g, true) || !rowHolds(item->relation, g)) return false;
  }
  return true;
}

// The objective cut: the box's points at which the objective is at most
// (minimise) or at least (maximise) its value at a sampled point that
// satisfies every row. False when no such point was drawn.
bool objectiveCut(ConvexityTester* t, int32_t i, const std::vector<Interval>& box, int32_t* relation, double* level) {
  std::vector<Interval> point(box.size());
  for (size_t j = 1; j < box.size(); ++j) {
    const double x = samplePoint(t->random, box[j]);
    point[j] = Interval{x, x};
  }
  setValues(t, point);
  const bool ok = pointFeasible(t) && Eval_evalReal(t->program, i, true, level, false);
  setValues(t, box);
  *relation = t->functions->array[static_cast<size_t>(i)]->relation == kRelMinimise ? kRelLessEqual
                                                                                       : kRelGreaterEqual;
  return ok;
}

enum class Propagation { kFailed, kInfeasible, kDone };

// One row propagated over box; *narrowed when some variable's box shrank.
Propagation propagate(ConvexityTester* t, int32_t i, int32_t relation, double rhs, std::vector<Interval>* box,
                      bool* narrowed, bool* touching) {
  setValues(t, *box);
  const std::vector<Interval> before = *box;
  Interval range{};
  if (!Eval_evalIvProp(t->program, i, relation, rhs, box->data(), false, &range))
    return t->context->errors.firstError == kStatusUnfeasibleArgument ? Propagation::kInfeasible : Propagation::kFailed;
  const bool equality = relation == kRelEqual;
  if (equality ? !Ivl_contains(range, 0.0) : range.lo > 0.0) return Propagation::kInfeasible;
  if (Ivl_contains(range, 0.0)) *touching = true;
  for (size_t j = 1; j < box->size(); ++j)
    if ((*box)[j].lo > before[j].lo || (*box)[j].hi < before[j].hi) *narrowed = true;
  return Propagation::kDone;
}

}  // namespace

ConvexityTester* Cvx_create(EvalContext* ctx, Program* program) {
  auto* t = new (std::nothrow) ConvexityTester{ctx->tables.functions, ctx->tables.variables, program, ctx, {}, {}};
  if (!t) return nullptr;
  Rnd_seed(t->random, kSampleSeed);
  ctx->tables.convexityTester = t;
  return t;
}

void Cvx_destroy(ConvexityTester* tester) {
  if (!tester) return;
  if (tester->context && tester->context->tables.convexityTester == tester)
    tester->context->tables.convexityTester = nullptr;
  delete tester;
}

bool Cvx_testFunction(ConvexityTester* t, int32_t i, bool reset, int32_t* curvClass, bool useReplay) {
  EvalContext* ctx = t->context;
  const ModelItem* item = t->functions->array[static_cast<size_t>(i)];
  const int32_t n = variableCount(t);
  const int32_t nv = ctx->flags.compactDerivatives == 1 ? static_cast<int32_t>(item->variables.size()) : n;
  if (nv == 0) return true;
  for (int32_t j = 1; j <= n; ++j)
    Model_getVariable(t->variables, j)->value = t->box.empty() ? boundsOf(t, j) : t->box[static_cast<size_t>(j)];
  const int32_t savedCurvature = ctx->flags.curvature;
  ctx->flags.curvature = 1;
  Interval value{};
  std::vector<Interval> gradient(static_cast<size_t>(nv) + 1);
  int32_t cls = kCurvUnknown;
  const bool ran = Eval_evalIvGrad(t->program, i, reset, &value, gradient.data(), &cls, false, false);
  ctx->flags.curvature = savedCurvature;
  if (!ran) {
    if (ctx->errors.firstError == kStatusOverflow) *curvClass = kCurvUnknown;
    else if (ctx->errors.firstError == kStatusDivisionByZero) *curvClass = kCurvIndefinite;
    else return false;
    return true;
  }
  if (cls == kCurvUnknown) {
    IvlMatrix h(nv);
    const bool hessian = useReplay
                             ? Eval_evalIvHessTape(t->program, i, true, &value, gradient.data(), h.data(), false, false)
                             : Eval_evalIvHess(t->program, i, true, &value, gradient.data(), h.data(), false, false);
    if (hessian) {
      cls = Cvx_classifyIvHessian(nv, h.data());
      if (cls == kCurvUnknown && Cvx_isPsdEigenBound(nv, h.data())) cls = kCurvStrictlyConvex;
    }
  }
  *curvClass = cls;
  return true;
}

int32_t Cvx_classifyIvHessian(int32_t n, Interval* const* h) {
  bool neg = false, pos = false;
  for (int32_t k = 1; k <= n; ++k) {
    neg = neg || h[k][k].hi < 0.0;
    pos = pos || h[k][k].lo > 0.0;
  }
  if (neg && pos) return kCurvIndefinite;
  const double s = Mat_norm1Ivl(n, h);
  if (s == 0.0) return kCurvAffine;
  if (!std::isfinite(s)) return kCurvUnknown;
  IvlMatrix m(n);
  bool answer = false;
  if (!neg) {
    shiftedScaled(n, h, s, -1.0, m.data());
    if (Cvx_isDefiniteByNorms(n, m.data(), &answer)) {
      if (answer) return kCurvStrictlyConvex;
      neg = true;
    }
  }
  if (!pos) {
    shiftedScaled(n, h, s, 1.0, m.data());
    if (Cvx_isDefiniteByNorms(n, m.data(), &answer)) {
      if (answer) return kCurvStrictlyConcave;
      pos = true;
    }
  }
  return neg && pos ? kCurvIndefinite : kCurvUnknown;
}

bool Cvx_isDefiniteByNorms(int32_t n, Interval** m, bool* answer) {
  IvlMatrix square(n);
  Interval** p = m;
  Interval** q = square.data();
  for (int step = 0; step < kSquaringSteps; ++step) {
    const Interval trace = Mat_traceIvl(n, p);
    const double smallest = Ivl_contains(trace, 0.0) ? 0.0 : std::min(std::fabs(trace.lo), std::fabs(trace.hi));
    if (smallest >= n) {
      *answer = false;
      return true;
    }
    const double norm1 = Mat_norm1Ivl(n, p), frobenius = Mat_normFrobeniusIvl(n, p);
    if (norm1 <= 1.0 || frobenius <= 1.0) {
      *answer = true;
      return true;
    }
    if (!std::isfinite(norm1) || !std::isfinite(frobenius)) return false;
    Mat_mulIvl(n, p, p, q);
    std::swap(p, q);
  }
  return false;
}

bool Cvx_isPsdEigenBound(int32_t n, Interval* const* h) {
  RealMatrix c(n), r(n);
  for (int32_t i = 1; i <= n; ++i)
    for (int32_t j = 1; j <= n; ++j) {
      c.data()[i][j] = 0.5 * h[i][j].lo + 0.5 * h[i][j].hi;
      r.data()[i][j] = 0.5 * h[i][j].hi - 0.5 * h[i][j].lo;
    }
  double lambda = 0.0, mu = 0.0, rho = 0.0;
  if (!Mat_powerIteration(n, c.data(), &lambda, nullptr) || !(lambda >= 0.0)) return false;
  RealMatrix shifted(n);
  std::copy(c.cells.begin(), c.cells.end(), shifted.cells.begin());
  for (int32_t i = 1; i <= n; ++i) shifted.data()[i][i] -= lambda;
  if (!Mat_powerIteration(n, shifted.data(), &mu, nullptr)) return false;
  const double lambdaMin = mu + lambda;
  if (!(lambdaMin >= 0.0) || !Mat_powerIteration(n, r.data(), &rho, nullptr) || !(std::fabs(rho) < lambdaMin))
    return false;
  // The power iteration only estimates; a Cholesky factorisation of the
  // midpoint less a safe bound on every member's deviation (the smaller of
  // the radius's 1-norm and Frobenius norm, widened for rounding) confirms.
  double norm1 = 0.0, frobenius = 0.0;
  for (int32_t j = 1; j <= n; ++j) {
    double column = 0.0;
    for (int32_t i = 1; i <= n; ++i) {
      column += r.data()[i][j];
      frobenius += r.data()[i][j] * r.data()[i][j];
    }
    norm1 = std::max(norm1, column);
  }
  const double deviation = std::min(norm1, std::sqrt(frobenius)) * (1.0 + 1e-12) + 1e-300;
  for (int32_t i = 1; i <= n; ++i) c.data()[i][i] -= deviation;
  return Mat_cholesky(c.data(), n);
}

bool Cvx_contractBox(ConvexityTester* t, bool* feasible, bool* touching) {
  EvalContext* ctx = t->context;
  const int32_t n = variableCount(t);
  const FunctionTable* f = t->functions;
  const size_t m = f->array.size();
  std::vector<Interval> rows(static_cast<size_t>(n) + 1);
  for (int32_t j = 1; j <= n; ++j) rows[static_cast<size_t>(j)] = boundsOf(t, j);
  std::vector<Interval> tests = rows;
  std::vector<bool> active(m, true);
  *feasible = true;
  *touching = false;
  bool errors = false;
  for (int pass = 0; pass < kContractionPasses && *feasible; ++pass) {
    for (size_t i = 0; i < m && *feasible; ++i) {
      if (!active[i]) continue;
      const ModelItem* item = f->array[i];
      const int32_t fi = static_cast<int32_t>(i);
      bool narrowed = false;
      Propagation result = Propagation::kDone;
      if (!isObjective(item->relation) && !isLimit(item->relation)) {
        active[i] = false;  // a row without limits narrows nothing
        continue;
      }
      if (isObjective(item->relation)) {
        int32_t relation = 0;
        double level = 0.0;
        if (!objectiveCut(t, fi, tests, &relation, &level)) continue;
        result = propagate(t, fi, relation, level, &tests, &narrowed, touching);
      } else {
        // Rows narrow the bounds; the tests' box follows them.
        result = propagate(t, fi, item->relation, item->rhs, &rows, &narrowed, touching);
        if (result == Propagation::kDone) {
          for (size_t j = 1; j < tests.size(); ++j)
            if (Ivl_intersects(tests[j], rows[j])) tests[j] = Ivl_intersect(tests[j], rows[j]);
          bool alsoNarrowed = false;
          result = propagate(t, fi, item->relation, item->rhs, &tests, &alsoNarrowed, touching);
        }
      }
      if (result == Propagation::kInfeasible) *feasible = false;
      errors = errors || result == Propagation::kFailed;
      active[i] = result == Propagation::kFailed || narrowed;
    }
  }
  for (int32_t j = 1; j <= n; ++j) {
    VarRecord* v = Model_getVariable(t->variables, j);
    v->bounds = rows[static_cast<size_t>(j)];
    v->value = tests[static_cast<size_t>(j)];
  }
  t->box = tests;
  if (errors || ctx->errors.errorCount > 0) *touching = true;
  Vm_clearErrors(&ctx->errors);
  return true;
}

bool Cvx_boundHelpers(ConvexityTester* t) {
  EvalContext* ctx = t->context;
  const int32_t n = variableCount(t);
  auto isHelper = [&](const VarRecord* v) { return v->type == kVarContinuous && v->link != 0; };
  for (int32_t j = 1; j <= n; ++j) {
    VarRecord* v = Model_getVariable(t->variables, j);
    v->value = isHelper(v) ? Interval{0.0, 0.0} : v->bounds;
  }
  const FunctionTable* f = t->functions;
  for (const ModelItem* item : f->array)
    if (item->generated && item->bigM) Val_setInt(&item->bigM->value, 0);
  // The first pass grows every helper over all its rows; only then does a
  // row's range, and with it its big-M constant, cover every value its
  // helpers can take (a row tying y to x1 must stay slack while y takes x2).
  bool setBigM = false;
  for (int pass = 0; pass < 2; ++pass) {
    for (size_t i = 0; i < f->array.size(); ++i) {
      const ModelItem* item = f->array[i];
      if (!item->generated) continue;
      Interval range{};
      if (!Eval_evalInterval(t->program, static_cast<int32_t>(i), true, &range, false) || !Ivl_isFinite(range)) {
        Vm_clearErrors(&ctx->errors);
        range = Interval{-kUnboundedRange, kUnboundedRange};
      }
      if (pass == 1 && item->bigM) {
        const double magnitude = std::max(std::fabs(range.lo), std::fabs(range.hi));
        const double bigM = magnitude <= 0.0 ? kBigMLimit : std::min(2.0 * (magnitude + 1.0), kBigMLimit);
        Val_setNumber(&item->bigM->value, bigM);
        setBigM = true;
      }
      for (int32_t j : item->variables) {
        VarRecord* v = Model_getVariable(t->variables, j);
        if (!isHelper(v)) continue;
        const bool unset = v->value.lo == 0.0 && v->value.hi == 0.0;
        const bool zeroRange = range.lo == 0.0 && range.hi == 0.0;
        v->value = unset && !zeroRange ? range : Ivl_hull(range, v->value);
      }
    }
  }
  for (int32_t j = 1; j <= n; ++j) {
    VarRecord* v = Model_getVariable(t->variables, j);
    if (isHelper(v)) v->bounds = Interval{v->value.lo - 1.0, v->value.hi + 1.0};
  }
  return setBigM;
}
