// Calculation of the stand-in application: formula parsing, evaluation with
// spreadsheet semantics, recalculation in dependency order, EVALUATE of a
// formula text in a sheet's context, TEXT of a number with a number format,
// and the precedents and dependents of cells.
//
// Formulas are parsed once per workbook structure (see Workbook::structureVersion)
// and kept compiled with their dependency order; a recalculation after value
// changes only re-evaluates.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/workbook/Wb_Workbook.h"

// A rectangular block of values, row by row. A scalar is a 1 x 1 block.
struct CalcArray {
  int rows = 1, cols = 1;
  std::vector<CellValue> values;
  // The values of a reference (read from cells), as a registered function's
  // argument; false for values given directly (typed or computed).
  bool reference = false;
  // An array (typed or computed), as a registered function's argument: one
  // of a single element is still an array, not one value.
  bool array = false;
};

// Result of evaluating a formula text: a reference (one or more areas on one
// sheet), or values.
struct CalcEvalResult {
  bool isReference = false;
  std::vector<CellRange> areas;   // when isReference
  CalcArray value;                // when not a reference (or the reference's values)
};

// Recalculates the workbook's formula cells (array blocks included) in
// dependency order. A circular reference gives its cells an error value.
// After values were only written (Wb_setValue), evaluates just the formulas
// that depend on the written cells and the volatile ones (RAND, NOW, ...);
// the first recalculation after a structure or calculation-mode change
// evaluates every formula. False when memory ran out or the stop check
// (Calc_setStopCheck) stopped it: the formulas' values are then partly
// recalculated, and the next recalculation evaluates every formula. (So for
// each call below that recalculates.)
bool Calc_recalculate(Workbook* wb);
// A check each recalculation makes before every formula it evaluates, so
// that a long one can be stopped (at a deadline, by the user's interrupt):
// when it answers true the recalculation stops there. An empty function
// (the default) stops none.
void Calc_setStopCheck(std::function<bool()> check);
// Evaluates every formula of the workbook, whatever changed.
bool Calc_recalculateFull(Workbook* wb);
// Recalculates as a change of calculation mode does (Calc_recalculate:
// every formula), except when that would give every formula the value it
// has: nothing written and no structure change since the last
// recalculation, no volatile formula, none cut short for work, and all of
// them within one recalculation's work. Then nothing is evaluated.
bool Calc_catchUp(Workbook* wb);
// Formula units (cells, or array blocks) the last recalculation evaluated.
std::size_t Calc_lastEvaluated(Workbook* wb);
// What the calculation of a workbook has done since it was opened, for tests
// and benchmarks: compilations of its formulas, recalculations, those of
// them that evaluated every formula, and the formula units evaluated in all.
struct CalcCounts {
  std::size_t compilations = 0, recalculations = 0, full = 0, evaluated = 0;
};
CalcCounts Calc_counts(const Workbook* wb);
// Recalculates every open workbook (CALCULATE.NOW).
bool Calc_recalculateAll();
// Called after values were written: recalculates when the application's
// calculation mode is automatic, does nothing in manual mode.
bool Calc_afterChange(Workbook* wb);

// The array elements the formulas of one recalculation (or one evaluation of
// a text) may build in all: element-wise operators and the blocks made of
// references. A formula that would build more than is left gets #NUM!, and
// the recalculation names its cell among its warnings; the limit keeps a
// small file of a few large array formulas from taking minutes and gigabytes.
constexpr long long kCalcWorkPerRecalculation = 1LL << 21;

// A formula cell the calculation cannot compute: its formula does not parse,
// or it calls a function this application does not have; or its last
// evaluation needed more work than one recalculation allows (it is #NUM!). While nothing it
// reads changes, a cell whose value came from its file keeps that value
// (`kept`); afterwards it calculates to an error value, as an unknown
// function does in a spreadsheet program.
struct CalcWarning {
  CellRange cell;             // the cell, or an array formula's block
  std::string formula;
  std::string reason;
  bool kept = false;
  std::string function;  // the function it calls that this application does not have ("" for none)
};
// Every such cell of the workbook, sheet by sheet, row by row. (This and the
// other calls that answer a list answer an empty one when memory runs out,
// which Os_memoryFailures counts.)
std::vector<CalcWarning> Calc_warnings(Workbook* wb);
// Those among `cells` and the cells they depend on at any level.
std::vector<CalcWarning> Calc_warningsFor(Workbook* wb, const std::vector<CellRange>& cells);

