// Number formats: how TEXT(value, format) and cells show numbers. Digits are
// taken from the value's 15-significant-digit decimal form and rounded half
// away from zero on that form, so 2.675 with "0.00" shows "2.68".
#include <algorithm>
#include <charconv>
#include <cctype>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/calc/Calc.h"

namespace {

// A non-negative decimal 0.d1d2d3... x 10^point; no leading or trailing zero
// digits; zero has no digits.
struct Decimal {
  std::string digits;
  int point = 0;
};

// The magnitude of `x` to 15 significant digits.
Decimal decimalOf(double x) {
  Decimal d;
  x = std::fabs(x);
  if (x == 0 || !std::isfinite(x)) return d;
  // d.dddddddddddddde+XX, rounded as printf rounds in the rounding mode in
  // effect: to_chars (always to nearest) gives the same digits when the
  // mode is to nearest, which it is but inside directed-rounding code.
  char buf[40];
  char* end = std::fegetround() == FE_TONEAREST
                  ? std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, 14).ptr
                  : buf + std::snprintf(buf, sizeof buf, "%.14e", x);
  char* e = std::find(buf, end, 'e');
  d.digits.assign(1, buf[0]);
  d.digits.append(buf + 2, e);
  std::from_chars(e + (e[1] == '+' ? 2 : 1), end, d.point);
  ++d.point;
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  return d;
}

// `d` rounded half away from zero to `decimals` places after the point
// (negative: to tens, hundreds ...).
Decimal roundedAt(Decimal d, int decimals) {
  int keep = d.point + decimals;
  if (keep >= static_cast<int>(d.digits.size())) return d;
  if (keep < 0) return Decimal{};
  bool up = d.digits[keep] >= '5';
  d.digits.resize(keep);
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
    if (i >= 0) {
      ++d.digits[i];
    } else {
      d.digits.insert(d.digits.begin(), '1');
      ++d.point;
    }
  }
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  if (d.digits.empty()) d.point = 0;
  return d;
}

// `d` rounded to `sig` significant digits.
Decimal roundedToSignificant(const Decimal& d, int sig) { return roundedAt(d, sig - d.point); }

// Digits of the integer part ("0" when it is zero).
std::string integerDigits(const Decimal& d) {
  if (d.point <= 0 || d.digits.empty()) return "0";
  std::string s = d.digits.substr(0, std::min<std::size_t>(d.point, d.digits.size()));
  s.append(d.point - s.size(), '0');
  return s;
}

// The first `count` digits after the point, zero padded.
std::string fractionDigits(const Decimal& d, int count) {
  std::string s;
  for (int i = 0; i < count; ++i) {
    int at = d.point + i;
    s += at >= 0 && at < static_cast<int>(d.digits.size()) ? d.digits[at] : '0';
  }
  return s;
}

// Plain form without exponent and without trailing zeros.
std::string fixedText(const Decimal& d) {
  int decimals = std::max(0, static_cast<int>(d.digits.size()) - d.point);
  std::string s = integerDigits(d);
  if (decimals > 0) s += "." + fractionDigits(d, decimals);
  return s;
}

// "E+05", "E-12", "E+308": the sign and at least two digits.
std::string exponentText(int e) {
  std::string digits = std::to_string(std::abs(e));
  return std::string(e < 0 ? "E-" : "E+") + (digits.size() < 2 ? "0" : "") + digits;
}

// Scientific form d.ddd E+XX with at most `sig` significant digits and no
// trailing zeros.
std::string scientificText(const Decimal& magnitude, int sig) {
  Decimal d = roundedToSignificant(magnitude, sig);
  int e = d.point - 1;
  std::string s = d.digits.substr(0, 1);
  if (d.digits.size() > 1) s += "." + d.digits.substr(1);
  return s + exponentText(e);
}

// General with at most `width` characters for the magnitude (sign not
// counted): plain while it fits, rounding the decimals away; small numbers
// stay plain only when nothing is lost; otherwise scientific with as many
// digits as fit.
std::string generalMagnitude(const Decimal& d, int width) {
  if (d.digits.empty()) return "0";
  int e = d.point - 1;
  if (e < width) {
    int decimals = e >= 0 ? width - e - 2 : width - 2;
    Decimal r = roundedAt(d, std::max(decimals, 0));
    std::string s = fixedText(r);
    bool lossless = r.digits == d.digits;
    if (static_cast<int>(s.size()) <= width && (e >= -4 || lossless)) return s;
  }
  int expLen = std::abs(e) >= 100 ? 5 : 4;
  std::string s = scientificText(d, width - expLen - 1);
  // Rounding may carry into a longer exponent (9.99999E+99 -> 1E+100).
  if (static_cast<int>(s.size()) > width) s = scientificText(d, width - expLen - 2);
  return s;
}

