// Interpreter statuses, warnings and worksheet error values. Every component
// reports trouble by raising a status on the evaluation context, which counts
// it and keeps only the first one with the cell where it happened; worksheet
// errors ("#div/0!" and the like) are values of kind 18 instead.
#pragma once

#include <cstdint>

struct EvalContext;
struct EvalErrors;
struct EvalErrors;

enum InterpStatus : uint8_t {
  kStatusOk = 0,
  kStatusInterrupt = 1,
  kStatusNoMemory = 2,
  kStatusOleError = 3,
  kStatusInvalidToken = 4,
  kStatusUnexpectedEnd = 5,
  kStatusInvalidArray = 6,
  kStatusInvalidNumber = 7,
  kStatusInvalidFraction = 8,
  kStatusInvalidExponent = 9,
  kStatusTooManyDigits = 10,
  kStatusRealOutOfRange = 11,
  kStatusIntegerOutOfRange = 12,
  kStatusInvalidExpression = 13,
  kStatusUndefinedIdentifier = 14,
  kStatusRangeFailure = 15,
  kStatusMissingOpen = 16,
  kStatusMissingClose = 17,
  kStatusWrongArgumentCount = 18,
  kStatusTypeMismatch = 19,
  kStatusCodeOverflow = 20,
  kStatusTooLong = 21,
  kStatusSymbolTableFull = 22,
  kStatusCircularReference = 23,
  kStatusExternalName = 24,
  kStatusMultiArea = 25,
  kStatusOverflow = 26,
  kStatusStackOverflow = 27,
  kStatusStackEmpty = 28,
  kStatusStringOverflow = 29,
  kStatusDivisionByZero = 30,
  kStatusUnfeasibleArgument = 31,
  kStatusOperandMismatch = 32,
  kStatusInvalidOperation = 33,
  kStatusInvalidCode = 34,
  kStatusVariableWithFormula = 35,
  kStatusVariableTwice = 36,
  kStatusNoSizingPass = 37,
  kStatusUnknownFunction = 38,
  kStatusUnsupportedFunction = 39,
  kStatusErrorValueReturned = 40,
  kStatusNonSmoothSpecial = 41,
  kStatusUnsupportedVector = 42,
  kStatusCorrelation = 43,
  kStatusNoError = 44,
  kStatusNonSmooth = 45,
  kStatusUnfeasibleDomain = 46,
  kStatusLostSignificance = 47,
  kStatusUnknownName = 48,
};
constexpr int kStatusCount = 49;

enum WarnCode : uint8_t {
  kWarnNonSmooth = 1,
  kWarnScaling = 3,
  kWarnUnknownFunction = 4,
};

// Codes of the worksheet errors; a kind-18 value holds kErrorBase + code.
enum XlErrorCode : uint32_t {
  kErrNull = 0,
  kErrDiv0 = 7,
  kErrValue = 15,
  kErrRef = 23,
  kErrName = 29,
  kErrNum = 36,
  kErrNA = 42,
};
constexpr uint32_t kErrorBase = 0xE0040000u;
// An error value as automation delivers it: kComErrorBase + code.
constexpr uint32_t kComErrorBase = 0x800A07D0u;

// The message of a status ("Division by zero !"); null outside 0..48.
const char16_t* Vm_statusText(int code);
// The number a kind-18 value holds for an error code (a negative integer).
double Vm_errorNumber(uint32_t code);
// The error code of a kind-18 number; false when it encodes none of the seven.
bool Vm_errorCode(double number, uint32_t* code);

// The error record of a context; null for a null context, where raising
// does nothing.
EvalErrors* Vm_errorsOf(EvalContext* ctx);
// Counts a status; the first since the last clear keeps its code and cell.
// The name only labels the call site and is not stored. A null record
// ignores the status.
void Vm_raise(EvalErrors* errors, InterpStatus code, const char* name, uint8_t sheet, uint16_t row, uint8_t column);
// Attributes an error raised without a complete position to this cell.
void Vm_setErrorCell(EvalErrors* errors, uint8_t sheet, uint16_t row, uint8_t column);
// Counts a warning; the first one's code is kept.
void Vm_warn(EvalErrors* errors, WarnCode code, int32_t ignored);
// Zeroes both counts, both first codes and the error cell.
void Vm_clearErrors(EvalErrors* errors);
// Turns an automation error value into the worksheet error encoding; any
// other number is returned unchanged.
uint32_t Vm_mapComError(uint32_t value);
