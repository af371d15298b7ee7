// Reading the rows and cells of a sheet part in one pass over its text,
// without building a document: the cells of a sheet are most of a workbook
// file, and they come in a few plain forms (<row> holding <c> elements that
// hold <v>, <f> and inline strings). Anything else inside the sheet data
// (comments, other elements, text that is not well formed) ends the scan as
// "unsupported", and the reader takes the part through the XML parser.
#include <array>
#include <cstring>

#include "platform/xlsx/Xlsx_Internal.h"

namespace {

// The blanks XML allows between the parts of a tag.
constexpr std::array<bool, 256> kBlank = [] {
  std::array<bool, 256> blanks{};
  for (unsigned char c : {' ', '\t', '\n', '\r'}) blanks[c] = true;
  return blanks;
}();

// The bytes that end a tag or attribute name: blanks, '>', '/' and '='.
constexpr std::array<bool, 256> kNameEnd = [] {
  std::array<bool, 256> ends = kBlank;
  for (unsigned char c : {'>', '/', '='}) ends[c] = true;
  return ends;
}();

// The bytes that end a quoted attribute value, for either quote: the quote
// itself, and '&' and '<', which the scan leaves to the XML parser.
constexpr std::array<bool, 256> valueEnds(char quote) {
  std::array<bool, 256> ends{};
  for (unsigned char c : {static_cast<unsigned char>(quote), static_cast<unsigned char>('&'),
                          static_cast<unsigned char>('<')})
    ends[c] = true;
  return ends;
}
constexpr std::array<bool, 256> kDoubleQuotedEnd = valueEnds('"');
constexpr std::array<bool, 256> kSingleQuotedEnd = valueEnds('\'');

// The bytes that end a plain text: '<', and the '&' and carriage return
// that ask for decoding.
constexpr std::array<bool, 256> kTextEnd = [] {
  std::array<bool, 256> ends{};
  for (unsigned char c : {'<', '&', '\r'}) ends[c] = true;
  return ends;
}();

// Whether a name is the literal: its length first, then bytes compared
// inline (a call to memcmp per tag name is a noticeable part of a read).
template <size_t N>
bool isName(std::string_view name, const char (&literal)[N]) {
  return name.size() == N - 1 && std::memcmp(name.data(), literal, N - 1) == 0;
}

// One tag: its local name (without a namespace prefix), whether it closes
// an element or closes itself, and the attributes the reader looks at.
struct Tag {
  std::string_view name;
  bool closing = false, selfClosing = false;
  std::string_view r, s, t, ref, si, spans;
  bool hasR = false, hasS = false, hasRef = false;
};

struct Scanner {
  const char* p;
  const char* end;

  void skipSpace() {
    while (p < end && kBlank[static_cast<unsigned char>(*p)]) ++p;
  }
  // Where the next tag starts, after blanks.
  const char* next() {
    skipSpace();
    return p;
  }

  // An attribute value in quotes; false for one with an escape (rare in the
  // attributes read here) or without its closing quote. One pass over the
  // bytes, one look-up each: the values are a few characters long, shorter
  // than a call costs.
  bool quoted(std::string_view* out) {
    if (p >= end || (*p != '"' && *p != '\'')) return false;
    char quote = *p++;
    const std::array<bool, 256>& ends = quote == '"' ? kDoubleQuotedEnd : kSingleQuotedEnd;
    const char* close = p;
    while (close < end && !ends[static_cast<unsigned char>(*close)]) ++close;
    if (close >= end || *close != quote) return false;
    *out = std::string_view(p, static_cast<size_t>(close - p));
    p = close + 1;
    return true;
  }

  // A name at `p` without its namespace prefix ("x:c" gives "c"), in one
  // pass that looks up each byte once.
  std::string_view localName() {
    const char* q = p;
    const char* b = p;
    while (q < end && !kNameEnd[static_cast<unsigned char>(*q)]) {
      if (*q == ':') b = q + 1;
      ++q;
    }
    p = q;
    return std::string_view(b, static_cast<size_t>(q - b));
  }

