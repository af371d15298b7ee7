// The table of worksheet functions: the built-in families and the functions
// add-ins register, looked up by name without regard to case; and wildcard matching of
// texts as lookups and criteria use it.
#include <functional>
#include <string_view>
#include <unordered_map>

#include "base/Utf8_Text.h"
#include "platform/calc/Calc_Internal.h"
#include "platform/os/Os_Guard.h"

namespace {

const std::vector<CalcBuiltinInfo>& builtins() {
  static const std::vector<CalcBuiltinInfo> table = [] {
    std::vector<CalcBuiltinInfo> t;
    for (auto family : {Calc_mathFunctions, Calc_aggregateFunctions, Calc_lookupFunctions, Calc_logicFunctions,
                         Calc_textFunctions, Calc_arithmeticFunctions, Calc_matrixFunctions, Calc_statisticsFunctions,
                         Calc_informationFunctions, Calc_volatileFunctions})
      for (const CalcBuiltinInfo& f : family()) t.push_back(f);
    return t;
  }();
  return table;
}

// A function's name (function names are ASCII) with its letters in lower case.
std::string folded(const std::string& name) {
  std::string key = name;
  for (char& ch : key)
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  return key;
}

using NameIndex = std::unordered_map<std::string, int>;

// Each built-in's index by its folded name; the first of a name holds it.
const NameIndex& builtinIndex() {
  static const NameIndex index = [] {
    NameIndex t;
    for (size_t i = 0; i < builtins().size(); ++i) t.emplace(folded(builtins()[i].name), static_cast<int>(i));
    return t;
  }();
  return index;
}

struct Addin {
  std::string name;
  CalcFunction fn;
  unsigned flags = 0;  // CalcFunctionFlag
  CalcOneValueArgs oneValue;
  CalcLiftPreparer prepareLifted;
};

std::vector<Addin>& addins() {
  static std::vector<Addin> list;
  return list;
}

// Each registered function's index in addins() by its folded name.
NameIndex& addinIndex() {
  static NameIndex index;
  return index;
}

std::uint64_t& registrations() {
  static std::uint64_t count = 0;
  return count;
}

int indexOf(const NameIndex& index, const std::string& name) {
  auto it = index.find(folded(name));
  return it == index.end() ? -1 : it->second;
}

// The source of further functions, until it is asked; and whether it is
// registering now.
std::function<void()>& functionSource() {
  static std::function<void()> source;
  return source;
}
bool gSourceRunning = false;

// Asks the source once, when a formula names a function the table lacks.
void askFunctionSource() {
  std::function<void()> source = std::move(functionSource());
  functionSource() = nullptr;
  gSourceRunning = true;
  source();
  gSourceRunning = false;
}

void registerFunction(Addin addin) {
  int i = indexOf(addinIndex(), addin.name);
  if (i >= 0) {  // replaced, under the name it was first registered by
    addin.name = addins()[i].name;
    addins()[i] = std::move(addin);
  } else {   // the index names only a function that is in the table, whatever runs out
    const std::string key = folded(addin.name);
    addins().push_back(std::move(addin));
    addinIndex().emplace(key, static_cast<int>(addins().size()) - 1);
  }
  // Formulas compiled before the function existed called it an unknown
  // name; none did before the source's functions, which it registers at the
  // first unknown name (perhaps while that formula is being compiled).
  if (!gSourceRunning)
    for (auto& wb : Wb_app().workbooks) wb->calc.reset();
  ++registrations();
}

}  // namespace

int Calc_findBuiltin(const std::string& name) { return indexOf(builtinIndex(), name); }

const CalcBuiltinInfo& Calc_builtin(int index) { return builtins()[index]; }

int Calc_builtinCount() { return static_cast<int>(builtins().size()); }

int Calc_findAddin(const std::string& name) {
  int i = indexOf(addinIndex(), name);
  if (i < 0 && functionSource()) {
    askFunctionSource();
    i = indexOf(addinIndex(), name);
  }
  return i;
}

const CalcFunction& Calc_addin(int index) { return addins()[index].fn; }

unsigned Calc_addinFlags(int index) { return addins()[index].flags; }

const CalcLiftPreparer& Calc_addinLiftPreparer(int index) { return addins()[index].prepareLifted; }

bool Calc_addinTakesOneValue(int index, size_t argument) {
  const CalcOneValueArgs& oneValue = addins()[index].oneValue;
  return oneValue && oneValue(argument);
}

std::uint64_t Calc_functionsGeneration() { return registrations(); }

bool Calc_registerFunction(const std::string& name, CalcFunction fn, unsigned flags, CalcOneValueArgs oneValue,
                           CalcLiftPreparer prepareLifted) {
  return Os_guard(false, [&] {
    registerFunction(Addin{name, std::move(fn), flags, std::move(oneValue), std::move(prepareLifted)});
    return true;
  });
}

void Calc_setFunctionSource(std::function<void()> source) { functionSource() = std::move(source); }

bool Calc_hasWildcard(const std::string& pattern) {
  return pattern.find_first_of("*?~") != std::string::npos;
}

namespace {

// Pattern items: a literal character, any one character (?), any run (*).
struct WildItem {
  char16_t c;
  char kind;
};

std::vector<WildItem> wildItems(std::u16string_view pattern) {
  std::vector<WildItem> items;
  for (size_t i = 0; i < pattern.size(); ++i) {
    char16_t c = pattern[i];
    if (c == u'~' && i + 1 < pattern.size()) items.push_back({pattern[++i], 'c'});
    else if (c == u'*' || c == u'?') items.push_back({c, static_cast<char>(c)});
    else items.push_back({c, 'c'});
  }
  return items;
}

bool wildSame(const WildItem& item, char16_t t) {
  return item.kind == '?' || Utf8_lowerCase(item.c) == Utf8_lowerCase(t);
}

// Whole-text match. Backtracking only ever returns to the last '*', so the
// cost is at most (pattern length) x (text length).
bool wildMatch(const WildItem* items, size_t n, std::u16string_view text) {
  size_t p = 0, t = 0, starP = std::string::npos, starT = 0;
  while (t < text.size()) {
    if (p < n && items[p].kind == '*') { starP = p++; starT = t; continue; }
    if (p < n && wildSame(items[p], text[t])) { ++p; ++t; continue; }
    if (starP == std::string::npos) return false;
    p = starP + 1;
    t = ++starT;
  }
  while (p < n && items[p].kind == '*') ++p;
  return p == n;
}

}  // namespace

bool Calc_wildcardMatch(const std::string& pattern, const std::string& text) {
  std::vector<WildItem> items = wildItems(Calc_utf16(pattern));
  return wildMatch(items.data(), items.size(), Calc_utf16(text));
}

size_t Calc_wildcardFind(const std::u16string& pattern, const std::u16string& text, size_t from) {
  std::vector<WildItem> items = wildItems(pattern);
  size_t lead = 0;   // items before the first '*'
  while (lead < items.size() && items[lead].kind != '*') ++lead;
  items.push_back({u'*', '*'});  // the match may end anywhere
  for (size_t i = from; i + lead <= text.size(); ++i) {
    bool head = true;
    for (size_t k = 0; k < lead && head; ++k) head = wildSame(items[k], text[i + k]);
    if (!head) continue;
    // The rest starts with '*': if it cannot match the text after this
    // start, it cannot match the shorter text after any later one.
    bool rest = wildMatch(items.data() + lead, items.size() - lead, std::u16string_view(text).substr(i + lead));
    return rest ? i : std::string::npos;
  }
  return std::string::npos;
}