std::string signed_(double value, const std::string& magnitude) {
  return value < 0 ? "-" + magnitude : magnitude;
}

// General as a cell of standard width shows it (and TEXT(x,"General")).
std::string generalText(double value) { return signed_(value, generalMagnitude(decimalOf(value), 11)); }

// Number to text as concatenation and coercion give it: up to 15
// significant digits, scientific below 1E-4 and from 1E+15.
std::string numberText(double value) {
  Decimal d = decimalOf(value);
  if (d.digits.empty()) return "0";
  int e = d.point - 1;
  return signed_(value, e < -4 || e >= 15 ? scientificText(d, 15) : fixedText(d));
}

// ---------------------------------------------------------------------------
// Reading a format: sections separated by ';' (positive; negative; zero;
// text), each a list of tokens.

enum class Code : std::uint8_t {
  Literal, Digit, Point, Comma, Percent, Exponent, Year, Month, Minute, Day, Hour,
  Second, SubSecond, AmPm, Elapsed, General, At
};

// Where a digit placeholder sits in a number.
enum Part : std::uint8_t { kInteger, kFraction, kExponent, kNumerator, kDenominator, kParts };

struct Token {
  Code code = Code::Literal;
  std::string text;        // Literal; Exponent "E+" as written; AmPm "AM/PM" as written
  char ch = 0;             // Digit '0' '#' '?'; Elapsed 'h' 'm' 's'
  int count = 0;           // letters of a date code; digits of SubSecond
  Part part = kInteger;    // Digit
  int slot = 0;            // Digit: index within its part, from the left
};

struct Section {
  std::vector<Token> tokens;
  std::string condition;   // "<" "<=" "=" "<>" ">=" ">", empty when none
  double limit = 0;
  bool isDate = false, isText = false, isFraction = false;
  bool grouping = false, engineering = false;
  int percent = 0, scale = 0;
  int slots[kParts] = {};
  int fixedDenominator = 0;
  std::size_t fractionBegin = 0, fractionEnd = 0;   // tokens of "?/?" in a fraction
};

bool startsWithNoCase(const std::string& s, std::size_t at, const char* word) {
  for (std::size_t i = 0; word[i]; ++i) {
    if (at + i >= s.size() || std::tolower(static_cast<unsigned char>(s[at + i])) != word[i]) return false;
  }
  return true;
}

// Bytes of the UTF-8 character starting with `c`.
std::size_t charLength(char c) {
  auto u = static_cast<unsigned char>(c);
  return u < 0xC0 ? 1 : u < 0xE0 ? 2 : u < 0xF0 ? 3 : 4;
}

// Splits at ';' outside quotes, brackets and escapes; false when a quote or
// bracket is left open or there are more than four sections.
bool splitSections(const std::string& f, std::vector<std::string>* out) {
  std::string cur;
  bool quoted = false, bracket = false;
  for (std::size_t i = 0; i < f.size(); ++i) {
    char c = f[i];
    if (quoted) {
      quoted = c != '"';
    } else if (bracket) {
      bracket = c != ']';
    } else if (c == '"' || c == '[') {
      quoted = c == '"';
      bracket = c == '[';
    } else if ((c == '\\' || c == '_' || c == '*') && i + 1 < f.size()) {
      cur += c;
      c = f[++i];
    } else if (c == ';') {
      out->push_back(cur);
      cur.clear();
      continue;
    }
    cur += c;
  }
  out->push_back(cur);
  return !quoted && !bracket && out->size() <= 4;
}

bool isColour(const std::string& tag) {
  static const char* const kNames[] = {"black", "blue", "cyan", "green", "magenta", "red", "white", "yellow"};
  std::string lower;
  for (char c : tag) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* name : kNames)
    if (lower == name) return true;
  if (lower.rfind("color", 0) != 0 || lower.size() < 6 || lower.size() > 7) return false;
  for (std::size_t i = 5; i < lower.size(); ++i)
    if (!std::isdigit(static_cast<unsigned char>(lower[i]))) return false;
  int n = std::stoi(lower.substr(5));
  return n >= 1 && n <= 56;
}

