// The worksheet-function object: the application's built-in functions called
// by name, with variants as arguments, answered by the calculation exactly as
// a formula would be. A function whose result is an error value fails the
// call with an exception, as the application's own object does.
#include "platform/automation/Auto_Internal.h"
#include "platform/calc/Calc_Call.h"

namespace {

// A variant as a function argument; false when it has no worksheet form.
bool argumentOf(const AutoVariant& v, CalcCallArg* out) {
  CalcArray& a = out->value;
  a = CalcArray{1, 1, {CellValue{}}};
  CellValue& x = a.values[0];
  switch (v.vt) {
    case Auto_vtEmpty: return true;
    case Auto_vtString: x = CellValue::makeText(Auto_stringToUtf8(v.str)); return true;
    case Auto_vtBool: x = CellValue::makeBoolean(v.boolean != 0); return true;
    case Auto_vtDate: x = CellValue::makeNumber(Auto_dateToSerial(v.date)); return true;
    case Auto_vtError: {
      if (v.error == Auto_eParamNotFound) {
        out->missing = true;
        return true;
      }
      CellError e;
      std::uint32_t code = static_cast<std::uint32_t>(v.error) - Auto_cellErrorBase;
      if (code > 42 || !Wb_errorFromText(Wb_errorText(static_cast<CellError>(code)), &e) ||
          static_cast<std::uint32_t>(e) != code)
        return false;
      x = CellValue::makeError(e);
      return true;
    }
    case Auto_vtArray | Auto_vtVariant: {
      if (!v.array || v.array->items.empty()) return false;
      a.rows = static_cast<int>(v.array->count[0]);
      a.cols = static_cast<int>(v.array->count[1]);
      a.values.clear();
      for (const AutoVariant& e : v.array->items) {
        CalcCallArg item;
        if (e.vt == (Auto_vtArray | Auto_vtVariant) || !argumentOf(e, &item) || item.missing) return false;
        a.values.push_back(item.value.values[0]);
      }
      return true;
    }
    case Auto_vtDispatch: {   // a range gives its values
      const AutoObject* o = Auto_argumentObject(&v, AutoKind::Range);
      if (!o) return false;
      const CellRange& r = o->areas[0];
      long long cells = static_cast<long long>(r.row2 - r.row1 + 1) * (r.col2 - r.col1 + 1);
      if (cells > (1LL << 22)) return false;
      a.rows = r.row2 - r.row1 + 1;
      a.cols = r.col2 - r.col1 + 1;
      a.values.clear();
      for (int i = r.row1; i <= r.row2; ++i)
        for (int j = r.col1; j <= r.col2; ++j) {
          const Cell* c = Wb_findCell(o->sheet, i, j);
          a.values.push_back(c ? c->value : CellValue{});
        }
      return true;
    }
    default: {
      AutoVariant num;
      Auto_variantInit(&num);
      if (Auto_failed(Auto_variantChangeType(&num, &v, 0, Auto_vtR8))) return false;
      x = CellValue::makeNumber(num.r8);
      return true;
    }
  }
}

// An optional argument left out before a given one takes its default, as
// leaving it out of the end would (FIXED(x, , TRUE) keeps two decimals).
struct Default {
  const char* function;
  std::size_t param;
  double value;
};
constexpr Default kDefaults[] = {
  {"FIXED", 1, 2}, {"DOLLAR", 1, 2}, {"FIND", 2, 1}, {"SEARCH", 2, 1}, {"ROMAN", 1, 0}, {"WEEKDAY", 1, 1},
};

void fillDefaults(const std::string& name, std::vector<CalcCallArg>* args) {
  for (const Default& d : kDefaults)
    if (Wb_equalNoCase(name, d.function) && d.param < args->size() && (*args)[d.param].missing)
      (*args)[d.param] = CalcCallArg{false, CalcArray{1, 1, {CellValue::makeNumber(d.value)}}};
}

void valueToVariant(const CellValue& v, AutoVariant* out) {
  Cell cell;
  cell.value = v;
  Auto_cellToVariant(&cell, out);
}

}  // namespace

std::vector<std::string> Auto_functionNames() { return Calc_functionNames(); }

AutoResult Auto_callFunction(AutoCall& call, const std::string& name, const AutoDispParams* params) {
  if (params->namedCount > 0) return Auto_eNoNamedArgs;
  std::vector<CalcCallArg> args(params->argCount);
  for (std::uint32_t i = 0; i < params->argCount; ++i) {
    std::uint32_t at = params->argCount - 1 - i;
    if (!argumentOf(params->args[at], &args[i])) {
      call.argError = at;
      return Auto_eTypeMismatch;
    }
  }
  while (!args.empty() && args.back().missing) args.pop_back();
  fillDefaults(name, &args);
  CalcArray result;
  switch (Calc_callFunction(Wb_activeWorkbook(), name, args, &result)) {
    case CalcCallStatus::UnknownFunction: return Auto_eMemberNotFound;
    case CalcCallStatus::BadArgumentCount: return Auto_eBadParamCount;
    case CalcCallStatus::Ok: break;
  }
  if (result.values.size() == 1) {
    const CellValue& v = result.values[0];
    if (v.kind == CellKind::Error)
      return call.raise(Auto_excFailed, "The worksheet function " + name + " gave " + Wb_errorText(v.error) + ".");
    valueToVariant(v, call.result);
    return Auto_ok;
  }
  AutoArray* arr = Auto_arrayCreate(1, static_cast<std::uint32_t>(result.rows), 1, static_cast<std::uint32_t>(result.cols));
  if (!arr) return call.raise(Auto_excFailed, "The result of " + name + " is too large.");
  for (std::size_t k = 0; k < result.values.size() && k < arr->items.size(); ++k) valueToVariant(result.values[k], &arr->items[k]);
  Auto_variantClear(call.result);
  call.result->vt = Auto_vtArray | Auto_vtVariant;
  call.result->array = arr;
  return Auto_ok;
}
