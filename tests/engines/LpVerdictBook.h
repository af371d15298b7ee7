// Small models for the LP/quadratic engine written as workbooks: variable
// cells from B2 (at most four), the objective in B6, rows from B8 with their
// right-hand sides in column C, each finite bound a constraint on its
// variable cell and each integer variable an "integer" constraint. A model
// is solved by the library in process or by `corvan solve` with the
// interpreter's analysis ("solver_dia" 2).
#pragma once

#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/calc/Calc.h"
#include "platform/xlsx/Xlsx.h"
#include "tests/support/EngineSolveFixture.h"

namespace lpbook {

constexpr double kFree = 1e30;  // no bound on that side
constexpr int kMostVariables = 4;

struct Variable {
  double start, lower, upper;
  bool integer = false;
};

struct Row {
  std::string formula;
  int relation;  // 1 <=, 2 =, 3 >=
  double rhs;
};

struct Case {
  std::string what;
  int type;  // 1 maximise, 2 minimise
  std::vector<Variable> variables;
  std::string objective;
  std::vector<Row> rows;
  int status;
  std::vector<double> optimum;  // checked when the status is 0
  double value;                 // the objective there
};

inline const char* const kCells[kMostVariables] = {"B2", "C2", "D2", "E2"};

// A number as a formula or a "solver_rhs" name holds it: every digit kept.
inline std::string exact(double v) {
  std::array<char, 32> text;
  std::snprintf(text.data(), text.size(), "%.17g", v);
  return text.data();
}

// What `corvan solve --option dia=2` printed: its status (-1 when none)
// and objective (NaN when none).
struct Printed {
  int status = -1;
  double objective = std::nan("");
};

}  // namespace lpbook

class LpVerdictBook : public EngineSolveFixture {
 protected:
  // The case as a workbook on sheet "Model".
  void build(const lpbook::Case& c) {
    using namespace lpbook;
    newModel();
    const int n = static_cast<int>(c.variables.size());
    ASSERT_LE(n, kMostVariables) << c.what;
    for (int j = 0; j < n; ++j) number(kCells[j], c.variables[j].start);
    formula("B6", c.objective);
    int count = 0;
    for (std::size_t i = 0; i < c.rows.size(); ++i) {
      const std::string at = "B" + std::to_string(8 + i), rhs = "C" + std::to_string(8 + i);
      formula(at.c_str(), c.rows[i].formula);
      number(rhs.c_str(), c.rows[i].rhs);
      row(++count, "Model!$" + at.substr(0, 1) + "$" + at.substr(1), c.rows[i].relation, "Model!$C$" + at.substr(1));
    }
    for (int j = 0; j < n; ++j) {
      const std::string cell = std::string("Model!$") + kCells[j][0] + "$2";
      if (c.variables[j].lower > -kFree) row(++count, cell, 3, exact(c.variables[j].lower));
      if (c.variables[j].upper < kFree) row(++count, cell, 1, exact(c.variables[j].upper));
      if (c.variables[j].integer) row(++count, cell, 4, "integer");
    }
    const std::string last(kCells[n - 1]);
    names({{"solver_adj", "Model!$B$2:$" + last.substr(0, 1) + "$2"},
           {"solver_opt", "Model!$B$6"},
           {"solver_typ", std::to_string(c.type)},
           {"solver_eng", "2"},
           {"solver_neg", "2"},
           {"solver_num", std::to_string(count)}});
  }
  // The workbook built last, solved by the command with dia=2.
  lpbook::Printed analysed() {
    // One file per process: CTest runs the tests that share this fixture at once.
    const std::string path = ::testing::TempDir() + "lp_verdict_book_" + std::to_string(getpid()) + ".xlsx";
    Calc_recalculate(book);
    std::string error;
    EXPECT_TRUE(Xlsx_save(book, path, &error)) << error;
    const std::string cmd = std::string(CORVAN_OUT) + "/corvan solve '" + path + "' --option dia=2 2>&1 </dev/null";
    lpbook::Printed printed;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return printed;
    std::array<char, 4096> buf;
    std::string text;
    std::size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) text.append(buf.data(), n);
    pclose(p);
    const std::size_t at = text.find("status ");
    if (at != std::string::npos) std::sscanf(text.c_str() + at, "status %d", &printed.status);
    const std::size_t objective = text.find(" = ", text.find("\nobjective ("));
    if (objective != std::string::npos) printed.objective = std::strtod(text.c_str() + objective + 3, nullptr);
    return printed;
  }
};