  // The tag at `p` (after blanks); false for anything but a start, end or
  // empty-element tag, or one not well formed.
  bool tag(Tag* t) {
    *t = Tag{};
    skipSpace();
    if (p >= end || *p != '<') return false;
    ++p;
    if (p < end && *p == '/') {
      ++p;
      t->closing = true;
    }
    if (p >= end || *p == '!' || *p == '?') return false;
    t->name = localName();
    if (t->name.empty()) return false;
    for (;;) {
      skipSpace();
      if (p >= end) return false;
      if (*p == '>') { ++p; return true; }
      if (*p == '/' && !t->closing) {
        if (++p >= end || *p != '>') return false;
        ++p;
        t->selfClosing = true;
        return true;
      }
      if (t->closing) return false;
      std::string_view attr = localName();
      skipSpace();
      if (attr.empty() || p >= end || *p != '=') return false;
      ++p;
      skipSpace();
      std::string_view value;
      if (!quoted(&value)) return false;
      if (isName(attr, "r")) { t->r = value; t->hasR = true; }
      else if (isName(attr, "s")) { t->s = value; t->hasS = true; }
      else if (isName(attr, "t")) t->t = value;
      else if (isName(attr, "ref")) { t->ref = value; t->hasRef = true; }
      else if (isName(attr, "si")) t->si = value;
      else if (isName(attr, "spans")) t->spans = value;
    }
  }

  // Past the end tag "</name>" when it stands at `p` as written most often
  // (no prefix, no blanks), which spares reading it as a whole tag; false,
  // with nothing read, for anything else. The name is a literal, so that
  // the comparison is a few inline instructions.
  template <size_t N>
  bool closes(const char (&name)[N]) {
    constexpr size_t n = N - 1;
    if (static_cast<size_t>(end - p) < n + 3 || p[0] != '<' || p[1] != '/' || std::memcmp(p + 2, name, n) != 0 ||
        p[2 + n] != '>')
      return false;
    p += n + 3;
    return true;
  }

  // Past the start tag "<name>" without attributes when it stands at `p` as
  // written most often (no prefix, no blanks); false, with nothing read, for
  // anything else.
  template <size_t N>
  bool opens(const char (&name)[N]) {
    constexpr size_t n = N - 1;
    if (static_cast<size_t>(end - p) < n + 2 || p[0] != '<' || std::memcmp(p + 1, name, n) != 0 || p[1 + n] != '>')
      return false;
    p += n + 2;
    return true;
  }

  // At `q`, the attribute ` name="value"` with a one-letter name, as cells
  // write r, s and t: past it, its value read, when it stands there so,
  // without an escape; false, with `q` unchanged, otherwise.
  bool letterAttribute(const char*& q, char name, std::string_view* value) const {
    constexpr std::ptrdiff_t kShortest = 5;   // ` r=""`
    if (end - q < kShortest || q[0] != ' ' || q[1] != name || q[2] != '=' || q[3] != '"') return false;
    const char* begin = q + 4;
    const char* close = begin;
    while (close < end && !kDoubleQuotedEnd[static_cast<unsigned char>(*close)]) ++close;
    if (close >= end || *close != '"') return false;
    *value = std::string_view(begin, static_cast<size_t>(close - begin));
    q = close + 1;
    return true;
  }

  // The start tag of a cell as it is written most often: "<c", the
  // attributes r, s and t (each optional) in that order as letterAttribute
  // takes them, then ">" or "/>". Read into `c` (`empty` for "/>"); false,
  // with nothing read, for any other form, which tag() then reads. This
  // spares the general reading of names and attributes for most cells.
  bool cellStart(XlsxCellText* c, bool* empty) {
    const char* q = p;
    if (end - q < 3 || q[0] != '<' || q[1] != 'c') return false;
    q += 2;
    c->hasRef = letterAttribute(q, 'r', &c->ref);
    c->hasStyle = letterAttribute(q, 's', &c->style);
    letterAttribute(q, 't', &c->type);
    if (q < end && *q == '>') {
      *empty = false;
      p = q + 1;
      return true;
    }
    if (end - q >= 2 && q[0] == '/' && q[1] == '>') {
      *empty = true;
      p = q + 2;
      return true;
    }
    return false;
  }

