// The name walk of the formula reader's sources: references first, then
// defined names, each definition read on the sheet whose scope holds it.
#include "interpreter/Load_Names.h"

#include "base/Stored_Prefixes.h"

namespace {

// Defined names refer through at most this many other names.
constexpr int kMaxNameDepth = 8;

std::u16string_view bodyOf(std::u16string_view definition) {
  return !definition.empty() && definition[0] == u'=' ? definition.substr(1) : definition;
}

// "[0]!", ASCII, as the formula reader's texts spell it.
const std::u16string& thisWorkbook() {
  static const std::u16string text(kStoredThisWorkbook.begin(), kStoredThisWorkbook.end());
  return text;
}

// Where a text is read: references on `sheet`, names among those seen
// from it, or among the workbook's alone.
struct Reading {
  uint8_t sheet;
  bool workbookNames;
};

bool resolveAt(LoadNameBook* book, Reading at, std::u16string_view text, LoadNamed* out, int depth) {
  if (book->reference(at.sheet, text, &out->range)) return true;
  if (depth > kMaxNameDepth) return false;
  // "Other!name" is that sheet's own name, else the workbook's.
  const size_t bang = text.rfind(u'!');
  const bool qualified = bang != std::u16string_view::npos;
  const int32_t scope = qualified ? book->sheetOfPrefix(text.substr(0, bang)) : at.workbookNames ? 0 : at.sheet;
  if (qualified && (scope <= 0 || scope > kRefMaxSheet)) return false;
  const std::u16string_view name = qualified ? text.substr(bang + 1) : text;
  std::u16string definition;
  int32_t holder = 0;
  if (!book->seenDefinition(name, scope, &definition, &holder)) return false;
  const Reading inner = holder == 0 ? Reading{at.sheet, true} : Reading{static_cast<uint8_t>(holder), false};
  const std::u16string_view body = bodyOf(definition);
  if (resolveAt(book, inner, body, out, depth + 1)) return true;
  out->range = RangeRef{};
  out->formula = u"=" + std::u16string(body);
  out->formulaSheet = inner.sheet;
  out->workbookNames = inner.workbookNames;
  return true;
}

}  // namespace

bool LoadNameBook::seenDefinition(std::u16string_view name, int32_t scope, std::u16string* text, int32_t* holder) {
  *holder = scope != 0 && definition(name, scope, text) ? scope : 0;
  return *holder != 0 || definition(name, 0, text);
}

bool Load_resolveName(LoadNameBook* book, uint8_t sheet, std::u16string_view text, LoadNamed* out) {
  *out = LoadNamed{};
  const bool workbook = text.starts_with(thisWorkbook());
  if (workbook) text.remove_prefix(thisWorkbook().size());
  return resolveAt(book, Reading{sheet, workbook}, text, out, 0);
}

std::u16string Load_workbookNameText(std::u16string_view name) { return thisWorkbook() + std::u16string(name); }
