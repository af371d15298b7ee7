// Saving a workbook as an .xlsx package: content types, relationships, the
// workbook part (sheets, defined names, active sheet), styles (number formats
// and named styles), shared strings and one part per sheet with every cell;
// formula cells carry their current value. The package is built in memory
// and then replaces the target (Xlsx_Replace.cpp).
#include "platform/xlsx/Xlsx.h"
#include "platform/xlsx/Xlsx_Internal.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <unordered_map>

#include "platform/os/Os_Guard.h"

namespace {

const char* const kMainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const char* const kRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const char* const kPackageRelNs = "http://schemas.openxmlformats.org/package/2006/relationships";
const char* const kXmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

struct Part {
  std::string name;
  std::string data;
};

// Style records of the saved file: custom number format ids and one cellXfs
// record per (number format id, named style) pair, record 0 the default.
struct StyleTable {
  std::map<std::string, int> customIds;           // format text -> id (164+)
  std::map<std::pair<int, int>, int> cellXfs;     // (numFmtId, style) -> index
  std::vector<std::pair<int, int>> records;
};

struct SharedStrings {
  std::unordered_map<std::string, int> index;
  std::vector<const std::string*> texts;
};

// XML text or attribute value, always well-formed; tabs and line feeds are
// character references so that attribute values keep them too.
std::string xmlText(const std::string& s) {
  std::string text = Xlsx_fileText(s), out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else if (c == '"') out += "&quot;";
    else if (c == '\t') out += "&#9;";
    else if (c == '\n') out += "&#10;";
    else out.push_back(c);
  }
  return out;
}

std::string numberText(double d) {
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, d);
  return std::string(buf, res.ptr);
}

int formatId(StyleTable& t, const std::string& format) {
  int id = Xlsx_builtinFormatId(format);
  if (id >= 0) return id;
  auto [it, inserted] = t.customIds.emplace(format, 164 + static_cast<int>(t.customIds.size()));
  return it->second;
}

int cellXf(StyleTable& t, const Workbook* wb, const Cell& c) {
  int style = c.style >= 0 && c.style < static_cast<int>(wb->styles.size()) ? c.style : 0;
  std::pair<int, int> key{formatId(t, c.numberFormat), style};
  auto [it, inserted] = t.cellXfs.emplace(key, static_cast<int>(t.records.size()));
  if (inserted) t.records.push_back(key);
  return it->second;
}

int sharedString(SharedStrings& ss, const std::string& text) {
  auto [it, inserted] = ss.index.emplace(text, static_cast<int>(ss.texts.size()));
  if (inserted) ss.texts.push_back(&it->first);
  return it->second;
}

// The active sheet as saved: a valid index even when the model's is not.
int activeTab(const Workbook* wb) {
  int last = static_cast<int>(wb->sheets.size()) - 1;
  return std::clamp(wb->activeSheet, 0, last);
}

// ---- cells ----

// Type attribute and <v> of a value; a formula's text result is t="str",
// a constant text goes to the shared strings.
void writeValue(std::string& out, const CellValue& v, bool formula, SharedStrings& ss, std::string* typeAttr) {
  switch (v.kind) {
    case CellKind::Empty: return;
    case CellKind::Number:
      if (!std::isfinite(v.number)) { *typeAttr = " t=\"e\""; out += "<v>#NUM!</v>"; return; }
      out += "<v>" + numberText(v.number) + "</v>";
      return;
    case CellKind::Text:
      if (formula) { *typeAttr = " t=\"str\""; out += "<v>" + xmlText(v.text) + "</v>"; return; }
      *typeAttr = " t=\"s\"";
      out += "<v>" + std::to_string(sharedString(ss, v.text)) + "</v>";
      return;
    case CellKind::Boolean:
      *typeAttr = " t=\"b\"";
      out += v.number != 0 ? "<v>1</v>" : "<v>0</v>";
      return;
    case CellKind::Error:
      *typeAttr = " t=\"e\"";
      out += std::string("<v>") + Wb_errorText(v.error) + "</v>";
      return;
  }
}

std::string formulaBody(const std::string& formula) {
  return xmlText(!formula.empty() && formula[0] == '=' ? formula.substr(1) : formula);
}

