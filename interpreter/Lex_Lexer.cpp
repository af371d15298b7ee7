// Names, numbers, quoted texts, array constants and operators of formulas.
#include "interpreter/Lex_Lexer.h"

#include <charconv>
#include <algorithm>
#include <cmath>
#include <string>

#include "interpreter/Vm_CharClass.h"
#include "values/Text_Convert.h"
#include "values/Vm_Status.h"

namespace {

// Digits a number may have before the point and after it together, and in
// its exponent.
constexpr int kMaxDigits = 21;
// Decimal orders of magnitude a real literal must stay within.
constexpr int kMinDecimalOrder = -307;
constexpr int kMaxDecimalOrder = 308;

struct LiteralName {
  const char16_t* name;
  int32_t kind;
  double number;  // boolean value, or the error code
};

const LiteralName kLiterals[] = {
    {u"false", kValBool, 0},      {u"true", kValBool, 1},      {u"#null!", kValError, kErrNull},
    {u"#div/0!", kValError, kErrDiv0}, {u"#value!", kValError, kErrValue}, {u"#ref!", kValError, kErrRef},
    {u"#name?", kValError, kErrName},  {u"#num!", kValError, kErrNum},     {u"#n/a", kValError, kErrNA},
};

char16_t current(const FormulaLexer* lex) { return lex->text[lex->cursor]; }

bool isLineBreak(char16_t c) { return c == u'\n' || c == u'\r'; }

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

void raise(FormulaLexer* lex, InterpStatus code) { Vm_raise(Vm_errorsOf(lex->context), code, "Lex", 0, 0, 0); }

// One character forward; line breaks are skipped everywhere.
void advance(FormulaLexer* lex) {
  if (current(lex)) ++lex->cursor;
  while (isLineBreak(current(lex))) ++lex->cursor;
}

void skipBlanks(FormulaLexer* lex) {
  while (Vm_charClass(current(lex)) == kCharBlank || isLineBreak(current(lex))) advance(lex);
}

int32_t invalid(FormulaLexer* lex, InterpStatus code) {
  lex->token = kTokInvalid;
  lex->tokenText.assign(1, current(lex));
  advance(lex);
  skipBlanks(lex);
  raise(lex, code);
  return lex->token;
}

std::u16string numberText(double x) {
  char16_t buffer[32];
  return std::u16string(buffer, static_cast<size_t>(Text_formatNumber(x, buffer)));
}

// Reads a run of digits into *digits; false with the given status when the
// run does not begin with a digit.
bool readDigits(FormulaLexer* lex, std::string* digits, int* count, int limit, InterpStatus missing) {
  if (!isDigit(current(lex))) {
    raise(lex, missing);
    return false;
  }
  for (; isDigit(current(lex)); advance(lex)) {
    if (++*count == limit + 1) raise(lex, kStatusTooManyDigits);
    *digits += static_cast<char>(current(lex));
  }
  return true;
}

// Reads a number (an optional "-" first) into *out; false, with the status
// raised, when it is malformed. *text receives its number text.
bool readNumber(FormulaLexer* lex, Value* out, std::u16string* text) {
  const bool negative = current(lex) == u'-';
  if (negative) {
    advance(lex);
    skipBlanks(lex);
  }
  std::string mantissa, exponentDigits;
  int mantissaDigits = 0, fractionDigits = 0, exponentCount = 0;
  bool real = false, negativeExponent = false;
  if (!readDigits(lex, &mantissa, &mantissaDigits, kMaxDigits, kStatusInvalidNumber)) return false;
  const int integerDigits = mantissaDigits;
  if (current(lex) == u'.') {
    real = true;
    advance(lex);
    if (!readDigits(lex, &mantissa, &mantissaDigits, kMaxDigits, kStatusInvalidFraction)) return false;
    fractionDigits = mantissaDigits - integerDigits;
  }
  if (current(lex) == u'e' || current(lex) == u'E') {
    real = true;
    advance(lex);
    if (current(lex) == u'+' || current(lex) == u'-') {
      negativeExponent = current(lex) == u'-';
      advance(lex);
    }
    if (!readDigits(lex, &exponentDigits, &exponentCount, kMaxDigits, kStatusInvalidExponent)) return false;
  }
  long exponent = 0;
  for (char d : exponentDigits) exponent = std::min(exponent * 10 + (d - '0'), 100000L);
  const long scale = (negativeExponent ? -exponent : exponent) - fractionDigits;
  const bool outOfRange = integerDigits + scale < kMinDecimalOrder || integerDigits + scale >= kMaxDecimalOrder;
  if (outOfRange) raise(lex, kStatusRealOutOfRange);
  // The digits read back through the library's correctly rounded conversion.
  const std::string literal = mantissa + "e" + std::to_string(scale);
  double value = 0.0;
  const auto r = std::from_chars(literal.data(), literal.data() + literal.size(), value);
  if (r.ec != std::errc()) value = integerDigits + scale > 0 ? HUGE_VAL : 0.0;
  if (negative) value = -value;
  if (real || std::fabs(value) > 2147483647.0) Val_setNumber(out, value);
  else Val_setKind(out, kValInt)->number = value;
  skipBlanks(lex);
  *text = numberText(value);
  return true;
}

// Reads a quoted text into a kind-19 text, even when it reads as a number or
// a date: "5" stays text for ISNUMBER and the text functions, and the
// operators convert it where arithmetic needs a number. *raw receives the
// characters between the quotes.
void readString(FormulaLexer* lex, Value* out, std::u16string* raw) {
  raw->clear();
  advance(lex);
  for (;;) {
    const char16_t c = current(lex);
    if (c == 0) {
      raise(lex, kStatusUnexpectedEnd);
      break;
    }
    advance(lex);
    if (c != u'"') {
      *raw += c;
    } else if (current(lex) == u'"') {
      *raw += c;
      advance(lex);
    } else {
      break;
    }
  }
  skipBlanks(lex);
  Val_setText(out, raw->c_str());
}

// Whether the text at the cursor starts with the lower-case word, in any case.
bool startsWithWord(const FormulaLexer* lex, const char16_t* word) {
  for (int32_t k = 0; word[k]; ++k)
    if (Text_foldCase(lex->text[lex->cursor + k]) != word[k]) return false;
  return true;
}

// An error literal at the cursor ends where its own text ends, so that an
// operator right after it ("#N/A/2", "#NUM!/A1") is read as one; false when
// no error literal starts there.
bool lexErrorLiteral(FormulaLexer* lex) {
  for (const LiteralName& literal : kLiterals) {
    if (literal.kind != kValError || !startsWithWord(lex, literal.name)) continue;
    lex->tokenText = literal.name;
    for (size_t k = 0; k < lex->tokenText.size(); ++k) advance(lex);
    skipBlanks(lex);
    Val_setError(&lex->value, static_cast<uint32_t>(literal.number));
    lex->token = kTokLiteral;
    return true;
  }
  return false;
}

int32_t lexName(FormulaLexer* lex) {
  if (current(lex) == u':') return invalid(lex, kStatusInvalidToken);
  if (current(lex) == u'#' && lexErrorLiteral(lex)) return lex->token;
  std::u16string name;
  bool quoted = false, afterHash = false;
  for (char16_t c = current(lex); c; c = current(lex)) {
    const uint32_t cls = Vm_charClass(c);
    if (quoted && (cls == kCharDelete || cls == kCharEnd)) break;
    if (c == u'\'') {
      quoted = !quoted;
    } else if (!quoted) {
      afterHash = afterHash || c == u'#';
      const bool taken = cls == kCharName || cls == kCharDigit || cls == kCharBlank || (afterHash && c == u'/');
      if (!taken) break;
    }
    name += c;
    advance(lex);
  }
  while (!name.empty() && Vm_charClass(name.back()) == kCharBlank) name.pop_back();
  for (char16_t& c : name) c = Text_foldCase(c);
  lex->tokenText = name;
  if (current(lex) == u'(') {
    Fn_lookup(name.c_str(), &lex->function);
    return lex->token = kTokFunction;
  }
  for (const LiteralName& literal : kLiterals) {
    if (name != literal.name) continue;
    if (literal.kind == kValBool) Val_setBool(&lex->value, literal.number != 0);
    else Val_setError(&lex->value, static_cast<uint32_t>(literal.number));
    return lex->token = kTokLiteral;
  }
  return lex->token = kTokName;
}

int32_t lexNumber(FormulaLexer* lex) {
  lex->token = kTokInvalid;
  if (readNumber(lex, &lex->value, &lex->tokenText)) lex->token = kTokNumber;
  return lex->token;
}

int32_t lexString(FormulaLexer* lex) {
  readString(lex, &lex->value, &lex->tokenText);
  return lex->token = kTokText;
}

// Counts rows and columns of the array constant at the cursor; false with
// the status to raise when the rows differ, the constant is empty, too large
// or not closed.
bool measureArray(const FormulaLexer* lex, int32_t* rows, int32_t* columns, InterpStatus* status) {
  int32_t row = 1, column = 1, width = -1;
  bool quoted = false, empty = true;
  *status = kStatusInvalidArray;
  for (int32_t i = lex->cursor + 1;; ++i) {
    const char16_t c = lex->text[i];
    if (c == 0) {
      *status = kStatusUnexpectedEnd;
      return false;
    }
    if (c == u'"') quoted = !quoted;
    if (quoted || c == u'"') {
      empty = false;
      continue;
    }
    if (c == u',') {
      ++column;
    } else if (c == u';' || c == u'}') {
      if (width >= 0 && column != width) return false;
      width = column;
      if (c == u'}') break;
      ++row;
      column = 1;
    } else if (Vm_charClass(c) != kCharBlank && !isLineBreak(c)) {
      empty = false;
    }
  }
  *rows = row;
  *columns = width;
  return !empty && row <= kValMaxRows && width <= kValMaxColumns;
}

// The text in double quotes, a quote inside it doubled, as a formula writes
// it: the texts a","b and a, b then give different array keys.
std::u16string quotedText(const std::u16string& text) {
  std::u16string out = u"\"";
  for (char16_t c : text) out += c == u'"' ? u"\"\"" : std::u16string(1, c);
  return out + u"\"";
}

// The array constant at the cursor; its token text, the key of its symbol,
// is the constant written out in braces, so that it differs from every
// other array constant and from every number.
int32_t lexArray(FormulaLexer* lex) {
  int32_t rows = 0, columns = 0;
  InterpStatus status = kStatusOk;
  if (!measureArray(lex, &rows, &columns, &status)) return invalid(lex, status);
  if (Val_makeArray(&lex->value, static_cast<int32_t>(rows), static_cast<int32_t>(columns)) != kStatusOk)
    return lex->token = kTokInvalid;
  advance(lex);
  std::u16string key;
  for (int32_t r = 0; r < rows; ++r) {
    for (int32_t c = 0; c < columns; ++c) {
      skipBlanks(lex);
      Value* element = Val_at(&lex->value, r, c);
      std::u16string text;
      if (isDigit(current(lex)) || current(lex) == u'-') {
        if (!readNumber(lex, element, &text)) return lex->token = kTokInvalid;
      } else if (current(lex) == u'"') {
        readString(lex, element, &text);
        text = quotedText(text);
      } else {
        return invalid(lex, kStatusInvalidArray);
      }
      const char16_t expected = c + 1 < columns ? u',' : r + 1 < rows ? u';' : u'}';
      if (current(lex) != expected) return invalid(lex, kStatusInvalidArray);
      key += text;
      if (expected != u'}') key += expected;
      advance(lex);
    }
  }
  skipBlanks(lex);
  lex->tokenText = u"{" + key + u"}";
  return lex->token = kTokArray;
}

int32_t lexOperator(FormulaLexer* lex) {
  const char16_t c = current(lex);
  int32_t token = 0;
  switch (c) {
    case u'%': token = kTokPercent; break;
    case u'&': token = kTokConcat; break;
    case u'(': token = kTokOpen; break;
    case u')': token = kTokClose; break;
    case u'*': token = kTokMul; break;
    case u'+': token = kTokAdd; break;
    case u',': token = kTokComma; break;
    case u'-': token = kTokSub; break;
    case u'/': token = kTokDiv; break;
    case u'=': token = kTokEq; break;
    case u'^': token = kTokPow; break;
    case u'<': token = kTokLt; break;
    case u'>': token = kTokGt; break;
    default: return invalid(lex, kStatusInvalidToken);
  }
  lex->tokenText.assign(1, c);
  advance(lex);
  const char16_t next = current(lex);
  if ((c == u'<' && (next == u'=' || next == u'>')) || (c == u'>' && next == u'=')) {
    token = next == u'>' ? kTokNe : c == u'<' ? kTokLe : kTokGe;
    lex->tokenText += next;
    advance(lex);
  }
  skipBlanks(lex);
  return lex->token = token;
}

}  // namespace

