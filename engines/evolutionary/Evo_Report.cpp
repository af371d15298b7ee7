// The evolutionary engine's population report: the mean, standard deviation,
// largest and smallest value of every variable and row over the population's
// feasible members (every member after status 5), handed to the host's
// report writer with the solution as report set 10.
#include <algorithm>
#include <cmath>

#include "contract/Eng_Engine.h"
#include "contract/Host_Eval.h"
#include "engines/evolutionary/Evo_Engine.h"

namespace {

// The members the report covers, each evaluated at its unscaled point.
std::vector<const EvoMember*> reportMembers(EvoRecord& rec) {
  std::vector<const EvoMember*> members;
  for (EvoMember* m = rec.population.get(); m; m = m->next.get()) {
    if (rec.settings.useScaling)
      for (int j = 0; j < rec.n; ++j) m->x[j] *= rec.varScale[j];
    if (m->fitness != m->objective && rec.finalStatus != StatusInfeasible) continue;
    if (!Host_evalProblem(rec.context, rec.hostRows.data(), m->x.data())) continue;
    m->rowValues.assign(rec.hostRows.begin(), rec.hostRows.begin() + rec.m);
    members.push_back(m);
  }
  return members;
}

// Mean, standard deviation (k - 1 in the divisor from two members on),
// largest and smallest value of one quantity over the members.
struct EvoColumn {
  std::vector<double> mean, deviation, largest, smallest;
  explicit EvoColumn(int size) : mean(size), deviation(size), largest(size), smallest(size) {}
  void fill(const std::vector<const EvoMember*>& members, bool rows) {
    const double k = static_cast<double>(members.size());
    for (std::size_t i = 0; i < mean.size(); ++i) {
      double sum = 0.0, squares = 0.0, most = -kBoundInfinity, least = kBoundInfinity;
      for (const EvoMember* m : members) {
        const double v = rows ? m->rowValues[i] : m->x[i];
        sum += v;
        most = std::max(most, v);
        least = std::min(least, v);
      }
      mean[i] = k > 0 ? sum / k : 0.0;
      for (const EvoMember* m : members) {
        const double d = (rows ? m->rowValues[i] : m->x[i]) - mean[i];
        squares += d * d;
      }
      deviation[i] = std::sqrt(squares / (k > 1 ? k - 1 : 1.0));
      largest[i] = most;
      smallest[i] = least;
    }
  }
};

}  // namespace

void Evo_writePopulationReport(EvoRecord& rec) {
  EvoColumn vars(rec.n), rows(rec.m);
  if (rec.options.reports) {
    const std::vector<const EvoMember*> members = reportMembers(rec);
    vars.fill(members, false);
    rows.fill(members, true);
  }
  ReportSummary summary{rec.n,           rec.lower.data(),    rec.x.data(),
                        rec.upper.data(), vars.mean.data(),    rec.m,
                        rec.rowLower.data(), rec.rowValues.data(), rec.rowUpper.data(),
                        rows.mean.data()};
  // The second block rides in the sensitivity record's slots: the spreads
  // where the ranging of a linear solution would stand.
  SensitivityRecord spread{};
  spread.n = rec.n;
  spread.objective = vars.deviation.data();
  spread.objectiveIncrease = vars.largest.data();
  spread.objectiveDecrease = vars.smallest.data();
  spread.m = rec.m;
  spread.rhs = rows.deviation.data();
  spread.rhsIncrease = rows.largest.data();
  spread.rhsDecrease = rows.smallest.data();
  Host_writeReports(rec.context, 10, 0, &summary, &spread);
}
