// Texts of references and values, and the small spreadsheet queries built on
// the selection commands (precedents, current array), formula texts, number
// formats and sheet identity, and the write of one number into one cell.
// Functions answer 1 on success and 0 on failure; references they return are
// owned values (free with Xl_freeValue).
#pragma once

#include <string>

#include "platform/xlcall/Xlcall.h"

// The characters of a counted text value ("" for any other value).
std::string Xl_textOf(const XLOPER* value);

// REFTEXT: A1 style when style is 0, R1C1 otherwise.
int Xl_refText(const XLOPER* ref, int style, std::string* out);
int Xl_cellRefText(IDSHEET sheet, int row, int column, int style, std::string* out);
int Xl_activeCellRefText(int row, int column, int style, std::string* out);

// A number as the application writes it; empty (and 0) when it cannot.
int Xl_numberToText(double number, std::string* out);
// The text from its (k + 1)-th character on; empty when k is past its end.
std::string Xl_substring(const std::string& text, int k);
// The definition (after its "=") of the name a text value spells; 0 when it
// names no defined name.
int Xl_nameDefinition(const XLOPER* text, std::string* out);
// The formula a text value stands for: "=..." gives the rest, else the
// definition of the name it spells, else the text itself; 0 when empty.
int Xl_formulaTextOf(const XLOPER* text, std::string* out);
// EVALUATE of a text (a formula or a name) as `count` numbers: one number
// when count is 1, else an array of exactly count numbers, row by row, a
// text that reads as a number ("18") counting as that number; 0 when it
// gives anything else (an array never stands for its first element).
int Xl_evaluateNumbers(const XLOPER* text, int count, double* out);
// The rows and columns of what EVALUATE of a text gives: 1 and 1 for a
// single value; 0 when it cannot be evaluated.
int Xl_evaluatedShape(const XLOPER* text, int* rows, int* columns);
// Element k of a right-hand value: a number's text, a text's formula, or
// "R%uC%u" (1-based) of the k-th cell of a one-area reference.
int Xl_elementText(const XLOPER* value, int k, std::string* out);

// Screen updating: previous receives the state found.
int Xl_setEcho(bool on, bool* previous);
XLOPER* Xl_getSelection();
int Xl_select(const XLOPER* ref);
int Xl_selectSpecial(int type, int valueType, int levels);

enum SelectRelated { SelectCurrentArray = 6, SelectPrecedents = 9, SelectDependents = 10 };
// The cells the application selects for `ref`; *out is none (with success)
// when there are no such cells. The selection and screen updating are
// restored afterwards.
int Xl_selectRelated(int type, const XLOPER* ref, XLOPER** out);
int Xl_getPrecedents(const XLOPER* ref, XLOPER** out);
int Xl_getCurrentArray(const XLOPER* ref, XLOPER** out);
// The array block holding `cell` (none when it is in no block) and the
// cell's 0-based position in it, row by row.
int Xl_getArrayPosition(const XLOPER* cell, XLOPER** array, int* index);

int Xl_cellFormula(const XLOPER* ref, std::string* out);
int Xl_cellNumberFormat(const XLOPER* ref, std::string* out);

IDSHEET Xl_activeSheetId();
int Xl_sheetNameOfRef(const XLOPER* ref, std::string* out);
int Xl_activeSheetName(std::string* out);

// Sets one cell (0-based row and column) to a number; 0 when the
// application refuses.
int Xl_setCellValue(IDSHEET sheet, int row, int column, double value);
