// Defined names and named cell styles as automation objects: the Names
// collection of a workbook (every name) or of a sheet (its own names), a
// name's text and definition; the Styles collection, a style's number format
// and whether the style carries one.
#include "platform/automation/Auto_Internal.h"

namespace {

constexpr AutoInvokeKind kGet = Auto_propertyGet | Auto_method;
constexpr AutoInvokeKind kGetPut = kGet | Auto_propertyPut;

// Indexes into wb->names of the names a collection holds.
std::vector<int> namesOf(const AutoObject* self) {
  std::vector<int> out;
  int sheet = self->sheet ? Auto_sheetIndexOf(self) : -1;
  for (std::size_t i = 0; i < self->wb->names.size(); ++i)
    if (!self->sheet || self->wb->names[i].scopeSheet == sheet) out.push_back(static_cast<int>(i));
  return out;
}

// How the collection shows a name: sheet-scoped ones carry their sheet.
std::string shownName(const Workbook* wb, const DefinedName& dn) {
  if (dn.scopeSheet < 0 || dn.scopeSheet >= static_cast<int>(wb->sheets.size())) return dn.name;
  return Wb_quoteSheetName(wb->sheets[dn.scopeSheet]->name) + "!" + dn.name;
}

int nameByText(const AutoObject* self, const std::string& text) {
  std::vector<int> list = namesOf(self);
  for (std::size_t k = 0; k < list.size(); ++k) {   // a workbook-level name first, then "Sheet!name"
    const DefinedName& dn = self->wb->names[list[k]];
    if (Wb_equalNoCase(dn.name, text) && (dn.scopeSheet < 0 || self->sheet)) return static_cast<int>(k);
  }
  for (std::size_t k = 0; k < list.size(); ++k)
    if (Wb_equalNoCase(shownName(self->wb, self->wb->names[list[k]]), text)) return static_cast<int>(k);
  return -1;
}

AutoResult namesCount(AutoCall& call) {
  Auto_setInt(call.result, static_cast<std::int32_t>(namesOf(call.self).size()));
  return Auto_ok;
}

AutoResult namesItem(AutoCall& call) {
  std::vector<int> list = namesOf(call.self);
  int k;
  AutoResult rc = Auto_indexOrName(call, 0, static_cast<int>(list.size()), nameByText, &k);
  if (k < 0) return rc;
  const DefinedName& dn = call.self->wb->names[list[k]];
  AutoObject* o = Auto_newObject(AutoKind::Name, call.self->wb);
  o->name = dn.name;
  o->scope = dn.scopeSheet;
  return Auto_returnObject(call, o);
}

const DefinedName* nameOf(AutoCall& call) {
  for (const DefinedName& dn : call.self->wb->names)
    if (dn.scopeSheet == call.self->scope && Wb_equalNoCase(dn.name, call.self->name)) return &dn;
  return nullptr;
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
