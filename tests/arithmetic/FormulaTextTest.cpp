// Formula texts: the builders' simplifications and parentheses, their length
// limit, and symbolic derivative texts evaluated by the stand-in's own
// calculation against the numeric gradient.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "arithmetic/text/Txt_Build.h"
#include "arithmetic/text/Val_TextForm.h"
#include "platform/calc/Calc.h"
#include "tests/arithmetic/ExpressionCases.h"
#include "values/Text_Convert.h"

namespace {

std::u16string text(const char16_t* t) { return std::u16string(t); }

TEST(FormulaText, BuildersSimplifyAndParenthesiseByClass) {
  char16_t out[kTxtLength];
  struct Row {
    void (*build)(char16_t*);
    const char16_t* expected;
  };
  const Row rows[] = {
      {[](char16_t* o) { Txt_mul(u"1a+b", u"0z", o); }, u"2(a+b)*z"},
      {[](char16_t* o) { Txt_mul(u"01", u"0z", o); }, u"2z"},
      {[](char16_t* o) { Txt_mul(u"00", u"0z", o); }, u"00"},
      {[](char16_t* o) { Txt_sub(u"00", u"0x", o); }, u"1-x"},
      {[](char16_t* o) { Txt_sub(u"0a", u"1b-c", o); }, u"1a-(b-c)"},
      {[](char16_t* o) { Txt_subSV(0, u"0x", o); }, u"2-x"},
      {[](char16_t* o) { Txt_neg(u"0x", o); }, u"1-x"},
      {[](char16_t* o) { Txt_addVS(u"00", 2, o); }, u"0+2"},
      {[](char16_t* o) { Txt_addSV(2, u"00", o); }, u"02"},
      {[](char16_t* o) { Txt_add(u"0a", u"2b*c", o); }, u"1a+b*c"},
      {[](char16_t* o) { Txt_div(u"0a", u"1b+z", o); }, u"2a/(b+z)"},
      {[](char16_t* o) { Txt_div(u"0a", u"01", o); }, u"0a"},
      {[](char16_t* o) { Txt_divVS(u"1a+b", 2, o); }, u"2(a+b)/2"},
      {[](char16_t* o) { Txt_divVS(u"1a+b", 1, o); }, u"1a+b"},
      {[](char16_t* o) { Txt_mulSV(-2, u"0x", o); }, u"2-2*x"},
      {[](char16_t* o) { Txt_subVS(u"0x", -2, o); }, u"1x--2"},
  };
  for (const Row& row : rows) {
    row.build(out);
    EXPECT_EQ(text(out), text(row.expected));
  }
  EXPECT_FALSE(Txt_div(u"0a", u"00", out));
  EXPECT_EQ(text(out), u"2a/0");
  EXPECT_FALSE(Txt_divVS(u"0a", 0, out));
}

TEST(FormulaText, BuildersNeverWritePastTheirBuffer) {
  std::u16string long1 = u"1" + std::u16string(200, u'a'), long2 = u"1" + std::u16string(200, u'b');
  char16_t out[kTxtLength];
  out[kTxtLength - 1] = u'!';
  Txt_add(long1.c_str(), long2.c_str(), out);
  EXPECT_EQ(text(out), u"0#VALUE!");  // an over-long formula evaluates to an error, never to a cut one

  struct Spills : FormulaTextSink {
    int count = 0;
    bool spillText(char16_t* t) override {
      ++count;
      t[1] = u'S';
      t[2] = 0;
      return true;
    }
  } sink;
  std::u16string a = u"1" + std::u16string(199, u'a'), b = u"1" + std::u16string(49, u'b');
  Txt_guardLength(&sink, 3, a.data(), b.data());
  EXPECT_EQ(sink.count, 1);
  EXPECT_EQ(text(a.c_str()), u"1S");  // the longer text was handed over
  EXPECT_EQ(b.size(), 50u);
}

// Names the variables by their cells (A1, B1) and takes over long texts as
// formulas of helper cells down column F.
struct CellSink : FormulaTextSink {
  Workbook* wb;
  Sheet* sheet;
  int spilled = 0;
  CellSink(Workbook* w, Sheet* s) : wb(w), sheet(s) {}
  bool variableText(char16_t* out, int32_t index) override {
    Txt_setText(out, kTxtAtom, Text_fromUtf8(Wb_a1(0, index)).c_str());
    return true;
  }
  bool spillText(char16_t* t) override {
    const int row = ++spilled;
    Wb_setFormula(wb, sheet, row, 5, "=" + Text_toUtf8(t + 1));
    Txt_setText(t, kTxtAtom, Text_fromUtf8(Wb_a1(row, 5)).c_str());
    return true;
  }
};

double evaluate(Workbook* wb, const char16_t* formula) {
  CalcEvalResult result;
  EXPECT_TRUE(Calc_evaluate(wb, 0, Text_toUtf8(formula + 1), &result)) << Text_toUtf8(formula);
  const CellValue& v = result.value.values.at(0);
  EXPECT_EQ(v.kind, CellKind::Number) << Text_toUtf8(formula);
  return v.number;
}

// Evaluates an expression symbolically and numerically at x and compares
// the texts' values in the calculation with the numbers.
template <class Build>
void expectTextsAgree(Build buildExpr, const double* x, const char* name, int* spills = nullptr) {
  Wb_resetApp();
  Workbook* wb = Wb_newWorkbook("texts.xlsx");
  Sheet* sheet = Wb_addSheet(wb, "Model");
  for (int p = 1; p <= 2; ++p) Wb_setValue(wb, sheet, 0, p - 1, CellValue::makeNumber(x[p]));
  EvalContext* numeric = makeContext(2, x);
  EvalContext* symbolic = makeContext(2, x);
  auto* sink = new CellSink(wb, sheet);
  symbolic->host.textSink = sink;
  symbolic->flags.symbolic = 1;
  GradText_init(symbolic->buffers.gradBuffer, 2, symbolic);
  {
    GradFamily g{{}, numeric, x, 2}, t{{}, symbolic, x, 2};
    const GradValue* number = buildExpr(g);
    const GradValue* formula = buildExpr(t);
    Calc_recalculate(wb);
    const double tolerance = 1e-9 * std::max(1.0, std::fabs(number->value));
    EXPECT_NEAR(evaluate(wb, formula->valueText), number->value, tolerance) << name << ": " << Text_toUtf8(formula->valueText);
    for (int k = 1; k <= 2; ++k)
      EXPECT_NEAR(evaluate(wb, formula->partialTexts[k]), number->gradient[k], 1e-9 * std::max(1.0, std::fabs(number->gradient[k])))
          << name << " partial " << k << ": " << Text_toUtf8(formula->partialTexts[k]);
  }
  if (spills) *spills = sink->spilled;
  freeContext(numeric);
  freeContext(symbolic);
  Wb_resetApp();
}

TEST(FormulaText, SymbolicDerivativesEvaluateToTheNumericGradient) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> coordinate(-0.8, 0.8);
  for (const Case& c : kCases) {
    for (int point = 0; point < 3; ++point) {
      const double x[3] = {0, coordinate(rng), coordinate(rng)};
      expectTextsAgree([&c](GradFamily& f) { return build(f, c); }, x, c.name);
    }
  }
}

