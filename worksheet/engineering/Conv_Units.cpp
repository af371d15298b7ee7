// Unit conversion: the unit table, prefixes, pair factors and the
// temperature scales.
#include "worksheet/engineering/Conv_Units.h"

#include <iterator>

#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"

namespace {

struct Unit {
  std::u16string_view name, alias;  // alias empty when there is none
  bool prefixed;                    // takes a decimal prefix
  double perFirst;                  // how many of this unit make one of the category's first unit
};

struct Category {
  const Unit* units;
  int count;
};

constexpr Unit kMass[] = {{u"g", u"", true, 1},
                          {u"sg", u"", false, 6.85220500053478e-5},
                          {u"lbm", u"", false, 0.00220462291469134},
                          {u"u", u"", true, 6.02217e23},
                          {u"ozm", u"", false, 0.0352739718003627}};
constexpr Unit kDistance[] = {{u"m", u"", true, 1},
                              {u"mi", u"", false, 0.000621371192237334},
                              {u"Nmi", u"", false, 0.000539956803455724},
                              {u"in", u"", false, 39.3700787401575},
                              {u"ft", u"", false, 3.28083989501312},
                              {u"yd", u"", false, 1.09361329797891},
                              {u"ang", u"", true, 1e10},
                              {u"Pica", u"", false, 2834.64566929116}};
constexpr Unit kTime[] = {{u"yr", u"", false, 1},
                          {u"day", u"", false, 365.25},
                          {u"hr", u"", false, 8766},
                          {u"mn", u"", false, 525960},
                          {u"sec", u"", true, 3.15576e7}};
constexpr Unit kPressure[] = {
    {u"Pa", u"p", true, 1}, {u"atm", u"at", true, 9.86923299998193e-6}, {u"mmHg", u"", true, 0.00750061707998627}};
constexpr Unit kForce[] = {
    {u"N", u"", true, 1}, {u"dyn", u"dy", true, 100000}, {u"lbf", u"", false, 0.224808923655339}};
constexpr Unit kEnergy[] = {{u"J", u"", true, 1},
                            {u"e", u"", true, 9999995.19343231},
                            {u"c", u"", true, 0.239006249473467},
                            {u"cal", u"", true, 0.238846190642017},
                            {u"eV", u"ev", true, 6.241457e18},
                            {u"HPh", u"hh", false, 3.72506430801e-7},
                            {u"Wh", u"wh", true, 0.000277777916238711},
                            {u"flb", u"", false, 23.7304222192651},
                            {u"BTU", u"btu", false, 0.000947815067349015}};
constexpr Unit kPower[] = {{u"W", u"w", true, 1}, {u"HP", u"h", false, 0.00134102006031908}};
constexpr Unit kMagnetism[] = {{u"T", u"", true, 1}, {u"ga", u"", true, 10000}};
// Temperatures convert by their scales, not by factors.
constexpr Unit kTemperature[] = {{u"C", u"cel", false, 1}, {u"F", u"fah", false, 1}, {u"K", u"kel", true, 1}};
constexpr Unit kLiquid[] = {{u"l", u"lt", true, 1},
                            {u"tsp", u"", false, 202.84},
                            {u"tbs", u"", false, 67.6133333333333},
                            {u"oz", u"", false, 33.8066666666667},
                            {u"cup", u"", false, 4.22583333333333},
                            {u"pt", u"", false, 2.11291666666667},
                            {u"us_pt", u"", false, 2.11291666666667},
                            {u"uk_pt", u"", false, 1.7592978073827394},
                            {u"qt", u"", false, 1.05645833333333},
                            {u"gal", u"", false, 0.264114583333333}};

constexpr Category kCategories[] = {{kMass, 5},   {kDistance, 8}, {kTime, 5},      {kPressure, 3},    {kForce, 3},
                                    {kEnergy, 9}, {kPower, 2},    {kMagnetism, 2}, {kTemperature, 3}, {kLiquid, 10}};
constexpr int kTemperatureCategory = 8;

// Pairs whose factor is their own rather than the ratio of the table's.
struct Pair {
  int category, from, to;
  double factor;
};
constexpr Pair kListedPairs[] = {
    {0, 2, 0, 453.592309748811},
    {0, 1, 0, 14593.8424189287},
    {1, 1, 0, 1609.344},
    {1, 2, 0, 1852},
    {2, 1, 4, 86400},
    {2, 2, 4, 3600},
    {3, 1, 0, 101324.996583},
    {3, 2, 0, 133.322363925},
    {4, 2, 0, 4.448222},
    {5, 1, 0, 1.000000480657e-7},
    {5, 2, 0, 4.18399101363672},
    {6, 1, 0, 745.701},
};

struct Prefix {
  char16_t letter;
  double factor;
};
constexpr Prefix kPrefixes[] = {{u'E', 1e18}, {u'P', 1e15},  {u'T', 1e12},  {u'G', 1e9},  {u'M', 1e6},  {u'k', 1e3},
                                {u'h', 1e2},  {u'e', 1e1},   {u'd', 1e-1},  {u'c', 1e-2}, {u'm', 1e-3}, {u'u', 1e-6},
                                {u'n', 1e-9}, {u'p', 1e-12}, {u'f', 1e-15}, {u'a', 1e-18}};

// Unit names that begin with a prefix letter and are read whole.
bool readWhole(std::u16string_view t) {
  static constexpr std::u16string_view kWhole[] = {u"Pa",  u"Pica", u"ang", u"atm",  u"at", u"cup", u"cal",
                                                   u"cel", u"dyn",  u"day", u"dy",   u"ft", u"flb", u"fah",
                                                   u"kel", u"mi",   u"mn",  u"mmHg", u"pt"};
  for (std::u16string_view w : kWhole)
    if (t == w) return true;
  if (t[0] == u'e') return t[1] == u'V' || t[1] == u'v';
  if (t[0] == u'h') return t[1] == u'r' || t[1] == u'h';
  if (t[0] == u'u') return (t.size() == 5 && t[1] == u'k') || (t[1] == u's' && t.size() > 2 && t[2] == u'_');
  return false;
}

// The prefix factor of a unit text (1 when it has none) and its unit name.
double splitPrefix(std::u16string_view t, std::u16string_view* name) {
  *name = t;
  if (t.size() < 2 || readWhole(t)) return 1;
  for (const Prefix& p : kPrefixes)
    if (p.letter == t[0]) {
      *name = t.substr(1);
      return p.factor;
    }
  return 1;
}

struct Found {
  int category = -1, unit = -1;
};

Found lookUp(std::u16string_view name) {
  Found f;
  for (int c = 0; c < static_cast<int>(std::size(kCategories)); ++c)
    for (int u = 0; u < kCategories[c].count; ++u) {
      const Unit& unit = kCategories[c].units[u];
      if (name == unit.name || (!unit.alias.empty() && name == unit.alias)) return f.category = c, f.unit = u, f;
    }
  return f;
}

// The steps from the temperature scale from (C, F, K times k) to the scale
// to (K over q), by way of Celsius unless both are Kelvin (Celsius itself
// takes no step).
void temperatureSteps(int from, int to, double k, double q, ConvSteps* s) {
  constexpr double kFifths = 1.8, kFreezing = 32, kAbsolute = 273.15, kNinths = 0.5555555555555556;
  constexpr int kFahrenheit = 1, kKelvin = 2;
  if (from == to && from != kKelvin) return;
  if (from == kKelvin && to == kKelvin) {
    s->add(kConvMul, k);
    s->add(kConvDiv, q);
    return;
  }
  if (from == kFahrenheit) {
    s->add(kConvSub, kFreezing);
    s->add(kConvMul, kNinths);
  }
  if (from == kKelvin) {
    s->add(kConvMul, k);
    s->add(kConvSub, kAbsolute);
  }
  if (to == kFahrenheit) {
    s->add(kConvMul, kFifths);
    s->add(kConvAdd, kFreezing);
  } else if (to == kKelvin) {
    s->add(kConvAdd, kAbsolute);
    s->add(kConvDiv, q);
  }
}

}  // namespace