// The <f> element of a cell: its own formula, or the array formula of the
// block it heads; other cells of a block carry only their values.
std::string formulaElement(const Sheet* sh, const Cell& c, int row, int col) {
  if (c.arrayBlock >= 0 && c.arrayBlock < static_cast<int>(sh->arrays.size())) {
    const ArrayBlock& a = sh->arrays[c.arrayBlock];
    if (a.row1 != row || a.col1 != col) return "";
    std::string ref = Wb_a1(a.row1, a.col1) + ":" + Wb_a1(a.row2, a.col2);
    return "<f t=\"array\" ref=\"" + ref + "\">" + formulaBody(a.formula) + "</f>";
  }
  return c.formula.empty() ? "" : "<f>" + formulaBody(c.formula) + "</f>";
}

void writeCell(std::string& out, const Workbook* wb, const Sheet* sh, std::uint64_t key, const Cell& c,
               StyleTable& st, SharedStrings& ss) {
  int row = Wb_keyRow(key), col = Wb_keyCol(key);
  std::string body = formulaElement(sh, c, row, col);
  bool computed = !body.empty() || c.arrayBlock >= 0;
  std::string typeAttr;
  writeValue(body, c.value, computed, ss, &typeAttr);
  int xf = cellXf(st, wb, c);
  out += "<c r=\"" + Wb_a1(row, col) + "\"";
  if (xf != 0) out += " s=\"" + std::to_string(xf) + "\"";
  out += typeAttr;
  out += body.empty() ? "/>" : ">" + body + "</c>";
}

std::string sheetPart(const Workbook* wb, int index, StyleTable& st, SharedStrings& ss) {
  const Sheet* sh = wb->sheets[index].get();
  std::string out = kXmlHead;
  out += std::string("<worksheet xmlns=\"") + kMainNs + "\"><sheetViews><sheetView workbookViewId=\"0\"";
  if (index == activeTab(wb)) out += " tabSelected=\"1\"";
  out += "/></sheetViews><sheetData>";
  for (const auto& row : sh->cells.rows()) {   // "spans": the columns the row uses, so a reader can make room
    out += "<row r=\"" + std::to_string(row.row + 1) + "\" spans=\"" +
           std::to_string(Wb_keyCol(row.cells.front().first) + 1) + ":" +
           std::to_string(Wb_keyCol(row.cells.back().first) + 1) + "\">";
    for (const auto& [key, cell] : row.cells) writeCell(out, wb, sh, key, cell, st, ss);
    out += "</row>";
  }
  out += "</sheetData>";
  if (sh->protectedCells) out += "<sheetProtection sheet=\"1\"/>";
  if (!sh->merged.empty()) {
    out += "<mergeCells count=\"" + std::to_string(sh->merged.size()) + "\">";
    for (const CellRange& a : sh->merged)
      out += "<mergeCell ref=\"" + Wb_a1(a.row1, a.col1) + ":" + Wb_a1(a.row2, a.col2) + "\"/>";
    out += "</mergeCells>";
  }
  return out + "</worksheet>";
}

// ---- package parts ----

std::string workbookPart(const Workbook* wb) {
  std::string out = kXmlHead;
  out += std::string("<workbook xmlns=\"") + kMainNs + "\" xmlns:r=\"" + kRelNs + "\">";
  out += "<bookViews><workbookView activeTab=\"" + std::to_string(activeTab(wb)) + "\"/></bookViews><sheets>";
  for (size_t i = 0; i < wb->sheets.size(); ++i) {
    std::string n = std::to_string(i + 1);
    out += "<sheet name=\"" + xmlText(wb->sheets[i]->name) + "\" sheetId=\"" + n + "\"";
    if (!wb->sheets[i]->visible) out += " state=\"hidden\"";
    out += " r:id=\"rId" + n + "\"/>";
  }
  out += "</sheets>";
  if (!wb->names.empty()) {
    out += "<definedNames>";
    for (const DefinedName& dn : wb->names) {
      out += "<definedName name=\"" + xmlText(dn.name) + "\"";
      if (dn.scopeSheet >= 0) out += " localSheetId=\"" + std::to_string(dn.scopeSheet) + "\"";
      if (dn.hidden) out += " hidden=\"1\"";
      out += ">" + xmlText(dn.definition) + "</definedName>";
    }
    out += "</definedNames>";
  }
  return out + "<calcPr/></workbook>";
}

