// The walk from a reference text to what it names, which every source of
// the formula reader shares: a cell or range ("b4", "Other!$a$1:$c$3"), or
// a defined name followed through the names its definition uses. A
// sheet's own name hides the workbook's name of the same spelling, and a
// definition is read in the scope of the sheet that defines it: the names
// and unqualified references inside a sheet's own name are that sheet's,
// those inside a workbook name the sheet's that uses it.
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
};

// What a reference text names: a range, or (range all zero) a defined
// name's formula, with "=", and the sheet it is read on.
struct LoadNamed {
  RangeRef range{};
  std::u16string formula;
  uint8_t formulaSheet = 0;
};

// Resolves text as read on sheet; false when it names nothing.
bool Load_resolveName(LoadNameBook* book, uint8_t sheet, std::u16string_view text, LoadNamed* out);
