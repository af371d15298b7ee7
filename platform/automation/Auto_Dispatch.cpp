// Objects of the automation interface: their records and reference counts,
// the one table of member names (one id per name on every object), and
// invoke: arguments put back in parameter order, checked against the
// member's parameters, and failures turned into the dispatch result codes.
#include <algorithm>
#include <deque>
#include <map>
#include <unordered_set>

#include "platform/automation/Auto_Internal.h"
#include "platform/os/Os_Guard.h"

namespace {

// Records are never reused, so that a late call on a released object finds
// its record and fails instead of reaching another object.
struct Registry {
  std::deque<AutoObject> objects;
  std::unordered_set<const AutoObject*> known;
  std::size_t live = 0;
};

Registry& registry() {
  static Registry r;
  return r;
}

const std::vector<AutoMember>& membersOf(AutoKind kind) {
  static const std::vector<AutoMember> kNone;
  switch (kind) {
    case AutoKind::Application: return Auto_applicationMembers();
    case AutoKind::Workbooks: return Auto_workbooksMembers();
    case AutoKind::Workbook: return Auto_workbookMembers();
    case AutoKind::Sheets: return Auto_sheetsMembers();
    case AutoKind::Worksheet: return Auto_worksheetMembers();
    case AutoKind::Range: return Auto_rangeMembers();
    case AutoKind::Areas: return Auto_areasMembers();
    case AutoKind::Names: return Auto_namesMembers();
    case AutoKind::Name: return Auto_nameMembers();
    case AutoKind::Styles: return Auto_stylesMembers();
    case AutoKind::Style: return Auto_styleMembers();
    case AutoKind::WorksheetFunction: return kNone;
  }
  return kNone;
}

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Every member name of every kind and every worksheet function, by upper-case
// name; an id is the position in this sorted table, plus one.
struct NameTable {
  std::vector<std::string> names;
  std::map<std::string, AutoDispId> ids;
};

const NameTable& nameTable() {
  static const NameTable table = [] {
    NameTable t;
    for (int k = 0; k <= static_cast<int>(AutoKind::WorksheetFunction); ++k)
      for (const AutoMember& m : membersOf(static_cast<AutoKind>(k))) t.names.push_back(upper(m.name));
    for (const std::string& f : Auto_functionNames()) t.names.push_back(upper(f));
    std::sort(t.names.begin(), t.names.end());
    t.names.erase(std::unique(t.names.begin(), t.names.end()), t.names.end());
    for (std::size_t i = 0; i < t.names.size(); ++i) t.ids[t.names[i]] = static_cast<AutoDispId>(i + 1);
    return t;
  }();
  return table;
}

const AutoMember* findMember(AutoKind kind, const std::string& upperName) {
  for (const AutoMember& m : membersOf(kind))
    if (upper(m.name) == upperName) return &m;
  return nullptr;
}

// The member of a kind with a given id, through a table per kind.
const AutoMember* memberById(AutoKind kind, AutoDispId id) {
  constexpr int kKinds = static_cast<int>(AutoKind::WorksheetFunction) + 1;
  static const std::vector<std::map<AutoDispId, const AutoMember*>> byKind = [] {
    std::vector<std::map<AutoDispId, const AutoMember*>> t(kKinds);
    for (int k = 0; k < kKinds; ++k)
      for (const AutoMember& m : membersOf(static_cast<AutoKind>(k))) t[k][nameTable().ids.at(upper(m.name))] = &m;
    return t;
  }();
  const auto& members = byKind[static_cast<int>(kind)];
  auto it = members.find(id);
  return it == members.end() ? nullptr : it->second;
}

bool isFunction(const std::string& upperName) {
  static const std::unordered_set<std::string> names = [] {
    std::unordered_set<std::string> s;
    for (const std::string& f : Auto_functionNames()) s.insert(upper(f));
    return s;
  }();
  return names.count(upperName) > 0;
}

// A NUL-terminated wide text (not necessarily a counted one) as UTF-8.
std::string plainUtf8(const AutoChar* text) {
  AutoString s = Auto_allocString(text);
  std::string r = Auto_stringToUtf8(s);
  Auto_freeString(s);
  return r;
}

bool knownLocale(AutoLocale lc) {
  return lc == 0 || lc == Auto_localeSystemDefault || lc == Auto_localeUserDefault || lc == Auto_localeEnglishUS;
}

AutoObject* checked(AutoObject* obj) {
  const Registry& r = registry();
  return obj && r.known.count(obj) ? obj : nullptr;
}

// The member a default-member call means: Item with arguments, else Value.
const AutoMember* defaultMember(AutoKind kind, bool withArgs) {
  const AutoMember* m = findMember(kind, withArgs ? "ITEM" : "VALUE");
  return m ? m : findMember(kind, withArgs ? "VALUE" : "ITEM");
}

// Puts the caller's arguments into parameter order and checks them against the member.
AutoResult arrange(const AutoMember& m, const AutoDispParams& p, AutoCall* call) {
  bool put = call->kind & (Auto_propertyPut | Auto_propertyPutRef);
  std::uint32_t named = p.namedCount, positional = p.argCount - named;
  call->args.assign(m.params.size(), nullptr);
  call->argIndex.assign(m.params.size(), 0);
  for (std::uint32_t k = 0; k < named; ++k) {
    AutoDispId id = p.namedIds[k];
    if (put && id == Auto_dispidPropertyPut) {
      call->putValue = &p.args[k];
      call->putIndex = k;
      continue;
    }
    if (m.params.empty()) return Auto_eNoNamedArgs;
    if (id < 0 || static_cast<std::size_t>(id) >= m.params.size() || call->args[id]) {
      call->argError = k;
      return Auto_eParamNotFound;
    }
    call->args[id] = &p.args[k];
    call->argIndex[id] = k;
  }
  if (put && !call->putValue) return Auto_eParamNotFound;
  if (positional > m.params.size()) return Auto_eBadParamCount;
  for (std::uint32_t i = 0; i < positional; ++i) {
    std::uint32_t at = p.argCount - 1 - i;
    if (call->args[i]) {
      call->argError = at;
      return Auto_eParamNotFound;
    }
    call->args[i] = &p.args[at];
    call->argIndex[i] = at;
  }
  for (std::size_t i = 0; i < call->args.size(); ++i) {
    const AutoVariant* a = call->args[i];
    if (a && a->vt == Auto_vtError && a->error == Auto_eParamNotFound) call->args[i] = nullptr;   // given as missing
    if (static_cast<int>(i) < m.required && !call->args[i]) return Auto_eParamNotOptional;
  }
  return Auto_ok;
}

AutoResult runMember(const AutoMember& m, AutoCall& call) {
  int sheetIndex;
  if (!Auto_alive(call.self, &sheetIndex))
    return call.raise(Auto_excFailed, "The workbook or sheet of this object no longer exists.");
  return m.fn(call);
}

}  // namespace

