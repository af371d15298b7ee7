// The criterion scan of array blocks: a plain walk over the formula text,
// strings skipped, that finds each COUNTIF and SUMIF call and judges its
// second argument.
#include "interpreter/Parse_CellPicking.h"

#include <string_view>

namespace {

// Calls that pick their criterion by the cell being evaluated.
const std::u16string_view kCellPickingCalls[] = {u"countif", u"sumif"};
// Parentheses nest at most this deep in a formula that is judged; deeper
// ones run cell by cell.
constexpr int kMaxDepth = 64;
// The first character beyond ASCII.
constexpr char16_t kBeyondAscii = 0x80;

char16_t lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }
bool isLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
// Letters and digits of other scripts are word characters too.
bool isWordChar(char16_t c) {
  return isLetter(c) || isDigit(c) || c >= kBeyondAscii || c == u'_' || c == u'.' || c == u'$' || c == u'!';
}

// A word that reads as one cell: "b4", "$b$4", "sheet2!b4".
bool isCellWord(std::u16string_view word) {
  if (const size_t bang = word.rfind(u'!'); bang != std::u16string_view::npos) word.remove_prefix(bang + 1);
  size_t at = word.empty() || word[0] != u'$' ? 0 : 1;
  const size_t letters = at;
  while (at < word.size() && isLetter(word[at])) ++at;
  if (at == letters || at - letters > 3) return false;
  if (at < word.size() && word[at] == u'$') ++at;
  const size_t digits = at;
  while (at < word.size() && isDigit(word[at])) ++at;
  return at > digits && at == word.size();
}

// Calls that make a range of several cells out of single values.
const std::u16string_view kRangeCalls[] = {u"offset", u"indirect"};

// A word of a criterion that gives one value: a number, a cell, a boolean
// or the name of a call that makes no range (its arguments are judged on
// their own).
bool isScalarWord(std::u16string_view word, bool call) {
  if (isDigit(word[0]) || word[0] == u'.') return true;
  std::u16string folded(word);
  for (char16_t& c : folded) c = lower(c);
  if (call) {
    for (std::u16string_view range : kRangeCalls)
      if (folded == range) return false;
    return true;
  }
  return folded == u"true" || folded == u"false" || isCellWord(word);
}

// The call name ending just before position open ("(") when it is one of
// the cell-picking calls.
bool picksAt(const std::u16string& text, size_t open) {
  size_t start = open;
  while (start > 0 && isWordChar(text[start - 1])) --start;
  if (open - start < 5) return false;
  std::u16string name = text.substr(start, open - start);
  for (char16_t& c : name) c = lower(c);
  for (std::u16string_view call : kCellPickingCalls)
    if (name == call) return true;
  return false;
}

// Judges the criterion that starts at position start (just after the first
// argument's ","); false when it may hold several cells.
bool scalarCriterion(const std::u16string& text, size_t start) {
  int depth = 0;
  for (size_t k = start; k < text.size(); ++k) {
    const char16_t c = text[k];
    if (c == u'"') {
      for (++k; k < text.size() && text[k] != u'"'; ++k) {}
    } else if (c == u'\'' || c == u':' || c == u'{') {
      return false;
    } else if (c == u'(') {
      ++depth;
    } else if (c == u')' || c == u',') {
      if (depth == 0) return true;
      if (c == u')') --depth;
    } else if (c == u'#') {
      while (k + 1 < text.size() && (isWordChar(text[k + 1]) || text[k + 1] == u'/' || text[k + 1] == u'?')) ++k;
    } else if (isWordChar(c)) {
      size_t end = k;
      while (end < text.size() && isWordChar(text[end])) ++end;
      size_t next = end;
      while (next < text.size() && text[next] == u' ') ++next;
      if (!isScalarWord(std::u16string_view(text).substr(k, end - k), next < text.size() && text[next] == u'('))
        return false;
      k = end - 1;
    }
  }
  return true;
}

}  // namespace

bool Parse_picksByCell(const std::u16string& formula) {
  // Open parentheses, innermost last: whether each is a cell-picking call,
  // and the commas met in it.
  struct Call {
    bool picks;
    int commas;
  };
  Call calls[kMaxDepth];
  int depth = 0;
  for (size_t k = 0; k < formula.size(); ++k) {
    const char16_t c = formula[k];
    if (c == u'"') {
      for (++k; k < formula.size() && formula[k] != u'"'; ++k) {}
    } else if (c == u'(') {
      if (depth == kMaxDepth) return true;
      calls[depth++] = Call{picksAt(formula, k), 0};
    } else if (c == u')') {
      if (depth > 0) --depth;
    } else if (c == u',' && depth > 0 && calls[depth - 1].picks && ++calls[depth - 1].commas == 1) {
      if (!scalarCriterion(formula, k + 1)) return true;
    }
  }
  return false;
}
