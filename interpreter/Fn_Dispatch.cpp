// The dispatch table over ids -1 to 1361 and the calls in every form.
#include "interpreter/Fn_Dispatch.h"

#include <array>
#include <cstdlib>
#include <limits>
#include <vector>

#include "arithmetic/dependency/DegDag_Ops.h"
#include "arithmetic/dependency/DegVec_Ops.h"
#include "arithmetic/operators/Op_Operators.h"
#include "interpreter/Fn_Table.h"
#include "interpreter/Prog_Program.h"
#include "values/Smp_Payload.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"
#include "worksheet/Wsf_Registry.h"

namespace {

// The ids of each form, as comma-separated ids and ranges.
struct FormIds {
  FnForm form;
  const char* ids;
};

constexpr FormIds kFormIds[] = {
    {kFormA1, "1-6,8,11,12,14-18,21,23,25-27,32,37,45-49,58,59,82,602,603,605-616,618"},
    {kFormA2, "7,9,10,19,28,29,34,36,41-43,55-57"},
    {kFormA4, "44,81"},
    {kFormA5, "83"},
    {kFormCtx, "33,311,315,617"},
    {kFormA1Ctx, "302,307,308,312,314,405,415,418,420-424,426-429,432-434,438,704,802,805,814,815,920,921,927,948,"
                 "949,1001-1003,1010,1011,1013,1019,1021-1023,1150"},
    {kFormA2Ctx, "305,306,401-404,425,430,435,516,517,519,521,527,907-909,911,914,923,924,932,934,950,951,953,956,"
                 "958,960,961,967,969,971,1006,1015,1020"},
    {kFormA3Ctx, "201-212,301,313,526,542,544-546,549,917,922,937,945,954,962"},
    {kFormA4Ctx, "543,977"},
    {kFormList, "13,20,22,24,30,31,35,40,50-54,60-63,304,310,316-318,320,406-414,416,417,419,431,436,437,439,"
                "501-504,513-515,518,520,522,524,525,528-534,536-541,547,548,550-552,701,703,705,801,803,804,806,"
                "808,810,811,813,816,901-906,910,912,913,915,916,918,919,925,926,928-931,933,935,936,938-944,946,"
                "947,952,955,957,959,963-966,968,970,972-976,978,1004,1005,1008,1009,1012,1014,1016,1018,"
                "1251-1256,1339-1350,1352,1353,1355,1357-1361"},
    {kFormIdCtx, "38"},
    {kFormIdA2, "39"},
    {kFormCell, "1112"},
    {kFormCellA1, "1104,1109,1116,1117"},
    {kFormCellA2, "1114,1115"},
    {kFormCellList, "1101-1103,1105-1108,1110,1111,1113,1201-1227,1301,1304-1322,1324-1326,1331,1332,1334-1338"},
};

// Selector forms: one implementation serves several functions.
struct SelectorId {
  int16_t id;
  FnForm form;
  int8_t selector;
};

constexpr SelectorId kSelectorIds[] = {
    {505, kFormListSel, 1}, {506, kFormListSel, 2}, {507, kFormListSel, 3}, {508, kFormListSel, 4},
    {509, kFormListSel, 5}, {510, kFormListSel, 6}, {511, kFormListSel, 1}, {512, kFormListSel, 0},
    {523, kFormListSel, 1}, {535, kFormListSel, 0}, {1007, kFormListSel, 1}, {1017, kFormListSel, 0},
    {303, kFormA1Sel, 3},   {309, kFormA1Sel, 2},   {319, kFormA1Sel, 1},
    {702, kFormFalse, 0},   {706, kFormTrue, 0},    {-1, kFormUnsupported, 0},
};

constexpr size_t kTableSize = kFnLastId - kFnFirstId + 1;

std::array<FnDispatchEntry, kTableSize> buildTable() {
  std::array<FnDispatchEntry, kTableSize> table{};
  for (const FormIds& f : kFormIds) {
    const char* p = f.ids;
    while (*p) {
      char* end = nullptr;
      const long first = std::strtol(p, &end, 10);
      long last = first;
      if (*end == '-') last = std::strtol(end + 1, &end, 10);
      for (long id = first; id <= last; ++id) table[static_cast<size_t>(id - kFnFirstId)].form = f.form;
      p = *end == ',' ? end + 1 : end;
    }
  }
  for (const SelectorId& s : kSelectorIds) {
    FnDispatchEntry& e = table[static_cast<size_t>(s.id - kFnFirstId)];
    e.form = s.form;
    e.selector = s.selector;
  }
  return table;
}

const std::array<FnDispatchEntry, kTableSize>& table() {
  static const std::array<FnDispatchEntry, kTableSize> t = buildTable();
  return t;
}

Value* resultOf(EvalContext* ctx) { return ctx->result; }

Value notAvailable(EvalContext* ctx) { return *Val_setError(resultOf(ctx), kErrNA); }

// Calls a worksheet function of the worksheet library in the context's
// result, with the cell being evaluated; false when it has none for id.
bool callWorksheet(int32_t id, int32_t n, Value** a, EvalContext* ctx, Value* r) {
  const WsfEntry entry = Wsf_entry(id);
  if (!entry) return false;
  const Symbol* symbol = ctx->currentSymbol;
  const CellRef at = symbol ? Prog_symbolCell(symbol) : CellRef{};
  const WsfCall call{symbol ? &at : nullptr, symbol && symbol->formula && symbol->formula->isArray};
  *r = *entry(resultOf(ctx), n, a, &call);
  return true;
}

// Calls the implementation in its form; false when there is none.
bool callImpl(const FnDispatchEntry& e, int32_t id, int32_t n, Value** a, int32_t cell, EvalContext* ctx, Value* r) {
  if (callWorksheet(id, n, a, ctx, r)) return true;
  const FnImpl& f = e.impl;
  switch (e.form) {
    case kFormA1: if (!f.a1) return false; *r = f.a1(a[0]); return true;
    case kFormA2: if (!f.a2) return false; *r = f.a2(a[0], a[1]); return true;
    case kFormA4: if (!f.a4) return false; *r = f.a4(a[0], a[1], a[2], a[3]); return true;
    case kFormA5: if (!f.a5) return false; *r = f.a5(a[0], a[1], a[2], a[3], a[4]); return true;
    case kFormCtx: if (!f.ctx) return false; *r = f.ctx(ctx); return true;
    case kFormA1Ctx: if (!f.a1Ctx) return false; *r = f.a1Ctx(a[0], ctx); return true;
    case kFormA2Ctx: if (!f.a2Ctx) return false; *r = f.a2Ctx(a[0], a[1], ctx); return true;
    case kFormA3Ctx: if (!f.a3Ctx) return false; *r = f.a3Ctx(a[0], a[1], a[2], ctx); return true;
    case kFormA4Ctx: if (!f.a4Ctx) return false; *r = f.a4Ctx(a[0], a[1], a[2], a[3], ctx); return true;
    case kFormList: if (!f.list) return false; *r = f.list(n, a, ctx); return true;
    case kFormListSel: if (!f.listSel) return false; *r = f.listSel(n, a, e.selector, ctx); return true;
    case kFormA1Sel: if (!f.a1Sel) return false; *r = f.a1Sel(a[0], e.selector, ctx); return true;
    case kFormIdCtx: if (!f.idCtx) return false; *r = f.idCtx(id, ctx); return true;
    case kFormIdA2: if (!f.idA2) return false; *r = f.idA2(id, a[0], a[1]); return true;
    case kFormCell: if (!f.cell) return false; *r = f.cell(cell, ctx); return true;
    case kFormCellA1: if (!f.cellA1) return false; *r = f.cellA1(cell, a[0], ctx); return true;
    case kFormCellA2: if (!f.cellA2) return false; *r = f.cellA2(cell, a[0], a[1], ctx); return true;
    case kFormCellList: if (!f.cellList) return false; *r = f.cellList(cell, n, a, ctx); return true;
    case kFormFalse: *r = *Val_setBool(resultOf(ctx), 0); return true;
    case kFormTrue: *r = *Val_setBool(resultOf(ctx), 1); return true;
    case kFormUnsupported: *r = Fn_unsupportedFunction(n, a, ctx); return true;
    default: return false;
  }
}

// A private copy of an argument with every sample vector replaced by its
// trial t.
void sampleArgument(Value* v, int32_t t) {
  if (v->kind == kValSamples) {
    const auto* s = static_cast<const SampleVector*>(v->payload);
    const double x = s && t <= s->n ? s->data[t] : std::numeric_limits<double>::quiet_NaN();
    Val_setNumber(v, x);
  } else if (v->kind == kValArray && v->array) {
    for (int32_t i = 0; i < v->array->rows; ++i)
      for (int32_t j = 0; j < v->array->columns; ++j) sampleArgument(Val_at(v, i, j), t);
  }
}

void trialByTrial(int32_t id, int32_t n, Value** args, const char16_t* text, int32_t cell, Value* out,
                  EvalContext* ctx) {
  const int32_t trials = ctx->trialCount;
  std::vector<double> samples(static_cast<size_t>(trials) + 1, 0.0);
  std::vector<Value> copies(static_cast<size_t>(n), Val_empty(ctx));
  std::vector<Value*> pointers(static_cast<size_t>(n));
  Value result = Val_empty(ctx);
  bool failed = false;
  for (int32_t t = 1; t <= trials && !failed; ++t) {
    for (int32_t i = 0; i < n; ++i) {
      Val_assign(&copies[static_cast<size_t>(i)], args[i]);
      sampleArgument(&copies[static_cast<size_t>(i)], t);
      pointers[static_cast<size_t>(i)] = &copies[static_cast<size_t>(i)];
    }
    Fn_dispatch(id, n, pointers.data(), text, cell, &result, ctx);
    if (Val_isScalar(result.kind) && result.kind != kValError) {
      samples[static_cast<size_t>(t)] = result.kind <= kValMissing ? 0.0 : result.number;
    } else if (result.kind == kValError) {
      samples[static_cast<size_t>(t)] = std::numeric_limits<double>::quiet_NaN();
    } else {
      const CellRef at = ctx->currentSymbol ? Prog_symbolCell(ctx->currentSymbol) : CellRef{};
      Vm_raise(ctx, kStatusUnsupportedVector, "Fn_callNode", at.sheet, at.row, at.column);
      failed = true;
    }
  }
  if (failed) {
    Val_setInt(out, 0);
  } else {
    SampleVector s{samples.data(), trials, trials, ctx};
    Val_setSamples(out, &s);
  }
  for (Value& v : copies) Val_clear(&v);
  Val_clear(&result);
}

}  // namespace

