// Saving a workbook by changing the package it was read from: every part is
// copied as it stands, except the sheets where cell values changed (only
// those cells are rewritten) and the workbook part when the defined names
// changed. Styles, drawings, comments, macros and everything else the stand-in
// does not model stay exactly as they were.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <map>
#include <pugixml.hpp>
#include <sstream>

#include "platform/xlsx/Xlsx.h"
#include "platform/xlsx/Xlsx_Internal.h"

namespace {

// Number formats of a styles part at and above this id are the workbook's own.
constexpr int kFirstCustomFormat = 164;
// Column widths in characters: a new sheet's default, the most a fitted
// column takes and the room beside a value.
constexpr double kDefaultWidth = 8.43, kMaxWidth = 60, kWidthMargin = 2;
constexpr unsigned kParse = pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata;
constexpr unsigned kFormat = pugi::format_raw | pugi::format_no_declaration;
// Elements that follow the defined names in a workbook part.
const char* const kMainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const char* const kRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const char* const kWorksheetType = "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";
const char* const kAfterNames[] = {"calcPr", "oleSize", "customWorkbookViews", "pivotCaches", "smartTagPr",
                                   "smartTagTypes", "webPublishing", "fileRecoveryPr", "webPublishObjects", "extLst"};

const char* localName(const pugi::xml_node& n) {
  const char* colon = std::strrchr(n.name(), ':');
  return colon ? colon + 1 : n.name();
}

bool named(const pugi::xml_node& n, const char* name) { return std::strcmp(localName(n), name) == 0; }

pugi::xml_node child(const pugi::xml_node& n, const char* name) {
  for (pugi::xml_node c : n.children())
    if (named(c, name)) return c;
  return {};
}

// "x:" of "x:c", "" without a namespace prefix.
std::string prefixOf(const pugi::xml_node& n) {
  std::string name = n.name();
  return name.substr(0, name.size() - std::strlen(localName(n)));
}

// ---- what changed ----

bool sameBlocks(const std::vector<ArrayBlock>& a, const std::vector<ArrayBlock>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].row1 != b[i].row1 || a[i].col1 != b[i].col1 || a[i].row2 != b[i].row2 || a[i].col2 != b[i].col2 ||
        a[i].formula != b[i].formula)
      return false;
  return true;
}

bool sameSetup(const Cell& a, const Cell& b) {
  return a.formula == b.formula && a.arrayBlock == b.arrayBlock && a.numberFormat == b.numberFormat && a.style == b.style;
}

const Cell& cellOr(const Sheet& sh, std::uint64_t key) {
  static const Cell kNone;
  auto it = sh.cells.find(key);
  return it == sh.cells.end() ? kNone : it->second;
}

// Calls fn(key, x, y) for every cell either sheet stores, in order, with
// its cell in `a` and in `b` (an empty cell where one stores none).
template <typename Fn>
bool eachPair(const Sheet& a, const Sheet& b, Fn fn) {
  static const Cell kNone;
  auto i = a.cells.begin(), j = b.cells.begin();
  while (i != a.cells.end() || j != b.cells.end()) {
    bool fromA = j == b.cells.end() || (i != a.cells.end() && i->first <= j->first);
    bool fromB = i == a.cells.end() || (j != b.cells.end() && j->first <= i->first);
    if (!fn(fromA ? i->first : j->first, fromA ? i->second : kNone, fromB ? j->second : kNone)) return false;
    if (fromA) ++i;
    if (fromB) ++j;
  }
  return true;
}

// Whether `now` differs from `before` only in cell values, defined names
// and sheets added after the others.
bool onlyValuesChanged(const Workbook& before, const Workbook& now) {
  if (before.sheets.size() > now.sheets.size()) return false;
  for (size_t i = 0; i < before.sheets.size(); ++i) {
    const Sheet& a = *before.sheets[i];
    const Sheet& b = *now.sheets[i];
    if (a.name != b.name || a.visible != b.visible || !sameBlocks(a.arrays, b.arrays)) return false;
    if (!eachPair(a, b, [](std::uint64_t, const Cell& x, const Cell& y) { return sameSetup(x, y); })) return false;
  }
  return true;
}

