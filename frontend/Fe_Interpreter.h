// The formula interpreter over the stand-in's workbook: its source of
// cells and names, and every formula cell computed in plain mode.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/workbook/Wb_Workbook.h"

// The interpreter's source of cells, references and names over the
// stand-in's workbook (Fe_Interpret.cpp).
struct ReaderSource;
std::unique_ptr<ReaderSource> Fe_workbookSource(Workbook* wb);

// Every formula cell of a workbook computed by the formula interpreter in
// plain mode: values by (sheet index, cell key), and the cells it could not
// compile or evaluate with the reason.
struct FeInterpreted {
  std::map<std::pair<int, std::uint64_t>, CellValue> values;
  std::map<std::pair<int, std::uint64_t>, std::string> failures;
};
void Fe_interpretWorkbook(Workbook* wb, FeInterpreted* out);
// The same for the formula cells of the areas (with what they read) alone;
// a cell that known holds takes its value from there and is not compiled.
void Fe_interpretAreas(Workbook* wb, const std::vector<CellRange>& areas, FeInterpreted* out,
                       const FeInterpreted* known = nullptr);
struct Value;
// The receiver of the library's interpreter values at a run's end
// (FinalValueSink), and what it holds since the last Solve call, taken out.
void Fe_receiveLibraryValue(void* user, int sheet, int row, int column, const Value* value);
FeInterpreted Fe_takeLibraryValues();
// A cell's value as the interpreter's value (in v, empty and bound to its
// context), and an interpreter's scalar as a cell's value (an array gives its
// first element, an empty value 0, a number that is not finite #NUM!).
void Fe_toValue(const CellValue& c, Value* v);
CellValue Fe_fromValue(const Value* v);
// The same in steps: compile once (compile failures go to out), evaluate
// every compiled cell in one pass as often as wanted (values and evaluation
// failures to out when given; returns the cells evaluated), free.
struct FeInterpreter;
FeInterpreter* Fe_compileWorkbook(Workbook* wb, FeInterpreted* out);
// The text functions the interpreter hands to the spreadsheet application
// are computed by the stand-in in wb while it is set (null: none).
void Fe_useApplication(Workbook* wb);
int32_t Fe_evaluateWorkbook(FeInterpreter* in, FeInterpreted* out);
void Fe_freeInterpreter(FeInterpreter* in);
