// Variant type changes, with the locale-free text forms documented in Auto.h.
#include <cctype>
#include <charconv>
#include <cmath>

#include "platform/automation/Auto_Internal.h"

namespace {

constexpr double kMinDate = -657434.0;     // 1 January 100
constexpr double kMaxDate = 2958465.0;     // 31 December 9999
constexpr long kDayZero = 693899;          // days from 1 March 0000 to 30 December 1899

std::string trimmed(const std::string& s) {
  std::size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool digitsAt(const std::string& s, std::size_t* i, int minCount, int maxCount, long* out) {
  std::size_t start = *i;
  long v = 0;
  while (*i < s.size() && std::isdigit(static_cast<unsigned char>(s[*i])) && static_cast<int>(*i - start) < maxCount)
    v = v * 10 + (s[(*i)++] - '0');
  *out = v;
  return static_cast<int>(*i - start) >= minCount && (*i >= s.size() || !std::isdigit(static_cast<unsigned char>(s[*i])));
}

// Days since 30 December 1899 of a civil date; false when the date does not exist.
bool daysOf(long y, long m, long d, double* out) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  if (y < 100 || y > 9999 || m < 1 || m > 12 || d < 1 || d > kDays[m - 1] + (m == 2 && leap ? 1 : 0)) return false;
  long yy = m <= 2 ? y - 1 : y;
  long era = yy / 400, yoe = yy - era * 400;
  long doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  *out = static_cast<double>(era * 146097 + doe - kDayZero);
  return true;
}

void civilOf(long days, long* y, long* m, long* d) {
  long z = days + kDayZero;
  long era = (z >= 0 ? z : z - 146096) / 146097;
  long doe = z - era * 146097;
  long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  long mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = yoe + era * 400 + (*m <= 2 ? 1 : 0);
}

int monthOf(const std::string& word) {
  static const char* kNames[] = {"january", "february", "march", "april", "may", "june", "july",
                                 "august", "september", "october", "november", "december"};
  std::string w = lower(word);
  for (int i = 0; i < 12; ++i)
    if (w == kNames[i] || (w.size() == 3 && w == std::string(kNames[i], 3))) return i + 1;
  return 0;
}

// "H:MM[:SS[.fff]] [AM|PM]" from `i` to the end: the fraction of a day.
bool timeAt(const std::string& s, std::size_t i, double* out) {
  long h, mi, sec = 0;
  double frac = 0;
  if (!digitsAt(s, &i, 1, 2, &h) || i >= s.size() || s[i++] != ':' || !digitsAt(s, &i, 2, 2, &mi)) return false;
  if (i < s.size() && s[i] == ':') {
    ++i;
    if (!digitsAt(s, &i, 2, 2, &sec)) return false;
    if (i < s.size() && s[i] == '.') {
      std::size_t b = ++i;
      while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
      if (i == b) return false;
      if (!Wb_parseNumber("0." + s.substr(b, i - b), &frac)) return false;
    }
  }
  std::string rest = lower(trimmed(s.substr(i)));
  if (!rest.empty()) {
    if ((rest != "am" && rest != "pm") || h < 1 || h > 12) return false;
    h = h % 12 + (rest == "pm" ? 12 : 0);
  }
  if (h > 23 || mi > 59 || sec > 59) return false;
  *out = (h * 3600.0 + mi * 60.0 + sec + frac) / 86400.0;
  return true;
}

// The date part of `s`, leaving `i` after it.
bool datePart(const std::string& s, std::size_t* i, double* days) {
  long a, b, c;
  std::size_t p = *i;
  if (digitsAt(s, &p, 4, 4, &a) && p < s.size() && (s[p] == '-' || s[p] == '/')) {       // YYYY-MM-DD
    char sep = s[p++];
    if (!digitsAt(s, &p, 1, 2, &b) || p >= s.size() || s[p++] != sep || !digitsAt(s, &p, 1, 2, &c)) return false;
    *i = p;
    return daysOf(a, b, c, days);
  }
  p = *i;
  if (digitsAt(s, &p, 1, 2, &a) && p < s.size() && s[p] == '/') {                       // M/D/YYYY
    ++p;
    if (!digitsAt(s, &p, 1, 2, &b) || p >= s.size() || s[p++] != '/' || !digitsAt(s, &p, 4, 4, &c)) return false;
    *i = p;
    return daysOf(c, a, b, days);
  }
  p = *i;
  if (digitsAt(s, &p, 1, 2, &a) && p < s.size() && (s[p] == '-' || s[p] == ' ')) {      // D-Mon-YYYY, D Mon YYYY
    char sep = s[p++];
    std::size_t w = p;
    while (p < s.size() && std::isalpha(static_cast<unsigned char>(s[p]))) ++p;
    int m = monthOf(s.substr(w, p - w));
    if (!m || p >= s.size() || s[p++] != sep || !digitsAt(s, &p, 4, 4, &c)) return false;
    *i = p;
    return daysOf(c, m, a, days);
  }
  p = *i;
  std::size_t w = p;
  while (p < s.size() && std::isalpha(static_cast<unsigned char>(s[p]))) ++p;           // Mon D, YYYY
  int m = monthOf(s.substr(w, p - w));
  if (!m || p >= s.size() || s[p++] != ' ' || !digitsAt(s, &p, 1, 2, &b)) return false;
  if (p >= s.size() || s[p++] != ',') return false;
  while (p < s.size() && s[p] == ' ') ++p;
  if (!digitsAt(s, &p, 4, 4, &c)) return false;
  *i = p;
  return daysOf(c, m, b, days);
}

bool textToInteger(const std::string& text, double* out) {
  std::string t = trimmed(text);
  std::size_t i = (!t.empty() && (t[0] == '+' || t[0] == '-')) ? 1 : 0;
  if (i >= t.size() || t.size() - i > 15) return false;
  for (std::size_t k = i; k < t.size(); ++k)
    if (!std::isdigit(static_cast<unsigned char>(t[k]))) return false;
  *out = std::strtod(t.c_str(), nullptr);
  return true;
}

// Rounds halves to even, as integer conversions of variants do.
double roundEven(double x) { return std::nearbyint(x); }

// The numeric value of a variant (numbers, dates, booleans, empty).
bool numericOf(const AutoVariant& v, double* out) {
  switch (v.vt) {
    case Auto_vtEmpty: *out = 0; return true;
    case Auto_vtI2: *out = v.i2; return true;
    case Auto_vtI4: *out = v.i4; return true;
    case Auto_vtR4: *out = v.r4; return true;
    case Auto_vtR8: *out = v.r8; return true;
    case Auto_vtDate: *out = v.date; return true;
    case Auto_vtCurrency: *out = static_cast<double>(v.currency) / 10000.0; return true;
    case Auto_vtBool: *out = v.boolean ? -1.0 : 0.0; return true;
    default: return false;
  }
}

AutoResult fromText(const std::string& text, AutoVarType vt, AutoVariant* out) {
  double d;
  switch (vt) {
    case Auto_vtI2: case Auto_vtI4:
      if (!textToInteger(text, &d)) return Auto_eTypeMismatch;
      break;
    case Auto_vtDate:
      if (!Auto_textToDate(text, &d)) return Auto_eTypeMismatch;
      out->vt = Auto_vtDate;
      out->date = d;
      return Auto_ok;
    case Auto_vtBool: {
      std::string t = lower(trimmed(text));
      if (t == "true" || t == "false") {
        out->vt = Auto_vtBool;
        out->boolean = t == "true" ? Auto_true : Auto_false;
        return Auto_ok;
      }
      if (!Auto_textToReal(text, &d)) return Auto_eTypeMismatch;
      break;
    }
    default:
      if (!Auto_textToReal(text, &d)) return Auto_eTypeMismatch;
      break;
  }
  AutoVariant num;
  Auto_variantInit(&num);
  num.vt = Auto_vtR8;
  num.r8 = d;
  return Auto_variantChangeType(out, &num, 0, vt);
}

AutoResult fromNumber(double d, AutoVarType vt, AutoVariant* out) {
  out->vt = vt;
  switch (vt) {
    case Auto_vtI2:
      d = roundEven(d);
      if (!(d >= -32768 && d <= 32767)) return Auto_eOverflow;
      out->i2 = static_cast<std::int16_t>(d);
      return Auto_ok;
    case Auto_vtI4:
      d = roundEven(d);
      if (!(d >= -2147483648.0 && d <= 2147483647.0)) return Auto_eOverflow;
      out->i4 = static_cast<std::int32_t>(d);
      return Auto_ok;
    case Auto_vtR4:
      if (std::isfinite(d) && std::fabs(d) > 3.4028234663852886e38) return Auto_eOverflow;
      out->r4 = static_cast<float>(d);
      return Auto_ok;
    case Auto_vtR8: out->r8 = d; return Auto_ok;
    case Auto_vtDate:
      if (!(d >= kMinDate && d < kMaxDate + 1)) return Auto_eOverflow;
      out->date = d;
      return Auto_ok;
    case Auto_vtCurrency:
      if (!(std::fabs(d) < 922337203685477.0)) return Auto_eOverflow;
      out->currency = static_cast<std::int64_t>(roundEven(d * 10000.0));
      return Auto_ok;
    case Auto_vtBool: out->boolean = d != 0 ? Auto_true : Auto_false; return Auto_ok;
    default: return Auto_eTypeMismatch;
  }
}

}  // namespace

