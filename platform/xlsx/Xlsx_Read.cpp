// Opening a workbook file: the zip package, its relationships, the workbook
// part (sheets, defined names, active sheet), shared strings, styles (number
// formats and named cell styles) and every worksheet's cells.
#include "platform/xlsx/Xlsx.h"
#include "platform/xlsx/Xlsx_Internal.h"

#include <algorithm>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <pugixml.hpp>
#include <unordered_set>

#include "base/Utf8_Text.h"
#include "platform/os/Os.h"
#include "platform/os/Os_Guard.h"
#include "platform/xlsx/Xlsx_Zip.h"

namespace {

// The package may inflate to at most this many times the file's size (or
// kMinInflateBudget, if larger), and never beyond a quarter of the memory
// the machine has free: a file of a few hundred kilobytes holding hundreds
// of megabytes of sheet is refused before it is inflated.
constexpr std::uint64_t kInflateRatio = 200;
constexpr std::uint64_t kMinInflateBudget = 64u << 20;
// Array blocks of a sheet may cover at most the cells the sheet stores plus
// this many: a block's cells are all made, so a block the file does not back
// with its cells would cost without bound.
constexpr long long kArrayCellSlack = 1 << 16;
// Workbooks of up to this many cells keep a copy of what was read for their
// save; a larger one is read again when saved rather than held twice.
constexpr std::size_t kKeptCellsMax = 1 << 18;
// Columns a sheet has.
constexpr int kSheetColumns = 16384;
// The first bytes of a compound document, the container of the old binary
// workbooks (.xls).
constexpr char kCompoundSignature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
// A password-protected workbook is a compound document too, whose directory
// names the stream that holds the encrypted package (names are UTF-16).
constexpr char kEncryptedPackageName[] = "E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0";
// How much of a file's start is looked at to tell a text file.
constexpr std::size_t kTextProbeBytes = 4096;
// The member of an OpenDocument package that names its type, the type of a
// spreadsheet (its template's type begins with it too), and the most of it read.
constexpr const char* kMimetypePart = "mimetype";
constexpr const char* kOpenDocumentSpreadsheet = "application/vnd.oasis.opendocument.spreadsheet";
constexpr std::uint64_t kMimetypeMax = 256;
// A text is kept in its element (no node of its own).
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_ws_pcdata_single | pugi::parse_embed_pcdata;

// The style of a cell format record: its number format and named style.
struct CellFormat {
  NumberFormat numberFormat;
  int style = 0;
};

// A shared formula's master cell.
struct SharedFormula {
  int row = 0, col = 0;
  std::string text;
};

struct Reader {
  const XlsxZip* zip = nullptr;
  Workbook* wb = nullptr;
  XlsxPackage* package = nullptr;            // where the parts lie, when asked
  std::vector<XlsxSheetText> sheetTexts;     // for `package`
  std::vector<std::string> strings;          // shared strings
  std::vector<CellFormat> formats;           // cellXfs
  std::uint64_t inflateBudget = 0;           // bytes the parts not yet read may inflate to
  std::string error;                          // detail, without the file name
};

bool fail(Reader& r, const std::string& message) {
  if (r.error.empty()) r.error = message;
  return false;
}

bool readPart(Reader& r, const std::string& name, std::string* out) {
  const XlsxZipMember* m = Xlsx_zipFind(*r.zip, name);
  if (!m) return fail(r, "part '" + name + "' is missing");
  if (m->size > r.inflateBudget)
    return fail(r, "part '" + name + "' inflates to " + std::to_string(m->size >> 20) +
                       " MiB, more than a file of this size may hold (at most " +
                       std::to_string(r.inflateBudget >> 20) + " MiB left)");
  r.inflateBudget -= m->size;
  std::string why;
  return Xlsx_zipRead(*r.zip, *m, out, &why) || fail(r, "part '" + name + "' cannot be read: " + why);
}

bool hasPart(Reader& r, const std::string& name) { return Xlsx_zipFind(*r.zip, name) != nullptr; }

bool loadXml(Reader& r, const std::string& name, XlsxXmlPart* part) {
  if (!readPart(r, name, &part->data)) return false;
  pugi::xml_parse_result res = part->doc.load_buffer_inplace(part->data.data(), part->data.size(), kParseOptions);
  Xlsx_checkParse(res);
  if (!res) return fail(r, "part '" + name + "' is not valid XML: " + res.description());
  return true;
}

// Strips a namespace prefix: "x:sheet" -> "sheet".
const char* localName(const pugi::xml_node& n) {
  const char* name = n.name();
  const char* colon = std::strrchr(name, ':');
  return colon ? colon + 1 : name;
}

pugi::xml_node child(const pugi::xml_node& n, const char* name) {
  for (pugi::xml_node c : n.children())
    if (std::strcmp(localName(c), name) == 0) return c;
  return {};
}

template <typename Fn>
void eachChild(const pugi::xml_node& n, const char* name, Fn fn) {
  for (pugi::xml_node c : n.children())
    if (std::strcmp(localName(c), name) == 0) fn(c);
}

// The attribute whose local name is `name` ("r:id" answers "id" too).
pugi::xml_attribute attr(const pugi::xml_node& n, const char* name) {
  for (pugi::xml_attribute a : n.attributes()) {
    const char* an = a.name();
    const char* colon = std::strrchr(an, ':');
    if (std::strcmp(colon ? colon + 1 : an, name) == 0) return a;
  }
  return {};
}

bool isTrue(const pugi::xml_attribute& a) {
  std::string v = a.value();
  return v == "1" || v == "true";
}

// An integer attribute within [lo, hi], or `absent` when there is none.
bool intText(std::string_view text, bool given, long long lo, long long hi, int absent, int* out) {
  if (!given) { *out = absent; return true; }
  long long v = 0;
  auto res = std::from_chars(text.data(), text.data() + text.size(), v);
  if (res.ec != std::errc() || res.ptr != text.data() + text.size() || v < lo || v > hi) return false;
  *out = static_cast<int>(v);
  return true;
}

bool intAttr(const pugi::xml_attribute& a, long long lo, long long hi, int absent, int* out) {
  return intText(a.value(), static_cast<bool>(a), lo, hi, absent, out);
}

// Text of a string item as the file writes it: its <t>, or the <t> of each
// rich-text run.
std::string fileRichText(const pugi::xml_node& si) {
  std::string text;
  for (pugi::xml_node c : si.children()) {
    if (std::strcmp(localName(c), "t") == 0) text += c.child_value();
    if (std::strcmp(localName(c), "r") == 0) text += child(c, "t").child_value();
  }
  return text;
}

std::string richText(const pugi::xml_node& si) { return Xlsx_decodeText(fileRichText(si)); }

// Resolves a relationship target against the folder of the part that owns it.
std::string resolveTarget(const std::string& owner, const std::string& target) {
  if (!target.empty() && target[0] == '/') return target.substr(1);
  std::filesystem::path base = std::filesystem::path(owner).parent_path();
  return (base / target).lexically_normal().generic_string();
}

std::string relsPartOf(const std::string& part) {
  std::filesystem::path p(part);
  return (p.parent_path() / "_rels" / (p.filename().string() + ".rels")).generic_string();
}

struct Relationship { std::string type, target; };

// Relationships of a part by id; an absent relationships part gives none.
bool loadRelationships(Reader& r, const std::string& part, std::map<std::string, Relationship>* out) {
  std::string rels = relsPartOf(part);
  if (!hasPart(r, rels)) return true;
  XlsxXmlPart xml;
  if (!loadXml(r, rels, &xml)) return false;
  eachChild(xml.doc.document_element(), "Relationship", [&](pugi::xml_node rel) {
    std::string target = rel.attribute("Target").value();
    (*out)[rel.attribute("Id").value()] = {rel.attribute("Type").value(), resolveTarget(part, target)};
  });
  return true;
}

bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::string targetOfType(const std::map<std::string, Relationship>& rels, const std::string& type) {
  for (const auto& [id, rel] : rels)
    if (endsWith(rel.type, "/" + type)) return rel.target;
  return "";
}

bool findWorkbookPart(Reader& r, std::string* part) {
  std::map<std::string, Relationship> rels;
  if (!loadRelationships(r, "", &rels)) return false;
  *part = targetOfType(rels, "officeDocument");
  if (part->empty()) *part = "xl/workbook.xml";
  return hasPart(r, *part) || fail(r, "is not a workbook (no workbook part)");
}

bool loadSharedStrings(Reader& r, const std::string& part) {
  XlsxXmlPart xml;
  if (!loadXml(r, part, &xml)) return false;
  eachChild(xml.doc.document_element(), "si", [&](pugi::xml_node si) { r.strings.push_back(richText(si)); });
  return true;
}

std::string normalFormat(const std::string& f) { return Wb_equalNoCase(f, "General") ? "" : f; }

std::map<int, std::string> loadNumberFormats(const pugi::xml_node& sheet) {
  std::map<int, std::string> formats;
  eachChild(child(sheet, "numFmts"), "numFmt", [&](pugi::xml_node nf) {
    formats[nf.attribute("numFmtId").as_int()] = normalFormat(nf.attribute("formatCode").value());
  });
  return formats;
}

std::string formatOf(const std::map<int, std::string>& custom, int id) {
  auto it = custom.find(id);
  return it != custom.end() ? it->second : Xlsx_builtinFormat(id);
}

// Named styles become Workbook::styles; returns the style index of each
// cellStyleXfs record that a named style uses.
std::map<int, int> loadNamedStyles(Reader& r, const pugi::xml_node& sheet, const std::map<int, std::string>& custom) {
  std::vector<int> styleXfFormats;
  eachChild(child(sheet, "cellStyleXfs"), "xf",
            [&](pugi::xml_node xf) { styleXfFormats.push_back(xf.attribute("numFmtId").as_int()); });
  std::map<int, int> styleOfXf;
  eachChild(child(sheet, "cellStyles"), "cellStyle", [&](pugi::xml_node cs) {
    int xf = cs.attribute("xfId").as_int();
    std::string format = xf >= 0 && xf < static_cast<int>(styleXfFormats.size())
                             ? formatOf(custom, styleXfFormats[xf]) : std::string();
    int index = Wb_addStyle(r.wb, CellStyle{cs.attribute("name").value(), format});
    styleOfXf.emplace(xf, index);
  });
  return styleOfXf;
}

bool loadStyles(Reader& r, const std::string& part) {
  XlsxXmlPart xml;
  if (!loadXml(r, part, &xml)) return false;
  pugi::xml_node sheet = xml.doc.document_element();
  std::map<int, std::string> custom = loadNumberFormats(sheet);
  std::map<int, int> styleOfXf = loadNamedStyles(r, sheet, custom);
  eachChild(child(sheet, "cellXfs"), "xf", [&](pugi::xml_node xf) {
    auto st = styleOfXf.find(xf.attribute("xfId").as_int());
    r.formats.push_back({NumberFormat(formatOf(custom, xf.attribute("numFmtId").as_int())),
                         st == styleOfXf.end() ? 0 : st->second});
  });
  return true;
}

bool loadSheetList(Reader& r, const pugi::xml_node& book, const std::map<std::string, Relationship>& rels,
                   std::vector<std::string>* parts) {
  bool ok = true;
  std::unordered_set<std::string> seen;  // the names so far, folded: one look-up a sheet
  eachChild(child(book, "sheets"), "sheet", [&](pugi::xml_node s) {
    std::string name = Xlsx_decodeText(s.attribute("name").value());
    auto rel = rels.find(attr(s, "id").value());
    if (!ok) return;
    if (name.empty() || !seen.insert(Utf8_foldedText(name)).second) { ok = fail(r, "sheet name '" + name + "' is empty or repeated"); return; }
    if (rel == rels.end()) { ok = fail(r, "sheet '" + name + "' has no part"); return; }
    Sheet* sh = Wb_addSheet(r.wb, name);
    std::string state = s.attribute("state").value();
    sh->visible = state.empty() || state == "visible";
    parts->push_back(rel->second.target);
  });
  if (ok && parts->empty()) return fail(r, "workbook has no sheets");
  return ok;
}

bool loadDefinedNames(Reader& r, const pugi::xml_node& book) {
  bool ok = true;
  int sheets = static_cast<int>(r.wb->sheets.size());
  eachChild(child(book, "definedNames"), "definedName", [&](pugi::xml_node n) {
    DefinedName dn;
    dn.name = Xlsx_decodeText(n.attribute("name").value());
    dn.definition = Xlsx_decodeText(n.child_value());
    dn.hidden = isTrue(n.attribute("hidden"));
    if (dn.name.empty() || !intAttr(n.attribute("localSheetId"), 0, sheets - 1, -1, &dn.scopeSheet)) {
      ok = ok && fail(r, "defined name '" + dn.name + "' has no name or a bad sheet scope");
      return;
    }
    Wb_defineName(r.wb, dn);
  });
  return ok;
}

// ---- worksheet cells ----

struct SheetReader {
  Reader& r;
  Sheet* sh;
  std::map<std::string, SharedFormula> shared;   // by si
  int row = -1, col = -1;                         // the cell being read
  size_t rowCells = 0;                            // cells the row may have, until its first is read
  std::string_view text;                          // the part's text
  pugi::xml_node data;                            // <sheetData>, when the part was parsed
  long long arrayCells = -1;                      // cells array blocks may still cover, -1 until counted
  XlsxSheetText* kept = nullptr;                  // where the cells lie in `text`, when asked
};

// Array blocks may cover the cells the sheet stores and some more; counted
// when the first block comes.
void countArrayCells(SheetReader& s) {
  if (s.arrayCells >= 0) return;
  s.arrayCells = kArrayCellSlack;
  if (s.data) {
    for (pugi::xml_node rn : s.data.children())
      for (pugi::xml_node c : rn.children()) s.arrayCells += std::strcmp(localName(c), "c") == 0;
    return;
  }
  for (size_t at = s.text.find('<'); at != std::string_view::npos; at = s.text.find('<', at + 1)) {
    size_t e = s.text.find_first_of(" \t\r\n/>", at);
    std::string_view name = s.text.substr(at + 1, e == std::string_view::npos ? 0 : e - at - 1);
    s.arrayCells += name == "c" || (name.size() > 2 && name.substr(name.size() - 2) == ":c");
  }
}

bool cellFail(SheetReader& s, const std::string& message) {
  return fail(s.r, "sheet '" + s.sh->name + "' cell " + Wb_a1(s.row, s.col) + ": " + message);
}

// A whole number of up to this many digits is exact in a double: read
// directly, it costs a fraction of the general conversion.
constexpr size_t kExactDigits = 15;

// Digits only, as most stored numbers of a model are: the value they give
// the general conversion, or false for any other text.
bool parseWholeNumber(std::string_view text, double* out) {
  bool negative = !text.empty() && text[0] == '-';
  std::string_view digits = text.substr(negative ? 1 : 0);
  if (digits.empty() || digits.size() > kExactDigits) return false;
  std::int64_t v = 0;
  for (char ch : digits) {
    if (ch < '0' || ch > '9') return false;
    v = v * 10 + (ch - '0');
  }
  *out = negative ? -static_cast<double>(v) : static_cast<double>(v);
  return true;
}

bool parseNumber(std::string_view text, double* out) {
  if (parseWholeNumber(text, out)) return true;
  auto res = std::from_chars(text.data(), text.data() + text.size(), *out);
  return res.ec == std::errc() && res.ptr == text.data() + text.size() && std::isfinite(*out);
}

// The value made a number in place: what assigning CellValue::makeNumber(d)
// gives, without a temporary value.
void setNumber(CellValue* v, double d) {
  v->kind = CellKind::Number;
  v->error = CellError::Null;
  v->number = d;
  v->text.clear();
}

// A plain number cell, as most cells of a model are: no type, or "n".
bool isNumberType(std::string_view type) { return type.empty() || (type.size() == 1 && type[0] == 'n'); }

// The cell's value as stored (for a formula cell, its last computed value).
// Types are told apart by their first byte and length before any text is
// compared: this runs for every cell of every sheet.
bool readValue(SheetReader& s, const XlsxCellText& c, CellValue* out) {
  std::string_view type = c.type, text = c.value;
  if (isNumberType(type) && c.hasValue && !text.empty()) {
    double d = 0;
    if (!parseNumber(text, &d)) return cellFail(s, "unreadable number '" + std::string(text) + "'");
    setNumber(out, d);
    return true;
  }
  if (type == "inlineStr") { *out = CellValue::makeText(Xlsx_decodeText(c.inlineText)); return true; }
  if (type == "str") { *out = CellValue::makeText(Xlsx_decodeText(text)); return true; }
  if (!c.hasValue || (text.empty() && type != "s") || isNumberType(type)) { *out = CellValue{}; return true; }
  if (type == "s") {
    size_t i = 0;
    auto res = std::from_chars(text.data(), text.data() + text.size(), i);
    if (res.ec != std::errc() || res.ptr != text.data() + text.size() || i >= s.r.strings.size())
      return cellFail(s, "bad shared string index '" + std::string(text) + "'");
    *out = CellValue::makeText(s.r.strings[i]);
  } else if (type == "b") {
    if (text != "0" && text != "1") return cellFail(s, "unreadable boolean '" + std::string(text) + "'");
    *out = CellValue::makeBoolean(text == "1");
  } else if (type == "e") {
    CellError e;
    if (!Wb_errorFromText(std::string(text), &e)) return cellFail(s, "unknown error value '" + std::string(text) + "'");
    *out = CellValue::makeError(e);
  } else {
    return cellFail(s, "cell type '" + std::string(type) + "' is not supported");
  }
  return true;
}

bool parseBlock(const std::string& ref, CellRange* out) {
  size_t colon = ref.find(':');
  std::string a = ref.substr(0, colon), b = colon == std::string::npos ? a : ref.substr(colon + 1);
  return Wb_parseA1(a, &out->row1, &out->col1) && Wb_parseA1(b, &out->row2, &out->col2) &&
         out->row1 <= out->row2 && out->col1 <= out->col2;
}

// The formula text of a <f> element (without "="), shared formulas resolved.
bool formulaText(SheetReader& s, const XlsxCellText& c, std::string* out) {
  *out = Xlsx_decodeText(c.formula);
  if (c.formulaType != "shared") return true;
  std::string si(c.formulaSi);
  if (c.hasFormulaRef && !out->empty()) {
    s.shared[si] = SharedFormula{s.row, s.col, *out};
    return true;
  }
  auto it = s.shared.find(si);
  if (it == s.shared.end()) return cellFail(s, "shared formula " + si + " is used before it is defined");
  *out = Xlsx_shiftFormula(it->second.text, s.row - it->second.row, s.col - it->second.col);
  return true;
}

bool readFormula(SheetReader& s, const XlsxCellText& c) {
  std::string_view kind = c.formulaType;
  if (!kind.empty() && kind != "normal" && kind != "shared" && kind != "array")
    return cellFail(s, "formula type '" + std::string(kind) + "' is not supported");
  std::string text;
  if (!formulaText(s, c, &text)) return false;
  if (text.empty()) return true;
  // A formula the calculation cannot compute does not stop the workbook: its
  // cell keeps the value stored with it (see Calc_warnings).
  std::string formula = "=" + text;
  if (kind != "array") {
    Wb_setFormula(s.r.wb, s.sh, s.row, s.col, formula);
    return true;
  }
  CellRange block;
  std::string ref(c.formulaRef);
  if (!parseBlock(ref, &block) || block.row1 != s.row || block.col1 != s.col)
    return cellFail(s, "array formula has a bad block '" + ref + "'");
  countArrayCells(s);
  s.arrayCells -= static_cast<long long>(block.row2 - block.row1 + 1) * (block.col2 - block.col1 + 1);
  if (s.arrayCells < 0) return cellFail(s, "array formula block '" + ref + "' is larger than the cells the sheet stores");
  return Wb_setArrayFormula(s.r.wb, s.sh, block, formula) || cellFail(s, "array formula block overlaps another");
}

// A row's start: its number from its "r" attribute, or the one after the
// last; room for the columns its "spans" gives ("first:last", 1-based), or
// else for as many cells as the row before has.
bool startRow(SheetReader& s, std::string_view r, bool hasR, std::string_view spans) {
  int number = s.row + 2;
  if (!intText(r, hasR, 1, 1048576, number, &number) || number > 1048576)
    return fail(s.r, "sheet '" + s.sh->name + "': bad row number");
  s.row = number - 1;
  s.col = -1;
  int first = 0, last = 0;
  size_t colon = spans.find(':'), lastColon = spans.rfind(':');
  bool given = colon != std::string_view::npos && intText(spans.substr(0, colon), true, 1, 16384, 0, &first) &&
               intText(spans.substr(lastColon + 1), true, 1, 16384, 0, &last) && first <= last;
  const auto& rows = s.sh->cells.rows();
  s.rowCells = given ? static_cast<size_t>(last - first + 1) : rows.empty() ? 0 : rows.back().cells.size();
  return true;
}

// A reference written as most are, capital column letters then the row
// ("AB12"), read in place; false, with nothing read, for any other form,
// which Wb_parseA1 then reads.
bool plainA1(std::string_view ref, int* row, int* col) {
  constexpr unsigned kLetters = 26, kDigits = 10;
  constexpr size_t kMaxLetters = 3, kMaxDigits = 7;
  // Bounded first: the digits (nine at most) then fit an unsigned, and too
  // many letters, refused below, only wrap around; one test per character.
  if (ref.size() > kMaxLetters + kMaxDigits) return false;
  size_t i = 0;
  unsigned c = 0, r = 0;
  for (unsigned d; i < ref.size() && (d = static_cast<unsigned char>(ref[i]) - 'A') < kLetters; ++i) c = c * kLetters + d + 1;
  size_t letters = i;
  for (unsigned d; i < ref.size() && (d = static_cast<unsigned char>(ref[i]) - '0') < kDigits; ++i) r = r * kDigits + d;
  if (letters == 0 || letters > kMaxLetters || i == letters || i != ref.size() || r == 0) return false;
  *row = static_cast<int>(r) - 1;
  *col = static_cast<int>(c) - 1;
  return true;
}

// The cell's position from its "r" attribute, or the next one in the row.
bool cellPosition(SheetReader& s, const XlsxCellText& c) {
  if (!c.hasRef) { ++s.col; return s.col < 16384 || cellFail(s, "cell beyond the last column"); }
  int r = 0, col = 0;
  if (plainA1(c.ref, &r, &col) && r == s.row && col < kSheetColumns) {
    s.col = col;
    return true;
  }
  if (Wb_parseA1(c.ref, &r, &s.col) && r == s.row) return true;
  return fail(s.r, "sheet '" + s.sh->name + "': bad cell reference '" + std::string(c.ref) + "' in row " +
                       std::to_string(s.row + 1));
}

// Where the cell's element lies in the part's text; the places are usable
// while the cells come in sheet order, each once, and not too many to keep.
void keepPlace(SheetReader& s, const XlsxCellText& c) {
  XlsxSheetText& kept = *s.kept;
  if (!kept.usable) return;
  std::uint64_t key = Wb_cellKey(s.row, s.col);
  auto offset = [&s](const char* at) { return static_cast<std::uint32_t>(at - s.text.data()); };
  const char* f = c.formulaElement.empty() ? c.element.data() : c.formulaElement.data();
  kept.usable = kept.cells.size() < kKeptCellsMax && (kept.cells.empty() || kept.cells.back().key < key);
  if (!kept.usable) {
    kept.cells = {};
    return;
  }
  kept.cells.push_back({key, offset(c.element.data()), offset(c.element.data() + c.element.size()), offset(f),
                        offset(f + c.formulaElement.size())});
}

// The cell being read, made; the row's first cell makes room for the others.
// Cells come in sheet order, and are then added at the end without a search.
Cell* newCell(SheetReader& s) {
  if (Cell* cell = s.sh->cells.append(Wb_cellKey(s.row, s.col), s.rowCells)) {
    ++s.r.wb->structureVersion;   // as Wb_cellAt counts each cell it adds
    s.rowCells = 0;
    return cell;
  }
  Cell* cell = Wb_cellAt(s.r.wb, s.sh, s.row, s.col);
  if (s.rowCells) {
    s.sh->cells.reserveRow(s.row, s.rowCells);
    s.rowCells = 0;
    cell = Wb_cellAt(s.r.wb, s.sh, s.row, s.col);
  }
  return cell;
}

// The cell's number format and style from its format record (the first
// when it names none).
void readStyle(SheetReader& s, const XlsxCellText& c, Cell* cell) {
  int xf = 0;
  if ((!c.hasStyle || intText(c.style, true, 0, static_cast<long long>(s.r.formats.size()) - 1, 0, &xf)) &&
      static_cast<size_t>(xf) < s.r.formats.size()) {
    const CellFormat& format = s.r.formats[xf];
    cell->numberFormat = format.numberFormat;
    cell->style = format.style;
  }
}

// A cell without a formula, as most are: its value read straight into it.
bool readConstant(SheetReader& s, const XlsxCellText& c) {
  Cell* cell = newCell(s);
  if (!readValue(s, c, &cell->value)) return false;
  cell->keepsStoredValue = false;
  readStyle(s, c, cell);
  return true;
}

bool readCell(SheetReader& s, const XlsxCellText& c) {
  if (!cellPosition(s, c)) return false;
  if (s.kept) keepPlace(s, c);
  if (!c.hasFormula) return readConstant(s, c);
  CellValue value;
  if (!readValue(s, c, &value) || !readFormula(s, c)) return false;
  Cell* cell = newCell(s);
  cell->value = std::move(value);
  cell->keepsStoredValue = cell->value.kind != CellKind::Empty;
  readStyle(s, c, cell);
  return true;
}

// A parsed cell element as the reader takes it; `inlineText` holds its
// inline string.
XlsxCellText cellText(const pugi::xml_node& c, std::string* inlineText) {
  XlsxCellText t;
  pugi::xml_attribute r = c.attribute("r"), s = c.attribute("s");
  t.ref = r.value(); t.hasRef = r;
  t.style = s.value(); t.hasStyle = s;
  t.type = c.attribute("t").value();
  for (pugi::xml_node k : c.children()) {
    const char* name = localName(k);
    if (std::strcmp(name, "v") == 0) {
      t.hasValue = true;
      t.value = k.child_value();
    } else if (std::strcmp(name, "f") == 0) {
      t.hasFormula = true;
      t.formula = k.child_value();
      t.formulaType = k.attribute("t").value();
      t.formulaRef = k.attribute("ref").value();
      t.hasFormulaRef = k.attribute("ref");
      t.formulaSi = k.attribute("si").value();
    } else if (std::strcmp(name, "is") == 0) {
      *inlineText = fileRichText(k);
      t.inlineText = *inlineText;
    }
  }
  return t;
}

bool readParsedRows(SheetReader& s) {
  std::string inlineText;
  for (pugi::xml_node rn : s.data.children()) {
    if (std::strcmp(localName(rn), "row") != 0) continue;
    pugi::xml_attribute r = rn.attribute("r");
    if (!startRow(s, r.value(), r, rn.attribute("spans").value())) return false;
    for (pugi::xml_node c : rn.children())
      if (std::strcmp(localName(c), "c") == 0 && !readCell(s, cellText(c, &inlineText))) return false;
  }
  return true;
}

// The opening tags of the elements `name` in a part's text, with or
// without a namespace prefix, each up to its ">".
std::vector<std::string_view> openingTags(const std::string& text, const std::string& name) {
  std::vector<std::string_view> tags;
  for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + 1)) {
    size_t end = at + name.size();
    bool starts = at > 0 && (text[at - 1] == '<' || text[at - 1] == ':');
    bool whole = end < text.size() && (text[end] == ' ' || text[end] == '/' || text[end] == '>');
    size_t close = text.find('>', at);
    if (starts && whole && close != std::string::npos) tags.emplace_back(text.data() + at, close - at);
  }
  return tags;
}

