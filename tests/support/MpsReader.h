// Fixed-format MPS reader for the engine tests and benchmarks: reads a file
// by column positions and fills an LpRecord the way the engine's capture
// does (typed rows with ranges, bounds, objective row), then solves it in
// the scaled space.
#pragma once

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "contract/Bound_Infinity.h"
#include "engines/lpqp/Lp_Engine.h"

struct MpsEntry {
  int row;  // 0-based constraint row
  int col;  // 0-based column
  double value;
};

struct MpsModel {
  std::string name;
  std::vector<std::string> rowNames;  // constraint rows (the objective and other N rows left out)
  std::vector<char> rowKinds;         // 'E', 'L', 'G'
  std::vector<double> rhs, range;
  std::vector<bool> ranged;
  double objConstant = 0;  // an RHS r on the objective gives c.x - r
  std::vector<std::string> colNames;
  std::vector<double> cost, lower, upper;
  std::vector<bool> integer, lowerSet;
  std::vector<MpsEntry> entries;
};

// Field of a fixed-format line between 1-based columns `from` and `to`,
// without surrounding blanks.
inline std::string Mps_field(const std::string& line, std::size_t from, std::size_t to) {
  if (line.size() < from) return {};
  std::string f = line.substr(from - 1, to - from + 1);
  const std::size_t b = f.find_first_not_of(' '), e = f.find_last_not_of(' ');
  return b == std::string::npos ? std::string() : f.substr(b, e - b + 1);
}

inline bool Mps_number(const std::string& text, double& v) {
  if (text.empty()) return false;
  char* end = nullptr;
  v = std::strtod(text.c_str(), &end);
  return end == text.c_str() + text.size();
}

struct MpsParser {
  MpsModel& model;
  std::string& error;
  std::string section;
  std::string objective;
  std::unordered_map<std::string, int> rows;  // name -> constraint index, -1 objective, -2 dropped
  std::unordered_map<std::string, int> cols;
  bool inInteger = false;

  bool fail(const std::string& what) {
    error = what;
    return false;
  }

  bool rowLine(const std::string& line) {
    const std::string kind = Mps_field(line, 2, 3), name = Mps_field(line, 5, 12);
    if (kind == "N") {
      rows[name] = objective.empty() ? -1 : -2;
      if (objective.empty()) objective = name;
      return true;
    }
    if (kind != "E" && kind != "L" && kind != "G") return fail("bad row type: " + line);
    rows[name] = static_cast<int>(model.rowNames.size());
    model.rowNames.push_back(name);
    model.rowKinds.push_back(kind[0]);
    model.rhs.push_back(0);
    model.range.push_back(0);
    model.ranged.push_back(false);
    return true;
  }

  int column(const std::string& name) {
    const auto it = cols.find(name);
    if (it != cols.end()) return it->second;
    const int j = static_cast<int>(model.colNames.size());
    cols[name] = j;
    model.colNames.push_back(name);
    model.cost.push_back(0);
    model.lower.push_back(0);
    model.upper.push_back(kBoundInfinity);
    model.integer.push_back(inInteger);
    model.lowerSet.push_back(false);
    return j;
  }

  // The (row, value) pairs of fields 3-4 and 5-6, handed to `use`.
  template <class Use>
  bool pairs(const std::string& line, Use use) {
    for (std::size_t f : {15u, 40u}) {
      const std::string row = Mps_field(line, f, f + 7);
      if (row.empty()) continue;
      double v;
      if (!Mps_number(Mps_field(line, f + 10, f + 21), v)) return fail("bad number: " + line);
      const auto it = rows.find(row);
      if (it == rows.end()) return fail("unknown row: " + row);
      use(it->second, v);
    }
    return true;
  }

  bool columnLine(const std::string& line) {
    if (Mps_field(line, 15, 22) == "'MARKER'") {
      const std::string m = Mps_field(line, 40, 47);
      inInteger = m == "'INTORG'";
      return inInteger || m == "'INTEND'" || fail("bad marker: " + line);
    }
    const int j = column(Mps_field(line, 5, 12));
    return pairs(line, [&](int row, double v) {
      if (row == -1) model.cost[j] = v;
      else if (row >= 0) model.entries.push_back({row, j, v});
    });
  }

