// The worksheet functions the stand-in's calculation gets from the library,
// as a spreadsheet gets them from its function library and its loaded
// add-ins: every function of the library's function list that the stand-in
// has no built-in for, and the simulation add-in's functions by every name
// they have, which the add-in registers through the callback interface. A call converts the evaluated arguments into
// the interpreter's values, runs the library's implementation in plain value mode through the interpreter's dispatcher,
// and converts the answer back. A function that takes plain scalars is registered as one, so that the calculation
// applies it element by element over arrays and intersects a range outside an array formula, as it does its own. Random
// draws (the simulation functions) are volatile: each recalculation draws again.
// They are registered once per process, at the latest when the first formula names one.
#include <algorithm>
#include <cctype>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "frontend/Fe_Frontend.h"
#include "frontend/Fe_Interpreter.h"
#include "interpreter/Fn_Dispatch.h"
#include "interpreter/Fn_Table.h"
#include "interpreter/Vm_Machine.h"
#include "platform/calc/Calc.h"
#include "platform/calc/Calc_Call.h"
#include "platform/os/Os_Guard.h"
#include "platform/xlcall/Xlc_Host.h"
#include "platform/xlcall/Xlc_Internal.h"
#include "platform/xlcall/Xlcall.h"
#include "simulation/functions/Sim_Names.h"
#include "values/Model_Refs.h"
#include "values/Text_Convert.h"
#include "values/Val_Value.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Shared.h"

namespace {

// The one evaluation context of every call: plain real mode, no trials, so
// a simulation function gives one draw.
EvalContext* context() {
  static EvalContext* ctx = [] {
    EvalContext* c = Vm_createContext();
    c->flags.mode = kModeReal;
    return c;
  }();
  return ctx;
}

CalcArray single(const CellValue& v) { return CalcArray{1, 1, {v}}; }

// The place a value read from a single cell is marked with: the functions
// ask only whether it was read from one (a text there is no text given
// directly), never which.
constexpr RangeRef kSomeCell{};

// A block as the interpreter's value: an argument left out, one value, or
// an array (an array of one element too, as the worksheet passes it);
// false when it is larger than the interpreter's arrays.
bool valueOf(const CalcArray& a, Value* v) {
  if (a.values.empty()) {
    v->kind = kValMissing;
    return true;
  }
  if (a.values.size() == 1 && !a.array) {
    Fe_toValue(a.values[0], v);
    if (a.reference) Vm_setRangeRef(v, &kSomeCell);
    return true;
  }
  if (a.rows > kValMaxRows || a.cols > kValMaxColumns ||
      Val_makeArray(v, static_cast<int32_t>(a.rows), static_cast<int32_t>(a.cols)) != 0)
    return false;
  for (int i = 0; i < a.rows; ++i)
    for (int j = 0; j < a.cols; ++j) Fe_toValue(a.values[static_cast<size_t>(i) * a.cols + j], Val_at(v, i, j));
  return true;
}

// The interpreter's answer as a block. A status raised on the way (an
// overflow, a function without an implementation) shows as the error the
// worksheet shows for it.
CalcArray blockOf(const Value* r, const EvalContext* ctx) {
  if (ctx->errors.errorCount > 0 && r->kind != kValError) {
    const bool unknown =
        ctx->errors.firstError == kStatusUnknownFunction || ctx->errors.firstError == kStatusUnsupportedFunction;
    return single(CellValue::makeError(unknown ? CellError::Name : CellError::Num));
  }
  if (r->kind != kValArray || !r->array) return single(Fe_fromValue(r));
  CalcArray out{r->array->rows, r->array->columns, {}};
  out.array = true;  // one of a single element too (FREQUENCY over one bin)
  out.values.reserve(static_cast<size_t>(out.rows) * out.cols);
  for (int i = 0; i < out.rows; ++i)
    for (int j = 0; j < out.cols; ++j) out.values.push_back(Fe_fromValue(Val_at(r, i, j)));
  return out;
}

// A call's arguments as the interpreter's values, each read as its
// parameter reads it, and its answer. An argument set again leaves the
// others as they were read.
class Call {
 public:
  Call(const FunctionRecord& fn, size_t n)
      : fn_(fn), ctx_(context()), values_(n, Val_empty(ctx_)), pointers_(n), read_(n, true) {}
  ~Call() {
    for (Value& v : values_) Val_clear(&v);
  }
  Call(const Call&) = delete;
  Call& operator=(const Call&) = delete;