std::string tagAttribute(std::string_view tag, const std::string& name) {
  size_t at = tag.find(" " + name + "=\"");
  if (at == std::string_view::npos) return "";
  at += name.size() + 3;
  return std::string(tag.substr(at, tag.find('"', at) - at));
}

// What the sheet says besides its cells that a solve must respect: its
// protection and its merged areas. (Cell values cannot hold "<", so the
// text holds these tags only where the elements are.)
void readProtectionAndMerges(const std::string& text, Sheet* sh) {
  for (std::string_view tag : openingTags(text, "sheetProtection")) {
    std::string sheet = tagAttribute(tag, "sheet");
    sh->protectedCells = sheet == "1" || sheet == "true";
  }
  for (std::string_view tag : openingTags(text, "mergeCell")) {
    CellRange area;
    if (parseBlock(tagAttribute(tag, "ref"), &area)) sh->merged.push_back(area);
  }
}

// A sheet's cells in one pass over the part's text; through the XML parser
// when the part holds what that pass does not take.
bool loadSheet(Reader& r, Sheet* sh, const std::string& part) {
  XlsxXmlPart xml;
  if (!readPart(r, part, &xml.data)) return false;
  readProtectionAndMerges(xml.data, sh);
  XlsxSheetText* kept = nullptr;
  if (r.package) {
    kept = &r.sheetTexts.emplace_back();
    kept->usable = xml.data.size() <= UINT32_MAX;
  }
  SheetReader s{r, sh, {}, -1, -1, 0, xml.data, {}, -1, kept};
  XlsxScanSink sink{&s,
                    [](void* reader, const XlsxCellText& c) { return readCell(*static_cast<SheetReader*>(reader), c); },
                    [](void* reader, std::string_view row, bool hasR, std::string_view spans) {
                      return startRow(*static_cast<SheetReader*>(reader), row, hasR, spans);
                    }};
  XlsxScan scan = Xlsx_scanSheet(xml.data, sink);
  if (scan == XlsxScan::Read && kept && kept->usable) kept->xml = std::move(xml.data);
  if (scan != XlsxScan::Unsupported) return scan == XlsxScan::Read;
  if (kept) *kept = XlsxSheetText{};
  sh->cells.clear();
  sh->arrays.clear();
  ++r.wb->structureVersion;
  pugi::xml_parse_result res = xml.doc.load_buffer_inplace(xml.data.data(), xml.data.size(), kParseOptions);
  Xlsx_checkParse(res);
  if (!res) return fail(r, "part '" + part + "' is not valid XML: " + res.description());
  SheetReader parsed{r, sh, {}, -1, -1, 0, {}, child(xml.doc.document_element(), "sheetData"), -1};
  return readParsedRows(parsed);
}