AutoObject* Auto_newObject(AutoKind kind, Workbook* wb, Sheet* sheet) {
  Registry& r = registry();
  r.objects.emplace_back();
  AutoObject* o = &r.objects.back();
  o->kind = kind;
  o->wb = wb;
  o->sheet = sheet;
  r.known.insert(o);
  ++r.live;
  return o;
}

AutoObject* Auto_newRange(Workbook* wb, Sheet* sheet, const std::vector<CellRange>& areas) {
  AutoObject* o = Auto_newObject(AutoKind::Range, wb, sheet);
  o->areas = areas;
  return o;
}

std::size_t Auto_liveObjects() { return registry().live; }

const AutoObject* Auto_argumentObject(const AutoVariant* v, AutoKind kind) {
  if (!v || v->vt != Auto_vtDispatch) return nullptr;
  const AutoObject* o = checked(v->dispatch);
  int sheet;
  return o && o->refs > 0 && o->kind == kind && Auto_alive(o, &sheet) ? o : nullptr;
}

bool Auto_alive(const AutoObject* obj, int* sheetIndex) {
  *sheetIndex = -1;
  if (!obj->wb) return true;
  const Application& app = Wb_app();
  auto wbIt = std::find_if(app.workbooks.begin(), app.workbooks.end(), [&](const auto& w) { return w.get() == obj->wb; });
  if (wbIt == app.workbooks.end()) return false;
  if (!obj->sheet) return true;
  const auto& sheets = obj->wb->sheets;
  auto it = std::find_if(sheets.begin(), sheets.end(), [&](const auto& s) { return s.get() == obj->sheet; });
  if (it == sheets.end()) return false;
  *sheetIndex = static_cast<int>(it - sheets.begin());
  return true;
}

