// Calls into the application by member name: the application object, the
// prepared arguments, invocation and the diagnostic texts of failures.
#include <cstdio>
#include <string>

#include "excel/Com_Automation.h"
#include "values/Text_Convert.h"

namespace {

std::u16string withNumber(const AutoChar* member, const char* format, long long n) {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, format, n);
  return std::u16string(member ? member : u"") + Text_fromUtf8(buffer);
}

// The next argument slot, its old content cleared; the name, when given,
// makes it a named argument.
AutoVariant* nextArg(ExcelAutomation* ea, const AutoChar* name) {
  AutoVariant* v = &ea->args[ea->argCount++];
  if (v->vt == Auto_vtDispatch) v->vt = Auto_vtEmpty;  // borrowed: only forgotten
  Auto_variantClear(v);
  if (name) ea->names[++ea->namedCount] = name;
  return v;
}

}  // namespace

ExcelAutomation* Com_create(EvalContext* ctx) {
  auto* ea = new ExcelAutomation{};
  for (AutoVariant& v : ea->args) Auto_variantInit(&v);
  Auto_variantInit(&ea->result);
  Auto_variantInit(&ea->usedFormulas);
  Auto_variantInit(&ea->usedValues);
  for (AutoDispId& id : ea->cache) id = Auto_dispidUnknown;
  ea->scanRow = ea->scanColumn = 1;
  ea->context = ctx;
  return ea;
}

void Com_destroy(ExcelAutomation* ea) {
  if (!ea) return;
  Com_clearArgs(ea);
  Auto_variantClear(&ea->result);
  Auto_variantClear(&ea->usedFormulas);
  Auto_variantClear(&ea->usedValues);
  for (AutoObject* sheet : ea->sheets)
    if (sheet) Auto_release(sheet);
  for (AutoObject* obj : {ea->namesCollection, ea->currentSheet, ea->worksheetFunction, ea->workbook})
    if (obj) Auto_release(obj);
  Com_releaseExcel(ea);
  if (ea->application) Auto_release(ea->application);
  delete ea;
}

bool Com_attachApplication(ExcelAutomation* ea, AutoObject* handle) {
  AutoObject* app = nullptr;
  if (!handle || Auto_failed(Auto_queryInterface(handle, AutoIid::Dispatch, &app))) return false;
  ea->application = app;
  ea->ownsApplication = 0;
  return true;
}

bool Com_createExcel(ExcelAutomation* ea, const AutoChar* progId) {
  if (Auto_failed(Auto_initialize())) {
    ea->diagnostic = u"OLE initialization failed.";
    return false;
  }
  AutoClassId cls{};
  AutoObject* app = nullptr;
  if (Auto_failed(Auto_classFromProgId(progId, &cls)) || Auto_failed(Auto_createInstance(cls, AutoIid::Dispatch, &app))) {
    ea->diagnostic = u"CLSID from ProgID failed.";
    Auto_uninitialize();
    return false;
  }
  ea->application = app;
  ea->ownsApplication = 1;
  Com_clearArgs(ea);
  Com_addArgBool(ea, true);
  const bool visible = Com_invoke(ea, app, u"Visible", nullptr, Auto_propertyPut, true, Auto_dispidUnknown);
  Com_clearArgs(ea);
  return visible;
}

void Com_releaseExcel(ExcelAutomation* ea) {
  if (!ea->ownsApplication || !ea->application) return;
  Com_clearArgs(ea);
  Com_invoke(ea, ea->application, u"Quit", nullptr, Auto_method, false, Auto_dispidUnknown);
  Auto_release(ea->application);
  ea->application = nullptr;
  ea->ownsApplication = 0;
  Auto_uninitialize();
}

