// The table of the simulation functions' names, compared in order.
#include "simulation/functions/Sim_Names.h"

#include <iterator>
#include <string_view>

namespace {

// clang-format off
constexpr SimName kNames[] = {
  // The sampled-input family.
  {u"sim.1101", 1101, 2, 0}, {u"sim.1102", 1102, 2, 0}, {u"sim.1103", 1103, 2, 0}, {u"sim.1104", 1104, 1, 0},
  {u"sim.1105", 1105, 2, 0}, {u"sim.1106", 1106, 2, 0}, {u"sim.1107", 1107, 5, 2}, {u"sim.1108", 1108, 2, 0},
  {u"sim.1109", 1109, 1, 0}, {u"sim.1110", 1110, 3, 0}, {u"sim.1111", 1111, 2, 0}, {u"sim.1112", 1112, 0, 0},
  {u"sim.1113", 1113, 2, 0}, {u"sim.1114", 1114, 2, 0}, {u"sim.1115", 1115, 2, 0}, {u"sim.1116", 1116, 1, 0},
  {u"sim.1117", 1117, 1, 0}, {u"xlsim_param", 1150, 1, 0},
  // The positional-truncation family: the law's parameters, then lower and
  // upper bound and a text, all three optional.
  {u"cb_beta", 1201, 6, 3}, {u"sim.1202", 1202, 7, 3}, {u"cb_binomial", 1203, 5, 3}, {u"cb_custom", 1204, 2, 1},
  {u"sim.1205", 1205, 2, 1}, {u"sim.1206", 1206, 5, 3}, {u"cb_exponential", 1207, 4, 3},
  {u"sim.1208", 1208, 5, 3}, {u"sim.1209", 1209, 5, 3}, {u"cb_gamma", 1210, 6, 3}, {u"cb_geometric", 1211, 4, 3},
  {u"cb_hypergeometric", 1212, 6, 3}, {u"sim.1213", 1213, 6, 3}, {u"cb_logistic", 1214, 5, 3},
  {u"cb_lognormal", 1215, 5, 3}, {u"sim.1216", 1216, 5, 3}, {u"cb_maxextreme", 1217, 5, 3},
  {u"cb_minextreme", 1218, 5, 3}, {u"cb_negbinomial", 1219, 5, 3}, {u"cb_normal", 1220, 5, 3},
  {u"cb_pareto", 1221, 5, 3}, {u"cb_poisson", 1222, 4, 3}, {u"sim.1223", 1223, 6, 3},
  {u"cb_triangular", 1224, 6, 3}, {u"cb_uniform", 1225, 5, 3}, {u"cb_weibull", 1226, 6, 3},
  {u"sim.1227", 1227, 4, 3}, {u"sim.1251", 1251, -1, 0}, {u"sim.1252", 1252, -1, 0}, {u"sim.1253", 1253, -1, 0},
  {u"sim.1255", 1255, -1, 0}, {u"sim.1256", 1256, -1, 0},
  // The family with property arguments: the law's parameters, then any
  // number of properties.
  {u"sim.1301", 1301, -1, 0}, {u"sim.1304", 1304, -1, 0}, {u"sim.1305", 1305, -1, 0}, {u"sim.1306", 1306, -1, 0},
  {u"sim.1307", 1307, -1, 0}, {u"sim.1308", 1308, -1, 0}, {u"sim.1309", 1309, -1, 0}, {u"sim.1310", 1310, -1, 0},
  {u"sim.1311", 1311, -1, 0}, {u"sim.1312", 1312, -1, 0}, {u"sim.1313", 1313, -1, 0}, {u"sim.1314", 1314, -1, 0},
  {u"sim.1315", 1315, -1, 0}, {u"sim.1316", 1316, -1, 0}, {u"sim.1317", 1317, -1, 0}, {u"sim.1318", 1318, -1, 0},
  {u"sim.1319", 1319, -1, 0}, {u"sim.1320", 1320, -1, 0}, {u"sim.1321", 1321, -1, 0}, {u"sim.1322", 1322, -1, 0},
  {u"sim.1324", 1324, -1, 0}, {u"sim.1325", 1325, -1, 0}, {u"sim.1326", 1326, -1, 0}, {u"sim.1331", 1331, -1, 0},
  {u"sim.1332", 1332, -1, 0}, {u"sim.1334", 1334, -1, 0}, {u"sim.1335", 1335, -1, 0}, {u"sim.1336", 1336, -1, 0},
  {u"sim.1337", 1337, -1, 0}, {u"sim.1338", 1338, -1, 0},
  // The properties, and the statistics of a cell's samples.
  {u"sim.1352", 1352, 3, 1}, {u"sim.1353", 1353, 2, 0}, {u"sim.1355", 1355, 1, 0}, {u"sim.1357", 1357, 1, 0},
  {u"sim.1358", 1358, 1, 0}, {u"sim.1359", 1359, 2, 0}, {u"sim.1360", 1360, -1, 0}, {u"sim.1361", 1361, 1, 0},
  {u"sim.1254", 1254, 2, 0}, {u"riskdata", 1339, 2, 0}, {u"riskkurtosis", 1340, 1, 0}, {u"riskmax", 1341, 1, 0},
  {u"riskmean", 1342, 1, 0}, {u"riskmin", 1343, 1, 0}, {u"riskmode", 1344, 1, 0}, {u"riskpercentile", 1345, 2, 0},
  {u"riskrange", 1346, 1, 0}, {u"riskskewness", 1347, 1, 0}, {u"riskstddev", 1348, 1, 0}, {u"risktarget", 1349, 2, 0},
  {u"riskvariance", 1350, 1, 0},
};
// clang-format on

}  // namespace

const SimName* Sim_findName(const char16_t* name) {
  const std::u16string_view key(name ? name : u"");
  for (const SimName& n : kNames)
    if (key == n.name) return &n;
  return nullptr;
}

int32_t Sim_nameCount() { return static_cast<int32_t>(std::size(kNames)); }

const SimName* Sim_nameAt(int32_t i) { return i >= 0 && i < Sim_nameCount() ? &kNames[i] : nullptr; }
