// Cell and range positions of the interpreter. Rows are 16-bit and columns
// 8-bit, both 1-based; sheet 0 marks a position that is not known or a
// generated item without a cell.
#pragma once

#include <cstdint>

// The last sheet, row and column these positions hold.
constexpr int32_t kRefMaxSheet = 255;
constexpr int32_t kRefMaxRow = 65535;
constexpr int32_t kRefMaxColumn = 255;

struct CellRef {
  uint8_t sheet;
  uint16_t row;
  uint8_t column;
};

// An all-zero range stands for no range.
struct RangeRef {
  uint8_t sheet;
  uint16_t firstRow;
  uint8_t firstColumn;
  uint16_t lastRow;
  uint8_t lastColumn;
};
