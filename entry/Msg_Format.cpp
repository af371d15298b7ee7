// Objective values for the status lines, in the objective cell's own number
// format, or as the application writes a plain number when it has none.
#include "entry/Entry_Context.h"
#include "entry/Msg_Status.h"
#include "excel/Names_Model.h"
#include "excel/Xl_Queries.h"
#include "excel/Xl_Value.h"

namespace {

// The objective cell of the model the session read; none without one.
const XLOPER* objectiveCell(const LibraryContext* context) {
  if (!context->constraints) return nullptr;
  for (const ConstraintRecord& record : context->constraints->records)
    if (record.flags & RowObjective) return record.lhs;
  return nullptr;
}

// TEXT(x, format); false when the application gives no text.
bool formatWith(const XLOPER* x, const std::string& format, std::string* out) {
  XLOPER* pattern = Xl_newText(format.data(), format.size());
  if (!pattern) return false;
  XLOPER result{};
  int rc = Excel4(xlfText, &result, 2, const_cast<XLOPER*>(x), pattern);
  Xl_freeValue(pattern);
  if (rc != xlretSuccess) return false;
  bool isText = Xl_type(&result) == xltypeStr;
  if (isText) *out = Xl_textOf(&result);
  Xl_giveBack(&result);
  return isText;
}

// The number shown: the cell's value with `fromCell`, else `value`.
bool numberShown(const XLOPER* cell, int fromCell, double value, double* out) {
  *out = value;
  if (!fromCell) return true;
  XLOPER* number = cell ? Xl_coerce(cell, xltypeNum) : nullptr;
  if (!number) return false;
  *out = number->val.num;
  Xl_freeValue(number);
  return true;
}

int formatValue(const LibraryContext* context, int fromCell, double value, std::string* out) {
  out->clear();
  const XLOPER* cell = objectiveCell(context);
  XLOPER number = Xl_number(value);
  std::string format;
  if (cell && Xl_cellNumberFormat(cell, &format) && formatWith(fromCell ? cell : &number, format, out))
    return out->empty() ? 0 : 1;
  double shown = 0;
  if (!numberShown(cell, fromCell, value, &shown)) return 0;
  Xl_numberToText(shown, out);
  return out->empty() ? 0 : 1;
}

}  // namespace

int Msg_formatIncumbent(LibraryContext* context, double value) {
  context->status.incumbentTextValid = 1;
  return formatValue(context, 0, value, &context->status.incumbentText);
}

int Msg_formatObjective(LibraryContext* context, int fromCell, double value) {
  return formatValue(context, fromCell, value, &context->status.objectiveText);
}

int Msg_formatBound(LibraryContext* context, double value) {
  return formatValue(context, 0, value, &context->status.boundText);
}