std::uint32_t Auto_addRef(AutoObject* obj) {
  obj = checked(obj);
  if (!obj || obj->refs == 0) return 0;
  return ++obj->refs;
}

std::uint32_t Auto_release(AutoObject* obj) {
  obj = checked(obj);
  if (!obj || obj->refs == 0) return 0;
  if (--obj->refs == 0) {
    obj->areas = {};
    obj->name = {};
    obj->wb = nullptr;
    obj->sheet = nullptr;
    --registry().live;
  }
  return obj->refs;
}

AutoResult Auto_queryInterface(AutoObject* obj, AutoIid iid, AutoObject** out) {
  if (!out) return Auto_ePointer;
  *out = nullptr;
  AutoObject* o = checked(obj);
  if (!o) return Auto_ePointer;
  if (o->refs == 0) return Auto_eReleased;
  if (iid != AutoIid::Unknown && iid != AutoIid::Dispatch) return Auto_eNoInterface;
  Auto_addRef(o);
  *out = o;
  return Auto_ok;
}

namespace {

AutoResult lookUpNames(AutoObject* obj, const AutoChar* const* names, std::uint32_t count, AutoLocale locale,
                       AutoDispId* ids) {
  AutoObject* o = checked(obj);
  if (!o || !names || !ids || count == 0) return Auto_ePointer;
  if (o->refs == 0) return Auto_eReleased;
  if (!knownLocale(locale)) return Auto_eUnknownLocale;
  for (std::uint32_t i = 0; i < count; ++i) ids[i] = Auto_dispidUnknown;
  std::string member = upper(plainUtf8(names[0]));
  const AutoMember* m = findMember(o->kind, member);
  bool function = o->kind == AutoKind::WorksheetFunction && isFunction(member);
  if (!m && !function) return Auto_eUnknownName;
  ids[0] = nameTable().ids.at(member);
  AutoResult rc = Auto_ok;
  for (std::uint32_t i = 1; i < count; ++i) {
    std::string param = upper(plainUtf8(names[i]));
    if (m)
      for (std::size_t k = 0; k < m->params.size(); ++k)
        if (upper(m->params[k]) == param) ids[i] = static_cast<AutoDispId>(k);
    if (ids[i] == Auto_dispidUnknown) rc = Auto_eUnknownName;
  }
  return rc;
}

AutoResult invoke(AutoObject* obj, AutoDispId member, AutoLocale locale, AutoInvokeKind kind,
                  const AutoDispParams* params, AutoVariant* result, AutoException* exception,
                  std::uint32_t* argError) {
  AutoObject* o = checked(obj);
  if (!o) return Auto_ePointer;
  if (o->refs == 0) return Auto_eReleased;
  if (!knownLocale(locale)) return Auto_eUnknownLocale;
  AutoDispParams none{nullptr, nullptr, 0, 0};
  if (!params) params = &none;
  if ((params->argCount && !params->args) || (params->namedCount && !params->namedIds) ||
      params->namedCount > params->argCount)
    return Auto_eInvalidArg;
  if (exception) *exception = AutoException{};
  AutoVariant scratch;
  Auto_variantInit(&scratch);
  AutoCall call;
  call.self = o;
  call.kind = kind;
  call.exception = exception;
  call.result = result ? result : &scratch;
  if (result) Auto_variantInit(result);

  const AutoMember* m = nullptr;
  std::string name;
  if (member == Auto_dispidValue) {
    m = defaultMember(o->kind, params->argCount > params->namedCount);
  } else if (member > 0 && static_cast<std::size_t>(member) <= nameTable().names.size()) {
    name = nameTable().names[member - 1];
    m = memberById(o->kind, member);
  }
  AutoResult rc;
  if (!m && o->kind == AutoKind::WorksheetFunction && !name.empty() && isFunction(name)) {
    rc = (kind & (Auto_method | Auto_propertyGet)) ? Auto_callFunction(call, name, params) : Auto_eMemberNotFound;
  } else if (!m) {
    rc = Auto_eMemberNotFound;
  } else {
    bool put = kind & (Auto_propertyPut | Auto_propertyPutRef);
    bool get = kind & (Auto_method | Auto_propertyGet);
    bool allowed = put ? (m->kinds & (Auto_propertyPut | Auto_propertyPutRef)) != 0
                       : get && (m->kinds & (Auto_method | Auto_propertyGet)) != 0;
    if (!allowed) {
      rc = Auto_eMemberNotFound;
    } else if (m->forwardsToItem && !put && params->argCount > params->namedCount) {
      // Sheets(2), Cells(1, 1): the collection, then its Item with the arguments.
      if (params->namedCount) {
        rc = Auto_eNoNamedArgs;
      } else {
        AutoCall inner = call;
        AutoVariant coll;
        Auto_variantInit(&coll);
        inner.result = &coll;
        rc = runMember(*m, inner);
        if (!Auto_failed(rc)) {
          std::vector<const AutoVariant*> args;
          for (std::uint32_t i = params->argCount; i-- > 0;) args.push_back(&params->args[i]);
          rc = coll.vt == Auto_vtDispatch ? Auto_callItem(call, coll.dispatch, args) : Auto_eMemberNotFound;
        }
        Auto_variantClear(&coll);
      }
    } else {
      rc = arrange(*m, *params, &call);
      if (!Auto_failed(rc)) rc = runMember(*m, call);
    }
  }
  if (Auto_failed(rc) && result) Auto_variantClear(result);
  Auto_variantClear(&scratch);
  if (argError && (rc == Auto_eTypeMismatch || rc == Auto_eParamNotFound)) *argError = call.argError;
  return rc;
}

}  // namespace

