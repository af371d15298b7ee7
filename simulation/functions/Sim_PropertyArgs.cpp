// The property parser of the distribution functions and the property
// functions that make its arrays. A correlation block is handed from the
// matrix property to the parser by its 1-based place in the registry's list
// of blocks, which the parser looks up again, so a handle a formula writes by
// hand names an existing block or is refused.
#include "simulation/functions/Sim_PropertyArgs.h"

#include <cmath>
#include <memory>
#include <optional>
#include <string>

#include "simulation/functions/Sim_Frame.h"
#include "values/Model_Refs.h"
#include "values/Vm_Context.h"
#include "worksheet/common/Wsf_Args.h"

namespace {

const Value* element(const Value* a, int32_t j) { return Val_at(a, 0, j); }
int32_t columnsOf(const Value* a) { return a->array && a->array->rows > 0 ? a->array->columns : 0; }
bool isText(const Value* v) { return v->kind == kValText && v->text; }
bool isNumber(const Value* v) { return v->kind == kValInt || v->kind == kValReal; }
// A whole number of either kind: the property functions make their codes
// integers, a sheet's calculation hands them back as numbers.
bool isWhole(const Value* v) { return isNumber(v) && v->number == std::trunc(v->number); }

// A k x k block with 1-based rows, members and names (nothing for k < 2).
std::unique_ptr<CellRegCorrelation> newBlock(uint32_t key, uint32_t subKey, int32_t k) {
  auto block = std::make_unique<CellRegCorrelation>();
  block->key = key;
  block->subKey = subKey;
  block->dimension = k >= 2 ? k : 0;
  if (k < 2) return block;
  const auto size = static_cast<size_t>(k) + 1;
  block->matrix.assign(size, std::vector<double>(size, 0.0));
  block->members.assign(size, 0);
  block->memberNames.assign(size, std::nullopt);
  return block;
}

// Code 2: the block the handle names records the cell (by its registry key)
// at the position.
bool bindMember(CellRegistry* reg, uint32_t self, double handle, double position) {
  if (!reg || handle < 1 || handle > static_cast<double>(reg->correlations.size())) return false;
  CellRegCorrelation& block = *reg->correlations[static_cast<size_t>(handle) - 1];
  if (position < 1 || position > block.dimension) return false;
  block.members[static_cast<size_t>(position)] = self;
  return true;
}

// Code 3: a pair of the cell and the named one, unless one ties them already.
void addPair(CellRegistry* reg, uint32_t self, const char16_t* name, double coefficient) {
  if (!reg) return;
  const uint32_t other = CellReg_findByName(reg, name);
  if (other != 0 && CellReg_hasPair(reg, self, other)) return;
  auto block = newBlock(0, 0, 2);
  block->matrix[1][1] = block->matrix[2][2] = 1.0;
  block->matrix[1][2] = block->matrix[2][1] = coefficient;
  block->members[1] = self;
  block->members[2] = other;
  block->memberNames[2] = std::u16string(name);
  CellReg_addCorrelation(reg, std::move(block));
}

// Codes 5 and 7: the cell's record carries the name.
void nameCell(CellRegistry* reg, uint32_t self, const char16_t* name) {
  if (!reg) return;
  if (CellRegRecord* r = CellReg_findOrAdd(reg, self, 0, kSimFamilyProperty, 0, nullptr))
    r->name = std::u16string(name);
}

// One property array of the cell with the registry key self; false when it
// is malformed.
bool applyProperty(CellRegistry* reg, uint32_t self, const Value* a, SimProperties* out) {
  const int32_t c = columnsOf(a);
  if (c < 1 || !isWhole(element(a, 0))) return false;
  const auto e = [&](int32_t j) { return element(a, j); };
  switch (Sim_whole(e(0)->number)) {
    case kSimPropMatrixPosition:
      return c >= 3 && isWhole(e(1)) && isWhole(e(2)) &&
             bindMember(reg, self, e(1)->number, e(2)->number);
    case kSimPropCorrelation:
      if (c != 3 || !isText(e(1)) || !isNumber(e(2))) return false;
      addPair(reg, self, e(1)->text, e(2)->number);
      return true;
    case kSimPropName:
    case kSimPropNameAlias:
      if (c != 2 || !isText(e(1))) return false;
      nameCell(reg, self, e(1)->text);
      return true;
    case kSimPropShift:
      if (c != 2 || !Wsf_isPlain(e(1))) return false;
      out->shift = Wsf_number(e(1));
      return true;
    case kSimPropTruncate:
      if (c != 3 || !Wsf_isPlain(e(1)) || !Wsf_isPlain(e(2))) return false;
      out->lo = Wsf_number(e(1));
      out->hi = Wsf_number(e(2));
      return out->hi > out->lo;
    default: return true;
  }
}

// The result becomes the one-row array of the elements, each set by its setter.
template <typename... Set>
Value* propertyArray(Value* result, Set... set) {
  Value out = Val_empty(result->context);
  constexpr auto n = static_cast<uint8_t>(sizeof...(Set));
  if (Val_makeArray(&out, 1, n) != 0) return Wsf_error(result, kErrValue);
  int32_t j = 0;
  (set(Val_at(&out, 0, j++)), ...);
  Val_clear(result);
  *result = out;
  return result;
}

auto integer(double x) {
  return [x](Value* v) { Val_setInt(v, Sim_whole(x)); };
}
auto number(double x) {
  return [x](Value* v) { Val_setNumber(v, x); };
}
auto text(const char16_t* t) {
  return [t](Value* v) { Val_setText(v, t); };
}

// Outside the registration pass the named properties are the number 0.
bool notRegistering(Value* result, int argc, const Value* const* argv) {
  EvalContext* ctx = result->context;
  if (ctx->sampling.trialCount == 0 && Wsf_structureHooks(result, argc, argv)) return true;
  if (Sim_registering(ctx->flags.mode, ctx->sampling)) return false;
  Wsf_integer(result, 0);
  return true;
}

// A square matrix of numbers in [-1, 1] with 1 on its diagonal.
bool correlationMatrix(const Value* m) {
  if (m->kind != kValArray || !m->array || m->array->rows != m->array->columns || m->array->rows < 1) return false;
  const int32_t k = m->array->rows;
  for (int32_t i = 0; i < k; ++i)
    for (int32_t j = 0; j < k; ++j) {
      const Value* e = Val_at(m, i, j);
      if (!Wsf_isPlain(e) || std::fabs(Wsf_number(e)) > 1 || (i == j && Wsf_number(e) != 1.0)) return false;
    }
  return true;
}

// The block of the range, size and instance; a new one when the registry
// has none. Its 1-based place in the registry's list.
size_t blockOf(CellRegistry* reg, const Value* m, uint32_t instance, const char16_t* name) {
  const RangeRef& at = *m->source;
  const uint32_t key = CellReg_cellKey(at.sheet, at.firstRow, at.firstColumn);
  const int32_t k = m->array->rows;
  const int32_t dimension = k >= 2 ? k : 0;
  if (const CellRegCorrelation* found = CellReg_findCorrelation(reg, key, dimension, instance, name))
    for (size_t i = 0; i < reg->correlations.size(); ++i)
      if (reg->correlations[i].get() == found) return i + 1;
  auto block = newBlock(key, instance, k);
  for (int32_t i = 1; i <= block->dimension; ++i)
    for (int32_t j = 1; j <= block->dimension; ++j) block->matrix[i][j] = Wsf_number(Val_at(m, i - 1, j - 1));
  if (name) block->name = std::u16string(name);
  CellReg_addCorrelation(reg, std::move(block));
  return reg->correlations.size();
}

Value* propName(Value* result, int argc, const Value* const* argv, int32_t code) {
  if (notRegistering(result, argc, argv) || Wsf_firstErrorArg(result, argc, argv)) return result;
  if (argc < 1 || !isText(argv[0])) return Wsf_error(result, kErrValue);
  return propertyArray(result, integer(code), text(argv[0]->text));
}

// 1358 and 1359: every argument a plain number, errors passed on.
bool plainArguments(Value* result, int argc, const Value* const* argv, int32_t needed) {
  EvalContext* ctx = result->context;
  if (ctx->sampling.trialCount == 0 && Wsf_structureHooks(result, argc, argv)) return false;
  if (Wsf_firstRefusedArg(result, argc, argv, kErrNum, [](const Value* v, int) { return !Wsf_isPlain(v); }))
    return false;
  return argc >= needed || (Wsf_error(result, kErrValue), false);
}

}  // namespace