std::string stylesPart(const Workbook* wb, StyleTable& st) {
  std::vector<int> styleFormats;
  for (const CellStyle& cs : wb->styles) styleFormats.push_back(formatId(st, cs.numberFormat));
  std::string out = kXmlHead;
  out += std::string("<styleSheet xmlns=\"") + kMainNs + "\">";
  if (!st.customIds.empty()) {
    out += "<numFmts count=\"" + std::to_string(st.customIds.size()) + "\">";
    for (const auto& [text, id] : st.customIds)
      out += "<numFmt numFmtId=\"" + std::to_string(id) + "\" formatCode=\"" + xmlText(text) + "\"/>";
    out += "</numFmts>";
  }
  out += "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
         "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
         "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
         "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>";
  out += "<cellStyleXfs count=\"" + std::to_string(styleFormats.size()) + "\">";
  for (int id : styleFormats) out += "<xf numFmtId=\"" + std::to_string(id) + "\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/>";
  out += "</cellStyleXfs><cellXfs count=\"" + std::to_string(st.records.size()) + "\">";
  for (const auto& [id, style] : st.records)
    out += "<xf numFmtId=\"" + std::to_string(id) + "\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"" +
           std::to_string(style) + "\"" + (id != 0 ? " applyNumberFormat=\"1\"" : "") + "/>";
  out += "</cellXfs><cellStyles count=\"" + std::to_string(wb->styles.size()) + "\">";
  for (size_t i = 0; i < wb->styles.size(); ++i)
    out += "<cellStyle name=\"" + xmlText(wb->styles[i].name) + "\" xfId=\"" + std::to_string(i) + "\"" +
           (i == 0 ? " builtinId=\"0\"" : "") + "/>";
  return out + "</cellStyles></styleSheet>";
}

std::string sharedStringsPart(const SharedStrings& ss) {
  std::string out = kXmlHead;
  std::string n = std::to_string(ss.texts.size());
  out += std::string("<sst xmlns=\"") + kMainNs + "\" count=\"" + n + "\" uniqueCount=\"" + n + "\">";
  for (const std::string* t : ss.texts) out += "<si><t xml:space=\"preserve\">" + xmlText(*t) + "</t></si>";
  return out + "</sst>";
}

std::string relationship(const std::string& id, const std::string& type, const std::string& target) {
  return "<Relationship Id=\"" + id + "\" Type=\"" + type + "\" Target=\"" + target + "\"/>";
}

std::string workbookRelsPart(size_t sheets) {
  std::string out = kXmlHead;
  out += std::string("<Relationships xmlns=\"") + kPackageRelNs + "\">";
  std::string base = std::string(kRelNs) + "/";
  for (size_t i = 1; i <= sheets; ++i)
    out += relationship("rId" + std::to_string(i), base + "worksheet", "worksheets/sheet" + std::to_string(i) + ".xml");
  out += relationship("rId" + std::to_string(sheets + 1), base + "styles", "styles.xml");
  out += relationship("rId" + std::to_string(sheets + 2), base + "sharedStrings", "sharedStrings.xml");
  return out + "</Relationships>";
}

std::string rootRelsPart() {
  return kXmlHead + std::string("<Relationships xmlns=\"") + kPackageRelNs + "\">" +
         relationship("rId1", std::string(kRelNs) + "/officeDocument", "xl/workbook.xml") + "</Relationships>";
}

std::string contentTypesPart(size_t sheets) {
  const std::string doc = "application/vnd.openxmlformats-officedocument.spreadsheetml.";
  auto override = [](const std::string& part, const std::string& type) {
    return "<Override PartName=\"" + part + "\" ContentType=\"" + type + "\"/>";
  };
  std::string out = kXmlHead;
  out += "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
         "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
         "<Default Extension=\"xml\" ContentType=\"application/xml\"/>";
  out += override("/xl/workbook.xml", doc + "sheet.main+xml");
  out += override("/xl/styles.xml", doc + "styles+xml");
  out += override("/xl/sharedStrings.xml", doc + "sharedStrings+xml");
  for (size_t i = 1; i <= sheets; ++i)
    out += override("/xl/worksheets/sheet" + std::to_string(i) + ".xml", doc + "worksheet+xml");
  return out + "</Types>";
}

