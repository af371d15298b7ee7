// What the SOCP engine's workbook tests write into cells: a number as the
// shortest text that reads back as the same double, and a cell's A1 name.
#pragma once

#include <cstdio>
#include <string>

namespace socpbook {

inline std::string written(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", v);
  return text;
}

// The A1 name of the cell at row and column from 0.
inline std::string cellOf(int row, int column) {
  return std::string(1, static_cast<char>('A' + column)) + std::to_string(row + 1);
}

}  // namespace socpbook
