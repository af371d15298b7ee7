// The model diagnosis as `corvan analyse` prints it, read from the result
// range where the library wrote it: the model's level, the structure
// counts, the convexity verdict, and per function its class, curvature and
// the cells that make it exceed the declared model type.
#include <cstdio>
#include <string>
#include <vector>

#include "contract/Diag_Table.h"
#include "frontend/Fe_Output.h"

namespace {

const char* const kLevels[] = {"", "linear", "quadratic objective", "quadratic constraints", "smooth nonlinear",
                               "non-smooth", "unknown functions"};
const char* const kVerdicts[] = {"not tested", "convex", "not convex", "undecided"};
const char* const kContractions[] = {"", "feasible", "feasible, some row at its limit", "infeasible"};

const char* named(const char* const* names, int count, double code) {
  const int k = static_cast<int>(code);
  return k >= 0 && k < count ? names[k] : "";
}

std::string textOf(const std::vector<CellValue>& row, int column) {
  if (column >= static_cast<int>(row.size())) return "";
  const CellValue& v = row[static_cast<size_t>(column)];
  return v.kind == CellKind::Text ? v.text : v.kind == CellKind::Number ? std::to_string(static_cast<long>(v.number)) : "";
}

}  // namespace

void Fe_printDiagnosis(const std::vector<std::vector<CellValue>>& rows) {
  if (rows.empty() || static_cast<int>(rows[0].size()) < DiagStatistics) return;
  std::vector<double> c;
  for (const CellValue& v : rows[0]) c.push_back(v.number);
  std::printf("  model level %d: %s (declared type %d)\n", static_cast<int>(c[DiagLevel]),
              named(kLevels, 7, c[DiagLevel]), static_cast<int>(c[DiagDeclaredType]));
  std::printf("  variables: %d linear, %d quadratic, %d smooth\n", static_cast<int>(c[DiagLinearVariables]),
              static_cast<int>(c[DiagQuadraticVariables]), static_cast<int>(c[DiagSmoothVariables]));
  std::printf("  functions: %d linear, %d quadratic, %d smooth\n", static_cast<int>(c[DiagLinearFunctions]),
              static_cast<int>(c[DiagQuadraticFunctions]), static_cast<int>(c[DiagSmoothFunctions]));
  std::printf("  dependencies: %d linear, %d quadratic, %d smooth; %d in the constraints, %d in the objective\n",
              static_cast<int>(c[DiagLinearPairs]), static_cast<int>(c[DiagQuadraticPairs]),
              static_cast<int>(c[DiagSmoothPairs]), static_cast<int>(c[DiagConstraintDependencies]),
              static_cast<int>(c[DiagObjectiveDependencies]));
  std::printf("  above the declared type: %d\n", static_cast<int>(c[DiagExceeding]));
  std::printf("  convexity: %s", named(kVerdicts, 4, c[DiagConvexity]));
  if (c[DiagContraction] > 0) std::printf(" (box: %s)", named(kContractions, 4, c[DiagContraction]));
  std::printf("\n");
  for (size_t r = 1; r < rows.size(); ++r) {
    const std::vector<CellValue>& row = rows[r];
    if (textOf(row, DiagFunctionNumber) != std::to_string(r)) break;
    const std::string cell = textOf(row, DiagFunctionCell);
    std::printf("  function %s %s %s: %s, %s", textOf(row, DiagFunctionNumber).c_str(),
                cell.empty() ? "(added)" : cell.c_str(), textOf(row, DiagRelation).c_str(),
                textOf(row, DiagClass).c_str(), textOf(row, DiagCurvature).c_str());
    for (int k = 0; k < DiagExamples; ++k) {
      const std::string variable = textOf(row, DiagFirstExample + 2 * k);
      if (variable.empty()) continue;
      std::printf("%s %s (in %s)", k == 0 ? "; variables" : ",", variable.c_str(),
                  textOf(row, DiagFirstExample + 2 * k + 1).c_str());
    }
    std::printf("\n");
  }
}
