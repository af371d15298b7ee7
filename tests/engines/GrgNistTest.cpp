// The GRG engine on the NIST nonlinear-regression fits (residual sums of
// squares over a sheet of data, started at NIST's first start point), with
// derivatives by forward differences, by central differences and from the
// interpreter: each fit must end at its certified sum of squares within the
// data's tolerance, except the fits listed as missing with the step that
// stops them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>

#include "DataRows.h"
#include "tests/support/GrgLibraryHost.h"

namespace {

struct Fit {
  std::string file;
  double certified = 0.0;
  double tolerance = 0.0;
};

std::vector<Fit> readFits() {
  std::vector<Fit> out;
  for (const std::vector<std::string>& f : dataRows("nlp/nist/expected.csv")) {
    if (f.size() >= 4) out.push_back({f[0].substr(0, f[0].find('.')), std::stod(f[2]), std::stod(f[3])});
  }
  return out;
}

// The three ways of taking derivatives.
enum Derivatives { Forward, Central, Analytic };
constexpr const char* kWays[3] = {"default", "drv=2", "dia=2"};

GrgLibraryRun solveFit(const Fit& fit, Derivatives way) {
  GrgLibOptions options;
  if (way == Central) options.push_back({"drv", "2"});
  return GrgLib_solve("nist/" + fit.file, way == Analytic, options);
}

// Fits that still end away from the certified value, by way of derivatives,
// and the step of the method that ends them there:
// - with forward differences, the step (|x| + 1) x "solver_stp" is far too
//   long for parameters much smaller than 1 (misra1a's 1e-4, kirby2's
//   1e-5): the difference gradient is no descent direction, two line
//   searches in a row find nothing better and the run ends without further
//   progress (kirby2, misra1a, nelson), or it ends early as below;
// - the convergence test counts a change as small against the whole fall of
//   the objective since the start of the pass (mgh09 falls from 898, mgh17
//   from 87849), so five iterations of real but small progress end the run
//   converged (kirby2, misra1a with central differences, mgh09, thurber);
// - mgh17 reaches a point where the gradient nearly vanishes at 1.0224
//   (largest derivative 3e-6) and ends converged there;
// - lanczos3's rows b2 <= b4 <= b6 become binding with the three exponents
//   equal, a point where the reduced-gradient conditions hold (a local
//   solution of the constrained fit at 0.0169); differences end at or near
//   the same point.
const std::map<std::string, std::vector<Derivatives>> kMisses = {
    {"kirby2", {Forward, Central}},
    {"lanczos3", {Forward, Central, Analytic}},
    {"mgh09", {Forward, Central, Analytic}},
    {"mgh17", {Forward, Central, Analytic}},
    {"misra1a", {Forward, Central}},
    {"nelson", {Forward}},
    {"thurber", {Forward}},
};

bool listedMiss(const Fit& fit, Derivatives way) {
  auto it = kMisses.find(fit.file);
  if (it == kMisses.end()) return false;
  for (Derivatives d : it->second)
    if (d == way) return true;
  return false;
}

}  // namespace

TEST(GrgNist, FitsReachTheirCertifiedSumOfSquares) {
  for (const Fit& fit : readFits()) {
    for (Derivatives way : {Forward, Central, Analytic}) {
      const GrgLibraryRun run = solveFit(fit, way);
      const double rss = run.problem.objective;
      const bool reached = std::fabs(rss - fit.certified) <= fit.tolerance;
      std::printf("%-9s %-7s status %2d  rss %.10g  certified %.10g  iterations %4d  evaluations %6ld\n",
                  fit.file.c_str(), kWays[way], run.problem.status, rss, fit.certified, run.iterations,
                  run.evaluations);
      if (listedMiss(fit, way)) {
        EXPECT_FALSE(reached) << fit.file << " " << kWays[way] << " now reaches: take it off the list";
        continue;
      }
      EXPECT_TRUE(reached) << fit.file << " " << kWays[way] << ": " << rss;
    }
  }
}
