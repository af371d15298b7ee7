// INDEX, CHOOSE, ROW, COLUMN, ROWS, COLUMNS, AREAS, TRANSPOSE and ADDRESS.
#include "worksheet/lookup/Wsf_Reference.h"

#include <cmath>
#include <string>

#include "arithmetic/operators/Op_Operators.h"
#include "base/Dbl_Whole.h"
#include "values/Model_Functions.h"
#include "values/Text_Convert.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/lookup/Lkp_Args.h"

namespace {

// The limits of ADDRESS and its sheet text.
constexpr double kMaxAddressRow = 65536;
constexpr double kMaxAddressColumn = 256;
constexpr size_t kMaxSheetText = 80;
// CHOOSE takes an index and at most 29 values.
constexpr int kMaxChooseArgs = 30;

int32_t rowsOf(const Value* v) { return v->kind == kValArray ? v->array->rows : 1; }
int32_t columnsOf(const Value* v) { return v->kind == kValArray ? v->array->columns : 1; }

// The value an index argument gives: a plain value as it is, or out of a
// one-row or one-column range the element in the formula cell's column or
// row; null when a range meets neither.
const Value* takenIndex(const Value* v, const CellRef* cell) {
  if (v->kind != kValArray) return v;
  if (!v->source || !cell || v->source->sheet != cell->sheet) return nullptr;
  const RangeRef& r = *v->source;
  if (r.firstRow == r.lastRow && r.firstColumn < r.lastColumn && cell->column >= r.firstColumn &&
      cell->column <= r.lastColumn)
    return Wsf_element(v, cell->column - r.firstColumn);
  if (r.firstColumn == r.lastColumn && r.firstRow < r.lastRow && cell->row >= r.firstRow && cell->row <= r.lastRow)
    return Wsf_element(v, cell->row - r.firstRow);
  return nullptr;
}

// An index argument as a whole number (truncated) in *out; otherwise the
// result is its error, or #VALUE! when it gives no number that fits.
bool wholeIndex(Value* result, const Value* v, const CellRef* cell, int32_t* out) {
  const Value* taken = takenIndex(v, cell);
  if (taken && Wsf_isError(taken)) return Wsf_copy(result, taken), false;
  if (!taken || !Wsf_isPlain(taken) || !Dbl_toWhole(taken->number, out)) return Wsf_error(result, kErrValue), false;
  return true;
}

// Rows r0 to r1 and columns c0 to c1 (0-based) of an array as the result.
Value* part(Value* result, const Value* a, int32_t r0, int32_t r1, int32_t c0, int32_t c1) {
  Val_clear(result);
  if (Val_makeArray(result, static_cast<int32_t>(r1 - r0 + 1), static_cast<int32_t>(c1 - c0 + 1)) != kStatusOk)
    return result;
  for (int32_t i = r0; i <= r1; ++i)
    for (int32_t j = c0; j <= c1; ++j) Val_assign(Val_at(result, i - r0, j - c0), Val_at(a, i, j));
  return result;
}

// The numbers first to last as an array down (one column) or across.
Value* series(Value* result, int32_t first, int32_t last, bool down) {
  const int32_t n = last - first + 1;
  Val_clear(result);
  if (Val_makeArray(result, static_cast<int32_t>(down ? n : 1), static_cast<int32_t>(down ? 1 : n)) != kStatusOk)
    return result;
  for (int32_t i = 0; i < n; ++i) Val_setInt(Val_at(result, down ? i : 0, down ? 0 : i), first + i);
  return result;
}

// ROW (down) and COLUMN.
Value* position(Value* result, int argc, const Value* const* argv, const CellRef* cell, bool arrayFormula, bool down) {
  if (argc < 1 || argv[0]->kind == kValMissing)
    return Wsf_integer(result, cell ? (down ? cell->row : cell->column) : 0);
  const RangeRef* r = argv[0]->source;
  if (!r) return Wsf_integer(result, 0);
  const int32_t first = down ? r->firstRow : r->firstColumn, last = down ? r->lastRow : r->lastColumn;
  if (last > first && arrayFormula) return series(result, first, last, down);
  return Wsf_integer(result, first);
}

// ROWS (down) and COLUMNS.
Value* extent(Value* result, const Value* x, bool down) {
  if (x->source)
    return Wsf_integer(result, down ? x->source->lastRow - x->source->firstRow + 1
                                    : x->source->lastColumn - x->source->firstColumn + 1);
  if (x->kind == kValArray) return Wsf_integer(result, down ? rowsOf(x) : columnsOf(x));
  // A single value is neither a range nor an array: it has no rows to count.
  return Wsf_isError(x) ? Wsf_copy(result, x) : Wsf_error(result, kErrValue);
}

// Column letters: A to Z, then AA and on.
std::u16string columnLetters(int32_t column) {
  std::u16string letters;
  for (; column > 0; column = (column - 1) / 26)
    letters.insert(letters.begin(), static_cast<char16_t>(u'A' + (column - 1) % 26));
  return letters;
}

std::u16string digits(int32_t n) { return Text_fromUtf8(std::to_string(n)); }

// The cell text in A1 style ("$" before column letters for abs 1 and 3, before
// the row for 1 and 2) or R1C1 style (brackets round a relative part).
std::u16string cellText(int32_t row, int32_t column, int32_t abs, bool a1) {
  if (a1)
    return (abs == 1 || abs == 3 ? u"$" : u"") + columnLetters(column) + (abs == 1 || abs == 2 ? u"$" : u"") +
           digits(row);
  const bool relativeRow = abs == 3 || abs == 4, relativeColumn = abs == 2 || abs == 4;
  return u"R" + (relativeRow ? u"[" + digits(row) + u"]" : digits(row)) + u"C" +
         (relativeColumn ? u"[" + digits(column) + u"]" : digits(column));
}

// The sheet part of ADDRESS, "!" included.
std::u16string sheetPrefix(const Value* sheet) {
  if (sheet->kind == kValText) {
    const std::u16string name = sheet->text ? sheet->text : u"";
    if (name.size() >= kMaxSheetText) return u"!";
    return (name.find(u' ') != std::u16string::npos ? u"'" + name + u"'" : name) + u"!";
  }
  if (sheet->kind == kValBool) return sheet->number != 0 ? u"'TRUE'!" : u"'FALSE'!";
  if (sheet->kind == kValInt || sheet->kind == kValReal) return u"'" + Text_sheetNumber(sheet->number) + u"'!";
  return u"!";
}

bool present(int argc, const Value* const* argv, int i) { return argc > i && argv[i]->kind != kValMissing; }

// The structure passes of INDEX: the element it answers with is chosen at
// run time, so the function's gradients do not come from the reverse tape.
// In the registering pass with trials an index that depends on the
// variables picks a different element in each trial: the function's
// structure varies and the call answers an empty dependency (true).
bool indexStructure(Value* result, const Value* row, const Value* column) {
  EvalContext* ctx = result->context;
  const int32_t mode = ctx->flags.mode;
  if (mode != kModeDegDag && mode != kModeDegVec) return false;
  if (ModelItem* item = Vm_currentItem(ctx->tables, ctx->position)) item->usesTape = 0;
  const bool registering = mode == kModeDegVec && ctx->sampling.trialCount >= 1 && ctx->sampling.registerUncertain;
  if (!registering) return false;
  if (!Op_hasKind(*row, kValDegVec) && !(column && Op_hasKind(*column, kValDegVec))) return false;
  Vm_clearFixedStructure(ctx);
  Val_clear(result);
  Val_setKind(result, kValDegVec);
  return true;
}

}  // namespace

