// Number formats: how TEXT(value, format) and cells show numbers. Digits are
// taken from the value's 15-significant-digit decimal form and rounded half
// away from zero on that form, so 2.675 with "0.00" shows "2.68".
#include <cctype>
#include <cmath>
#include <cstdio>
#include <string>

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
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.14e", x);   // d.dddddddddddddde+XX
  std::string s(buf);
  std::size_t e = s.find('e');
  d.digits = s.substr(0, 1) + s.substr(2, e - 2);
  d.point = std::stoi(s.substr(e + 1)) + 1;
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

std::string exponentText(int e) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "E%c%02d", e < 0 ? '-' : '+', std::abs(e));
  return buf;
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
  return value < 0 && magnitude != "0" ? "-" + magnitude : magnitude;
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

bool isGeneral(const std::string& format) {
  if (format.size() != 7) return false;
  static const char kGeneral[] = "general";
  for (int i = 0; i < 7; ++i)
    if (std::tolower(static_cast<unsigned char>(format[i])) != kGeneral[i]) return false;
  return true;
}

}  // namespace

bool Calc_formatNumber(double value, const std::string& format, std::string* out) {
  if (!std::isfinite(value)) return false;
  if (format.empty() || isGeneral(format)) {
    *out = generalText(value);
    return true;
  }
  return false;
}

std::string Calc_displayText(const CellValue& v, const std::string& format) {
  switch (v.kind) {
    case CellKind::Empty: return "";
    case CellKind::Text: return v.text;
    case CellKind::Boolean: return v.number != 0 ? "TRUE" : "FALSE";
    case CellKind::Error: return Wb_errorText(v.error);
    case CellKind::Number: break;
  }
  if (format.empty()) return numberText(v.number);
  std::string s;
  return Calc_formatNumber(v.number, format, &s) ? s : generalText(v.number);
}
