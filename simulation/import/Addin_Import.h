// Models written for other add-ins, read into this library's model: an
// optimisation model marked with a named cell style, defined names and
// marker functions, and the simulation models of three other add-ins (lists
// of outputs and parameters in defined names, per-sheet definitions of
// forecasts, assumptions, correlations and decisions, and cells calling
// output statistics). The importers read the workbook and build the model
// only through the two interfaces below, which the workbook layer and the
// formula reader implement.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "values/Model_Refs.h"

// What the importers ask of the open workbook. Reference texts are lower
// case; a reference without a sheet comes back with sheet 0.
struct AddinWorkbook {
  virtual ~AddinWorkbook() = default;
  virtual uint8_t activeSheet() = 0;
  virtual int32_t sheetCount() = 0;
  virtual bool parseReference(std::u16string_view text, RangeRef* range) = 0;
  // The cells of the named cell style as rectangles; false when the search
  // cannot run.
  virtual bool styledCells(const std::u16string& style, std::vector<RangeRef>* cells) = 0;
  // The defined names whose lower-cased name contains part, as (name,
  // value) in the workbook's order; false when the names cannot be
  // enumerated.
  virtual bool namesContaining(std::u16string_view part,
                               std::vector<std::pair<std::u16string, std::u16string>>* names) = 0;
  // The value text of a defined name: the sheet's own name when sheet > 0,
  // else the workbook's; false when there is none.
  virtual bool nameValue(const std::u16string& name, int32_t sheet, std::u16string* value) = 0;
  // The formula text of a cell; false when it holds none.
  virtual bool cellFormula(const CellRef& cell, std::u16string* formula) = 0;
  // The formula cells of the active sheet whose lower-cased formula
  // contains one of parts, row by row, each once, with its formula text.
  virtual bool formulasContaining(const std::vector<std::u16string_view>& parts,
                                  std::vector<std::pair<CellRef, std::u16string>>* found) = 0;
};

// Relations of the model's items (the interpreter's codes).
enum AddinRelation : int32_t {
  kAddinEqual = 1,
  kAddinLess = 3,
  kAddinLessEqual = 4,
  kAddinGreater = 5,
  kAddinGreaterEqual = 6,
  kAddinMinimise = 8,
  kAddinMaximise = 9,
  kAddinFree = 10,  // a function that is neither objective nor constraint
};

// Variable types of the model.
enum AddinType : int32_t { kAddinBinary = 2, kAddinInteger = 3, kAddinContinuous = 4 };

// What the importers build. Ranges carry a sheet above 0.
struct AddinModel {
  virtual ~AddinModel() = default;
  virtual bool addVariables(const RangeRef& range, int32_t type) = 0;
  virtual int32_t variableCount() = 0;
  // How many of the range's cells are variables.
  virtual int32_t variablesIn(const RangeRef& range) = 0;
  // Sets the type of the variables among the range's cells.
  virtual void setType(const RangeRef& range, int32_t type) = 0;
  // Every variable's lower bound.
  virtual void setAllLower(double bound) = 0;
  // The lower bound of the variables among the range's cells.
  virtual void setLower(const RangeRef& range, double bound) = 0;
  // Tightens the bounds of the range's cells by "cell relation value"; false
  // (nothing changed) unless every cell of the range is a variable.
  virtual bool bound(const RangeRef& range, int32_t relation, double value) = 0;
  // One item per cell of left: against the cells of right, a number, or a
  // formula text (left all zero: one item without a cell, whose value is
  // minus that text's value).
  virtual bool addConstraint(const RangeRef& left, int32_t relation, const RangeRef& right) = 0;
  virtual bool addFunction(const RangeRef& left, int32_t relation, double rhs) = 0;
  virtual bool addFunctionText(const RangeRef& left, int32_t relation, const std::u16string& text) = 0;
  // The cell is compiled from this formula text instead of its own.
  virtual bool rewriteFormula(const CellRef& cell, const std::u16string& formula) = 0;
  // An uncertain cell with its law's code.
  virtual void registerLaw(const CellRef& cell, int32_t law) = 0;
  // A correlation between two cells, numbered by its definition's index.
  virtual void addCorrelation(int32_t index, const CellRef& first, const CellRef& second, double coefficient) = 0;
};

// What an import found, and where it stopped when it failed.
struct AddinReport {
  int32_t sense = 0;        // the objective's: -1 minimise, 1 maximise, 0 none
  int32_t constraints = 0;  // constraint cells of the markers
  int32_t variables = 0;
  int32_t outputs = 0;  // output cells of the parameter-list add-in and of the statistics add-in
  int32_t forecasts = 0, assumptions = 0, correlations = 0, decisions = 0;
  std::u16string failure;  // why the import stopped; empty when it did not
  CellRef failureCell{};   // the cell at fault, sheet 0 when the fault is a name
  // The first constraint marker whose left side is an expression (an item
  // without a cell), sheet 0 when there is none.
  CellRef expressionMarker{};
};

// Imports an optimisation model of marker functions: adjustable cells by
// cell style, their types and free cells by defined names, constraint
// markers, the objective's name. False, with the report's failure, on the
// first malformed item.
bool Addin_importMarkerModel(AddinWorkbook* book, AddinModel* model, AddinReport* report);

// Recognises the simulation models of three other add-ins, in order: the
// output and parameter lists of defined names, the per-sheet definitions,
// the cells calling output statistics. False, with the report's failure,
// on the first malformed definition.
bool Addin_importSimulationModels(AddinWorkbook* book, AddinModel* model, AddinReport* report);
