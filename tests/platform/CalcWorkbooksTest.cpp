// The calculation workbooks of the test data: every formula cell, array
// blocks included, recalculates to the value stored in the file (numbers
// within 1e-14 relative, as the files keep 15 digits; others exactly).
#include <cmath>

#include "CalcTestUtil.h"
#include "platform/xlsx/Xlsx.h"

namespace {

bool sameValue(const CellValue& stored, const CellValue& got) {
  if (stored.kind == CellKind::Number && got.kind == CellKind::Number)
    return std::fabs(stored.number - got.number) <= 1e-14 * std::max(std::fabs(stored.number), std::fabs(got.number));
  // A formula's empty text may be stored as an empty value.
  if (stored.kind == CellKind::Empty) return got.kind == CellKind::Text && got.text.empty();
  return stored == got;
}

struct Book {
  const char* name;
  size_t formulaCells;   // as the data's README counts them
};

class CalcWorkbooks : public ::testing::TestWithParam<Book> {
 protected:
  void SetUp() override { Wb_resetApp(); }
  void TearDown() override { Wb_resetApp(); }
};

TEST_P(CalcWorkbooks, RecalculateToTheStoredValues) {
  std::string error;
  Workbook* wb = Xlsx_open(std::string(CORVAN_DATA) + "/calc/" + GetParam().name + ".xlsx", &error);
  ASSERT_NE(wb, nullptr) << error;
  struct Stored { int sheet; std::uint64_t key; CellValue value; };
  std::vector<Stored> stored;
  for (size_t s = 0; s < wb->sheets.size(); ++s)
    for (const auto& [key, cell] : wb->sheets[s]->cells)
      if (!cell.formula.empty() || cell.arrayBlock >= 0) stored.push_back({static_cast<int>(s), key, cell.value});
  ASSERT_EQ(stored.size(), GetParam().formulaCells);
  Calc_recalculate(wb);
  int differ = 0;
  for (const Stored& st : stored) {
    const Cell& cell = wb->sheets[st.sheet]->cells.at(st.key);
    if (sameValue(st.value, cell.value)) continue;
    ++differ;
    ADD_FAILURE() << wb->sheets[st.sheet]->name << "!" << Wb_a1(Wb_keyRow(st.key), Wb_keyCol(st.key)) << " "
                  << cell.formula << ": stored " << testing::PrintToString(st.value) << ", calculated "
                  << testing::PrintToString(cell.value);
  }
  EXPECT_EQ(differ, 0);
}

INSTANTIATE_TEST_SUITE_P(Data, CalcWorkbooks,
                         ::testing::Values(Book{"calc-operators", 68}, Book{"calc-math", 80},
                                           Book{"calc-aggregate", 70}, Book{"calc-lookup-logic", 102},
                                           Book{"calc-text-arrays", 76}, Book{"calc-sheets-names", 89},
                                           Book{"calc-model-lp", 25}),
                         [](const auto& info) {
                           std::string n = info.param.name;
                           for (char& c : n) if (c == '-') c = '_';
                           return n;
                         });

}  // namespace
