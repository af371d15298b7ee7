// The worksheet functions in the evaluation modes against their own plain
// values at random points: gradients and Hessians agree with central
// differences, interval results enclose the values at points of their box,
// and a sample vector holds the plain value of each trial.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <random>
#include <vector>

#include "arithmetic/affine/Aff_Ops.h"
#include "tests/support/TestValues.h"
#include "values/Aff_Payload.h"
#include "values/DegVec_Payload.h"
#include "values/Grad_Payload.h"
#include "values/Hess_Payload.h"
#include "values/IvGrad_Payload.h"
#include "values/Smp_Payload.h"
#include "values/Vm_Context.h"
#include "worksheet/Wsf_Registry.h"

namespace {

constexpr int kMaxArgs = 9;
constexpr int kPoints = 4;
constexpr int kTrials = 6;

// A function id with its argument count and, per argument, the range its
// random points come from (inside the domain, away from kinks); an argument
// whose range is one number stays that plain number in every mode (a
// cumulative flag, a count).
struct Fn {
  const char* name;
  int32_t id;
  int arity;
  double lo[kMaxArgs], hi[kMaxArgs];
};

const Fn kFunctions[] = {
    {"abs", 1, 1, {-2}, {-0.2}},
    {"acos", 2, 1, {-0.9}, {0.9}},
    {"acosh", 3, 1, {1.2}, {3}},
    {"asin", 4, 1, {-0.9}, {0.9}},
    {"asinh", 5, 1, {-2}, {2}},
    {"atan", 6, 1, {-2}, {2}},
    {"atan2", 7, 2, {-2, 0.2}, {-0.3, 2}},
    {"atanh", 8, 1, {-0.9}, {0.9}},
    {"cos", 11, 1, {-2}, {2}},
    {"cosh", 12, 1, {-2}, {2}},
    {"degrees", 14, 1, {-2}, {2}},
    {"exp", 16, 1, {-2}, {2}},
    {"ln", 23, 1, {0.3}, {3}},
    {"log", 24, 2, {0.3, 1.5}, {3, 4}},
    {"log10", 25, 1, {0.3}, {3}},
    {"radians", 37, 1, {-2}, {2}},
    {"sign", 45, 1, {0.2}, {2}},
    {"sin", 46, 1, {-2}, {2}},
    {"sinh", 47, 1, {-2}, {2}},
    {"sqrt", 48, 1, {0.3}, {3}},
    {"sqrtpi", 49, 1, {0.3}, {3}},
    {"tan", 58, 1, {-1}, {1}},
    {"tanh", 59, 1, {-2}, {2}},
    {"power", 34, 2, {0.5, 0.5}, {2, 2}},
    {"mmult", 28, 2, {-2, -2}, {2, 2}},
    {"product", 35, 2, {-2, -2}, {2, 2}},
    {"sum", 51, 2, {-2, -2}, {2, 2}},
    {"sumproduct", 53, 2, {-2, -2}, {2, 2}},
    {"sumsq", 54, 2, {-2, -2}, {2, 2}},
    {"dotproduct", 61, 2, {-2, -2}, {2, 2}},
    {"quadproduct", 62, 3, {-2, -2, -2}, {2, 2, 2}},
    {"quadterm", 63, 3, {-2, -2, -2}, {2, 2, 2}},
    {"gexp", 81, 4, {-1, -1, -1, -1}, {1, 1, 1, 1}},
    {"lx", 82, 1, {0.2}, {0.8}},
    {"poly3", 83, 5, {-2, -2, -2, -2, -2}, {2, 2, 2, 2, 2}},
    {"max", 939, 2, {0, 2}, {1, 3}},
    {"min", 942, 2, {0, 2}, {1, 3}},
    {"seriessum", 44, 4, {0.5, 1, 1, -2}, {2, 2, 2, 2}},
    {"sumx2my2", 55, 2, {-2, -2}, {2, 2}},
    {"sumx2py2", 56, 2, {-2, -2}, {2, 2}},
    {"sumxmy2", 57, 2, {-2, -2}, {2, 2}},
    {"skew", 959, 3, {0, 2, 5}, {1, 3, 6}},
    {"stdev", 963, 2, {0, 2}, {1, 3}},
    {"stdevp", 965, 2, {0, 2}, {1, 3}},
    {"var", 973, 2, {-2, -2}, {2, 2}},
    {"varp", 975, 2, {-2, -2}, {2, 2}},
    {"average", 902, 3, {-2, 0, 1}, {2, 1, 3}},
    {"averagea", 903, 2, {-2, -2}, {2, 2}},
    {"avedev", 901, 3, {0, 2, 5}, {1, 2.3, 6}},
    {"devsq", 916, 3, {-2, 0, 1}, {2, 1, 3}},
    {"geomean", 928, 3, {0.5, 1, 2}, {1, 2, 4}},
    {"harmean", 930, 3, {0.5, 1, 2}, {1, 2, 4}},
    {"kurt", 933, 4, {0, 1.5, 3, 7}, {1, 2.5, 4, 9}},
    {"expondist", 917, 3, {0.2, 0.5, 1}, {2, 2, 1}},
    {"expondist density", 917, 3, {0.2, 0.5, 0}, {2, 2, 0}},
    {"fisher", 920, 1, {-0.8}, {0.8}},
    {"fisherinv", 921, 1, {-2}, {2}},
    {"loginv", 937, 3, {0.3, -1, 0.5}, {0.3, 1, 2}},
    {"negbinomdist", 945, 3, {3, 2, 0.2}, {3, 2, 0.8}},
    {"poisson", 954, 3, {4, 0.5, 1}, {4, 6, 1}},
    {"poisson term", 954, 3, {3, 0.5, 0}, {3, 6, 0}},
    {"standardize", 962, 3, {-2, -1, 0.5}, {2, 1, 2}},
    {"weibull", 977, 4, {0.3, 0.7, 0.5, 1}, {3, 3, 2, 1}},
    {"weibull density", 977, 4, {0.3, 0.7, 0.5, 0}, {3, 3, 2, 0}},
    {"pv", 539, 5, {0.01, 5, -200, -1000, 0}, {0.1, 20, -50, 1000, 0}},
    {"pv start", 539, 5, {0.01, 5, -200, -1000, 1}, {0.1, 20, -50, 1000, 1}},
    {"fv", 520, 5, {0.01, 5, -200, 500, 0}, {0.1, 20, -50, 3000, 0}},
    {"fv start", 520, 5, {0.01, 5, -200, 500, 1}, {0.1, 20, -50, 3000, 1}},
    {"pmt", 534, 5, {0.01, 5, 1000, -500, 0}, {0.1, 20, 5000, 500, 0}},
    {"pmt start", 534, 5, {0.01, 5, 1000, -500, 1}, {0.1, 20, 5000, 500, 1}},
    {"nper", 528, 5, {0.01, -300, 1000, -500, 0}, {0.05, -200, 2000, 0, 0}},
    {"nper start", 528, 5, {0.01, -300, 1000, -500, 1}, {0.05, -200, 2000, 0, 1}},
    {"ipmt", 523, 6, {0.01, 3, 12, 1000, -500, 0}, {0.1, 3, 12, 5000, 500, 0}},
    {"ipmt start", 523, 6, {0.01, 3, 12, 1000, -500, 1}, {0.1, 3, 12, 5000, 500, 1}},
    {"ppmt", 535, 6, {0.01, 3, 12, 1000, -500, 0}, {0.1, 3, 12, 5000, 500, 0}},
    {"ppmt start", 535, 6, {0.01, 3, 12, 1000, -500, 1}, {0.1, 3, 12, 5000, 500, 1}},
    {"cumipmt", 511, 6, {0.01, 24, 1000, 4, 9, 0}, {0.1, 24, 5000, 4, 9, 0}},
    {"cumprinc start", 512, 6, {0.01, 24, 1000, 4, 9, 1}, {0.1, 24, 5000, 4, 9, 1}},
    {"npv", 529, 3, {0.01, -500, 100}, {0.2, 500, 900}},
    {"fvschedule", 521, 2, {500, -0.5}, {1500, 0.5}},
    {"effect", 519, 2, {0.01, 4}, {0.3, 4}},
    {"nominal", 527, 2, {0.01, 12}, {0.3, 12}},
    {"sln", 542, 3, {1000, 0, 3}, {5000, 900, 12}},
    {"syd", 543, 4, {1000, 0, 10, 3}, {5000, 900, 10, 3}},
    {"db", 513, 5, {1000, 50, 6, 3, 7}, {5000, 900, 6, 3, 7}},
    {"price", 536, 7, {39000, 40983, 0.02, 0.01, 90, 2, 0}, {39000, 40983, 0.08, 0.09, 110, 2, 0}},
    {"price one period", 536, 7, {40900, 40983, 0.02, 0.01, 90, 4, 1}, {40900, 40983, 0.08, 0.09, 110, 4, 1}},
    {"duration", 518, 6, {39000, 40983, 0.02, 0.01, 2, 1}, {39000, 40983, 0.08, 0.09, 2, 1}},
    {"mduration", 525, 6, {39000, 40983, 0.02, 0.01, 4, 0}, {39000, 40983, 0.08, 0.09, 4, 0}},
    {"accrint", 501, 7, {38991, 39278, 40000, 0.02, 500, 2, 0}, {38991, 39278, 40000, 0.08, 2000, 2, 0}},
    {"accrintm", 502, 5, {38991, 40000, 0.02, 500, 1}, {38991, 40000, 0.08, 2000, 1}},
    {"disc", 515, 5, {39000, 39300, 90, 100, 3}, {39000, 39300, 99, 110, 3}},
    {"intrate", 522, 5, {39000, 39300, 90, 100, 1}, {39000, 39300, 99, 110, 1}},
    {"pricedisc", 537, 5, {39000, 39300, 0.01, 90, 2}, {39000, 39300, 0.1, 110, 2}},
    {"received", 541, 5, {39000, 39300, 900, 0.01, 0}, {39000, 39300, 1100, 0.1, 0}},
    {"yielddisc", 551, 5, {39000, 39300, 90, 100, 4}, {39000, 39300, 99, 110, 4}},
    {"pricemat", 538, 6, {39300, 39600, 39000, 0.02, 0.01, 0}, {39300, 39600, 39000, 0.08, 0.09, 0}},
    {"yieldmat", 552, 6, {39300, 39600, 39000, 0.02, 95, 1}, {39300, 39600, 39000, 0.08, 105, 1}},
    {"tbilleq", 544, 3, {39000, 39100, 0.01}, {39000, 39100, 0.1}},
    {"tbilleq beyond half a year", 544, 3, {39000, 39250, 0.01}, {39000, 39250, 0.1}},
    {"tbillprice", 545, 3, {39000, 39100, 0.01}, {39000, 39100, 0.1}},
    {"tbillyield", 546, 3, {39000, 39100, 90}, {39000, 39100, 99}},
    {"oddfprice",
     530,
     9,
     {39022, 40923, 38991, 39278, 0.02, 0.01, 90, 2, 0},
     {39022, 40923, 38991, 39278, 0.08, 0.09, 110, 2, 0}},
    {"oddlprice", 532, 8, {38883, 39071, 38732, 0.02, 0.01, 90, 2, 1}, {38883, 39071, 38732, 0.08, 0.09, 110, 2, 1}},
    {"normdist density", 946, 4, {-2, -1, 0.5, 0}, {2, 1, 2, 0}},
};

// Functions that carry derivatives at a point and sample vectors but no
// interval modes: the normal law and its inverse, and the rates found as
// roots (the period count and type stay plain).
const Fn kPointFunctions[] = {
    {"normdist", 946, 4, {-2, -1, 0.5, 1}, {2, 1, 2, 1}},
    {"normsdist", 948, 1, {-3}, {3}},
    {"normsdist far tail", 948, 1, {-9}, {-7}},
    {"norminv", 947, 3, {0.05, -1, 0.5}, {0.95, 1, 2}},
    {"normsinv", 949, 1, {0.01}, {0.99}},
    {"lognormdist", 938, 3, {0.3, -1, 0.5}, {3, 1, 2}},
    {"rate", 540, 5, {4, -400, 1000, -100, 0}, {4, -300, 1200, 100, 0}},
    {"rate start", 540, 5, {12, -120, 1000, 0, 1}, {12, -100, 1100, 0, 1}},
};

// Every function with derivatives at a point.
std::vector<Fn> pointFunctions() {
  std::vector<Fn> all(std::begin(kFunctions), std::end(kFunctions));
  all.insert(all.end(), std::begin(kPointFunctions), std::end(kPointFunctions));
  return all;
}

// An argument that stays a plain number.
bool fixedArg(const Fn& f, int i) { return f.lo[i] == f.hi[i]; }

// A context that allows non-smooth functions (ABS, SIGN, MAX and MIN are
// taken away from their kinks) with result records for n variables.
struct Mode {
  EvalContext* ctx = Vm_createContext();
  std::vector<Value> args;
  explicit Mode(int n, int32_t mode) : args(static_cast<size_t>(n), Val_empty(ctx)) {
    ctx->flags.mode = mode;
    ctx->flags.nonSmoothAllowed = 1;
    Grad_init(ctx->buffers.gradBuffer, n, ctx);
    Hess_init(ctx->buffers.hessBuffer, n, ctx);
    IvGrad_init(ctx->buffers.ivGradBuffer, n, ctx);
    Aff_init(ctx->buffers.affineBuffers[0], n, ctx);
    Aff_init(ctx->buffers.affineBuffers[1], n, ctx);
    Smp_init(ctx->sampling.sampleBuffer, kTrials, ctx);
  }
  ~Mode() {
    for (Value& v : args) Val_clear(&v);
    Vm_destroyContext(ctx);
  }
  const Value* call(int32_t id) {
    std::vector<const Value*> pointers;
    for (const Value& v : args) pointers.push_back(&v);
    Value* r = Wsf_entry(id)(ctx->buffers.result, static_cast<int>(args.size()), pointers.data(), nullptr);
    // MMULT answers an array even of one element: that element is its value.
    return r->kind == kValArray && r->array->rows == 1 && r->array->columns == 1 ? Val_at(r, 0, 0) : r;
  }
};

// The plain value of f at x, NaN when it answers no number.
double plain(const Fn& f, const std::vector<double>& x) {
  Mode m(f.arity, kModeReal);
  for (int i = 0; i < f.arity; ++i) Val_setNumber(&m.args[static_cast<size_t>(i)], x[static_cast<size_t>(i)]);
  const Value* r = m.call(f.id);
  return r->kind == kValInt || r->kind == kValReal ? r->number : NAN;
}

std::vector<double> randomPoint(const Fn& f, std::mt19937& rng) {
  std::vector<double> x;
  for (int i = 0; i < f.arity; ++i) x.push_back(std::uniform_real_distribution<double>(f.lo[i], f.hi[i])(rng));
  return x;
}

double shifted(const Fn& f, std::vector<double> x, int i, double di, int j, double dj) {
  x[static_cast<size_t>(i)] += di;
  x[static_cast<size_t>(j)] += dj;
  return plain(f, x);
}

bool near(double got, double want, double tolerance) {
  return std::fabs(got - want) <= tolerance * std::max(1.0, std::fabs(want));
}

TEST(WorksheetModes, GradientsAndHessiansAgreeWithCentralDifferences) {
  std::mt19937 rng(26);
  for (const Fn& f : pointFunctions()) {
    for (int p = 0; p < kPoints; ++p) {
      const std::vector<double> x = randomPoint(f, rng);
      const double v = plain(f, x);
      ASSERT_TRUE(std::isfinite(v)) << f.name;
      Mode grad(f.arity, kModeGrad), hess(f.arity, kModeHess);
      for (int i = 0; i < f.arity; ++i) {
        if (fixedArg(f, i)) {
          Val_setNumber(&grad.args[static_cast<size_t>(i)], x[static_cast<size_t>(i)]);
          Val_setNumber(&hess.args[static_cast<size_t>(i)], x[static_cast<size_t>(i)]);
          continue;
        }
        GradValue g{};
        Grad_init(&g, f.arity, grad.ctx);
        Grad_setVar(&g, x[static_cast<size_t>(i)], i + 1);
        Val_setGrad(&grad.args[static_cast<size_t>(i)], &g);
        Grad_free(&g);
        HessValue h{};
        Hess_init(&h, f.arity, hess.ctx);
        Hess_setVar(&h, x[static_cast<size_t>(i)], i + 1);
        Val_setHess(&hess.args[static_cast<size_t>(i)], &h);
        Hess_free(&h);
      }
      const Value* rg = grad.call(f.id);
      const Value* rh = hess.call(f.id);
      ASSERT_EQ(rg->kind, kValGrad) << f.name;
      ASSERT_EQ(rh->kind, kValHess) << f.name;
      const auto* gv = static_cast<const GradValue*>(rg->payload);
      const auto* hv = static_cast<const HessValue*>(rh->payload);
      EXPECT_TRUE(near(gv->value, v, 1e-12) && near(hv->value, v, 1e-12)) << f.name;
      const double h1 = 1e-6, h2 = 1e-4;
      for (int i = 0; i < f.arity; ++i) {
        if (fixedArg(f, i)) continue;
        const double d = (shifted(f, x, i, h1, i, 0) - shifted(f, x, i, -h1, i, 0)) / (2 * h1);
        EXPECT_TRUE(near(gv->gradient[i + 1], d, 1e-6)) << f.name << " d/dx" << i + 1;
        EXPECT_TRUE(near(hv->gradient[i + 1], d, 1e-6)) << f.name << " Hessian mode d/dx" << i + 1;
        for (int j = 0; j < f.arity; ++j) {
          if (fixedArg(f, j)) continue;
          const double dd = (shifted(f, x, i, h2, j, h2) - shifted(f, x, i, h2, j, -h2) -
                             shifted(f, x, i, -h2, j, h2) + shifted(f, x, i, -h2, j, -h2)) /
                            (4 * h2 * h2);
          EXPECT_TRUE(near(hv->hessian[i + 1][j + 1], dd, 1e-4)) << f.name << " H" << i + 1 << j + 1;
        }
      }
    }
  }
}

// A matrix product whose left matrix holds one variable among plain numbers:
// in gradient mode each element of the variable's row is its sum term by
// term in order, with the variable's column of the right matrix as its
// derivative; in the dependency mode that row is linear in the variable and
// counts one step per product with the variable and per addition, the rows
// of plain numbers none.
TEST(WorksheetModes, MatrixProductOverAVariableAmongNumbers) {
  const double x[2][3] = {{0.7, 2, 1.0 / 3}, {3, 0.1, 5}}, y[3][2] = {{0.3, 4}, {1.0 / 7, 0.2}, {6, 0.9}};
  for (const int32_t mode : {kModeGrad, kModeDegVec}) {
    Mode m(2, mode);
    Val_makeArray(&m.args[0], 2, 3);
    Val_makeArray(&m.args[1], 3, 2);
    for (int i = 0; i < 2; ++i)
      for (int k = 0; k < 3; ++k) Val_setNumber(Val_at(&m.args[0], i, k), x[i][k]);
    for (int k = 0; k < 3; ++k)
      for (int j = 0; j < 2; ++j) Val_setNumber(Val_at(&m.args[1], k, j), y[k][j]);
    GradValue g{};
    DegVec d{};
    if (mode == kModeGrad) {
      Grad_init(&g, 1, m.ctx);
      Grad_setVar(&g, x[0][0], 1);
      Val_setGrad(Val_at(&m.args[0], 0, 0), &g);
      Grad_free(&g);
    } else {
      DegVec_init(&d, 1);
      DegVec_setVar(&d, 1);
      Val_setDegVec(Val_at(&m.args[0], 0, 0), &d);
      DegVec_free(&d);
    }
    m.ctx->buffers.tapeCount = 0;
    const Value* r = m.call(28);
    ASSERT_EQ(r->kind, kValArray);
    for (int i = 0; i < 2; ++i)
      for (int j = 0; j < 2; ++j) {
        double sum = 0.0;
        for (int k = 0; k < 3; ++k) sum = sum + x[i][k] * y[k][j];
        const Value* e = Val_at(r, i, j);
        if (i == 1) {
          EXPECT_EQ(e->number, sum) << j;
        } else if (mode == kModeGrad) {
          ASSERT_EQ(e->kind, kValGrad);
          EXPECT_EQ(static_cast<const GradValue*>(e->payload)->value, sum) << j;
          EXPECT_EQ(static_cast<const GradValue*>(e->payload)->gradient[1], y[0][j]) << j;
        } else {
          ASSERT_EQ(e->kind, kValDegVec);
          EXPECT_EQ(static_cast<const DegVec*>(e->payload)->classes[1], kDegLinear) << j;
        }
      }
    if (mode == kModeDegVec) {
      EXPECT_EQ(m.ctx->buffers.tapeCount, 2 * (1 + 3));
    }
  }
}

TEST(WorksheetModes, IntervalResultsEncloseThePlainValuesOfTheirBox) {
  std::mt19937 rng(2026);
  for (const Fn& f : kFunctions) {
    for (int p = 0; p < kPoints; ++p) {
      std::vector<Interval> box;
      for (int i = 0; i < f.arity; ++i) {
        std::uniform_real_distribution<double> in(f.lo[i], f.hi[i]);
        const double a = in(rng), b = in(rng);
        box.push_back(Interval{std::min(a, b), std::max(a, b)});
      }
      Mode interval(f.arity, kModeInterval), ivGrad(f.arity, kModeIvGrad), affine(f.arity, kModeAffine);
      affine.ctx->buffers.affineHalfWidths =
          static_cast<double*>(std::calloc(static_cast<size_t>(f.arity) + 1, sizeof(double)));
      for (int i = 0; i < f.arity; ++i) {
        const Interval& b = box[static_cast<size_t>(i)];
        if (fixedArg(f, i)) {
          for (Mode* m : {&interval, &ivGrad, &affine}) Val_setNumber(&m->args[static_cast<size_t>(i)], b.lo);
          continue;
        }
        Val_setInterval(&interval.args[static_cast<size_t>(i)], &b);
        IvGradValue g{};
        IvGrad_init(&g, f.arity, ivGrad.ctx);
        IvGrad_setVar(&g, b, i + 1);
        Val_setIvGrad(&ivGrad.args[static_cast<size_t>(i)], &g);
        IvGrad_free(&g);
        AffineForm a{};
        Aff_init(&a, f.arity, affine.ctx);
        Aff_setVar(&a, b, i + 1);
        Val_setAffine(&affine.args[static_cast<size_t>(i)], &a);
        Aff_free(&a);
        affine.ctx->buffers.affineHalfWidths[i + 1] = Aff_halfWidth(b);
      }
      const Value* ri = interval.call(f.id);
      const Value* rg = ivGrad.call(f.id);
      const Value* ra = affine.call(f.id);
      ASSERT_EQ(ri->kind, kValInterval) << f.name;
      ASSERT_EQ(rg->kind, kValIvGrad) << f.name;
      ASSERT_EQ(ra->kind, kValAffine) << f.name;
      const Interval range = *static_cast<const Interval*>(ri->payload);
      const Interval gradRange = static_cast<const IvGradValue*>(rg->payload)->value;
      const Interval affineRange = Aff_toIvl(static_cast<const AffineForm*>(ra->payload), true);
      for (int s = 0; s < kPoints; ++s) {
        std::vector<double> x;
        for (const Interval& b : box) x.push_back(std::uniform_real_distribution<double>(b.lo, b.hi)(rng));
        const double v = plain(f, x);
        EXPECT_TRUE(range.lo <= v && v <= range.hi) << f.name << " " << v << " outside [" << range.lo << ", " << range.hi << "]";
        EXPECT_TRUE(gradRange.lo <= v && v <= gradRange.hi) << f.name << " interval-gradient mode";
        EXPECT_TRUE(affineRange.lo <= v && v <= affineRange.hi) << f.name << " affine mode " << v << " outside ["
                                                                << affineRange.lo << ", " << affineRange.hi << "]";
      }
    }
  }
}

TEST(WorksheetModes, SampleVectorsHoldThePlainValueOfEachTrial) {
  std::mt19937 rng(5);
  for (const Fn& f : pointFunctions()) {
    if (f.id == 540) continue;  // RATE refuses sample vectors
    std::vector<std::vector<double>> trials;
    for (int t = 0; t < kTrials; ++t) trials.push_back(randomPoint(f, rng));
    Mode samples(f.arity, kModeSamples);
    for (int i = 0; i < f.arity; ++i) {
      if (fixedArg(f, i)) {
        Val_setNumber(&samples.args[static_cast<size_t>(i)], f.lo[i]);
        continue;
      }
      SampleVector s{};
      Smp_init(&s, kTrials, samples.ctx);
      for (int t = 0; t < kTrials; ++t) Smp_setAt(&s, trials[static_cast<size_t>(t)][static_cast<size_t>(i)], t + 1);
      Val_setSamples(&samples.args[static_cast<size_t>(i)], &s);
      Smp_free(&s);
    }
    const Value* r = samples.call(f.id);
    ASSERT_EQ(r->kind, kValSamples) << f.name;
    const auto* s = static_cast<const SampleVector*>(r->payload);
    ASSERT_EQ(s->n, kTrials) << f.name;
    for (int t = 0; t < kTrials; ++t)
      EXPECT_TRUE(near(s->data[t + 1], plain(f, trials[static_cast<size_t>(t)]), 1e-13)) << f.name << " trial " << t + 1;
  }
}

// SKEW over sample vectors: a trial whose values do not deviate has no
// skewness, so the whole vector is refused with status 42 and "#div/0!";
// with a deviation in every trial each trial holds its own skewness.
TEST(WorksheetModes, SkewRefusesATrialWithoutDeviation) {
  const double columns[3][kTrials] = {{1, 2, 0, 5, 1, 3}, {2, 2, 2, 6, 4, 3}, {6, 2, 5, 9, 9, 4}};
  Mode flat(3, kModeSamples);
  for (int i = 0; i < 3; ++i) {
    SampleVector s{};
    Smp_init(&s, kTrials, flat.ctx);
    for (int t = 0; t < kTrials; ++t) Smp_setAt(&s, columns[i][t], t + 1);
    Val_setSamples(&flat.args[static_cast<size_t>(i)], &s);
    Smp_free(&s);
  }
  EXPECT_TRUE(isError(flat.call(959), kErrDiv0));
  EXPECT_EQ(flat.ctx->errors.firstError, kStatusUnsupportedVector);
  // Trial 2 given a deviation: every trial is the plain SKEW of its values
  // (1, 2, 6 gives 1.5 * 18 / 7^1.5).
  Vm_clearErrors(&flat.ctx->errors);
  static_cast<SampleVector*>(flat.args[2].payload)->data[2] = 6;
  static_cast<SampleVector*>(flat.args[0].payload)->data[2] = 1;
  const Value* r = flat.call(959);
  ASSERT_EQ(r->kind, kValSamples);
  EXPECT_EQ(flat.ctx->errors.errorCount, 0);
  EXPECT_NEAR(static_cast<const SampleVector*>(r->payload)->data[2], 1.5 * 18 / std::pow(7.0, 1.5), 1e-12);
}

// The rules the modes add: non-smooth uses need the allowance, interval
// kinds outside a domain raise "Unfeasible argument" and come back as they
// are, and IF decides per trial under a sample-vector condition.
// IRR and XIRR over a column whose first flow is plain and whose others
// are the variables (XIRR's dates a year of 365 days apart, the last 400
// days after the one before): the gradient and Hessian agree with central
// differences of the exact rate, and the value is the plain one.
constexpr int32_t kIdIrr = 524, kIdXirr = 548;
constexpr int kFlows = 5;
constexpr double kDates[kFlows] = {45658, 46023, 46388, 46753, 47153};

struct Root {
  const char* name;
  int32_t id;
  int arity;  // 2 with the dates
};
const Root kRoots[] = {{"irr", kIdIrr, 1}, {"xirr", kIdXirr, 2}};

// The rate of the flows with those after the first set by set(slot, k, x).
template <typename Set>
const Value* rootOf(Mode* m, const Root& root, const std::vector<double>& flows, Set set) {
  Val_makeArray(&m->args[0], kFlows, 1);
  Val_setNumber(Val_at(&m->args[0], 0, 0), flows[0]);
  for (int k = 1; k < kFlows; ++k) set(Val_at(&m->args[0], k, 0), k, flows[static_cast<size_t>(k)]);
  if (root.arity > 1) {
    Val_makeArray(&m->args[1], kFlows, 1);
    for (int k = 0; k < kFlows; ++k) Val_setNumber(Val_at(&m->args[1], k, 0), kDates[k]);
  }
  return m->call(root.id);
}

double plainRoot(const Root& root, const std::vector<double>& flows) {
  Mode m(root.arity, kModeReal);
  const Value* r = rootOf(&m, root, flows, [](Value* slot, int, double x) { Val_setNumber(slot, x); });
  return r->kind == kValReal ? r->number : NAN;
}

// The rate at which the flows are worth nothing to the last digit: Newton
// steps in long double from the plain rate, whose root finder stops within
// 1.5e-8 (too coarse for second differences).
double exactRoot(const Root& root, const std::vector<double>& flows) {
  long double r = plainRoot(root, flows);
  for (int step = 0; step < 4; ++step) {
    long double f = 0, slope = 0;
    for (int k = 0; k < kFlows; ++k) {
      const long double t = root.arity > 1 ? (kDates[k] - kDates[0]) / 365.0L : k;
      const long double discounted = flows[static_cast<size_t>(k)] * std::pow(1 + r, -t);
      f += discounted;
      slope -= t * discounted / (1 + r);
    }
    r -= f / slope;
  }
  return static_cast<double>(r);
}

double rootShifted(const Root& root, std::vector<double> flows, int i, double di, int j, double dj) {
  flows[static_cast<size_t>(i)] += di;
  flows[static_cast<size_t>(j)] += dj;
  return exactRoot(root, flows);
}

TEST(WorksheetModes, RatesOfVariableFlowsHaveTheImplicitDerivatives) {
  std::mt19937 rng(53);
  std::uniform_real_distribution<double> flow(250, 450);
  for (const Root& root : kRoots)
    for (int p = 0; p < kPoints; ++p) {
      std::vector<double> flows = {-1000};
      for (int k = 1; k < kFlows; ++k) flows.push_back(flow(rng));
      Mode hess(root.arity, kModeHess);
      hess.ctx->flags.nonSmoothAllowed = 0;
      Hess_init(hess.ctx->buffers.hessBuffer, kFlows - 1, hess.ctx);
      const Value* r = rootOf(&hess, root, flows, [&](Value* slot, int k, double x) {
        HessValue h{};
        Hess_init(&h, kFlows - 1, hess.ctx);
        Hess_setVar(&h, x, k);
        Val_setHess(slot, &h);
        Hess_free(&h);
      });
      ASSERT_EQ(r->kind, kValHess) << root.name;
      const auto* hv = static_cast<const HessValue*>(r->payload);
      EXPECT_EQ(hv->value, plainRoot(root, flows)) << root.name;
      const double h1 = 1e-3, h2 = 1e-2;
      for (int i = 1; i < kFlows; ++i) {
        const double d = (rootShifted(root, flows, i, h1, i, 0) - rootShifted(root, flows, i, -h1, i, 0)) / (2 * h1);
        EXPECT_TRUE(near(hv->gradient[i], d, 1e-6)) << root.name << " d/dx" << i << " " << hv->gradient[i] << " " << d;
        for (int j = 1; j < kFlows; ++j) {
          const double dd = (rootShifted(root, flows, i, h2, j, h2) - rootShifted(root, flows, i, h2, j, -h2) -
                             rootShifted(root, flows, i, -h2, j, h2) + rootShifted(root, flows, i, -h2, j, -h2)) /
                            (4 * h2 * h2);
          EXPECT_NEAR(hv->hessian[i][j], dd, 1e-4 * std::fabs(dd) + 1e-10) << root.name << " H" << i << j;
        }
      }
    }
}

// XIRR's dates shape its formula: a date with a derivative is refused with
// "Unsupported function" and "#value!".
TEST(WorksheetModes, XirrRefusesDatesWithDerivatives) {
  Mode grad(2, kModeGrad);
  const Root& xirr = kRoots[1];
  rootOf(&grad, xirr, {-1000, 300, 300, 300, 300}, [](Value* slot, int, double x) { Val_setNumber(slot, x); });
  GradValue g{};
  Grad_init(&g, 2, grad.ctx);
  Grad_setVar(&g, kDates[2], 1);
  Val_setGrad(Val_at(&grad.args[1], 2, 0), &g);
  Grad_free(&g);
  EXPECT_TRUE(isError(grad.call(kIdXirr), kErrValue));
  EXPECT_EQ(grad.ctx->errors.firstError, kStatusUnsupportedFunction);
}

// The normal distribution and quantile and the rates found as roots give
// no enclosures, and POISSON's count no derivatives: an interval argument,
// a sample vector among a root's flows and a count with a gradient are
// refused with "Unsupported function" and "#value!".
TEST(WorksheetModes, ModesTheFunctionsCannotGiveAreRefused) {
  struct Case {
    const char* name;
    int32_t id, mode;
    std::vector<double> args;
  };
  const Case cases[] = {
      {"normsdist", 948, kModeInterval, {0.5}},         {"normsinv", 949, kModeInterval, {0.5}},
      {"normdist", 946, kModeInterval, {0.5, 0, 1, 1}}, {"lognormdist", 938, kModeInterval, {0.5, 0, 1}},
      {"rate", 540, kModeInterval, {4, -300, 1000}},    {"rate", 540, kModeSamples, {4, -300, 1000}},
      {"poisson", 954, kModeGrad, {3, 2, 1}},           {"poisson term", 954, kModeGrad, {3, 2, 0}},
      {"poisson", 954, kModeInterval, {3, 2, 1}},
  };
  for (const Case& c : cases) {
    Mode m(static_cast<int>(c.args.size()), c.mode);
    for (size_t i = 0; i < c.args.size(); ++i) Val_setNumber(&m.args[i], c.args[i]);
    const size_t varying = c.id == 540 ? 1 : 0;  // RATE's payment, else the first argument
    if (c.mode == kModeInterval) {
      const Interval box{c.args[varying] - 0.1, c.args[varying] + 0.1};
      Val_setInterval(&m.args[varying], &box);
    } else if (c.mode == kModeGrad) {
      GradValue g{};
      Grad_init(&g, static_cast<int>(c.args.size()), m.ctx);
      Grad_setVar(&g, c.args[varying], 1);
      Val_setGrad(&m.args[varying], &g);
      Grad_free(&g);
    } else {
      SampleVector s{};
      Smp_init(&s, kTrials, m.ctx);
      for (int t = 1; t <= kTrials; ++t) Smp_setAt(&s, -300 - t, t);
      Val_setSamples(&m.args[varying], &s);
      Smp_free(&s);
    }
    EXPECT_TRUE(isError(m.call(c.id), kErrValue)) << c.name;
    EXPECT_EQ(m.ctx->errors.firstError, kStatusUnsupportedFunction) << c.name;
  }
}

TEST(WorksheetModes, NonSmoothDomainAndTrialRules) {
  Mode grad(1, kModeGrad);
  grad.ctx->flags.nonSmoothAllowed = 0;
  GradValue g{};
  Grad_init(&g, 1, grad.ctx);
  Grad_setVar(&g, 0.5, 1);
  Val_setGrad(&grad.args[0], &g);
  Grad_free(&g);
  EXPECT_TRUE(isError(grad.call(1), kErrValue));  // ABS
  EXPECT_EQ(grad.ctx->errors.firstError, kStatusNonSmoothSpecial);

  Mode interval(1, kModeInterval);
  const Interval beyond{2, 3};
  Val_setInterval(&interval.args[0], &beyond);
  const Value* r = interval.call(2);  // ACOS
  ASSERT_EQ(r->kind, kValInterval);
  EXPECT_EQ(static_cast<const Interval*>(r->payload)->lo, 2.0);
  EXPECT_EQ(interval.ctx->errors.firstError, kStatusUnfeasibleArgument);

  Mode trials(3, kModeSamples);
  SampleVector c{}, b{};
  Smp_init(&c, kTrials, trials.ctx);
  Smp_init(&b, kTrials, trials.ctx);
  for (int t = 1; t <= kTrials; ++t) {
    Smp_setAt(&c, t % 2, t);
    Smp_setAt(&b, -t, t);
  }
  Val_setSamples(&trials.args[0], &c);
  Val_setNumber(&trials.args[1], 5);
  Val_setSamples(&trials.args[2], &b);
  r = trials.call(703);  // IF(c, 5, b)
  ASSERT_EQ(r->kind, kValSamples);
  for (int t = 1; t <= kTrials; ++t)
    EXPECT_EQ(static_cast<const SampleVector*>(r->payload)->data[t], t % 2 ? 5.0 : -t);
  r = trials.call(701);  // AND(c, 5, b): c's truth per trial, b never 0
  ASSERT_EQ(r->kind, kValSamples);
  for (int t = 1; t <= kTrials; ++t) EXPECT_EQ(static_cast<const SampleVector*>(r->payload)->data[t], t % 2);
  Val_setText(&trials.args[2], u"a");
  EXPECT_TRUE(isError(trials.call(703), kErrNA));
  EXPECT_EQ(trials.ctx->errors.firstError, kStatusUnsupportedVector);
  Smp_free(&c);
  Smp_free(&b);

  // An interval condition never decides, allowed or not.
  Mode condition(2, kModeInterval);
  Val_setInterval(&condition.args[0], &beyond);
  Val_setNumber(&condition.args[1], 1);
  EXPECT_TRUE(isError(condition.call(703), kErrValue));
  EXPECT_EQ(condition.ctx->errors.firstError, kStatusNonSmoothSpecial);
}

// In the dependency-vector mode each function gives each variable argument
// the class its use makes: linear sums, quadratic products, smooth
// functions, and non-smooth ones unless allowed.
TEST(WorksheetModes, DependencyClassesOfTheFunctions) {
  struct Case {
    const char* name;
    int32_t id;
    int arity;
    bool nonSmoothAllowed;
    int32_t classes[kMaxArgs];
  };
  const Case cases[] = {
      {"exp", 16, 1, false, {kDegSmooth}},
      {"sum", 51, 2, false, {kDegLinear, kDegLinear}},
      {"product", 35, 2, false, {kDegQuadratic, kDegQuadratic}},
      {"dotproduct", 61, 2, false, {kDegQuadratic, kDegQuadratic}},
      {"sumsq", 54, 2, false, {kDegQuadratic, kDegQuadratic}},
      {"abs", 1, 1, false, {kDegNonSmooth}},
      {"max", 939, 2, false, {kDegNonSmooth, kDegNonSmooth}},
      {"max allowed", 939, 2, true, {kDegSmooth, kDegSmooth}},
      {"round", 41, 2, false, {kDegNonSmooth, kDegNonSmooth}},
      {"and", 701, 2, false, {kDegNonSmooth, kDegNonSmooth}},
      {"if", 703, 3, false, {kDegNonSmooth, kDegLinear, kDegLinear}},
      {"isnumber", 612, 1, false, {kDegNonSmooth}},
      {"median", 941, 2, false, {kDegNonSmooth, kDegNonSmooth}},
      {"average", 902, 2, false, {kDegLinear, kDegLinear}},
      {"devsq", 916, 2, false, {kDegQuadratic, kDegQuadratic}},
      {"geomean", 928, 2, false, {kDegSmooth, kDegSmooth}},
      {"fisher", 920, 1, false, {kDegSmooth}},
      {"standardize", 962, 3, false, {kDegSmooth, kDegSmooth, kDegSmooth}},
      {"normsdist", 948, 1, false, {kDegSmooth}},
      {"normdist", 946, 4, false, {kDegSmooth, kDegSmooth, kDegSmooth, kDegNonSmooth}},
      {"normsinv", 949, 1, false, {kDegSmooth}},
      {"rate", 540, 5, false, {kDegNonSmooth, kDegSmooth, kDegSmooth, kDegSmooth, kDegNonSmooth}},
      {"chidist", 907, 2, false, {kDegNonSmooth, kDegNonSmooth}},
      {"date", 301, 3, false, {kDegNonSmooth, kDegNonSmooth, kDegNonSmooth}},
      {"edate", 305, 2, false, {kDegNonSmooth, kDegNonSmooth}},
      {"hour", 307, 1, false, {kDegNonSmooth}},
      {"networkdays", 310, 2, false, {kDegNonSmooth, kDegNonSmooth}},
      {"time", 313, 3, false, {kDegNonSmooth, kDegNonSmooth, kDegNonSmooth}},
      {"year", 319, 1, false, {kDegNonSmooth}},
      {"yearfrac", 320, 3, false, {kDegNonSmooth, kDegNonSmooth, kDegNonSmooth}},
      {"price",
       536,
       7,
       false,
       {kDegNonSmooth, kDegNonSmooth, kDegSmooth, kDegSmooth, kDegSmooth, kDegNonSmooth, kDegNonSmooth}},
      {"disc", 515, 5, false, {kDegNonSmooth, kDegNonSmooth, kDegSmooth, kDegSmooth, kDegNonSmooth}},
      {"tbillprice", 545, 3, false, {kDegNonSmooth, kDegNonSmooth, kDegSmooth}},
      {"yield",
       550,
       7,
       false,
       {kDegNonSmooth, kDegNonSmooth, kDegNonSmooth, kDegNonSmooth, kDegNonSmooth, kDegNonSmooth, kDegNonSmooth}},
  };
  for (const Case& c : cases) {
    Mode m(c.arity, kModeDegVec);
    m.ctx->flags.nonSmoothAllowed = c.nonSmoothAllowed;
    for (int i = 0; i < c.arity; ++i) {
      DegVec d{};
      DegVec_init(&d, c.arity);
      DegVec_setVar(&d, i + 1);
      Val_setDegVec(&m.args[static_cast<size_t>(i)], &d);
      DegVec_free(&d);
    }
    const Value* r = m.call(c.id);
    ASSERT_EQ(r->kind, kValDegVec) << c.name;
    const auto* d = static_cast<const DegVec*>(r->payload);
    for (int i = 0; i < c.arity; ++i) EXPECT_EQ(d->classes[i + 1], c.classes[i]) << c.name << " variable " << i + 1;
  }
}

}  // namespace
