// Reading the interval engine's options and checking the model it is given.
#include "engines/interval/Ia_Options.h"

#include "contract/Bound_Infinity.h"
#include "contract/Eng_Engine.h"
#include "contract/Host_Queries.h"

IaOptions Ia_readOptions(const HostServices& host) {
  IaOptions o;
  o.timeLimit = host.intOption(host.user, IntTime);
  o.iterationLimit = host.intOption(host.user, IntIterations);
  o.noProgressSeconds = host.intOption(host.user, IntMaxNoImprovement);
  host.realOption(host.user, &o.accuracy, RealAccuracy);
  host.realOption(host.user, &o.resolution, RealResolution);
  host.realOption(host.user, &o.precision, RealPrecision);
  const unsigned flags = host.optionFlags(host.user, EngineInterval);
  auto named = [&host, flags](const char* name, unsigned bit) {
    return host.namedInt(host.user, name, (flags & bit) ? 1 : 0) != 0;
  };
  o.absoluteGapOnly = named("solver_ars", OptFlagArs);
  o.startBoundsFixed = named("solver_sta", OptFlagSta);
  o.method = host.namedInt(host.user, "solver_met",
                           (flags & OptFlagMet) ? IaMethodAffine : IaMethodInterval);
  o.newtonAndClosing = named("solver_soc", OptFlagSoc);
  o.lpRelaxation = named("solver_lpt", OptFlagLptDus);
  o.lpObjective = named("solver_lpp", OptFlagLppPhr);
  return o;
}

IaSearchOptions Ia_searchOptions(const IaOptions& options, bool maximise) {
  IaSearchOptions s;
  s.maximise = maximise;
  s.absoluteGapOnly = options.absoluteGapOnly;
  s.noProgressSeconds = options.noProgressSeconds;
  s.accuracy = options.accuracy;
  return s;
}

int Ia_checkSize(int n, int m, bool feasibilityMode) {
  if (feasibilityMode) return StatusSolved;
  const bool fits = n >= 1 && n <= kIaMaxVariables && m >= 0 && m <= kIaMaxConstraints;
  return fits ? StatusSolved : StatusBadModel;
}

int Ia_checkVariableBounds(int n, const double* lower, const double* upper, bool feasibilityMode) {
  for (int i = 1; i <= n; ++i)
    if (lower[i] > upper[i]) return StatusCrossedBounds;
  if (feasibilityMode) return StatusSolved;
  for (int i = 1; i <= n; ++i)
    if (lower[i] <= -kBoundInfinity || upper[i] >= kBoundInfinity) return StatusUnboundedVariable;
  return StatusSolved;
}
