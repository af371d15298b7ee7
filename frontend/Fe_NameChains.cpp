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

bool followNode(NameChain* c, int sheet, const CalcNode& n);

// The circle from the name's first place in the chain to the chain's end.
std::string circleOf(const NameChain& c, size_t from) {
  if (from + 1 == c.names.size()) return "the name \"" + c.names[from] + "\" is defined through itself";
  std::string list;
  for (size_t k = from; k < c.names.size(); ++k)
    list += (k == from ? "" : k + 1 == c.names.size() ? " and " : ", ") + ("\"" + c.names[k] + "\"");
  return "the names " + list + " are defined through one another";
}

bool followName(NameChain* c, const DefinedName& dn, int sheet) {
  const std::string key = Utf8_foldedText(dn.name);
  if (c->cleared.count(key)) return false;
  const auto at =
      std::find_if(c->names.begin(), c->names.end(), [&](const std::string& n) { return Utf8_foldedText(n) == key; });
  if (at != c->names.end()) {
    c->fault = circleOf(*c, static_cast<size_t>(at - c->names.begin())) +
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
  const bool found = followNode(c, sheet, tree);
  c->names.pop_back();
  if (!found) c->cleared.insert(key);
  return found;
}

bool followNode(NameChain* c, int sheet, const CalcNode& n) {
  if (n.op == CalcOp::Name) {
    const int scope = n.sheetName.empty() ? sheet : Wb_sheetIndex(c->wb, n.sheetName);
    const DefinedName* dn = scope < 0 ? nullptr : Wb_findName(c->wb, n.text, scope);
    if (dn) return followName(c, *dn, Wb_definitionSheet(*dn, sheet));
  }
  return std::any_of(n.args.begin(), n.args.end(), [&](const CalcNode& a) { return followNode(c, sheet, a); });
}

}  // namespace

std::string Fe_nameChainFault(const Workbook* wb, int sheet, const std::string& formula) {
  NameChain chain{wb, {}, {}, ""};
  CalcNode tree;
  if (Calc_parse(formula, &tree, nullptr)) followNode(&chain, sheet, tree);
  return chain.fault;
}