TEST(FormulaText, LongDerivativesAreSpilledAndStillEvaluate) {
  const double x[3] = {0, 0.7, -0.4};
  int spills = 0;
  expectTextsAgree(
      [](GradFamily& f) {
        auto e = f.var(1);
        for (int i = 0; i < 25; ++i) e = f.un(kOpSin, f.bin(kOpAdd, f.bin(kOpMul, e, f.var(2)), f.var(1)));
        return e;
      },
      x, "nested sines", &spills);
  EXPECT_GT(spills, 0);
}

}  // namespace

namespace {

TEST(ValueText, TextAndNumberForms) {
  EvalContext* ctx = Vm_createContext();
  Value v = Val_empty(ctx);
  struct Row {
    int32_t kind;
    double number;
    const char16_t* expected;
  };
  const Row texts[] = {{kValBool, 1, u"TRUE"},
                       {kValBool, 0, u"FALSE"},
                       {kValInt, 12, u"12"},
                       {kValInt, 3000000001.0, u"3000000001"},
                       {kValReal, 0.1, u"0.1"},
                       {kValEmpty, 0, u""},
                       {kValReal, 1e15, u"1E+15"},
                       {kValReal, 1.0 / 3.0, u"0.333333333333333"},
                       {kValReal, -1.5e-7, u"-1.5E-07"},
                       {kValReal, -0.0, u"0"}};
  for (const Row& row : texts) {
    Val_setKind(&v, row.kind)->number = row.number;
    EXPECT_EQ(text(Val_toText(&v, &ctx->buffers).text), text(row.expected));
  }
  struct Parse {
    const char16_t* text;
    int32_t kind;
    double number;
  };
  const Parse parses[] = {{u"12", kValInt, 12}, {u"1.5", kValReal, 1.5}, {u"", kValInt, 0}, {u"12abc", kValText, 0}};
  for (const Parse& p : parses) {
    Val_setText(&v, p.text);
    const Value r = Val_toNumber(&v, &ctx->buffers);
    EXPECT_EQ(r.kind, p.kind) << Text_toUtf8(p.text);
    if (p.kind == kValText) EXPECT_EQ(text(r.text), text(p.text));
    else EXPECT_EQ(r.number, p.number);
  }
  Val_clear(&v);
  Vm_destroyContext(ctx);
}

}  // namespace