int Conv_categoryCount() { return static_cast<int>(std::size(kCategories)); }
int Conv_unitCount(int category) { return kCategories[category].count; }
std::u16string_view Conv_unitName(int category, int unit) { return kCategories[category].units[unit].name; }

bool Conv_pairIsListed(int category, int from, int to) {
  for (const Pair& p : kListedPairs)
    if (p.category == category && p.from == from && p.to == to) return true;
  return false;
}

double Conv_pairFactor(int category, int from, int to) {
  if (from == to) return 1;
  for (const Pair& p : kListedPairs)
    if (p.category == category && p.from == from && p.to == to) return p.factor;
  const Unit* units = kCategories[category].units;
  return units[to].perFirst / units[from].perFirst;
}

uint32_t Conv_unitSteps(std::u16string_view from, std::u16string_view to, ConvSteps* steps) {
  *steps = ConvSteps{};
  if (from.empty() || to.empty()) return kErrNA;
  std::u16string_view fromName, toName;
  const double k = splitPrefix(from, &fromName), q = splitPrefix(to, &toName);
  const Found a = lookUp(fromName), b = lookUp(toName);
  if (a.category < 0 || a.category != b.category) return kErrNA;
  const Unit* units = kCategories[a.category].units;
  if ((k != 1 && !units[a.unit].prefixed) || (q != 1 && !units[b.unit].prefixed)) return kErrNA;
  if (a.category == kTemperatureCategory) {
    temperatureSteps(a.unit, b.unit, k, q, steps);
    return 0;
  }
  steps->add(kConvMul, k);
  steps->add(kConvMul, Conv_pairFactor(a.category, a.unit, b.unit));
  steps->add(kConvDiv, q);
  return 0;
}

double Conv_applySteps(const ConvSteps& steps, double x) {
  for (int i = 0; i < steps.count; ++i) {
    const ConvStep& s = steps.step[i];
    switch (s.op) {
      case kConvMul: x *= s.c; break;
      case kConvDiv: x /= s.c; break;
      case kConvAdd: x += s.c; break;
      case kConvSub: x -= s.c; break;
    }
  }
  return x;
}

Value* Conv_convertUnits(Value* result, double x, std::u16string_view from, std::u16string_view to) {
  ConvSteps steps;
  const uint32_t error = Conv_unitSteps(from, to, &steps);
  return error ? Wsf_error(result, error) : Wsf_finite(result, Conv_applySteps(steps, x));
}
