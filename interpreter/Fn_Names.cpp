// Worksheet-function names as the user reads them: the typed name of a
// stored one, and the older name of a renamed function.
#include "interpreter/Fn_Names.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "base/Stored_Prefixes.h"
#include "interpreter/Fn_Dispatch.h"
#include "interpreter/Fn_Table.h"
#include "values/Text_Convert.h"

namespace {

// The name with each letter changed by `change` (std::toupper, std::tolower).
std::string recased(std::string name, int (*change)(int)) {
  std::transform(name.begin(), name.end(), name.begin(),
                 [change](unsigned char c) { return static_cast<char>(change(c)); });
  return name;
}

// Newer functions and the older names of the same function. Where the
// older one computes only one form of a "cumulative" argument the newer
// takes (LOGNORMDIST is LOGNORM.DIST with TRUE), `cumulativeAt` is that
// argument's place from 0 and `cumulative` the form; -1 where the two
// compute the same for every call.
struct Renamed {
  std::string_view newer, older;
  int cumulativeAt = -1;
  bool cumulative = true;
};
constexpr Renamed kRenamed[] = {
    {"BINOM.DIST", "BINOMDIST"},
    {"BINOM.INV", "CRITBINOM"},
    {"CHISQ.DIST.RT", "CHIDIST"},
    {"CHISQ.INV.RT", "CHIINV"},
    {"CHISQ.TEST", "CHITEST"},
    {"CONFIDENCE.NORM", "CONFIDENCE"},
    {"COVARIANCE.P", "COVAR"},
    {"EXPON.DIST", "EXPONDIST"},
    {"F.DIST.RT", "FDIST"},
    {"F.INV.RT", "FINV"},
    {"F.TEST", "FTEST"},
    {"GAMMA.DIST", "GAMMADIST"},
    {"GAMMA.INV", "GAMMAINV"},
    {"GAMMALN.PRECISE", "GAMMALN"},
    {"LOGNORM.INV", "LOGINV"},
    {"MODE.SNGL", "MODE"},
    {"NORM.DIST", "NORMDIST"},
    {"NORM.INV", "NORMINV"},
    {"NORM.S.DIST", "NORMSDIST", 1},
    {"NORM.S.INV", "NORMSINV"},
    {"LOGNORM.DIST", "LOGNORMDIST", 3},
    {"PERCENTILE.INC", "PERCENTILE"},
    {"PERCENTRANK.INC", "PERCENTRANK"},
    {"POISSON.DIST", "POISSON"},
    {"QUARTILE.INC", "QUARTILE"},
    {"RANK.EQ", "RANK"},
    {"STDEV.P", "STDEVP"},
    {"STDEV.S", "STDEV"},
    {"T.INV.2T", "TINV"},
    {"T.TEST", "TTEST"},
    {"VAR.P", "VARP"},
    {"VAR.S", "VAR"},
    {"WEIBULL.DIST", "WEIBULL"},
    {"Z.TEST", "ZTEST"},
    {"FORECAST.LINEAR", "FORECAST"},
    {"BETA.INV", "BETAINV"},
    {"HYPGEOM.DIST", "HYPGEOMDIST", 4, false},
    {"NEGBINOM.DIST", "NEGBINOMDIST", 3, false},
};

// The row of the renamed function `name` (typed or stored, any case) whose
// older name is calculated; null when none.
const Renamed* renamedRow(const std::string& name) {
  const std::string typed = Fn_typedName(name);
  for (const Renamed& r : kRenamed)
    if (r.newer == typed && Fn_isCalculated(std::string(r.older))) return &r;
  return nullptr;
}

}  // namespace

std::string Fn_typedName(const std::string& stored) { return recased(Stored_typedFunction(stored), std::toupper); }

std::string Fn_olderName(const std::string& name) {
  const Renamed* r = renamedRow(name);
  return r ? std::string(r->older) : "";
}

bool Fn_olderNameTakesOneForm(const std::string& name, int* at, bool* cumulative) {
  const Renamed* r = renamedRow(name);
  if (!r || r->cumulativeAt < 0) return false;
  *at = r->cumulativeAt;
  *cumulative = r->cumulative;
  return true;
}

bool Fn_isCalculated(const std::string& stored) {
  FunctionRecord record;
  return Fn_lookup(Text_fromUtf8(recased(stored, std::tolower)).c_str(), &record) && Fn_hasImplementation(record.id);
}
