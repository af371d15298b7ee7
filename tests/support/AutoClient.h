// A small automation client for tests: looks member names up and invokes
// them with arguments given in their natural order (reversed here, as the
// interface wants them), the way the library's own layer calls.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/automation/Auto.h"

// A variant released when it leaves scope.
struct Var {
  Var() { Auto_variantInit(&v); }
  Var(const Var& o) { Auto_variantInit(&v); Auto_variantCopy(&v, &o.v); }
  Var& operator=(const Var&) = delete;
  ~Var() { Auto_variantClear(&v); }
  AutoVariant v;
};

// An object reference released when it leaves scope.
struct Obj {
  Obj(AutoObject* p = nullptr) : p(p) {}
  Obj(Obj&& o) noexcept : p(std::exchange(o.p, nullptr)) {}
  Obj& operator=(Obj&& o) noexcept {
    if (p) Auto_release(p);
    p = std::exchange(o.p, nullptr);
    return *this;
  }
  ~Obj() { if (p) Auto_release(p); }
  operator AutoObject*() const { return p; }
  AutoObject* p;
};

inline AutoVariant vnum(double d) { AutoVariant v; Auto_variantInit(&v); v.vt = Auto_vtR8; v.r8 = d; return v; }
inline AutoVariant vint(int n) { AutoVariant v; Auto_variantInit(&v); v.vt = Auto_vtI4; v.i4 = n; return v; }
inline AutoVariant vbool(bool b) { AutoVariant v; Auto_variantInit(&v); v.vt = Auto_vtBool; v.boolean = b ? Auto_true : Auto_false; return v; }
inline AutoVariant vstr(const std::string& s) { AutoVariant v; Auto_variantInit(&v); v.vt = Auto_vtString; v.str = Auto_stringFromUtf8(s); return v; }
inline AutoVariant vobj(AutoObject* o) { AutoVariant v; Auto_variantInit(&v); v.vt = Auto_vtDispatch; v.dispatch = o; return v; }
inline AutoVariant missing() { AutoVariant v; Auto_variantInit(&v); v.vt = Auto_vtError; v.error = Auto_eParamNotFound; return v; }

struct AutoClient {
  std::uint32_t argError = 0;
  std::uint16_t exceptionCode = 0;

  // Looks up and invokes; `args` and the named arguments are consumed (a
  // dispatch argument is borrowed: only zeroed, never released).
  AutoResult call(AutoObject* obj, const std::string& member, AutoInvokeKind kind, std::vector<AutoVariant> args,
                  AutoVariant* result, std::vector<std::pair<std::string, AutoVariant>> named = {}) {
    std::vector<std::u16string> names{wide(member)};
    for (auto& n : named) names.push_back(wide(n.first));
    std::vector<const AutoChar*> ptrs;
    for (auto& n : names) ptrs.push_back(n.c_str());
    std::vector<AutoDispId> ids(names.size());
    AutoResult rc = Auto_getIDsOfNames(obj, ptrs.data(), static_cast<std::uint32_t>(ptrs.size()), Auto_localeSystemDefault, ids.data());
    std::vector<AutoVariant> all;
    std::vector<AutoDispId> namedIds;
    for (std::size_t k = 0; k < named.size(); ++k) {
      all.push_back(named[k].second);
      namedIds.push_back(ids[k + 1]);
    }
    if (kind & (Auto_propertyPut | Auto_propertyPutRef)) {
      all.insert(all.begin(), args.back());
      namedIds.insert(namedIds.begin(), Auto_dispidPropertyPut);
      args.pop_back();
    }
    for (std::size_t i = args.size(); i-- > 0;) all.push_back(args[i]);
    if (!Auto_failed(rc)) {
      AutoDispParams p{all.data(), namedIds.data(), static_cast<std::uint32_t>(all.size()),
                       static_cast<std::uint32_t>(namedIds.size())};
      AutoException ex{};
      argError = 0;
      rc = Auto_invoke(obj, ids[0], Auto_localeEnglishUS, kind, &p, result, &ex, &argError);
      exceptionCode = ex.code;
      Auto_freeString(ex.source);
      Auto_freeString(ex.description);
      Auto_freeString(ex.helpFile);
    }
    for (AutoVariant& a : all)
      if (a.vt == Auto_vtDispatch) Auto_variantInit(&a);
      else Auto_variantClear(&a);
    return rc;
  }

  AutoResult put(AutoObject* obj, const std::string& member, AutoVariant value) {
    return call(obj, member, Auto_propertyPut, {value}, nullptr);
  }

  // A member whose result is an object (nullptr when the call fails or gives Nothing).
  AutoObject* object(AutoObject* obj, const std::string& member, std::vector<AutoVariant> args = {},
                     AutoInvokeKind kind = Auto_propertyGet) {
    Var r;
    AutoResult rc = call(obj, member, kind, std::move(args), &r.v);
    EXPECT_EQ(rc, Auto_ok) << member;
    if (Auto_failed(rc) || r.v.vt != Auto_vtDispatch) return nullptr;
    return std::exchange(r.v.dispatch, nullptr);
  }

  std::string text(AutoObject* obj, const std::string& member, std::vector<AutoVariant> args = {}) {
    Var r = get(obj, member, std::move(args), Auto_vtString);
    return r.v.vt == Auto_vtString ? Auto_stringToUtf8(r.v.str) : "";
  }
  int integer(AutoObject* obj, const std::string& member) { return get(obj, member, {}, Auto_vtI4).v.i4; }
  double real(AutoObject* obj, const std::string& member) { return get(obj, member, {}, Auto_vtR8).v.r8; }
  bool boolean(AutoObject* obj, const std::string& member) { return get(obj, member, {}, Auto_vtBool).v.boolean != 0; }

  Var get(AutoObject* obj, const std::string& member, std::vector<AutoVariant> args, AutoVarType vt) {
    Var r;
    EXPECT_EQ(call(obj, member, Auto_propertyGet, std::move(args), &r.v), Auto_ok) << member;
    EXPECT_EQ(Auto_variantChangeType(&r.v, &r.v, 0, vt), Auto_ok) << member;
    return r;
  }

  static std::u16string wide(const std::string& s) {
    AutoString w = Auto_stringFromUtf8(s);
    std::u16string r(w, Auto_stringLen(w));
    Auto_freeString(w);
    return r;
  }
};
