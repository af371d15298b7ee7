// The defined names a formula uses, followed through the names their
// definitions use: a circle of names, which no formula can compute, and a
// name whose definition is past the limits of the files, which none reads.
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "base/Utf8_Text.h"
#include "frontend/Fe_Words.h"
#include "platform/calc/Calc.h"
#include "platform/calc/Calc_Internal.h"

namespace {

struct NameChain {
  const Workbook* wb;
  std::vector<std::string> names;  // the names followed to the node at hand
  std::set<std::string> cleared;   // names followed to their end without a fault (folded)
  std::string fault;
};

bool followNode(NameChain* c, WbReading at, const CalcNode& n);

// The circle from the name's first place in the chain to the chain's end.
std::string circleOf(const NameChain& c, size_t from) {
  if (from + 1 == c.names.size()) return "the name \"" + c.names[from] + "\" is defined through itself";
  std::string list;
  for (size_t k = from; k < c.names.size(); ++k)
    list += (k == from ? "" : k + 1 == c.names.size() ? " and " : ", ") + ("\"" + c.names[k] + "\"");
  return "the names " + list + " are defined through one another";
}

bool followName(NameChain* c, const DefinedName& dn, WbReading at) {
  const std::string key = Utf8_foldedText(dn.name);
  if (c->cleared.count(key)) return false;
  const auto seen =
      std::find_if(c->names.begin(), c->names.end(), [&](const std::string& n) { return Utf8_foldedText(n) == key; });
  if (seen != c->names.end()) {
    c->fault = circleOf(*c, static_cast<size_t>(seen - c->names.begin())) +
               ", a circle no formula can compute; break the circle";
    return true;
  }
  std::string why;
  if (Calc_formulaPastLimits("=" + dn.definition, &why)) {
    c->fault = "the name \"" + dn.name + "\" cannot be read (" + why + ")";
    return true;
  }
  CalcNode tree;
  if (c->names.size() > static_cast<size_t>(kCalcMaxNameDepth) || !Calc_parse(dn.definition, &tree, nullptr))
    return false;
  c->names.push_back(dn.name);
  const bool found = followNode(c, at, tree);
  c->names.pop_back();
  if (!found) c->cleared.insert(key);
  return found;
}

// A name is followed into its definition where the name's scope reads it.
bool followNode(NameChain* c, WbReading at, const CalcNode& n) {
  if (n.op == CalcOp::Name) {
    const int scope = Calc_nameScope(c->wb, n, at);
    const DefinedName* dn = scope == kCalcNoScope ? nullptr : Wb_findName(c->wb, n.text, scope);
    if (dn) return followName(c, *dn, Wb_definitionReading(*dn, at));
  }
  return std::any_of(n.args.begin(), n.args.end(), [&](const CalcNode& a) { return followNode(c, at, a); });
}

}  // namespace

std::string Fe_nameChainFault(const Workbook* wb, int sheet, const std::string& formula) {
  NameChain chain{wb, {}, {}, ""};
  CalcNode tree;
  if (Calc_parse(formula, &tree, nullptr)) followNode(&chain, WbReading{sheet, sheet}, tree);
  return chain.fault;
}