// [<100], [>=0], [<>5]: the condition a section applies to.
bool readCondition(const std::string& tag, Section* sec) {
  if (!sec->condition.empty()) return false;
  std::size_t len = tag.size() > 1 && (tag[1] == '=' || (tag[0] == '<' && tag[1] == '>')) ? 2 : 1;
  std::string number = tag.substr(len);
  char* end = nullptr;
  double limit = std::strtod(number.c_str(), &end);
  if (number.empty() || end == number.c_str() || *end != '\0') return false;
  sec->condition = tag.substr(0, len);
  sec->limit = limit;
  return true;
}

// A bracketed tag: colour, condition, currency or locale, elapsed time.
bool readBracket(const std::string& tag, Section* sec) {
  if (tag.empty()) return false;
  if (tag[0] == '$') {
    sec->tokens.push_back({Code::Literal, tag.substr(1, tag.find('-') - 1)});
    return true;
  }
  if (tag[0] == '<' || tag[0] == '>' || tag[0] == '=') return readCondition(tag, sec);
  char unit = static_cast<char>(std::tolower(static_cast<unsigned char>(tag[0])));
  bool sameLetter = true;
  for (char c : tag) sameLetter = sameLetter && std::tolower(static_cast<unsigned char>(c)) == unit;
  if (sameLetter && (unit == 'h' || unit == 'm' || unit == 's')) {
    sec->tokens.push_back({Code::Elapsed, "", unit, static_cast<int>(tag.size())});
    return true;
  }
  return isColour(tag);
}

// A run of one date or time letter (y, m, d, h, s in either case).
bool readDateCode(const std::string& s, std::size_t* pos, Section* sec) {
  char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(s[*pos])));
  static const std::string kLetters = "ymdhs";
  static const Code kCodes[] = {Code::Year, Code::Month, Code::Day, Code::Hour, Code::Second};
  std::size_t which = kLetters.find(lower);
  if (which == std::string::npos) return false;
  std::size_t end = *pos;
  while (end < s.size() && std::tolower(static_cast<unsigned char>(s[end])) == lower) ++end;
  sec->tokens.push_back({kCodes[which], "", 0, static_cast<int>(end - *pos)});
  *pos = end;
  return true;
}

// Letters: exponent, date codes, AM/PM, General; any other letter shows as
// itself.
void readLetters(const std::string& s, std::size_t* pos, Section* sec) {
  std::size_t i = *pos;
  char c = s[i];
  if ((c == 'E' || c == 'e') && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-')) {
    sec->tokens.push_back({Code::Exponent, s.substr(i, 2)});
    *pos = i + 2;
  } else if (startsWithNoCase(s, i, "am/pm") || startsWithNoCase(s, i, "a/p")) {
    std::size_t len = startsWithNoCase(s, i, "am/pm") ? 5 : 3;
    sec->tokens.push_back({Code::AmPm, s.substr(i, len)});
    *pos = i + len;
  } else if (startsWithNoCase(s, i, "general")) {
    sec->tokens.push_back({Code::General, ""});
    *pos = i + 7;
  } else if (!readDateCode(s, pos, sec)) {
    sec->tokens.push_back({Code::Literal, s.substr(i, charLength(c))});
    *pos = i + charLength(c);
  }
}

bool readToken(const std::string& s, std::size_t* pos, Section* sec) {
  std::size_t i = *pos;
  char c = s[i];
  auto add = [&](Code code, std::string text, std::size_t next) {
    sec->tokens.push_back({code, std::move(text), c});
    *pos = next;
    return true;
  };
  switch (c) {
    case '"': {
      std::size_t end = s.find('"', i + 1);
      return end != std::string::npos && add(Code::Literal, s.substr(i + 1, end - i - 1), end + 1);
    }
    case '[': {
      std::size_t end = s.find(']', i);
      if (end == std::string::npos) return false;
      *pos = end + 1;
      return readBracket(s.substr(i + 1, end - i - 1), sec);
    }
    case '\\':
      return i + 1 < s.size() && add(Code::Literal, s.substr(i + 1, charLength(s[i + 1])), i + 1 + charLength(s[i + 1]));
    case '_':   // a space as wide as the next character
      return i + 1 < s.size() && add(Code::Literal, " ", i + 1 + charLength(s[i + 1]));
    case '*':   // fill with the next character: nothing in a text result
      *pos = i + 1 + (i + 1 < s.size() ? charLength(s[i + 1]) : 0);
      return i + 1 < s.size();
    case '0': case '#': case '?': return add(Code::Digit, "", i + 1);
    case '.': return add(Code::Point, "", i + 1);
    case ',': return add(Code::Comma, "", i + 1);
    case '%': return add(Code::Percent, "", i + 1);
    case '@': return add(Code::At, "", i + 1);
    default: break;
  }
  if (std::isalpha(static_cast<unsigned char>(c))) {
    readLetters(s, pos, sec);
    return true;
  }
  return add(Code::Literal, s.substr(i, charLength(c)), i + charLength(c));
}

