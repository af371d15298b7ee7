// The rows of a CSV file of the shared data, below its header line, split
// at commas.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// `file` is relative to the shared data folder ("nlp/expected.csv").
inline std::vector<std::vector<std::string>> dataRows(const std::string& file) {
  std::vector<std::vector<std::string>> rows;
  std::ifstream in(std::string(CORVAN_DATA) + "/" + file);
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::stringstream ss(line);
    std::vector<std::string>& fields = rows.emplace_back();
    for (std::string item; std::getline(ss, item, ',');) fields.push_back(item);
  }
  return rows;
}
