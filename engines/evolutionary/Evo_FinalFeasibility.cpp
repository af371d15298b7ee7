// Final feasibility phase of the evolutionary engine. A penalty that is
// small for a small violation lets slightly infeasible members outrank the
// feasible ones, so a run on a narrow feasible set can end holding none.
// Before the engine says that it found no feasible point, the least
// violated members are driven into the feasible set: the linear rows solved
// for the linear variables, then least-squares searches on the rows'
// excesses with the inequality rows pulled inward by a shrinking margin, so
// that the search ends inside the set rather than on its edge.
#include <algorithm>
#include <vector>

#include "engines/evolutionary/Evo_Repair.h"

namespace {

constexpr std::size_t kStarts = 3;  // least violated members tried
constexpr int kIterations = 100;    // quasi-Newton iterations per margin
// Margins of the least-squares searches, in feasibility tolerances.
constexpr double kMargins[] = {8.0, 1.0, 0.25};

// The population's members by ascending penalty (fitness less objective).
std::vector<const EvoMember*> leastViolated(const EvoRecord& rec) {
  std::vector<const EvoMember*> members;
  for (const EvoMember* m = rec.population.get(); m; m = m->next.get()) members.push_back(m);
  std::stable_sort(members.begin(), members.end(), [](const EvoMember* a, const EvoMember* b) {
    return a->fitness - a->objective < b->fitness - b->objective;
  });
  if (members.size() > kStarts) members.resize(kStarts);
  return members;
}

// Rounds the integer variables of x and keeps it when it breaks no row
// (every violation within the penalty's tolerance): true then.
bool keepWhenFeasible(EvoRecord& rec, std::vector<double>& x) {
  Evo_roundIntegers(rec, x.data(), false);
  ++rec.stats.evaluations;
  if (!Evo_evaluate(rec, x.data(), rec.rowValues.data())) return false;
  double eq = 0.0, ineq = 0.0;
  Evo_violations(rec, rec.rowValues.data(), &eq, &ineq);
  if (eq != 0.0 || ineq != 0.0) return false;
  const double objective = Evo_objectiveOf(rec, rec.rowValues.data());
  ++rec.feasibleFound;
  Evo_keepFeasible(rec, *Evo_makeMember(rec, objective, objective, x.data()));
  return true;
}

// The least-squares search's view of the engine: the repair's merit with a
// margin, divided by its value where the search starts (the search's first
// steps are sized for a merit near 1, and rows far outside their bounds
// give one of 1E+13), and the progress check, whose answer is kept.
struct FinalSearch {
  EvoRecord& rec;
  double margin;
  double scale = 1.0;
  int stop = 0;
};

bool meritAt(void* user, const double* x, double* f) {
  auto* s = static_cast<FinalSearch*>(user);
  if (!Evo_repairMerit(s->rec, x, s->margin, f)) return false;
  *f /= s->scale;
  return true;
}

int poll(void* user) {
  auto* s = static_cast<FinalSearch*>(user);
  return s->stop = Evo_runStop(s->rec);
}

// Drives one member's point in: 0 when a feasible point was kept, 5 not, or
// a stop code.
int driveIn(EvoRecord& rec, std::vector<double> x) {
  ++rec.stats.evaluations;
  if (!Evo_evaluate(rec, x.data(), rec.rowValues.data())) return EvoRejected;
  const int linear = Evo_linearRepair(rec, x.data());
  if (Evo_isStop(linear)) return linear;
  if (linear == 0 && keepWhenFeasible(rec, x)) return EvoAccepted;
  const double eta = rec.settings.precision * rec.settings.precision;
  for (const double margin : kMargins) {
    FinalSearch search{rec, margin};
    double merit = 0.0;
    if (!meritAt(&search, x.data(), &merit)) return EvoRejected;
    if (merit > 0.0) search.scale = merit;
    const EvoMeritFn fn{&search, meritAt, poll};
    Evo_quasiNewton(fn, x.data(), rec.n, rec.lower.data(), rec.upper.data(), kIterations, eta, &merit);
    if (search.stop) return search.stop;
    if (keepWhenFeasible(rec, x)) return EvoAccepted;
  }
  return EvoRejected;
}

}  // namespace

int Evo_finalFeasibility(EvoRecord& rec) {
  if (rec.allDiffCells >= rec.n) return EvoRejected;
  // The alldifferent members keep their values: the search moves the others.
  const std::vector<double> lower = rec.lower, upper = rec.upper;
  int result = EvoRejected;
  for (const EvoMember* member : leastViolated(rec)) {
    for (int j = 0; j < rec.n; ++j)
      if (!rec.types.empty() && rec.types[j] >= 3) rec.lower[j] = rec.upper[j] = member->x[j];
    result = driveIn(rec, member->x);
    if (result != EvoRejected) break;
  }
  rec.lower = lower;
  rec.upper = upper;
  return result;
}