// The two calls of a client on an object: memory that runs out fails the call.
AutoResult Auto_getIDsOfNames(AutoObject* obj, const AutoChar* const* names, std::uint32_t count, AutoLocale locale,
                              AutoDispId* ids) {
  return Os_guard(Auto_eOutOfMemory, [&] { return lookUpNames(obj, names, count, locale, ids); });
}

AutoResult Auto_invoke(AutoObject* obj, AutoDispId member, AutoLocale locale, AutoInvokeKind kind,
                       const AutoDispParams* params, AutoVariant* result, AutoException* exception,
                       std::uint32_t* argError) {
  AutoResult rc = Os_guard(Auto_eOutOfMemory, [&] {
    return invoke(obj, member, locale, kind, params, result, exception, argError);
  });
  if (rc == Auto_eOutOfMemory && result) Auto_variantClear(result);
  return rc;
}

AutoResult Auto_callItem(AutoCall& outer, AutoObject* obj, const std::vector<const AutoVariant*>& args) {
  const AutoMember* item = obj ? findMember(obj->kind, "ITEM") : nullptr;
  if (!item) return Auto_eMemberNotFound;
  if (args.size() > item->params.size()) return Auto_eBadParamCount;
  AutoCall call;
  call.self = obj;
  call.kind = Auto_propertyGet;
  call.exception = outer.exception;
  call.result = outer.result;
  call.args = args;
  call.args.resize(item->params.size(), nullptr);
  for (std::size_t i = 0; i < args.size(); ++i)
    call.argIndex.push_back(static_cast<std::uint32_t>(args.size() - 1 - i));
  call.argIndex.resize(item->params.size(), 0);
  for (auto& a : call.args)
    if (a && a->vt == Auto_vtError && a->error == Auto_eParamNotFound) a = nullptr;
  for (int i = 0; i < item->required; ++i)
    if (!call.args[i]) return Auto_eParamNotOptional;
  AutoResult rc = runMember(*item, call);
  outer.argError = call.argError;
  return rc;
}

AutoResult Auto_returnObject(AutoCall& call, AutoObject* obj) {
  Auto_variantClear(call.result);
  call.result->vt = Auto_vtDispatch;
  call.result->dispatch = obj;
  return Auto_ok;
}

// ---- Argument readers ----

