// The walk from a reference text to what it names, which every source of
// the formula reader shares: a cell or range ("b4", "Other!$a$1:$c$3"), or
// a defined name followed through the names its definition uses. A
// sheet's own name hides the workbook's name of the same spelling, and a
// definition is read in the scope that defines it: the names and
// unqualified references inside a sheet's own name are that sheet's; the
// names inside a workbook name the workbook's, its unqualified references
// (a workbook has no cells) the sheet's that uses it. "[0]!name" is the
// workbook's own name past a sheet's of that spelling.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "values/Model_Refs.h"

// What the walk asks of a workbook; sheets are 1-based, 0 names none.
struct LoadNameBook {
  virtual ~LoadNameBook() = default;
  // The range a reference text names as read on the sheet (an unqualified
  // one lies on it); false when the text is no reference.
  virtual bool reference(uint8_t sheet, std::u16string_view text, RangeRef* range) = 0;
  // The sheet a "Sheet!" prefix (without its "!") names; 0 for none.
  virtual int32_t sheetOfPrefix(std::u16string_view prefix) = 0;
  // The definition of the name of exactly this scope (0 the workbook's),
  // with or without its leading "="; false when there is none.
  virtual bool definition(std::u16string_view name, int32_t scope, std::u16string* text) = 0;
  // The definition of the name a text on sheet `scope` reads: the sheet's
  // own, else the workbook's (0: the workbook's alone), and in `*holder`
  // the scope that holds it; false when neither does. A book that finds
  // both scopes at once overrides it.
  virtual bool seenDefinition(std::u16string_view name, int32_t scope, std::u16string* text, int32_t* holder);
};

// What a reference text names: a range, or (range all zero) a defined
// name's formula, with "=", the sheet it is read on, and whether its names
// are the workbook's alone (the text to resolve them by then "[0]!name").
struct LoadNamed {
  RangeRef range{};
  std::u16string formula;
  uint8_t formulaSheet = 0;
  bool workbookNames = false;
};

// Resolves text as read on sheet; false when it names nothing.
bool Load_resolveName(LoadNameBook* book, uint8_t sheet, std::u16string_view text, LoadNamed* out);
// The text that resolves a name among the workbook's names alone.
std::u16string Load_workbookNameText(std::u16string_view name);