bool Sim_parseProperties(CellRegistry* reg, const CellRef& cell, int32_t first, int argc, const Value* const* argv,
                         SimProperties* out) {
  const uint32_t self = CellReg_cellKey(cell.sheet, cell.row, cell.column);
  for (int i = first; i < argc; ++i)
    if (argv[i]->kind == kValArray && !applyProperty(reg, self, argv[i], out)) return false;
  return true;
}

Value* Sim_propCorrMatrix1352(Value* result, int argc, const Value* const* argv, const SimCall*) {
  if (notRegistering(result, argc, argv) || Wsf_firstErrorArg(result, argc, argv)) return result;
  if (argc < 2) return Wsf_error(result, kErrValue);
  const Value* m = argv[0];
  if (m->kind != kValArray || !Wsf_isPlain(argv[1])) return Wsf_error(result, kErrNum);
  uint32_t instance = 0;
  const char16_t* name = nullptr;
  if (Wsf_given(argc, argv, 2)) {
    if (isText(argv[2])) name = argv[2]->text;
    else if (Wsf_isPlain(argv[2])) instance = static_cast<uint32_t>(Sim_whole(Wsf_number(argv[2])));
    else return Wsf_error(result, kErrValue);
  }
  CellRegistry* reg = Sim_registry(result->context->tables);
  if (!correlationMatrix(m) || !m->source || !reg) return Wsf_error(result, kErrNum);
  const size_t handle = blockOf(reg, m, instance, name);
  return propertyArray(result, integer(kSimPropMatrixPosition), integer(static_cast<double>(handle)),
                       integer(Wsf_number(argv[1])));
}