// Parses a formula ("=..." or the text after "=") without evaluating it.
// On failure `error` says what is wrong and where.
bool Calc_checkFormula(const std::string& formula, std::string* error);
// Whether a formula cannot be parsed because it is past the limits of the
// files (longer than 8,192 characters after "=", nested deeper than 256
// levels, a text longer than 255 characters) rather than for its form;
// `error` then says which. No spreadsheet program computed such a formula,
// so the value its file stores for it is none to take for its value.
bool Calc_formulaPastLimits(const std::string& formula, std::string* error);

// The number a text holds when it is nothing but a number as formulas write
// it ("12", "-0.5", "1E+25"): what evaluating it gives, without a formula.
bool Calc_numberLiteral(const std::string& text, double* out);

// A text as a number: a number as formulas write it, a percentage ("50%"),
// or a date, a time or both as their serial number ("2024-03-15" 45366,
// "12:30" 0.520833...; base/Cal_Text.h, the interpreter's reader too).
bool Calc_textToNumber(const std::string& text, double* out);

// Evaluates a formula text in the context of sheet `sheet` of `wb` (leading
// "=" optional; a leading "!" before a name means the name as seen from that
// sheet, its definition read as a formula of the sheet whatever scope holds
// it, as the names of a sheet's model are). False when the text does not
// parse, or memory ran out.
bool Calc_evaluate(Workbook* wb, int sheet, const std::string& text, CalcEvalResult* out);
// The same for callers that read the cells of a reference themselves (or
// only want where it is): a reference gives its areas alone, `value` left
// empty, so that a large named table is not copied cell by cell. Any other
// result gives its values as Calc_evaluate does.
bool Calc_evaluateReference(Workbook* wb, int sheet, const std::string& text, CalcEvalResult* out);

// The cells a formula text evaluated on sheet `sheet` reads directly (its
// references and the names it uses, as areas); none when it does not parse.
std::vector<CellRange> Calc_textReads(Workbook* wb, int sheet, const std::string& text);

// Results of texts that depend on the workbook's structure alone (a name
// that holds a number, a name not defined), kept for callers that evaluate
// the same texts again and again. A kept result is given back while the
// workbook's structure (formulas, names, sheets, the set of cells) and the
// registered functions stay as they were when it was kept; nullptr when
// there is none. The pointer is valid until the next call into the
// calculation.
const CalcEvalResult* Calc_keptResult(Workbook* wb, int sheet, const std::string& text);
void Calc_keepResult(Workbook* wb, int sheet, const std::string& text, const CalcEvalResult& result);

// Cells whose formulas the formula of (sheet,row,col) reads: direct only, or
// all levels. Each entry is a single cell or a range as written in formulas.
std::vector<CellRange> Calc_precedents(Workbook* wb, int sheet, int row, int col, bool allLevels);
// Formula cells that read (sheet,row,col), direct only or all levels.
std::vector<CellRange> Calc_dependents(Workbook* wb, int sheet, int row, int col, bool allLevels);
// The formula cells of the circular reference that the formula of
// (sheet,row,col) takes part in or reads at some level, in sheet, row and
// column order; empty when it reads none. Such cells calculate to #VALUE!.
std::vector<CellRange> Calc_cycleOf(Workbook* wb, int sheet, int row, int col);
// The sheet a formula refers to that the workbook does not have: its name as
// written, or "#REF!" where the formula stands for cells of a deleted sheet
// ("#REF!A1"); "" when it names none or does not parse.
std::string Calc_missingSheet(const Workbook* wb, const std::string& formula);
// The defined name a formula of sheet `sheet` uses, itself or through the
// names it uses, that the workbook does not define; "" when there is none or
// the formula does not parse.
std::string Calc_missingName(const Workbook* wb, int sheet, const std::string& formula);
// Names nested deeper than this in a formula (a name defined through a
// name, and so on) give #NAME?.
constexpr int kCalcMaxNameDepth = 16;
// Whether a formula of sheet `sheet` uses names nested deeper than
// kCalcMaxNameDepth, so that it gives #NAME? though each name exists.
bool Calc_namesTooDeep(const Workbook* wb, int sheet, const std::string& formula);
// The first function that a formula of sheet `sheet` calls, itself or
// through the names it uses, and that this system does not calculate, as
// typed; `name` gets the name whose definition calls it ("" for the formula
// itself). "" when there is none or the formula does not parse.
std::string Calc_uncalculatedCall(const Workbook* wb, int sheet, const std::string& formula, std::string* name);