// Cells of a sheet whose values differ, in order.
std::vector<std::uint64_t> changedCells(const Sheet& before, const Sheet& now) {
  std::vector<std::uint64_t> keys;
  eachPair(before, now, [&keys](std::uint64_t key, const Cell& x, const Cell& y) {
    if (!(x.value == y.value)) keys.push_back(key);
    return true;
  });
  return keys;
}

bool sameName(const DefinedName& x, const DefinedName& y) {
  return x.name == y.name && x.definition == y.definition && x.scopeSheet == y.scopeSheet && x.hidden == y.hidden;
}

bool sameNames(const WbNameTable& a, const WbNameTable& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), sameName);
}

// ---- rewriting parts ----

std::string numberText(double d) {
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, d);
  return std::string(buf, res.ptr);
}

// Puts `v` into cell element `c`: its type attribute and <v> (after <f>), a
// constant text as an inline string so the shared strings stay as they are.
void setCellValue(pugi::xml_node c, const CellValue& v) {
  std::string prefix = prefixOf(c);
  c.remove_attribute("t");
  for (pugi::xml_node k = c.first_child(), next; k; k = next) {
    next = k.next_sibling();
    if (named(k, "v") || named(k, "is")) c.remove_child(k);
  }
  if (v.kind == CellKind::Empty) return;
  pugi::xml_node f = child(c, "f");
  pugi::xml_node holder = f ? c.insert_child_after((prefix + (v.kind == CellKind::Text && !f ? "is" : "v")).c_str(), f)
                            : c.prepend_child((prefix + (v.kind == CellKind::Text ? "is" : "v")).c_str());
  std::string text;
  const char* type = nullptr;
  switch (v.kind) {
    case CellKind::Number:
      if (std::isfinite(v.number)) text = numberText(v.number);
      else { type = "e"; text = "#NUM!"; }
      break;
    case CellKind::Text:
      type = f ? "str" : "inlineStr";
      text = Xlsx_fileText(v.text);
      break;
    case CellKind::Boolean: type = "b"; text = v.number != 0 ? "1" : "0"; break;
    case CellKind::Error: type = "e"; text = Wb_errorText(v.error); break;
    case CellKind::Empty: break;
  }
  if (type) c.append_attribute("t") = type;
  if (!f && v.kind == CellKind::Text) {
    pugi::xml_node t = holder.append_child((prefix + "t").c_str());
    t.append_attribute("xml:space") = "preserve";
    t.text() = text.c_str();
  } else {
    holder.text() = text.c_str();
  }
}

