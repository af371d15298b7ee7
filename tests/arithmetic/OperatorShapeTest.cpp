// Constants shaped like a value of each evaluation mode (kind, size, the
// constant as its value part and nothing else) and the trial-by-trial test
// of sample vectors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "arithmetic/operators/Op_Operators.h"
#include "arithmetic/operators/Op_Shape.h"
#include "values/Aff_Payload.h"
#include "values/DegVec_Payload.h"
#include "values/Grad_Payload.h"
#include "values/Hess_Payload.h"
#include "values/IvGrad_Payload.h"
#include "values/IvHess_Payload.h"
#include "values/Rev_Node.h"
#include "values/Smp_Payload.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

constexpr int32_t kSize = 3;

// The value part of a constant and the largest magnitude of what else it
// carries (derivatives, noise terms, partials), by kind.
struct Parts {
  double lo, hi, rest;
};

Parts partsOf(const Value& v) {
  const void* p = v.payload;
  double rest = 0;
  const auto widest = [&rest](double x) { rest = std::max(rest, std::fabs(x)); };
  switch (v.kind) {
    case kValSamples: {
      const auto* s = static_cast<const SampleVector*>(p);
      for (int32_t t = 2; t <= s->n; ++t) widest(s->data[t] - s->data[1]);
      return {s->data[1], s->data[1], rest};
    }
    case kValGrad: {
      const auto* g = static_cast<const GradValue*>(p);
      for (int32_t j = 1; j <= g->n; ++j) widest(g->gradient[j]);
      return {g->value, g->value, rest};
    }
    case kValHess: {
      const auto* h = static_cast<const HessValue*>(p);
      for (int32_t j = 1; j <= h->n; ++j) widest(h->gradient[j]);
      widest(h->last >= h->first ? 1 : 0);
      return {h->value, h->value, rest};
    }
    case kValIvGrad: {
      const auto* g = static_cast<const IvGradValue*>(p);
      for (int32_t j = 1; j <= g->n; ++j) widest(std::max(std::fabs(g->gradient[j].lo), std::fabs(g->gradient[j].hi)));
      return {g->value.lo, g->value.hi, rest};
    }
    case kValIvHess: {
      const auto* h = static_cast<const IvHessValue*>(p);
      for (int32_t j = 1; j <= h->n; ++j) {
        widest(std::max(std::fabs(h->gradient[j].lo), std::fabs(h->gradient[j].hi)));
        for (int32_t k = 1; k <= h->n; ++k)
          widest(std::max(std::fabs(h->hessian[j][k].lo), std::fabs(h->hessian[j][k].hi)));
      }
      return {h->value.lo, h->value.hi, rest};
    }
    case kValInterval: {
      const auto* i = static_cast<const Interval*>(p);
      return {i->lo, i->hi, 0};
    }
    case kValAffine: {
      const auto* a = static_cast<const AffineForm*>(p);
      for (int32_t j = 1; j <= a->n; ++j) widest(a->coef[j]);
      widest(a->radius);
      return {a->centre, a->centre, rest};
    }
    case kValRev: {
      const auto* r = static_cast<const RevNode*>(p);
      widest(r->partial1);
      widest(r->partial2);
      return {r->value, r->value, rest};
    }
    default: return {v.number, v.number, 0};
  }
}

// The size of a kind's payload: trials or variables.
int32_t sizeOf(const Value& v) {
  switch (v.kind) {
    case kValSamples: return static_cast<const SampleVector*>(v.payload)->n;
    case kValGrad: return static_cast<const GradValue*>(v.payload)->n;
    case kValHess: return static_cast<const HessValue*>(v.payload)->n;
    case kValIvGrad: return static_cast<const IvGradValue*>(v.payload)->n;
    case kValIvHess: return static_cast<const IvHessValue*>(v.payload)->n;
    case kValAffine: return static_cast<const AffineForm*>(v.payload)->n;
    case kValDegVec: return static_cast<const DegVec*>(v.payload)->n;
    default: return 0;
  }
}