bool isDateCode(Code c) {
  return c == Code::Year || c == Code::Month || c == Code::Minute || c == Code::Day || c == Code::Hour ||
         c == Code::Second || c == Code::AmPm || c == Code::Elapsed;
}

// The date or time code next to token `i` in direction `step`, or null.
const Token* neighbourCode(const std::vector<Token>& tokens, std::size_t i, int step) {
  for (std::size_t j = i + step; j < tokens.size(); j += step)
    if (isDateCode(tokens[j].code)) return &tokens[j];
  return nullptr;
}

// m and mm mean minutes right after hours or right before seconds.
void resolveMinutes(Section* sec) {
  auto& t = sec->tokens;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i].code != Code::Month || t[i].count > 2) continue;
    const Token* before = neighbourCode(t, i, -1);
    const Token* after = neighbourCode(t, i, 1);
    bool afterHours = before && (before->code == Code::Hour || (before->code == Code::Elapsed && before->ch == 'h'));
    bool beforeSeconds = after && (after->code == Code::Second || (after->code == Code::Elapsed && after->ch == 's'));
    if (afterHours || beforeSeconds) t[i].code = Code::Minute;
  }
}

// A date section: ".00" after seconds gives fractions of a second; other
// number signs are plain characters; digit placeholders cannot be read.
bool layoutDate(Section* sec) {
  resolveMinutes(sec);
  std::vector<Token> out;
  const auto& t = sec->tokens;
  for (std::size_t i = 0; i < t.size(); ++i) {
    Token tok = t[i];
    if (tok.code == Code::Point && i + 1 < t.size() && t[i + 1].code == Code::Digit && t[i + 1].ch == '0') {
      tok.code = Code::SubSecond;
      while (i + 1 < t.size() && t[i + 1].code == Code::Digit && t[i + 1].ch == '0' && tok.count < 3) {
        ++tok.count;
        ++i;
      }
    } else if (tok.code == Code::Point || tok.code == Code::Comma || tok.code == Code::Percent) {
      tok.text = tok.code == Code::Point ? "." : tok.code == Code::Comma ? "," : "%";
      tok.code = Code::Literal;
    } else if (tok.code == Code::Digit || tok.code == Code::Exponent || tok.code == Code::General) {
      return false;
    }
    out.push_back(tok);
  }
  sec->tokens = std::move(out);
  return true;
}

bool isDigitLiteral(const Token& t) {
  return t.code == Code::Literal && t.text.size() == 1 && std::isdigit(static_cast<unsigned char>(t.text[0]));
}

// "# ?/?", "?/8": marks the numerator and denominator placeholders of a
// fraction around the first '/' that follows a digit placeholder.
void findFraction(Section* sec) {
  auto& t = sec->tokens;
  for (const Token& tok : t)
    if (tok.code == Code::Point || tok.code == Code::Exponent) return;
  std::size_t slash = 1;
  while (slash < t.size() && !(t[slash].code == Code::Literal && t[slash].text == "/" && t[slash - 1].code == Code::Digit))
    ++slash;
  if (slash >= t.size()) return;
  std::size_t end = slash + 1;
  std::string fixed;
  if (end < t.size() && isDigitLiteral(t[end])) {   // a fixed denominator: "?/8", "?/10"
    for (; end < t.size() && fixed.size() < 6; ++end) {
      if (t[end].code == Code::Digit && t[end].ch == '0') t[end] = {Code::Literal, "0"};
      if (!isDigitLiteral(t[end])) break;
      fixed += t[end].text;
    }
  } else {
    while (end < t.size() && t[end].code == Code::Digit) t[end++].part = kDenominator;
  }
  if (end == slash + 1 || (!fixed.empty() && std::stoi(fixed) == 0)) return;
  sec->fixedDenominator = fixed.empty() ? 0 : std::stoi(fixed);
  std::size_t begin = slash;
  while (begin > 0 && t[begin - 1].code == Code::Digit) t[--begin].part = kNumerator;
  sec->isFraction = true;
  sec->fractionBegin = begin;
  sec->fractionEnd = end;
}

