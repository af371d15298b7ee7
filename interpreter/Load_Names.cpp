// The name walk of the formula reader's sources: references first, then
// defined names, each definition read on the sheet whose scope holds it.
#include "interpreter/Load_Names.h"

namespace {

// Defined names refer through at most this many other names.
constexpr int kMaxNameDepth = 8;

std::u16string_view bodyOf(std::u16string_view definition) {
  return !definition.empty() && definition[0] == u'=' ? definition.substr(1) : definition;
}

bool resolveAt(LoadNameBook* book, uint8_t sheet, std::u16string_view text, LoadNamed* out, int depth) {
  if (book->reference(sheet, text, &out->range)) return true;
  if (depth > kMaxNameDepth) return false;
  // "Other!name" is that sheet's own name, else the workbook's.
  const size_t bang = text.rfind(u'!');
  const bool qualified = bang != std::u16string_view::npos;
  const int32_t scope = qualified ? book->sheetOfPrefix(text.substr(0, bang)) : sheet;
  if (qualified && (scope <= 0 || scope > kRefMaxSheet)) return false;
  const std::u16string_view name = qualified ? text.substr(bang + 1) : text;
  std::u16string definition;
  auto at = static_cast<uint8_t>(scope);
  if (scope == 0 || !book->definition(name, scope, &definition)) {
    if (!book->definition(name, 0, &definition)) return false;
    at = sheet;
  }
  const std::u16string_view body = bodyOf(definition);
  if (resolveAt(book, at, body, out, depth + 1)) return true;
  out->range = RangeRef{};
  out->formula = u"=" + std::u16string(body);
  out->formulaSheet = at;
  return true;
}

}  // namespace

bool Load_resolveName(LoadNameBook* book, uint8_t sheet, std::u16string_view text, LoadNamed* out) {
  *out = LoadNamed{};
  return resolveAt(book, sheet, text, out, 0);
}
