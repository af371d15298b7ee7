// Numbers as the library's report tables and check messages print them.
#include "base/Dbl_Text.h"

#include <cmath>
#include <cstdio>

namespace {

// Past these a value prints as an infinity of the model.
constexpr double kInfinityAbove = 4e9;
// Six decimals.
constexpr double kDecimalScale = 1e6;

}  // namespace

std::string Dbl_fixedText(double v) {
  if (std::isnan(v)) return "NaN";
  if (v < -kInfinityAbove) return "-INFTY";
  if (v > kInfinityAbove) return "+INFTY";
  const double a = std::fabs(v);
  const auto whole = static_cast<unsigned long>(a);
  const auto decimals = static_cast<unsigned long>((a - static_cast<double>(whole)) * kDecimalScale);
  char text[48];
  std::snprintf(text, sizeof text, "%s%lu.%6.6lu", v < 0 ? "-" : "", whole, decimals);
  return text;
}
