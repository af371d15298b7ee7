// Why an engine refused a model for its size: the model's counts as the
// library takes them, against the limits each engine reports, naming the
// engines that take a model of that size. The library reports the limits of
// the engine "solver_eng" chooses, so each engine is asked in turn, with
// the name set for the question and put back afterwards.
#include <string>
#include <vector>

#include "base/Dbl_Whole.h"
#include "frontend/Fe_Command.h"
#include "frontend/Fe_Session.h"
#include "frontend/Fe_Words.h"

namespace {

// The sizes an engine limits, by their place in both statistics rows.
struct Size {
  int column;
  const char* what;
};
constexpr Size kSizes[] = {{0, "variable cells"}, {1, "constraint rows"}, {3, "integer variables"}};
constexpr int kSizeColumns = 4;

using Counts = std::vector<double>;

// The first row of the result range after an action, kSizeColumns numbers.
Counts statisticsAfter(FeSession* s, SolveAction action) {
  Fe_action(s, action);
  Counts out(kSizeColumns, 0);
  for (int k = 0; k < kSizeColumns; ++k)
    if (const CellValue* v = Fe_resultCell(s, 0, k); v && v->kind == CellKind::Number) out[k] = v->number;
  return out;
}

Counts limitsOf(FeSession* s, int engine) {
  FeArgs asked;
  asked.engine = std::to_string(engine + 1);
  const FeSetNames before = Fe_setOptions(s, asked);
  Counts limits = statisticsAfter(s, ActionEngineLimits);
  Fe_restoreOptions(s, before);
  return limits;
}

bool fits(const Counts& model, const Counts& limits) {
  for (const Size& size : kSizes)
    if (model[size.column] > limits[size.column]) return false;
  return true;
}

// A count as a whole number; one past the range of whole numbers (an
// engine's "no limit") as a word.
std::string whole(double x) {
  long long n = 0;
  return Dbl_toWhole(x, &n) ? std::to_string(n) : "unlimited";
}

}  // namespace

bool Fe_explainSizeLimit(FeSession* s, const std::vector<std::string>& engines, int chosen) {
  if (chosen < 0 || chosen >= static_cast<int>(engines.size())) return false;
  // The size action starts a session of its own, which gives up what the
  // refused run kept to put back: that is put back first.
  Fe_action(s, ActionRestore);
  const Counts model = statisticsAfter(s, ActionModelSize);
  std::vector<Counts> limits;
  for (size_t k = 0; k < engines.size(); ++k) limits.push_back(limitsOf(s, static_cast<int>(k)));
  const Counts& own = limits[static_cast<size_t>(chosen)];
  for (const Size& size : kSizes) {
    if (model[size.column] <= own[size.column]) continue;
    std::string others;
    for (size_t k = 0; k < engines.size(); ++k)
      if (static_cast<int>(k) != chosen && fits(model, limits[k]))
        others += (others.empty() ? "" : ", ") + std::to_string(k + 1) + " \"" + engines[k] + "\" (up to " +
                  whole(limits[k][size.column]) + ")";
    Fe_say("the model has " + whole(model[size.column]) + " " + size.what + ", more than the " +
           whole(own[size.column]) + " that the engine \"" + engines[static_cast<size_t>(chosen)] + "\" takes; " +
           (others.empty() ? "no engine takes a model this size"
                           : "engines that take it: " + others + "; choose one with --engine N or \"solver_eng\""));
    return true;
  }
  return false;
}
