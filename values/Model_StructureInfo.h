// The model's structure record: per variable and per function the largest
// dependency class, per function its class and index arrays, dependency count
// and convexity code, the structure counts, and the list of cells whose
// additions met badly scaled operands.
#pragma once

#include <cstdint>

#include "values/List_List.h"
#include "values/Model_Refs.h"

struct EvalErrors;
struct EvalFlags;

// Number of structure counts kept by the diagnosis.
constexpr int kStructureCounts = 15;
// Binary orders of magnitude between two operands beyond which an addition is
// reported as badly scaled.
constexpr int8_t kScalingThreshold = 24;

struct StructureInfo {
  EvalErrors* errors;           // receives the scaling warnings (not owned)
  uint8_t* variableClasses;     // per variable: largest DegClass
  uint8_t* functionClasses;     // per function: largest DegClass
  uint8_t** functionClassArrays;  // per function: class per variable
  int32_t** functionIndexArrays;  // per function: 0-based variables of a sparse function, or null
  int32_t* dependencyCounts;    // per function
  int32_t* convexity;           // per function: CurvClass + 1
  int32_t counts[kStructureCounts];
  int32_t nonlinearListBuilt;
  int32_t fullListBuilt;
  int8_t scalingThreshold;
  List scalingList;        // CellRef records
  int32_t functionCount;   // entries of the per-function arrays
};

// A zeroed record that notes its warnings in errors, with the scaling
// threshold set; null when memory runs out.
StructureInfo* Model_createStructure(EvalErrors* errors);
// Frees the record, its arrays and its scaling list; null-safe.
void Model_freeStructure(StructureInfo* s);
// Notes the current cell when the binary exponents of a and b lie more than
// the threshold apart (warning 3); the sum itself is not affected.
void Model_checkScaling(StructureInfo* s, double a, double b, CellRef cell);
// Empties the scaling list.
void Model_clearScalingCells(StructureInfo* s);
// Ends the scaling check of flags and empties the list of s (null-safe).
void Model_clearScalingList(EvalFlags* flags, StructureInfo* s);
