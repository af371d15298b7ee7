// Linear-form recognition: formula splitting, the table of recognised
// forms, argument normalisation and references, and block reading of large
// ranges of numbers.
#include "excel/Lin_LinearForm.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "base/Utf8_Text.h"
#include "excel/Area_Areas.h"
#include "excel/Xl_Queries.h"
#include "excel/Xl_Value.h"

namespace {

struct FormRow {
  const char* name;
  int code;
};

// Searched in this order; names compared exactly.
constexpr FormRow LinearFormTable[] = {
    {"SUM", FormSum},
    {"MMULT", FormMmult},
    {"SUMPRODUCT", FormSumProduct},
    {"DOTPRODUCT", FormDotProduct},
    {"QUADPRODUCT", FormQuadProduct},
};

constexpr int BlockCells = 6553;   // cells per application call

bool isNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.';
}

// The argument list after the "(" at `p`: splits at top-level commas and
// the closing ")", which must end the text.
int splitArguments(char* p, int* count) {
  if (p[0] == ')') {
    *p = '\0';
    return p[1] == '\0';
  }
  int depth = 1;
  for (; *p; ++p) {
    if (*p == '(') {
      ++depth;
    } else if (*p == ')' && depth > 1) {
      --depth;
    } else if (*p == ')' || (*p == ',' && depth == 1)) {
      bool last = *p == ')';
      *p = '\0';
      ++*count;
      if (last) return p[1] == '\0';
    }
  }
  return 0;   // the text ended inside the parentheses
}

// A sheet prefix names the active sheet: the sheet's own name, or the whole
// "[Book]Sheet" name, quoted or not, in any letter case.
bool namesActiveSheet(std::string prefix, const std::string& active) {
  if (prefix.size() >= 2 && prefix.front() == '\'' && prefix.back() == '\'') {
    prefix = prefix.substr(1, prefix.size() - 2);
    for (std::size_t i = prefix.find("''"); i != std::string::npos; i = prefix.find("''", i + 1))
      prefix.erase(i, 1);
  }
  std::size_t bracket = active.rfind(']');
  std::string sheet = bracket == std::string::npos ? active : active.substr(bracket + 1);
  return !prefix.empty() && (Utf8_compareNoCase(prefix, sheet) == 0 || Utf8_compareNoCase(prefix, active) == 0);
}

// Reads one block of rows of an area into the next slot.
bool readBlock(const XLOPER* ref, const XLREF& rows, LinBlocks* out) {
  AreaRef block(ref, rows);
  XLOPER type = Xl_integer(xltypeMulti);
  XLOPER result{};
  int rc = Excel4(xlCoerce, &result, 2, &block.value, &type);
  if (rc == xlretSuccess && Xl_type(&result) == xltypeMulti &&
      result.val.array.rows * result.val.array.columns == Area_areaCells(rows)) {
    out->blocks.push_back(result);
    return true;
  }
  Xl_giveBack(&result);
  return false;
}

}  // namespace

int Lin_lookupForm(const char* name) {
  for (const FormRow& row : LinearFormTable)
    if (std::strcmp(row.name, name) == 0) return row.code;
  return FormNone;
}

int Lin_splitCall(char* text, int* count) {
  *count = 0;
  if (!std::isalpha(static_cast<unsigned char>(text[0]))) return 0;
  char* p = text;
  while (isNameChar(*p)) ++p;
  if (*p != '(') return 0;
  *p = '\0';
  return splitArguments(p + 1, count);
}

int Lin_recogniseFormula(LinearForm* form, const XLOPER* cell) {
  *form = LinearForm{};
  std::string formula;
  if (!Xl_cellFormula(cell, &formula) || formula.size() < 2 || formula[0] != '=' ||
      formula.size() - 1 >= static_cast<std::size_t>(LinearFormChars))
    return FormNone;
  std::memcpy(form->text, formula.data() + 1, formula.size() - 1);
  int count = 0;
  int code = Lin_splitCall(form->text, &count) ? Lin_lookupForm(form->text) : FormNone;
  if (code == FormNone) {
    *form = LinearForm{};
    return FormNone;
  }
  form->length = static_cast<int>(formula.size() - 1);
  form->argumentCount = count;
  form->code = code;
  form->cell = cell;
  return code;
}

const char* Lin_argumentPiece(const LinearForm* form, int k) {
  if (form->length == 0 || k < 0 || k > form->argumentCount) return nullptr;
  const char* p = form->text;
  for (int i = 0; i < k; ++i) p += std::strlen(p) + 1;
  return p;
}

