// Option names and their storage in worksheet defined names.
//
// The model and every option live in defined names written by the front end:
// a prefix ("solver", "scen", "robust"), an underscore, a suffix from one
// table of 97 entries and, for per-row items, a row number ("solver_lhs3").
// Names are read at each use with a default supplied by the caller; nothing
// is cached.
#pragma once

#include <string>

#include "platform/xlcall/Xlcall.h"

struct LibraryContext;

// Indexes into the option table (the entries this library asks for by name).
enum OptionIndex : int {
  OptTyp = 0, OptOpt = 1, OptAdj = 2, OptNum = 3, OptRel = 4, OptLhs = 5, OptRhs = 6,
  OptVal = 7, OptLin = 8, OptSho = 9, OptEst = 10, OptDrv = 11, OptNwt = 12, OptScl = 13,
  OptTim = 14, OptItr = 15, OptPre = 16, OptTol = 17, OptVar = 18, OptCon = 19,
  OptVir = 20, OptCir = 21, OptRep = 22, OptSol = 23, OptPiv = 24, OptRed = 25,
  OptCvg = 26, OptNeg = 27, OptKiv = 28, OptRlx = 29, OptNod = 30, OptMip = 31,
  OptSim = 32, OptPro = 33, OptOfx = 34, OptReo = 35, OptIbd = 36, OptDua = 37,
  OptDus = 38, OptPhr = 39, OptWbr = 40, OptGct = 41, OptGop = 42, OptCct = 43,
  OptCgt = 44, OptLva = 45, OptMsl = 46, OptTms = 47, OptSsz = 48, OptMrt = 49,
  OptXtc = 50, OptRbv = 51, OptMni = 52, OptLoc = 53, OptRsd = 54, OptFns = 55,
  OptStp = 56, OptDrf = 57, OptStd = 58, OptNtr = 59, OptMtr = 60, OptRdp = 61,
  OptRsp = 62, OptRtr = 63, OptMod = 64, OptMda = 65, OptDia = 66, OptSel = 67,
  OptIrs = 68, OptIfs = 69, OptIqp = 70, OptIsm = 71, OptIao = 72, OptRes = 73,
  OptAcc = 74, OptArs = 75, OptSta = 76, OptMet = 77, OptSoc = 78, OptLpt = 79,
  OptLpp = 80, OptFea = 81, OptGap = 82, OptIps = 83, OptIpd = 84, OptIpi = 85,
  OptEng = 86,
  OptScenNum = 87, OptScenChange = 88, OptScenName = 89, OptScenValue = 90,
  OptScenWeight = 91,
  OptRobustNum = 92, OptRobustObj = 93, OptRobustExp = 94, OptRobustStd = 95,
  OptRobustPen = 96,
  OptionCount = 97
};

// Suffix and prefix of an index; "XXXXXX" for an index outside the table.
const char* Names_optionSuffix(int index);
const char* Names_optionPrefix(int index);

// A new owned text value "!prefix_suffix" or, with a nonzero row,
// "!prefix_suffixrow" (a name of the active sheet); none on failure.
XLOPER* Names_buildOptionName(LibraryContext* context, int index, unsigned row);

// The name's value as a new owned value (a reference when the name refers to
// cells), or none when the name is missing or holds an error. The
// right-hand side (OptRhs) follows its own rule: a reference; else the
// number its "=..." definition converts to; else the name's own text.
XLOPER* Names_getOptionRef(LibraryContext* context, int index, unsigned row);

// Whether the name "prefix_suffix[row]" is defined, whatever its value.
int Names_isOptionDefined(LibraryContext* context, int index, unsigned row);

// Integer options (16-bit, signed) and real options, with the caller's
// default for a missing name, an error or a value that does not convert.
int Names_getNumberedOption(LibraryContext* context, int index, unsigned row, int defaultValue);
int Names_getOption(LibraryContext* context, int index, int defaultValue);
double Names_getNumberedReal(LibraryContext* context, int index, unsigned row, double defaultValue);
double Names_getRealOption(LibraryContext* context, int index, double defaultValue);

// Caption of the message boxes that say why a model or its options were refused.
constexpr const char* ModelRefusedCaption = "Model refused";

// The first option whose value this library does not accept: a value that
// is no number, or a number outside what the option means (a time limit of
// no time, a count that is not a positive whole number, a tolerance outside
// its range, a choice that is none of the option's choices), and constraint
// names without "solver_num". Returns the option's index, or -1 when every
// option is acceptable; `why` gets a sentence that names the option.
int Names_findRefusedOption(LibraryContext* context, std::string* why);

// Defines the (hidden) name "prefix_suffix[row]" as `value`: 1 on success,
// 0 on failure.
int Names_defineOption(LibraryContext* context, int index, unsigned row, const XLOPER* value);