bool Auto_textToReal(const std::string& text, double* out) { return Wb_parseNumber(text, out); }

bool Auto_textToDate(const std::string& text, double* out) {
  std::string s = trimmed(text);
  if (s.empty()) return false;
  double time = 0, days = 0;
  if (timeAt(s, 0, &time)) {
    *out = time;
    return true;
  }
  std::size_t i = 0;
  if (!datePart(s, &i, &days)) return false;
  if (i < s.size()) {
    if (s[i] != ' ' && s[i] != 'T') return false;
    std::size_t t = s.find_first_not_of(' ', i + 1);
    if (t == std::string::npos || !timeAt(s, t, &time)) return false;
  }
  *out = days + (days < 0 ? -time : time);
  return true;
}

std::string Auto_realToText(double d) {
  if (d == 0) return "0";
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, 15);
  std::string s(buf, r.ptr);
  std::size_t e = s.find('e');
  if (e == std::string::npos) return s;
  s[e] = 'E';
  return s;
}

std::string Auto_dateToText(double d) {
  double whole = std::trunc(d), frac = std::fabs(d - whole);
  long y, m, day;
  civilOf(static_cast<long>(whole), &y, &m, &day);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", static_cast<int>(y), static_cast<int>(m), static_cast<int>(day));
  std::string s = buf;
  int secs = static_cast<int>(std::lround(frac * 86400.0));
  if (secs > 0 && secs < 86400) {
    std::snprintf(buf, sizeof buf, " %02d:%02d:%02d", secs / 3600, secs / 60 % 60, secs % 60);
    s += buf;
  }
  return s;
}

