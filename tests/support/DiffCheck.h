// One formula of the differential check through both calculations: the
// stand-in's (cell H1 of the generator's workbook, recalculated) and the
// interpreter's in value mode; where both give the same number, the
// interpreter's forward, reverse and second-derivative modes over the number
// cells A1:A6 too, whose value must equal the value mode's and whose gradient
// must match a central difference where the formula is smooth there. Differences
// that are meant (each with its reason) do not count; the outcome names any
// other.
//
// What the check cannot see: a value both calculations get wrong alike. For
// most functions (188 of the 325) the stand-in runs the library's own code,
// and for the rest the two were written to the same reading of the
// function, so their agreement says nothing of the value's truth; the table
// of values known by definition (tests/frontend/KnownValuesTest.cpp) and the
// function cases over the shared data are what check the values themselves.
// Nor does it see a formula its generator does not write (names, date texts,
// criteria arrays, several sheets).
#pragma once

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/Fe_Frontend.h"
#include "frontend/Fe_Interpreter.h"
#include "interpreter/Eval_Entries.h"
#include "interpreter/Model_Structure.h"
#include "interpreter/Prog_Program.h"
#include "platform/calc/Calc.h"
#include "tests/support/CaseBooks.h"
#include "tests/support/DiffGenerator.h"
#include "tests/support/SheetSource.h"
#include "values/Model_Functions.h"
#include "values/Model_Variables.h"
#include "values/Val_Value.h"
#include "values/Vm_Status.h"

// What a formula gave: agreement, or the first difference found, its class
// and both sides.
struct DiffOutcome {
  bool agree = true;
  std::string kind;                  // "value", "derivative value", "gradient", "derivative status"
  std::string detail;                // the formula and both sides
  const char* documented = nullptr;  // the documented difference that excused it
};

// The one documented difference between the two calculations: POWER(0,0)
// is #NUM! in the stand-in, as in the spreadsheet it plays, and 1 in the
// interpreter (the limit of x^0, as the function cases have it).
inline constexpr const char* kDiffPowerZeroZero = "POWER of zero to the power zero";

// A difference of texts, meant: a number turned into text shows 15
// significant digits, and where the two calculations' values differ in their
// last bits (as numbers may, within the check's tolerance) the 15th digit
// may round differently. Texts that differ only in digits of numbers that
// close count as this; numbers written otherwise ("1.50" and "1.5") do not.
inline constexpr const char* kDiffShownDigits = "a number's last shown digit from values a few bits apart";

// A difference of the derivative modes, meant: where a quotient's slope in
// its divisor leaves the doubles (1 over 1E-300 A1: -q / y is about 1E+599)
// while the formula's slope does not, the forward and second-derivative
// modes carry the slopes in the variables and give the finite gradient, but
// the reverse mode's tape holds each operation's slope in its own operands,
// and that one is beyond the doubles: it fails with status 26 (overflow).
// Excused only where the forward mode passed (a finite gradient, matching
// the differences wherever they tell) and the reverse mode says status 26.
inline constexpr const char* kDiffTapeSlopeOverflow = "reverse mode's operation slope beyond the doubles";

