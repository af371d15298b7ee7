// The built-in number formats of workbook files: a cell style may name a
// format by a fixed id (0-49) instead of carrying its text.
#include "platform/xlsx/Xlsx.h"

namespace {

struct BuiltinFormat { int id; const char* text; };

// Ids 23-36 and 50+ have no fixed text (they depend on the reader's locale).
constexpr BuiltinFormat kBuiltins[] = {
  {1, "0"}, {2, "0.00"}, {3, "#,##0"}, {4, "#,##0.00"},
  {5, "$#,##0_);($#,##0)"}, {6, "$#,##0_);[Red]($#,##0)"},
  {7, "$#,##0.00_);($#,##0.00)"}, {8, "$#,##0.00_);[Red]($#,##0.00)"},
  {9, "0%"}, {10, "0.00%"}, {11, "0.00E+00"}, {12, "# ?/?"}, {13, "# ?\?/??"},
  {14, "mm-dd-yy"}, {15, "d-mmm-yy"}, {16, "d-mmm"}, {17, "mmm-yy"},
  {18, "h:mm AM/PM"}, {19, "h:mm:ss AM/PM"}, {20, "h:mm"}, {21, "h:mm:ss"},
  {22, "m/d/yy h:mm"},
  {37, "#,##0 ;(#,##0)"}, {38, "#,##0 ;[Red](#,##0)"},
  {39, "#,##0.00;(#,##0.00)"}, {40, "#,##0.00;[Red](#,##0.00)"},
  {41, "_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"_);_(@_)"},
  {42, "_(\"$\"* #,##0_);_(\"$\"* \\(#,##0\\);_(\"$\"* \"-\"_);_(@_)"},
  {43, "_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"??_);_(@_)"},
  {44, "_(\"$\"* #,##0.00_);_(\"$\"* \\(#,##0.00\\);_(\"$\"* \"-\"??_);_(@_)"},
  {45, "mm:ss"}, {46, "[h]:mm:ss"}, {47, "mmss.0"}, {48, "##0.0E+0"}, {49, "@"},
};

}  // namespace

std::string Xlsx_builtinFormat(int id) {
  for (const BuiltinFormat& b : kBuiltins)
    if (b.id == id) return b.text;
  return "";
}

int Xlsx_builtinFormatId(const std::string& format) {
  if (format.empty() || Wb_equalNoCase(format, "General")) return 0;
  for (const BuiltinFormat& b : kBuiltins)
    if (format == b.text) return b.id;
  return -1;
}
