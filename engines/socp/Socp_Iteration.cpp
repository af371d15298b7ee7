// The primal-dual iteration of the SOCP core: parameters, start point,
// measurement of residuals and gap, steps to the cone boundary, the move,
// the per-iteration hook and the optional log on standard output.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engines/socp/Socp_Cone.h"
#include "engines/socp/Socp_Directions.h"

namespace {

constexpr const char* kDirectionNames[] = {"POWERC", "POWERC_PC", "HKM_D", "HKM_D_PC"};

// A run's residuals shrink by the share of each step not taken, however
// slowly (a run may crawl for a hundred iterations before its steps open
// up); a run whose worst residual (relative to its tolerance) has not
// fallen below its least for this many iterations is stuck: its steps
// have shrunk to nothing or it follows the iterates off to infinity, and
// it ends at the point it has.
constexpr int kStallIterations = 50;

// The iterations since the run's worst residual last reached a new least.
struct StallWatch {
  double least = 0.0;
  int since = 0;
};

// Whether the run has stalled, with the measurement just taken. A point
// feasible on both sides makes progress by its gap, not its residuals.
bool stalled(StallWatch& w, const socp& s) {
  const double worst = std::max(s.primalRes / s.primalTol, s.dualRes / s.dualTol);
  if (worst <= 1.0 || s.iter == 0 || worst < w.least) {
    w.least = worst;
    w.since = 0;
    return false;
  }
  return ++w.since >= kStallIterations;
}

// Truncation toward zero into 64 bits, keeping the low 32 (1e10 gives
// 1410065408).
int truncate(double v) {
  return static_cast<int>(static_cast<std::uint32_t>(static_cast<std::int64_t>(v)));
}

int degree(const socp& s) { return std::max(1, s.cones[0] + s.p); }

void logHeader(const socp& s) {
  if (s.printlevel <= 0) return;
  std::printf("Iter  Primal   Dual     Gap    %s\n", s.printlevel >= 2 ? "      Pstep    Dstep " : "");
}

void logIteration(const socp& s, double feaseps) {
  if (s.printlevel <= 0) return;
  std::printf("%4d %7.2e %7.2e %7.2e %c%c", s.iter, s.primalRes, s.dualRes, s.gap,
              std::fabs(s.primalRes) < feaseps ? 'P' : ' ', std::fabs(s.dualRes) < feaseps ? 'D' : ' ');
}

void logResult(const socp& s, int status) {
  if (s.printlevel <= 0) return;
  double primal = Socp_dot(s.n, s.c, s.x.data()), dual = Socp_dot(s.m, s.b, s.y.data());
  std::printf("Iteration : %d\n", s.iter);
  if (Socp_isOptimal(status)) {
    std::printf("Optimal solution found\nPrimal Optimal Value = %14.12e\n  Dual Optimal Value = %14.12e\n",
                primal, dual);
    return;
  }
  std::printf("Fail.\n");
  if (Socp_isPrimalFeasible(status))
    std::printf("Primal problem is feasible. Current objective value = %14.12e\n", primal);
  else std::printf("Primal Problem is Infeasible.\n");
  if (Socp_isDualFeasible(status))
    std::printf(" Dual  problem is feasible. Current objective value = %14.12e\n", dual);
  else std::printf(" Dual  Problem is Infeasible.\n");
}

void logParams(const socp& s, const SocpParams& p, double bound) {
  if (s.printlevel <= 0) return;
  std::printf("size: n = %d, m = %d, p = %d\nprintlevel = %d\nfeaseps = %f\ngapeps = %f\nfraction = %f\n",
              s.n, s.m, s.p, p.printlevel, p.feaseps, p.gapeps, p.fraction);
  if (p.direction == SocpPowerc || p.direction == SocpHkm) std::printf("gamma = %f\n", p.gamma);
  std::printf("maxiter = %d\ndirection = %s\n", p.maxiter, kDirectionNames[p.direction]);
  if (p.direction <= SocpPowercPc) std::printf("power index = %f\n", p.powerindex);
  std::printf("nonstop mode %s.\nbound = %f\n", p.nonstop ? "on" : "off", bound);
}

// Whether the direction holds only finite numbers.
bool finite(const socp& s) {
  for (std::size_t k = 0; k < s.work.size(); ++k)
    if (!std::isfinite(s.work[k])) return false;
  return true;
}

// The gap of the point: x·s, or where larger the difference of the
// objectives c·x - b·y relative to 1 + |b·y|. The two agree at a feasible
// point; at one whose residuals are small only against their rows, the
// residuals times a large iterate part the objectives, and x·s alone would
// call a point optimal whose objectives still differ.
double measuredGap(const socp& s) {
  const double dual = Socp_dot(s.m, s.b, s.y.data());
  const double difference = std::fabs(Socp_dot(s.n, s.c, s.x.data()) - dual) / (1.0 + std::fabs(dual));
  return std::max(Socp_dot(s.n, s.x.data(), s.s.data()), difference);
}

// The iterate before the last move, to go back to when the move left the
// cone. Subtracting the move again does not give it back: where the step
// dwarfs the point, as on a run that follows a ray out to 1E+75, nothing
// of the point survives the round trip and the run would end at 0.
struct Iterate {
  std::vector<double> x, y, s;
};

void move(socp& s, double ap, double ad, Iterate& before) {
  before.x = s.x;
  before.y = s.y;
  before.s = s.s;
  Socp_axpy(s.n, s.x.data(), s.x.data(), s.dx, ap);
  Socp_axpy(s.m, s.y.data(), s.y.data(), s.dy, ad);
  Socp_axpy(s.n, s.s.data(), s.s.data(), s.ds, ad);
}

void restore(socp& s, const Iterate& before) {
  s.x = before.x;
  s.y = before.y;
  s.s = before.s;
}

// Default start point: (1 + bound/2)·e for x, and for s with y = 0 unless
// both s and y were given.
void startPoint(socp& s, double bound) {
  double scale = 1.0 + bound / 2.0;
  if (s.x.empty()) {
    s.x.resize(s.n);
    Socp_identity(s.n, s.p, s.cones, s.x.data(), scale);
  }
  if (s.s.empty() || s.y.empty()) {
    s.s.assign(s.n, 0.0);
    s.y.assign(s.m, 0.0);
    Socp_identity(s.n, s.p, s.cones, s.s.data(), scale);
  }
  s.work.assign(2 * static_cast<std::size_t>(s.n) + s.m, 0.0);
  s.dx = s.work.data();
  s.dy = s.dx + s.n;
  s.ds = s.dy + s.m;
}

}  // namespace

