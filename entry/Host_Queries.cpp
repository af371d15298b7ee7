// Engine index, option flags, model queries, option getters and engine
// information items (export ordinals 13, 14, 23, 24, 25 and 42).
#include "contract/Host_Queries.h"

#include <cmath>
#include <limits>
#include <vector>

#include "entry/Entry_Context.h"
#include "entry/Interp_Exports.h"
#include "entry/Sess_ModelQueries.h"
#include "entry/Sess_Variables.h"
#include "excel/Area_Areas.h"
#include "excel/Names_Model.h"
#include "excel/Names_Options.h"

namespace {

struct OptionDefault {
  int index;
  double value;
};

constexpr OptionDefault kRealOptions[RealOptionKinds] = {
    {OptPre, 1e-8}, {OptTol, 0},    {OptCvg, 1e-5}, {OptMrt, 0.075},
    {OptXtc, 0.5},  {OptSol, 1e-4}, {OptPiv, 1e-6}, {OptRed, 1e-5},
    {OptKiv, 2e30}, {OptStp, 1e-6}, {OptRes, 0.001}, {OptAcc, 0.001}};

constexpr OptionDefault kIntOptions[IntOptionKinds] = {
    {OptItr, 1000}, {OptTim, 1000}, {OptNod, kDefaultNodes}, {OptMip, 1000}, {OptSsz, 0}, {OptMni, 30},
    {OptRsd, 0},    {OptGct, 20},   {OptGop, 1},    {OptCct, 20},   {OptCgt, 1}};

bool optionIs(LibraryContext* context, int index, int value, int defaultValue = 0) {
  return Names_getOption(context, index, defaultValue) == value;
}

// Flags set when an option has one value: (option, value, default, bit).
struct FlagRule {
  int index;
  int value;
  int defaultValue;
  std::uint32_t bit;
};

constexpr FlagRule kFlagRules[] = {
    {OptLin, 1, 0, OptFlagLin},       {OptEst, 2, 0, OptFlagEst},
    {OptDrv, 2, 0, OptFlagDrv},       {OptNwt, 2, 0, OptFlagNwt},
    {OptLva, 1, 0, OptFlagLvaWbr},    {OptMsl, 1, 0, OptFlagMsl},
    {OptTms, 1, 0, OptFlagTms},       {OptRbv, 1, 1, OptFlagRbv},
    {OptArs, 1, 1, OptFlagArs},       {OptSta, 1, 0, OptFlagSta},
    {OptMet, 2, 2, OptFlagMet},       {OptSoc, 1, 0, OptFlagSoc},
    {OptLpt, 1, 1, OptFlagLptDus},    {OptLpp, 1, 0, OptFlagLppPhr},
    {OptSim, 2, 0, OptFlagSim},       {OptPro, 1, 0, OptFlagPro},
    {OptOfx, 1, 0, OptFlagOfx},       {OptReo, 1, 0, OptFlagReo},
    {OptIbd, 1, 0, OptFlagIbd},       {OptDua, 1, 0, OptFlagDua},
    {OptDus, 1, 0, OptFlagLptDus},    {OptPhr, 1, 0, OptFlagLppPhr},
    {OptWbr, 1, 0, OptFlagLvaWbr},    {OptFns, 1, 0, OptFlagFns}};

std::uint32_t derivativeFlags(LibraryContext* context) {
  switch (Names_getOption(context, OptDrf, 0)) {
    case 1: return OptFlagDrf1;
    case 2: return OptFlagDrf2;
    default: return OptFlagDrfOther;
  }
}

std::uint32_t localSearchFlags(LibraryContext* context) {
  switch (Names_getOption(context, OptLoc, 0)) {
    case 1: return 0;
    case 2: return OptFlagLoc2;
    case 3: return OptFlagLoc3;
    default: return OptFlagLoc2 | OptFlagLoc3;
  }
}

// A mapped option: the value's position in `from` gives the answer in `to`.
int mapOption(LibraryContext* context, int index, const int* from, const int* to, int count) {
  int value = Names_getOption(context, index, 0);
  for (int k = 0; k < count; ++k) {
    if (from[k] == value) return to[k];
  }
  return 0;
}

bool suppliedGroupedRow(const LibraryContext* context) {
  return context->modelSupplied && context->suppliedGroupedRow;
}

int modelRows(LibraryContext* context) {
  bool fewer = suppliedGroupedRow(context) &&
               (context->feasibilityMode || context->groupedRowCells > 0);
  return context->rowCount - (fewer ? 1 : 0);
}

int objectiveRow(const LibraryContext* context) {
  if (suppliedGroupedRow(context)) return 0;
  if (context->feasibilityMode) return 1;
  return context->groupedRowCells > 0 ? 1 : 0;
}

// Variable cells: the common ones once, the per-row ones once per scenario row.
int variableCount(LibraryContext* context) {
  int perRow = context->perRowCells;
  int cells = context->analysed ? Interp_queryModel(context, QueryVariables)
                                : Sess_getAdjCellCount(context->variables) - perRow +
                                      perRow * Names_getScenarioRowCount(context->scenarios);
  return cells + context->elasticCount;
}

// Alldifferent groups leave the model in feasibility mode and when
// "solver_rlx" relaxes the integer conditions.
bool withAllDifferent(LibraryContext* context) {
  return !context->feasibilityMode && !optionIs(context, OptRlx, 1);
}

// Variables with an integer, binary or alldifferent mark.
int integerCount(LibraryContext* context) {
  if (context->analysed) return Interp_queryModel(context, QueryIntegers);
  const CellList* cells = Sess_getVariableCellList(context->variables);
  if (!cells || !context->constraints) return 0;
  std::vector<int> flags(cells->distinct, 0);
  if (!Sess_getIntegerFlags(context->constraints, cells, withAllDifferent(context), flags.data()))
    return 0;
  int count = 0;
  for (int flag : flags) count += flag != 0;
  return count;
}

// Queries 3-6 from the counts of the constraint list.
int groupQuery(LibraryContext* context, int kind) {
  if (!context->constraints) return 0;
  const ModelCounts& counts = context->constraints->counts;
  bool groups = kind >= QueryCones || withAllDifferent(context);
  switch (kind) {
    case QueryAllDifferentGroups: return groups ? counts.allDifferentGroups : 0;
    case QueryAllDifferentCells: return groups ? counts.allDifferentCells : 0;
    case QueryCones: return counts.cones;
    default: return counts.coneCells;
  }
}

int rowCount(LibraryContext* context) {
  int rows = context->analysed ? Interp_queryModel(context, QueryRows) : modelRows(context);
  bool extra = context->feasibilityMode && context->groupedRowCells == 0;
  return rows + (extra ? 1 : 0);
}

// Queries 12-30, read from the options.
int optionQuery(LibraryContext* context, int kind) {
  static constexpr int kDiaFrom[] = {2, 3, 4, 5}, kDiaTo[] = {1, 2, 3, 4};
  static constexpr int kSelFrom[] = {1, 2, 3, 4}, kSelTo[] = {4, 1, 2, 3};
  static constexpr int kMdaValues[] = {1, 2, 3};
  static constexpr int kModValues[] = {1, 2, 3, 4, 5};
  switch (kind) {
    case QueryShowIterations: return optionIs(context, OptSho, 1);
    case QueryScaling:
      return context->modelSupplied ? context->suppliedScaling : optionIs(context, OptScl, 1);
    case QueryRelaxIntegers: return optionIs(context, OptRlx, 1);
    case QueryReports: return optionIs(context, OptRep, 2, 2);
    case QueryActionCode: return context->actionCode;
    case QueryRsp: return optionIs(context, OptRsp, 1);
    case QueryRdp: return optionIs(context, OptRdp, 1);
    case QueryRtr: return optionIs(context, OptRtr, 1);
    case QueryMda: return mapOption(context, OptMda, kMdaValues, kMdaValues, 3);
    case QueryMtr: return optionIs(context, OptMtr, 1);
    case QueryMod: return mapOption(context, OptMod, kModValues, kModValues, 5);
    case QueryNtr: return optionIs(context, OptNtr, 1);
    case QueryDiagnosisLevel: return mapOption(context, OptDia, kDiaFrom, kDiaTo, 4);
    case QuerySel: return mapOption(context, OptSel, kSelFrom, kSelTo, 4);
    case QueryIrs: return optionIs(context, OptIrs, 1);
    case QueryIfs: return optionIs(context, OptIfs, 1);
    case QueryAlwaysOne: return 1;
    case QueryIsm: return optionIs(context, OptIsm, 1);
    case QueryIao: return optionIs(context, OptIao, 1);
    default: return 0;
  }
}

}  // namespace