  bool rhsLine(const std::string& line) {
    return pairs(line, [&](int row, double v) {
      if (row == -1) model.objConstant = -v;
      else if (row >= 0) model.rhs[row] = v;
    });
  }

  bool rangeLine(const std::string& line) {
    return pairs(line, [&](int row, double v) {
      if (row < 0) return;
      model.range[row] = v;
      model.ranged[row] = true;
    });
  }

  bool boundLine(const std::string& line) {
    const std::string kind = Mps_field(line, 2, 3), name = Mps_field(line, 15, 22);
    const auto it = cols.find(name);
    if (it == cols.end()) return fail("unknown column: " + name);
    const int j = it->second;
    double v = 0;
    const bool needsValue = kind != "MI" && kind != "PL" && kind != "FR" && kind != "BV";
    if (needsValue && !Mps_number(Mps_field(line, 25, 36), v)) return fail("bad bound: " + line);
    double& lo = model.lower[j];
    double& up = model.upper[j];
    if (kind == "UP" || kind == "UI") {
      if (v < 0 && !model.lowerSet[j]) lo = -kBoundInfinity;
      up = v;
    } else if (kind == "LO" || kind == "LI") {
      lo = v;
      model.lowerSet[j] = true;
    } else if (kind == "FX") {
      lo = up = v;
      model.lowerSet[j] = true;
    } else if (kind == "MI") {
      lo = -kBoundInfinity;
      model.lowerSet[j] = true;
    } else if (kind == "PL") {
      up = kBoundInfinity;
    } else if (kind == "FR") {
      lo = -kBoundInfinity;
      up = kBoundInfinity;
    } else if (kind == "BV") {
      lo = 0;
      up = 1;
    } else {
      return fail("bad bound type: " + line);
    }
    if (kind == "BV" || kind == "LI" || kind == "UI") model.integer[j] = true;
    return true;
  }

  bool line(const std::string& text) {
    if (text.empty() || text[0] == '*') return true;
    if (text[0] != ' ') {
      section = Mps_field(text, 1, 14);
      section = section.substr(0, section.find(' '));
      if (section == "NAME") model.name = Mps_field(text, 15, 22);
      return true;
    }
    if (section == "ROWS") return rowLine(text);
    if (section == "COLUMNS") return columnLine(text);
    if (section == "RHS") return rhsLine(text);
    if (section == "RANGES") return rangeLine(text);
    if (section == "BOUNDS") return boundLine(text);
    return fail("line outside a section: " + text);
  }
};

// Reads a fixed-format MPS file; false with a message on any fault.
inline bool Mps_read(const std::string& path, MpsModel& model, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open " + path;
    return false;
  }
  model = MpsModel{};
  MpsParser parser{model, error, {}, {}, {}, {}, false};
  std::string text;
  while (std::getline(in, text)) {
    if (!text.empty() && text.back() == '\r') text.pop_back();
    if (parser.section == "ENDATA") break;
    if (!parser.line(text)) return false;
  }
  if (parser.objective.empty()) {
    error = "no objective row";
    return false;
  }
  return true;
}

// Reads the shared problem of that name (lp/<name>.mps in the test data).
inline bool Mps_readNamed(const std::string& name, MpsModel& model, std::string& error) {
  return Mps_read(std::string(CORVAN_DATA) + "/lp/" + name + ".mps", model, error);
}

// One line of lp/optima.csv: a shared problem's kind ("lp" or "mip"), its
// sizes and its published optimum.
struct MpsKnown {
  std::string name, kind;
  int rows = 0, cols = 0, integers = 0;
  double optimum = 0;
};

