// Storage of the kind-6 value with gradient.
#include "values/Grad_Payload.h"

#include "values/Pay_Array.h"

bool Grad_init(GradValue* g, int32_t n, EvalContext* ctx) {
  if (!Pay_size(&g->gradient, &g->capacity, n, false)) return false;
  g->n = n;
  g->context = ctx;
  return true;
}

// Copies the symbolic texts of src into dst, which holds none.
static bool copyTexts(GradValue* dst, const GradValue* src) {
  if (src->valueText) {
    dst->valueText = Pay_zeroed<char16_t>(kGradTextLength - 1);
    if (!dst->valueText) return false;
    std::memcpy(dst->valueText, src->valueText, kGradTextLength * sizeof(char16_t));
  }
  if (!src->partialTexts) return true;
  dst->partialTexts = Pay_zeroed<char16_t*>(src->textCount);
  if (!dst->partialTexts) return false;
  dst->textCount = src->textCount;
  for (int32_t k = 0; k <= src->textCount; ++k) {
    if (!src->partialTexts[k]) continue;
    dst->partialTexts[k] = Pay_zeroed<char16_t>(kGradTextLength - 1);
    if (!dst->partialTexts[k]) return false;
    std::memcpy(dst->partialTexts[k], src->partialTexts[k], kGradTextLength * sizeof(char16_t));
  }
  return true;
}

// Frees the symbolic texts of g.
static void freeTexts(GradValue* g) {
  std::free(g->valueText);
  Pay_freeRows(g->partialTexts, g->textCount);
  g->valueText = nullptr;
  g->partialTexts = nullptr;
  g->textCount = 0;
}

bool Grad_set(GradValue* dst, const GradValue* src) {
  if (dst == src) return true;
  freeTexts(dst);
  if (!Grad_init(dst, src->n, src->context) || !copyTexts(dst, src)) {
    Grad_free(dst);
    return false;
  }
  dst->value = src->value;
  dst->node = src->node;
  Pay_copy(dst->gradient, src->gradient, src->n);
  return true;
}

void Grad_setVar(GradValue* g, double value, int32_t p) {
  Grad_setConst(g, value);
  if (p >= 1 && p <= g->n && g->gradient) g->gradient[p] = 1.0;
  g->node = -p;
}

void Grad_setConst(GradValue* g, double value) {
  g->value = value;
  Pay_zero(g->gradient, g->n);
  g->node = 0;
}

void Grad_free(GradValue* g) {
  std::free(g->gradient);
  freeTexts(g);
  *g = GradValue{};
}

void Grad_freeTape(GradTapeRec* tape, int32_t capacity) {
  if (!tape) return;
  for (int32_t k = 0; k <= capacity; ++k) {
    Grad_free(&tape[k].forward);
    Grad_free(&tape[k].adjoint);
  }
  std::free(tape);
}
