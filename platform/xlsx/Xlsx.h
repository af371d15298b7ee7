// Workbook files of the stand-in application: opening an .xlsx/.xlsm file
// into a workbook of the application, and saving a workbook as .xlsx with the
// current value of every formula cell, so that other programs see the
// recalculated values and a later open gives back the same workbook.
#pragma once

#include <string>
#include <vector>

#include "platform/workbook/Wb_Workbook.h"

// Opens the file into a new workbook of the application (sheets, visibility,
// order, active sheet, cells with their stored values, formulas including
// shared and array formulas, defined names, number formats, named styles).
// On failure returns nullptr, leaves the application as it was and sets
// `error` to a one-line message naming the file (and the sheet and cell when
// one cell is at fault). A workbook of up to a few hundred thousand cells
// keeps the file's bytes and its cells as read (about as much memory again),
// so that saving it while the file is unchanged on disk needs neither reading
// nor parsing the file again. A workbook opened only to be read
// (XlsxOrigin::Drop) keeps neither, which makes the open cheaper; a save of
// it reads the file again.
enum class XlsxOrigin { Keep, Drop };
Workbook* Xlsx_open(const std::string& path, std::string* error, XlsxOrigin origin = XlsxOrigin::Keep);

// Saves the workbook as .xlsx. The file is written under a temporary name of
// its own beside the target, flushed to disk and renamed over the target only
// when complete, so a failed save loses nothing and leaves no temporary file
// (one left by a killed save is removed by the next save beside it); the
// target keeps its permissions and, where permitted, its owner; a read-only
// target is refused; a symbolic link is written through to the file it leads
// to. What the user should know (hard links the save breaks) goes to `notes`
// when given. On success the workbook's path and name become those of `path`.
bool Xlsx_save(Workbook* wb, const std::string& path, std::string* error, std::vector<std::string>* notes = nullptr);

// For a signal handler (async-signal-safe), before the process ends: a save
// that has not yet put its file in place is abandoned (its temporary file
// removed, the target left as it was) and the answer is false; true when the
// save in progress, or the last one, already renamed its complete file over
// the target.
bool Xlsx_abandonSave();

// For tests: the next saves fail at their step number `step` (counted from
// 0 across the saves since this call) as if interrupted there; -1 for none.
void Xlsx_failSaveAtStep(int step);

// A formula text (without "=") moved by (dRows, dCols) the way copying a cell
// moves it: relative row and column parts of references shift, `$` parts stay,
// and a reference moved off the sheet becomes #REF!. Strings, quoted sheet
// names, function names and numbers are left alone.
std::string Xlsx_shiftFormula(const std::string& text, int dRows, int dCols);

// The format text of built-in number format `id` ("" for General and for ids
// without a fixed text), and the built-in id of a format text (-1 if none).
std::string Xlsx_builtinFormat(int id);
int Xlsx_builtinFormatId(const std::string& format);
