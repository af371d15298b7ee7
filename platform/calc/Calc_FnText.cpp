// Text and date worksheet functions, among them those the library has the
// application compute for it: TEXT, VALUE, CLEAN, TRIM, PROPER, REPT, FIND,
// SEARCH, SUBSTITUTE, REPLACE, FIXED, DOLLAR, ROMAN, DAYS360 and WEEKDAY.
// Each applies element by element to blocks. Lengths and positions count
// characters (UTF-16 units, as spreadsheet programs count them), not the
// bytes of the workbook's UTF-8.
#include <cmath>

#include "base/Dbl_Whole.h"
#include "base/Utf8_Text.h"
#include "platform/calc/Calc_Internal.h"

namespace {

// The largest whole-number argument (a count, a position): a greater one,
// or one that is not finite, is #VALUE!.
constexpr double kMaxWhole = 1e9;
// The last date serial, 31 December 9999: a later day is #NUM!.
constexpr double kLastSerial = 2958465;

CellValue error(CellError e) { return CellValue::makeError(e); }
CellValue text(std::u16string_view s) {
  return s.size() > kCalcMaxText ? error(CellError::Value) : CellValue::makeText(Calc_utf8(s));
}
CellValue text(const std::string& s) { return text(Calc_utf16(s)); }

// The arguments of one element, converted: texts as the cell shows them,
// numbers truncated where whole numbers are meant. A conversion's fault
// (an error, a text that is no number) is met in argument order; a whole
// number out of range is a fault only once every argument read well.
struct Args {
  const CellValue* const* items;
  size_t n;
  CellValue err;
  bool outOfRange = false;

  bool has(size_t i) const { return i < n; }
  bool str(size_t i, std::string* out) {
    if (items[i]->kind == CellKind::Error) { err = *items[i]; return false; }
    *out = Calc_displayText(*items[i], "");
    return true;
  }
  bool chars(size_t i, std::u16string* out) {
    std::string s;
    if (!str(i, &s)) return false;
    *out = Calc_utf16(s);
    return true;
  }
  bool num(size_t i, double* out) { return Calc_toNumber(*items[i], out, &err); }
  bool whole(size_t i, long* out) {
    double d;
    if (!num(i, &d)) return false;
    if (std::fabs(d) <= kMaxWhole && Dbl_toWhole(d, out)) return true;
    outOfRange = true;
    *out = 0;
    return true;
  }
};

using TextFn = CellValue (*)(Args& a);

void textual(const CalcContext& ctx, const CalcNode& call, CalcValue* out, TextFn fn) {
  size_t n = call.args.size();
  Calc_mapArgs(
      ctx, call, out,
      [fn, n](const CellValue* const* items) {
        Args a{items, n, {}};
        CellValue r = fn(a);
        return a.outOfRange && a.err.kind != CellKind::Error ? error(CellError::Value) : r;
      },
      true, Calc_elementWork(call, 1));
}

CellValue textOf(Args& a) {
  std::string format;
  const CellValue& v = *a.items[0];
  if (v.kind == CellKind::Error) return v;
  if (!a.str(1, &format)) return a.err;
  double d = 0;
  if (v.kind == CellKind::Boolean) return CellValue::makeText(Calc_displayText(v, ""));
  if (v.kind == CellKind::Text && !Calc_textToNumber(v.text, &d)) return v;
  if (v.kind == CellKind::Number) d = v.number;
  std::string s;
  if (!Calc_formatNumber(d, format, &s)) return error(CellError::Value);
  return text(s);
}

CellValue valueOf(Args& a) {
  const CellValue& v = *a.items[0];
  double d;
  if (v.kind == CellKind::Number || v.kind == CellKind::Error) return v;
  if (v.kind == CellKind::Empty) return CellValue::makeNumber(0);
  if (v.kind == CellKind::Text && Calc_textToNumber(v.text, &d)) return CellValue::makeNumber(d);
  return error(CellError::Value);
}

CellValue clean(Args& a) {
  std::string s, r;
  if (!a.str(0, &s)) return a.err;
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 32) r += c;
  return text(r);
}

CellValue trim(Args& a) {
  std::string s, r;
  if (!a.str(0, &s)) return a.err;
  for (char c : s)
    if (c != ' ' || (!r.empty() && r.back() != ' ')) r += c;
  if (!r.empty() && r.back() == ' ') r.pop_back();
  return text(r);
}

// A letter after a letter in lower case, every other letter in upper case.
CellValue proper(Args& a) {
  std::u16string s;
  if (!a.chars(0, &s)) return a.err;
  bool afterLetter = false;
  for (char16_t& c : s) {
    c = afterLetter ? Utf8_lowerCase(c) : Utf8_upperCase(c);
    afterLetter = Calc_isLetter(c);
  }
  return text(s);
}

CellValue rept(Args& a) {
  std::u16string s, r;
  long times;
  if (!a.chars(0, &s) || !a.whole(1, &times)) return a.err;
  if (times < 0 || s.size() * static_cast<size_t>(times) > kCalcMaxText) return error(CellError::Value);
  // An empty text repeated is empty however many times.
  for (long i = 0; i < times && !s.empty(); ++i) r += s;
  return text(r);
}