void Lex_init(FormulaLexer* lex, EvalContext* ctx) {
  lex->text[0] = 0;
  lex->cursor = 0;
  lex->token = kTokEnd;
  lex->tokenText.clear();
  Fn_setRecord(kFnUnknown, u"", -1, 0, 0, &lex->function);
  lex->value = Val_empty(ctx);
  lex->context = ctx;
}

bool Lex_loadText(FormulaLexer* lex, const char16_t* formula) {
  const size_t length = Text_length(formula);
  if (length >= static_cast<size_t>(kLexTextLength)) {
    Vm_raise(Vm_errorsOf(lex->context), kStatusTooLong, " max 1024 chars", 0, 0, 0);
    return false;
  }
  for (size_t i = 0; i < length; ++i) lex->text[i] = formula[i];
  lex->text[length] = 0;
  lex->cursor = 0;
  while (isLineBreak(current(lex))) ++lex->cursor;
  return true;
}

int32_t Lex_next(FormulaLexer* lex) {
  Lex_clearToken(lex);
  lex->tokenText.clear();
  skipBlanks(lex);
  switch (Vm_charClass(current(lex))) {
    case kCharName: return lexName(lex);
    case kCharDigit: return lexNumber(lex);
    case kCharOperator: return lexOperator(lex);
    case kCharQuote: return lexString(lex);
    case kCharBrace: return lexArray(lex);
    case kCharEnd: return lex->token = kTokEnd;
    default: return invalid(lex, kStatusInvalidToken);
  }
}

void Lex_clearToken(FormulaLexer* lex) { Val_clear(&lex->value); }

void Lex_destroy(FormulaLexer* lex) { Val_clear(&lex->value); }
