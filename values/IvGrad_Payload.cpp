// Storage of the kind-9 interval with interval gradient.
#include "values/IvGrad_Payload.h"

#include "values/Pay_Array.h"

bool IvGrad_init(IvGradValue* g, int32_t n, EvalContext* ctx) {
  if (!Pay_size(&g->gradient, &g->capacity, n, false)) return false;
  g->n = n;
  g->context = ctx;
  return true;
}

bool IvGrad_set(IvGradValue* dst, const IvGradValue* src) {
  if (dst == src) return true;
  if (!IvGrad_init(dst, src->n, src->context)) {
    IvGrad_free(dst);
    return false;
  }
  dst->value = src->value;
  dst->curvature = src->curvature;
  dst->node = src->node;
  Pay_copy(dst->gradient, src->gradient, src->n);
  return true;
}

void IvGrad_setVar(IvGradValue* g, Interval value, int32_t p) {
  IvGrad_setConst(g, value);
  if (p >= 1 && p <= g->n && g->gradient) g->gradient[p] = Interval{1.0, 1.0};
  g->node = -p;
}

void IvGrad_setConst(IvGradValue* g, Interval value) {
  g->value = value;
  Pay_zero(g->gradient, g->n);
  g->curvature = kCurvAffine;
  g->node = 0;
}

void IvGrad_free(IvGradValue* g) {
  std::free(g->gradient);
  *g = IvGradValue{};
  g->curvature = kCurvAffine;
}

void IvGrad_freeTape(IvGradTapeRec* tape, int32_t capacity) {
  if (!tape) return;
  for (int32_t k = 0; k <= capacity; ++k) {
    IvGrad_free(&tape[k].forward);
    IvGrad_free(&tape[k].adjoint);
  }
  std::free(tape);
}
