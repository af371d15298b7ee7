// The registry in which a loaded model keeps what the simulation side knows
// about its cells: the areas of its sampled inputs (which number their
// cells), the per-trial percentile rows of those inputs, one record per
// uncertain cell (its law and the family of the function that made it
// uncertain) and the correlation blocks that tie uncertain cells together.
// The model's variable table holds it and frees it with itself; it owns
// every record, block and name reachable from it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "values/Model_Refs.h"
#include "values/Model_Variables.h"
#include "values/Val_Value.h"

// The family of the function that registered an uncertain cell.
enum SimFamily : int32_t {
  kSimFamilyRandom = 1,    // RAND and RANDBETWEEN
  kSimFamilySampled = 3,   // the sampled-input functions
  kSimFamilyBounded = 4,   // the positional-truncation functions
  kSimFamilyProperty = 5,  // the functions with property arguments
};

// The codes of the laws the simulation functions register their cells
// under.
enum SimLaw : int32_t {
  kSimLawBeta = 1,
  kSimLawBetaRange = 2,
  kSimLawBinomial = 5,
  kSimLawCumulative = 7,
  kSimLawCustom = 8,
  kSimLawTable = 9,
  kSimLawDiscrete = 10,
  kSimLawExponential = 14,
  kSimLawGamma = 15,
  kSimLawGeometric = 17,
  kSimLawHypergeometric = 19,
  kSimLawHypergeometricCounts = 20,
  kSimLawIntegerUniform = 21,
  kSimLawLogistic = 23,
  kSimLawLognormal = 25,
  kSimLawLognormalLogs = 26,
  kSimLawMaxExtreme = 27,
  kSimLawMinExtreme = 28,
  kSimLawThreePoint = 29,
  kSimLawNegBinomial = 30,
  kSimLawNormal = 31,
  kSimLawPareto = 32,
  kSimLawPoisson = 37,
  kSimLawStudentT = 42,
  kSimLawTriangular = 43,
  kSimLawUniform = 45,
  kSimLawUnitUniform = 46,
  kSimLawWeibull = 47,
  kSimLawBernoulli = 48,
};

// One uncertain cell.
struct CellRegRecord {
  uint32_t key = 0;                    // CellReg_cellKey of the cell; unique in the registry
  std::optional<std::u16string> name;  // given for correlation by name
  RangeRef position{};                 // the registering formula's area when given, else all zero
  int32_t law = 0;                     // the law's code; 0 for a record that only carries a name
  int32_t family = 0;                  // SimFamily
  uint8_t uncertainArgument = 0;       // 1 when an argument of the registering call was uncertain
};

// One correlation block of k cells.
struct CellRegCorrelation {
  uint32_t key = 0;     // the anchor cell: the first cell of the matrix's range, 0 for a pair
  uint32_t subKey = 0;  // chosen by the function that builds the block; 0 for a pair
  int32_t dimension = 0;
  std::vector<std::vector<double>> matrix;                 // rows 1..k of entries 1..k, diagonal 1
  std::vector<uint32_t> members;                           // 1..k cell keys, 0 when not yet bound
  std::vector<std::optional<std::u16string>> memberNames;  // 1..k
  std::optional<std::u16string> name;                      // the block's instance name
};

struct CellRegistry {
  std::vector<RangeRef> areas;                                    // sampled-input areas in the order added
  int32_t cellCount = 0;                                          // sampled inputs the trial rows cover
  std::vector<std::vector<double>> trialRows;                     // input k at k - 1: trials 1..n at 1..n
  std::vector<std::unique_ptr<CellRegRecord>> records;            // in order of first registration
  std::vector<std::unique_ptr<CellRegCorrelation>> correlations;  // in order of addition
  std::vector<std::unique_ptr<CellRegCorrelation>> imported;      // added by the import of other models
};

// An empty registry for a model's variable table, null when memory runs out.
CellRegistryOwner CellReg_create();
// Frees the registry and everything it owns; null-safe.
void CellReg_destroy(CellRegistry* reg);
// The key of a cell (sheet, row and column from 1).
uint32_t CellReg_cellKey(uint8_t sheet, uint16_t row, uint8_t column);
// The record of key; a new one with the given law, family, flag and
// position (when given) when the key has none. An existing record is
// returned unchanged. Null only when memory runs out.
CellRegRecord* CellReg_findOrAdd(CellRegistry* reg, uint32_t key, int32_t law, int32_t family, uint8_t flag,
                                 const RangeRef* position);
// The key of the first record carrying exactly this name (case-sensitive);
// 0 for a null name or when none does.
uint32_t CellReg_findByName(const CellRegistry* reg, const char16_t* name);
// Appends a block; the registry takes it over.
void CellReg_addCorrelation(CellRegistry* reg, std::unique_ptr<CellRegCorrelation> block);
// Appends a block made by the import of another model; the registry takes it over.
void CellReg_addImported(CellRegistry* reg, std::unique_ptr<CellRegCorrelation> block);
// True when a block of exactly two members ties a and b, in either order.
bool CellReg_hasPair(const CellRegistry* reg, uint32_t a, uint32_t b);
// The first block with this key, dimension and sub-key whose name matches
// (both absent, or both present and equal); null when none.
CellRegCorrelation* CellReg_findCorrelation(CellRegistry* reg, uint32_t key, int32_t dimension, uint32_t subKey,
                                            const char16_t* name);
// Adds a sampled-input area at the end of the numbering.
void CellReg_addArea(CellRegistry* reg, const RangeRef& area);
// Sets the number of sampled inputs the trial rows cover (rows kept where
// they exist, new ones empty).
void CellReg_setCellCount(CellRegistry* reg, int32_t count);
// Stores the per-trial row of input k (1..count): values[1..trials].
bool CellReg_setTrialRow(CellRegistry* reg, int32_t k, const double* values, int32_t trials);
// The per-trial row of input k, 1-based by trial; null when k lies outside
// 1..count or no row is stored.
const double* CellReg_trialRow(const CellRegistry* reg, int32_t k);
// Numbers the cells of a reference value that lie in sampled-input areas:
// its reference slot (a single cell) or its elements' slots (an area) become
// minus the cell's number, counted over the areas in order, row by row. A
// slot already set raises status 36 and keeps its number. False for a value
// without a source area, one already numbered, or an array already marked.
bool CellReg_markVariableArea(const CellRegistry* reg, Value* value);