Value* Sim_propCorrelation1353(Value* result, int argc, const Value* const* argv, const SimCall*) {
  if (notRegistering(result, argc, argv) || Wsf_firstErrorArg(result, argc, argv)) return result;
  if (argc < 1 || !isText(argv[0])) return Wsf_error(result, kErrValue);
  if (argc < 2 || !Wsf_isPlain(argv[1]) || std::fabs(Wsf_number(argv[1])) > 1) return Wsf_error(result, kErrNum);
  return propertyArray(result, integer(kSimPropCorrelation), text(argv[0]->text), number(Wsf_number(argv[1])));
}

Value* Sim_propName1355(Value* result, int argc, const Value* const* argv, const SimCall*) {
  return propName(result, argc, argv, kSimPropName);
}

Value* Sim_propName1357(Value* result, int argc, const Value* const* argv, const SimCall*) {
  return propName(result, argc, argv, kSimPropNameAlias);
}

Value* Sim_propShift1358(Value* result, int argc, const Value* const* argv, const SimCall*) {
  if (!plainArguments(result, argc, argv, 1)) return result;
  return propertyArray(result, integer(kSimPropShift), number(Wsf_number(argv[0])));
}

Value* Sim_propTruncate1359(Value* result, int argc, const Value* const* argv, const SimCall*) {
  if (!plainArguments(result, argc, argv, 2)) return result;
  return propertyArray(result, integer(kSimPropTruncate), number(Wsf_number(argv[0])), number(Wsf_number(argv[1])));
}

Value* Sim_propZero1360(Value* result, int, const Value* const*, const SimCall*) { return Wsf_integer(result, 0); }

Value* Sim_sampleParam1361(Value* result, int argc, const Value* const* argv, const SimCall*) {
  EvalContext* ctx = result->context;
  if (ctx->sampling.trialCount == 0 && Wsf_structureHooks(result, argc, argv)) return result;
  if (argc < 1) return Wsf_error(result, kErrValue);
  return Sim_atSamplePoint(result, argv[0]);
}

SimEntry Sim_propertyFunction(int32_t id) {
  switch (id) {
    case 1352: return Sim_propCorrMatrix1352;
    case 1353: return Sim_propCorrelation1353;
    case 1355: return Sim_propName1355;
    case 1357: return Sim_propName1357;
    case 1358: return Sim_propShift1358;
    case 1359: return Sim_propTruncate1359;
    case 1360: return Sim_propZero1360;
    case 1361: return Sim_sampleParam1361;
    default: return nullptr;
  }
}