// Rewrites the values of `keys` in a sheet part, adding rows and cells the
// part lacks in their order.
void patchSheet(pugi::xml_document& doc, const Sheet& now, const std::vector<std::uint64_t>& keys) {
  pugi::xml_node data = child(doc.document_element(), "sheetData");
  std::string prefix = prefixOf(doc.document_element());
  std::map<int, pugi::xml_node> rows;
  WbCellStore<pugi::xml_node> cells;   // by Wb_cellKey, in sheet order
  int row = -1;
  for (pugi::xml_node rn : data.children()) {
    if (!named(rn, "row")) continue;
    row = rn.attribute("r") ? rn.attribute("r").as_int() - 1 : row + 1;
    if (!rn.attribute("r")) rn.append_attribute("r") = row + 1;
    rows[row] = rn;
    int col = -1;
    for (pugi::xml_node c : rn.children()) {
      if (!named(c, "c")) continue;
      int r = row;
      if (!c.attribute("r") || !Wb_parseA1(c.attribute("r").value(), &r, &col)) {
        ++col;
        if (!c.attribute("r")) c.append_attribute("r") = Wb_a1(row, col).c_str();
      }
      cells.try_emplace(Wb_cellKey(row, col)).first->second = c;
    }
  }
  for (std::uint64_t key : keys) {
    const pugi::xml_node* found = cells.get(key);
    pugi::xml_node c = found ? *found : pugi::xml_node();
    if (!c) {
      int r = Wb_keyRow(key);
      pugi::xml_node rn = rows.count(r) ? rows[r] : pugi::xml_node();
      if (!rn) {
        auto next = rows.upper_bound(r);
        rn = next == rows.end() ? data.append_child((prefix + "row").c_str())
                                : data.insert_child_before((prefix + "row").c_str(), next->second);
        rn.append_attribute("r") = r + 1;
        rows[r] = rn;
      }
      auto next = cells.lower_bound(key);
      bool sameRow = next != cells.end() && Wb_keyRow(next->first) == r;
      c = sameRow ? rn.insert_child_before((prefix + "c").c_str(), next->second) : rn.append_child((prefix + "c").c_str());
      c.append_attribute("r") = Wb_a1(r, Wb_keyCol(key)).c_str();
      cells.try_emplace(key).first->second = c;
    }
    setCellValue(c, cellOr(now, key).value);
  }
}

// Replaces the defined names of a workbook part; names as they were keep
// their elements (with any attributes the stand-in does not model).
void patchNames(pugi::xml_document& doc, const WbNameTable& before, const WbNameTable& now) {
  pugi::xml_node book = doc.document_element();
  std::string prefix = prefixOf(book);
  pugi::xml_node old = child(book, "definedNames");
  std::vector<pugi::xml_node> oldNodes;
  for (pugi::xml_node n : old.children())
    if (named(n, "definedName")) oldNodes.push_back(n);
  pugi::xml_node place = old;
  for (const char* after : kAfterNames)
    if (!place) place = child(book, after);
  std::string tag = prefix + "definedNames";
  pugi::xml_node fresh = place ? book.insert_child_before(tag.c_str(), place) : book.append_child(tag.c_str());
  for (const DefinedName& dn : now) {
    const DefinedName* kept = before.find(dn.name, dn.scopeSheet);
    if (kept && sameName(*kept, dn) && oldNodes.size() == before.size()) {
      fresh.append_copy(oldNodes[static_cast<size_t>(kept - before.list().data())]);
      continue;
    }
    pugi::xml_node n = fresh.append_child((prefix + "definedName").c_str());
    n.append_attribute("name") = Xlsx_fileText(dn.name).c_str();
    if (dn.scopeSheet >= 0) n.append_attribute("localSheetId") = dn.scopeSheet;
    if (dn.hidden) n.append_attribute("hidden") = "1";
    n.text() = Xlsx_fileText(dn.definition).c_str();
  }
  if (old) book.remove_child(old);
  if (now.empty()) book.remove_child(fresh);
}

std::string printed(const pugi::xml_document& doc) {
  std::ostringstream out;
  doc.save(out, "", kFormat, pugi::encoding_utf8);
  return out.str();
}

// The part parsed in place, in the bytes it was read into.
bool loadPart(const XlsxZip& zip, const std::string& name, XlsxXmlPart* part, std::string* why) {
  const XlsxZipMember* m = Xlsx_zipFind(zip, name);
  std::string detail = "it is missing";
  if (m && Xlsx_zipRead(zip, *m, &part->data, &detail)) {
    pugi::xml_parse_result res = part->doc.load_buffer_inplace(part->data.data(), part->data.size(), kParse);
    Xlsx_checkParse(res);
    if (res) return true;
    detail = std::string("it is not valid XML: ") + res.description();
  }
  *why = "part '" + name + "' cannot be read: " + detail;
  return false;
}

// ---- number formats and widths of added sheets ----

// The cell format (index into the styles part's cellXfs) of each number
// format the added sheets use.
using FormatStyles = std::map<std::string, int>;

