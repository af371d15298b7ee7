// Automation interface of the stand-in spreadsheet application.
//
// Besides the callback entry point, the application can be driven as an
// automation server: objects (application, workbooks, sheets, ranges, names,
// styles, the worksheet-function object) are reached by member names, with
// variants as arguments and results. This header is all a client needs:
//
// - Counted wide strings (UTF-16): `Auto_allocString` and friends. The
//   pointer points at the first character; the length in characters sits in
//   the 32-bit word before it, and a NUL follows the last character.
// - The variant record and its calls (init, clear, copy, type change), and
//   two-dimensional arrays of variants.
// - Objects with reference counts, an interface query, name lookup and
//   invoke. A member name has one id on every object that has the member.
//   Positional arguments arrive in reverse order (the last argument first);
//   named arguments come first in the array, with their ids beside them; a
//   property put passes its value as the one named argument
//   `Auto_dispidPropertyPut`.
// - Creating the application by its program id: the answer is always the one
//   in-process application.
//
// Text conversions are the same on every machine: no locale is consulted.
// Accepted forms (blanks around the text are ignored):
//   integer  [+|-]digits, whole and within the type's range;
//   real     [+|-]digits[.digits][e[+|-]digits] or [+|-].digits[...]; '.' is
//            the only decimal mark and there are no group separators;
//   boolean  "True" or "False" in any case, or a number (nonzero is true);
//   date     YYYY-MM-DD or YYYY/MM/DD (ISO order), M/D/YYYY (month first),
//            D-Mon-YYYY, D Mon YYYY and Mon D, YYYY with English month names
//            (three letters or in full, any case), each optionally followed
//            by a time; or a time alone: H:MM[:SS[.fff]] with an optional
//            AM or PM. A plain number is not a date.
// Numbers become texts with up to 15 significant digits ("0.1", "1E+20",
// "-2.5E-07"), booleans "True"/"False", dates "YYYY-MM-DD" with
// " HH:MM:SS" when they carry a time of day.
//
// Dates are day counts from 30 December 1899 (so 1 January 1900 is 2); cell
// date serials from 1 March 1900 on are the same numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

using AutoResult = std::int32_t;
using AutoDispId = std::int32_t;
using AutoLocale = std::uint32_t;
using AutoChar = char16_t;
using AutoString = AutoChar*;

constexpr AutoResult Auto_code(std::uint32_t u) { return static_cast<AutoResult>(u); }
constexpr bool Auto_failed(AutoResult r) { return r < 0; }

// Result codes. The dispatch ones are those whose texts clients compose.
constexpr AutoResult Auto_ok = 0;
constexpr AutoResult Auto_eNotImplemented = Auto_code(0x80004001);
constexpr AutoResult Auto_eNoInterface = Auto_code(0x80004002);
constexpr AutoResult Auto_ePointer = Auto_code(0x80004003);
constexpr AutoResult Auto_eFail = Auto_code(0x80004005);
constexpr AutoResult Auto_eOutOfMemory = Auto_code(0x8007000E);
constexpr AutoResult Auto_eInvalidArg = Auto_code(0x80070057);
constexpr AutoResult Auto_eNotInitialized = Auto_code(0x800401F0);
constexpr AutoResult Auto_eClassNotRegistered = Auto_code(0x80040154);
constexpr AutoResult Auto_eBadVarType = Auto_code(0x80020008);
constexpr AutoResult Auto_eBadIndex = Auto_code(0x8002000B);
// The object was released by its last holder: every call on it fails.
constexpr AutoResult Auto_eReleased = Auto_code(0x80040210);

constexpr AutoResult Auto_eMemberNotFound = Auto_code(0x80020003);
constexpr AutoResult Auto_eParamNotFound = Auto_code(0x80020004);
constexpr AutoResult Auto_eTypeMismatch = Auto_code(0x80020005);
constexpr AutoResult Auto_eUnknownName = Auto_code(0x80020006);
constexpr AutoResult Auto_eNoNamedArgs = Auto_code(0x80020007);
constexpr AutoResult Auto_eException = Auto_code(0x80020009);
constexpr AutoResult Auto_eOverflow = Auto_code(0x8002000A);
constexpr AutoResult Auto_eUnknownLocale = Auto_code(0x8002000C);
constexpr AutoResult Auto_eBadParamCount = Auto_code(0x8002000E);
constexpr AutoResult Auto_eParamNotOptional = Auto_code(0x8002000F);

