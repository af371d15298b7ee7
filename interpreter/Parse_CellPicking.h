// Whether an array formula's block must run cell by cell: COUNTIF and SUMIF
// pick their criterion by the cell being evaluated when it is a range or an
// array of several cells; with any other criterion the block runs once.
#pragma once

#include <string>

// True when some COUNTIF or SUMIF of formula has a criterion that may hold
// several cells: a range, an array constant, a defined name, a sheet-quoted
// reference or anything not read plainly.
bool Parse_picksByCell(const std::u16string& formula);
