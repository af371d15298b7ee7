// Formula parser: turns a formula text into a tree with the spreadsheet's
// operator precedence (comparisons, &, + -, * /, ^ left-associative,
// %, unary signs binding tighter than ^, references with ranges).
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "platform/calc/Calc_Internal.h"

namespace {

constexpr size_t kMaxFormulaLength = 8192;
constexpr int kMaxHeight = 256;

bool isWordChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '$' || c == '\\';
}

bool isBooleanWord(const std::string& w) { return Wb_equalNoCase(w, "TRUE") || Wb_equalNoCase(w, "FALSE"); }

struct Parser {
  const std::string& s;
  size_t pos = 0;
  std::string error;
  int nesting = 0;   // open parentheses and calls, bounded before the stack is at risk

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

  bool combine(CalcOp op, CalcNode* out, std::vector<CalcNode> args) {
    CalcNode n;
    n.op = op;
    for (const CalcNode& a : args) n.height = std::max(n.height, a.height + 1);
    n.args = std::move(args);
    *out = std::move(n);
    return out->height <= kMaxHeight || fail("formula nested too deeply");
  }
  bool binary(CalcOp op, CalcNode* left, bool (Parser::*next)(CalcNode*)) {
    CalcNode right;
    if (!(this->*next)(&right)) return false;
    std::vector<CalcNode> args;
    args.push_back(std::move(*left));
    args.push_back(std::move(right));
    return combine(op, left, std::move(args));
  }

  // The whole text: an expression, or a union of references separated by commas.
  bool top(CalcNode* out) {
    if (!comparison(out)) return false;
    if (!accept(',')) return true;
    std::vector<CalcNode> parts;
    parts.push_back(std::move(*out));
    do {
      parts.emplace_back();
      if (!comparison(&parts.back())) return false;
    } while (accept(','));
    return combine(CalcOp::Union, out, std::move(parts));
  }

  bool comparison(CalcNode* out) {
    if (!concat(out)) return false;
    for (;;) {
      CalcOp op;
      if (acceptText("<=")) op = CalcOp::Le;
      else if (acceptText(">=")) op = CalcOp::Ge;
      else if (acceptText("<>")) op = CalcOp::Ne;
      else if (accept('=')) op = CalcOp::Eq;
      else if (accept('<')) op = CalcOp::Lt;
      else if (accept('>')) op = CalcOp::Gt;
      else return true;
      if (!binary(op, out, &Parser::concat)) return false;
    }
  }
  bool concat(CalcNode* out) {
    if (!additive(out)) return false;
    while (accept('&'))
      if (!binary(CalcOp::Concat, out, &Parser::additive)) return false;
    return true;
  }
  bool additive(CalcNode* out) {
    if (!term(out)) return false;
    for (;;) {
      if (accept('+')) { if (!binary(CalcOp::Add, out, &Parser::term)) return false; }
      else if (accept('-')) { if (!binary(CalcOp::Sub, out, &Parser::term)) return false; }
      else return true;
    }
  }
  bool term(CalcNode* out) {
    if (!power(out)) return false;
    for (;;) {
      if (accept('*')) { if (!binary(CalcOp::Mul, out, &Parser::power)) return false; }
      else if (accept('/')) { if (!binary(CalcOp::Div, out, &Parser::power)) return false; }
      else return true;
    }
  }
  bool power(CalcNode* out) {
    if (!unary(out)) return false;
    while (accept('^'))
      if (!binary(CalcOp::Pow, out, &Parser::unary)) return false;
    return true;
  }
  bool unary(CalcNode* out) {
    std::vector<CalcOp> signs;
    for (;;) {
      if (accept('-')) signs.push_back(CalcOp::Neg);
      else if (accept('+')) signs.push_back(CalcOp::Plus);
      else break;
    }
    if (!postfix(out)) return false;
    for (auto it = signs.rbegin(); it != signs.rend(); ++it) {
      std::vector<CalcNode> args;
      args.push_back(std::move(*out));
      if (!combine(*it, out, std::move(args))) return false;
    }
    return true;
  }
  bool postfix(CalcNode* out) {
    if (!primary(out)) return false;
    while (accept('%')) {
      std::vector<CalcNode> args;
      args.push_back(std::move(*out));
      if (!combine(CalcOp::Percent, out, std::move(args))) return false;
    }
    return true;
  }

  bool primary(CalcNode* out) {
    skipSpaces();
    if (pos >= s.size()) return fail("unexpected end of formula");
    char c = s[pos];
    if (c == '(') {
      ++pos;
      if (++nesting > kMaxHeight) return fail("formula nested too deeply");
      if (!comparison(out)) return false;
      --nesting;
      return accept(')') || fail("missing )");
    }
    if (c == '{') return arrayConstant(out);
    if (c == '"' || c == '#' || std::isdigit(static_cast<unsigned char>(c)) || c == '.') {
      out->op = CalcOp::Literal;
      return constant(&out->value);
    }
    if (c == '\'') return quotedSheet(out);
    if (isWordChar(c)) return word(out);
    return fail(std::string("unexpected character '") + c + "'");
  }