int Host_getEngineIndex(LibraryContext* context) {
  int chosen = Names_getOption(context, OptEng, 0);
  if (chosen < 0) return -1;
  if (chosen == 0) return optionIs(context, OptLin, 1) ? 1 : 0;
  return chosen - 1;
}

std::uint32_t Host_getEngineOptionFlags(LibraryContext* context, int) {
  if (context->modelSupplied) return context->suppliedOptionFlags;
  std::uint32_t flags = 0;
  for (const FlagRule& rule : kFlagRules) {
    if (optionIs(context, rule.index, rule.value, rule.defaultValue)) flags |= rule.bit;
  }
  if (context->analysed) flags |= derivativeFlags(context);
  return flags | localSearchFlags(context);
}

int Host_queryModel(LibraryContext* context, int kind) {
  switch (kind) {
    case QueryVariables: return variableCount(context);
    case QueryRows: return rowCount(context);
    case QueryIntegers: return integerCount(context);
    case QueryAllDifferentGroups:
    case QueryAllDifferentCells:
    case QueryCones:
    case QueryConeCells: return groupQuery(context, kind);
    case QueryElastic: return context->elasticCount;
    case QueryModelRows: return modelRows(context);
    case QueryFeasibility: return context->feasibilityMode;
    case QueryObjectiveRow: return objectiveRow(context);
    case QueryMaximise: return context->feasibilityMode ? 0 : context->maximise;
    case QueryZero: return 0;
    case QuerySupplied0:
    case QuerySupplied0 + 1:
    case QuerySupplied2: return context->suppliedWords[kind - QuerySupplied0];
    case QueryAlwaysTwo: return 2;
    case QueryWorkbookWrites: return static_cast<int>(context->progress.workbookWrites);
    default: break;
  }
  if ((kind >= QueryStructureFirst && kind <= QueryStructureLast) || kind == QueryClassCode) {
    return context->evalContext ? Interp_queryModel(context, kind) : 0;
  }
  return optionQuery(context, kind);
}