bool Com_invoke(ExcelAutomation* ea, AutoObject* obj, const AutoChar* member, AutoVariant* result, uint16_t flags,
                bool report, AutoDispId dispid) {
  if (!obj) return false;
  ea->names[0] = member;
  if (dispid == Auto_dispidUnknown) {
    const AutoResult rc = Auto_getIDsOfNames(obj, ea->names, static_cast<uint32_t>(ea->namedCount) + 1,
                                             Auto_localeSystemDefault, ea->dispids);
    if (Auto_failed(rc)) {
      if (report) ea->diagnostic = Com_diagnosticText(member, rc, 0, 0);
      return false;
    }
  } else {
    ea->dispids[0] = dispid;
  }
  if (result) Auto_variantClear(result);
  const bool put = flags & (Auto_propertyPut | Auto_propertyPutRef);
  if (put) {
    ea->namedCount = 1;
    ea->dispids[1] = Auto_dispidPropertyPut;
    result = nullptr;
  }
  AutoDispParams params{ea->args, &ea->dispids[1], static_cast<uint32_t>(ea->argCount),
                        static_cast<uint32_t>(ea->namedCount)};
  AutoException exception{};
  uint32_t argError = 0;
  const AutoResult rc = Auto_invoke(obj, ea->dispids[0], Auto_localeEnglishUS, flags, &params, result, &exception, &argError);
  if (!Auto_failed(rc)) return true;
  if (report) ea->diagnostic = Com_diagnosticText(member, rc, argError, exception.code);
  Auto_freeString(exception.source);
  Auto_freeString(exception.description);
  Auto_freeString(exception.helpFile);
  return false;
}

AutoDispId Com_cachedId(ExcelAutomation* ea, AutoObject* obj, int slot, const AutoChar* member) {
  if (ea->cache[slot] != Auto_dispidUnknown || !obj) return ea->cache[slot];
  AutoDispId id = Auto_dispidUnknown;
  if (!Auto_failed(Auto_getIDsOfNames(obj, &member, 1, Auto_localeSystemDefault, &id))) ea->cache[slot] = id;
  return ea->cache[slot];
}

void Com_addArgMissing(ExcelAutomation* ea, const AutoChar* name) {
  AutoVariant* v = nextArg(ea, name);
  v->vt = Auto_vtError;
  v->error = Auto_eParamNotFound;
}

void Com_addArgBool(ExcelAutomation* ea, bool b, const AutoChar* name) {
  AutoVariant* v = nextArg(ea, name);
  v->vt = Auto_vtBool;
  v->boolean = b ? Auto_true : Auto_false;
}

void Com_addArgInt(ExcelAutomation* ea, int32_t n, const AutoChar* name) {
  AutoVariant* v = nextArg(ea, name);
  v->vt = Auto_vtI4;
  v->i4 = n;
}

void Com_addArgReal(ExcelAutomation* ea, double x, const AutoChar* name) {
  AutoVariant* v = nextArg(ea, name);
  v->vt = Auto_vtR8;
  v->r8 = x;
}

bool Com_addArgString(ExcelAutomation* ea, const AutoChar* text, const AutoChar* name) {
  AutoString s = Auto_allocString(text ? text : u"");
  if (!s) return false;
  AutoVariant* v = nextArg(ea, name);
  v->vt = Auto_vtString;
  v->str = s;
  return true;
}

void Com_addArgDispatch(ExcelAutomation* ea, AutoObject* obj, const AutoChar* name) {
  AutoVariant* v = nextArg(ea, name);
  v->vt = Auto_vtDispatch;
  v->dispatch = obj;
}

void Com_clearArgs(ExcelAutomation* ea) {
  for (int32_t i = 0; i < ea->argCount; ++i) {
    AutoVariant* v = &ea->args[i];
    if (v->vt == Auto_vtDispatch) {
      v->vt = Auto_vtEmpty;
      v->dispatch = nullptr;
    }
    Auto_variantClear(v);
  }
  ea->argCount = 0;
  ea->namedCount = 0;
}

std::u16string Com_diagnosticText(const AutoChar* member, AutoResult result, uint32_t argIndex, uint16_t exceptionCode) {
  const std::u16string name = member ? member : u"";
  std::u16string text;
  switch (static_cast<uint32_t>(result)) {
    case 0x80020003u: text = name + u": Method or property not found."; break;
    case 0x80020004u: text = withNumber(member, ": Argument not found, argument %lld.", argIndex); break;
    case 0x80020005u: text = withNumber(member, ": Type mismatch, argument %lld.", argIndex); break;
    case 0x80020006u: text = name + u": Unknown name or named argument."; break;
    case 0x80020007u: text = name + u": Object does not support named arguments."; break;
    case 0x80020009u: text = withNumber(member, ": Exception %lld\n", exceptionCode); break;
    case 0x8002000Au: text = name + u": Overflow while coercing argument values."; break;
    case 0x8002000Cu: text = name + u": Unknown locale ID."; break;
    case 0x8002000Eu: text = name + u": Incorrect number of arguments."; break;
    case 0x8002000Fu: text = name + u": Missing a required parameter."; break;
    default: text = name + u": Unknown error occured."; break;
  }
  return text.substr(0, 255);
}
