// Option names and their storage in worksheet defined names.
//
// The model and every option live in defined names written by the front end:
// a prefix ("solver", "scen", "robust"), an underscore, a suffix from one
// table of 97 entries and, for per-row items, a row number ("solver_lhs3").
// Names are read at each use with a default supplied by the caller; nothing
// is cached.
#pragma once

#include <string>

#include "excel/Names_OptionTable.h"
#include "platform/xlcall/Xlcall.h"

struct LibraryContext;

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
// default for a missing name, an error or a value that does not convert. A
// stored value is never refused: the real reader takes an option's value
// below its domain as the default and one above it as the domain's top (a
// spreadsheet program stores 2147483647 or 1E+25 for "no limit").
int Names_getNumberedOption(LibraryContext* context, int index, unsigned row, int defaultValue);
int Names_getOption(LibraryContext* context, int index, int defaultValue);
double Names_getNumberedReal(LibraryContext* context, int index, unsigned row, double defaultValue);
double Names_getRealOption(LibraryContext* context, int index, double defaultValue);

// Caption of the message boxes that say why a model or its options were refused.
constexpr const char* ModelRefusedCaption = "Model refused";

// The first of the options that say what the model is ("solver_typ",
// "solver_num", "solver_eng") whose value is no number or lies outside what
// it means, and constraint names without "solver_num". Returns the option's
// index, or -1 when the model's options are acceptable; `why` gets a
// sentence that names the option.
int Names_findRefusedOption(LibraryContext* context, std::string* why);

// Defines the (hidden) name "prefix_suffix[row]" as `value`: 1 on success,
// 0 on failure.
int Names_defineOption(LibraryContext* context, int index, unsigned row, const XLOPER* value);
