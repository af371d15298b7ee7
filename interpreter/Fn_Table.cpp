// The table of worksheet-function names and the predicates on identifiers.
#include "interpreter/Fn_Table.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <string_view>

#include "simulation/functions/Sim_Names.h"
#include "values/Fn_Ids.h"

namespace {

struct FnEntry {
  const char16_t* name;
  int16_t id;
  int16_t count;
  uint16_t optional;
  const char* kinds;
  uint16_t flags;
};

#define CORVAN_NAME_ENTRY(symbol, name, id, count, optional, form, selector, kinds, flags) \
  {name, id, count, optional, kinds, flags},
// Compared in this order; the first match wins.
constexpr FnEntry kFunctions[] = {CORVAN_WORKSHEET_FUNCTIONS(CORVAN_NAME_ENTRY)};
#undef CORVAN_NAME_ENTRY

// Names known but not supported.
const char16_t* const kUnsupported[] = {u"getpivotdata", u"call",     u"register.id", u"sqlrequest", u"cell",
                                        u"info",         u"hyperlink", u"indirect",    u"offset"};

struct IdRange {
  int16_t first;
  int16_t last;
  const char* kinds;
  uint16_t flags;
};

#define CORVAN_SIMULATION_RANGE(first, last, form, kinds, flags) {first, last, kinds, flags},
constexpr IdRange kSimulation[] = {CORVAN_SIMULATION_FUNCTIONS(CORVAN_SIMULATION_RANGE)};
#undef CORVAN_SIMULATION_RANGE

constexpr int32_t kFirstFlaggedId = 1;
constexpr int32_t kLastFlaggedId = 1361;
// Bit 15 marks an identifier the lists know.
constexpr uint16_t kListed = 0x8000;

using FlagTable = std::array<uint16_t, kLastFlaggedId - kFirstFlaggedId + 1>;

constexpr FlagTable buildFlags() {
  FlagTable table{};
  for (const FnEntry& e : kFunctions) table[e.id - kFirstFlaggedId] = e.flags | kListed;
  for (const IdRange& r : kSimulation)
    for (int32_t id = r.first; id <= r.last; ++id) table[id - kFirstFlaggedId] = r.flags | kListed;
  return table;
}

constexpr FlagTable kFlags = buildFlags();

// Each identifier is listed once.
constexpr bool listedOnce() {
  int32_t listed = 0;
  for (uint16_t flags : kFlags) listed += (flags & kListed) ? 1 : 0;
  int32_t expected = static_cast<int32_t>(std::size(kFunctions));
  for (const IdRange& r : kSimulation) expected += r.last - r.first + 1;
  return listed == expected;
}
static_assert(listedOnce(), "an identifier is listed twice");

using KindTable = std::array<const char*, kLastFlaggedId - kFirstFlaggedId + 1>;

constexpr KindTable buildKinds() {
  KindTable table{};
  for (const FnEntry& e : kFunctions) table[e.id - kFirstFlaggedId] = e.kinds;
  for (const IdRange& r : kSimulation)
    for (int32_t id = r.first; id <= r.last; ++id) table[id - kFirstFlaggedId] = r.kinds;
  return table;
}

constexpr KindTable kKinds = buildKinds();

constexpr std::string_view kParameterKinds = "ndNbBtvora";

using CountTable = std::array<int8_t, kLastFlaggedId - kFirstFlaggedId + 1>;

// The fewest arguments of each variadic worksheet function: one a kind
// letter. The simulation library's variadic functions take any number.
constexpr CountTable buildFewest() {
  CountTable table{};
  for (const FnEntry& e : kFunctions)
    if (e.count < 0) table[e.id - kFirstFlaggedId] = static_cast<int8_t>(std::string_view(e.kinds).size());
  return table;
}

constexpr CountTable kFewest = buildFewest();

// Each function's kinds are known letters, one per parameter of a fixed
// count, at least one of a variadic function; only a function that takes
// ranges has parameters of ranges (one of plain scalars is called element
// by element, each a single value).
constexpr bool kindsFitCounts() {
  for (const FnEntry& e : kFunctions) {
    const std::string_view kinds(e.kinds);
    if (kinds.find_first_not_of(kParameterKinds) != std::string_view::npos) return false;
    if (e.count >= 0 ? kinds.size() != static_cast<size_t>(e.count) : kinds.empty()) return false;
    if (!(e.flags & kFnRangeArgs) && kinds.find_first_of("NB") != std::string_view::npos) return false;
  }
  for (const IdRange& r : kSimulation)
    if (std::string_view(r.kinds).size() != 1 || kParameterKinds.find(r.kinds[0]) == std::string_view::npos)
      return false;
  return true;
}
static_assert(kindsFitCounts(), "a function's parameter kinds do not fit its arguments");

// The flags of a listed identifier, 0 for any other.
uint16_t flagsOf(int32_t id) {
  return id < kFirstFlaggedId || id > kLastFlaggedId ? 0 : kFlags[static_cast<size_t>(id - kFirstFlaggedId)];
}

bool between(int32_t id, int32_t first, int32_t last) { return id >= first && id <= last; }

}  // namespace