AutoResult Auto_variantChangeType(AutoVariant* dest, const AutoVariant* src, std::uint16_t, AutoVarType vt) {
  if (!dest || !src) return Auto_ePointer;
  AutoVariant in;
  Auto_variantInit(&in);
  AutoResult rc = Auto_variantCopy(&in, src);
  if (Auto_failed(rc)) return rc;
  if (in.vt == Auto_vtDispatch && vt != Auto_vtDispatch) {   // an object converts through its default value
    AutoVariant value;
    Auto_variantInit(&value);
    AutoDispParams none{nullptr, nullptr, 0, 0};
    rc = in.dispatch ? Auto_invoke(in.dispatch, Auto_dispidValue, Auto_localeEnglishUS, Auto_propertyGet, &none, &value,
                                   nullptr, nullptr)
                     : Auto_eTypeMismatch;
    Auto_variantClear(&in);
    if (Auto_failed(rc)) return Auto_eTypeMismatch;
    in = value;
  }
  AutoVariant out;
  Auto_variantInit(&out);
  double d;
  if (in.vt == vt) {
    out = in;
    Auto_variantInit(&in);
  } else if (vt == Auto_vtEmpty) {
    rc = Auto_ok;
  } else if (vt == Auto_vtString) {
    if (in.vt == Auto_vtBool) Auto_setText(&out, in.boolean ? "True" : "False");
    else if (in.vt == Auto_vtDate) Auto_setText(&out, Auto_dateToText(in.date));
    else if (in.vt == Auto_vtEmpty) Auto_setText(&out, "");
    else if (numericOf(in, &d)) Auto_setText(&out, Auto_realToText(d));
    else rc = Auto_eTypeMismatch;
    if (!Auto_failed(rc) && !out.str) rc = Auto_eOutOfMemory;
  } else if (in.vt == Auto_vtString) {
    rc = fromText(Auto_stringToUtf8(in.str), vt, &out);
  } else if (numericOf(in, &d)) {
    rc = fromNumber(d, vt, &out);
  } else {
    rc = Auto_eTypeMismatch;
  }
  Auto_variantClear(&in);
  if (Auto_failed(rc)) {
    Auto_variantClear(&out);
    return rc;
  }
  Auto_variantClear(dest);
  *dest = out;
  return Auto_ok;
}