inline std::vector<MpsKnown> Mps_knownProblems() {
  std::ifstream in(std::string(CORVAN_DATA) + "/lp/optima.csv");
  std::vector<MpsKnown> out;
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::stringstream ss(line);
    std::string f[6];
    for (auto& s : f) std::getline(ss, s, ',');
    out.push_back({f[0], f[1], std::stoi(f[2]), std::stoi(f[3]), std::stoi(f[4]), std::stod(f[5])});
  }
  return out;
}

// Lower and upper limits of constraint row i.
inline void Mps_rowLimits(const MpsModel& model, int i, double& lo, double& up) {
  const double b = model.rhs[i], r = model.range[i];
  const char kind = model.rowKinds[i];
  lo = kind == 'L' ? -kBoundInfinity : b;
  up = kind == 'G' ? kBoundInfinity : b;
  if (!model.ranged[i]) return;
  if (kind == 'L') lo = b - std::fabs(r);
  else if (kind == 'G') up = b + std::fabs(r);
  else if (r > 0) up = b + r;
  else lo = b + r;
}

// Row order of the model as the workbooks hold it: equality rows, less-than
// rows, ranged rows, greater-than rows.
inline std::vector<int> Mps_rowOrder(const MpsModel& model) {
  std::vector<int> order;
  auto group = [&](const MpsModel& mm, int i) {
    if (mm.ranged[i] && !(mm.rowKinds[i] == 'E' && mm.range[i] == 0)) return 2;
    return mm.rowKinds[i] == 'E' ? 0 : mm.rowKinds[i] == 'L' ? 1 : 3;
  };
  for (int g = 0; g < 4; ++g)
    for (int i = 0; i < static_cast<int>(model.rowNames.size()); ++i)
      if (group(model, i) == g) order.push_back(i);
  return order;
}

// Fills the record as the capture would: row bounds and types, matrix with
// zero constants, objective, variable bounds and start values 0.
inline int Mps_fillRecord(const MpsModel& model, LpRecord& lp, bool maximise = false) {
  const int n = static_cast<int>(model.colNames.size());
  const int m = static_cast<int>(model.rowNames.size());
  if (const int st = Lp_allocRecord(lp, n, m, 0)) return st;
  lp.maximise = maximise;
  lp.objKind = 1;
  const std::vector<int> order = Mps_rowOrder(model);
  std::vector<int> slot(m);
  for (int i = 0; i < m; ++i) {
    slot[order[i]] = i + 1;
    Mps_rowLimits(model, order[i], lp.rowLower[i + 1], lp.rowUpper[i + 1]);
  }
  Lp_setRowTypes(lp);
  for (const MpsEntry& e : model.entries) lp.matrix.row(slot[e.row])[e.col + 1] += e.value;
  double* objective = lp.matrix.row(m + 1);
  objective[0] = model.objConstant;
  for (int j = 0; j < n; ++j) {
    objective[j + 1] = model.cost[j];
    lp.lower[j + 1] = model.lower[j];
    lp.upper[j + 1] = model.upper[j];
  }
  Lp_finishCapture(lp);
  return 0;
}

// Setup's scaling step and the pristine copy.
inline bool Mps_prepare(LpRecord& lp, bool scale) {
  if (scale) Lp_computeScaling(lp);
  if (!Lp_scaleModel(lp)) return false;
  Lp_savePristine(lp);
  return true;
}

struct MpsResult {
  int status = -1;
  double objective = 0;  // in the model's sense and units
  int iterations = 0;
};

// One cold solve from the start values: scaled bounds in, unscaled out.
inline MpsResult Mps_solveCold(LpRecord& lp, const LpSettings& settings) {
  for (int j = 1; j <= lp.n; ++j) lp.x[j] = 0.0;
  Lp_scaleVariableState(lp);
  Lp_restoreWorking(lp);
  MpsResult r;
  r.status = Lp_boundedSimplex(lp, settings);
  r.iterations = lp.iterations;
  r.objective = Lp_unscaleObjective(lp.scaling, lp.matrix.row(0)[0]);
  if (lp.maximise) r.objective = -r.objective;
  Lp_unscaleVariableState(lp);
  return r;
}