// FIND (exact) and SEARCH (any case, wildcards): 1-based position from `start`.
CellValue position(Args& a, bool search) {
  std::u16string what, within;
  long start = 1;
  if (!a.chars(0, &what) || !a.chars(1, &within) || (a.has(2) && !a.whole(2, &start))) return a.err;
  if (start < 1 || static_cast<size_t>(start) > within.size() + 1) return error(CellError::Value);
  size_t at = search ? Calc_wildcardFind(what, within, static_cast<size_t>(start) - 1)
                     : within.find(what, static_cast<size_t>(start) - 1);
  return at == std::u16string::npos ? error(CellError::Value) : CellValue::makeNumber(static_cast<double>(at + 1));
}
CellValue find(Args& a) { return position(a, false); }
CellValue search(Args& a) { return position(a, true); }

CellValue substitute(Args& a) {
  std::u16string s, from, to;
  long instance = 0;
  if (!a.chars(0, &s) || !a.chars(1, &from) || !a.chars(2, &to) || (a.has(3) && !a.whole(3, &instance))) return a.err;
  if (a.has(3) && instance < 1) return error(CellError::Value);
  if (from.empty()) return text(s);
  std::u16string r;
  size_t pos = 0;
  for (long seen = 1;; ++seen) {
    size_t hit = s.find(from, pos);
    if (hit == std::u16string::npos) break;
    bool replace = instance == 0 || seen == instance;
    r += s.substr(pos, hit - pos) + (replace ? to : from);
    pos = hit + from.size();
  }
  return text(r + s.substr(pos));
}

CellValue replace(Args& a) {
  std::u16string s, with;
  long start, count;
  if (!a.chars(0, &s) || !a.whole(1, &start) || !a.whole(2, &count) || !a.chars(3, &with)) return a.err;
  if (start < 1 || count < 0) return error(CellError::Value);
  size_t from = std::min(s.size(), static_cast<size_t>(start - 1));
  size_t to = std::min(s.size(), from + static_cast<size_t>(count));
  return text(s.substr(0, from) + with + s.substr(to));
}

// The number rounded to `decimals` and written with (or without) thousands separators.
bool fixedText(double x, long decimals, bool commas, std::string* out) {
  if (decimals > 127) return false;
  std::string format = commas ? "#,##0" : "0";
  if (decimals > 0) format += "." + std::string(static_cast<size_t>(decimals), '0');
  return Calc_formatNumber(Calc_round(x, static_cast<double>(decimals)), format, out);
}

CellValue fixed(Args& a) {
  double x;
  long decimals = 2;
  bool noCommas = false;
  if (!a.num(0, &x) || (a.has(1) && !a.whole(1, &decimals))) return a.err;
  if (a.has(2) && !Calc_toBool(*a.items[2], &noCommas, &a.err)) return a.err;
  std::string s;
  return fixedText(x, decimals, !noCommas, &s) ? text(s) : error(CellError::Value);
}

CellValue dollar(Args& a) {
  double x;
  long decimals = 2;
  if (!a.num(0, &x) || (a.has(1) && !a.whole(1, &decimals))) return a.err;
  std::string s;
  if (!fixedText(std::fabs(x), decimals, true, &s)) return error(CellError::Value);
  return text(Calc_round(x, static_cast<double>(decimals)) < 0 ? "($" + s + ")" : "$" + s);
}

// Roman numerals; forms 1 to 4 allow ever wider subtractive pairs (VL, IL, VD, ID ...).
CellValue roman(Args& a) {
  long value, form = 0;
  if (!a.whole(0, &value)) return a.err;
  if (a.has(1)) {
    const CellValue& f = *a.items[1];
    if (f.kind == CellKind::Boolean) form = f.number != 0 ? 0 : 4;
    else if (!a.whole(1, &form)) return a.err;
  }
  if (value < 0 || value > 3999 || form < 0 || form > 4) return error(CellError::Value);
  struct Token { int value; const char* text; int form; };
  static const Token tokens[] = {
    {1000, "M", 0}, {999, "IM", 4}, {995, "VM", 3}, {990, "XM", 2}, {950, "LM", 1}, {900, "CM", 0},
    {500, "D", 0}, {499, "ID", 4}, {495, "VD", 3}, {490, "XD", 2}, {450, "LD", 1}, {400, "CD", 0},
    {100, "C", 0}, {99, "IC", 2}, {95, "VC", 1}, {90, "XC", 0}, {50, "L", 0}, {49, "IL", 2},
    {45, "VL", 1}, {40, "XL", 0}, {10, "X", 0}, {9, "IX", 0}, {5, "V", 0}, {4, "IV", 0}, {1, "I", 0},
  };
  std::string r;
  for (const Token& t : tokens)
    while (t.form <= form && value >= t.value) { r += t.text; value -= t.value; }
  return text(r);
}

