// The evolutionary engine's population report: the mean of every variable
// and row over the population's feasible members (every member after status
// 5), handed to the host's report writer with the solution as report set 10.
#include "contract/Eng_Engine.h"
#include "contract/Host_Eval.h"
#include "engines/evolutionary/Evo_Engine.h"

namespace {

// The members the report covers, each evaluated at its unscaled point.
std::vector<const EvoMember*> Evo_reportMembers(EvoRecord& rec) {
  std::vector<const EvoMember*> members;
  for (EvoMember* m = rec.population.get(); m; m = m->next.get()) {
    if (rec.useScaling)
      for (int j = 0; j < rec.n; ++j) m->x[j] *= rec.varScale[j];
    if (m->fitness != m->objective && rec.finalStatus != StatusInfeasible) continue;
    if (!Host_evalProblem(rec.context, rec.hostRows.data(), m->x.data())) continue;
    m->rowValues.assign(rec.hostRows.begin(), rec.hostRows.begin() + rec.m);
    members.push_back(m);
  }
  return members;
}

}  // namespace

void Evo_writePopulationReport(EvoRecord& rec) {
  std::vector<double> varMeans(rec.n, 0.0), rowMeans(rec.m, 0.0);
  std::vector<const EvoMember*> members;
  if (rec.options.reports) members = Evo_reportMembers(rec);
  for (const EvoMember* m : members) {
    for (int j = 0; j < rec.n; ++j) varMeans[j] += m->x[j] / members.size();
    for (int i = 0; i < rec.m; ++i) rowMeans[i] += m->rowValues[i] / members.size();
  }
  ReportSummary summary{rec.n,           rec.lower.data(),    rec.x.data(),
                        rec.upper.data(), varMeans.data(),     rec.m,
                        rec.rowLower.data(), rec.rowValues.data(), rec.rowUpper.data(),
                        rowMeans.data()};
  Host_writeReports(rec.context, 10, 0, &summary, nullptr);
}
