// The model options typed on the command line: checked as a solver dialog
// checks what is typed into it (a known option, a value it accepts), set
// into the model's names for the run, and taken out again before the
// workbook is saved, since they were meant for this run only.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "excel/Names_OptionTable.h"
#include "frontend/Fe_Command.h"
#include "frontend/Fe_Session.h"

namespace {

// Edits that turn one text into the other (insertions, deletions, changes).
size_t editDistance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// The known option nearest to a mistyped one ("" when none is close).
std::string nearestOption(const std::string& name) {
  std::string best;
  size_t bestDistance = 3;
  for (int index = 0; index < OptScenNum; ++index) {
    size_t d = editDistance(name, kOptionSuffixes[index]);
    if (d < bestDistance) bestDistance = d, best = kOptionSuffixes[index];
  }
  return best;
}

// The number a typed value stands for; false when it is none.
bool typedNumber(const std::string& value, double* out) {
  if (value == "TRUE" || value == "FALSE") {
    *out = value == "TRUE" ? 1 : 0;
    return true;
  }
  char* end = nullptr;
  *out = std::strtod(value.c_str(), &end);
  return !value.empty() && !*end;
}

std::string number(double x) {
  char text[32];
  std::snprintf(text, sizeof text, "%.15g", x);
  return text;
}

// What an option's domain takes, in words.
std::string domainText(const OptionDomain& d) {
  std::string kind = d.whole ? "a whole number" : "a number";
  return kind + (d.aboveLow ? " above " : " from ") + number(d.low) + " to " + number(d.high);
}

bool sameName(const DefinedName& dn, const std::string& name, int scope) {
  return dn.scopeSheet == scope && Wb_equalNoCase(dn.name, name);
}

}  // namespace

int Fe_checkOption(const std::string& suffix, const std::string& value) {
  int index = Names_findSolverOption(suffix.c_str());
  if (index < 0) {
    std::string hint = nearestOption(suffix);
    return Fe_usageError("--option: there is no option \"solver_" + suffix + "\"" +
                         (hint.empty() ? "" : "; did you mean " + hint + " (\"solver_" + hint + "\")?"));
  }
  double x = 0;
  if (!typedNumber(value, &x))
    return Fe_usageError("--option " + suffix + ": \"solver_" + suffix + "\" takes a number, not '" + value + "'");
  const OptionDomain* d = Names_optionDomain(index);
  if (d && !Names_domainAccepts(*d, x))
    return Fe_usageError("--option " + suffix + ": \"solver_" + suffix + "\" does not accept " + value + "; it takes " +
                         domainText(*d));
  return -1;
}

FeSetNames Fe_setOptions(FeSession* s, const FeArgs& a) {
  std::vector<std::pair<std::string, std::string>> wanted;
  if (!a.engine.empty()) wanted.push_back({"solver_eng", a.engine});
  if (!a.maxTime.empty()) wanted.push_back({"solver_tim", a.maxTime});
  wanted.insert(wanted.end(), a.options.begin(), a.options.end());
  FeSetNames before;
  for (const auto& option : wanted) {
    const std::string& name = option.first;  // a plain reference: lambdas may not capture a structured binding
    int scope = Fe_modelNameScope(s);
    const DefinedName* existing = Wb_findNameInScope(s->book, name, scope);
    FeNameBefore b;
    b.existed = existing != nullptr;
    b.name = b.existed ? *existing : DefinedName{name, "", scope, true};
    b.scope = scope;
    if (std::none_of(before.begin(), before.end(),
                     [&](const FeNameBefore& o) { return sameName(o.name, name, scope); }))
      before.push_back(b);
    Fe_setModelOption(s, name, option.second);
  }
  return before;
}

void Fe_restoreOptions(FeSession* s, const FeSetNames& before) {
  for (const FeNameBefore& b : before) {
    if (b.existed) Wb_defineName(s->book, b.name);
    else Wb_deleteName(s->book, b.name.name, b.scope);
  }
}
