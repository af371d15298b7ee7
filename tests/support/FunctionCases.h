// Reading the shared worksheet-function cases (functions/cases.csv): its CSV
// records and the flat JSON object of each case's input cells. Both the
// stand-in's calculation and the interpreter run these cases.
#pragma once

#include <cstdlib>
#include <fstream>
#include <istream>
#include <map>
#include <string>
#include <vector>

// One record of a CSV text with quoted fields ("" inside quotes is one "),
// or false at the end of the text.
inline bool Cases_readRecord(std::istream& in, std::vector<std::string>* fields) {
  fields->clear();
  std::string field;
  bool quoted = false, any = false;
  char c;
  while (in.get(c)) {
    any = true;
    if (quoted) {
      if (c != '"') { field += c; continue; }
      if (in.peek() == '"') { field += '"'; in.get(); continue; }
      quoted = false;
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      fields->push_back(field);
      field.clear();
    } else if (c == '\n') {
      break;
    } else if (c != '\r') {
      field += c;
    }
  }
  if (any) fields->push_back(field);
  return any;
}

// One input cell of a case. Error values come as texts ("#N/A", ...): the
// cases hold no other text equal to an error code.
struct CaseInput {
  enum Kind { Number, Text, Boolean };
  std::string cell;  // A1 address
  Kind kind = Number;
  std::string text;  // the text, or a number as the file writes it
  bool boolean = false;
  double number() const { return std::strtod(text.c_str(), nullptr); }
};

// The flat JSON object of cell -> number, text or boolean; false when the
// text is not such an object.
inline bool Cases_readContext(const std::string& json, std::vector<CaseInput>* out) {
  size_t i = 0;
  auto skip = [&] { while (i < json.size() && (json[i] == ' ' || json[i] == '\t')) ++i; };
  auto string = [&](std::string* s) {
    if (i >= json.size() || json[i] != '"') return false;
    for (++i; i < json.size() && json[i] != '"'; ++i) {
      if (json[i] != '\\') { *s += json[i]; continue; }
      char e = json[++i];
      if (e == 'u') {   // the cases use \u only for characters below 0x800
        unsigned code = static_cast<unsigned>(std::strtoul(json.substr(i + 1, 4).c_str(), nullptr, 16));
        i += 4;
        if (code < 0x80) *s += static_cast<char>(code);
        else { *s += static_cast<char>(0xC0 | (code >> 6)); *s += static_cast<char>(0x80 | (code & 0x3F)); }
      } else {
        *s += e == 'n' ? '\n' : e == 't' ? '\t' : e;
      }
    }
    ++i;
    return true;
  };
  skip();
  if (i == json.size()) return true;
  if (json[i++] != '{') return false;
  for (;;) {
    skip();
    if (i < json.size() && json[i] == '}') return true;
    CaseInput input;
    if (!string(&input.cell)) return false;
    skip();
    ++i;   // :
    skip();
    if (i < json.size() && json[i] == '"') {
      input.kind = CaseInput::Text;
      if (!string(&input.text)) return false;
    } else if (json.compare(i, 4, "true") == 0 || json.compare(i, 5, "false") == 0) {
      input.kind = CaseInput::Boolean;
      input.boolean = json[i] == 't';
      i += input.boolean ? 4 : 5;
    } else {
      const size_t end = json.find_first_of(",} ", i);
      if (end == std::string::npos || end == i) return false;
      input.text = json.substr(i, end - i);
      i = end;
    }
    out->push_back(input);
    skip();
    if (i < json.size() && json[i] == ',') ++i;
  }
}

// A last field that is a number, else 0.
inline double Cases_toleranceOf(const std::string& field) {
  char* end = nullptr;
  const double t = std::strtod(field.c_str(), &end);
  return end && *end == '\0' && end != field.c_str() ? t : 0.0;
}

// A list of exceptions (id, reason and, for a case that differs only by its
// method's accuracy, a relative tolerance): the tolerance by id, 0 for a
// case that is not expected to pass at all.
inline std::map<std::string, double> Cases_readExceptions(const std::string& path) {
  std::ifstream in(path);
  std::map<std::string, double> ids;
  std::vector<std::string> row;
  while (Cases_readRecord(in, &row))
    if (!row.empty() && !row[0].empty() && row[0] != "id")
      ids[row[0]] = row.size() > 2 ? Cases_toleranceOf(row.back()) : 0.0;
  return ids;
}