bool Socp_parseParams(const double* params, SocpParams& out) {
  if (!params) return true;
  auto finite = [&](int k) { return std::isfinite(params[k]); };
  if (finite(0)) out.printlevel = truncate(params[0]);
  if (params[1] > 0) out.feaseps = params[1];
  if (params[2] > 0) out.gapeps = params[2];
  if (params[3] > 0 && params[3] < 1) out.fraction = params[3];
  if (params[4] >= 0 && params[4] < 1) out.gamma = params[4];
  if (finite(5) && params[5] != 0) {
    out.maxiter = truncate(std::fabs(params[5]));
    out.nonstop = params[5] < 0 ? 1 : 0;
  }
  if (finite(6) && params[6] >= 0) out.direction = truncate(params[6]);
  if (out.direction < SocpPowerc || out.direction > SocpHkmPc) return false;
  if (params[7] >= 0 && out.direction <= SocpPowercPc) out.powerindex = params[7];
  out.equalSteps = params[8] > 0 ? 1 : 0;
  return true;
}

void Socp_setTolerances(socp& s, double feaseps, double gapeps) {
  if (feaseps > 0) s.primalTol = s.dualTol = feaseps;
  if (gapeps > 0) s.gapTol = gapeps;
}

int Socp_evaluate(socp& s) {
  int status = 0;
  if (!Socp_inCone(s.n, s.p, s.cones, s.x.data())) status = SocpOutsideCone;
  else if (!Socp_inCone(s.n, s.p, s.cones, s.s.data())) {
    if (s.printlevel > 0) std::fprintf(stderr, "s is not in the cone\n");
    status = SocpOutsideCone;
  }
  double primal = 0.0;
  for (int i = 0; i < s.m; ++i) primal += std::fabs(s.b[i] - Socp_sparseDenseDot(s.x.data(), s.A->rows[i].get()));
  s.resid.resize(s.n);
  double* r = s.resid.data();
  for (int j = 0; j < s.n; ++j) r[j] = s.c[j] - s.s[j];
  for (int i = 0; i < s.m; ++i) Socp_sparseAxpy(r, s.A->rows[i].get(), -s.y[i]);
  double dual = 0.0;
  for (int j = 0; j < s.n; ++j) dual += std::fabs(r[j]);
  s.primalRes = primal / s.dsize_p;
  s.dualRes = dual / s.dsize_d;
  s.gap = measuredGap(s) / s.dsize_g;
  if (s.primalRes < s.primalTol) status |= SocpPrimalFeasible;
  if (s.dualRes < s.dualTol) status |= SocpDualFeasible;
  if (std::fabs(s.gap) < s.gapTol) status |= SocpGapSmall;
  return status;
}

int Socp_runSolver(socp& s, const SocpParams& params, SocpIterationHook hook, void* user) {
  s.printlevel = params.printlevel;
  int maxiter = params.maxiter, nonstop = params.nonstop;
  double bound = (Socp_dot(s.m, s.b, s.b) + Socp_dot(s.n, s.c, s.c)) / degree(s);
  logParams(s, params, bound);
  startPoint(s, bound);
  Socp_setTolerances(s, params.feaseps, params.gapeps);
  Socp_directionSetup(s, params.direction);
  s.iter = 0;
  logHeader(s);
  int status = 0;
  StallWatch watch;
  Iterate before;
  while (s.iter < maxiter) {
    status = Socp_evaluate(s);
    if (Socp_isOutsideCone(status)) {
      if (s.iter == 0 && s.printlevel != 0)
        std::fprintf(stderr, "The initial point you selected is out of the second-order cone\n");
      if (s.iter > 0) {
        restore(s, before);
        status = Socp_evaluate(s);
      }
      break;
    }
    if (!nonstop && Socp_isOptimal(status)) break;
    if (!nonstop && stalled(watch, s)) break;
    s.iter += 1;
    logIteration(s, params.feaseps);
    Socp_direction(s, params);
    if (!finite(s)) break;  // the direction broke down: keep this point
    double ap = std::min(1.0, params.fraction * Socp_stepToBoundary(s.n, s.p, s.cones, s.x.data(), s.dx, SocpStepCap));
    double ad = std::min(1.0, params.fraction * Socp_stepToBoundary(s.n, s.p, s.cones, s.s.data(), s.ds, SocpStepCap));
    if (params.equalSteps) ap = ad = std::min(ap, ad);
    if (s.printlevel >= 2) std::printf("  %7.2e %7.2e", ap, ad);
    move(s, ap, ad, before);
    int stop = hook ? hook(user, s) : 0;
    if (stop >= 2 && stop <= 6) maxiter = nonstop = 0;
    if (s.printlevel > 0) std::printf("\n");
  }
  s.iter += 1;
  logIteration(s, params.feaseps);
  if (s.printlevel > 0) std::printf("\n");
  Socp_directionFinish(s);
  logResult(s, status);
  return status;
}