AutoResult AutoCall::fail(AutoResult code, std::size_t param) {
  argError = param < argIndex.size() ? argIndex[param] : putIndex;
  return code;
}

AutoResult AutoCall::raise(std::uint16_t code, const std::string& description) {
  if (exception) {
    exception->code = code;
    exception->source = Auto_stringFromUtf8("Corvan spreadsheet");
    exception->description = Auto_stringFromUtf8(description);
    exception->scode = Auto_code(0x800A0000u | code);
  }
  return Auto_eException;
}

namespace {

bool convert(const AutoVariant* v, AutoVarType vt, AutoVariant* out, AutoResult* rc) {
  Auto_variantInit(out);
  *rc = Auto_variantChangeType(out, v, 0, vt);
  return !Auto_failed(*rc);
}

}  // namespace

bool AutoCall::integer(std::size_t i, std::int32_t* out, AutoResult* rc) {
  AutoVariant v;
  if (!convert(args[i], Auto_vtI4, &v, rc)) {
    *rc = fail(*rc, i);
    return false;
  }
  *out = v.i4;
  return true;
}

bool AutoCall::real(std::size_t i, double* out, AutoResult* rc) {
  AutoVariant v;
  if (!convert(args[i], Auto_vtR8, &v, rc)) {
    *rc = fail(*rc, i);
    return false;
  }
  *out = v.r8;
  return true;
}

bool AutoCall::boolean(std::size_t i, bool* out, AutoResult* rc) {
  AutoVariant v;
  if (!convert(args[i], Auto_vtBool, &v, rc)) {
    *rc = fail(*rc, i);
    return false;
  }
  *out = v.boolean != 0;
  return true;
}

bool AutoCall::text(std::size_t i, std::string* out, AutoResult* rc) {
  AutoVariant v;
  if (!convert(args[i], Auto_vtString, &v, rc)) {
    *rc = fail(*rc, i);
    return false;
  }
  *out = Auto_stringToUtf8(v.str);
  Auto_variantClear(&v);
  return true;
}

bool AutoCall::putBoolean(bool* out, AutoResult* rc) {
  AutoVariant v;
  if (!convert(putValue, Auto_vtBool, &v, rc)) {
    argError = putIndex;
    return false;
  }
  *out = v.boolean != 0;
  return true;
}

bool AutoCall::putText(std::string* out, AutoResult* rc) {
  AutoVariant v;
  if (!convert(putValue, Auto_vtString, &v, rc)) {
    argError = putIndex;
    return false;
  }
  *out = Auto_stringToUtf8(v.str);
  Auto_variantClear(&v);
  return true;
}

// ---- The application ----

const AutoChar Auto_applicationProgId[] = u"Corvan.Spreadsheet";

namespace {

constexpr std::uint32_t kApplicationClass = 1;
int gInitialized = 0;
AutoObject* gApplication = nullptr;

}  // namespace

AutoResult Auto_initialize() {
  ++gInitialized;
  return Auto_ok;
}

void Auto_uninitialize() {
  if (gInitialized > 0) --gInitialized;
}

AutoResult Auto_classFromProgId(const AutoChar* progId, AutoClassId* out) {
  if (!progId || !out) return Auto_ePointer;
  if (!Wb_equalNoCase(plainUtf8(progId), plainUtf8(Auto_applicationProgId))) return Auto_eClassNotRegistered;
  out->value = kApplicationClass;
  return Auto_ok;
}

AutoResult Auto_createInstance(const AutoClassId& cls, AutoIid iid, AutoObject** out) {
  if (!out) return Auto_ePointer;
  *out = nullptr;
  if (gInitialized == 0) return Auto_eNotInitialized;
  if (cls.value != kApplicationClass) return Auto_eClassNotRegistered;
  if (iid != AutoIid::Unknown && iid != AutoIid::Dispatch) return Auto_eNoInterface;
  *out = Auto_application();
  return Auto_ok;
}

AutoObject* Auto_application() {
  if (gApplication && gApplication->refs > 0) {
    Auto_addRef(gApplication);
    return gApplication;
  }
  gApplication = Auto_newObject(AutoKind::Application);
  return gApplication;
}
