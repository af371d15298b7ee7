// The per-cell registry of uncertain cells. Lookups walk the records in
// order: each uncertain cell registers once per diagnosis pass.
#include "simulation/registry/CellReg_Registry.h"

#include <new>

#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

constexpr int32_t kColumnsPerRow = 256;
constexpr int32_t kRowsPerSheet = 65536;
// The slot of an array value whose elements hold decision variables and
// sampled inputs both.
constexpr int32_t kMixedSlot = 2;

bool sameName(const std::optional<std::u16string>& stored, const char16_t* name) {
  return name ? stored && *stored == name : !stored;
}

bool inside(const RangeRef& area, uint8_t sheet, uint16_t row, uint8_t column) {
  return sheet == area.sheet && row >= area.firstRow && row <= area.lastRow && column >= area.firstColumn &&
         column <= area.lastColumn;
}

// Sets a slot to minus the cell's number, or raises status 36 for a slot
// that already holds one.
void number(Value* value, int32_t* slot, int32_t count, uint8_t sheet, uint16_t row, uint8_t column) {
  if (*slot != 0) {
    if (value->context) Vm_raise(Vm_errorsOf(value->context), kStatusVariableTwice, "CellReg_markVariableArea", sheet, row, column);
    return;
  }
  *slot = -count;
}

// Numbers one hit of the cell at (row, column) of the value's area.
void hit(Value* value, const RangeRef& at, int32_t count, uint16_t row, uint8_t column) {
  const bool single = at.lastRow <= at.firstRow && at.lastColumn <= at.firstColumn;
  if (single) return number(value, &value->reference, count, at.sheet, row, column);
  const int32_t i = row - at.firstRow, j = column - at.firstColumn;
  if (value->kind != kValArray || !value->array || i >= value->array->rows || j >= value->array->columns) return;
  number(value, &Val_at(value, i, j)->reference, count, at.sheet, row, column);
  value->reference = value->reference > 0 ? kMixedSlot : -1;
}

}  // namespace

CellRegistryOwner CellReg_create() { return CellRegistryOwner(new (std::nothrow) CellRegistry(), CellReg_destroy); }

void CellReg_destroy(CellRegistry* reg) { delete reg; }

uint32_t CellReg_cellKey(uint8_t sheet, uint16_t row, uint8_t column) {
  return ((static_cast<uint32_t>(sheet) - 1) * kRowsPerSheet + (row - 1u)) * kColumnsPerRow + column;
}

CellRegRecord* CellReg_findOrAdd(CellRegistry* reg, uint32_t key, int32_t law, int32_t family, uint8_t flag,
                                 const RangeRef* position) {
  for (const auto& record : reg->records)
    if (record->key == key) return record.get();
  auto* record = new (std::nothrow) CellRegRecord();
  if (!record) return nullptr;
  record->key = key;
  record->law = law;
  record->family = family;
  record->uncertainArgument = flag;
  if (position) record->position = *position;
  reg->records.emplace_back(record);
  return record;
}

uint32_t CellReg_findByName(const CellRegistry* reg, const char16_t* name) {
  if (!name) return 0;
  for (const auto& record : reg->records)
    if (sameName(record->name, name)) return record->key;
  return 0;
}

void CellReg_addCorrelation(CellRegistry* reg, std::unique_ptr<CellRegCorrelation> block) {
  reg->correlations.push_back(std::move(block));
}

void CellReg_addImported(CellRegistry* reg, std::unique_ptr<CellRegCorrelation> block) {
  reg->imported.push_back(std::move(block));
}

bool CellReg_hasPair(const CellRegistry* reg, uint32_t a, uint32_t b) {
  for (const auto& block : reg->correlations) {
    if (block->dimension != 2 || block->members.size() < 3) continue;
    const uint32_t x = block->members[1], y = block->members[2];
    if ((x == a && y == b) || (x == b && y == a)) return true;
  }
  return false;
}

CellRegCorrelation* CellReg_findCorrelation(CellRegistry* reg, uint32_t key, int32_t dimension, uint32_t subKey,
                                            const char16_t* name) {
  for (const auto& block : reg->correlations)
    if (block->key == key && block->dimension == dimension && block->subKey == subKey && sameName(block->name, name))
      return block.get();
  return nullptr;
}

void CellReg_addArea(CellRegistry* reg, const RangeRef& area) { reg->areas.push_back(area); }

void CellReg_setCellCount(CellRegistry* reg, int32_t count) {
  reg->cellCount = count > 0 ? count : 0;
  reg->trialRows.resize(static_cast<size_t>(reg->cellCount));
}

bool CellReg_setTrialRow(CellRegistry* reg, int32_t k, const double* values, int32_t trials) {
  if (k < 1 || k > reg->cellCount || trials < 1) return false;
  reg->trialRows[static_cast<size_t>(k) - 1].assign(values, values + trials + 1);
  return true;
}

const double* CellReg_trialRow(const CellRegistry* reg, int32_t k) {
  if (!reg || k < 1 || k > reg->cellCount) return nullptr;
  const std::vector<double>& row = reg->trialRows[static_cast<size_t>(k) - 1];
  return row.empty() ? nullptr : row.data();
}

bool CellReg_markVariableArea(const CellRegistry* reg, Value* value) {
  if (!value->source || value->reference < 0) return false;
  if (value->kind == kValArray && value->reference == kMixedSlot) return false;
  const RangeRef at = *value->source;
  int32_t count = 0;
  for (const RangeRef& area : reg->areas) {
    for (uint32_t row = area.firstRow; row <= area.lastRow; ++row) {
      for (uint32_t column = area.firstColumn; column <= area.lastColumn; ++column) {
        ++count;
        if (inside(at, area.sheet, static_cast<uint16_t>(row), static_cast<uint8_t>(column)))
          hit(value, at, count, static_cast<uint16_t>(row), static_cast<uint8_t>(column));
      }
    }
  }
  return true;
}
