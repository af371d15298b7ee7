// The registry of uncertain cells: one record per key whatever the later
// calls say, lookups by name and by correlation block, sampled inputs
// numbered over the areas in list order, and trial rows by input number.
// Everything it holds is freed with the variable table (the sanitizer build
// checks that nothing leaks and nothing is freed twice).
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "simulation/registry/CellReg_Registry.h"
#include "values/Val_Value.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

std::unique_ptr<CellRegCorrelation> block(uint32_t key, std::vector<uint32_t> members, const char16_t* name) {
  auto b = std::make_unique<CellRegCorrelation>();
  b->key = key;
  b->dimension = static_cast<int32_t>(members.size());
  b->members.push_back(0);
  b->members.insert(b->members.end(), members.begin(), members.end());
  b->matrix.assign(members.size() + 1, std::vector<double>(members.size() + 1, 0.5));
  b->memberNames.assign(members.size() + 1, std::u16string(u"member"));
  if (name) b->name = name;
  return b;
}

TEST(CellReg, KeysCountSheetsRowsAndColumnsFromOne) {
  EXPECT_EQ(CellReg_cellKey(1, 1, 1), 1u);
  EXPECT_EQ(CellReg_cellKey(1, 2, 3), 256u + 3);
  EXPECT_EQ(CellReg_cellKey(2, 1, 1), 65536u * 256 + 1);
}

TEST(CellReg, RecordsAreFoundOnceAndKeepTheirFirstRegistration) {
  CellRegistryOwner reg = CellReg_create();
  const RangeRef at{1, 2, 3, 4, 5};
  CellRegRecord* first = CellReg_findOrAdd(reg.get(), 7, 31, kSimFamilyProperty, 1, &at);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(CellReg_findOrAdd(reg.get(), 7, 14, kSimFamilyRandom, 0, nullptr), first);
  EXPECT_EQ(first->law, 31);
  EXPECT_EQ(first->family, kSimFamilyProperty);
  EXPECT_EQ(first->uncertainArgument, 1);
  EXPECT_EQ(first->position.lastRow, 4);
  CellRegRecord* second = CellReg_findOrAdd(reg.get(), 9, 0, kSimFamilyProperty, 0, nullptr);
  EXPECT_EQ(second->position.sheet, 0);
  ASSERT_EQ(reg->records.size(), 2u);
  EXPECT_EQ(reg->records[0].get(), first);
  EXPECT_EQ(reg->records[1].get(), second);
}

TEST(CellReg, NamesMatchExactly) {
  CellRegistryOwner reg = CellReg_create();
  CellReg_findOrAdd(reg.get(), 3, 31, kSimFamilyProperty, 0, nullptr);  // no name
  CellReg_findOrAdd(reg.get(), 4, 0, kSimFamilyProperty, 0, nullptr)->name = u"A1";
  EXPECT_EQ(CellReg_findByName(reg.get(), nullptr), 0u);
  EXPECT_EQ(CellReg_findByName(reg.get(), u"A1"), 4u);
  EXPECT_EQ(CellReg_findByName(reg.get(), u"a1"), 0u);
}

TEST(CellReg, CorrelationBlocksByPairAndByKey) {
  CellRegistryOwner reg = CellReg_create();
  CellReg_addCorrelation(reg.get(), block(0, {5, 8}, nullptr));
  CellReg_addCorrelation(reg.get(), block(11, {1, 2, 3}, u"trio"));
  CellReg_addCorrelation(reg.get(), block(11, {1, 2, 3}, nullptr));
  EXPECT_TRUE(CellReg_hasPair(reg.get(), 8, 5));
  EXPECT_TRUE(CellReg_hasPair(reg.get(), 5, 8));
  EXPECT_FALSE(CellReg_hasPair(reg.get(), 1, 2));  // only inside a block of three
  EXPECT_EQ(CellReg_findCorrelation(reg.get(), 11, 3, 0, nullptr), reg->correlations[2].get());
  EXPECT_EQ(CellReg_findCorrelation(reg.get(), 11, 3, 0, u"trio"), reg->correlations[1].get());
  EXPECT_EQ(CellReg_findCorrelation(reg.get(), 11, 3, 0, u"Trio"), nullptr);
  EXPECT_EQ(CellReg_findCorrelation(reg.get(), 11, 2, 0, nullptr), nullptr);
  for (int k = 0; k < 3; ++k) CellReg_addImported(reg.get(), block(20 + k, {1, 2}, u"imported"));
  EXPECT_EQ(reg->imported.size(), 3u);
}

