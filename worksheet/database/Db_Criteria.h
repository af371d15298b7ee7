// The criteria of the database functions. A database is a range whose first
// row holds column headers and whose other rows are records; a criteria
// range has headers naming database columns (without regard to case) and
// rows of criteria below them. A record is selected when it satisfies every
// criterion of at least one criteria row; each criterion is matched as
// COUNTIF matches (a number, or a text with an optional comparison operator
// and wildcards). A blank criteria cell imposes nothing and a blank criteria
// row is passed over, unless every row is blank: then every record is
// selected. A criterion under a header that names no database column
// selects nothing in its row. A criterion text of 256
// characters or more raises "Too long" and imposes nothing.
#pragma once

#include <cstdint>
#include <vector>

#include "values/Val_Value.h"

struct DbCriteria {
  std::vector<int32_t> columns;                     // database column of each criteria column, -1 for none
  std::vector<std::vector<const Value*>> criteria;  // per non-blank criteria row, per column: null for none
};

// Builds the criteria of one call; false when the database or the criteria
// is not an array of at least two rows.
bool Db_initCriteria(DbCriteria* c, const Value* database, const Value* criteria);
// The zero-based database column whose header equals header (texts without
// regard to case, numbers by value); -1 when none does.
int32_t Db_findColumn(const Value* database, const Value* header);
// Whether database row row (1 and above) is selected.
bool Db_matchRow(const DbCriteria& c, const Value* database, int32_t row);