bool loadWorkbook(Reader& r) {
  std::string bookPart;
  if (!findWorkbookPart(r, &bookPart)) return false;
  std::map<std::string, Relationship> rels;
  XlsxXmlPart xml;
  if (!loadRelationships(r, bookPart, &rels) || !loadXml(r, bookPart, &xml)) return false;
  pugi::xml_node book = xml.doc.document_element();
  if (std::strcmp(localName(book), "workbook") != 0) return fail(r, "is not a workbook (no workbook element)");
  std::string strings = targetOfType(rels, "sharedStrings"), styles = targetOfType(rels, "styles");
  if (!strings.empty() && hasPart(r, strings) && !loadSharedStrings(r, strings)) return false;
  if (!styles.empty() && hasPart(r, styles) && !loadStyles(r, styles)) return false;
  std::vector<std::string> parts;
  if (!loadSheetList(r, book, rels, &parts) || !loadDefinedNames(r, book)) return false;
  for (size_t i = 0; i < parts.size(); ++i)
    if (!loadSheet(r, r.wb->sheets[i].get(), parts[i])) return false;
  if (r.package) *r.package = XlsxPackage{bookPart, parts, std::move(r.sheetTexts)};
  int active = child(child(book, "bookViews"), "workbookView").attribute("activeTab").as_int(0);
  r.wb->activeSheet = active >= 0 && active < static_cast<int>(parts.size()) ? active : 0;
  return true;
}