std::vector<Part> packageParts(const Workbook* wb) {
  StyleTable st;
  st.cellXfs.emplace(std::pair<int, int>{0, 0}, 0);
  st.records.push_back({0, 0});
  SharedStrings ss;
  std::vector<Part> parts;
  parts.push_back({"[Content_Types].xml", contentTypesPart(wb->sheets.size())});
  parts.push_back({"_rels/.rels", rootRelsPart()});
  parts.push_back({"xl/workbook.xml", workbookPart(wb)});
  parts.push_back({"xl/_rels/workbook.xml.rels", workbookRelsPart(wb->sheets.size())});
  for (size_t i = 0; i < wb->sheets.size(); ++i)
    parts.push_back({"xl/worksheets/sheet" + std::to_string(i + 1) + ".xml", sheetPart(wb, static_cast<int>(i), st, ss)});
  parts.push_back({"xl/styles.xml", stylesPart(wb, st)});
  parts.push_back({"xl/sharedStrings.xml", sharedStringsPart(ss)});
  return parts;
}

// Counts the steps of a save, so that a test can make any one of them fail.
int gFailAtStep = -1;
int gStep = 0;

bool writeZip(std::string* bytes, const std::vector<Part>& parts, std::string* why) {
  return Xlsx_writeArchive(
      bytes, parts.size(),
      [&](XlsxZipWriter* w, size_t i, std::string* error) {
        return Xlsx_zipAdd(w, parts[i].name, parts[i].data, kXlsxDeflateLevel, error);
      },
      why);
}

bool checkSavable(const Workbook* wb, std::string* why) {
  if (wb->sheets.empty()) { *why = "the workbook has no sheets"; return false; }
  for (const auto& sh : wb->sheets)
    if (sh->visible) return true;
  *why = "every sheet of the workbook is hidden";
  return false;
}

// The file a save replaces: the one a symbolic link leads to (so the link
// stays a link), else the path itself.
std::filesystem::path saveTarget(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!fs::is_symlink(path, ec)) return path;
  fs::path target = fs::canonical(path, ec);
  if (!ec) return target;
  fs::path link = fs::read_symlink(path, ec);   // a link to a file not there yet
  if (ec) return path;
  return link.is_absolute() ? link : fs::path(path).parent_path() / link;
}

// Builds the package of `wb` and writes it to the file at `path`.
bool save(Workbook* wb, const std::string& path, std::string* why, std::vector<std::string>* notes) {
  std::string bytes;
  // A workbook read from a package is saved by changing that package; one
  // whose sheets or formulas changed since, or that has none, is written anew.
  XlsxKeep kept = XlsxKeep::NotApplicable;
  bool ok = checkSavable(wb, why);
  if (ok && !wb->path.empty()) kept = Xlsx_writeKeeping(wb, wb->path, &bytes, why);
  ok = ok &&
       (kept == XlsxKeep::Written || (kept == XlsxKeep::NotApplicable && writeZip(&bytes, packageParts(wb), why)));
  return ok && Xlsx_replaceFile(saveTarget(path).string(), bytes, why, notes);
}

}  // namespace

bool Xlsx_writeArchive(std::string* bytes, size_t count, const XlsxMember& member, std::string* why) {
  if (!Xlsx_step(why)) return false;
  XlsxZipWriter w;
  for (size_t i = 0; i < count; ++i)
    if (!Xlsx_step(why) || !member(&w, i, why)) return false;
  return Xlsx_step(why) && Xlsx_zipFinish(&w, bytes, why);
}

bool Xlsx_step(std::string* why) {
  if (gStep++ != gFailAtStep) return true;
  *why = "interrupted";
  return false;
}

void Xlsx_failSaveAtStep(int step) {
  gFailAtStep = step;
  gStep = 0;
}

bool Xlsx_save(Workbook* wb, const std::string& path, std::string* error, std::vector<std::string>* notes) {
  Xlsx_beginSave();
  const unsigned long failures = Os_memoryFailures();
  std::string why;
  if (!Os_guard(false, [&] { return save(wb, path, &why, notes); })) {
    if (Os_memoryFailures() != failures) why = "out of memory while saving the workbook";
    if (error) *error = path + ": cannot save: " + why;
    return false;
  }
  wb->path = path;
  wb->name = std::filesystem::path(path).filename().string();
  return true;
}
