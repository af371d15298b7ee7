// Unit conversion: the unit table, built from the units' exact definitions,
// prefixes, pair factors and the temperature scales.
#include "worksheet/engineering/Conv_Units.h"

#include <iterator>

#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"

namespace {

// The exact definitions the units are built from.
constexpr double kInch = 0.0254;                    // metres (the international inch)
constexpr double kFoot = 0.3048;                    // metres
constexpr double kPound = 453.59237;                // grams (the international avoirdupois pound)
constexpr double kPoundForce = 4.4482216152605;     // newtons: the pound under standard gravity, 9.80665 m/s2
constexpr double kHorsepower = 745.69987158227022;  // watts: 550 foot pound-force per second
constexpr double kSecondsPerHour = 3600;
constexpr double kAtmosphere = 101325;  // pascals
constexpr double kMmHgPerAtmosphere = 760;
constexpr double kUsGallon = 3.785411784;  // litres: 231 cubic inches
constexpr double kUkGallon = 4.54609;      // litres
constexpr double kPintsPerGallon = 8;
constexpr double kSlug = kPoundForce * 1000 / kFoot;            // grams: a pound-force second squared per foot
constexpr double kFootPoundal = kFoot * kFoot * kPound / 1000;  // joules: a foot times a pound foot per second squared
constexpr double kHorsepowerHour = kHorsepower * kSecondsPerHour;  // joules

struct Unit {
  std::u16string_view name, alias;  // alias empty when there is none
  bool prefixed;                    // takes a decimal prefix
  double size;                      // the unit in its category's base unit
};

struct Category {
  const Unit* units;
  int count;
};

// Sizes in grams: "sg" the slug; "u" the atomic mass unit, which is
// measured rather than defined.
constexpr Unit kMass[] = {{u"g", u"", true, 1},
                          {u"sg", u"", false, kSlug},
                          {u"lbm", u"", false, kPound},
                          {u"u", u"", true, 1 / 6.02217e23},
                          {u"ozm", u"", false, kPound / 16}};
// Sizes in metres; "Pica" is the pica point, 1/72 inch.
constexpr Unit kDistance[] = {{u"m", u"", true, 1},       {u"mi", u"", false, 1609.344},    {u"Nmi", u"", false, 1852},
                              {u"in", u"", false, kInch}, {u"ft", u"", false, kFoot},       {u"yd", u"", false, 0.9144},
                              {u"ang", u"", true, 1e-10}, {u"Pica", u"", false, kInch / 72}};
// Sizes in seconds; the year is the Julian year of 365.25 days.
constexpr Unit kTime[] = {{u"yr", u"", false, 31557600},
                          {u"day", u"", false, 86400},
                          {u"hr", u"", false, kSecondsPerHour},
                          {u"mn", u"", false, 60},
                          {u"sec", u"", true, 1}};
// Sizes in pascals; the millimetre of mercury is 1/760 atmosphere.
constexpr Unit kPressure[] = {
    {u"Pa", u"p", true, 1}, {u"atm", u"at", true, kAtmosphere}, {u"mmHg", u"", true, kAtmosphere / kMmHgPerAtmosphere}};
// Sizes in newtons.
constexpr Unit kForce[] = {{u"N", u"", true, 1}, {u"dyn", u"dy", true, 1e-5}, {u"lbf", u"", false, kPoundForce}};
// Sizes in joules: "e" the erg, "c" the thermochemical calorie, "cal" the
// international calorie, "flb" the foot-poundal, "BTU" the international
// British thermal unit.
constexpr Unit kEnergy[] = {{u"J", u"", true, 1},
                            {u"e", u"", true, 1e-7},
                            {u"c", u"", true, 4.184},
                            {u"cal", u"", true, 4.1868},
                            {u"eV", u"ev", true, 1.602176634e-19},
                            {u"HPh", u"hh", false, kHorsepowerHour},
                            {u"Wh", u"wh", true, kSecondsPerHour},
                            {u"flb", u"", false, kFootPoundal},
                            {u"BTU", u"btu", false, 1055.05585262}};
// Sizes in watts.
constexpr Unit kPower[] = {{u"W", u"w", true, 1}, {u"HP", u"h", false, kHorsepower}};
// Sizes in teslas.
constexpr Unit kMagnetism[] = {{u"T", u"", true, 1}, {u"ga", u"", true, 1e-4}};
// Temperatures convert by their scales, not by sizes.
constexpr Unit kTemperature[] = {{u"C", u"cel", false, 1}, {u"F", u"fah", false, 1}, {u"K", u"kel", true, 1}};
// Sizes in litres: the US measures but "uk_pt", the imperial pint.
constexpr Unit kLiquid[] = {{u"l", u"lt", true, 1},
                            {u"tsp", u"", false, kUsGallon / 768},
                            {u"tbs", u"", false, kUsGallon / 256},
                            {u"oz", u"", false, kUsGallon / 128},
                            {u"cup", u"", false, kUsGallon / 16},
                            {u"pt", u"", false, kUsGallon / kPintsPerGallon},
                            {u"us_pt", u"", false, kUsGallon / kPintsPerGallon},
                            {u"uk_pt", u"", false, kUkGallon / kPintsPerGallon},
                            {u"qt", u"", false, kUsGallon / 4},
                            {u"gal", u"", false, kUsGallon}};

constexpr Category kCategories[] = {{kMass, 5},   {kDistance, 8}, {kTime, 5},      {kPressure, 3},    {kForce, 3},
                                    {kEnergy, 9}, {kPower, 2},    {kMagnetism, 2}, {kTemperature, 3}, {kLiquid, 10}};
constexpr int kTemperatureCategory = 8;

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

double Conv_pairFactor(int category, int from, int to) {
  if (from == to) return 1;
  const Unit* units = kCategories[category].units;
  return units[from].size / units[to].size;
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