TEST(CellReg, TrialRowsByInputNumber) {
  CellRegistryOwner reg = CellReg_create();
  const double row[] = {0, 0.1, 0.2, 0.3};
  EXPECT_FALSE(CellReg_setTrialRow(reg.get(), 1, row, 3));
  CellReg_setCellCount(reg.get(), 2);
  EXPECT_TRUE(CellReg_setTrialRow(reg.get(), 2, row, 3));
  EXPECT_EQ(CellReg_trialRow(reg.get(), 1), nullptr);
  EXPECT_EQ(CellReg_trialRow(reg.get(), 3), nullptr);
  EXPECT_EQ(CellReg_trialRow(reg.get(), 0), nullptr);
  ASSERT_NE(CellReg_trialRow(reg.get(), 2), nullptr);
  EXPECT_EQ(CellReg_trialRow(reg.get(), 2)[3], 0.3);
}

// A context whose registry has two sampled-input areas: Sheet1!B2:C3 (inputs
// 1 to 4, row by row) then Sheet1!A1 (input 5).
struct Areas : ::testing::Test {
  EvalContext* ctx = Vm_createContext();
  CellRegistryOwner reg = CellReg_create();
  Areas() {
    CellReg_addArea(reg.get(), RangeRef{1, 2, 2, 3, 3});
    CellReg_addArea(reg.get(), RangeRef{1, 1, 1, 1, 1});
  }
  ~Areas() override { Vm_destroyContext(ctx); }
  Value reference(const RangeRef& area) {
    Value v = Val_empty(ctx);
    const int32_t rows = area.lastRow - area.firstRow + 1, columns = area.lastColumn - area.firstColumn + 1;
    if (rows * columns > 1) Val_makeArray(&v, rows, columns);
    v.source = static_cast<RangeRef*>(std::malloc(sizeof(RangeRef)));  // the value's own copy
    *v.source = area;
    return v;
  }
  void release(Value* v) { Val_clear(v); }
};

TEST_F(Areas, CellsAreNumberedOverTheAreasInListOrder) {
  Value single = reference(RangeRef{1, 3, 2, 3, 2});  // B3: the third input
  ASSERT_TRUE(CellReg_markVariableArea(reg.get(), &single));
  EXPECT_EQ(single.reference, -3);
  EXPECT_FALSE(CellReg_markVariableArea(reg.get(), &single));  // numbered already
  release(&single);
  // A1:C2 reaches into both areas: A1 is input 5, B2 and C2 inputs 1 and 2.
  Value area = reference(RangeRef{1, 1, 1, 2, 3});
  ASSERT_TRUE(CellReg_markVariableArea(reg.get(), &area));
  EXPECT_EQ(Val_at(&area, 0, 0)->reference, -5);
  EXPECT_EQ(Val_at(&area, 1, 1)->reference, -1);
  EXPECT_EQ(Val_at(&area, 1, 2)->reference, -2);
  EXPECT_EQ(Val_at(&area, 0, 1)->reference, 0);
  EXPECT_EQ(area.reference, -1);
  release(&area);
  Value elsewhere = reference(RangeRef{2, 2, 2, 2, 2});  // another sheet
  ASSERT_TRUE(CellReg_markVariableArea(reg.get(), &elsewhere));
  EXPECT_EQ(elsewhere.reference, 0);
  Value noSource = Val_empty(ctx);
  EXPECT_FALSE(CellReg_markVariableArea(reg.get(), &noSource));
  release(&elsewhere);
}

TEST_F(Areas, ACellNumberedTwiceRaisesStatus36AndKeepsItsNumber) {
  CellReg_addArea(reg.get(), RangeRef{1, 2, 2, 2, 2});  // B2 again, as input 6
  Value area = reference(RangeRef{1, 2, 2, 2, 3});      // B2:C2
  ASSERT_TRUE(CellReg_markVariableArea(reg.get(), &area));
  EXPECT_EQ(Val_at(&area, 0, 0)->reference, -1);
  EXPECT_EQ(Val_at(&area, 0, 1)->reference, -2);
  EXPECT_EQ(ctx->errors.firstError, kStatusVariableTwice);
  EXPECT_EQ(ctx->errors.errorCount, 1);
  release(&area);
}

TEST(CellReg, IsFreedWithTheVariableTable) {
  VariableTable* table = Model_createVariableTable();
  table->registry = CellReg_create();
  CellReg_findOrAdd(table->registry.get(), 1, 46, kSimFamilyRandom, 0, nullptr)->name = u"x";
  CellReg_addCorrelation(table->registry.get(), block(1, {1, 2}, u"pair"));
  CellReg_addImported(table->registry.get(), block(2, {3, 4}, nullptr));
  CellReg_setCellCount(table->registry.get(), 1);
  const double row[] = {0, 0.5};
  CellReg_setTrialRow(table->registry.get(), 1, row, 1);
  Model_freeVariableTable(table);  // the sanitizer build reports a leak or a double free here
}

}  // namespace
