// The complex-number functions against std::complex at random points: each
// argument written as a text (15 significant digits), the function's text
// read back and compared with std::complex on the parts the text holds.
// Then the rules of suffixes, real arguments, results that are real and the
// evaluation modes.
#include <gtest/gtest.h>

#include <complex>
#include <random>
#include <string>

#include "tests/worksheet/TestCaller.h"
#include "values/Fn_Ids.h"
#include "values/Grad_Payload.h"
#include "worksheet/kernels/Cplx_Text.h"

namespace {

using Cx = std::complex<double>;

std::u16string textOf(Cx z) {
  std::u16string t;
  Cplx_format(z.real(), z.imag(), u'i', &t);
  return t;
}

// The complex number of a result: a text read back, or a real number.
bool read(const Value* v, Cx* z) {
  double re = 0, im = 0;
  char16_t suffix = 0;
  if (v->kind == kValReal || v->kind == kValInt) return *z = Cx(v->number, 0), true;
  if (v->kind != kValText || !Cplx_parse(v->text, &re, &im, &suffix)) return false;
  *z = Cx(re, im);
  return true;
}

bool close(Cx got, Cx want) { return std::abs(got - want) <= 1e-12 * std::max(1.0, std::abs(want)); }

struct Unary {
  const char* name;
  int32_t id;
  Cx (*f)(Cx);
};
const Unary kUnary[] = {
    {"imconjugate", kIdImconjugate, [](Cx z) { return std::conj(z); }},
    {"imcos", kIdImcos, [](Cx z) { return std::cos(z); }},
    {"imsin", kIdImsin, [](Cx z) { return std::sin(z); }},
    {"imexp", kIdImexp, [](Cx z) { return std::exp(z); }},
    {"imln", kIdImln, [](Cx z) { return std::log(z); }},
    {"imlog10", kIdImlog10, [](Cx z) { return std::log(z) / std::log(10.0); }},
    {"imlog2", kIdImlog2, [](Cx z) { return std::log(z) / std::log(2.0); }},
    {"imsqrt", kIdImsqrt, [](Cx z) { return std::sqrt(z); }},
    {"imabs", kIdImabs, [](Cx z) { return Cx(std::abs(z), 0); }},
    {"imargument", kIdImargument, [](Cx z) { return Cx(std::arg(z), 0); }},
    {"imreal", kIdImreal, [](Cx z) { return Cx(z.real(), 0); }},
    {"imaginary", kIdImaginary, [](Cx z) { return Cx(z.imag(), 0); }},
};

TEST(ComplexFunctions, AgreeWithStdComplexAtRandomPoints) {
  std::mt19937 rng(44);
  std::uniform_real_distribution<double> part(-5, 5);
  for (int k = 0; k < 400; ++k) {
    Caller c;
    Cx z(part(rng), part(rng)), w(part(rng), part(rng));
    // The parts as the texts hold them.
    ASSERT_TRUE(read(c.text(textOf(z).c_str()), &z));
    ASSERT_TRUE(read(c.text(textOf(w).c_str()), &w));
    const Value* zt = c.text(textOf(z).c_str());
    const Value* wt = c.text(textOf(w).c_str());
    Cx got;
    for (const Unary& u : kUnary) {
      ASSERT_TRUE(read(c.call(u.id, {zt}), &got)) << u.name;
      EXPECT_TRUE(close(got, u.f(z))) << u.name << " of " << z << ": " << got;
    }
    const double n = std::round(part(rng) * 10) / 10;
    ASSERT_TRUE(read(c.call(kIdImpower, {zt, c.num(n)}), &got));
    EXPECT_TRUE(close(got, std::pow(z, n))) << "impower " << z << "^" << n;
    ASSERT_TRUE(read(c.call(kIdImdiv, {zt, wt}), &got));
    EXPECT_TRUE(close(got, z / w)) << "imdiv";
    ASSERT_TRUE(read(c.call(kIdImsub, {zt, wt}), &got));
    EXPECT_TRUE(close(got, z - w)) << "imsub";
    ASSERT_TRUE(read(c.call(kIdImsum, {zt, wt, c.num(n)}), &got));
    EXPECT_TRUE(close(got, z + w + n)) << "imsum";
    ASSERT_TRUE(read(c.call(kIdImproduct, {c.array(1, 2, {zt, wt}), c.num(n)}), &got));
    EXPECT_TRUE(close(got, z * w * n)) << "improduct";
  }
}

TEST(ComplexFunctions, SuffixesAndRealResults) {
  Caller c;
  const Value* r = c.call(kIdImsum, {c.text(u"1+i"), c.text(u"1-i")});
  EXPECT_EQ(r->kind, kValReal);
  EXPECT_EQ(r->number, 2);
  EXPECT_EQ(textOf(c.call(kIdImsum, {c.text(u"1+i"), c.num(2)})), "3+i");
  EXPECT_TRUE(isError(c.call(kIdImsub, {c.text(u"1+i"), c.text(u"1+j")}), kErrNum));
  EXPECT_TRUE(isError(c.call(kIdImsum, {c.text(u"1+i"), c.text(u"1+j")}), kErrValue));
  EXPECT_EQ(textOf(c.call(kIdImsum, {c.num(3), c.text(u"1+j")})), "4+j");
  EXPECT_EQ(textOf(c.call(kIdImsub, {c.text(u"2"), c.text(u"1+j")})), "1-j");
  EXPECT_TRUE(isError(c.call(kIdImdiv, {c.text(u"1+i"), c.num(0)}), kErrNum));
  r = c.call(kIdImdiv, {c.num(1), c.num(2)});
  EXPECT_EQ(r->kind, kValReal);
  EXPECT_EQ(r->number, 0.5);
  EXPECT_TRUE(isError(c.call(kIdImsum, {}), kErrNA));
  Value* missing = c.empty();
  missing->kind = kValMissing;
  EXPECT_TRUE(isError(c.call(kIdImdiv, {c.text(u"1+i"), missing}), kErrNA));
  EXPECT_TRUE(isError(c.call(kIdImsum, {c.text(u"1+i"), c.boolean(true)}), kErrValue));
  EXPECT_TRUE(isError(c.call(kIdImcos, {c.text(u"x+2i")}), kErrNum));
  EXPECT_TRUE(isError(c.call(kIdImcos, {c.boolean(true)}), kErrValue));
  EXPECT_TRUE(isError(c.call(kIdImln, {c.text(u"0")}), kErrNum));
  EXPECT_TRUE(isError(c.call(kIdImpower, {c.text(u"0"), c.num(2)}), kErrNum));
  EXPECT_TRUE(isError(c.call(kIdImargument, {c.text(u"0")}), kErrDiv0));
  EXPECT_EQ(textOf(c.call(kIdComplex, {c.num(3), c.num(4)})), "3+4i");
  EXPECT_EQ(textOf(c.call(kIdComplex, {c.num(3), c.num(4), c.text(u"j")})), "3+4j");
  EXPECT_TRUE(isError(c.call(kIdComplex, {c.num(3), c.num(4), c.text(u"ij")}), kErrValue));
  EXPECT_TRUE(isError(c.call(kIdComplex, {c.num(3), c.num(4), c.text(u"I")}), kErrValue));
  EXPECT_TRUE(isError(c.call(kIdComplex, {c.num(3), c.boolean(true)}), kErrValue));
}

TEST(ComplexFunctions, RealArgumentsUseTheRealFunctions) {
  Caller c;
  EXPECT_EQ(numberOf(c.call(kIdImreal, {c.num(4)})), 4);
  EXPECT_EQ(numberOf(c.call(kIdImconjugate, {c.num(4)})), 4);
  EXPECT_EQ(numberOf(c.call(kIdImaginary, {c.num(4)})), 0);
  EXPECT_NEAR(numberOf(c.call(kIdImcos, {c.num(4)})), std::cos(4.0), 1e-15);
  EXPECT_NEAR(numberOf(c.call(kIdImlog10, {c.num(4)})), std::log10(4.0), 1e-15);
  EXPECT_NEAR(numberOf(c.call(kIdImargument, {c.text(u"-1")})), std::acos(-1.0), 1e-15);
}

TEST(ComplexFunctions, PlainNumbersOutsideTheRealDomainAreComplex) {
  Caller c;
  Cx got;
  EXPECT_NEAR(numberOf(c.call(kIdImargument, {c.num(-1)})), std::acos(-1.0), 1e-15);
  EXPECT_TRUE(isError(c.call(kIdImargument, {c.num(0)}), kErrDiv0));
  ASSERT_TRUE(read(c.call(kIdImsqrt, {c.num(-4)}), &got));
  EXPECT_TRUE(close(got, Cx(0, 2)));
  ASSERT_TRUE(read(c.call(kIdImln, {c.num(-1)}), &got));
  EXPECT_TRUE(close(got, Cx(0, std::acos(-1.0))));
  ASSERT_TRUE(read(c.call(kIdImpower, {c.num(-8), c.num(1.0 / 3)}), &got));
  EXPECT_TRUE(close(got, std::pow(Cx(-8, 0), 1.0 / 3)));
  // A number combined with a complex text keeps all its digits.
  ASSERT_TRUE(read(c.call(kIdImsub, {c.text(u"1+2i"), c.num(1234567.891)}), &got));
  EXPECT_TRUE(close(got, Cx(1 - 1234567.891, 2)));
}

TEST(ComplexFunctions, RealArgumentsKeepTheirGradient) {
  Caller c;
  c.ctx->flags.mode = kModeGrad;
  Grad_init(c.ctx->buffers.gradBuffer, 1, c.ctx);
  Value* x = c.empty();
  GradValue g{};
  Grad_init(&g, 1, c.ctx);
  Grad_setVar(&g, 0.7, 1);
  Val_setGrad(x, &g);
  Grad_free(&g);
  const Value* r = c.call(kIdImcos, {x});
  ASSERT_EQ(r->kind, kValGrad);
  const auto* gv = static_cast<const GradValue*>(r->payload);
  EXPECT_NEAR(gv->value, std::cos(0.7), 1e-15);
  EXPECT_NEAR(gv->gradient[1], -std::sin(0.7), 1e-15);
  r = c.call(kIdImaginary, {x});
  ASSERT_EQ(r->kind, kValGrad);
  EXPECT_EQ(static_cast<const GradValue*>(r->payload)->gradient[1], 0);
}

}  // namespace