// Sorts digit placeholders into integer, decimals and exponent; false for
// an exponent without digits or a second exponent.
bool placeDigits(Section* sec) {
  Part part = kInteger;
  for (Token& t : sec->tokens) {
    if (t.code == Code::Digit) {
      if (t.part == kInteger) t.part = part;
      t.slot = sec->slots[t.part]++;
    } else if (t.code == Code::Point && part == kInteger && !sec->isFraction) {
      part = kFraction;
    } else if (t.code == Code::Point) {
      t = {Code::Literal, "."};
    } else if (t.code == Code::Exponent) {
      if (part == kExponent || sec->isFraction) return false;
      part = kExponent;
    } else if (t.code == Code::Percent) {
      ++sec->percent;
    }
  }
  return part != kExponent || sec->slots[kExponent] > 0;
}

// A comma between integer placeholders groups thousands; commas right after
// the digits divide by 1000 each; any other comma is a plain character.
void placeCommas(Section* sec) {
  auto& t = sec->tokens;
  for (std::size_t i = 0; i < t.size();) {
    if (t[i].code != Code::Comma) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < t.size() && t[end].code == Code::Comma) ++end;
    const Token* prev = i > 0 ? &t[i - 1] : nullptr;
    const Token* next = end < t.size() ? &t[end] : nullptr;
    bool prevDigit = prev && prev->code == Code::Digit && prev->part != kExponent;
    bool groups = prevDigit && prev->part == kInteger && next && next->code == Code::Digit && next->part == kInteger;
    bool scales = !groups && (prevDigit || (prev && prev->code == Code::Point));
    sec->grouping = sec->grouping || groups;
    if (scales) sec->scale += static_cast<int>(end - i);
    for (; i < end; ++i) t[i] = {Code::Literal, groups || scales ? "" : ","};
  }
}

bool layoutNumber(Section* sec) {
  findFraction(sec);
  if (!placeDigits(sec)) return false;
  placeCommas(sec);
  const Token* first = nullptr;
  for (const Token& t : sec->tokens)
    if (!first && t.code == Code::Digit) first = &t;
  sec->engineering = sec->slots[kExponent] > 0 && sec->slots[kInteger] > 1 && first->ch == '#';
  return true;
}

bool readSection(const std::string& text, Section* sec) {
  for (std::size_t i = 0; i < text.size();)
    if (!readToken(text, &i, sec)) return false;
  for (const Token& t : sec->tokens) {
    sec->isText = sec->isText || t.code == Code::At;
    sec->isDate = sec->isDate || isDateCode(t.code);
  }
  if (sec->isText) return true;
  return sec->isDate ? layoutDate(sec) : layoutNumber(sec);
}