  // A constant as allowed inside array constants: number, text, boolean, error.
  bool constant(CellValue* v) {
    skipSpaces();
    if (pos >= s.size()) return fail("unexpected end of formula");
    char c = s[pos];
    if (c == '"') return stringLiteral(v);
    if (c == '#') return errorLiteral(v);
    if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') return number(v);
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
    auto digits = [&] { size_t n = 0; while (pos < s.size() && std::isdigit(static_cast<unsigned char>(s[pos]))) { ++pos; ++n; } return n; };
    size_t n = digits();
    if (pos < s.size() && s[pos] == '.') { ++pos; n += digits(); }
    if (n == 0) return fail("number expected");
    if (pos < s.size() && (s[pos] == 'e' || s[pos] == 'E')) {
      ++pos;
      if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) ++pos;
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

  std::string wordAt() {
    size_t start = pos;
    while (pos < s.size() && isWordChar(s[pos])) ++pos;
    return s.substr(start, pos - start);
  }

  // After "Sheet!": a cell, a range or a name.
  bool qualified(const std::string& sheet, CalcNode* out) {
    std::string w = wordAt();
    if (w.empty()) return fail("reference expected after !");
    if (cellOrRange(w, out)) { out->sheetName = sheet; return true; }
    if (!error.empty()) return false;
    out->op = CalcOp::Name;
    out->text = w;
    out->sheetName = sheet;
    return true;
  }
  // True when `w` is a cell reference (then also reads ":cell").
  bool cellOrRange(const std::string& w, CalcNode* out) {
    int r, c;
    if (!Wb_parseA1(w, &r, &c)) return false;
    out->op = CalcOp::Ref;
    out->row1 = out->row2 = r;
    out->col1 = out->col2 = c;
    if (pos < s.size() && s[pos] == ':') {
      ++pos;
      std::string w2 = wordAt();
      if (!Wb_parseA1(w2, &r, &c)) return fail("cell reference expected after :");
      out->row1 = std::min(out->row1, r);
      out->row2 = std::max(out->row2, r);
      out->col1 = std::min(out->col1, c);
      out->col2 = std::max(out->col2, c);
    }
    return true;
  }

  bool quotedSheet(CalcNode* out) {
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
    if (pos >= s.size() || s[pos] != '!') return fail("! expected after sheet name");
    ++pos;
    return qualified(name, out);
  }

  bool word(CalcNode* out) {
    size_t start = pos;
    std::string w = wordAt();
    if (pos < s.size() && s[pos] == '!') { ++pos; return qualified(w, out); }
    if (pos < s.size() && s[pos] == '(') return call(w, out);
    if (cellOrRange(w, out)) return true;
    if (!error.empty()) return false;
    if (isBooleanWord(w)) {
      out->op = CalcOp::Literal;
      out->value = CellValue::makeBoolean(Wb_equalNoCase(w, "TRUE"));
      return true;
    }
    if (w.find('$') != std::string::npos || std::isdigit(static_cast<unsigned char>(w[0]))) {
      pos = start;
      return fail("bad reference or name");
    }
    out->op = CalcOp::Name;
    out->text = w;
    return true;
  }

  bool call(const std::string& name, CalcNode* out) {
    ++pos;  // (
    if (++nesting > kMaxHeight) return fail("formula nested too deeply");
    std::vector<CalcNode> args;
    if (!accept(')')) {
      for (;;) {
        CalcNode arg;
        skipSpaces();
        if (pos < s.size() && (s[pos] == ',' || s[pos] == ')')) arg.op = CalcOp::Missing;
        else if (!comparison(&arg)) return false;
        args.push_back(std::move(arg));
        if (accept(',')) continue;
        if (accept(')')) break;
        return fail("expected , or ) in arguments of " + name);
      }
    }
    --nesting;
    if (!combine(CalcOp::Func, out, std::move(args))) return false;
    out->text = name;
    return true;
  }
};

}  // namespace

bool Calc_parse(const std::string& formula, CalcNode* out, std::string* error) {
  if (formula.size() > kMaxFormulaLength) {
    if (error) *error = "formula longer than " + std::to_string(kMaxFormulaLength) + " characters";
    return false;
  }
  Parser p{formula, 0, {}, 0};
  p.skipSpaces();
  if (p.pos < formula.size() && formula[p.pos] == '=') ++p.pos;
  p.skipSpaces();
  bool ok = p.pos < formula.size() ? p.top(out) : p.fail("empty formula");
  if (ok) {
    p.skipSpaces();
    if (p.pos < formula.size()) ok = p.fail(std::string("unexpected character '") + formula[p.pos] + "'");
  }
  if (!ok) {
    *out = CalcNode{};   // no partial tree for the caller to run by mistake
    if (error) *error = p.error;
  }
  return ok;
}

bool Calc_checkFormula(const std::string& formula, std::string* error) {
  CalcNode node;
  return Calc_parse(formula, &node, error);
}
