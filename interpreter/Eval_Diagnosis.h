// Model diagnosis: for every problem function and every variable, the class
// of the dependence (independent, linear, quadratic, smooth, non-smooth,
// argument of an unknown function); the sparsity structure that the
// Jacobian and Hessian services use; fifteen structure counts with the
// model's level; the cells that make a function exceed the declared model
// type; and optionally a convexity verdict over the contracted boxes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "contract/Diag_Table.h"
#include "values/Model_StructureInfo.h"

struct EvalContext;

// Model level (count DiagLevel).
enum ModelLevel : int32_t {
  kLevelLinear = 1,
  kLevelQuadraticObjective = 2,
  kLevelQuadraticConstraints = 3,
  kLevelSmooth = 4,
  kLevelNonSmooth = 5,
  kLevelUnknownFunctions = 6,
};

enum DiagnosisVerdict : int32_t {
  kVerdictNotTested = 0,
  kVerdictConvex = 1,
  kVerdictNotConvex = 2,
  kVerdictUndecided = 3,
};

// Outcome of the box contraction before the convexity tests
// (DiagContraction of the statistics row).
enum ContractionOutcome : int32_t {
  kContractionNotRun = 0,
  kContractionFeasible = 1,
  kContractionTouching = 2,  // feasible, and some row's range reaches its limit
  kContractionInfeasible = 3,
};

struct DiagnosisRequest {
  bool convexity = false;  // run the convexity stage
  bool detailed = false;   // example cells; test every function even past a non-smooth model
  int32_t declaredType = 0;  // the model type the user declared, 1 to 5
};

// A variable that makes a function exceed the declared type: its cell and
// the cell where its class was raised (upper-case A1 addresses).
struct DiagnosisExample {
  std::string variable;
  std::string cell;
};

struct DiagnosisFindings {
  int32_t counts[kStructureCounts] = {};
  int32_t contraction = kContractionNotRun;
  int32_t finiteBounds = 0;  // finite lower and upper bounds, one each
  int32_t integers = 0;      // integer and binary variables
  bool unknownFunctions = false;  // an evaluation met a function the interpreter cannot compute (warning 4)
  std::vector<std::string> cells;                       // per function: its cell, empty for a generated one
  std::vector<std::vector<DiagnosisExample>> examples;  // per function, with detailed
};

// Result codes.
constexpr int32_t kDiagnosisDone = 0;
constexpr int32_t kDiagnosisEmpty = 8;
constexpr int32_t kDiagnosisNoMemory = 11;
constexpr int32_t kDiagnosisFailed = 12;  // the failing function's error stays in the context

// Diagnoses the loaded model; the arrays and counts go into the context's
// structure record and the findings. The failing function's index is
// *failedFunction when the result is kDiagnosisFailed.
int32_t Eval_diagnose(EvalContext* ctx, const DiagnosisRequest& request, DiagnosisFindings* findings,
                      int32_t* failedFunction);
// Frees the diagnosis arrays of the structure record (counts kept).
void Eval_clearDiagnosis(StructureInfo* s);
// "linear", "quadratic", ... for a DegClass.
const char* Eval_className(int32_t degClass);
// "convex", "concave", ... for a convexity code (CurvClass + 1).
const char* Eval_convexityName(int32_t code);