// Sets an attribute, adding it when missing.
void setAttribute(pugi::xml_node n, const char* name, int value) {
  pugi::xml_attribute a = n.attribute(name);
  (a ? a : n.append_attribute(name)) = value;
}

// The id of a number format in the styles part: a built-in one's, else a new
// custom format's (custom ids start at 164).
int numberFormatId(pugi::xml_node styles, const std::string& format) {
  int id = Xlsx_builtinFormatId(format);
  if (id >= 0) return id;
  pugi::xml_node formats = child(styles, "numFmts");
  if (!formats) formats = styles.prepend_child((prefixOf(styles) + "numFmts").c_str());
  id = kFirstCustomFormat;
  int count = 0;
  for (pugi::xml_node f : formats.children()) {
    id = std::max(id, f.attribute("numFmtId").as_int() + 1);
    ++count;
  }
  pugi::xml_node f = formats.append_child((prefixOf(styles) + "numFmt").c_str());
  f.append_attribute("numFmtId") = id;
  f.append_attribute("formatCode") = format.c_str();
  setAttribute(formats, "count", count + 1);
  return id;
}

// Adds a cell format for each number format the added sheets' cells carry;
// false when the styles part has no list of cell formats to add to.
bool addFormats(pugi::xml_document& styles, const std::vector<const Sheet*>& sheets, FormatStyles* out) {
  pugi::xml_node root = styles.document_element();
  pugi::xml_node xfs = child(root, "cellXfs");
  if (!xfs) return false;
  int count = static_cast<int>(std::distance(xfs.children().begin(), xfs.children().end()));
  for (const Sheet* sh : sheets)
    for (const auto& [key, cell] : sh->cells) {
      if (cell.numberFormat.empty() || out->count(cell.numberFormat)) continue;
      pugi::xml_node xf = xfs.append_child((prefixOf(root) + "xf").c_str());
      xf.append_attribute("numFmtId") = numberFormatId(root, cell.numberFormat);
      for (const char* zero : {"fontId", "fillId", "borderId", "xfId"}) xf.append_attribute(zero) = 0;
      xf.append_attribute("applyNumberFormat") = 1;
      (*out)[cell.numberFormat] = count++;
    }
  setAttribute(xfs, "count", count);
  return true;
}

// The styles part the workbook's relationships name ("" when none).
std::string stylesPartOf(const pugi::xml_document& rels, const std::string& folder) {
  for (pugi::xml_node r : rels.document_element().children()) {
    std::string type = r.attribute("Type").value(), target = r.attribute("Target").value();
    if (type.size() < 7 || type.compare(type.size() - 7, 7, "/styles") != 0 || target.empty()) continue;
    return target[0] == '/' ? target.substr(1) : folder + "/" + target;
  }
  return "";
}

// The decimals a number format shows: the places after the point of its
// first section.
int formatDecimals(const std::string& format) {
  size_t point = format.find('.'), end = format.find(';');
  if (point == std::string::npos || point > end) return 0;
  return static_cast<int>(std::min(end, format.size()) - point - 1);
}

// The width in characters that shows a cell's value: a General number's
// shortest text, a formatted one's whole digits with their separators, a
// sign, the point and the format's decimals.
double shownWidth(const Cell& cell) {
  if (cell.value.kind == CellKind::Text) return static_cast<double>(cell.value.text.size());
  char digits[32];
  const char* pattern = cell.numberFormat.empty() ? "%.10g" : "%.0f";
  double n = std::snprintf(digits, sizeof digits, pattern, std::fabs(cell.value.number));
  if (cell.numberFormat.empty()) return n + 1;
  return n + std::floor((n - 1) / 3) + 2 + formatDecimals(cell.numberFormat);
}