// Whether the start of a file is text: no byte below a space but tab, line
// feed, carriage return and form feed (UTF-8 letters are bytes above 127).
bool readsAsText(const std::string& bytes) {
  const std::size_t n = std::min(bytes.size(), kTextProbeBytes);
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c < ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\f') return false;
  }
  return n > 0;
}

// What a file that holds no zip archive is, and what to do with it.
std::string notZipReason(const std::string& bytes) {
  if (bytes.empty()) return "is an empty file (0 bytes), not a workbook: save the workbook again as .xlsx";
  if (bytes.compare(0, sizeof kCompoundSignature - 1, kCompoundSignature) == 0) {
    if (bytes.find(std::string(kEncryptedPackageName, sizeof kEncryptedPackageName - 1)) != std::string::npos)
      return "is a password-protected workbook, which cannot be read: open it in a spreadsheet program and save it "
             "without a password";
    return "is an old binary workbook (.xls), not an .xlsx workbook: open it in a spreadsheet program and save "
           "it as .xlsx";
  }
  if (readsAsText(bytes))
    return "is not a workbook: it reads as text (a CSV or other text file): open it in a spreadsheet program and "
           "save it as .xlsx";
  return "is not a workbook file (not a zip archive, or cut short)";
}

bool openZip(const std::string& bytes, XlsxZip* zip, std::string* why) {
  bool notZip = false;
  std::string detail;
  if (Xlsx_zipOpen(bytes, zip, &notZip, &detail)) return true;
  *why = notZip ? notZipReason(bytes) : "cannot be opened: " + detail;
  return false;
}

