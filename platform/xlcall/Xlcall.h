// Callback interface of the stand-in spreadsheet application.
//
// The library talks to the spreadsheet only through this entry point: a
// function number, a result record, an argument count and the arguments.
// Values travel as `XLOPER` records. Memory inside a result that the
// application hands out (texts, reference blocks, arrays) belongs to the
// application until the caller gives it back with `xlFree`.
//
// Layout rules: texts are counted (a length byte, then at most 255
// characters, not NUL-terminated); references have 16-bit rows and 8-bit
// columns (0-based); arrays hold rows x columns elements row by row.
// Function numbers are this stand-in's own.
#pragma once

#include <cstdint>

extern "C" {

typedef std::uint16_t XLTYPE;

// Value types.
enum : XLTYPE {
  xltypeNum = 0x0001,
  xltypeStr = 0x0002,
  xltypeBool = 0x0004,
  xltypeRef = 0x0008,
  xltypeErr = 0x0010,
  xltypeFlow = 0x0020,
  xltypeMulti = 0x0040,
  xltypeMissing = 0x0080,
  xltypeNil = 0x0100,
  xltypeSRef = 0x0400,
  xltypeInt = 0x0800,
  // Flags a result may carry: memory owned by the application / by the library.
  xlbitXLFree = 0x1000,
  xlbitDLLFree = 0x4000,
};

// Error codes of error values.
enum : std::uint16_t {
  xlerrNull = 0, xlerrDiv0 = 7, xlerrValue = 15, xlerrRef = 23,
  xlerrName = 29, xlerrNum = 36, xlerrNA = 42,
};

// Result codes of the entry point.
enum : int {
  xlretSuccess = 0,
  xlretAbort = 1,
  xlretInvXlfn = 2,      // unknown function number
  xlretInvCount = 4,     // wrong number of arguments
  xlretInvXloper = 8,    // an argument of the wrong type
  xlretStackOvfl = 16,
  xlretFailed = 32,      // the command failed
  xlretUncalced = 64,
};

// One rectangular area: 0-based rows (16-bit) and columns (8-bit), inclusive.
struct XLREF {
  std::uint16_t rwFirst;
  std::uint16_t rwLast;
  std::uint8_t colFirst;
  std::uint8_t colLast;
};

// A block of areas: the count, then that many areas.
struct XLMREF {
  std::uint16_t count;
  XLREF reftbl[1];
};

typedef std::intptr_t IDSHEET;

struct XLOPER {
  union {
    double num;
    char* str;                // counted text: str[0] is the length
    std::uint16_t xbool;
    std::uint16_t err;
    std::int16_t w;           // integer
    struct {
      std::uint16_t count;    // always 1
      XLREF ref;
    } sref;
    struct {
      XLMREF* lpmref;
      IDSHEET idSheet;
    } mref;
    struct {
      XLOPER* lparray;
      std::uint16_t rows;
      std::uint16_t columns;
    } array;
    struct {
      union { std::int16_t level; std::int16_t tbctrl; IDSHEET idSheet; } valflow;
      std::uint16_t rw;
      std::uint8_t col;
      std::uint8_t xlflow;
    } flow;
  } val;
  XLTYPE xltype;
};

// Function numbers. Commands (xlc) change the application; functions (xlf)
// only answer; the special functions (xl) manage values and sheets.
enum : int {
  // Special functions.
  xlFree = 0x4000,        // give back the memory of each argument result
  xlCoerce,               // (value [, type]) -> value converted; a reference to its values
  xlSet,                  // (ref, value or array) -> writes constants into one area
  xlSheetId,              // ([sheet name]) -> reference with the sheet id, no areas
  xlSheetNm,              // (ref) -> "[Book]Sheet" name of the reference's sheet
  xlAbort,                // ([clear]) -> TRUE when the break key was pressed
  xlUDF,                  // (macro ref or name, args...) -> the macro's result

  // Functions.
  xlfEvaluate = 0x0100,   // (text) -> value or reference
  xlfGetName,             // (name text [, international]) -> "=definition"
  xlfValue,               // (text) -> number
  xlfText,                // (value, format text) -> text
  xlfGetCell,             // (type, ref) -> cell property (7: number format)
  xlfGetFormula,          // (ref) -> formula text, or the constant as text
  xlfReftext,             // (ref [, a1]) -> text of the reference
  xlfIsblank,             // (value or ref) -> TRUE when empty
  xlfSelection,           // () -> the current selection as a reference
  xlfGetDocument,         // (type [, name]) -> document property (14: calculation mode)
  xlfGetWorkspace,        // (type) -> workspace property (40: screen updating)
  xlfCaller,              // () -> reference of the calling macro's sheet
  xlfRegister,            // (procedure name, function name [, flags]) -> TRUE; see Xlc_offerProcedure

  // Commands.
  xlcDefineName = 0x0200, // (name, refers to [, macro type, shortcut, hidden])
  xlcCalculateNow,        // ()
  xlcCalculation,         // (mode 1..3)
  xlcMessage,             // (show [, text]) status bar
  xlcSelect,              // (ref)
  xlcSelectSpecial,       // (type, value type, levels): 6 current array, 9 precedents, 10 dependents
  xlcEcho,                // (on) screen updating
};

// The variadic entry point: arguments are `XLOPER*`.
int Excel4(int xlfn, XLOPER* result, int count, ...);
// The array form.
int Excel4v(int xlfn, XLOPER* result, int count, XLOPER* args[]);

}  // extern "C"
