// A workbook with an active sheet and the library loaded through the
// stand-in's loader, with its exports fetched by ordinal.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "entry/Entry_Context.h"
#include "platform/os/Os.h"
#include "platform/workbook/Wb_Workbook.h"

struct LibraryContext;

class LoadedLibrary : public ::testing::Test {
 protected:
  using SolveFn = int (*)(const double*);
  using SolveXFn = int (*)(std::intptr_t);
  using QueryFn = int (*)(LibraryContext*, int);

  void SetUp() override {
    Wb_resetApp();
    book = Wb_newWorkbook("Book1.xlsx");
    sheet = Wb_addSheet(book, "Model");
    module = Os_loadLibrary(path().c_str());
    ASSERT_NE(module, nullptr);
    solveFn = reinterpret_cast<SolveFn>(Os_getProcByOrdinal(module, 1));
    queryFn = reinterpret_cast<QueryFn>(Os_getProcByOrdinal(module, 23));
    ASSERT_TRUE(solveFn && queryFn);
    context = Entry_context();
    ASSERT_NE(context, nullptr);
  }
  void TearDown() override {
    if (module) Os_freeLibrary(module);
    Wb_resetApp();
  }

  static std::string path() { return std::string(CORVAN_OUT) + "/Corvan32.dll"; }

  template <typename F>
  F ordinal(int n) {
    return reinterpret_cast<F>(Os_getProcByOrdinal(module, n));
  }
  int solve(double action) { return solveFn(&action); }
  int query(int kind) { return queryFn(context, kind); }
  void define(const std::string& name, const std::string& definition) {
    Wb_defineName(book, DefinedName{name, definition, -1, false});
  }

  Workbook* book = nullptr;
  Sheet* sheet = nullptr;
  OsModule module = nullptr;
  SolveFn solveFn = nullptr;
  QueryFn queryFn = nullptr;
  LibraryContext* context = nullptr;
};
