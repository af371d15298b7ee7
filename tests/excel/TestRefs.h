// Reference values built by hand for tests: areas given as A1 texts.
#pragma once

#include <cstring>
#include <initializer_list>
#include <new>
#include <string>
#include <vector>

#include "platform/workbook/Wb_Workbook.h"
#include "platform/xlcall/Xlcall.h"

// "A1:B3" or "C2" -> 0-based area.
inline XLREF testArea(const std::string& a1) {
  auto colon = a1.find(':');
  int r1, c1, r2, c2;
  Wb_parseA1(a1.substr(0, colon), &r1, &c1);
  if (colon == std::string::npos) {
    r2 = r1;
    c2 = c1;
  } else {
    Wb_parseA1(a1.substr(colon + 1), &r2, &c2);
  }
  return {static_cast<std::uint16_t>(r1), static_cast<std::uint16_t>(r2),
          static_cast<std::uint8_t>(c1), static_cast<std::uint8_t>(c2)};
}

// An xltypeRef over its own area block.
struct TestRef {
  std::vector<unsigned char> block;
  XLOPER value{};
  TestRef(std::initializer_list<const char*> areas, IDSHEET sheet = 1)
      : block(sizeof(XLMREF) + areas.size() * sizeof(XLREF)) {
    auto* mref = new (block.data()) XLMREF;
    mref->count = static_cast<std::uint16_t>(areas.size());
    int i = 0;
    for (const char* a : areas) mref->reftbl[i++] = testArea(a);
    value.xltype = xltypeRef;
    value.val.mref.lpmref = mref;
    value.val.mref.idSheet = sheet;
  }
  XLOPER* get() { return &value; }
};

// The areas of a reference as A1 texts, for comparing results.
inline std::string testAreasText(const XLOPER* ref) {
  std::string out;
  const XLMREF* m = ref->val.mref.lpmref;
  for (int i = 0; i < m->count; ++i) {
    const XLREF& a = m->reftbl[i];
    if (i) out += ",";
    out += Wb_a1(a.rwFirst, a.colFirst);
    if (a.rwFirst != a.rwLast || a.colFirst != a.colLast) out += ":" + Wb_a1(a.rwLast, a.colLast);
  }
  return out;
}