  // Past the end tag of the element `name`: "</name>" as most are written,
  // or any other form of it.
  bool endTag(std::string_view name) {
    const size_t n = name.size();
    if (static_cast<size_t>(end - p) >= n + 3 && p[0] == '<' && p[1] == '/' && std::string_view(p + 2, n) == name &&
        p[2 + n] == '>') {
      p += n + 3;
      return true;
    }
    Tag close;
    return tag(&close) && close.closing && close.name == name;
  }

  // The text up to the next tag, its escapes and line ends decoded as the
  // XML parser decodes them; false for an unknown escape.
  bool text(std::string_view* out, std::string* decoded) {
    const char* b = p;
    // Texts are mostly a few characters without escapes: one pass, one
    // look-up per byte, finds their end, shorter than a call to search.
    const char* q = p;
    while (q < end && !kTextEnd[static_cast<unsigned char>(*q)]) ++q;
    if (q < end && *q == '<') {
      p = q;
      *out = std::string_view(b, static_cast<size_t>(q - b));
      return true;
    }
    return escapedText(q, out, decoded);
  }

  // The rest of text(): a text starting at `p` that holds an escape or a
  // carriage return at `q` (or no tag after it), decoded into `decoded`.
  // Apart, so that text() stays small enough to be inlined where it is used.
  [[gnu::noinline]] bool escapedText(const char* q, std::string_view* out, std::string* decoded) {
    const char* b = p;
    const char* lt = static_cast<const char*>(std::memchr(q, '<', static_cast<size_t>(end - q)));
    if (!lt) return false;
    p = lt;
    std::string_view raw(b, static_cast<size_t>(lt - b));
    std::string& scratch = *decoded;
    scratch.clear();
    for (size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] == '\r') {
        scratch += '\n';
        if (i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
        continue;
      }
      if (raw[i] != '&') { scratch += raw[i]; continue; }
      size_t semi = raw.find(';', i);
      if (semi == std::string_view::npos) return false;
      std::string_view entity = raw.substr(i + 1, semi - i - 1);
      if (isName(entity, "lt")) scratch += '<';
      else if (isName(entity, "gt")) scratch += '>';
      else if (isName(entity, "amp")) scratch += '&';
      else if (isName(entity, "quot")) scratch += '"';
      else if (isName(entity, "apos")) scratch += '\'';
      else return false;
      i = semi;
    }
    *out = scratch;
    return true;
  }

  // Past the end of an element whose start tag was read, whatever it holds.
  bool skip(const Tag& start) {
    if (start.selfClosing) return true;
    for (int depth = 1; depth > 0;) {
      const char* lt = static_cast<const char*>(std::memchr(p, '<', static_cast<size_t>(end - p)));
      if (!lt) return false;
      p = lt;
      Tag t;
      if (!tag(&t)) return false;
      if (t.closing) --depth;
      else if (!t.selfClosing) ++depth;
    }
    return true;
  }

  // The text of an inline string whose <is> was read: its <t> elements and
  // the first <t> of each rich-text run, appended; `decoded` is scratch.
  bool inlineText(const Tag& start, std::string* out, std::string* decoded) {
    out->clear();
    if (start.selfClosing) return true;
    for (Tag t;;) {
      if (!tag(&t)) return false;
      if (t.closing) return isName(t.name, "is");
      std::string_view text;
      if (isName(t.name, "t")) {
        if (!content(t, &text, decoded)) return false;
        out->append(text);
      } else if (isName(t.name, "r")) {
        bool seen = false;
        for (Tag k; !t.selfClosing;) {
          if (!tag(&k)) return false;
          if (k.closing) break;
          if (isName(k.name, "t") && !seen) {
            if (!content(k, &text, decoded)) return false;
            out->append(text);
            seen = true;
          } else if (!skip(k)) {
            return false;
          }
        }
      } else if (!skip(t)) {
        return false;
      }
    }
  }

