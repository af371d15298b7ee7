// A workbook of the stand-in application with one active sheet "Model", on
// which tests define the model's names and cells, the model read from those
// names as a session reads it, and references built by hand from A1 texts.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "entry/Entry_Context.h"
#include "entry/Sess_Variables.h"
#include "excel/Names_Model.h"
#include "platform/workbook/Wb_Workbook.h"
#include "platform/xlcall/Xlc_Host.h"
#include "platform/xlcall/Xlcall.h"
#include "tests/support/SheetCells.h"

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
  return {static_cast<std::uint16_t>(r1), static_cast<std::uint16_t>(r2), static_cast<std::uint8_t>(c1),
          static_cast<std::uint8_t>(c2)};
}

// An xltypeRef over its own area block.
struct TestRef {
  std::vector<unsigned char> block;
  XLOPER value{};
  TestRef(std::initializer_list<const char*> areas, IDSHEET sheet = 1)
      : TestRef(std::vector<XLREF>(areas.size()), sheet) {
    int i = 0;
    for (const char* a : areas) value.val.mref.lpmref->reftbl[i++] = testArea(a);
  }
  explicit TestRef(const std::vector<XLREF>& areas, IDSHEET sheet = 1)
      : block(sizeof(XLMREF) + areas.size() * sizeof(XLREF)) {
    auto* mref = new (block.data()) XLMREF;
    mref->count = static_cast<std::uint16_t>(areas.size());
    for (size_t i = 0; i < areas.size(); ++i) mref->reftbl[i] = areas[i];
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

// The variable cells and the constraints with their dependence marks, kept
// in a context as a session keeps them, with the session's row count.
struct ReadModel {
  std::unique_ptr<LibraryContext> context{new LibraryContext{}};
  ~ReadModel() {
    Names_freeConstraints(context->constraints);
    Sess_freeVariableCells(context->variables);
  }
  // Reads every part; false when one fails (what was read is kept).
  bool read() {
    context->variables = Sess_readVariableCells(nullptr);
    context->constraints = Names_readConstraints(nullptr);
    if (!context->variables || !context->constraints ||
        !Names_markVariableDependence(context->constraints, context->variables->list))
      return false;
    int rows = 0;
    bool grouped = false;
    for (const ConstraintRecord& r : context->constraints->records) {
      grouped = grouped || (r.flags & RowGrouped);
      if (!(r.flags & (RowBound | RowGrouped))) rows += Area_totalCells(r.lhs);
    }
    context->rowCount = rows + (grouped ? 1 : 0);
    return true;
  }
  ConstraintList* list() const { return context->constraints; }
  const CellList* cells() const { return context->variables->list; }
};

class ModelFixture : public ::testing::Test {
 protected:
  Workbook* wb = nullptr;
  Sheet* sheet = nullptr;
  std::unique_ptr<ReadModel> model;

  void SetUp() override {
    Wb_resetApp();
    Xlc_resetHost();
    wb = Wb_newWorkbook("model.xlsx");
    sheet = Wb_addSheet(wb, "Model");
  }
  void TearDown() override {
    model.reset();
    EXPECT_EQ(Xlc_liveBlocks(), 0u);  // every result was given back
    Wb_resetApp();
    Xlc_resetHost();
  }

  // The model read afresh, replacing the one read before.
  bool readModel() {
    model = std::make_unique<ReadModel>();
    return model->read();
  }
  // A hidden name local to the model sheet.
  void name(const std::string& text, const std::string& definition) { Wb_defineName(wb, {text, definition, 0, true}); }
  // The objective Z1 minimised, over the variable cells `adj` when given.
  void minimise(const char* adj = nullptr) {
    name("solver_opt", "Model!$Z$1");
    name("solver_typ", "2");
    if (adj) name("solver_adj", adj);
  }
  // Constraint row i; "solver_num" counts up to it.
  void row(int i, const std::string& lhs, int relation, const std::string& rhs) {
    std::string n = std::to_string(i);
    name("solver_lhs" + n, lhs);
    name("solver_rel" + n, std::to_string(relation));
    name("solver_rhs" + n, rhs);
    name("solver_num", n);
  }
  void number(const char* a1, double value) { Test_put(wb, sheet, a1, CellValue::makeNumber(value)); }
  void text(const char* a1, const std::string& value) { Test_put(wb, sheet, a1, CellValue::makeText(value)); }
  void formula(const char* a1, const std::string& f) { Test_formula(wb, sheet, a1, f); }
  CellValue valueAt(const char* a1) const { return Test_valueAt(sheet, a1); }
  IDSHEET sheetId() const { return Xlc_sheetId(wb, 0); }
};