// A cell's error value travels as the error code `Auto_cellErrorBase` + k,
// k the spreadsheet's own error code (7 for #DIV/0! ...).
constexpr std::uint32_t Auto_cellErrorBase = 0x800A07D0u;

// Exception codes of `AutoException::code`.
constexpr std::uint16_t Auto_excNotFound = 9;         // no such item in a collection
constexpr std::uint16_t Auto_excFailed = 1004;        // the application refused the call

// The cell type of a range's SpecialCells that picks its formula cells.
constexpr std::int32_t Auto_cellTypeFormulas = -4123;

// ---- Counted wide strings ----
AutoString Auto_allocString(const AutoChar* text);            // nullptr gives nullptr
AutoString Auto_allocStringLen(const AutoChar* text, std::uint32_t length);  // text may be nullptr (zeros)
std::uint32_t Auto_stringLen(const AutoChar* s);               // 0 for nullptr
void Auto_freeString(AutoString s);                            // nullptr is fine
// UTF-8 <-> counted wide strings (invalid UTF-8 bytes become U+FFFD).
AutoString Auto_stringFromUtf8(const std::string& text);
std::string Auto_stringToUtf8(const AutoChar* s);

// ---- Variants ----
using AutoVarType = std::uint16_t;
constexpr AutoVarType Auto_vtEmpty = 0;
constexpr AutoVarType Auto_vtNull = 1;
constexpr AutoVarType Auto_vtI2 = 2;
constexpr AutoVarType Auto_vtI4 = 3;
constexpr AutoVarType Auto_vtR4 = 4;
constexpr AutoVarType Auto_vtR8 = 5;
constexpr AutoVarType Auto_vtCurrency = 6;   // 64-bit integer, value x 10000
constexpr AutoVarType Auto_vtDate = 7;
constexpr AutoVarType Auto_vtString = 8;
constexpr AutoVarType Auto_vtDispatch = 9;
constexpr AutoVarType Auto_vtError = 10;
constexpr AutoVarType Auto_vtBool = 11;
constexpr AutoVarType Auto_vtVariant = 12;   // element type of arrays
constexpr AutoVarType Auto_vtArray = 0x2000; // with Auto_vtVariant: an array of variants

constexpr std::int16_t Auto_true = -1;
constexpr std::int16_t Auto_false = 0;

struct AutoObject;   // an automation object (opaque)
struct AutoArray;    // a two-dimensional array of variants (opaque)

struct AutoVariant {
  AutoVarType vt;
  std::uint16_t reserved1, reserved2, reserved3;
  union {
    std::int16_t i2;
    std::int32_t i4;
    float r4;
    double r8;
    std::int64_t currency;
    double date;
    AutoString str;
    AutoObject* dispatch;
    AutoResult error;
    std::int16_t boolean;
    AutoArray* array;
  };
};

void Auto_variantInit(AutoVariant* v);
// Frees what the variant owns (text, array) and releases an object; leaves it empty.
AutoResult Auto_variantClear(AutoVariant* v);
// Deep copy: texts and arrays are duplicated, objects gain a reference.
AutoResult Auto_variantCopy(AutoVariant* dest, const AutoVariant* src);
// Converts `src` into type `vt` (dest may be src). Auto_eTypeMismatch when
// the value has no such form, Auto_eOverflow when it does not fit.
AutoResult Auto_variantChangeType(AutoVariant* dest, const AutoVariant* src, std::uint16_t flags, AutoVarType vt);