FnDispatchEntry Fn_entry(int32_t id) {
  if (id < kFnFirstId || id > kFnLastId) return FnDispatchEntry{};
  return table()[static_cast<size_t>(id - kFnFirstId)];
}

bool Fn_hasImplementation(int32_t id) {
  const FnDispatchEntry e = Fn_entry(id);
  return e.form == kFormFalse || e.form == kFormTrue || e.impl.a1 != nullptr || Wsf_entry(id) != nullptr;
}

Value Fn_unsupportedFunction(int32_t /*n*/, Value** /*args*/, EvalContext* ctx) {
  Vm_raise(ctx, kStatusUnsupportedFunction, "Fn_unsupportedFunction", 0, 0, 0);
  return notAvailable(ctx);
}

Value Fn_unknownFunction(int32_t n, Value** args, const char16_t* /*text*/, EvalContext* ctx) {
  Vm_warn(ctx, kWarnUnknownFunction, 0);
  // The structure-analysis modes take unknown calls in their own families;
  // every other mode reports the function.
  std::vector<Value> arguments;
  for (int32_t k = 0; k < n; ++k) arguments.push_back(*args[k]);
  if (DegDag_unknownFunction(n, arguments.data(), ctx) || DegVec_unknownFunction(n, arguments.data(), ctx))
    return *ctx->result;
  Vm_raise(ctx, kStatusUnknownFunction, "Fn_unknownFunction", 0, 0, 0);
  return notAvailable(ctx);
}

void Fn_dispatch(int32_t id, int32_t n, Value** args, const char16_t* text, int32_t cell, Value* out,
                 EvalContext* ctx) {
  Value r{};
  if (!callImpl(Fn_entry(id), id, n, args, cell, ctx, &r)) r = Fn_unknownFunction(n, args, text, ctx);
  Val_assign(out, &r);
}

void Fn_callNode(int32_t id, int32_t n, Value** args, const char16_t* text, int32_t cell, Value* out,
                 EvalContext* ctx) {
  if (ctx->mode == kModeSamples && Fn_isElementwise(id) && Op_anyArgHasKind(n, args, kValSamples))
    trialByTrial(id, n, args, text, cell, out, ctx);
  else
    Fn_dispatch(id, n, args, text, cell, out, ctx);
}
