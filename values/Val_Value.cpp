// Kinds, setters, arrays and clearing of the interpreter's value.
#include "values/Val_Value.h"

#include <cstdlib>

#include "values/Aff_Payload.h"
#include "values/DegDag_Node.h"
#include "values/DegVec_Payload.h"
#include "values/Grad_Payload.h"
#include "values/Hess_Payload.h"
#include "values/IvGrad_Payload.h"
#include "values/IvHess_Payload.h"
#include "values/IvProp_Node.h"
#include "values/IvRev_Node.h"
#include "values/Model_Refs.h"
#include "values/Rev_Node.h"
#include "values/Smp_Payload.h"
#include "values/Text_Convert.h"
#include "values/Val_Kind17.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

size_t payloadSize(int32_t kind) {
  switch (kind) {
    case kValSamples: return sizeof(SampleVector);
    case kValGrad: return sizeof(GradValue);
    case kValRev: return sizeof(RevNode);
    case kValHess: return sizeof(HessValue);
    case kValIvGrad: return sizeof(IvGradValue);
    case kValIvRev: return sizeof(IvRevNode);
    case kValIvHess: return sizeof(IvHessValue);
    case kValInterval: return sizeof(Interval);
    case kValIvProp: return sizeof(IvPropNode);
    case kValAffine: return sizeof(AffineForm);
    case kValDegDag: return sizeof(DegDagNode);
    case kValDegVec: return sizeof(DegVec);
    case kValKind17: return sizeof(Kind17Record);
    default: return 0;
  }
}

// Frees what hangs on the payload of the value's kind, then the payload.
void freePayload(Value* v) {
  if (!v->payload) return;
  switch (v->kind) {
    case kValSamples: Smp_free(static_cast<SampleVector*>(v->payload)); break;
    case kValGrad: Grad_free(static_cast<GradValue*>(v->payload)); break;
    case kValHess: Hess_free(static_cast<HessValue*>(v->payload)); break;
    case kValIvGrad: IvGrad_free(static_cast<IvGradValue*>(v->payload)); break;
    case kValIvHess: IvHess_free(static_cast<IvHessValue*>(v->payload)); break;
    case kValAffine: Aff_free(static_cast<AffineForm*>(v->payload)); break;
    case kValDegVec: DegVec_free(static_cast<DegVec*>(v->payload)); break;
    default: break;
  }
  std::free(v->payload);
  v->payload = nullptr;
}

bool isPayloadKind(int32_t kind) { return kind >= kValFirstPayload && kind <= kValLastPayload; }

void raiseNoMemory(const Value* v) { Vm_raise(Vm_errorsOf(v->context), kStatusNoMemory, "Value", 0, 0, 0); }

// The kind, then the family's deep copy of src into the fresh payload.
template <class T>
Value* setPayload(Value* v, int32_t kind, const T* src, bool (*copy)(T*, const T*)) {
  Val_setKind(v, kind);
  if (!v->payload || !copy(static_cast<T*>(v->payload), src)) raiseNoMemory(v);
  return v;
}

// Whether clearing the value frees anything: most elements of a large range
// are plain numbers or empty, and are skipped.
bool ownsStorage(const Value& v) { return v.payload || v.text || v.array || v.source; }

// Clears every allocated element, frees the elements' block, the row table
// and the descriptor.
void freeArray(Value* v) {
  ValueArray* a = v->array;
  if (!a) return;
  if (a->rowTable && a->rowTable[0]) {
    for (int32_t r = 0; r < a->allocatedRows; ++r)
      for (int32_t c = 0; c < a->allocatedColumns; ++c)
        if (ownsStorage(a->rowTable[r][c])) Val_clear(&a->rowTable[r][c]);
    std::free(a->rowTable[0]);
  }
  std::free(a->rowTable);
  std::free(a);
  v->array = nullptr;
}

// A descriptor of rows x columns empty elements bound to ctx, or null. The
// elements lie in one block, row after row; the row table points into it.
ValueArray* newArray(uint16_t rows, uint8_t columns, EvalContext* ctx) {
  auto* a = static_cast<ValueArray*>(std::calloc(1, sizeof(ValueArray)));
  if (!a) return nullptr;
  const size_t count = static_cast<size_t>(rows ? rows : 1) * (columns ? columns : 1);
  a->rowTable = static_cast<Value**>(std::calloc(rows ? rows : 1, sizeof(Value*)));
  Value* elements = a->rowTable ? static_cast<Value*>(std::calloc(count, sizeof(Value))) : nullptr;
  if (!elements) {
    std::free(a->rowTable);
    std::free(a);
    return nullptr;
  }
  a->allocatedRows = rows;
  a->allocatedColumns = columns;
  a->rowTable[0] = elements;
  for (int32_t r = 0; r < rows; ++r) a->rowTable[r] = elements + static_cast<size_t>(r) * columns;
  for (size_t k = 0; k < count; ++k) elements[k].context = ctx;
  return a;
}

}  // namespace

Value* Val_setKind(Value* v, int32_t kind) {
  v->overflow = 0;
  v->noDerivative = 0;
  if (v->kind == kind && (v->payload || !isPayloadKind(kind))) {
    if (kind == kValDegVec && v->context && v->context->flags.sizingPass)
      DegVec_empty(static_cast<DegVec*>(v->payload));
    return v;
  }
  freePayload(v);
  if (isPayloadKind(kind)) {
    v->payload = std::calloc(1, payloadSize(kind));
    if (v->payload && kind == kValIvGrad) static_cast<IvGradValue*>(v->payload)->curvature = kCurvAffine;
  }
  v->kind = kind;
  return v;
}

