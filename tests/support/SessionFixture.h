// The library loaded through the stand-in's loader, the front end's add-in
// sheet with its result range, and a model workbook opened from the test
// data or built cell by cell; host services are called by their ordinals.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "entry/Entry_Context.h"
#include "platform/os/Os.h"
#include "platform/workbook/Wb_Workbook.h"
#include "platform/xlcall/Xlc_Host.h"
#include "platform/xlsx/Xlsx.h"
#include "tests/support/SheetCells.h"

class SessionLibrary : public ::testing::Test {
 protected:
  using ContextFn = int (*)(LibraryContext*);
  using QueryFn = int (*)(LibraryContext*, int);
  using EvalFn = int (*)(LibraryContext*, double*, const double*);
  using OneChangedFn = int (*)(LibraryContext*, double*, int, double);
  using BoundsFn = int (*)(LibraryContext*, double*, double*, double*, double*);
  using TypesFn = int (*)(LibraryContext*, int*);
  using ValuesFn = int (*)(LibraryContext*, double*);
  using SolveFn = int (*)(const double*);

  void SetUp() override {
    Wb_resetApp();
    Xlc_resetHost();
    addIn = Wb_newWorkbook("CORVAN.XLA");
    Wb_addSheet(addIn, "Corvan");
    Wb_defineName(addIn, DefinedName{"solver_tbl", "Corvan!$A$1:$P$80", 0, false});
    Xlc_setCallerSheet(addIn, 0);
    module = Os_loadLibrary((std::string(CORVAN_OUT) + "/Corvan32.dll").c_str());
    ASSERT_NE(module, nullptr);
    context = Entry_context();
    ASSERT_NE(context, nullptr);
  }
  void TearDown() override {
    if (module) Os_freeLibrary(module);
    Wb_resetApp();
    Xlc_resetHost();
  }

  template <typename F>
  F ordinal(int n) {
    auto f = reinterpret_cast<F>(Os_getProcByOrdinal(module, n));
    EXPECT_NE(f, nullptr) << "ordinal " << n;
    return f;
  }

  // A data workbook ("nlp/hs15.xlsx"), active, its model sheet first.
  Workbook* open(const std::string& relative) {
    std::string error;
    book = Xlsx_open(std::string(CORVAN_DATA) + "/" + relative, &error);
    EXPECT_NE(book, nullptr) << error;
    if (book) sheet = book->sheets[0].get();
    return book;
  }
  // An empty active workbook with the sheet "Model".
  void newModel() {
    book = Wb_newWorkbook("Book1.xlsx");
    sheet = Wb_addSheet(book, "Model");
  }
  void name(const std::string& text, const std::string& definition) {
    Wb_defineName(book, DefinedName{text, definition, 0, true});
  }
  void names(std::initializer_list<std::pair<const char*, std::string>> list) {
    for (const auto& [text, definition] : list) name(text, definition);
  }
  void number(const char* a1, double value) { Test_put(book, sheet, a1, CellValue::makeNumber(value)); }
  void formula(const char* a1, const std::string& text) { Test_formula(book, sheet, a1, text); }
  // The number in a cell; NaN for any other content.
  static double numberIn(const Sheet* sh, int row, int column) {
    const Cell* cell = Wb_findCell(sh, row, column);
    return cell && cell->value.kind == CellKind::Number ? cell->value.number : std::nan("");
  }
  double valueAt(const char* a1) const {
    int row, column;
    Wb_parseA1(a1, &row, &column);
    return numberIn(sheet, row, column);
  }
  // A number of the front end's result range (row and column from 0).
  double tableAt(int row, int column) const { return numberIn(addIn->sheets[0].get(), row, column); }

  int begin() { return ordinal<ContextFn>(11)(context); }
  int end() { return ordinal<ContextFn>(12)(context); }
  int query(int kind) { return ordinal<QueryFn>(23)(context, kind); }
  int solve(double action) { return ordinal<SolveFn>(1)(&action); }
  int variables() { return query(0); }
  int rows() { return query(1); }

  // Function values at x (rows of query 1); false when the service fails.
  bool evaluate(const std::vector<double>& x, std::vector<double>* f) {
    f->assign(rows() + 1, 0.0);
    return ordinal<EvalFn>(15)(context, f->data(), x.data()) == 1;
  }
  // Variable and row bounds (service 17) and integer types (service 19).
  struct Bounds {
    std::vector<double> lower, upper, rowLower, rowUpper;
  };
  Bounds bounds() {
    Bounds b{std::vector<double>(variables()), std::vector<double>(variables()), std::vector<double>(rows()),
             std::vector<double>(rows())};
    EXPECT_EQ(ordinal<BoundsFn>(17)(context, b.lower.data(), b.upper.data(), b.rowLower.data(), b.rowUpper.data()), 1);
    return b;
  }
  std::vector<int> types() {
    std::vector<int> t(variables(), -1);
    EXPECT_EQ(ordinal<TypesFn>(19)(context, t.data()), 1);
    return t;
  }
  std::vector<double> initialValues() {
    std::vector<double> x(variables());
    EXPECT_EQ(ordinal<ValuesFn>(22)(context, x.data()), 1);
    return x;
  }

  Workbook* addIn = nullptr;
  Workbook* book = nullptr;
  Sheet* sheet = nullptr;
  OsModule module = nullptr;
  LibraryContext* context = nullptr;
};

// The library loaded, with an empty active model workbook.
class LoadedLibrary : public SessionLibrary {
 protected:
  void SetUp() override {
    SessionLibrary::SetUp();
    newModel();
  }
};
