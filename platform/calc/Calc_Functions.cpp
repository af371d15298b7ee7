// The table of worksheet functions: the built-in families and the functions
// add-ins register, looked up by name without regard to case; and wildcard matching of
// texts as lookups and criteria use it.
#include <cctype>

#include "platform/calc/Calc_Internal.h"

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

struct Addin {
  std::string name;
  CalcFunction fn;
};

std::vector<Addin>& addins() {
  static std::vector<Addin> list;
  return list;
}

}  // namespace

int Calc_findBuiltin(const std::string& name) {
  const auto& t = builtins();
  for (size_t i = 0; i < t.size(); ++i)
    if (Wb_equalNoCase(name, t[i].name)) return static_cast<int>(i);
  return -1;
}

const CalcBuiltinInfo& Calc_builtin(int index) { return builtins()[index]; }

int Calc_builtinCount() { return static_cast<int>(builtins().size()); }

int Calc_findAddin(const std::string& name) {
  const auto& list = addins();
  for (size_t i = 0; i < list.size(); ++i)
    if (Wb_equalNoCase(list[i].name, name)) return static_cast<int>(i);
  return -1;
}

const CalcFunction& Calc_addin(int index) { return addins()[index].fn; }

void Calc_registerFunction(const std::string& name, CalcFunction fn) {
  int i = Calc_findAddin(name);
  if (i >= 0) addins()[i].fn = std::move(fn);
  else addins().push_back(Addin{name, std::move(fn)});
  // Formulas compiled before the function existed called it an unknown name.
  for (auto& wb : Wb_app().workbooks) wb->calc.reset();
}

bool Calc_hasWildcard(const std::string& pattern) {
  return pattern.find_first_of("*?~") != std::string::npos;
}

bool Calc_wildcardMatch(const std::string& pattern, const std::string& text) {
  // Pattern items: a literal character, any one character (?), any run (*).
  struct Item { char c; char kind; };
  std::vector<Item> items;
  for (size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    if (c == '~' && i + 1 < pattern.size()) items.push_back({pattern[++i], 'c'});
    else if (c == '*' || c == '?') items.push_back({c, c});
    else items.push_back({c, 'c'});
  }
  auto same = [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  };
  size_t p = 0, t = 0, starP = std::string::npos, starT = 0;
  while (t < text.size()) {
    if (p < items.size() && items[p].kind == '*') { starP = p++; starT = t; continue; }
    if (p < items.size() && (items[p].kind == '?' || same(items[p].c, text[t]))) { ++p; ++t; continue; }
    if (starP == std::string::npos) return false;
    p = starP + 1;
    t = ++starT;
  }
  while (p < items.size() && items[p].kind == '*') ++p;
  return p == items.size();
}
