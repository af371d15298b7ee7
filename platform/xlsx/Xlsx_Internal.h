// What the reader and the two ways of saving share inside platform/xlsx:
// reading a package into any workbook, texts as the files write them, and
// the counted steps of a save.
#pragma once

#include <cstdint>
#include <functional>
#include <new>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "platform/workbook/Wb_Workbook.h"
#include "platform/xlsx/Xlsx_Zip.h"

// A sheet part's text as read in one pass, and where each of its cell
// elements lies in it (offsets into `xml`), so that a save can put changed
// cells in place without parsing and printing the part again.
struct XlsxSheetText {
  struct Place {
    std::uint64_t key;                       // Wb_cellKey of the cell
    std::uint32_t begin, end;                // the <c> element
    std::uint32_t formulaBegin, formulaEnd;  // its <f> element; equal when it has none
  };
  std::string xml;
  std::vector<Place> cells;  // in the part's order
  bool usable = false;       // the part was read in one pass, its cells in sheet order, each once
};

// Where a package keeps its workbook part and each sheet's part, and (when
// the reader was asked to keep them) the sheet parts' texts.
struct XlsxPackage {
  std::string workbookPart;
  std::vector<std::string> sheetParts;   // in sheet order
  std::vector<XlsxSheetText> sheetTexts;  // in sheet order, or empty
};

// A part parsed in place: the document points into the part's own bytes,
// which live as long as it.
struct XlsxXmlPart {
  std::string data;
  pugi::xml_document doc;
};

// A parse the XML reader gave up for want of memory fails as the C++
// library's allocations do, with std::bad_alloc, which the entry points
// (Xlsx_open, Xlsx_save) catch.
inline void Xlsx_checkParse(const pugi::xml_parse_result& result) {
  if (result.status == pugi::status_out_of_memory) throw std::bad_alloc();
}

// The bytes of the file at `path`. On failure `why` says what is wrong,
// without the file name.
bool Xlsx_readFile(const std::string& path, std::string* bytes, std::string* why);

// Reads the package held in `bytes` into `wb` (which may be a workbook of no
// application); fills `package` when given. On failure `why` says what is
// wrong, without the file name.
bool Xlsx_readPackage(const std::string& bytes, Workbook* wb, XlsxPackage* package, std::string* why);

// What an open keeps of the file it read, so that a save can change the
// package without reading and parsing it again: the file's bytes, where its
// parts lie, and its sheets and defined names as read (before any
// recalculation). Valid only while the file at `path` still holds `bytes`.
struct WbFileOrigin {
  std::string path;
  std::string bytes;
  XlsxPackage package;
  Workbook asRead;
};

// A cell element of a sheet part as the reader takes it: its attributes
// ("" when absent, with the `has` flags where absent and empty differ) and
// the texts of its <v>, <f> and <is>, XML escapes decoded.
struct XlsxCellText {
  std::string_view ref, style, type;          // r, s, t
  bool hasRef = false, hasStyle = false;
  std::string_view value;                      // <v>
  bool hasValue = false;
  std::string_view formula, formulaType, formulaRef, formulaSi;   // <f> and its t, ref, si
  bool hasFormula = false, hasFormulaRef = false;
  std::string_view inlineText;                 // <is> as the file writes it (before Xlsx_decodeText)
  std::string_view element, formulaElement;    // the <c> and its <f> as they stand in the part's text
};

enum class XlsxScan { Read, Stopped, Unsupported };

// Reads the rows and cells of a sheet part's text in one pass, calling
// row(r, hasR, spans) for each row (its attributes "r" and "spans", the
// columns it uses) and cell(c) for each of its cells, in order; a
// callback returning false stops the scan (Stopped). Unsupported, at any
// point, when the sheet data holds anything but rows of cells with values
// formulas and inline strings (comments, other elements, text that is not
// well formed): what was read must then be read again another way.
// The callbacks are plain functions with the reader's context, not
// std::function: they run for every cell of every sheet.
struct XlsxScanSink {
  void* context;
  bool (*cell)(void* context, const XlsxCellText& c);
  bool (*row)(void* context, std::string_view r, bool hasR, std::string_view spans);
};
XlsxScan Xlsx_scanSheet(std::string_view xml, const XlsxScanSink& sink);

// A text as files carry it, before XML escaping: characters XML cannot
// carry as _xHHHH_, a literal "_xHHHH_" protected by escaping its
// underscore, bytes that are not UTF-8 as U+FFFD.
std::string Xlsx_fileText(const std::string& s);
// A text as the model holds it: escapes decoded (a surrogate pair is one
// character, a lone surrogate U+FFFD) and bytes that are not UTF-8 U+FFFD.
std::string Xlsx_decodeText(std::string_view s);

// The part `kept` with the values of the cells `keys` (in sheet order) of
// `now` put into their elements, in `xml`; false, with `xml` unspecified,
// when a cell is not in the part or its element is not one this can change
// safely (the caller then changes the part through the XML parser).
bool Xlsx_spliceSheet(const XlsxSheetText& kept, const Sheet& now, const std::vector<std::uint64_t>& keys,
                      std::string* xml);

// Deflate level of the parts written: the fastest. The strongest costs ten
// times as much on sheet XML, and level 3 half as much again as level 1, for
// a file a few percent smaller. Parts copied from an archive stay as they
// were compressed there.
constexpr int kXlsxDeflateLevel = 1;

// Builds a new archive in `bytes` with `count` members: `member(w, i, why)`
// appends member i to `w`.
using XlsxMember = std::function<bool(XlsxZipWriter* w, size_t i, std::string* why)>;
bool Xlsx_writeArchive(std::string* bytes, size_t count, const XlsxMember& member, std::string* why);

// Replaces the file at `path` (no symbolic link) with `bytes` through a
// temporary file beside it (Xlsx_Replace.cpp); a note for each thing the
// user should know about the replacement goes to `notes` when given.
bool Xlsx_replaceFile(const std::string& path, const std::string& bytes, std::string* why,
                      std::vector<std::string>* notes);
// Marks a save begun, before its bytes are built: until it puts its file in
// place, Xlsx_abandonSave answers that nothing was saved.
void Xlsx_beginSave();

// A step of a save; false (with `why` "interrupted") at the step a test chose.
bool Xlsx_step(std::string* why);

// Builds the package of `wb`, read from the package at `source`, in `bytes`
// by copying that package and changing only the values that differ from it
// and the defined names.
enum class XlsxKeep { Written, NotApplicable, Failed };
XlsxKeep Xlsx_writeKeeping(const Workbook* wb, const std::string& source, std::string* bytes, std::string* why);
