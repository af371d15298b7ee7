// A workbook written to a file by the workbook writer and read back, its
// first sheet's cells compiled by the interpreter as a caller outside the
// library would: the simulation functions have no names of their own, so a
// formula writes a call "sim<id>" (a letter after the id keeps two calls of
// one function apart) and the book binds each such call to its id, as the
// import of another add-in's model binds the calls it writes, numbering the
// random ones as sampled inputs. The interpreter then runs the cells in a
// sampled evaluation of n trials or in the registration pass.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "interpreter/Fn_Table.h"
#include "interpreter/Parse_Reader.h"
#include "platform/xlsx/Xlsx.h"
#include "simulation/registry/CellReg_Registry.h"
#include "tests/support/SheetSource.h"
#include "values/Smp_Payload.h"
#include "values/Text_Convert.h"
#include "values/Vm_Context.h"

struct SimPropsBook {
  Workbench bench;
  int32_t inputs = 0;  // the sampled inputs numbered

  SimPropsBook() { bench.ctx->tables.variables->registry = CellReg_create(); }
  CellRegistry* registry() { return bench.ctx->tables.variables->registry.get(); }

  // Saves wb to path, opens the file again and takes its first sheet's cells.
  bool load(Workbook* wb, const std::string& path) {
    std::string error;
    if (!Xlsx_save(wb, path, &error)) return ADD_FAILURE() << error, false;
    Workbook* read = Xlsx_open(path, &error);
    if (!read) return ADD_FAILURE() << error, false;
    for (const auto& [key, cell] : read->sheets[0]->cells) {
      const std::string a1 = Wb_a1(Wb_keyRow(key), Wb_keyCol(key));
      if (!cell.formula.empty()) bench.sheet.set(a1, cell.formula[0] == '=' ? cell.formula : "=" + cell.formula);
      else if (cell.value.kind == CellKind::Number) bench.sheet.set(a1, number(cell.value.number));
    }
    Wb_closeWorkbook(read);
    return true;
  }

  // Compiles the cells as model functions and binds the simulation calls.
  bool compile(std::initializer_list<const char*> roots) {
    if (!bench.compile(roots)) return false;
    for (size_t s = 1; s < bench.store->bySerial.size(); ++s) bind(bench.store->bySerial[s]);
    CellReg_setCellCount(registry(), inputs);
    return true;
  }

  // Runs every cell in the mode over n trials (registration with register).
  void run(int32_t mode, int32_t trials, bool registerCells = false) {
    EvalContext* ctx = bench.ctx;
    ctx->flags.mode = mode;
    ctx->sampling.trialCount = trials;
    ctx->sampling.registerUncertain = registerCells ? 1 : 0;
    Smp_init(ctx->sampling.sampleBuffer, trials, ctx);
    for (size_t i = 0; i < bench.functions->array.size(); ++i) bench.run(i);
  }

  const Value& value(const char* a1) { return bench.cell(a1)->value; }
  // The samples of a cell holding a sample vector (empty otherwise).
  std::vector<double> samples(const char* a1) {
    const Value& v = value(a1);
    if (v.kind != kValSamples) return ADD_FAILURE() << a1 << " holds kind " << v.kind, std::vector<double>{};
    const auto* s = static_cast<const SampleVector*>(v.payload);
    return std::vector<double>(s->data + 1, s->data + 1 + s->n);
  }
  // The sampled-input number of the call written name ("sim1325a").
  int32_t inputOf(const char* name) {
    for (size_t s = 1; s < bench.store->bySerial.size(); ++s) {
      const Symbol* f = bench.store->bySerial[s];
      if (f->space == kSpaceFunction && Text_toUtf8(f->name) == name) return -f->value.reference;
    }
    return 0;
  }

 private:
  static std::string number(double x) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", x);
    return text;
  }
  // A call "sim<id>[letter]" becomes a call of the id, numbered when random.
  void bind(Symbol* f) {
    if (f->space != kSpaceFunction) return;
    const std::string name = Text_toUtf8(f->name);
    if (name.rfind("sim", 0) != 0 || name.size() < 7) return;
    const int id = std::stoi(name.substr(3, 4));
    const auto count = static_cast<uint32_t>(f->value.number) >> 16;
    f->value.number = static_cast<double>((count << 16) | static_cast<uint32_t>(id));
    if (Fn_isRandom(id)) f->value.reference = -++inputs;
  }
};