// Year, month and day of a date serial (1 is 1 January 1900; 60 is the
// 29 February 1900 that spreadsheets count).
void dateOf(long serial, int* y, int* m, int* d) {
  if (serial == 60) { *y = 1900; *m = 2; *d = 29; return; }
  long z = serial - (serial < 60 ? 25568 : 25569);   // days since 1 January 1970
  // Civil date from a day count, in 400-year eras starting on 1 March.
  z += 719468;
  long era = (z >= 0 ? z : z - 146096) / 146097;
  long doe = z - era * 146097;
  long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  long mp = (5 * doy + 2) / 153;
  *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *y = static_cast<int>(yoe + era * 400 + (*m <= 2 ? 1 : 0));
}

bool lastOfFebruary(long serial) {
  int y, m, d, y2, m2, d2;
  dateOf(serial, &y, &m, &d);
  dateOf(serial + 1, &y2, &m2, &d2);
  return m == 2 && m2 == 3;
}

// A date serial argument in *day (truncated); false with the error met in
// its place. A serial outside 0 .. the last is kept as -1.
bool serialArg(Args& a, size_t i, long* day) {
  double d;
  if (!a.num(i, &d)) return false;
  *day = d >= 0 && d < kLastSerial + 1 ? static_cast<long>(d) : -1;
  return true;
}

CellValue days360(Args& a) {
  long start, end;
  bool european = false;
  if (!serialArg(a, 0, &start) || !serialArg(a, 1, &end)) return a.err;
  if (a.has(2) && !Calc_toBool(*a.items[2], &european, &a.err)) return a.err;
  if (start < 0 || end < 0) return error(CellError::Num);
  int y1, m1, d1, y2, m2, d2;
  dateOf(start, &y1, &m1, &d1);
  dateOf(end, &y2, &m2, &d2);
  if (european) {
    d1 = std::min(d1, 30);
    d2 = std::min(d2, 30);
  } else {
    // The US method moves a start on the last day of February to the 30th;
    // an end in February stays as it is.
    if (lastOfFebruary(start)) d1 = 30;
    if (d2 == 31 && d1 >= 30) d2 = 30;
    if (d1 == 31) d1 = 30;
  }
  return CellValue::makeNumber((y2 - y1) * 360.0 + (m2 - m1) * 30.0 + (d2 - d1));
}

CellValue weekday(Args& a) {
  long serial;
  double type = 1;
  if (!serialArg(a, 0, &serial) || (a.has(1) && !a.num(1, &type))) return a.err;
  if (serial < 0) return error(CellError::Num);
  type = std::trunc(type);
  long monday0 = (serial + 5) % 7;   // serial 2 is a Monday
  long firstDay;                      // the day counted as 1, Monday = 0
  if (type == 1) firstDay = 6;
  else if (type == 2) firstDay = 0;
  else if (type == 3) return CellValue::makeNumber(static_cast<double>(monday0));
  else if (type >= 11 && type <= 17) firstDay = static_cast<long>(type) - 11;
  else return error(CellError::Num);
  return CellValue::makeNumber(static_cast<double>((monday0 - firstDay + 7) % 7 + 1));
}

#define TEXT_FUNCTION(NAME, FN) \
  void NAME(const CalcContext& ctx, const CalcNode& call, CalcValue* out) { textual(ctx, call, out, FN); }
TEXT_FUNCTION(fnText, textOf)
TEXT_FUNCTION(fnValue, valueOf)
TEXT_FUNCTION(fnClean, clean)
TEXT_FUNCTION(fnTrim, trim)
TEXT_FUNCTION(fnProper, proper)
TEXT_FUNCTION(fnRept, rept)
TEXT_FUNCTION(fnFind, find)
TEXT_FUNCTION(fnSearch, search)
TEXT_FUNCTION(fnSubstitute, substitute)
TEXT_FUNCTION(fnReplace, replace)
TEXT_FUNCTION(fnFixed, fixed)
TEXT_FUNCTION(fnDollar, dollar)
TEXT_FUNCTION(fnRoman, roman)
TEXT_FUNCTION(fnDays360, days360)
TEXT_FUNCTION(fnWeekday, weekday)
#undef TEXT_FUNCTION

}  // namespace

std::vector<CalcBuiltinInfo> Calc_textFunctions() {
  return {
    {"TEXT", 2, 2, fnText}, {"VALUE", 1, 1, fnValue}, {"CLEAN", 1, 1, fnClean}, {"TRIM", 1, 1, fnTrim},
    {"PROPER", 1, 1, fnProper}, {"REPT", 2, 2, fnRept}, {"FIND", 2, 3, fnFind}, {"SEARCH", 2, 3, fnSearch},
    {"SUBSTITUTE", 3, 4, fnSubstitute}, {"REPLACE", 4, 4, fnReplace}, {"FIXED", 1, 3, fnFixed},
    {"DOLLAR", 1, 2, fnDollar}, {"ROMAN", 1, 2, fnRoman}, {"DAYS360", 2, 3, fnDays360},
    {"WEEKDAY", 1, 2, fnWeekday},
  };
}