// Column widths that show the values of a sheet the stand-in made: the
// widest value of each column, a row's only cell left out (a title runs on
// into the empty cells beside it).
std::map<int, double> fittedWidths(const Sheet& sh) {
  std::map<int, double> widths;
  for (const auto& row : sh.cells.rows()) {
    if (row.cells.size() < 2) continue;
    for (const auto& [key, cell] : row.cells) {
      double& w = widths[Wb_keyCol(key)];
      w = std::min(kMaxWidth, std::max({w, kDefaultWidth, shownWidth(cell) + kWidthMargin}));
    }
  }
  return widths;
}

// The part of a sheet added since the package was read: its cells with
// their formulas, values and number formats, and columns as wide as their
// values.
std::string newSheetPart(const Sheet& sh, const FormatStyles& formats) {
  pugi::xml_document doc;
  pugi::xml_node decl = doc.append_child(pugi::node_declaration);
  decl.append_attribute("version") = "1.0";
  decl.append_attribute("encoding") = "UTF-8";
  pugi::xml_node root = doc.append_child("worksheet");
  root.append_attribute("xmlns") = kMainNs;
  root.append_child("sheetData");
  std::vector<std::uint64_t> keys;
  for (const auto& [key, cell] : sh.cells) keys.push_back(key);
  patchSheet(doc, sh, keys);
  for (pugi::xml_node row : root.child("sheetData").children())
    for (pugi::xml_node c : row.children()) {
      int r = 0, col = 0;
      Wb_parseA1(c.attribute("r").value(), &r, &col);
      const Cell& cell = cellOr(sh, Wb_cellKey(r, col));
      const ArrayBlock* block = cell.arrayBlock >= 0 ? &sh.arrays[cell.arrayBlock] : nullptr;
      std::string formula = block ? block->formula : cell.formula;
      if (formula.empty() || (block && (block->row1 != r || block->col1 != col))) continue;
      pugi::xml_node f = c.prepend_child("f");
      if (block) {
        f.append_attribute("t") = "array";
        f.append_attribute("ref") = (Wb_a1(block->row1, block->col1) + ":" + Wb_a1(block->row2, block->col2)).c_str();
      }
      f.text() = Xlsx_fileText(formula.substr(formula[0] == '=' ? 1 : 0)).c_str();
      if (c.attribute("t") && std::strcmp(c.attribute("t").value(), "inlineStr") == 0) {   // a formula's text is "str"
        c.attribute("t") = "str";
        c.remove_child(child(c, "is"));
        c.append_child("v").text() = Xlsx_fileText(cell.value.text).c_str();
      }
    }
  for (pugi::xml_node row : root.child("sheetData").children())
    for (pugi::xml_node c : row.children()) {
      int r = 0, col = 0;
      Wb_parseA1(c.attribute("r").value(), &r, &col);
      auto style = formats.find(cellOr(sh, Wb_cellKey(r, col)).numberFormat);
      if (style != formats.end()) setAttribute(c, "s", style->second);
    }
  std::map<int, double> widths = fittedWidths(sh);
  if (!widths.empty()) {
    pugi::xml_node cols = root.insert_child_before("cols", root.child("sheetData"));
    for (const auto& [col, width] : widths) {
      pugi::xml_node c = cols.append_child("col");
      c.append_attribute("min") = col + 1;
      c.append_attribute("max") = col + 1;
      c.append_attribute("width") = width;
      c.append_attribute("customWidth") = 1;
    }
  }
  return printed(doc);
}

// An id of the form "rIdN" no relationship of `rels` has.
std::string freeRelId(const pugi::xml_node& rels) {
  for (int n = 1;; ++n) {
    std::string id = "rId" + std::to_string(n);
    bool taken = false;
    for (pugi::xml_node r : rels.children()) taken = taken || id == r.attribute("Id").value();
    if (!taken) return id;
  }
}