// The sections of `format` ("" is General); false when it cannot be read.
bool readFormat(const std::string& format, std::vector<Section>* out) {
  std::vector<std::string> texts;
  if (!splitSections(format.empty() ? "General" : format, &texts)) return false;
  for (const std::string& text : texts) {
    out->emplace_back();
    if (!readSection(text, &out->back())) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------
// Showing a number with a section.

// Integer placeholder `t` of `count`, filled right to left from `digits`
// ("" for a zero integer part); the first placeholder takes any extra
// leading digits. '0' shows a zero, '?' a space, '#' nothing.
std::string integerSlot(const Token& t, int count, const std::string& digits, bool grouping) {
  std::string out;
  int size = static_cast<int>(digits.size());
  auto put = [&](char c, int fromRight) {
    out += c;
    if (grouping && fromRight > 0 && fromRight % 3 == 0) out += ',';
  };
  if (t.slot == 0)
    for (int p = size - 1; p >= count; --p) put(digits[size - 1 - p], p);
  int fromRight = count - 1 - t.slot;
  if (fromRight < size) {
    put(digits[size - 1 - fromRight], fromRight);
  } else if (t.ch == '0') {
    put('0', fromRight);
  } else if (t.ch == '?') {
    out += ' ';
  }
  return out;
}

// Decimal placeholder `t`: a digit up to the last significant one, then
// '0' a zero, '?' a space, '#' nothing.
std::string fractionSlot(const Token& t, const std::string& digits) {
  std::size_t last = digits.find_last_not_of('0');
  std::size_t at = static_cast<std::size_t>(t.slot);
  if (last != std::string::npos && at <= last) return digits.substr(at, 1);
  return t.ch == '0' ? "0" : t.ch == '?' ? " " : "";
}

// Denominator placeholder: digits from the left, the last placeholder takes
// any extra ones.
std::string denominatorSlot(const Token& t, int count, const std::string& digits) {
  int size = static_cast<int>(digits.size());
  if (t.slot < size) return t.slot == count - 1 ? digits.substr(t.slot) : digits.substr(t.slot, 1);
  return t.ch == '0' ? "0" : t.ch == '?' ? " " : "";
}

// The mantissa of `d` for a scientific section and its exponent: as many
// integer digits as placeholders, or an exponent that is a multiple of the
// placeholders when they start with '#'.
Decimal mantissa(const Section& s, Decimal d, int* exponent) {
  int n = s.slots[kInteger];
  if (d.digits.empty()) {
    *exponent = 0;
    return d;
  }
  int lead = d.point - 1;
  int step = s.engineering ? n : 1;
  *exponent = s.engineering ? (lead >= 0 ? lead / n : -((-lead + n - 1) / n)) * n : lead - n + 1;
  d.point -= *exponent;
  d = roundedAt(d, s.slots[kFraction]);
  if (d.point > n && !d.digits.empty()) {   // rounding carried into a new digit
    d.point -= step;
    *exponent += step;
  }
  return d;
}

std::string exponentDigits(int exponent, int width) {
  std::string s = std::to_string(std::abs(exponent));
  return std::string(std::max(0, width - static_cast<int>(s.size())), '0') + s;
}

// Fixed, thousands, percent and scientific sections.
std::string formatPlain(const Section& s, double magnitude) {
  Decimal d = decimalOf(magnitude);
  if (!d.digits.empty()) d.point += 2 * s.percent - 3 * s.scale;
  int exponent = 0;
  d = s.slots[kExponent] > 0 ? mantissa(s, d, &exponent) : roundedAt(d, s.slots[kFraction]);
  std::string integer = d.point > 0 && !d.digits.empty() ? integerDigits(d) : "";
  std::string decimals = fractionDigits(d, s.slots[kFraction]);
  std::string out;
  for (const Token& t : s.tokens) {
    switch (t.code) {
      case Code::Literal: out += t.text; break;
      case Code::Percent: out += '%'; break;
      case Code::General: out += generalMagnitude(decimalOf(magnitude), 11); break;
      case Code::Point:
        if (s.slots[kInteger] == 0) out += integer;
        out += '.';
        break;
      case Code::Exponent:
        out += t.text[0];
        if (exponent < 0 || t.text[1] == '+') out += exponent < 0 ? '-' : '+';
        break;
      case Code::Digit:
        if (t.part == kInteger) out += integerSlot(t, s.slots[kInteger], integer, s.grouping);
        if (t.part == kFraction) out += fractionSlot(t, decimals);
        if (t.part == kExponent && t.slot == 0) out += exponentDigits(exponent, s.slots[kExponent]);
        break;
      default: break;
    }
  }
  return out;
}

// The fraction nearest to `x` (0 <= x) with a denominator up to `maxDen`;
// the smaller denominator on a tie.
void nearestFraction(double x, long long maxDen, long long* num, long long* den) {
  double best = 2;
  for (long long q = 1; q <= maxDen; ++q) {
    long long p = std::llround(x * static_cast<double>(q));
    double err = std::fabs(x - static_cast<double>(p) / static_cast<double>(q));
    if (err < best - 1e-12) {
      best = err;
      *num = p;
      *den = q;
    }
  }
}

// "# ?/?" and "?/8" sections; false when the number is too large to show
// as a fraction.
bool formatFraction(const Section& s, double magnitude, std::string* out) {
  double v = magnitude * std::pow(100.0, s.percent);
  bool hasWhole = s.slots[kInteger] > 0;
  double whole = hasWhole ? std::floor(v) : 0;
  long long maxDen = 1;
  for (int i = 0; i < std::min(s.slots[kDenominator], 4); ++i) maxDen *= 10;
  long long num = 0, den = s.fixedDenominator;
  if ((v - whole) * static_cast<double>(std::max(den, maxDen)) >= 1e15) return false;
  if (den > 0) {
    num = std::llround((v - whole) * static_cast<double>(den));
  } else {
    nearestFraction(v - whole, maxDen - 1, &num, &den);
  }
  if (hasWhole && num == den) {
    whole += 1;
    num = 0;
  }
  // A whole number shows no fraction: blanks keep the alignment.
  bool blank = hasWhole && num == 0;
  std::string wholeDigits = whole > 0 ? integerDigits(decimalOf(whole)) : blank ? "0" : "";
  std::string numDigits = num > 0 || !hasWhole ? std::to_string(num) : "";
  std::string denDigits = std::to_string(den);
  for (std::size_t i = 0; i < s.tokens.size(); ++i) {
    const Token& t = s.tokens[i];
    if (blank && i >= s.fractionBegin && i < s.fractionEnd) {
      out->append(t.code == Code::Digit ? 1 : t.text.size(), ' ');
    } else if (t.code == Code::Digit) {
      if (t.part == kInteger) *out += integerSlot(t, s.slots[kInteger], wholeDigits, s.grouping);
      if (t.part == kNumerator) *out += integerSlot(t, s.slots[kNumerator], numDigits, false);
      if (t.part == kDenominator) *out += denominatorSlot(t, s.slots[kDenominator], denDigits);
    } else if (t.code == Code::Literal) {
      *out += t.text;
    } else if (t.code == Code::Percent) {
      *out += '%';
    }
  }
  return true;
}

struct Date {
  int year = 1900, month = 1, day = 0, weekday = 6;   // weekday 0 = Sunday
};

// Serial day on the 1900 date system: 1 is 1900-01-01, 60 the fictitious
// 1900-02-29, 0 shows as 1900-01-00.
Date dateOfSerial(long long serial) {
  Date d;
  d.weekday = static_cast<int>((serial + 6) % 7);
  if (serial <= 60) {
    d.month = serial <= 31 ? 1 : 2;
    d.day = static_cast<int>(serial <= 31 ? serial : serial - 31);
    return d;
  }
  long long z = serial - 25569 + 719468;   // days from 0000-03-01 (serial 25569 is 1970-01-01)
  long long era = z / 146097;
  long long doe = z - era * 146097;
  long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  long long mp = (5 * doy + 2) / 153;
  d.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  d.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  d.year = static_cast<int>(yoe + era * 400 + (d.month <= 2 ? 1 : 0));
  return d;
}

std::string padded(long long n, int width) {
  std::string s = std::to_string(n);
  return std::string(std::max(0, width - static_cast<int>(s.size())), '0') + s;
}

// A moment split for display: the date, the clock and the totals for
// elapsed times, in ticks of 10^-digits seconds.
struct Moment {
  Date date;
  long long ticks = 0, perSecond = 1;
  int subDigits = 0;
  bool twelveHours = false;
  long long seconds() const { return ticks / perSecond; }
  int hour() const { return static_cast<int>(seconds() / 3600 % 24); }
};

std::string monthName(int month, int letters) {
  static const char* const kNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                       "July",    "August",   "September", "October", "November", "December"};
  std::string name = kNames[month - 1];
  return letters == 3 ? name.substr(0, 3) : letters == 5 ? name.substr(0, 1) : name;
}

std::string dayName(int weekday, int letters) {
  static const char* const kNames[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  std::string name = kNames[weekday];
  return letters == 3 ? name.substr(0, 3) : name;
}

std::string dateCodeText(const Token& t, const Moment& m) {
  long long secs = m.seconds();
  int hour = m.hour();
  switch (t.code) {
    case Code::Year: return t.count <= 2 ? padded(m.date.year % 100, 2) : padded(m.date.year, 4);
    case Code::Month: return t.count <= 2 ? padded(m.date.month, t.count) : monthName(m.date.month, t.count);
    case Code::Day: return t.count <= 2 ? padded(m.date.day, t.count) : dayName(m.date.weekday, t.count);
    case Code::Hour:
      return padded(m.twelveHours ? (hour % 12 == 0 ? 12 : hour % 12) : hour, std::min(t.count, 2));
    case Code::Minute: return padded(secs / 60 % 60, std::min(t.count, 2));
    case Code::Second: return padded(secs % 60, std::min(t.count, 2));
    case Code::SubSecond: return "." + padded(m.ticks % m.perSecond, m.subDigits).substr(0, t.count);
    case Code::AmPm: {
      std::size_t slash = t.text.find('/');
      return hour < 12 ? t.text.substr(0, slash) : t.text.substr(slash + 1);
    }
    case Code::Elapsed: {
      long long total = t.ch == 'h' ? secs / 3600 : t.ch == 'm' ? secs / 60 : secs;
      return padded(total, t.count);
    }
    default: return t.text;
  }
}

// Dates and times; false for serials before 0 or after 9999-12-31.
bool formatDate(const Section& s, double serial, std::string* out) {
  if (serial < 0 || serial >= 2958466) return false;
  Moment m;
  for (const Token& t : s.tokens) {
    m.subDigits = std::max(m.subDigits, t.code == Code::SubSecond ? t.count : 0);
    m.twelveHours = m.twelveHours || t.code == Code::AmPm;
  }
  for (int i = 0; i < m.subDigits; ++i) m.perSecond *= 10;
  // Rounded to the smallest unit shown, which may carry into the next day.
  m.ticks = std::llround(serial * 86400.0 * static_cast<double>(m.perSecond));
  long long perDay = 86400 * m.perSecond;
  m.date = dateOfSerial(m.ticks / perDay);
  for (const Token& t : s.tokens) *out += dateCodeText(t, m);
  return true;
}

// A text section: '@' stands for the text.
std::string formatText(const Section& s, const std::string& text) {
  std::string out;
  for (const Token& t : s.tokens) out += t.code == Code::At ? text : t.code == Code::Literal ? t.text : "";
  return out;
}

bool conditionHolds(const Section& s, double x) {
  const std::string& op = s.condition;
  if (op == "<") return x < s.limit;
  if (op == "<=") return x <= s.limit;
  if (op == ">") return x > s.limit;
  if (op == ">=") return x >= s.limit;
  if (op == "<>") return x != s.limit;
  return x == s.limit;
}

// A section whose condition only negative numbers meet ([<0], [<=-1])
// shows them without their sign, like a plain negative section.
bool onlyNegatives(const Section& s) {
  const std::string& op = s.condition;
  return (op == "<" && s.limit <= 0) || ((op == "<=" || op == "=") && s.limit < 0);
}

// The section that shows `x`. Without conditions: one section for all;
// positive (and zero unless there is a third); negative without its sign;
// zero. With conditions, the first section whose condition holds or that
// has none (with the sign unless the condition admits only negatives). Null
// when no section applies.
const Section* pickSection(const std::vector<Section>& all, double x, bool* withSign) {
  int n = std::min(static_cast<int>(all.size()), 3);
  bool conditional = false;
  for (int i = 0; i < n; ++i) conditional = conditional || !all[i].condition.empty();
  *withSign = true;
  if (conditional) {
    for (int i = 0; i < n; ++i) {
      if (!all[i].condition.empty() && !conditionHolds(all[i], x)) continue;
      *withSign = !onlyNegatives(all[i]);
      return &all[i];
    }
    return nullptr;
  }
  if (n == 1 || x > 0) return &all[0];
  if (x < 0) {
    *withSign = false;
    return &all[1];
  }
  return n == 3 ? &all[2] : &all[0];
}

bool formatSection(const Section& s, double magnitude, std::string* out) {
  if (s.isText) {
    *out = formatText(s, numberText(magnitude));
    return true;
  }
  if (s.isDate) return formatDate(s, magnitude, out);
  if (s.isFraction) return formatFraction(s, magnitude, out);
  *out = formatPlain(s, magnitude);
  return true;
}

// Text shows through the format's text section (the fourth, or a section
// with '@'), otherwise as it is.
std::string displayTextValue(const std::string& text, const std::string& format) {
  std::vector<Section> sections;
  if (format.empty() || !readFormat(format, &sections)) return text;
  if (sections.size() == 4) return formatText(sections[3], text);
  for (const Section& s : sections)
    if (s.isText) return formatText(s, text);
  return text;
}

}  // namespace

bool Calc_formatNumber(double value, const std::string& format, std::string* out) {
  std::vector<Section> sections;
  if (!std::isfinite(value) || !readFormat(format, &sections)) return false;
  bool withSign = true;
  const Section* s = pickSection(sections, value, &withSign);
  if (!s) {
    *out = generalText(value);
    return true;
  }
  bool negative = withSign && value < 0;
  if (negative && s->isDate) return false;   // no date before serial 0
  std::string text;
  if (!formatSection(*s, std::fabs(value), &text)) return false;
  *out = negative ? "-" + text : text;
  return true;
}

std::string Calc_displayText(const CellValue& v, const std::string& format) {
  switch (v.kind) {
    case CellKind::Empty: return "";
    case CellKind::Text: return displayTextValue(v.text, format);
    case CellKind::Boolean: return v.number != 0 ? "TRUE" : "FALSE";
    case CellKind::Error: return Wb_errorText(v.error);
    case CellKind::Number: break;
  }
  if (format.empty()) return numberText(v.number);
  std::string s;
  return Calc_formatNumber(v.number, format, &s) ? s : generalText(v.number);
}