Value* Wsf_index(Value* result, int argc, const Value* const* argv, const CellRef* cell) {
  const Value* array = argv[0];
  const bool three = argc > 2;
  if (indexStructure(result, argv[1], three ? argv[2] : nullptr)) return result;
  if ((Wsf_isStructural(argv[1]) || (three && Wsf_isStructural(argv[2]))) && Wsf_structureHooks(result, argc, argv))
    return result;
  // The row's fault, then the column's, then a negative index; only then
  // the table: an index past it is #REF! whatever its cells hold.
  int32_t r = 0, c = 0;
  if (!wholeIndex(result, argv[1], cell, &r) || (three && !wholeIndex(result, argv[2], cell, &c))) return result;
  if (r < 0 || c < 0) return Wsf_error(result, kErrValue);
  const int32_t rows = rowsOf(array), columns = columnsOf(array);
  // One index cannot say both the row and the column of a table.
  if (!three && rows > 1 && columns >= 2) return Wsf_error(result, kErrRef);
  if (!three) {
    // A single row or column: its element r; 0 (or a left-out index) is
    // the whole row or column.
    const bool column = columns == 1 && rows > 1;
    c = column ? 1 : r;
    r = column ? r : 1;
  }
  if (r > rows || c > columns) return Wsf_error(result, kErrRef);
  if (array->kind != kValArray) return Wsf_copy(result, array);
  const int32_t i = r - 1, j = c - 1;
  if (i < 0 && j < 0) return Wsf_copy(result, array);
  if (i < 0) return part(result, array, 0, rows - 1, j, j);
  if (j < 0) return part(result, array, i, i, 0, columns - 1);
  return Wsf_copy(result, Val_at(array, i, j));
}