  void set(size_t k, const CalcArray& a) {
    Val_clear(&values_[k]);
    read_[k] = valueOf(a, &values_[k]);
    pointers_[k] = &values_[k];
    Fn_convertArgument(fn_.id, static_cast<int32_t>(k), &pointers_[k], &values_[k]);
  }

  // #VALUE! when an argument is larger than the interpreter's arrays.
  CalcArray answer() {
    if (std::find(read_.begin(), read_.end(), false) != read_.end())
      return single(CellValue::makeError(CellError::Value));
    Value result = Val_empty(ctx_);
    Vm_clearErrors(&ctx_->errors);
    Fn_dispatch(fn_.id, static_cast<int32_t>(values_.size()), pointers_.data(), fn_.name, 0, &result, ctx_);
    CalcArray out = blockOf(&result, ctx_);
    Vm_clearErrors(&ctx_->errors);
    Val_clear(&result);
    return out;
  }

 private:
  const FunctionRecord& fn_;
  EvalContext* ctx_;
  std::vector<Value> values_;
  std::vector<Value*> pointers_;
  std::vector<bool> read_;
};

// A call with more or fewer arguments than the function takes (a file can
// hold one that no spreadsheet program would enter) is #VALUE!, as the
// calculation's own functions answer it.
bool countFault(const FunctionRecord& fn, size_t n) { return !Fn_acceptsCount(&fn, static_cast<int32_t>(n)); }

CalcArray callOnce(const FunctionRecord& fn, const std::vector<CalcArray>& args) {
  if (countFault(fn, args.size())) return single(CellValue::makeError(CellError::Value));
  Call call(fn, args.size());
  for (size_t k = 0; k < args.size(); ++k) call.set(k, args[k]);
  return call.answer();
}

// The element calls of a call lifted over the arguments at `lifted`: the
// others are read once for all of them, each element reads only its own
// values. Lifted over its first argument alone, a lookup or RANK works out
// once what it needs of its other arguments (a sorted copy of the searched
// line) while the calls last, as the interpreter's own lifted calls do.
struct LiftedCalls {
  LiftedCalls(const FunctionRecord& record, const std::vector<CalcArray>& args, const std::vector<size_t>& over)
      : fn(record), shared(over.size() == 1 && over[0] == 0 && Wsf_sharesLiftedWork(fn.id)),
        call(fn, args.size()), lifted(over) {
    for (size_t k = 0; k < args.size(); ++k)
      if (std::find(lifted.begin(), lifted.end(), k) == lifted.end()) call.set(k, args[k]);
  }
  CalcArray answer(const CellValue* const* items) {
    for (size_t i = 0; i < lifted.size(); ++i) call.set(lifted[i], single(*items[i]));
    return call.answer();
  }
  const FunctionRecord fn;
  const WsfSharedScope shared;
  Call call;
  const std::vector<size_t> lifted;
};

CalcElementCall liftedCallsOf(const FunctionRecord& fn, const std::vector<CalcArray>& args,
                              const std::vector<size_t>& lifted) {
  if (countFault(fn, args.size()))
    return [](const CellValue* const*) { return single(CellValue::makeError(CellError::Value)); };
  auto calls = std::make_shared<LiftedCalls>(fn, args, lifted);
  return [calls](const CellValue* const* items) {
    return Os_guard(kCalcOutOfMemory, [&] { return calls->answer(items); });
  };
}

// The calculation calls the function from the platform's module: memory
// that runs out is caught here, on this side, and answered as such.
CalcFunction adapterFor(const FunctionRecord& fn) {
  return [fn](const std::vector<CalcArray>& args) {
    return Os_guard(kCalcOutOfMemory, [&] { return callOnce(fn, args); });
  };
}

// So are its lifted calls: when memory runs out preparing them, every
// element answers so.
CalcLiftPreparer liftPreparerFor(const FunctionRecord& fn) {
  return [fn](const std::vector<CalcArray>& args, const std::vector<size_t>& lifted) {
    const CalcElementCall outOfMemory = [](const CellValue* const*) { return kCalcOutOfMemory; };
    return Os_guard(outOfMemory, [&] { return liftedCallsOf(fn, args, lifted); });
  };
}

// How the calculation calls the function: once per element when it takes
// plain scalars, with its arguments' operators element by element only when
// it takes whole arrays (SUMPRODUCT, the matrix functions), with an array
// whole where it takes one value when it lifts arrays (LARGE's k), never
// lifted when it answers an array itself, its elements sharing their work
// when it is a lookup lifted over its keys, on every recalculation when it
// draws.
unsigned flagsOf(int32_t id, bool isVolatile) {
  const unsigned args = Fn_isScalarArgs(id) ? kCalcScalarArgs : Fn_isArrayArgs(id) ? 0u : kCalcPlainArgs;
  return args | (Fn_liftsArrays(id) ? kCalcLiftsArrays : 0u) | (Fn_answersArray(id) ? kCalcArrayResult : 0u) |
         (Wsf_sharesLiftedWork(id) ? kCalcSharesLiftedWork : 0u) |
         (isVolatile || Fn_isRandom(id) ? kCalcVolatile : 0u);
}

std::string upper(const std::u16string& name) {
  std::string s = Text_toUtf8(name);
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// The spreadsheet's own function library: the worksheet functions of the
// list that the stand-in has no built-in for.
void registerWorksheetFunctions() {
  const std::vector<std::string> builtins = Calc_functionNames();
  const std::set<std::string> own(builtins.begin(), builtins.end());
  FunctionRecord record{};
  for (int32_t i = 0; Fn_recordAt(i, &record); ++i) {
    const std::string name = upper(record.name);
    if (Fn_hasImplementation(record.id) && !own.count(name))
      Calc_registerFunction(name, adapterFor(record), flagsOf(record.id, record.isVolatile != 0),
                            [id = record.id](size_t k) { return Fn_takesOneValue(id, static_cast<int32_t>(k)); },
                            liftPreparerFor(record));
  }
}

// The simulation add-in: it offers a procedure per function and registers
// each of its names through the callback interface, as an add-in does when
// it loads.
bool registerAddinFunctions() {
  bool ok = true;
  for (int32_t i = 0; i < Sim_nameCount(); ++i) {
    const SimName* s = Sim_nameAt(i);
    if (!Fn_hasImplementation(s->id)) continue;
    FunctionRecord record{};
    Fn_setRecord(s->id, s->name, s->count, s->optional, 0, &record);
    const std::string procedure = "sim" + std::to_string(s->id);
    Xlc_offerProcedure(procedure, adapterFor(record));
    XLOPER args[3], result;
    Xlc_setText(&args[0], procedure);
    Xlc_setText(&args[1], upper(s->name));
    Xlc_setNum(&args[2], flagsOf(s->id, false));
    ok = Excel4(xlfRegister, &result, 3, &args[0], &args[1], &args[2]) == xlretSuccess && ok;
    for (XLOPER& a : args) Xlc_release(&a);
  }
  return ok;
}

}  // namespace

bool Fe_registerFunctions() {
  static const bool registered = (registerWorksheetFunctions(), registerAddinFunctions());
  return registered;
}

void Fe_registerFunctionsWhenNeeded() {
  Calc_setFunctionSource([] { Os_guard(false, [] { return Fe_registerFunctions(); }); });
}