// Arrays: element (i, j) for lower1 <= i < lower1 + rows, lower2 <= j < lower2 + cols.
AutoArray* Auto_arrayCreate(std::int32_t lower1, std::uint32_t rows, std::int32_t lower2, std::uint32_t cols);
void Auto_arrayDestroy(AutoArray* a);             // clears every element
std::uint32_t Auto_arrayDims(const AutoArray* a);  // 2 (0 for nullptr)
AutoResult Auto_arrayBounds(const AutoArray* a, std::uint32_t dim, std::int32_t* lower, std::int32_t* upper);  // dim 1 or 2
AutoResult Auto_arrayGetElement(const AutoArray* a, const std::int32_t* indices, AutoVariant* out);  // a copy
AutoResult Auto_arrayPutElement(AutoArray* a, const std::int32_t* indices, const AutoVariant* v);      // copies v
// The element itself, owned by the array, for reading it without a copy.
AutoResult Auto_arrayPtrOfIndex(AutoArray* a, const std::int32_t* indices, AutoVariant** out);

// ---- Objects ----
enum class AutoIid : std::uint8_t { Unknown, Dispatch };

using AutoInvokeKind = std::uint16_t;
constexpr AutoInvokeKind Auto_method = 1;
constexpr AutoInvokeKind Auto_propertyGet = 2;
constexpr AutoInvokeKind Auto_propertyPut = 4;
constexpr AutoInvokeKind Auto_propertyPutRef = 8;

constexpr AutoDispId Auto_dispidUnknown = -1;
constexpr AutoDispId Auto_dispidValue = 0;        // the default member
constexpr AutoDispId Auto_dispidPropertyPut = -3;

constexpr AutoLocale Auto_localeSystemDefault = 0x800;
constexpr AutoLocale Auto_localeUserDefault = 0x400;
constexpr AutoLocale Auto_localeEnglishUS = 1033;

struct AutoDispParams {
  AutoVariant* args;          // argCount values, the last positional argument first
  AutoDispId* namedIds;       // ids of the first namedCount entries of args
  std::uint32_t argCount;
  std::uint32_t namedCount;
};

// Filled when a call fails with Auto_eException; the texts belong to the caller.
struct AutoException {
  std::uint16_t code;
  std::uint16_t reserved;
  AutoString source;
  AutoString description;
  AutoString helpFile;
  std::uint32_t helpContext;
  AutoResult scode;
};

std::uint32_t Auto_addRef(AutoObject* obj);      // the new count (0 for a released object)
std::uint32_t Auto_release(AutoObject* obj);     // the new count
AutoResult Auto_queryInterface(AutoObject* obj, AutoIid iid, AutoObject** out);
// Looks up names[0] as a member of the object and names[1..count-1] as named
// arguments of that member; Auto_eUnknownName (and Auto_dispidUnknown in the
// unknown slots) when any is not known.
AutoResult Auto_getIDsOfNames(AutoObject* obj, const AutoChar* const* names, std::uint32_t count, AutoLocale locale,
                              AutoDispId* ids);
// Calls a member. `result`, `exception` and `argError` may be nullptr; a
// result is overwritten, so the caller clears what it held first. On
// Auto_eTypeMismatch and Auto_eParamNotFound `argError` is the index into
// params->args of the argument at fault.
AutoResult Auto_invoke(AutoObject* obj, AutoDispId member, AutoLocale locale, AutoInvokeKind kind,
                       const AutoDispParams* params, AutoVariant* result, AutoException* exception,
                       std::uint32_t* argError);

// ---- The application ----
struct AutoClassId { std::uint32_t value; };
// The program id under which the application is registered.
extern const AutoChar Auto_applicationProgId[];
AutoResult Auto_initialize();       // once per client; calls nest
void Auto_uninitialize();
AutoResult Auto_classFromProgId(const AutoChar* progId, AutoClassId* out);
// Creates (here: connects to) the application; needs Auto_initialize.
AutoResult Auto_createInstance(const AutoClassId& cls, AutoIid iid, AutoObject** out);
// A new reference to the application object: the handle a front end passes on.
AutoObject* Auto_application();
// Objects that still have holders (for tests).
std::size_t Auto_liveObjects();