int Lin_normaliseArgument(std::string* text) {
  std::string& s = *text;
  while (s.size() >= 2 && s.front() == '(' && s.back() == ')') s = s.substr(1, s.size() - 2);
  std::string active;
  bool haveActive = false;
  for (std::size_t bang = s.find('!'); bang != std::string::npos; bang = s.find('!', bang)) {
    std::size_t start = s.find_last_of(":,", bang);
    start = start == std::string::npos ? 0 : start + 1;
    if (!haveActive && !Xl_activeSheetName(&active)) return 0;
    haveActive = true;
    if (!namesActiveSheet(s.substr(start, bang - start), active)) return 0;
    s.erase(start, bang + 1 - start);
    bang = start;
  }
  return 1;
}

XLOPER* Lin_argumentToRef(const LinearForm* form, const char* text) {
  if (form->cell) {
    if (XLOPER* ref = Area_fromR1C1(text, form->cell)) return ref;
  }
  std::string expression = std::string("!") + text;
  if (expression.size() > 255) return nullptr;
  XLOPER* argument = Xl_newText(expression.data(), expression.size());
  if (!argument) return nullptr;
  XLOPER result{};
  XLOPER* ref = nullptr;
  if (Excel4(xlfEvaluate, &result, 1, argument) == xlretSuccess && Area_isReference(&result))
    ref = Xl_newCopy(&result);
  Xl_giveBack(&result);
  Xl_freeValue(argument);
  return ref;
}

XLOPER* Lin_getArgument(const LinearForm* form, int k) {
  const char* piece = Lin_argumentPiece(form, k);
  if (!piece) return nullptr;
  if (k == 0) {
    XLOPER code = Xl_integer(form->code);
    return Xl_newCopy(&code);
  }
  if (*piece == '\0') return Xl_newMissing();
  std::string text = piece;
  if (Lin_normaliseArgument(&text)) {
    if (XLOPER* ref = Lin_argumentToRef(form, text.c_str())) return ref;
  }
  std::string expression = std::string("=") + piece;
  return expression.size() > 255 ? nullptr : Xl_newText(expression.data(), expression.size());
}

LinBlocks::~LinBlocks() { Lin_freeBlocks(this); }

int Lin_readBlocks(const XLOPER* ref, LinBlocks* out, int capacity) {
  Lin_freeBlocks(out);
  const XLREF* areas;
  int count;
  if (!Area_areasOf(ref, &areas, &count)) return 0;
  for (int a = 0; a < count; ++a) {
    int width = areas[a].colLast - areas[a].colFirst + 1;
    int rowsPerBlock = BlockCells / width;
    for (int first = areas[a].rwFirst; first <= areas[a].rwLast; first += rowsPerBlock) {
      XLREF rows = areas[a];
      rows.rwFirst = static_cast<std::uint16_t>(first);
      rows.rwLast = static_cast<std::uint16_t>(std::min(first + rowsPerBlock - 1, int(areas[a].rwLast)));
      if (static_cast<int>(out->blocks.size()) >= capacity || !readBlock(ref, rows, out)) {
        Lin_freeBlocks(out);
        return 0;
      }
    }
  }
  return 1;
}

int Lin_blockCells(const LinBlocks* blocks) {
  int cells = 0;
  for (const XLOPER& b : blocks->blocks) cells += b.val.array.rows * b.val.array.columns;
  return cells;
}

int Lin_blockValue(const LinBlocks* blocks, int k, double* value) {
  if (k < 0) return 0;
  for (const XLOPER& b : blocks->blocks) {
    int cells = b.val.array.rows * b.val.array.columns;
    if (k < cells) {
      const XLOPER& e = b.val.array.lparray[k];
      if (Xl_type(&e) != xltypeNum) return 0;
      *value = e.val.num;
      return 1;
    }
    k -= cells;
  }
  return 0;
}

int Lin_blockNumbers(const LinBlocks* blocks, double* out) {
  for (const XLOPER& b : blocks->blocks) {
    const XLOPER* elements = b.val.array.lparray;
    for (int k = 0, cells = b.val.array.rows * b.val.array.columns; k < cells; ++k) {
      if (Xl_type(&elements[k]) != xltypeNum) return 0;
      *out++ = elements[k].val.num;
    }
  }
  return 1;
}

void Lin_freeBlocks(LinBlocks* blocks) {
  for (XLOPER& b : blocks->blocks) Xl_giveBack(&b);
  blocks->blocks.clear();
}
