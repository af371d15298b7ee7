// Putting changed cell values into a sheet part's text as it was read: each
// changed cell element is written anew (its attributes but the type, its
// formula element byte for byte, the new value) and every other byte of the
// part stays as it was. A save of a solved model changes a few cells of a
// large part; this costs a copy of the part instead of parsing and printing
// it. Where a cell element is not one this can write safely, the caller
// changes the part through the XML parser instead.
#include <charconv>
#include <cmath>

#include "platform/xlsx/Xlsx_Internal.h"

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Character data as XML carries it: the markup characters as entities.
void appendEscaped(std::string& out, const std::string& text) {
  for (char c : text) {
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else out.push_back(c);
  }
}

// The attributes of the start tag of `element` (a <c> without a namespace
// prefix), each with its value as written, except any whose local name is
// "t"; false for a start tag this does not take apart.
bool attributesBesideType(std::string_view element, std::string& out) {
  if (element.size() < 3 || element.substr(0, 2) != "<c" ||
      !(isSpace(element[2]) || element[2] == '/' || element[2] == '>'))
    return false;
  size_t i = 2;
  for (;;) {
    while (i < element.size() && isSpace(element[i])) ++i;
    if (i >= element.size()) return false;
    if (element[i] == '/' || element[i] == '>') return true;
    size_t nameStart = i;
    while (i < element.size() && !isSpace(element[i]) && element[i] != '=') ++i;
    std::string_view name = element.substr(nameStart, i - nameStart);
    while (i < element.size() && isSpace(element[i])) ++i;
    if (i >= element.size() || element[i] != '=') return false;
    ++i;
    while (i < element.size() && isSpace(element[i])) ++i;
    if (i >= element.size() || (element[i] != '"' && element[i] != '\'')) return false;
    size_t close = element.find(element[i], i + 1);
    if (close == std::string_view::npos) return false;
    i = close + 1;
    size_t colon = name.rfind(':');
    std::string_view local = colon == std::string_view::npos ? name : name.substr(colon + 1);
    if (local != "t") {
      out += ' ';
      out.append(element.substr(nameStart, i - nameStart));
    }
  }
}

// The type attribute and the value element of `v`: a formula's text as
// "str", a constant text as an inline string (the shared strings stay as
// they are).
void appendValue(std::string& out, std::string& body, const CellValue& v, bool formula) {
  char digits[32];
  switch (v.kind) {
    case CellKind::Empty: return;
    case CellKind::Number:
      if (!std::isfinite(v.number)) {
        out += " t=\"e\"";
        body += "<v>#NUM!</v>";
        return;
      }
      body += "<v>";
      body.append(digits, std::to_chars(digits, digits + sizeof digits, v.number).ptr);
      body += "</v>";
      return;
    case CellKind::Text:
      out += formula ? " t=\"str\"" : " t=\"inlineStr\"";
      body += formula ? "<v>" : "<is><t xml:space=\"preserve\">";
      appendEscaped(body, Xlsx_fileText(v.text));
      body += formula ? "</v>" : "</t></is>";
      return;
    case CellKind::Boolean:
      out += " t=\"b\"";
      body += v.number != 0 ? "<v>1</v>" : "<v>0</v>";
      return;
    case CellKind::Error:
      out += " t=\"e\"";
      body += std::string("<v>") + Wb_errorText(v.error) + "</v>";
      return;
  }
}

// The element of a cell placed at `place` of `xml` holding `v`.
bool appendCell(std::string& out, const std::string& xml, const XlsxSheetText::Place& place, const CellValue& v) {
  std::string_view element(xml.data() + place.begin, place.end - place.begin);
  size_t start = out.size();
  out += "<c";
  if (!attributesBesideType(element, out)) {
    out.resize(start);
    return false;
  }
  std::string body(xml, place.formulaBegin, place.formulaEnd - place.formulaBegin);
  appendValue(out, body, v, place.formulaEnd > place.formulaBegin);
  if (body.empty()) {
    out += "/>";
    return true;
  }
  out += '>';
  out += body;
  out += "</c>";
  return true;
}

}  // namespace

bool Xlsx_spliceSheet(const XlsxSheetText& kept, const Sheet& now, const std::vector<std::uint64_t>& keys,
                      std::string* xml) {
  if (!kept.usable) return false;
  xml->clear();
  xml->reserve(kept.xml.size() + 64 * keys.size());
  size_t copied = 0, at = 0;
  for (std::uint64_t key : keys) {
    while (at < kept.cells.size() && kept.cells[at].key < key) ++at;
    if (at == kept.cells.size() || kept.cells[at].key != key) return false;  // a cell the part lacks
    const XlsxSheetText::Place& place = kept.cells[at];
    xml->append(kept.xml, copied, place.begin - copied);
    auto it = now.cells.find(key);
    static const CellValue kEmpty;
    if (!appendCell(*xml, kept.xml, place, it == now.cells.end() ? kEmpty : it->second.value)) return false;
    copied = place.end;
  }
  xml->append(kept.xml, copied, std::string::npos);
  return true;
}