// Registers an added sheet in the workbook part, its relationships and the
// content types, and returns the name of its part.
std::string addSheetToPackage(pugi::xml_document& book, pugi::xml_document& rels, pugi::xml_document& types,
                              const std::string& bookPart, const Sheet& sh) {
  std::string folder = std::filesystem::path(bookPart).parent_path().generic_string();
  std::string part;
  for (int n = 1; part.empty(); ++n) {
    std::string candidate = "worksheets/sheet" + std::to_string(n) + ".xml";
    bool taken = false;
    for (pugi::xml_node r : rels.document_element().children()) taken = taken || candidate == r.attribute("Target").value();
    for (pugi::xml_node o : types.document_element().children())
      taken = taken || "/" + folder + "/" + candidate == o.attribute("PartName").value();
    if (!taken) part = candidate;
  }
  std::string id = freeRelId(rels.document_element());
  pugi::xml_node rel = rels.document_element().append_child(prefixOf(rels.document_element().first_child()).append("Relationship").c_str());
  rel.append_attribute("Id") = id.c_str();
  rel.append_attribute("Type") = (std::string(kRelNs) + "/worksheet").c_str();
  rel.append_attribute("Target") = part.c_str();
  pugi::xml_node over = types.document_element().append_child("Override");
  over.append_attribute("PartName") = ("/" + folder + "/" + part).c_str();
  over.append_attribute("ContentType") = kWorksheetType;
  pugi::xml_node sheets = child(book.document_element(), "sheets");
  int sheetId = 0;
  for (pugi::xml_node x : sheets.children()) sheetId = std::max(sheetId, x.attribute("sheetId").as_int());
  pugi::xml_node entry = sheets.append_child((prefixOf(book.document_element()) + "sheet").c_str());
  entry.append_attribute("name") = Xlsx_fileText(sh.name).c_str();
  entry.append_attribute("sheetId") = sheetId + 1;
  if (!sh.visible) entry.append_attribute("state") = "hidden";
  std::string relPrefix;
  for (pugi::xml_attribute a : book.document_element().attributes())
    if (std::strncmp(a.name(), "xmlns:", 6) == 0 && std::strcmp(a.value(), kRelNs) == 0) relPrefix = a.name() + 6;
  if (relPrefix.empty()) {
    relPrefix = "r";
    entry.append_attribute("xmlns:r") = kRelNs;
  }
  entry.append_attribute((relPrefix + ":id").c_str()) = id.c_str();
  return folder + "/" + part;
}

std::vector<const Sheet*> addedSheets(const Workbook& before, const Workbook& now) {
  std::vector<const Sheet*> sheets;
  for (size_t i = before.sheets.size(); i < now.sheets.size(); ++i) sheets.push_back(now.sheets[i].get());
  return sheets;
}

// The cell formats of the added sheets' number formats, added to the styles
// part, which then goes into `changed`. A package without a styles part it
// can add to keeps its styles, and the added sheets show General.
void addedFormats(const XlsxZip& src, const pugi::xml_document& rels, const std::string& bookPart,
                  const std::vector<const Sheet*>& sheets, FormatStyles* formats,
                  std::map<std::string, std::string>* changed) {
  std::string part = stylesPartOf(rels, std::filesystem::path(bookPart).parent_path().generic_string());
  XlsxXmlPart styles;
  std::string ignored;
  if (part.empty() || !loadPart(src, part, &styles, &ignored) || !addFormats(styles.doc, sheets, formats)) {
    formats->clear();
    return;
  }
  if (!formats->empty()) (*changed)[part] = printed(styles.doc);
}

// The package `src` copied into `out`, the parts in `changed` replaced and
// those in `added` appended.
bool copyPackage(const XlsxZip& src, std::string* out, const std::map<std::string, std::string>& changed,
                 const std::vector<std::pair<std::string, std::string>>& added, std::string* why) {
  size_t count = src.members.size();
  return Xlsx_writeArchive(
      out, count + added.size(),
      [&](XlsxZipWriter* w, size_t i, std::string* error) {
        if (i >= count)
          return Xlsx_zipAdd(w, added[i - count].first, added[i - count].second, kXlsxDeflateLevel, error);
        const XlsxZipMember& stored = src.members[i];
        auto it = changed.find(stored.name);
        return it != changed.end() ? Xlsx_zipAdd(w, stored.name, it->second, kXlsxDeflateLevel, error)
                                   : Xlsx_zipCopy(w, src, stored, error);  // as compressed there
      },
      why);
}

}  // namespace