// An OpenDocument spreadsheet is a zip archive too, whose "mimetype" member
// says what it is; false, with the reason, for one.
bool refuseOpenDocument(const XlsxZip& zip, std::string* why) {
  const XlsxZipMember* m = Xlsx_zipFind(zip, kMimetypePart);
  std::string type, ignored;
  if (!m || m->size > kMimetypeMax || !Xlsx_zipRead(zip, *m, &type, &ignored) ||
      type.rfind(kOpenDocumentSpreadsheet, 0) != 0)
    return true;
  *why = "is an OpenDocument spreadsheet (.ods), not an .xlsx workbook: open it in a spreadsheet program and save "
         "it as .xlsx";
  return false;
}

std::uint64_t inflateBudget(std::uint64_t fileSize) {
  std::uint64_t budget = std::max(kMinInflateBudget, fileSize * kInflateRatio);
  std::uint64_t memory = Os_freePhysicalMemory() / 4;
  return memory > 0 ? std::max(kMinInflateBudget, std::min(budget, memory)) : budget;
}

// The sheets and defined names of `wb` copied into `copy`.
void copyContents(const Workbook& wb, Workbook* copy) {
  for (const auto& sheet : wb.sheets) copy->sheets.push_back(std::make_unique<Sheet>(*sheet));
  copy->names = wb.names;
}