  // The text of an element whose start tag was read, and its end tag;
  // `decoded` holds the text when it had escapes.
  bool content(const Tag& start, std::string_view* out, std::string* decoded) {
    if (start.selfClosing) { *out = {}; return true; }
    return text(out, decoded) && endTag(start.name);
  }
};

}  // namespace

XlsxScan Xlsx_scanSheet(std::string_view xml, const XlsxScanSink& sink) {
  // The sheet data: "<sheetData>" (with any prefix) up to its end tag.
  size_t at = 0;
  Scanner sc{nullptr, xml.data() + xml.size()};
  for (;;) {
    at = xml.find("sheetData", at);
    if (at == std::string_view::npos) return XlsxScan::Unsupported;
    size_t lt = xml.rfind('<', at);
    if (lt != std::string_view::npos && xml.find_first_of(" \t\r\n>/\"'=", lt) >= at) {
      sc.p = xml.data() + lt;
      break;
    }
    at += 9;
  }
  Tag t;
  std::string formulaText, valueText, inlineText, pieceText;   // texts that had escapes; inline strings
  if (!sc.tag(&t) || t.closing || !isName(t.name, "sheetData")) return XlsxScan::Unsupported;
  if (t.selfClosing) return XlsxScan::Read;
  for (;;) {
    if (!sc.tag(&t)) return XlsxScan::Unsupported;
    if (t.closing && isName(t.name, "sheetData")) return XlsxScan::Read;
    if (t.closing || !isName(t.name, "row")) return XlsxScan::Unsupported;
    if (!sink.row(sink.context, t.r, t.hasR, t.spans)) return XlsxScan::Stopped;
    if (t.selfClosing) continue;
    for (;;) {
      const char* element = sc.next();
      if (sc.closes("row")) break;
      XlsxCellText c;
      bool empty = false;
      if (!sc.cellStart(&c, &empty)) {
        if (!sc.tag(&t)) return XlsxScan::Unsupported;
        if (t.closing && isName(t.name, "row")) break;
        if (t.closing || !isName(t.name, "c")) return XlsxScan::Unsupported;
        c.ref = t.r; c.hasRef = t.hasR;
        c.style = t.s; c.hasStyle = t.hasS;
        c.type = t.t;
        empty = t.selfClosing;
      }
      while (!empty) {
        const char* child = sc.next();
        if (sc.closes("c")) break;
        if (sc.opens("v")) {   // a value as most are written: "<v>text</v>"
          c.hasValue = true;
          if (!sc.text(&c.value, &valueText) || !(sc.closes("v") || sc.endTag("v"))) return XlsxScan::Unsupported;
          continue;
        }
        if (!sc.tag(&t)) return XlsxScan::Unsupported;
        if (t.closing && isName(t.name, "c")) break;
        if (t.closing || (!isName(t.name, "v") && !isName(t.name, "f") && !isName(t.name, "is"))) return XlsxScan::Unsupported;
        if (isName(t.name, "is")) {
          if (!sc.inlineText(t, &inlineText, &pieceText)) return XlsxScan::Unsupported;
          c.inlineText = inlineText;
        } else if (isName(t.name, "f")) {
          c.hasFormula = true;
          c.formulaType = t.t;
          c.formulaRef = t.ref; c.hasFormulaRef = t.hasRef;
          c.formulaSi = t.si;
          if (!sc.content(t, &c.formula, &formulaText)) return XlsxScan::Unsupported;
          c.formulaElement = std::string_view(child, static_cast<size_t>(sc.p - child));
        } else {
          c.hasValue = true;
          if (!sc.content(t, &c.value, &valueText)) return XlsxScan::Unsupported;
        }
      }
      c.element = std::string_view(element, static_cast<size_t>(sc.p - element));
      if (!sink.cell(sink.context, c)) return XlsxScan::Stopped;
    }
  }
}