XlsxKeep Xlsx_writeKeeping(const Workbook* wb, const std::string& source, std::string* out, std::string* why) {
  // What the open kept stands for the file while the file holds the bytes
  // it was read from; a file changed on disk since is read again.
  std::string bytes, unread;
  if (!Xlsx_readFile(source, &bytes, &unread)) return XlsxKeep::NotApplicable;
  WbFileOrigin reread;
  const WbFileOrigin* origin = wb->origin.get();
  if (!origin || origin->path != source || origin->bytes != bytes) {
    if (!Xlsx_readPackage(bytes, &reread.asRead, &reread.package, &unread)) return XlsxKeep::NotApplicable;
    origin = &reread;
  }
  const Workbook& before = origin->asRead;
  const XlsxPackage& package = origin->package;
  if (!onlyValuesChanged(before, *wb)) return XlsxKeep::NotApplicable;
  XlsxZip src;
  bool notZip = false;
  if (!Xlsx_zipOpen(bytes, &src, &notZip, &unread)) return XlsxKeep::NotApplicable;
  std::map<std::string, std::string> changed;
  bool ok = true;
  for (size_t i = 0; ok && i < before.sheets.size(); ++i) {
    std::vector<std::uint64_t> keys = changedCells(*before.sheets[i], *wb->sheets[i]);
    if (keys.empty()) continue;
    std::string& part = changed[package.sheetParts[i]];
    if (i < package.sheetTexts.size() && Xlsx_spliceSheet(package.sheetTexts[i], *wb->sheets[i], keys, &part)) continue;
    XlsxXmlPart sheet;
    ok = loadPart(src, package.sheetParts[i], &sheet, why);
    if (ok) patchSheet(sheet.doc, *wb->sheets[i], keys);
    if (ok) part = printed(sheet.doc);
  }
  std::vector<std::pair<std::string, std::string>> added;
  if (ok && (!sameNames(before.names, wb->names) || before.sheets.size() < wb->sheets.size())) {
    XlsxXmlPart bookXml, relsXml, typesXml;
    pugi::xml_document &book = bookXml.doc, &rels = relsXml.doc, &types = typesXml.doc;
    std::filesystem::path bookPath(package.workbookPart);
    std::string relsPart = (bookPath.parent_path() / "_rels" / (bookPath.filename().string() + ".rels")).generic_string();
    ok = loadPart(src, package.workbookPart, &bookXml, why);
    if (ok && before.sheets.size() < wb->sheets.size())
      ok = loadPart(src, relsPart, &relsXml, why) && loadPart(src, "[Content_Types].xml", &typesXml, why);
    FormatStyles formats;
    if (ok && before.sheets.size() < wb->sheets.size())
      addedFormats(src, rels, package.workbookPart, addedSheets(before, *wb), &formats, &changed);
    for (size_t i = before.sheets.size(); ok && i < wb->sheets.size(); ++i) {
      const Sheet& sh = *wb->sheets[i];
      added.emplace_back(addSheetToPackage(book, rels, types, package.workbookPart, sh), newSheetPart(sh, formats));
    }
    if (ok && !added.empty()) {
      changed[relsPart] = printed(rels);
      changed["[Content_Types].xml"] = printed(types);
    }
    if (ok) patchNames(book, before.names, wb->names);
    if (ok) changed[package.workbookPart] = printed(book);
  }
  ok = ok && copyPackage(src, out, changed, added, why);
  return ok ? XlsxKeep::Written : XlsxKeep::Failed;
}
