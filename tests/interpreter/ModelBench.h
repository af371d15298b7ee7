// A compiled model on one in-memory sheet: variables in row 1 (a1, b1, ...)
// with types and boxes, problem functions in row 2 with relations and
// right-hand sides, compiled (optionally linearised) and through the
// compile step.
#pragma once

#include <string>
#include <vector>

#include "tests/support/SheetSource.h"
#include "values/Model_Variables.h"

struct ModelBench : Workbench {
  bool ok = false;
  ModelBench(const std::vector<std::string>& formulas, const std::vector<int32_t>& relations,
             const std::vector<double>& rhs, const std::vector<Interval>& boxes, const std::vector<int32_t>& types = {},
             uint32_t options = 0) {
    for (size_t j = 0; j < boxes.size(); ++j) {
      const auto column = static_cast<uint8_t>(j + 1);
      Model_addVariableRange(ctx->tables.variables, RangeRef{1, 1, column, 1, column},
                             types.empty() ? kVarContinuous : types[j]);
      sheet.set(std::string(1, char('a' + j)) + "1", "0");
    }
    for (size_t i = 0; i < formulas.size(); ++i) {
      sheet.set(std::string(1, char('a' + i)) + "2", formulas[i]);
      Model_addFunction(functions, 1, static_cast<uint8_t>(i + 1), 2, relations.empty() ? kRelFree2 : relations[i],
                        rhs.empty() ? 0.0 : rhs[i]);
    }
    for (size_t j = 0; j < boxes.size(); ++j) var(static_cast<int32_t>(j + 1))->bounds = boxes[j];
    ok = Reader_bindModel(reader, functions, ctx->tables.variables, options) && Parse_compileModel(reader) &&
         Parse_pruneModel(reader, true);
    Vm_initProgram(&program, ctx);
    ProgBudget budget{};
    ok = ok && Prog_compile(&program, uint64_t{1} << 30, &budget);
    ctx->tables.program = &program;
  }
  int32_t n() { return Model_variableCount(ctx->tables.variables); }
  VarRecord* var(int32_t j) { return Model_getVariable(ctx->tables.variables, j); }
};
