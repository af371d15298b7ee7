// The worksheet functions the interpreter knows by name: identifier,
// argument count (fixed, or -1 for any number), trailing optional arguments
// and the volatile flag, with the predicates on identifiers that decide how
// a call is evaluated.
#pragma once

#include <cstdint>

// The functions and their identifiers are listed in values/Fn_Ids.h.
// Unsupported names give kFnUnsupported, unknown names kFnUnknown.
constexpr int16_t kFnUnknown = 0;
constexpr int16_t kFnUnsupported = -1;
// Type code of an argument or result of any type.
constexpr uint32_t kFnAnyType = 21;
constexpr int kFnMaxArguments = 32;
constexpr int kFnNameLength = 33;

struct FunctionRecord {
  int16_t id;
  char16_t name[kFnNameLength];  // lower case
  int32_t resultType;
  int16_t argumentCount;  // -1: any number
  uint16_t optional;      // trailing arguments that may be left out
  uint32_t argumentTypes[kFnMaxArguments];
  uint8_t isVolatile;
};

// Looks the lower-case name up, in the worksheet functions' list and then
// among the simulation library's names. True with the record filled for a
// known function; false for an unsupported one (id -1, any count) or an unknown one
// (id 0, any count); the record carries the name in every case.
bool Fn_lookup(const char16_t* name, FunctionRecord* out);
// The entries of the table in order: count, and the record of entry i.
int32_t Fn_count();
bool Fn_recordAt(int32_t i, FunctionRecord* out);
// Fills a record: result and the first count argument types "any" (all 32
// when count is negative); the name is cut to 32 characters.
void Fn_setRecord(int16_t id, const char16_t* name, int16_t count, uint16_t optional, uint8_t isVolatile,
                  FunctionRecord* out);
void Fn_copyRecord(FunctionRecord* out, const FunctionRecord* in);
// The fewest arguments a call of the function passes: its count less its
// optional ones; for an open count the arguments a variadic worksheet
// function needs (SUM one, CHOOSE an index and a value), none for the
// simulation library's.
int32_t Fn_fewestArguments(const FunctionRecord* fn);
// Whether a call of the function may pass n arguments: from the fewest to
// its count, or any number above the fewest when the count is open.
bool Fn_acceptsCount(const FunctionRecord* fn, int32_t n);

bool Fn_isDatabase(int32_t id);
bool Fn_isDateTime(int32_t id);
bool Fn_isEngineering(int32_t id);
bool Fn_isInformation(int32_t id);
bool Fn_isLookup(int32_t id);
bool Fn_isText(int32_t id);
// Each call is a sampled input of its own.
bool Fn_isRandom(int32_t id);
// A call with a sample-vector argument is evaluated trial by trial.
bool Fn_isElementwise(int32_t id);
// Takes plain scalar arguments (no ranges, arrays or unevaluated ones), so an
// array formula applies it element by element.
bool Fn_isScalarArgs(int32_t id);
// Takes whole arrays (SUMPRODUCT, the matrix functions, the paired sums of
// squares): operators and scalar functions inside its arguments work element
// by element, as in an array formula, instead of intersecting with the cell.
bool Fn_isArrayArgs(int32_t id);
// An argument left out (f(1,,2)) is a blank: so for the worksheet functions
// but those with defaults of their own (the known x of a regression, say);
// the simulation library's functions read it as left out.
bool Fn_leavesOutBlank(int32_t id);
// What a parameter takes, by the letters of the function list
// (values/Fn_Ids.h).
enum FnParameterKind : char {
  kParamNumber = 'n',     // one number
  kParamNumberNoLogical = 'd',  // one number, a logical there #VALUE!
  kParamNumbers = 'N',    // numbers of ranges and arrays
  kParamLogical = 'b',    // one logical
  kParamLogicals = 'B',   // logicals of ranges and arrays
  kParamText = 't',       // a text
  kParamValue = 'v',      // any value, taken as given
  kParamOneValue = 'o',   // one value of any kind, taken as given
  kParamReference = 'r',  // a cell or range: any other value makes the call #VALUE!
  kParamTable = 'a',      // a table taken whole, computed element by element
};
// The kind of argument k (0-based) of id: a variadic function's last kind
// stands for every further argument; any value for an unlisted id.
FnParameterKind Fn_parameterKind(int32_t id, int32_t k);
// Whether argument k of a function that takes ranges and arrays reads one
// number, one logical or one value of any kind there: outside an array formula a range given there
// is the cell in the formula's row or column (#VALUE! when it has none), any
// other array its first element, as the worksheet reads one value. Not so
// for a function that takes them whole there (IF's condition), and an array
// that is no range not so where the function lifts arrays (Fn_liftsArrays).
bool Fn_takesOneValue(int32_t id, int32_t k);
// Whether the function takes an array that is no range whole where it reads
// one value (LARGE's and SMALL's k), answering an array of results.
bool Fn_liftsArrays(int32_t id);
// Whether the function answers an array whatever its arguments (TREND): a call
// is never lifted, and where it reads one value it does so in array context too.
bool Fn_answersArray(int32_t id);