namespace diff_detail {

// Numbers within a few ulps relative, or absolutely near zero.
constexpr double kAbsoluteTolerance = 1e-14;
inline bool closeNumbers(double a, double b) { return Cases_close(a, b, kAbsoluteTolerance); }

inline bool sameValue(const CellValue& a, const CellValue& b) {
  if (a.kind != b.kind) return false;
  switch (a.kind) {
    case CellKind::Number: return closeNumbers(a.number, b.number);
    case CellKind::Text: return a.text == b.text;
    case CellKind::Error: return a.error == b.error;
    default: return a.number == b.number;
  }
}

// The reader's source over the generator's workbook, as `corvan` reads it.
struct BookSource : ReaderSource {
  std::unique_ptr<ReaderSource> inner;
  explicit BookSource(Workbook* wb) : inner(Fe_workbookSource(wb)) {}
  bool resolve(uint8_t sheet, const std::u16string& text, LoadNamed* named) override {
    return inner->resolve(sheet, text, named);
  }
  bool readCell(const CellRef& cell, Value* value, ReaderCell* info) override {
    return inner->readCell(cell, value, info);
  }
  bool usedArea(uint8_t sheet, RangeRef* area) override { return inner->usedArea(sheet, area); }
};

// The formula cell compiled as a model function over the variable cells.
struct DerivativeBench : SourceBench<BookSource> {
  bool ok = false;
  explicit DerivativeBench(Workbook* wb) : SourceBench<BookSource>(wb) {
    Model_addVariableRange(ctx->tables.variables, RangeRef{1, 1, 1, kDiffVariables, 1}, kVarContinuous);
    Model_addFunction(functions, 1, kDiffTargetColumn + 1, kDiffTargetRow + 1, kRelFree2, 0.0);
    ok = Reader_bindModel(reader, functions, ctx->tables.variables, 0) && Parse_compileModel(reader) &&
         Parse_pruneModel(reader, true);
    Vm_initProgram(&program, ctx);
    ProgBudget budget{};
    ok = ok && Prog_compile(&program, std::uint64_t{1} << 30, &budget);
    ctx->tables.program = &program;
    for (int j = 1; j <= kDiffVariables; ++j) at(j, kDiffVariableValues[j - 1]);
  }
  double step = 0;  // the differences' step per unit of a variable
  void at(int j, double x) { Model_getVariable(ctx->tables.variables, j)->value = Interval{x, x}; }
  bool value(double* v) { return Eval_evalReal(&program, 0, true, v, false); }
  const Value& result() { return functions->array[0]->leftChain.back()->value; }
};

// The values at the point and a step h to either side in variable j; false
// when one of them is no finite number.
inline bool sideValues(DerivativeBench& b, int j, double h, double* at, double* up, double* down) {
  const double x = kDiffVariableValues[j - 1];
  const bool ok = b.value(at);
  b.at(j, x + h);
  const bool okUp = b.value(up);
  b.at(j, x - h);
  const bool okDown = b.value(down);
  b.at(j, x);
  return ok && okUp && okDown && std::isfinite(*at) && std::isfinite(*up) && std::isfinite(*down);
}

// The one-sided differences in variable j with step h, or false when the
// value at a side is no number.
inline bool sideDifferences(DerivativeBench& b, int j, double h, double* forward, double* backward) {
  double at = 0, up = 0, down = 0;
  const bool ok = sideValues(b, j, h, &at, &up, &down);
  *forward = (up - at) / h;
  *backward = (at - down) / h;
  return ok && std::isfinite(*forward) && std::isfinite(*backward);
}

constexpr double kStep = 1e-6, kSmoothAgreement = 1e-3, kGradientTolerance = 1e-4;
// RATE, IRR and XIRR are roots found to the root finder's fixed tolerance
// (6E-9 relative and 1.5E-8): as the data move, their values move in steps
// of up to 3E-8 about the smooth root, which over a step of 1E-6 swamp its
// slope. The derivative modes carry the root's exact slope, and the
// differences of a formula that calls one take a step of 1E-3, over which
// the steps stay below the check's tolerance.
constexpr double kRootStep = 1e-3;
inline const char* const kToleranceRoots[] = {"RATE(", "IRR(", "XIRR("};

// Whether the formula calls a function of kToleranceRoots (RATE, not
// INTRATE; IRR, not MIRR).
inline bool callsToleranceRoot(const std::string& formula) {
  for (const char* name : kToleranceRoots)
    for (size_t at = formula.find(name); at != std::string::npos; at = formula.find(name, at + 1))
      if (at == 0 || !std::isalnum(static_cast<unsigned char>(formula[at - 1]))) return true;
  return false;
}
// The rounding of a value, against which a difference of nearby values
// tells nothing.
constexpr double kRounding = 1e-15;

inline double relativeGap(double a, double b) { return std::fabs(a - b) / std::max(1.0, std::fabs(b)); }

// The gradient against central differences, judged only where the formula
// is smooth: the one-sided differences agree (no kink or branch between
// them), the central difference holds at half the step (a step in the
// value at the point, SIGN(A1-2.5), gives one-sided differences that agree
// but grow as the step shrinks), and they are well above the value's
// rounding. Differences of exactly 0 on both sides tell nothing: an
// intermediate far larger than the value rounds the step away
// ((A1-1E+15)+1E+15 moves in steps of 0.125).
inline std::string gradientMismatch(DerivativeBench& b, double v, const std::vector<double>& g) {
  for (int j = 1; j <= kDiffVariables; ++j) {
    const double h = b.step * std::max(1.0, std::fabs(kDiffVariableValues[j - 1]));
    double forward = 0, backward = 0, halfForward = 0, halfBackward = 0;
    if (std::fabs(v) * kRounding / h > kSmoothAgreement || !sideDifferences(b, j, h, &forward, &backward) ||
        (forward == 0.0 && backward == 0.0) || relativeGap(forward, backward) > kSmoothAgreement ||
        !sideDifferences(b, j, h / 2, &halfForward, &halfBackward) ||
        relativeGap(halfForward + halfBackward, forward + backward) > kSmoothAgreement)
      continue;
    const double central = (forward + backward) / 2, gj = g[static_cast<size_t>(j)];
    if (relativeGap(gj, central) > kGradientTolerance)
      return "d/dA" + std::to_string(j) + " " + Cases_shown(CellValue::makeNumber(gj)) + ", finite difference " +
             Cases_shown(CellValue::makeNumber(central));
  }
  return "";
}

// A derivative mode that failed because the formula has no derivatives
// there: a function of plain numbers refused the mode, or one without
// derivatives marked its result so, or a non-smooth step was met.
inline bool withoutDerivatives(DerivativeBench& b) {
  const int status = b.ctx->errors.firstError;
  return status == kStatusUnsupportedFunction || status == kStatusNonSmooth || status == kStatusNonSmoothSpecial ||
         (status == kStatusErrorValueReturned && Val_isNoDerivative(&b.result()));
}

inline DiffOutcome differs(const char* kind, const std::string& detail) { return DiffOutcome{false, kind, detail}; }

// One derivative mode (forward or reverse) of a formula whose value mode
// gave the number v: its value, and its gradient against differences.
template <class Entry>
DiffOutcome derivativeMode(DerivativeBench& b, const std::string& head, double v, const char* mode, Entry entry) {
  std::vector<double> gradient(kDiffVariables + 1, 0.0);
  double value = 0;
  if (!entry(&b.program, 0, true, &value, gradient.data(), false, false)) {
    if (withoutDerivatives(b)) return DiffOutcome{};
    return differs("derivative status", head + ", " + mode + " mode status " +
                                            std::to_string(b.ctx->errors.firstError) +
                                            (b.result().kind == kValError ? " with an error value" : ""));
  }
  if (!closeNumbers(value, v))
    return differs("derivative value", head + ", " + mode + " mode " + Cases_shown(CellValue::makeNumber(value)));
  const std::string mismatch = gradientMismatch(b, v, gradient);
  if (!mismatch.empty()) return differs("gradient", head + ", " + mode + " mode " + mismatch);
  return DiffOutcome{};
}

// Whether the formula's second derivatives leave the doubles at the point:
// its gradient a step to either side, in some variable, is no finite number
// or moves by more than the doubles hold over the step. The second-
// derivative mode's status 26 (overflow) is then its true answer:
// (7/A5)^1E+300 at A5 = 7 has a second derivative of about 2E+597.
inline bool secondDerivativesOverflow(DerivativeBench& b) {
  std::vector<double> up(kDiffVariables + 1, 0.0), down(kDiffVariables + 1, 0.0);
  double value = 0;
  bool overflow = false;
  for (int j = 1; j <= kDiffVariables && !overflow; ++j) {
    const double x = kDiffVariableValues[j - 1], h = kStep * std::max(1.0, std::fabs(x));
    b.at(j, x + h);
    const bool okUp = Eval_evalRealDeriv(&b.program, 0, true, &value, up.data(), false, false);
    b.at(j, x - h);
    const bool okDown = Eval_evalRealDeriv(&b.program, 0, true, &value, down.data(), false, false);
    b.at(j, x);
    overflow = !okUp || !okDown;
    for (int i = 1; i <= kDiffVariables && !overflow; ++i)
      overflow = !std::isfinite((up[static_cast<size_t>(i)] - down[static_cast<size_t>(i)]) / (2 * h));
  }
  return overflow;
}

// Whether the formula's slope itself leaves the doubles at the point: its
// values a step to either side, in some variable, are numbers whose
// difference over the step is not (PMT(1E+15,A3,2,1E+300) moves by about
// 1E+309 per period). Every derivative mode's status 26 (overflow) is then
// its true answer.
inline bool gradientOverflows(DerivativeBench& b) {
  for (int j = 1; j <= kDiffVariables; ++j) {
    const double h = kStep * std::max(1.0, std::fabs(kDiffVariableValues[j - 1]));
    double at = 0, up = 0, down = 0;
    if (sideValues(b, j, h, &at, &up, &down) && (!std::isfinite((up - at) / h) || !std::isfinite((at - down) / h)))
      return true;
  }
  return false;
}

// The derivative modes of a formula whose value mode gave the number v.
inline DiffOutcome derivativeModes(Workbook* wb, const std::string& formula, double v) {
  Fe_useApplication(wb);
  DerivativeBench b(wb);
  b.step = callsToleranceRoot(formula) ? kRootStep : kStep;
  const std::string head = formula + ": value mode " + Cases_shown(CellValue::makeNumber(v));
  DiffOutcome out;
  if (!b.ok)
    out = differs("derivative status", head + ", model compile status " + std::to_string(b.ctx->errors.firstError));
  if (out.agree) out = derivativeMode(b, head, v, "forward", Eval_evalRealDeriv);
  if (!out.agree && out.kind == "derivative status" && b.ctx->errors.firstError == kStatusOverflow &&
      gradientOverflows(b)) {
    Fe_useApplication(nullptr);
    return DiffOutcome{};
  }
  // The reverse mode runs only once the forward mode passed.
  DiffOutcome excused;
  if (out.agree) {
    out = derivativeMode(b, head, v, "reverse", Eval_evalRevGrad);
    if (!out.agree && out.kind == "derivative status" && b.ctx->errors.firstError == kStatusOverflow) {
      excused = out;
      excused.documented = kDiffTapeSlopeOverflow;
      out = DiffOutcome{};
    }
  }
  std::vector<std::vector<double>> rows(kDiffVariables + 1, std::vector<double>(kDiffVariables + 1, 0.0));
  std::vector<double*> hessian;
  for (std::vector<double>& row : rows) hessian.push_back(row.data());
  const auto second = [&](Program* p, int32_t i, bool reset, double* value, double* gradient, bool zeroBased,
                          bool subtractRhs) {
    return Eval_evalHess(p, i, reset, value, gradient, hessian.data(), zeroBased, subtractRhs);
  };
  if (out.agree) {
    out = derivativeMode(b, head, v, "second-derivative", second);
    if (!out.agree && out.kind == "derivative status" && b.ctx->errors.firstError == kStatusOverflow &&
        secondDerivativesOverflow(b))
      out = DiffOutcome{};
  }
  Fe_useApplication(nullptr);
  return out.agree && excused.documented ? excused : out;
}

// The formula in the target cell, recalculated by the stand-in.
inline CellValue standInValue(Workbook* wb, const std::string& formula) {
  Sheet* main = wb->sheets[0].get();
  Wb_setFormula(wb, main, kDiffTargetRow, kDiffTargetColumn, formula);
  Calc_recalculate(wb);
  const Cell* cell = Wb_findCell(main, kDiffTargetRow, kDiffTargetColumn);
  return cell ? cell->value : CellValue{};
}

// The target cell by the interpreter in value mode; false, with the reason,
// when it could not compile or evaluate it.
inline bool interpreterValue(Workbook* wb, CellValue* value, std::string* failure) {
  FeInterpreted interpreted;
  Fe_interpretAreas(wb, {CellRange{0, kDiffTargetRow, kDiffTargetColumn, kDiffTargetRow, kDiffTargetColumn}},
                    &interpreted);
  const auto key = std::make_pair(0, Wb_cellKey(kDiffTargetRow, kDiffTargetColumn));
  if (const auto f = interpreted.failures.find(key); f != interpreted.failures.end()) {
    *failure = f->second;
    return false;
  }
  const auto found = interpreted.values.find(key);
  *value = found != interpreted.values.end() ? found->second : CellValue{};
  return true;
}

// A POWER call of a formula: its base is the text [base, comma), its
// exponent (comma, end).
struct PowerCall {
  size_t base, comma, end;
};

// The POWER calls of a formula, inner ones before the calls around them.
inline std::vector<PowerCall> powerCalls(const std::string& formula) {
  static const std::string kCall = "POWER(";
  struct Open {
    bool power;
    PowerCall call;
  };
  std::vector<Open> open;
  std::vector<PowerCall> calls;
  bool quoted = false;
  for (size_t i = 0; i < formula.size(); ++i) {
    const char c = formula[i];
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    const bool word = i > 0 && (std::isalnum(static_cast<unsigned char>(formula[i - 1])) || formula[i - 1] == '.');
    if (!word && formula.compare(i, kCall.size(), kCall) == 0) {
      i += kCall.size() - 1;
      open.push_back({true, {i + 1, std::string::npos, 0}});
    } else if (c == '(' || c == '{') {
      open.push_back({false, {}});
    } else if (c == ',' && !open.empty() && open.back().power && open.back().call.comma == std::string::npos) {
      open.back().call.comma = i;
    } else if ((c == ')' || c == '}') && !open.empty()) {
      if (open.back().power && open.back().call.comma != std::string::npos)
        calls.push_back({open.back().call.base, open.back().call.comma, i});
      open.pop_back();
    }
  }
  return calls;
}

// Whether the stand-in reads the text (an argument; left out, it is a
// blank) as the number 0, as POWER converts it.
inline bool standInZero(Workbook* wb, const std::string& text) {
  if (text.find_first_not_of(' ') == std::string::npos) return true;
  const CellValue v = standInValue(wb, "=--(" + text + ")");
  return v.kind == CellKind::Number && v.number == 0;
}

// The formula with the base of every POWER call whose base and exponent the
// stand-in reads as 0 written as 1: the stand-in's 0^0 then gives the
// interpreter's 1, and every other power stays as it was.
inline std::string zeroPowersAsOne(Workbook* wb, const std::string& formula) {
  std::vector<PowerCall> zero;
  for (const PowerCall& c : powerCalls(formula))
    if (standInZero(wb, formula.substr(c.base, c.comma - c.base)) &&
        standInZero(wb, formula.substr(c.comma + 1, c.end - c.comma - 1)))
      zero.push_back(c);
  // A call inside a base written as 1 goes with it; the rest are written
  // right to left, so that each keeps its place.
  const auto inBase = [&zero](const PowerCall& c) {
    return std::any_of(zero.begin(), zero.end(),
                       [&c](const PowerCall& o) { return o.base < c.base && c.end < o.comma; });
  };
  zero.erase(std::remove_if(zero.begin(), zero.end(), inBase), zero.end());
  std::sort(zero.begin(), zero.end(), [](const PowerCall& x, const PowerCall& y) { return x.base > y.base; });
  std::string out = formula;
  for (const PowerCall& c : zero) out.replace(c.base, c.comma - c.base, "1");
  return out;
}

// The longest formula the element-wise rewrite below writes: each call
// copies its base and exponent, so deep nests of POWER grow fast.
inline constexpr size_t kDiffLongestRewrite = 4000;

// The formula with every POWER(b, e) written as power(b', e), where b' is 1
// in each element in which the stand-in reads both b and e as 0, and b
// elsewhere: (b)+(--(b)=0)*(--(e)=0). So a 0^0 inside an array (a range
// raised to 0 in SUMPRODUCT) gives the interpreter's 1 element by element,
// every other power and error stays as it was, and a call rewritten (in
// lower case) is not matched again. Empty when it grows past the longest.
inline std::string zeroPowersAsOneEachElement(const std::string& formula) {
  std::string out = formula;
  for (std::vector<PowerCall> calls = powerCalls(out); !calls.empty(); calls = powerCalls(out)) {
    const PowerCall& c = calls.front();
    const auto part = [&out](size_t from, size_t to) {
      const std::string text = out.substr(from, to - from);
      return "(" + (text.find_first_not_of(' ') == std::string::npos ? std::string("0") : text) + ")";
    };
    const std::string b = part(c.base, c.comma), e = part(c.comma + 1, c.end);
    const std::string call = "power(" + b + "+(--" + b + "=0)*(--" + e + "=0)," + e + ")";
    const size_t name = c.base - std::string_view("POWER(").size();
    out.replace(name, c.end + 1 - name, call);
    if (out.size() > kDiffLongestRewrite) return {};
  }
  return out;
}

// Whether two numbers written in n characters each differ in their digits
// alone: signs, point and exponent in the same places ("1.50" and "1.5"
// are written differently, not rounded differently).
inline bool sameButForDigits(const char* x, const char* y, std::ptrdiff_t n) {
  for (std::ptrdiff_t i = 0; i < n; ++i)
    if (x[i] != y[i] &&
        !(std::isdigit(static_cast<unsigned char>(x[i])) && std::isdigit(static_cast<unsigned char>(y[i]))))
      return false;
  return true;
}

// Whether two texts are the same but for digits of numbers written in them
// that are close: each number read where both texts hold one, the rest
// compared as characters.
inline bool sameButForCloseNumbers(const std::string& a, const std::string& b) {
  const char* x = a.c_str();
  const char* y = b.c_str();
  while (*x && *y) {
    char* xEnd = nullptr;
    char* yEnd = nullptr;
    const double u = std::strtod(x, &xEnd), v = std::strtod(y, &yEnd);
    if (xEnd != x && yEnd != y) {
      if (xEnd - x != yEnd - y || !sameButForDigits(x, y, xEnd - x) || !closeNumbers(u, v)) return false;
      x = xEnd;
      y = yEnd;
    } else if (*x++ != *y++) {
      return false;
    }
  }
  return *x == *y;
}

// The documented difference that explains the interpreter's value, if any:
// texts that differ only in a number's last shown digit, or the stand-in
// giving it once POWER's 0^0 is 1 (call by call, else element by element). Leaves the rewritten formula in the target
// cell.
inline const char* documentedBy(Workbook* wb, const std::string& formula, const CellValue& standIn,
                                const CellValue& interpreter) {
  if (standIn.kind == CellKind::Text && interpreter.kind == CellKind::Text &&
      sameButForCloseNumbers(standIn.text, interpreter.text))
    return kDiffShownDigits;
  // Again while it writes one: a 0^0 inside a base can make it 0.
  std::string asOne = formula;
  for (std::string next = zeroPowersAsOne(wb, asOne); next != asOne; next = zeroPowersAsOne(wb, asOne)) asOne = next;
  if (asOne != formula && sameValue(standInValue(wb, asOne), interpreter)) return kDiffPowerZeroZero;
  // Element by element, for powers of arrays.
  const std::string eachAsOne = zeroPowersAsOneEachElement(formula);
  if (eachAsOne.empty() || eachAsOne == formula) return nullptr;
  return sameValue(standInValue(wb, eachAsOne), interpreter) ? kDiffPowerZeroZero : nullptr;
}

}  // namespace diff_detail

// The formula in H1 of the generator's workbook, through both calculations.
inline DiffOutcome Diff_check(Workbook* wb, const std::string& formula) {
  using namespace diff_detail;
  const CellValue standIn = standInValue(wb, formula);
  CellValue interpreter;
  std::string failure;
  const std::string head = formula + ": stand-in " + Cases_shown(standIn) + ", interpreter ";
  if (!interpreterValue(wb, &interpreter, &failure)) return differs("interpreter failure", head + failure);
  if (!sameValue(standIn, interpreter)) {
    DiffOutcome out = differs("value", head + Cases_shown(interpreter));
    out.documented = documentedBy(wb, formula, standIn, interpreter);
    return out;
  }
  if (standIn.kind != CellKind::Number) return DiffOutcome{};
  return derivativeModes(wb, formula, standIn.number);
}
