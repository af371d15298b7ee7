// What the command-line tests share: running `corvan` as a user would and
// writing small model workbooks with the project's own writer.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "platform/calc/Calc.h"
#include "platform/workbook/Wb_Workbook.h"
#include "platform/xlsx/Xlsx.h"

// The command as scripts/solve runs it: no test plug-in engine beside its library.
struct CliRun {
  int status = -1;
  std::string out;  // standard output and standard error together
  bool has(const std::string& s) const { return out.find(s) != std::string::npos; }
};

// `environment` ("NAME=value ...") is set for the command alone.
inline CliRun corvan(const std::string& args, const std::string& environment = "") {
  std::string cmd = environment + " " + CORVAN_SOLVE_OUT + "/corvan " + args + " 2>&1 </dev/null";
  CliRun r;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
  int raw = pclose(p);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return r;
}

inline std::string data(const std::string& rel) { return std::string(CORVAN_DATA) + "/" + rel; }

// The objective's value a run printed after "= " on its objective line;
// NaN when it printed none.
inline double Cli_objective(const std::string& out) {
  const size_t line = out.find("objective (");
  if (line == std::string::npos) return NAN;
  const size_t at = out.find("= ", line);
  return at == std::string::npos ? NAN : std::strtod(out.c_str() + at + 2, nullptr);
}

// The bytes of a file ("" when it cannot be read).
inline std::string fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Recalculates `wb`, saves it as `path` and closes it; the path.
inline std::string saveBook(Workbook* wb, const std::filesystem::path& path) {
  Calc_recalculate(wb);
  std::string error;
  EXPECT_TRUE(Xlsx_save(wb, path.string(), &error)) << error;
  Wb_closeWorkbook(wb);
  return path.string();
}

// A cell's value as a failure message shows it.
inline std::string cellShown(const CellValue& v) {
  switch (v.kind) {
    case CellKind::Number: return std::to_string(v.number);
    case CellKind::Text: return "\"" + v.text + "\"";
    case CellKind::Boolean: return v.number != 0 ? "TRUE" : "FALSE";
    case CellKind::Error: return Wb_errorText(v.error);
    default: return "(empty)";
  }
}

// Whether a computed value is the expected one: of its kind, and a number
// within 1e-12 relative.
inline bool sameCellValue(const CellValue& a, const CellValue& b) {
  if (a.kind != b.kind) return false;
  if (a.kind == CellKind::Number) return std::fabs(a.number - b.number) <= 1e-12 * std::max(1.0, std::fabs(b.number));
  return a == b;
}

// The classic two-product plan: maximise 3x + 5y subject to x <= 4, 2y <= 12,
// 3x + 2y <= 18, x, y >= 0. Optimum x = 2, y = 6, profit 36; shadow prices
// 0, 1.5 and 1; the objective coefficients may move within [0, 7.5] and
// [2, infinity), the right-hand sides within [2, inf), [6, 18] and [12, 24].
struct Plan {
  std::vector<std::pair<std::string, std::string>> names = {{"solver_opt", "Plan!$B$9"},
                                                            {"solver_typ", "1"},
                                                            {"solver_adj", "Plan!$B$2:$C$2"},
                                                            {"solver_num", "1"},
                                                            {"solver_lhs1", "Plan!$B$5:$B$7"},
                                                            {"solver_rel1", "1"},
                                                            {"solver_rhs1", "Plan!$C$5:$C$7"},
                                                            {"solver_lin", "1"},
                                                            {"solver_neg", "1"},
                                                            {"solver_eng", "2"}};
  std::vector<std::pair<std::string, std::string>> cells = {{"B1", "Doors"},
                                                            {"C1", "Windows"},
                                                            {"A2", "Batches"},
                                                            {"B2", "0"},
                                                            {"C2", "0"},
                                                            {"A3", "Profit"},
                                                            {"B3", "3"},
                                                            {"C3", "5"},
                                                            {"B4", "Used"},
                                                            {"C4", "Available"},
                                                            {"A5", "Plant 1"},
                                                            {"B5", "=B2"},
                                                            {"C5", "4"},
                                                            {"A6", "Plant 2"},
                                                            {"B6", "=2*C2"},
                                                            {"C6", "12"},
                                                            {"A7", "Plant 3"},
                                                            {"B7", "=3*B2+2*C2"},
                                                            {"C7", "18"},
                                                            {"A9", "Total profit"},
                                                            {"B9", "=SUMPRODUCT(B2:C2,B3:C3)"}};

  bool protectedSheet = false;    // Plan is protected
  bool otherHidden = false;       // Other is hidden
  std::vector<CellRange> merged;  // merged areas of Plan
  std::string objectiveFormat = "#,##0.00";  // of Plan!B9

  void set(const std::string& name, const std::string& value) {
    for (auto& [n, v] : names)
      if (n == name) {
        v = value;
        return;
      }
    names.push_back({name, value});
  }
  void drop(const std::string& name) {
    std::erase_if(names, [&](const auto& p) { return p.first == name; });
  }
  void cell(const std::string& at, const std::string& value) { cells.push_back({at, value}); }

  std::string save(const std::filesystem::path& path) const {
    Workbook* wb = Wb_newWorkbook("plan.xlsx");
    Sheet* plan = Wb_addSheet(wb, "Plan");
    Sheet* other = Wb_addSheet(wb, "Other");
    for (const auto& [where, value] : cells) {
      // "B2" on Plan, "Other!B2" on Other.
      bool onOther = where.rfind("Other!", 0) == 0;
      Sheet* sh = onOther ? other : plan;
      std::string at = onOther ? where.substr(6) : where;
      int row, col;
      Wb_parseA1(at, &row, &col);
      char* end = nullptr;
      double x = std::strtod(value.c_str(), &end);
      if (value[0] == '=') Wb_setFormula(wb, sh, row, col, value);
      else if (!*end) Wb_setValue(wb, sh, row, col, CellValue::makeNumber(x));
      else Wb_setValue(wb, sh, row, col, CellValue::makeText(value));
    }
    plan->protectedCells = protectedSheet;
    other->visible = !otherHidden;
    plan->merged = merged;
    Wb_cellAt(wb, plan, 8, 1)->numberFormat = objectiveFormat;
    // "Plan!lim" is a name of Plan's own, "lim" one of the workbook's.
    for (const auto& [name, value] : names) {
      const size_t bang = name.find('!');
      const int scope = bang == std::string::npos ? -1 : Wb_sheetIndex(wb, name.substr(0, bang));
      Wb_defineName(wb, DefinedName{name.substr(bang + 1), value, scope, true});
    }
    return saveBook(wb, path);
  }
};

// A workbook a spreadsheet program saved (tests/platform/fixtures, made by its
// make-fixtures script).
inline std::string fixture(const std::string& name) {
  return (std::filesystem::path(CORVAN_SOURCE) / "tests" / "platform" / "fixtures" / name).string();
}
