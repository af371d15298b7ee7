// Fuzz target: any bytes as a workbook file, or (when they do not start like
// a zip archive) as the texts of a workbook's parts, which the target packs
// with correct checksums so that the mutations reach the XML. Opening costs
// little or fails with a message; an accepted workbook saves, both anew and by changing its
// own package, and reopens to the same sheets, cells, formulas and names;
// then it recalculates.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/calc/Calc.h"
#include "platform/xlsx/Xlsx.h"
#include "tests/support/StoredZip.h"

namespace {

std::string valueText(const CellValue& v) {
  switch (v.kind) {
    case CellKind::Empty: return "";
    case CellKind::Number: {
      char digits[32];
      std::snprintf(digits, sizeof digits, "%.17g", v.number);
      return digits;
    }
    case CellKind::Text: return "'" + v.text;
    case CellKind::Boolean: return v.number != 0 ? "TRUE" : "FALSE";
    case CellKind::Error: return Wb_errorText(v.error);
  }
  return "";
}

// What a save must keep, as one text.
std::string described(const Workbook& wb) {
  std::string out;
  for (const auto& sh : wb.sheets) {
    out += "sheet " + sh->name + (sh->visible ? "\n" : " hidden\n");
    for (const auto& [key, c] : sh->cells) {
      out += Wb_a1(Wb_keyRow(key), Wb_keyCol(key)) + " " + valueText(c.value) + " | " + c.formula;
      if (c.arrayBlock >= 0) {
        const ArrayBlock& a = sh->arrays[c.arrayBlock];
        out += " {" + a.formula + "} " + Wb_a1(a.row1, a.col1) + ":" + Wb_a1(a.row2, a.col2);
      }
      out += "\n";
    }
  }
  for (const DefinedName& n : wb.names)
    out += "name " + n.name + " " + n.definition + " " + std::to_string(n.scopeSheet) + (n.hidden ? " hidden\n" : "\n");
  return out;
}

// The parts' texts, separated by kPartBreak: the sheet, then the workbook
// part, the shared strings and the styles, each with a default when absent.
const char* const kPartBreak = "\n--part--\n";

std::string packed(const std::string& texts) {
  const char* rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  const std::string pkg = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  std::vector<std::string> given;
  for (size_t at = 0; at <= texts.size() && given.size() < 4;) {
    size_t end = texts.find(kPartBreak, at);
    given.push_back(texts.substr(at, end == std::string::npos ? std::string::npos : end - at));
    at = end == std::string::npos ? texts.size() + 1 : end + std::strlen(kPartBreak);
  }
  given.resize(4);
  if (given[1].empty())
    given[1] = std::string("<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" xmlns:r=\"") +
               rel + "\"><sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"a\"/></sheets></workbook>";
  Parts parts = {
      {"_rels/.rels", pkg + "<Relationship Id=\"r\" Type=\"" + rel + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
      {"xl/_rels/workbook.xml.rels",
       pkg + "<Relationship Id=\"a\" Type=\"" + rel + "/worksheet\" Target=\"sheet.xml\"/><Relationship Id=\"b\" Type=\"" +
           rel + "/sharedStrings\" Target=\"strings.xml\"/><Relationship Id=\"c\" Type=\"" + rel +
           "/styles\" Target=\"styles.xml\"/></Relationships>"},
      {"xl/workbook.xml", given[1]}, {"xl/sheet.xml", given[0]}};
  if (!given[2].empty()) parts.push_back({"xl/strings.xml", given[2]});
  if (!given[3].empty()) parts.push_back({"xl/styles.xml", given[3]});
  return storedZip(parts);
}

void require(bool ok, const std::string& what) {
  if (ok) return;
  std::fprintf(stderr, "fuzz_workbook: %s\n", what.c_str());
  std::abort();
}

// A folder of this process for the files of each run, removed at exit.
struct Scratch {
  std::string dir = (std::filesystem::temp_directory_path() / ("corvan-fuzz-" + std::to_string(getpid()))).string();
  Scratch() { std::filesystem::create_directories(dir); }
  ~Scratch() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  static const Scratch scratch;
  const std::string in = scratch.dir + "/in.xlsx", out = scratch.dir + "/out.xlsx";
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (bytes.rfind("PK", 0) != 0) bytes = packed(bytes);
  std::ofstream(in, std::ios::binary) << bytes;
  Wb_resetApp();
  std::string error;
  Workbook* wb = Xlsx_open(in, &error);
  if (!wb) return 0;
  const std::string before = described(*wb);
  for (bool anew : {true, false}) {
    wb->path = anew ? "" : in;
    if (!Xlsx_save(wb, out, &error)) continue;   // a workbook no program could show
    Workbook* again = Xlsx_open(out, &error);
    require(again != nullptr, "a saved workbook does not reopen: " + error);
    require(described(*again) == before, std::string("a workbook saved ") + (anew ? "anew" : "in its package") +
                                             " reopens to other contents:\n" + before + "---\n" + described(*again));
    Wb_closeWorkbook(again);
  }
  Calc_recalculate(wb);
  Wb_resetApp();
  return 0;
}
