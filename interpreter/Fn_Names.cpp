// Worksheet-function names as the user reads them: the typed name of a
// stored one, and the older name of a renamed function.
#include "interpreter/Fn_Names.h"

#include <algorithm>
#include <cctype>
#include <string_view>

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

// Newer functions and the older names of the same function.
struct Renamed {
  std::string_view newer, older;
};
constexpr Renamed kRenamed[] = {
    {"BINOM.DIST", "BINOMDIST"},       {"BINOM.INV", "CRITBINOM"},        {"CHISQ.DIST.RT", "CHIDIST"},
    {"CHISQ.INV.RT", "CHIINV"},        {"CHISQ.TEST", "CHITEST"},         {"CONFIDENCE.NORM", "CONFIDENCE"},
    {"COVARIANCE.P", "COVAR"},         {"EXPON.DIST", "EXPONDIST"},       {"F.DIST.RT", "FDIST"},
    {"F.INV.RT", "FINV"},              {"F.TEST", "FTEST"},               {"GAMMA.DIST", "GAMMADIST"},
    {"GAMMA.INV", "GAMMAINV"},         {"GAMMALN.PRECISE", "GAMMALN"},    {"LOGNORM.INV", "LOGINV"},
    {"MODE.SNGL", "MODE"},             {"NORM.DIST", "NORMDIST"},         {"NORM.INV", "NORMINV"},
    {"NORM.S.DIST", "NORMSDIST"},      {"NORM.S.INV", "NORMSINV"},        {"LOGNORM.DIST", "LOGNORMDIST"},
    {"PERCENTILE.INC", "PERCENTILE"},  {"PERCENTRANK.INC", "PERCENTRANK"}, {"POISSON.DIST", "POISSON"},
    {"QUARTILE.INC", "QUARTILE"},      {"RANK.EQ", "RANK"},               {"STDEV.P", "STDEVP"},
    {"STDEV.S", "STDEV"},              {"T.INV.2T", "TINV"},              {"T.TEST", "TTEST"},
    {"VAR.P", "VARP"},                 {"VAR.S", "VAR"},                  {"WEIBULL.DIST", "WEIBULL"},
    {"Z.TEST", "ZTEST"},
};

}  // namespace

std::string Fn_typedName(const std::string& stored) {
  std::string name = recased(stored, std::toupper);
  for (bool more = true; more;) {
    more = false;
    for (std::string_view prefix : {"_XLFN.", "_XLWS."})
      if (name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0) {
        name.erase(0, prefix.size());
        more = true;
      }
  }
  return name;
}

std::string Fn_olderName(const std::string& name) {
  const std::string typed = Fn_typedName(name);
  for (const Renamed& r : kRenamed)
    if (r.newer == typed && Fn_isCalculated(std::string(r.older))) return std::string(r.older);
  return "";
}

bool Fn_isCalculated(const std::string& stored) {
  FunctionRecord record;
  return Fn_lookup(Text_fromUtf8(recased(stored, std::tolower)).c_str(), &record) && Fn_hasImplementation(record.id);
}
