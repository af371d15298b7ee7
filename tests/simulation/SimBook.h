// A simulation model as a user would hand it over: a workbook built cell by
// cell, written to an .xlsx file with the project's writer (named by the
// process, as tests run side by side), opened again
// through the stand-in's automation and compiled by the interpreter, with a
// function item per root cell. The caller then drives the evaluation as an
// outside caller does: a trial count in the context, the registration pass
// through the compile step, sampled runs through the program's chains.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "excel/Com_Automation.h"
#include "excel/Com_Reader.h"
#include "interpreter/Model_Structure.h"
#include "interpreter/Parse_Reader.h"
#include "interpreter/Prog_Program.h"
#include "interpreter/Vm_Machine.h"
#include "platform/automation/Auto.h"
#include "platform/workbook/Wb_Workbook.h"
#include "platform/xlsx/Xlsx.h"
#include "simulation/registry/CellReg_Registry.h"
#include "tests/support/SheetCells.h"
#include "values/Model_Functions.h"
#include "values/Model_Variables.h"
#include "values/Smp_Payload.h"
#include "values/Text_Convert.h"
#include "values/Vm_Context.h"

// The cells of one sheet "Model": numbers and formulas by A1 address, and
// array formulas over blocks.
struct SimSheet {
  Workbook* book;
  Sheet* sheet;
  void number(const char* a1, double x) { Test_put(book, sheet, a1, CellValue::makeNumber(x)); }
  void formula(const char* a1, const std::string& text) { Test_formula(book, sheet, a1, text); }
  void arrayFormula(const char* first, const char* last, const std::string& text) {
    CellRange block{};
    ASSERT_TRUE(Wb_parseA1(first, &block.row1, &block.col1) && Wb_parseA1(last, &block.row2, &block.col2));
    ASSERT_TRUE(Wb_setArrayFormula(book, sheet, block, text));
  }
};

class SimBook {
 public:
  // Writes the workbook that fill builds and opens it again.
  SimBook(const std::string& file, const std::function<void(SimSheet&)>& fill)
      : path((std::filesystem::temp_directory_path() / (std::to_string(::getpid()) + "_" + file)).string()) {
    Wb_resetApp();
    Workbook* book = Wb_newWorkbook(file);
    SimSheet s{book, Wb_addSheet(book, "Model")};
    fill(s);
    std::string error;
    saved = Xlsx_save(book, path, &error);
    EXPECT_TRUE(saved) << error;
    Wb_closeWorkbook(book);
    ea = Com_create(comCtx);
    AutoObject* app = Auto_application();
    opened = saved && Com_attachApplication(ea, app) && Com_openWorkbook(ea, Text_fromUtf8(path).c_str()) &&
             Com_readSheets(ea);
    Auto_release(app);
    ctx->tables.variables = Model_createVariableTable();
    ctx->tables.variables->registry = CellReg_create();
    source = std::make_unique<ComReaderSource>(ea);
    reader = Reader_create(ctx, store, source.get());
  }
  ~SimBook() {
    Vm_releaseProgram(&program);
    Reader_destroy(reader);
    source.reset();
    Prog_freeSymbolTable(store);
    Model_freeFunctionTable(functions);
    Vm_destroyContext(ctx);
    Com_destroy(ea);
    Vm_destroyContext(comCtx);
    Wb_resetApp();
    std::filesystem::remove(path);
  }
  SimBook(const SimBook&) = delete;
  SimBook& operator=(const SimBook&) = delete;

  // Makes the cells of the area decision variables (before compile).
  void variables(const char* first, const char* last) {
    const CellRef a = at(first), b = at(last);
    Model_addVariableRange(ctx->tables.variables, RangeRef{1, a.row, a.column, b.row, b.column}, kVarContinuous);
  }
  // A function item per root cell, compiled; the compile step's structure
  // pass runs with the context's trial count and registration flag as the
  // caller left them. False when a formula failed.
  bool compile(const std::vector<const char*>& roots) {
    if (!opened) return false;
    for (const char* a1 : roots) {
      const CellRef c = at(a1);
      Model_addFunction(functions, 1, c.column, c.row, kRelFree2, 0.0);
    }
    Reader_bindModel(reader, functions, ctx->tables.variables);
    bool ok = Parse_compileModel(reader);
    Vm_initProgram(&program, ctx);
    ProgBudget budget{};
    ok = ok && Prog_compile(&program, uint64_t{1} << 30, &budget);
    return ok && ctx->errors.errorCount == 0;
  }
  // Runs root i's chain over n trials (a sample vector per uncertain cell).
  const Value* sample(size_t i, int32_t n) {
    ctx->flags.mode = kModeSamples;
    ctx->flags.incremental = 0;
    ctx->sampling.trialCount = n;
    ctx->sampling.registerUncertain = 0;
    Smp_init(ctx->sampling.sampleBuffer, n, ctx);
    return Prog_runChain(&program, functions->array[i]->leftChain);
  }
  // The value a cell holds after the last run.
  const Value* cell(const char* a1) { return valueOf(kSpaceCell, a1); }
  // Element (0-based) of the array an array formula's block ("c16:d16")
  // holds after the last run.
  const Value* element(const char* block, int32_t row, int32_t column) {
    const Value* v = valueOf(kSpaceBlock, block);
    if (!v || v->kind != kValArray || row >= v->array->rows || column >= v->array->columns) return nullptr;
    return Val_at(v, row, column);
  }
  const Value* valueOf(SymbolSpace space, const char* a1) {
    std::string name = std::string("s1!") + a1;
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const Symbol* s = Prog_findSymbol(store, space, Text_fromUtf8(name));
    return s ? &s->value : nullptr;
  }
  CellRegistry* registry() { return ctx->tables.variables->registry.get(); }
  static CellRef at(const char* a1) {
    int row = 0, column = 0;
    Wb_parseA1(a1, &row, &column);
    return CellRef{1, static_cast<uint16_t>(row + 1), static_cast<uint8_t>(column + 1)};
  }

  std::string path;
  bool saved = false, opened = false;
  EvalContext* comCtx = Vm_createContext();
  ExcelAutomation* ea = nullptr;
  EvalContext* ctx = Vm_createContext();
  SymbolTable* store = Prog_createSymbolTable(ctx);
  FunctionTable* functions = Model_createFunctionTable();
  std::unique_ptr<ComReaderSource> source;
  FormulaReader* reader = nullptr;
  Program program{};
};

// The samples 1..n of a sample vector, empty for any other value.
inline std::vector<double> SimBook_samples(const Value* v) {
  if (!v || v->kind != kValSamples || !v->payload) return {};
  const auto* s = static_cast<const SampleVector*>(v->payload);
  return std::vector<double>(s->data + 1, s->data + 1 + s->n);
}

inline double SimBook_mean(const std::vector<double>& x) {
  double sum = 0;
  for (double v : x) sum += v;
  return sum / static_cast<double>(x.size());
}

inline double SimBook_sd(const std::vector<double>& x) {
  const double m = SimBook_mean(x);
  double sum = 0;
  for (double v : x) sum += (v - m) * (v - m);
  return std::sqrt(sum / static_cast<double>(x.size() - 1));
}
