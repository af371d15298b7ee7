// The labels results are printed with: the nearest text to the left of a
// cell and the heading of its column (the nearest text above with no blank
// between), found through one index of a sheet's cells, against a walk cell
// by cell.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "frontend/Fe_Model.h"

namespace {

// The label as the rule says it, one cell at a time.
std::string walkedLabel(const Sheet* sh, int row, int col) {
  std::string left, above;
  for (int c = col - 1; c >= 0 && left.empty(); --c)
    if (const Cell* cell = Wb_findCell(sh, row, c); cell && cell->value.kind == CellKind::Text) left = cell->value.text;
  for (int r = row - 1; r >= 0 && above.empty(); --r) {
    const Cell* cell = Wb_findCell(sh, r, col);
    if (!cell || cell->value.kind == CellKind::Empty) break;  // a blank ends the table
    if (cell->value.kind == CellKind::Text) above = cell->value.text;
  }
  return left.empty() || above.empty() ? left + above : left + " " + above;
}

}  // namespace

TEST(Labels, NearestTextsLeftAndAbove) {
  Wb_resetApp();
  Workbook* wb = Wb_newWorkbook("plan.xlsx");
  Sheet* sh = Wb_addSheet(wb, "Plan");
  Wb_setValue(wb, sh, 0, 1, CellValue::makeText("Doors"));
  Wb_setValue(wb, sh, 0, 2, CellValue::makeText("Windows"));
  Wb_setValue(wb, sh, 1, 0, CellValue::makeText("Batches"));
  Wb_setValue(wb, sh, 1, 1, CellValue::makeNumber(2));
  Wb_setValue(wb, sh, 1, 2, CellValue::makeNumber(6));
  Wb_setValue(wb, sh, 4, 0, CellValue::makeText("Plant 1"));
  Wb_setValue(wb, sh, 4, 1, CellValue::makeNumber(2));
  Wb_setValue(wb, sh, 2, 1, CellValue::makeNumber(3));
  Wb_setValue(wb, sh, 3, 1, CellValue::makeNumber(4));
  Wb_setValue(wb, sh, 6, 0, CellValue::makeText("Total profit"));
  Wb_setValue(wb, sh, 6, 1, CellValue::makeNumber(36));
  FeLabels labels{wb, {}, {}, {}};
  EXPECT_EQ(Fe_label(&labels, 0, 1, 1), "Batches Doors");
  EXPECT_EQ(Fe_label(&labels, 0, 1, 2), "Batches Windows");
  EXPECT_EQ(Fe_label(&labels, 0, 4, 1), "Plant 1 Doors");  // numbers between are passed over
  EXPECT_EQ(Fe_label(&labels, 0, 6, 1), "Total profit");   // the blank row 6 ends the table headed Doors
  EXPECT_EQ(Fe_label(&labels, 0, 0, 0), "");
  EXPECT_EQ(Fe_label(&labels, 0, 4, 5), "Plant 1");
  Wb_resetApp();
}

TEST(Labels, AgreeWithAWalkOnEveryCellOfRandomSheets) {
  Wb_resetApp();
  std::mt19937 rng(11);
  Workbook* wb = Wb_newWorkbook("random.xlsx");
  for (int s = 0; s < 2; ++s) {
    Sheet* sh = Wb_addSheet(wb, "S" + std::to_string(s));
    for (int k = 0; k < 150; ++k) {
      int row = static_cast<int>(rng() % 25), col = static_cast<int>(rng() % 12);
      if (rng() % 3 == 0) Wb_setValue(wb, sh, row, col, CellValue::makeText("t" + std::to_string(k)));
      else Wb_setValue(wb, sh, row, col, CellValue::makeNumber(k));
    }
  }
  FeLabels labels{wb, {}, {}, {}};
  for (int s = 0; s < 2; ++s)
    for (int row = 0; row < 27; ++row)
      for (int col = 0; col < 14; ++col)
        ASSERT_EQ(Fe_label(&labels, s, row, col), walkedLabel(wb->sheets[s].get(), row, col))
            << "sheet " << s << " " << Wb_a1(row, col);
  Wb_resetApp();
}

TEST(Labels, AgreeWithAWalkWhateverOrderTheCellsAreAskedIn) {
  Wb_resetApp();
  std::mt19937 rng(5);
  Workbook* wb = Wb_newWorkbook("shuffled.xlsx");
  Sheet* sh = Wb_addSheet(wb, "S");
  constexpr int kRows = 12, kColumns = 40;
  for (int k = 0; k < 120; ++k) {
    int row = static_cast<int>(rng() % kRows), col = static_cast<int>(rng() % kColumns);
    if (rng() % 3 == 0) Wb_setValue(wb, sh, row, col, CellValue::makeText("t" + std::to_string(k)));
    else Wb_setValue(wb, sh, row, col, CellValue::makeNumber(k));
  }
  // Empty texts, which label nothing, on the last row: to the left of the
  // cells asked there, above none of them.
  for (int col = 0; col < kColumns; col += 3) Wb_setValue(wb, sh, kRows, col, CellValue::makeText(""));
  Wb_setValue(wb, sh, kRows, 1, CellValue::makeText("first"));
  std::vector<std::pair<int, int>> cells;
  for (int row = 0; row <= kRows; ++row)
    for (int col = 0; col < kColumns + 2; ++col) cells.push_back({row, col});
  std::shuffle(cells.begin(), cells.end(), rng);
  // Runs along a row too, as a table of variable cells asks.
  for (int col = 0; col < kColumns + 2; ++col) cells.push_back({kRows, col});
  FeLabels labels{wb, {}, {}, {}};
  for (const auto& [row, col] : cells)
    ASSERT_EQ(Fe_label(&labels, 0, row, col), walkedLabel(sh, row, col)) << Wb_a1(row, col);
  Wb_resetApp();
}
