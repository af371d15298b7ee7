// Formula parser: turns a formula text, as workbooks store it, into a tree
// with the spreadsheet's operator precedence: comparisons, &, + -, * /, ^
// (each level one left-to-right chain), unary signs, %, the intersection
// (a space between references), unions in parentheses, and references
// (cells, ranges, whole columns and rows, other sheets, sheet ranges,
// deleted cells as #REF!, other workbooks as #REF!).
//
// Limits are those of the files: at most kMaxFormulaLength characters after
// "=", texts of at most kMaxTextLength characters, and nesting (parentheses,
// calls, signs) bounded by kMaxHeight levels. A chain of operators is one
// level however long it is.
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "platform/calc/Calc_Internal.h"
#include "platform/workbook/Wb_Letters.h"

namespace {

constexpr size_t kMaxFormulaLength = 8192;
constexpr size_t kMaxTextLength = 255;
constexpr int kMaxHeight = 256;

// The ASCII characters that words hold besides letters and digits.
constexpr std::string_view kWordPunctuation = "_.$\\?";
bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

bool isBooleanWord(const std::string& w) { return Wb_equalNoCase(w, "TRUE") || Wb_equalNoCase(w, "FALSE"); }

// Characters of a UTF-8 text (continuation bytes do not count).
size_t characters(const std::string& s, size_t from = 0) {
  size_t n = 0;
  for (size_t i = from; i < s.size(); ++i) n += (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80;
  return n;
}

// "C", "$AB": a column alone, as whole-column ranges write it.
bool columnOnly(const std::string& w, int* col) {
  size_t i = w.size() > 0 && w[0] == '$' ? 1 : 0;
  if (w.size() == i || w.size() - i > 3) return false;
  long c = 0;
  for (; i < w.size(); ++i) {
    if (!std::isalpha(static_cast<unsigned char>(w[i]))) return false;
    c = c * 26 + (std::toupper(static_cast<unsigned char>(w[i])) - 'A' + 1);
  }
  if (c > kCalcLastCol + 1) return false;
  *col = static_cast<int>(c - 1);
  return true;
}

// "3", "$12": a row alone, as whole-row ranges write it.
bool rowOnly(const std::string& w, int* row) {
  size_t i = w.size() > 0 && w[0] == '$' ? 1 : 0;
  if (w.size() == i || w.size() - i > 7) return false;
  long r = 0;
  for (; i < w.size(); ++i) {
    if (!isDigit(w[i])) return false;
    r = r * 10 + (w[i] - '0');
  }
  if (r < 1 || r > kCalcLastRow + 1) return false;
  *row = static_cast<int>(r - 1);
  return true;
}

CalcNode errorNode(CellError e) {
  CalcNode n;
  n.value = CellValue::makeError(e);
  return n;
}

struct Parser {
  const std::string& s;
  size_t pos = 0;
  std::string error;
  int nesting = 0;   // open parentheses and calls
  bool pastLimit = false;  // the failure is a limit of the files, not the formula's form

  bool fail(const std::string& what) {
    if (error.empty()) error = what + " at position " + std::to_string(pos + 1);
    return false;
  }
  void skipSpaces() {
    while (pos < s.size() && std::isspace(static_cast<unsigned char>(s[pos]))) ++pos;
  }
  bool acceptText(const char* t) {
    skipSpaces();
    size_t n = std::char_traits<char>::length(t);
    if (s.compare(pos, n, t) != 0) return false;
    pos += n;
    return true;
  }
  bool accept(char c) {
    skipSpaces();
    if (pos < s.size() && s[pos] == c) { ++pos; return true; }
    return false;
  }
  bool at(char c) const { return pos < s.size() && s[pos] == c; }
  bool tooDeep() {
    pastLimit = true;
    return fail("formula nested too deeply (more than " + std::to_string(kMaxHeight) + " levels)");
  }
  // The character at pos, whole however many bytes it takes.
  bool unexpected() { return fail("unexpected character '" + Wb_characterAt(s, pos) + "'"); }

  // Gives `n` its height from its arguments and moves it to `out`.
  bool finish(CalcNode* n, CalcNode* out) {
    for (const CalcNode& a : n->args) n->height = std::max(n->height, a.height + 1);
    *out = std::move(*n);
    return out->height <= kMaxHeight || tooDeep();
  }
  bool wrap(CalcOp op, CalcNode* inner) {
    CalcNode n;
    n.op = op;
    n.args.push_back(std::move(*inner));
    return finish(&n, inner);
  }

  // One precedence level: operands from `next`, operators from `op`.
  bool chain(CalcNode* out, bool (Parser::*next)(CalcNode*), bool (Parser::*op)(CalcOp*)) {
    if (!(this->*next)(out)) return false;
    CalcOp o;
    if (!(this->*op)(&o)) return true;
    CalcNode n;
    n.op = CalcOp::Chain;
    n.args.push_back(std::move(*out));
    do {
      n.ops.push_back(o);
      n.args.emplace_back();
      if (!(this->*next)(&n.args.back())) return false;
    } while ((this->*op)(&o));
    return finish(&n, out);
  }
  bool comparisonOp(CalcOp* o) {
    if (acceptText("<=")) *o = CalcOp::Le;
    else if (acceptText(">=")) *o = CalcOp::Ge;
    else if (acceptText("<>")) *o = CalcOp::Ne;
    else if (accept('=')) *o = CalcOp::Eq;
    else if (accept('<')) *o = CalcOp::Lt;
    else if (accept('>')) *o = CalcOp::Gt;
    else return false;
    return true;
  }
  bool concatOp(CalcOp* o) { *o = CalcOp::Concat; return accept('&'); }
  bool additiveOp(CalcOp* o) {
    if (accept('+')) *o = CalcOp::Add;
    else if (accept('-')) *o = CalcOp::Sub;
    else return false;
    return true;
  }
  bool termOp(CalcOp* o) {
    if (accept('*')) *o = CalcOp::Mul;
    else if (accept('/')) *o = CalcOp::Div;
    else return false;
    return true;
  }
  bool powerOp(CalcOp* o) { *o = CalcOp::Pow; return accept('^'); }

  // The whole text: an expression, or a union of references separated by commas.
  bool top(CalcNode* out) { return listOf(out); }
  // Parts of a union are separated by "," (some programs write "~").
  bool listOf(CalcNode* out) {
    if (!comparison(out)) return false;
    if (!unionSeparator()) return true;
    CalcNode n;
    n.op = CalcOp::Union;
    n.args.push_back(std::move(*out));
    do {
      n.args.emplace_back();
      if (!comparison(&n.args.back())) return false;
    } while (unionSeparator());
    return finish(&n, out);
  }
  bool unionSeparator() { return accept(',') || accept('~'); }
  bool comparison(CalcNode* out) { return chain(out, &Parser::concat, &Parser::comparisonOp); }
  bool concat(CalcNode* out) { return chain(out, &Parser::additive, &Parser::concatOp); }
  bool additive(CalcNode* out) { return chain(out, &Parser::term, &Parser::additiveOp); }
  bool term(CalcNode* out) { return chain(out, &Parser::power, &Parser::termOp); }
  bool power(CalcNode* out) { return chain(out, &Parser::unary, &Parser::powerOp); }

  // Signs: an odd number of minuses negates once, an even number twice (which
  // still turns a text into a number); pluses change nothing.
  bool unary(CalcNode* out) {
    int minus = 0, plus = 0;
    for (;;) {
      if (accept('-')) ++minus;
      else if (accept('+')) ++plus;
      else break;
    }
    if (!postfix(out)) return false;
    if (minus == 0) return plus == 0 || wrap(CalcOp::Plus, out);
    if (minus % 2 == 0 && !wrap(CalcOp::Neg, out)) return false;
    return wrap(CalcOp::Neg, out);
  }
  bool postfix(CalcNode* out) {
    if (!intersection(out)) return false;
    while (accept('%'))
      if (!wrap(CalcOp::Percent, out)) return false;
    return true;
  }

  // References separated by spaces meet in their common cells.
  bool intersection(CalcNode* out) {
    if (!primary(out)) return false;
    while (intersectionFollows(*out)) {
      CalcNode n;
      n.op = CalcOp::Intersect;
      n.args.push_back(std::move(*out));
      n.args.emplace_back();
      if (!primary(&n.args.back()) || !finish(&n, out)) return false;
    }
    return true;
  }
  bool intersectionFollows(const CalcNode& left) {
    bool reference = left.op == CalcOp::Ref || left.op == CalcOp::Name || left.op == CalcOp::Intersect ||
                     left.op == CalcOp::Union;
    if (!reference || !at(' ')) return false;
    size_t p = pos;
    while (p < s.size() && s[p] == ' ') ++p;
    if (p >= s.size()) return false;
    char c = s[p];
    bool starts = std::isalpha(static_cast<unsigned char>(c)) || c == '$' || c == '\'' || c == '_' || c == '(' ||
                  Wb_letterAt(s, p) > 0;
    if (isDigit(c)) {   // only a whole-row range "3:5"
      size_t q = p;
      while (q < s.size() && isDigit(s[q])) ++q;
      starts = q < s.size() && s[q] == ':';
    }
    if (starts) pos = p;
    return starts;
  }

  bool primary(CalcNode* out) {
    skipSpaces();
    if (pos >= s.size()) return fail("unexpected end of formula");
    char c = s[pos];
    if (c == '(') return parenthesised(out);
    if (c == '{') return arrayConstant(out);
    if (c == '#') return errorOrDeletedRange(out);
    if (isDigit(c) && !rowRangeAhead()) {
      out->op = CalcOp::Literal;
      return number(&out->value);
    }
    if (c == '"' || c == '.') {
      out->op = CalcOp::Literal;
      return constant(&out->value);
    }
    if (c == '\'') return quotedSheet(out);
    if (c == '[') return otherWorkbook(out);
    if (Wb_wordCharAt(s, pos, kWordPunctuation) > 0) return word(out);
    return unexpected();
  }
  bool rowRangeAhead() const {
    size_t p = pos;
    while (p < s.size() && isDigit(s[p])) ++p;
    return p < s.size() && s[p] == ':';
  }

  bool parenthesised(CalcNode* out) {
    ++pos;
    if (++nesting > kMaxHeight) return tooDeep();
    if (!listOf(out)) return false;
    --nesting;
    return accept(')') || fail("missing )");
  }

  // An error value; "#REF!" may stand for a deleted sheet ("#REF!A1") or a
  // deleted end of a range ("#REF!:B2").
  bool errorOrDeletedRange(CalcNode* out) {
    out->op = CalcOp::Literal;
    if (!errorLiteral(&out->value)) return false;
    if (out->value.error != CellError::Ref) return true;
    if (pos < s.size() && (std::isalpha(static_cast<unsigned char>(s[pos])) || s[pos] == '$')) {
      CalcNode cells;
      if (!cellOrRange(wordAt(), &cells)) return fail("cell reference expected after #REF!");
      out->deletedSheet = true;
    }
    if (!at(':')) return true;
    ++pos;
    CalcNode other;
    return primary(&other);
  }

  // A constant as allowed inside array constants: number, text, boolean, error.
  bool constant(CellValue* v) {
    skipSpaces();
    if (pos >= s.size()) return fail("unexpected end of formula");
    char c = s[pos];
    if (c == '"') return stringLiteral(v);
    if (c == '#') return errorLiteral(v);
    if (isDigit(c) || c == '.') return number(v);
    if (std::isalpha(static_cast<unsigned char>(c))) {
      size_t start = pos;
      while (pos < s.size() && std::isalpha(static_cast<unsigned char>(s[pos]))) ++pos;
      std::string w = s.substr(start, pos - start);
      if (isBooleanWord(w)) { *v = CellValue::makeBoolean(Wb_equalNoCase(w, "TRUE")); return true; }
      pos = start;
    }
    return fail("constant expected");
  }
  bool stringLiteral(CellValue* v) {
    std::string text;
    for (++pos;; ++pos) {
      if (pos >= s.size()) return fail("missing closing quote");
      if (s[pos] == '"') {
        if (pos + 1 < s.size() && s[pos + 1] == '"') { text += '"'; ++pos; continue; }
        ++pos;
        break;
      }
      text += s[pos];
    }
    if (characters(text) > kMaxTextLength) {
      pastLimit = true;
      return fail("text longer than " + std::to_string(kMaxTextLength) + " characters");
    }
    *v = CellValue::makeText(std::move(text));
    return true;
  }
  bool errorLiteral(CellValue* v) {
    for (const char* t : {"#NULL!", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#N/A"}) {
      std::string e(t);
      if (s.size() - pos >= e.size() && Wb_equalNoCase(s.substr(pos, e.size()), e)) {
        pos += e.size();
        CellError code;
        Wb_errorFromText(e, &code);
        *v = CellValue::makeError(code);
        return true;
      }
    }
    return fail("unknown error value");
  }
  bool number(CellValue* v) {
    size_t start = pos;
    auto digits = [&] { size_t n = 0; while (pos < s.size() && isDigit(s[pos])) { ++pos; ++n; } return n; };
    size_t n = digits();
    if (at('.')) { ++pos; n += digits(); }
    if (n == 0) return fail("number expected");
    if (at('e') || at('E')) {
      ++pos;
      if (at('+') || at('-')) ++pos;
      if (digits() == 0) return fail("exponent expected");
    }
    double d = std::strtod(s.substr(start, pos - start).c_str(), nullptr);
    if (!std::isfinite(d)) return fail("number too large");
    *v = CellValue::makeNumber(d);
    return true;
  }

  bool arrayConstant(CalcNode* out) {
    ++pos;
    CalcArray a;
    a.rows = 0;
    int cols = 0;
    std::vector<CellValue> row;
    for (;;) {
      bool negative = false;
      if (accept('-')) negative = true;
      else accept('+');
      CellValue v;
      if (!constant(&v)) return false;
      if (negative) {
        if (v.kind != CellKind::Number) return fail("number expected after -");
        v.number = -v.number;
      }
      row.push_back(std::move(v));
      if (accept(',')) continue;
      bool last = accept('}');
      if (!last && !accept(';')) return fail("expected , ; or } in array constant");
      if (a.rows > 0 && static_cast<int>(row.size()) != cols) return fail("array constant rows differ in length");
      cols = static_cast<int>(row.size());
      for (CellValue& x : row) a.values.push_back(std::move(x));
      row.clear();
      ++a.rows;
      if (last) break;
    }
    a.cols = cols;
    out->op = CalcOp::ArrayConst;
    out->array = std::move(a);
    return true;
  }

  // A word: letters and digits of every script, and kWordPunctuation.
  std::string wordAt() {
    size_t start = pos;
    while (pos < s.size())
      if (size_t n = Wb_wordCharAt(s, pos, kWordPunctuation)) pos += n;
      else break;
    return s.substr(start, pos - start);
  }

  // After "Sheet!" (or "First:Last!"): a cell, a range, a name, or #REF! for deleted cells.
  bool qualified(const std::string& sheet, const std::string& lastSheet, CalcNode* out) {
    if (at('#')) return errorOrDeletedRange(out);
    std::string w = wordAt();
    if (w.empty()) return fail("reference expected after !");
    if (cellOrRange(w, out)) {
      out->sheetName = sheet;
      out->lastSheet = lastSheet;
      return true;
    }
    if (!error.empty()) return false;
    if (!lastSheet.empty()) return fail("reference expected after !");
    out->op = CalcOp::Name;
    out->text = w;
    out->sheetName = sheet;
    return true;
  }
  // True when `w` begins a cell reference, a range, or a whole-column or
  // whole-row range (then the rest of the range is read too).
  bool cellOrRange(const std::string& w, CalcNode* out) {
    int r, c;
    if (Wb_parseA1(w, &r, &c)) return cellRange(r, c, out);
    size_t start = pos;
    if (!at(':')) return false;
    ++pos;
    std::string w2 = wordAt();
    int a, b;
    out->op = CalcOp::Ref;
    if (columnOnly(w, &a) && columnOnly(w2, &b)) {
      out->row1 = 0;
      out->row2 = kCalcLastRow;
      out->col1 = std::min(a, b);
      out->col2 = std::max(a, b);
      return true;
    }
    if (rowOnly(w, &a) && rowOnly(w2, &b)) {
      out->col1 = 0;
      out->col2 = kCalcLastCol;
      out->row1 = std::min(a, b);
      out->row2 = std::max(a, b);
      return true;
    }
    out->op = CalcOp::Literal;
    pos = start;
    return false;
  }
  bool cellRange(int r, int c, CalcNode* out) {
    out->op = CalcOp::Ref;
    out->row1 = out->row2 = r;
    out->col1 = out->col2 = c;
    if (!at(':')) return true;
    ++pos;
    if (at('#')) {   // "A1:#REF!": the other end was deleted
      *out = errorNode(CellError::Ref);
      CellValue v;
      return errorLiteral(&v);
    }
    std::string w2 = wordAt();
    if (!Wb_parseA1(w2, &r, &c)) return fail("cell reference expected after :");
    out->row1 = std::min(out->row1, r);
    out->row2 = std::max(out->row2, r);
    out->col1 = std::min(out->col1, c);
    out->col2 = std::max(out->col2, c);
    return true;
  }

  // 'Sheet name'!, 'First:Last'!, or '[Book]Sheet'! (another workbook).
  bool quotedSheet(CalcNode* out) {
    size_t start = pos;
    std::string name;
    for (++pos;; ++pos) {
      if (pos >= s.size()) return fail("missing closing quote of sheet name");
      if (s[pos] == '\'') {
        if (pos + 1 < s.size() && s[pos + 1] == '\'') { name += '\''; ++pos; continue; }
        ++pos;
        break;
      }
      name += s[pos];
    }
    if (!at('!')) return fail("! expected after sheet name");
    ++pos;
    if (name.find('[') != std::string::npos) return elsewhere(start, out);
    size_t colon = name.find(':');   // sheet names cannot hold ':'
    if (colon == std::string::npos) return qualified(name, "", out);
    return qualified(name.substr(0, colon), name.substr(colon + 1), out);
  }

  // "[1]Sheet!A1", "[Book.xlsx]Sheet!A1", "[1]!Name": another workbook, whose
  // cells the application does not have open (#REF!). "[0]" is this workbook.
  bool otherWorkbook(CalcNode* out) {
    size_t start = pos;
    size_t close = s.find(']', pos);
    if (close == std::string::npos) return fail("missing ] after workbook");
    bool self = s.compare(pos, close - pos + 1, "[0]") == 0;
    pos = close + 1;
    std::string sheet = wordAt();
    if (!at('!')) return fail("! expected after workbook");
    ++pos;
    if (!self) return elsewhere(start, out);
    if (!sheet.empty()) return qualified(sheet, "", out);
    if (!word(out)) return false;
    out->workbookName = out->op == CalcOp::Name;
    return true;
  }
  // Reads the reference after "!" and stands for it as #REF!, keeping the
  // text so that the calculation can tell it from a deleted reference.
  bool elsewhere(size_t start, CalcNode* out) {
    CalcNode ignored;
    if (!qualified("", "", &ignored)) return false;
    *out = errorNode(CellError::Ref);
    out->text = s.substr(start, pos - start);
    return true;
  }

  bool word(CalcNode* out) {
    size_t start = pos;
    std::string w = wordAt();
    if (at('!')) { ++pos; return qualified(w, "", out); }
    if (at(':')) {   // "First:Last!A1" across sheets
      size_t colon = pos++;
      std::string last = wordAt();
      if (!last.empty() && at('!')) { ++pos; return qualified(w, last, out); }
      pos = colon;
    }
    if (at('(')) return call(w, out);
    if (cellOrRange(w, out)) return true;
    if (!error.empty()) return false;
    if (isBooleanWord(w)) {
      out->op = CalcOp::Literal;
      out->value = CellValue::makeBoolean(Wb_equalNoCase(w, "TRUE"));
      return true;
    }
    if (w.find('$') != std::string::npos || isDigit(w[0])) {
      pos = start;
      return fail("bad reference or name");
    }
    out->op = CalcOp::Name;
    out->text = w;
    return true;
  }

  bool call(const std::string& name, CalcNode* out) {
    ++pos;  // (
    if (++nesting > kMaxHeight) return tooDeep();
    CalcNode n;
    n.op = CalcOp::Func;
    n.text = name;
    if (!accept(')')) {
      for (;;) {
        CalcNode& arg = n.args.emplace_back();
        skipSpaces();
        if (at(',') || at(')')) arg.op = CalcOp::Missing;
        else if (!comparison(&arg)) return false;
        if (accept(',')) continue;
        if (accept(')')) break;
        return fail("expected , or ) in arguments of " + name);
      }
    }
    --nesting;
    return finish(&n, out);
  }
};

}  // namespace

namespace {

// Calc_parse, saying also whether a failure is one of the limits.
bool parse(const std::string& formula, CalcNode* out, std::string* error, bool* pastLimit) {
  Parser p{formula, 0, {}, 0};
  p.skipSpaces();
  if (p.at('=')) ++p.pos;
  bool ok = true;
  // Too long as a whole, at no position of its own.
  if (const size_t length = characters(formula, p.pos); length > kMaxFormulaLength) {
    p.error = "formula of " + std::to_string(length) + " characters, longer than the " +
              std::to_string(kMaxFormulaLength) + " a formula may have";
    p.pastLimit = true;
    ok = false;
  }
  p.skipSpaces();
  ok = ok && (p.pos < formula.size() ? p.top(out) : p.fail("empty formula"));
  if (ok) {
    p.skipSpaces();
    if (p.pos < formula.size()) ok = p.unexpected();
  }
  if (!ok) {
    *out = CalcNode{};   // no partial tree for the caller to run by mistake
    if (error) *error = p.error;
  }
  if (pastLimit) *pastLimit = !ok && p.pastLimit;
  return ok;
}

}  // namespace

bool Calc_parse(const std::string& formula, CalcNode* out, std::string* error) {
  return parse(formula, out, error, nullptr);
}

bool Calc_numberLiteral(const std::string& text, double* out) {
  Parser p{text, 0, {}, 0};
  bool negative = p.at('-');
  if (negative) ++p.pos;
  CellValue v;
  if (!p.number(&v) || p.pos != text.size()) return false;
  *out = negative && v.number != 0 ? -v.number : v.number;  // as the sign evaluates: never "-0"
  return true;
}

bool Calc_checkFormula(const std::string& formula, std::string* error) {
  CalcNode node;
  return Calc_parse(formula, &node, error);
}

bool Calc_formulaPastLimits(const std::string& formula, std::string* error) {
  CalcNode node;
  bool pastLimit = false;
  return !parse(formula, &node, error, &pastLimit) && pastLimit;
}
