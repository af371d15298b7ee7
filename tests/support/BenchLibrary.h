// The stand-in application as the front end prepares it for a run (the
// add-in workbook with its "solver_tbl" on the calling sheet) with the
// system library loaded and its built-in engines listed; the application is
// reset and the library freed when the record goes. Shared by the benchmarks
// that run `Solve` end to end.
#pragma once

#include <string>

#include "entry/Entry_Context.h"
#include "platform/os/Os.h"
#include "platform/workbook/Wb_Workbook.h"
#include "platform/xlcall/Xlc_Host.h"

struct BenchLibrary {
  OsModule module = nullptr;
  int (*solve)(const double*) = nullptr;  // `Solve`, ordinal 1

  BenchLibrary() {
    Wb_resetApp();
    Xlc_resetHost();
    Workbook* addIn = Wb_newWorkbook("CORVAN.XLA");
    Wb_addSheet(addIn, "Corvan");
    Wb_defineName(addIn, DefinedName{"solver_tbl", "Corvan!$A$1:$P$80", 0, false});
    Xlc_setCallerSheet(addIn, 0);
    module = Os_loadLibrary((std::string(CORVAN_OUT) + "/Corvan32.dll").c_str());
    if (!module) return;
    solve = reinterpret_cast<int (*)(const double*)>(Os_getProcByOrdinal(module, 1));
    Entry_context()->engineCount = 5;  // the built-in engines, as `Solve` action 8 would list them
  }
  ~BenchLibrary() {
    if (module) Os_freeLibrary(module);
    Wb_resetApp();
    Xlc_resetHost();
  }
  BenchLibrary(const BenchLibrary&) = delete;
  BenchLibrary& operator=(const BenchLibrary&) = delete;
};