void Fn_setRecord(int16_t id, const char16_t* name, int16_t count, uint16_t optional, uint8_t isVolatile,
                  FunctionRecord* out) {
  *out = FunctionRecord{};
  out->id = id;
  for (int i = 0; name && name[i] && i < kFnNameLength - 1; ++i) out->name[i] = name[i];
  out->resultType = kFnAnyType;
  out->argumentCount = count;
  out->optional = optional;
  const int typed = count < 0 ? kFnMaxArguments : std::min<int>(count, kFnMaxArguments);
  for (int i = 0; i < typed; ++i) out->argumentTypes[i] = kFnAnyType;
  out->isVolatile = isVolatile;
}

void Fn_copyRecord(FunctionRecord* out, const FunctionRecord* in) { *out = *in; }

int32_t Fn_fewestArguments(const FunctionRecord* fn) {
  if (fn->argumentCount >= 0) return fn->argumentCount - fn->optional;
  const int32_t id = fn->id;
  return id < kFirstFlaggedId || id > kLastFlaggedId ? 0 : kFewest[static_cast<size_t>(id - kFirstFlaggedId)];
}

bool Fn_acceptsCount(const FunctionRecord* fn, int32_t n) {
  return n >= Fn_fewestArguments(fn) && (fn->argumentCount < 0 || n <= fn->argumentCount);
}

bool Fn_lookup(const char16_t* name, FunctionRecord* out) {
  const std::u16string_view key(name ? name : u"");
  for (const FnEntry& e : kFunctions) {
    if (key == e.name) {
      Fn_setRecord(e.id, e.name, e.count, e.optional, (e.flags & kFnVolatile) != 0, out);
      return true;
    }
  }
  if (const SimName* sim = Sim_findName(name)) {
    Fn_setRecord(sim->id, sim->name, sim->count, sim->optional, Fn_isRandom(sim->id) ? 1 : 0, out);
    return true;
  }
  const bool unsupported = std::any_of(std::begin(kUnsupported), std::end(kUnsupported),
                                       [&](const char16_t* n) { return key == n; });
  Fn_setRecord(unsupported ? kFnUnsupported : kFnUnknown, name, -1, 0, 0, out);
  return false;
}

int32_t Fn_count() { return static_cast<int32_t>(std::size(kFunctions)); }

bool Fn_recordAt(int32_t i, FunctionRecord* out) {
  if (i < 0 || i >= Fn_count()) return false;
  const FnEntry& e = kFunctions[i];
  Fn_setRecord(e.id, e.name, e.count, e.optional, (e.flags & kFnVolatile) != 0, out);
  return true;
}

bool Fn_isDatabase(int32_t id) { return between(id, 201, 299); }
bool Fn_isDateTime(int32_t id) { return between(id, 301, 399); }
bool Fn_isEngineering(int32_t id) { return between(id, 401, 499); }
bool Fn_isInformation(int32_t id) { return between(id, 601, 699); }
bool Fn_isLookup(int32_t id) { return between(id, 801, 899); }
bool Fn_isText(int32_t id) { return between(id, 1001, 1099); }

bool Fn_isRandom(int32_t id) { return (flagsOf(id) & kFnRandom) != 0; }

// An unknown function's call, and any unlisted one of the families that
// take plain values, runs trial by trial.
bool Fn_isElementwise(int32_t id) {
  const uint16_t flags = flagsOf(id);
  if (flags & kListed) return (flags & kFnElementwise) != 0;
  return id == kFnUnknown || Fn_isDateTime(id) || Fn_isDatabase(id) || Fn_isEngineering(id) || Fn_isText(id) ||
         Fn_isInformation(id) || Fn_isLookup(id);
}

bool Fn_isScalarArgs(int32_t id) { return (flagsOf(id) & kFnRangeArgs) == 0; }

bool Fn_isArrayArgs(int32_t id) { return (flagsOf(id) & kFnArrayArgs) != 0; }

bool Fn_takesOneValue(int32_t id, int32_t k) {
  const FnParameterKind kind = Fn_parameterKind(id, k);
  return (flagsOf(id) & (kFnRangeArgs | kFnWholeArrays)) == kFnRangeArgs &&
         (kind == kParamNumber || kind == kParamNumberNoLogical || kind == kParamLogical || kind == kParamOneValue);
}

bool Fn_liftsArrays(int32_t id) { return (flagsOf(id) & kFnLiftsArrays) != 0; }

bool Fn_answersArray(int32_t id) { return (flagsOf(id) & kFnArrayResult) != 0; }

bool Fn_leavesOutBlank(int32_t id) { return (flagsOf(id) & (kFnWorksheet | kFnOwnDefaults)) == kFnWorksheet; }

// A call never passes more arguments than a function of fixed count takes,
// so the last kind stands for every argument past the letters.
FnParameterKind Fn_parameterKind(int32_t id, int32_t k) {
  const char* listed =
      id < kFirstFlaggedId || id > kLastFlaggedId ? nullptr : kKinds[static_cast<size_t>(id - kFirstFlaggedId)];
  const std::string_view kinds(listed ? listed : "");
  if (kinds.empty() || k < 0) return kParamValue;
  return static_cast<FnParameterKind>(kinds[std::min(static_cast<size_t>(k), kinds.size() - 1)]);
}
