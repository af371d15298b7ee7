// What the reader and the two ways of saving share inside platform/xlsx:
// reading a package into any workbook, texts as the files write them, and
// the counted steps of a save.
#pragma once

#include <zip.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/workbook/Wb_Workbook.h"

// Where a package keeps its workbook part and each sheet's part.
struct XlsxPackage {
  std::string workbookPart;
  std::vector<std::string> sheetParts;   // in sheet order
};

// Reads the package at `path` into `wb` (which may be a workbook of no
// application); fills `package` when given. On failure `why` says what is
// wrong, without the file name.
bool Xlsx_read(const std::string& path, Workbook* wb, XlsxPackage* package, std::string* why);

// A text as files carry it, before XML escaping: characters XML cannot
// carry as _xHHHH_, a literal "_xHHHH_" protected by escaping its
// underscore, bytes that are not UTF-8 as U+FFFD.
std::string Xlsx_fileText(const std::string& s);
// A text as the model holds it: escapes decoded (a surrogate pair is one
// character, a lone surrogate U+FFFD) and bytes that are not UTF-8 U+FFFD.
std::string Xlsx_decodeText(const std::string& s);

// Writes a new archive at `file` with `count` members: `member(z, i, name)`
// gives member i's data as a source of archive `z` and sets its name.
using XlsxMember = std::function<zip_source_t*(zip_t* z, size_t i, std::string* name)>;
bool Xlsx_writeArchive(const std::string& file, size_t count, const XlsxMember& member, std::string* why);

// A step of a save; false (with `why` "interrupted") at the step a test chose.
bool Xlsx_step(std::string* why);

// Saves `wb`, read from the package at `source`, by copying that package
// and changing only the values that differ from it and the defined names.
enum class XlsxKeep { Written, NotApplicable, Failed };
XlsxKeep Xlsx_writeKeeping(const Workbook* wb, const std::string& source, const std::string& file, std::string* why);