// A model of the kind that is no constant: sized, and made a variable or
// given non-zero parts where the kind has them.
Value modelOf(EvalContext* ctx, int32_t kind) {
  Value v = Val_empty(ctx);
  EXPECT_EQ(Val_initKind(&v, kind, kSize), kStatusOk) << kind;
  void* p = v.payload;
  switch (kind) {
    case kValSamples:
      for (int32_t t = 1; t <= kSize; ++t) static_cast<SampleVector*>(p)->data[t] = t;
      break;
    case kValGrad: Grad_setVar(static_cast<GradValue*>(p), 4, 2); break;
    case kValHess: static_cast<HessValue*>(p)->gradient[1] = 1; break;
    case kValIvGrad: IvGrad_setVar(static_cast<IvGradValue*>(p), Interval{1, 2}, 1); break;
    case kValIvHess: IvHess_setVar(static_cast<IvHessValue*>(p), Interval{1, 2}, 3); break;
    case kValInterval: *static_cast<Interval*>(p) = Interval{-1, 5}; break;
    case kValAffine: static_cast<AffineForm*>(p)->coef[2] = 1; break;
    case kValRev: *static_cast<RevNode*>(p) = RevNode{4, 1, 2, {}, {}, {}, ctx}; break;
    default: v.number = 9; break;
  }
  return v;
}

TEST(OperatorShape, ConstantsTakeTheKindAndSizeOfTheirModel) {
  EvalContext* ctx = Vm_createContext();
  const int32_t kinds[] = {kValInt,  kValReal,   kValSamples, kValGrad,     kValRev,
                           kValHess, kValIvGrad, kValIvHess,  kValInterval, kValAffine};
  for (int32_t kind : kinds) {
    SCOPED_TRACE(kind);
    Value model = modelOf(ctx, kind);
    ASSERT_TRUE(Op_makeConstLike(model, 2.5, true));
    const Value& r = *ctx->buffers.result;
    const bool scalar = kind <= kValReal;
    EXPECT_EQ(r.kind, scalar ? kValReal : kind);
    EXPECT_EQ(sizeOf(r), sizeOf(model));
    const Parts parts = partsOf(r);
    EXPECT_EQ(parts.lo, 2.5);
    EXPECT_EQ(parts.hi, 2.5);
    EXPECT_EQ(parts.rest, 0.0);
    Val_clear(&model);
  }
  // A boolean model makes no constant when asked so; text and arrays never.
  Value b = Val_empty(ctx);
  Val_setBool(&b, 1);
  EXPECT_FALSE(Op_makeConstLike(b, 1, true));
  EXPECT_TRUE(Op_makeConstLike(b, 1, false));
  Val_setText(&b, u"x");
  EXPECT_FALSE(Op_makeConstLike(b, 1, false));
  Val_clear(&b);
  Vm_destroyContext(ctx);
}

TEST(OperatorShape, InitKindSizesEveryFamilyPayload) {
  EvalContext* ctx = Vm_createContext();
  for (int32_t kind : {kValSamples, kValGrad, kValHess, kValIvGrad, kValIvHess, kValAffine, kValDegVec}) {
    Value v = Val_empty(ctx);
    ASSERT_EQ(Val_initKind(&v, kind, 5), kStatusOk);
    EXPECT_EQ(v.kind, kind);
    EXPECT_EQ(sizeOf(v), 5) << kind;
    Val_clear(&v);
  }
  Vm_destroyContext(ctx);
}

TEST(OperatorShape, SampleTestsHoldWhenSomeTrialMeetsTheRelation) {
  EvalContext* ctx = Vm_createContext();
  Value s = Val_empty(ctx);
  ASSERT_EQ(Val_initKind(&s, kValSamples, 3), kStatusOk);
  double* data = static_cast<SampleVector*>(s.payload)->data;
  data[1] = 1, data[2] = 0, data[3] = 3;
  const struct {
    int32_t relation;
    double d;
    bool some;
  } cases[] = {{kRelCmpEq, 0, true}, {kRelCmpEq, 2, false}, {kRelCmpNe, 1, true}, {kRelCmpLt, 0, false},
               {kRelCmpLe, 0, true}, {kRelCmpGt, 3, false}, {kRelCmpGe, 3, true}, {kRelCmpContains, 1, false}};
  for (const auto& c : cases) EXPECT_EQ(Op_testSamples(s, c.d, c.relation), c.some) << c.relation << " " << c.d;
  // Any other kind, and an empty vector, never.
  Value x = Val_empty(ctx);
  Val_setNumber(&x, 0);
  EXPECT_FALSE(Op_testSamples(x, 0, kRelCmpEq));
  ASSERT_EQ(Val_initKind(&s, kValSamples, 0), kStatusOk);
  EXPECT_FALSE(Op_testSamples(s, 0, kRelCmpNe));
  Val_clear(&s);
  Vm_destroyContext(ctx);
}

}  // namespace
