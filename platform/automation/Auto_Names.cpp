// Defined names and named cell styles as automation objects: the Names
// collection of a workbook (every name) or of a sheet (its own names), a
// name's text and definition; the Styles collection, a style's number format
// and whether the style carries one.
#include <algorithm>

#include "platform/automation/Auto_Internal.h"

namespace {

constexpr AutoInvokeKind kGet = Auto_propertyGet | Auto_method;
constexpr AutoInvokeKind kGetPut = kGet | Auto_propertyPut;

// The scope of the names a collection holds: a sheet's, or -2 for the
// workbook's collection, which holds every name.
constexpr int kEveryScope = -2;

int scopeOf(const AutoObject* self) { return self->sheet ? Auto_sheetIndexOf(self) : kEveryScope; }

bool holds(int scope, const DefinedName& dn) { return scope == kEveryScope || dn.scopeSheet == scope; }

// The number of names the collection holds.
int countOf(const AutoObject* self) {
  const int scope = scopeOf(self);
  const WbNameTable& names = self->wb->names;
  if (scope == kEveryScope) return static_cast<int>(names.size());
  return static_cast<int>(
      std::count_if(names.begin(), names.end(), [&](const DefinedName& dn) { return holds(scope, dn); }));
}

// Name k of the collection (0-based) as its index into wb->names.
std::size_t indexAt(const AutoObject* self, int k) {
  const int scope = scopeOf(self);
  const WbNameTable& names = self->wb->names;
  if (scope == kEveryScope) return static_cast<std::size_t>(k);
  std::size_t i = 0;
  for (int seen = -1; i < names.size(); ++i)
    if (holds(scope, names[i]) && ++seen == k) break;
  return i;
}

// The position in the collection of the name at `dn`, or -1 for none.
int positionOf(const AutoObject* self, const DefinedName* dn) {
  if (!dn) return -1;
  const int scope = scopeOf(self);
  const WbNameTable& names = self->wb->names;
  const auto at = names.begin() + (dn - names.list().data());
  return static_cast<int>(std::count_if(names.begin(), at, [&](const DefinedName& d) { return holds(scope, d); }));
}

// How the collection shows a name: sheet-scoped ones carry their sheet.
std::string shownName(const Workbook* wb, const DefinedName& dn) {
  if (dn.scopeSheet < 0 || dn.scopeSheet >= static_cast<int>(wb->sheets.size())) return dn.name;
  return Wb_quoteSheetName(wb->sheets[dn.scopeSheet]->name) + "!" + dn.name;
}

// The sheet-scoped name that `text` shows as "Sheet!name", of the sheets of
// the collection's scope.
const DefinedName* shownSheetName(const AutoObject* self, const std::string& text) {
  const int scope = scopeOf(self);
  const Workbook* wb = self->wb;
  for (int s = 0; s < static_cast<int>(wb->sheets.size()); ++s) {
    if (scope != kEveryScope && s != scope) continue;
    const std::string prefix = Wb_quoteSheetName(wb->sheets[s]->name) + "!";
    if (text.size() > prefix.size() && Wb_equalNoCase(text.substr(0, prefix.size()), prefix))
      if (const DefinedName* dn = Wb_findNameInScope(wb, text.substr(prefix.size()), s)) return dn;
  }
  return nullptr;
}

int nameByText(const AutoObject* self, const std::string& text) {
  // A workbook-level name first (a sheet's own name in a sheet's collection),
  // then "Sheet!name".
  const DefinedName* dn = Wb_findNameInScope(self->wb, text, self->sheet ? scopeOf(self) : -1);
  return positionOf(self, dn ? dn : shownSheetName(self, text));
}

AutoResult namesCount(AutoCall& call) {
  Auto_setInt(call.result, static_cast<std::int32_t>(countOf(call.self)));
  return Auto_ok;
}

AutoResult namesItem(AutoCall& call) {
  int k;
  AutoResult rc = Auto_indexOrName(call, 0, countOf(call.self), nameByText, &k);
  if (k < 0) return rc;
  const DefinedName& dn = call.self->wb->names[indexAt(call.self, k)];
  AutoObject* o = Auto_newObject(AutoKind::Name, call.self->wb);
  o->name = dn.name;
  o->scope = dn.scopeSheet;
  return Auto_returnObject(call, o);
}

const DefinedName* nameOf(AutoCall& call) {
  return Wb_findNameInScope(call.self->wb, call.self->name, call.self->scope);
}

AutoResult gone(AutoCall& call) { return call.raise(Auto_excFailed, "The name no longer exists."); }

AutoResult nameName(AutoCall& call) {
  const DefinedName* dn = nameOf(call);
  if (!dn) return gone(call);
  Auto_setText(call.result, shownName(call.self->wb, *dn));
  return Auto_ok;
}

// The definition as a formula text ("=Model!$B$2", "=0.05").
AutoResult nameValue(AutoCall& call) {
  const DefinedName* dn = nameOf(call);
  if (!dn) return gone(call);
  Auto_setText(call.result, "=" + dn->definition);
  return Auto_ok;
}

AutoResult nameVisible(AutoCall& call) {
  const DefinedName* dn = nameOf(call);
  if (!dn) return gone(call);
  Auto_setBool(call.result, !dn->hidden);
  return Auto_ok;
}

int styleByName(const AutoObject* self, const std::string& name) { return Wb_findStyle(self->wb, name); }

AutoResult stylesCount(AutoCall& call) {
  Auto_setInt(call.result, static_cast<std::int32_t>(call.self->wb->styles.size()));
  return Auto_ok;
}

AutoResult stylesItem(AutoCall& call) {
  int i;
  AutoResult rc = Auto_indexOrName(call, 0, static_cast<int>(call.self->wb->styles.size()), styleByName, &i);
  if (i < 0) return rc;
  AutoObject* o = Auto_newObject(AutoKind::Style, call.self->wb);
  o->name = call.self->wb->styles[i].name;
  return Auto_returnObject(call, o);
}

int styleIndex(AutoCall& call) { return Wb_findStyle(call.self->wb, call.self->name); }

AutoResult styleName(AutoCall& call) {
  if (styleIndex(call) < 0) return call.raise(Auto_excFailed, "The style no longer exists.");
  Auto_setText(call.result, call.self->name);
  return Auto_ok;
}

// A style's number format; changing it changes every cell of the style while
// the style includes its number format.
AutoResult styleNumberFormat(AutoCall& call) {
  int s = styleIndex(call);
  if (s < 0) return call.raise(Auto_excFailed, "The style no longer exists.");
  CellStyle& st = call.self->wb->styles[s];
  if (!(call.kind & Auto_propertyPut)) {
    Auto_setText(call.result, st.numberFormat.empty() ? "General" : st.numberFormat);
    return Auto_ok;
  }
  std::string format;
  AutoResult rc;
  if (!call.putText(&format, &rc)) return rc;
  if (Wb_equalNoCase(format, "General")) format.clear();
  st.numberFormat = format;
  if (st.includeNumber)
    for (auto& sh : call.self->wb->sheets)
      for (auto& [key, cell] : sh->cells)
        if (cell.style == s) cell.numberFormat = format;
  return Auto_ok;
}

AutoResult styleIncludeNumber(AutoCall& call) {
  int s = styleIndex(call);
  if (s < 0) return call.raise(Auto_excFailed, "The style no longer exists.");
  CellStyle& st = call.self->wb->styles[s];
  if (!(call.kind & Auto_propertyPut)) {
    Auto_setBool(call.result, st.includeNumber);
    return Auto_ok;
  }
  AutoResult rc;
  return call.putBoolean(&st.includeNumber, &rc) ? Auto_ok : rc;
}

}  // namespace

const std::vector<AutoMember>& Auto_namesMembers() {
  static const std::vector<AutoMember> m = {
    {"Count", kGet, {}, 0, namesCount},
    {"Item", kGet, {"Index"}, 1, namesItem},
  };
  return m;
}

const std::vector<AutoMember>& Auto_nameMembers() {
  static const std::vector<AutoMember> m = {
    {"Name", kGet, {}, 0, nameName},
    {"RefersTo", kGet, {}, 0, nameValue},
    {"Value", kGet, {}, 0, nameValue},
    {"Visible", kGet, {}, 0, nameVisible},
  };
  return m;
}

const std::vector<AutoMember>& Auto_stylesMembers() {
  static const std::vector<AutoMember> m = {
    {"Count", kGet, {}, 0, stylesCount},
    {"Item", kGet, {"Index"}, 1, stylesItem},
  };
  return m;
}

const std::vector<AutoMember>& Auto_styleMembers() {
  static const std::vector<AutoMember> m = {
    {"IncludeNumber", kGetPut, {}, 0, styleIncludeNumber},
    {"Name", kGet, {}, 0, styleName},
    {"NumberFormat", kGetPut, {}, 0, styleNumberFormat},
  };
  return m;
}