// TEXT(number, format): General, 0, 0.00, #,##0.00, percent, scientific,
// dates and times, literal texts and bracketed tags. False when the format
// cannot be read.
bool Calc_formatNumber(double value, const std::string& format, std::string* out);
// How a cell shows a value with its number format (General for "").
std::string Calc_displayText(const CellValue& v, const std::string& format);
// Texts by character (Calc_Text.cpp), as the text functions and the
// automation strings read them: a UTF-8 text as UTF-16 units, each broken
// byte sequence one U+FFFD and the byte that broke it the start of the next
// character; and back, a surrogate half left alone by a cut written as U+FFFD.
std::u16string Calc_utf16(const std::string& utf8);
std::string Calc_utf8(std::u16string_view text);

// Worksheet functions registered at run time, beside the built-in ones (the
// tests register their own). Arguments arrive evaluated; references arrive
// as their values; an argument left out between others ("PMT(r,n,pv,,1)")
// arrives as kCalcOmitted, a block of no rows and no columns. Flags: a
// volatile function (a random draw) is evaluated on every recalculation, as
// RAND is; a function of scalar arguments gets one value per argument and
// is applied element by element over blocks, a range outside an array
// formula giving the cell in the formula's row or column, as the built-in
// scalar functions are. Other functions have the operators inside their
// arguments work element by element (as SUMPRODUCT has), unless registered
// with plain arguments: those evaluate as the formula does, a reference
// still arriving whole (the field of DSUM), except at the arguments that
// oneValue names: each of those takes one value, read outside an array
// formula as the built-in functions read theirs (a range by the cell in the
// formula's row or column, #VALUE! when it has none; an array by its first
// element, or whole when the function is registered with kCalcLiftsArrays:
// it then answers an array, a result for each element, as LARGE's k does).
// In an array formula an array there lifts the call (it runs once per
// element) unless the function is registered with kCalcArrayResult: it
// answers an array itself (a regression's fit), so reads one value there too.
//
// A function of another module that runs out of memory catches the failure
// itself (see Os_Guard.h) and answers kCalcOutOfMemory: the recalculation or
// evaluation that called it then fails as if it had run out itself.
//
// A function may also be registered with a way to prepare its lifted calls:
// given the call's arguments, those lifted over left as kCalcOmitted, it
// works out once what every element needs of the others (their values in
// its own form, a lookup's sorted line) and answers the element calls, each
// given the values of the lifted arguments in the order of `lifted`, as the
// function answers the whole call with those values there. Without one,
// each element calls the function with all its arguments again. Each
// element pays for the cells of the arguments taken whole, as it may read
// them all (NPV's values), unless the function is registered with
// kCalcSharesLiftedWork and lifted over its first argument alone: it then
// reads them once for all its elements (a lookup sorts its line once and
// halves it for each key), and pays for them once.
inline const CalcArray kCalcOmitted{0, 0, {}};
inline const CalcArray kCalcOutOfMemory{-1, -1, {}};
using CalcFunction = std::function<CalcArray(const std::vector<CalcArray>& args)>;
using CalcOneValueArgs = std::function<bool(size_t argument)>;
using CalcElementCall = std::function<CalcArray(const CellValue* const* items)>;
using CalcLiftPreparer =
    std::function<CalcElementCall(const std::vector<CalcArray>& args, const std::vector<size_t>& lifted)>;
enum CalcFunctionFlag : unsigned {
  kCalcVolatile = 1,
  kCalcScalarArgs = 2,
  kCalcPlainArgs = 4,
  kCalcLiftsArrays = 8,
  kCalcArrayResult = 16,
  kCalcSharesLiftedWork = 32
};
// False when memory ran out, the function then not registered.
bool Calc_registerFunction(const std::string& name, CalcFunction fn, unsigned flags = 0,
                           CalcOneValueArgs oneValue = nullptr, CalcLiftPreparer prepareLifted = nullptr);
// A source that registers functions when a formula first needs one: it is
// asked once, the first time a formula names a function that is neither
// built in nor registered, and that formula then finds what it registered.
// An application that offers many functions sets it before any formula is
// compiled, so that a workbook that calls none of them costs nothing. A
// source in another module catches a memory failure itself, as a function
// does.
void Calc_setFunctionSource(std::function<void()> source);