std::size_t cellCount(const Workbook& wb) {
  std::size_t cells = 0;
  for (const auto& sheet : wb.sheets) cells += sheet->cells.size();
  return cells;
}

// Reads the file at `path` into `wb`; false, with the reason in `why`, when
// it cannot.
bool readInto(Workbook* wb, const std::string& path, XlsxOrigin keep, std::string* why) {
  wb->path = path;
  auto origin = std::make_shared<WbFileOrigin>();
  // Where the cells lie in the sheets' texts serves only a save of what is kept.
  XlsxPackage* package = keep == XlsxOrigin::Keep ? &origin->package : nullptr;
  if (!Xlsx_readFile(path, &origin->bytes, why) || !Xlsx_readPackage(origin->bytes, wb, package, why)) return false;
  if (keep == XlsxOrigin::Keep && cellCount(*wb) <= kKeptCellsMax) {
    origin->path = path;
    copyContents(*wb, &origin->asRead);
    wb->origin = std::move(origin);
  }
  return true;
}

}  // namespace

bool Xlsx_readFile(const std::string& path, std::string* bytes, std::string* why) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) { *why = "no such file"; return false; }
  if (!std::filesystem::is_regular_file(path, ec)) { *why = "is not a file"; return false; }
  std::FILE* f = std::fopen(path.c_str(), "rb");
  bytes->clear();
  char block[1 << 16];
  for (std::size_t got = f ? sizeof block : 0; got == sizeof block;) {
    got = std::fread(block, 1, sizeof block, f);
    bytes->append(block, got);
  }
  bool read = f && !std::ferror(f);
  int error = errno;
  if (f) std::fclose(f);
  if (!read) *why = std::string("cannot be opened: ") + std::strerror(error);
  return read;
}

bool Xlsx_readPackage(const std::string& bytes, Workbook* wb, XlsxPackage* package, std::string* why) {
  XlsxZip zip;
  if (!openZip(bytes, &zip, why) || !refuseOpenDocument(zip, why)) return false;
  Reader r;
  r.zip = &zip;
  r.wb = wb;
  r.package = package;
  r.inflateBudget = inflateBudget(bytes.size());
  if (loadWorkbook(r)) return true;
  *why = r.error;
  return false;
}

Workbook* Xlsx_open(const std::string& path, std::string* error, XlsxOrigin keep) {
  Application& app = Wb_app();
  int previousActive = app.activeWorkbook;
  const unsigned long failures = Os_memoryFailures();
  Workbook* wb = nullptr;
  std::string why;
  bool read = Os_guard(false, [&] {
    wb = Wb_newWorkbook(std::filesystem::path(path).filename().string());
    return readInto(wb, path, keep, &why);
  });
  if (read) return wb;
  if (wb) Wb_closeWorkbook(wb);
  app.activeWorkbook = previousActive;
  if (Os_memoryFailures() != failures) why = "out of memory while reading the workbook";
  if (error) *error = path + ": " + why;
  return nullptr;
}
