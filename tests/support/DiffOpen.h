// The open disagreements of the differential check (see DiffCheck.h): faults
// of either calculation still to mend, kept in
// tests/frontend/differential_open.csv. A class is the function a generated
// formula calls at its top (or its top operator) and the kind of the
// disagreement; the file gives each the number of the test's fixed-seed
// formulas that show it and the shortest of them. The test compares its tally
// with the file and writes the list anew; the fuzz target stops only on a
// class the file does not name.
#pragma once

#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/FunctionCases.h"

// A class of disagreement: the function (or operator) and the kind.
using DiffKey = std::pair<std::string, std::string>;

struct DiffOpenClass {
  int formulas = 0;
  std::string example;
};

using DiffOpenList = std::map<DiffKey, DiffOpenClass>;

// The comment the file opens with. It holds no double quote, which would
// open a quoted field.
inline const char kDiffOpenHeader[] =
    "# Open disagreements of the differential check (tests/frontend/DifferentialTest.cpp):\n"
    "# faults of the stand-in's calculation or of the interpreter still to mend. Differences\n"
    "# that are meant are no faults: they are documented, each with its reason, in\n"
    "# tests/support/DiffCheck.h, not here. One class a line: the function a generated\n"
    "# formula calls at its top (or its top operator), the kind of disagreement, the number\n"
    "# of the test's fixed-seed formulas that show it and the shortest of them.\n"
    "# The list may only shrink. The test fails on a class not listed (a new fault: mend or\n"
    "# document it) and on a listed class whose count changed (mended or worsened). After a\n"
    "# mend, rewrite the file from the worktree's root with\n"
    "#   CORVAN_DIFF_OPEN_WRITE=tests/frontend/differential_open.csv \\\n"
    "#     build/out/test_frontend --gtest_filter=Differential.*\n"
    "# (the test prints the same text when it fails).\n";

inline const char kDiffOpenColumns[] = "function,kind,formulas,example";
constexpr size_t kDiffOpenFields = 4;

// The file beside the test in the source tree.
inline std::string Diff_openPath(const char* sourceRoot) {
  return std::string(sourceRoot) + "/tests/frontend/differential_open.csv";
}

// The classes the file lists; false, with the reason, when it cannot be
// read or a line is not a class.
inline bool Diff_readOpen(const std::string& path, DiffOpenList* list, std::string* error) {
  std::ifstream in(path);
  if (!in) {
    *error = "cannot read " + path;
    return false;
  }
  std::vector<std::string> row;
  for (int line = 1; Cases_readRecord(in, &row); ++line) {
    if (row.empty() || row[0].empty() || row[0][0] == '#' || row[0] == "function") continue;
    char* end = nullptr;
    const long formulas = row.size() == kDiffOpenFields ? std::strtol(row[2].c_str(), &end, 10) : 0;
    if (formulas <= 0 || !end || *end != '\0') {
      *error = path + " record " + std::to_string(line) + ": not function,kind,formulas,example";
      return false;
    }
    (*list)[DiffKey{row[0], row[1]}] = DiffOpenClass{static_cast<int>(formulas), row[3]};
  }
  return true;
}

// One more formula showing the class; the shortest formula is its example.
inline void Diff_noteOpen(DiffOpenList* list, const DiffKey& key, const std::string& formula) {
  DiffOpenClass& c = (*list)[key];
  if (c.formulas++ == 0 || formula.size() < c.example.size()) c.example = formula;
}

namespace diff_detail {

// A CSV field, quoted (with its quotes doubled) when it holds a comma or a
// quote.
inline std::string csvField(const std::string& text) {
  if (text.find_first_of(",\"") == std::string::npos) return text;
  std::string out = "\"";
  for (char ch : text) out += ch == '"' ? std::string("\"\"") : std::string(1, ch);
  return out + "\"";
}

}  // namespace diff_detail

// The file's text for the list.
inline std::string Diff_openText(const DiffOpenList& list) {
  using diff_detail::csvField;
  std::string text = std::string(kDiffOpenHeader) + kDiffOpenColumns + "\n";
  for (const auto& [key, c] : list)
    text += csvField(key.first) + "," + csvField(key.second) + "," + std::to_string(c.formulas) + "," +
            csvField(c.example) + "\n";
  return text;
}