Value* Wsf_choose(Value* result, int argc, const Value* const* argv) {
  if (argc < 2 || argc > kMaxChooseArgs) return Wsf_error(result, kErrNA);
  const Value* index = argv[0];
  if (index->kind == kValDegVec && Wsf_structureHooks(result, argc, argv)) return result;
  if (Wsf_isError(index)) return Wsf_copy(result, index);
  // An index of a derivative mode picks at its point, as IF's condition
  // does: the choice is a step, flat wherever it is made.
  double at = 0.0;
  if (Wsf_isPlain(index)) at = Wsf_number(index);
  else if (!Op_derivativeValue(*index, &at)) return Wsf_error(result, kErrValue);
  const double k = std::trunc(at);
  if (!(k >= 1 && k <= argc - 1)) return Wsf_error(result, kErrValue);
  // A cell chosen is handed back as the cell, as IF hands back its branch.
  const Value* chosen = argv[static_cast<int>(k)];
  return chosen->source ? Wsf_copyReference(result, chosen) : Lkp_pick(result, chosen);
}

Value* Wsf_row(Value* result, int argc, const Value* const* argv, const CellRef* cell, bool arrayFormula) {
  return position(result, argc, argv, cell, arrayFormula, true);
}

Value* Wsf_column(Value* result, int argc, const Value* const* argv, const CellRef* cell, bool arrayFormula) {
  return position(result, argc, argv, cell, arrayFormula, false);
}

Value* Wsf_rows(Value* result, const Value* x) { return extent(result, x, true); }
Value* Wsf_columns(Value* result, const Value* x) { return extent(result, x, false); }
Value* Wsf_areas(Value* result, const Value*) { return Wsf_integer(result, 1); }

Value* Wsf_transpose(Value* result, const Value* x, bool arrayFormula) {
  (void)arrayFormula;  // outside an array formula the cell shows the first element, as the worksheet's does
  // A single value is an array of one element, which the aggregates read
  // as an array's (skipping a logical or a text) rather than as a value
  // given directly.
  const bool single = x->kind != kValArray;
  const int32_t rows = single ? 1 : x->array->rows, columns = single ? 1 : x->array->columns;
  if (rows > kValMaxColumns) return Wsf_error(result, kErrValue);
  Value t = Val_empty(result->context);
  if (Val_makeArray(&t, static_cast<int32_t>(columns), static_cast<int32_t>(rows)) == kStatusOk)
    for (int32_t i = 0; i < rows; ++i)
      for (int32_t j = 0; j < columns; ++j) Val_assign(Val_at(&t, j, i), single ? x : Val_at(x, i, j));
  Wsf_copy(result, &t);
  Val_clear(&t);
  return result;
}

Value* Wsf_address(Value* result, int argc, const Value* const* argv) {
  if (Wsf_hooksOrError(result, argc, argv)) return result;
  const Value* row = argv[0];
  const Value* column = argv[1];
  if (row->kind > kValReal || !(row->number >= 1 && row->number <= kMaxAddressRow) || column->kind > kValReal ||
      !(column->number >= 1 && column->number <= kMaxAddressColumn))
    return Wsf_error(result, kErrValue);
  if ((argc > 2 && argv[2]->kind > kValReal) || (argc > 3 && argv[3]->kind > kValReal) ||
      (argc > 4 && argv[4]->kind > kValReal && argv[4]->kind != kValText))
    return Wsf_error(result, kErrValue);
  int32_t abs = 1;
  if (argc > 2 && (argv[2]->kind == kValInt || argv[2]->kind == kValReal)) {
    const double a = std::trunc(argv[2]->number);
    if (a >= 2 && a <= 4) abs = static_cast<int32_t>(a);
  }
  const bool a1 = !(argc > 3 && argv[3]->kind >= kValBool && argv[3]->kind <= kValReal && argv[3]->number == 0);
  std::u16string text = cellText(static_cast<int32_t>(row->number), static_cast<int32_t>(column->number), abs, a1);
  if (present(argc, argv, 4)) text = sheetPrefix(argv[4]) + text;
  Val_clear(result);
  return Val_setText(result, text.c_str());
}
