// The small steps every importer of another add-in's model shares: lower
// case, trimming, the tokens of a defined name's value, whole numbers,
// references as ranges, and the failure report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "simulation/import/Addin_Import.h"

std::u16string Addin_lower(std::u16string_view text);
// The text without leading and trailing blanks.
std::u16string_view Addin_trim(std::u16string_view text);
// The text after leading characters of skip.
std::u16string_view Addin_skipLeading(std::u16string_view text, std::u16string_view skip);
// The next comma-separated token from *cursor on: inside double quotes a
// comma does not split and two double quotes stand for one; the cursor is
// left after the comma. False at the end of the text.
bool Addin_nextCommaToken(std::u16string_view text, size_t* cursor, std::u16string* token);
// The number the whole text spells (blanks around allowed); NaN otherwise.
double Addin_parseWholeNumber(std::u16string_view text);
// ASCII text as a wide text, for messages and generated formulas.
std::u16string Addin_wide(std::string_view text);

// A reference text as a range, on sheet when it names none; false unless
// it is a valid range.
bool Addin_rangeOf(AddinWorkbook* book, std::u16string_view text, uint8_t sheet, RangeRef* range);
int32_t Addin_area(const RangeRef& range);
CellRef Addin_firstCell(const RangeRef& range);
// Records why the import stopped, and where; returns false.
bool Addin_fail(AddinReport* report, const std::u16string& why, const CellRef& cell = CellRef{});
// The text in double quotes.
std::u16string Addin_quoted(std::u16string_view text);
