// Status table, raise and warning rules, and the worksheet error encoding.
#include "values/Vm_Status.h"

#include "values/Vm_Context.h"

namespace {

const char16_t* const kStatusTexts[kStatusCount] = {
    u"OK",
    u"Interrupt request !",
    u"Memory allocation failed !",
    u"Ole error !",
    u"Invalid token !",
    u"Unexpected end of formula !",
    u"Invalid array !",
    u"Invalid number !",
    u"Invalid fraction !",
    u"Invalid exponent !",
    u"Too many digits !",
    u"Real literal out of range !",
    u"Integer literal out of range !",
    u"Invalid expression !",
    u"Undefined identifier !",
    u"Range failure !",
    u"Missing ( !",
    u"Missing ) !",
    u"Wrong number of parameters !",
    u"Type mismatch !",
    u"Code segment overflow !",
    u"Too long expression !",
    u"Symbol table full !",
    u"Circular reference !",
    u"External name !",
    u"Multi-area not supported !",
    u"Floating point overflow !",
    u"Runtime stack overflow !",
    u"Runtime stack empty !",
    u"String overflow !",
    u"Division by zero !",
    u"Unfeasible argument !",
    u"Type mismatch !",
    u"Invalid operation !",
    u"Invalid token !",
    u"Variable cell with formula !",
    u"Variable defined more than once !",
    u"Missing Diagnostic/Memory evaluation !",
    u"Unknown function !",
    u"Unsupported Excel function !",
    u"Excel error value returned !",
    u"Non-smooth special function !",
    u"Unsupported Vector operation !",
    u"Correlation error !",
    u"OK",
    u"Non-smooth function !",
    u"Unfeasible argument !",
    u"Lost of significance !",
    u"Unknown function !",
};

bool isErrorCode(uint32_t code) {
  switch (code) {
    case kErrNull: case kErrDiv0: case kErrValue: case kErrRef:
    case kErrName: case kErrNum: case kErrNA:
      return true;
    default:
      return false;
  }
}

}  // namespace

const char16_t* Vm_statusText(int code) {
  return code >= 0 && code < kStatusCount ? kStatusTexts[code] : nullptr;
}

double Vm_errorNumber(uint32_t code) {
  return static_cast<double>(static_cast<int32_t>(kErrorBase + code));
}

bool Vm_errorCode(double number, uint32_t* code) {
  const double offset = number - static_cast<double>(static_cast<int32_t>(kErrorBase));
  if (!(offset >= 0.0 && offset <= static_cast<double>(kErrNA)) || offset != static_cast<double>(static_cast<uint32_t>(offset))) return false;
  if (!isErrorCode(static_cast<uint32_t>(offset))) return false;
  *code = static_cast<uint32_t>(offset);
  return true;
}

EvalErrors* Vm_errorsOf(EvalContext* ctx) { return ctx ? &ctx->errors : nullptr; }

void Vm_raise(EvalErrors* errors, InterpStatus code, const char* /*name*/, uint8_t sheet, uint16_t row, uint8_t column) {
  if (!errors || ++errors->errorCount != 1) return;
  errors->firstError = code;
  errors->errorCell = CellRef{sheet, row, column};
}

void Vm_setErrorCell(EvalErrors* errors, uint8_t sheet, uint16_t row, uint8_t column) {
  const CellRef& cell = errors->errorCell;
  if (errors->errorCount < 1 || (cell.sheet && cell.row && cell.column)) return;
  errors->errorCell = CellRef{sheet, row, column};
}

void Vm_warn(EvalErrors* errors, WarnCode code, int32_t /*ignored*/) {
  if (++errors->warningCount == 1) errors->firstWarning = code;
}

void Vm_clearErrors(EvalErrors* errors) { *errors = EvalErrors{}; }

uint32_t Vm_mapComError(uint32_t value) {
  const uint32_t code = value - kComErrorBase;
  return value >= kComErrorBase && isErrorCode(code) ? kErrorBase + code : value;
}
