// A workbook held in memory for the reader: cells by "a1" address on sheet
// 1 (numbers or formulas), references "a1", "$a$1", "a1:b3" resolved on it.
#pragma once

#include <cctype>
#include <map>
#include <string>
#include <utility>

#include "interpreter/Model_Structure.h"
#include "interpreter/Parse_Reader.h"
#include "interpreter/Vm_Machine.h"
#include "values/Text_Convert.h"
#include "values/Vm_Context.h"

// A reader source whose references "a1", "$a$1", "a1:b3" are resolved on
// sheet 1; what the cells hold is for a derived source to read.
struct A1Source : ReaderSource {
  static bool parseCell(const std::string& text, CellRef* c) {
    size_t i = 0;
    int column = 0, row = 0;
    if (i < text.size() && text[i] == '$') ++i;
    while (i < text.size() && std::isalpha(static_cast<unsigned char>(text[i])) && column <= 255)
      column = column * 26 + (std::tolower(text[i++]) - 'a' + 1);
    if (i < text.size() && text[i] == '$') ++i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && row <= 65535)
      row = row * 10 + (text[i++] - '0');
    *c = CellRef{1, static_cast<uint16_t>(row), static_cast<uint8_t>(column)};
    return i == text.size() && row > 0 && row <= 65535 && column > 0 && column <= 255;
  }

  bool resolve(uint8_t, const std::u16string& text, LoadNamed* named) override {
    RangeRef* range = &named->range;
    const std::string t = Text_toUtf8(text);
    const size_t colon = t.find(':');
    CellRef a{}, b{};
    if (!parseCell(t.substr(0, colon), &a)) return false;
    b = a;
    if (colon != std::string::npos && !parseCell(t.substr(colon + 1), &b)) return false;
    *range = RangeRef{1, a.row, a.column, b.row, b.column};
    return true;
  }
};

struct SheetSource : A1Source {
  std::map<std::pair<int, int>, std::string> cells;  // (row, column) -> "=formula" or a number

  void set(const std::string& a1, const std::string& content) {
    CellRef c{};
    parseCell(a1, &c);
    cells[{c.row, c.column}] = content;
  }

  bool readCell(const CellRef& c, Value* value, ReaderCell* info) override {
    auto it = cells.find({c.row, c.column});
    if (it == cells.end()) return true;
    if (!it->second.empty() && it->second[0] == '=') info->formula = Text_fromUtf8(it->second);
    else Val_setNumber(value, std::stod(it->second));
    return true;
  }
};

// A context with its variable table, a code store, a reader and a program
// over one reader source (made from the constructor's arguments).
template <class Source>
struct SourceBench {
  Source source;
  EvalContext* ctx = Vm_createContext();
  SymbolTable* store = Prog_createSymbolTable(ctx);
  FunctionTable* functions = Model_createFunctionTable();
  FormulaReader* reader = Reader_create(ctx, store, &source);
  Program program{};

  template <class... Args>
  explicit SourceBench(Args&&... args) : source(std::forward<Args>(args)...) {
    ctx->tables.variables = Model_createVariableTable();
  }
  ~SourceBench() {
    Vm_releaseProgram(&program);
    Reader_destroy(reader);
    Prog_freeSymbolTable(store);
    Model_freeFunctionTable(functions);
    Vm_destroyContext(ctx);
  }
  SourceBench(const SourceBench&) = delete;
  SourceBench& operator=(const SourceBench&) = delete;
  // Binds the model's functions and variables, compiles what they reach
  // and sets the program up; false when the compilation failed.
  bool compileModel() {
    Reader_bindModel(reader, functions, ctx->tables.variables);
    const bool ok = Parse_compileModel(reader);
    Vm_initProgram(&program, ctx);
    return ok;
  }
  // Adds a function item per cell, compiles them and binds the program to
  // evaluate in real numbers.
  bool compileRoots(std::initializer_list<const char*> roots) {
    for (const char* a1 : roots) {
      CellRef c{};
      SheetSource::parseCell(a1, &c);
      Model_addFunction(functions, 1, c.column, c.row, kRelFree2, 0.0);
    }
    const bool ok = compileModel();
    ctx->flags.mode = kModeReal;
    return ok;
  }
};

// A SourceBench over one SheetSource.
struct Workbench : SourceBench<SheetSource> {
  SheetSource& sheet = source;

  bool compile(std::initializer_list<const char*> roots) { return compileRoots(roots); }
  ModelItem* item(size_t i) { return functions->array[i]; }
  // Runs item i's chain in a full pass.
  const Value* run(size_t i) {
    ctx->flags.incremental = 0;
    Prog_markVariableCells(store);
    return Prog_runChain(&program, item(i)->leftChain);
  }
  Symbol* cell(const char* a1) { return Prog_findSymbol(store, kSpaceCell, Text_fromUtf8(std::string("s1!") + a1)); }
};