Value* Val_setBool(Value* v, uint8_t b) {
  Val_setKind(v, kValBool)->number = b ? 1.0 : 0.0;
  return v;
}

Value* Val_setByte(Value* v, uint8_t x) { return Val_setInt(v, x); }

Value* Val_setWord(Value* v, uint16_t x) { return Val_setInt(v, x); }

Value* Val_setInt(Value* v, int32_t x) {
  Val_setKind(v, kValInt)->number = x;
  return v;
}

Value* Val_setNumber(Value* v, double x) {
  Val_setKind(v, kValReal)->number = x;
  return v;
}

Value* Val_setText(Value* v, const char16_t* text) {
  char16_t* copy = Text_duplicate(text);
  if (!copy) raiseNoMemory(v);
  std::free(v->text);
  v->text = copy;
  return Val_setKind(v, kValText);
}

Value* Val_setError(Value* v, uint32_t code) {
  Val_setKind(v, kValError)->number = Vm_errorNumber(code);
  return v;
}

Value* Val_setOverflow(Value* v) {
  Val_setError(v, kErrNum)->overflow = 1;
  return v;
}

Value* Val_setNoDerivative(Value* v) { return Val_setNoDerivativeOf(v, kValAnswerUnknown); }

Value* Val_setNoDerivativeOf(Value* v, ValModeAnswer answer) {
  Val_setError(v, kErrValue)->noDerivative = answer;
  return v;
}

Value* Val_setSamples(Value* v, const SampleVector* p) { return setPayload(v, kValSamples, p, Smp_set); }
Value* Val_setGrad(Value* v, const GradValue* p) { return setPayload(v, kValGrad, p, Grad_set); }
Value* Val_setRev(Value* v, const RevNode* p) { return setPayload(v, kValRev, p, Rev_set); }
Value* Val_setHess(Value* v, const HessValue* p) { return setPayload(v, kValHess, p, Hess_set); }
Value* Val_setIvGrad(Value* v, const IvGradValue* p) { return setPayload(v, kValIvGrad, p, IvGrad_set); }
Value* Val_setIvRev(Value* v, const IvRevNode* p) { return setPayload(v, kValIvRev, p, IvRev_set); }
Value* Val_setIvHess(Value* v, const IvHessValue* p) { return setPayload(v, kValIvHess, p, IvHess_set); }
Value* Val_setInterval(Value* v, const Interval* p) { return setPayload(v, kValInterval, p, Ivl_set); }
Value* Val_setIvProp(Value* v, const IvPropNode* p) { return setPayload(v, kValIvProp, p, IvProp_set); }
Value* Val_setAffine(Value* v, const AffineForm* p) { return setPayload(v, kValAffine, p, Aff_set); }
Value* Val_setDegDag(Value* v, const DegDagNode* p) { return setPayload(v, kValDegDag, p, DegDag_set); }
Value* Val_setDegVec(Value* v, const DegVec* p) { return setPayload(v, kValDegVec, p, DegVec_set); }
Value* Val_setKind17(Value* v, const Kind17Record* p) { return setPayload(v, kValKind17, p, Val_copyKind17); }

int32_t Val_initKind(Value* v, int32_t kind, int32_t n) {
  Val_setKind(v, kind);
  void* p = v->payload;
  bool sized = !isPayloadKind(kind) || p;
  switch (sized ? kind : -1) {
    case kValSamples: sized = Smp_init(static_cast<SampleVector*>(p), n, v->context); break;
    case kValGrad: sized = Grad_init(static_cast<GradValue*>(p), n, v->context); break;
    case kValHess: sized = Hess_init(static_cast<HessValue*>(p), n, v->context); break;
    case kValIvGrad: sized = IvGrad_init(static_cast<IvGradValue*>(p), n, v->context); break;
    case kValIvHess: sized = IvHess_init(static_cast<IvHessValue*>(p), n, v->context); break;
    case kValAffine: sized = Aff_init(static_cast<AffineForm*>(p), n, v->context); break;
    case kValDegVec: sized = DegVec_init(static_cast<DegVec*>(p), n); break;
    default: break;
  }
  if (sized) return kStatusOk;
  raiseNoMemory(v);
  return kStatusNoMemory;
}

int32_t Val_makeArray(Value* v, int32_t rows, int32_t columns) {
  if (rows < 0 || rows > kValMaxRows || columns < 0 || columns > kValMaxColumns) return kStatusInvalidArray;
  const ValueArray* a = v->array;
  if (!a || rows > a->allocatedRows || columns > a->allocatedColumns) {
    Val_clear(v);
    v->array = newArray(static_cast<uint16_t>(rows), static_cast<uint8_t>(columns), v->context);
    if (!v->array) {
      raiseNoMemory(v);
      return kStatusNoMemory;
    }
  }
  v->array->rows = static_cast<uint16_t>(rows);
  v->array->columns = static_cast<uint8_t>(columns);
  Val_setKind(v, kValArray);
  return kStatusOk;
}

Value* Val_clear(Value* v) {
  Val_setKind(v, kValEmpty);
  std::free(v->text);
  v->text = nullptr;
  freeArray(v);
  std::free(v->source);
  v->source = nullptr;
  v->number = 0.0;
  v->reference = 0;
  return v;
}