int Host_getRealOption(LibraryContext* context, double* out, int kind) {
  if (kind < 0 || kind >= RealOptionKinds) {
    if (out) *out = 1e-8;
    return 0;
  }
  double value;
  if (context->modelSupplied && kind == RealPrecision) {
    value = context->suppliedPrecision;
  } else if (context->modelSupplied && kind == RealConvergence) {
    value = context->suppliedConvergence;
  } else {
    value = Names_getRealOption(context, kRealOptions[kind].index, kRealOptions[kind].value);
  }
  if (out) *out = value;
  return out ? 1 : 0;
}

int Host_getIntOption(LibraryContext* context, int kind) {
  if (kind < 0 || kind >= IntOptionKinds) return 0;
  double value = Names_getRealOption(context, kIntOptions[kind].index, kIntOptions[kind].value);
  // Truncation toward zero, held inside the integer range.
  constexpr double kMax = std::numeric_limits<int>::max();
  constexpr double kMin = std::numeric_limits<int>::min();
  if (std::isnan(value)) return 0;
  if (value >= kMax) return kIntOptionNoLimit;
  if (value <= kMin) return std::numeric_limits<int>::min();
  return static_cast<int>(value);
}

int Host_getEngineInfoItem(LibraryContext* context, int engine, int item) {
  static constexpr std::uint32_t kCapabilityItems[] = {
      EngineCanFeasibility, EngineCanBranch,  EngineCanMultistart, EngineItem17,
      EngineUsesLocalSolver, EngineDiagnose19, EngineDiagnose20, EngineDiagnoseExtra,
      EngineItem22, EngineRequestDiagnosis};
  if (engine < 0 || engine >= EngineIndexCount) return 0;
  const EngineInfo& info = context->engineInfos[engine];
  if (item == EngineInfoValue1) return info.value1;
  if (item == EngineInfoValue2) return info.value2;
  if (item >= EngineInfoFirstLimit && item <= EngineInfoLastLimit) return info.limits[item - EngineInfoFirstLimit];
  if (item == EngineInfoFields) return static_cast<int>(info.fields);
  if (item >= EngineInfoFirstNibble && item <= EngineInfoLastNibble)
    return static_cast<int>((info.fields >> (4 * (item - EngineInfoFirstNibble))) & 0xF);
  if (item == EngineInfoCapabilities) return static_cast<int>(info.capabilities);
  if (item >= EngineInfoFeasibility && item <= EngineInfoLastCapability)
    return static_cast<int>(info.capabilities & kCapabilityItems[item - EngineInfoFeasibility]);
  return 0;
}

void Host_noteWorkbookWrite(LibraryContext* context) { ++context->progress.workbookWrites; }

int Host_workbookRowsFit(LibraryContext* context) {
  if (!context) return 0;
  return !context->analysed || modelRows(context) <= Interp_queryModel(context, QueryRows) ? 1 : 0;
}
