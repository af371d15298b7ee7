// The base conversions against the standard library's own conversion
// (std::to_chars and std::from_chars in radix 2, 8 and 16): the binary range
// exhaustively, the octal and hexadecimal ranges densely sampled (every
// value near both ends and near 0, and a stride across the whole range:
// about 340000 values each, a full pass over 2^30 and 2^40 values would
// take minutes), each value written by DEC2x, read back by x2DEC, and
// converted to the other notations where their range allows. Then the
// argument rules: places, bad digits, fractions, kinds.
#include <gtest/gtest.h>

#include <charconv>
#include <string>
#include <vector>

#include "tests/worksheet/TestCaller.h"
#include "values/Fn_Ids.h"

namespace {

struct Notation {
  int radix;
  int32_t fromDecimal, toDecimal;  // DEC2x and x2DEC
};
constexpr Notation kBinary{2, kIdDec2bin, kIdBin2dec};
constexpr Notation kOctal{8, kIdDec2oct, kIdOct2dec};
constexpr Notation kHex{16, kIdDec2hex, kIdHex2dec};

int64_t modulusOf(int radix) {
  int64_t m = 1;
  for (int i = 0; i < 10; ++i) m *= radix;
  return m;
}

// The standard library's digits of v in ten-digit two's complement.
std::string expected(int64_t v, int radix) {
  char buffer[64];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, v < 0 ? v + modulusOf(radix) : v, radix);
  std::string s(buffer, r.ptr);
  for (char& ch : s) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return s;
}

// One call of a conversion on a scalar argument, in a context of its own
// that is cleared at once (millions of calls).
struct Converter {
  EvalContext* ctx = Vm_createContext();
  ~Converter() { Vm_destroyContext(ctx); }
  // The function's answer as a text, or its number, in *out.
  bool text(int32_t id, const Value& arg, std::string* out) {
    const Value* a[] = {&arg};
    const Value* r = Wsf_entry(id)(ctx->buffers.result, 1, a, nullptr);
    if (r->kind != kValText) return false;
    *out = Text_toUtf8(r->text);
    return true;
  }
  bool number(int32_t id, const Value& arg, double* out) {
    const Value* a[] = {&arg};
    const Value* r = Wsf_entry(id)(ctx->buffers.result, 1, a, nullptr);
    if (r->kind != kValReal && r->kind != kValInt) return false;
    *out = r->number;
    return true;
  }
};

// The argument a notation's x2DEC or x2y takes for digits: binary and octal
// as the number the digits spell in decimal, hexadecimal as the text.
Value argumentOf(const std::string& digits, int radix) {
  Value v{};
  if (radix == 16) return *Val_setText(&v, Text_fromUtf8(digits).c_str());
  return *Val_setNumber(&v, std::stod(digits));
}

// Writes v, reads it back, and converts it to each other notation whose
// range holds it; the number of mismatches.
int checkValue(Converter& c, int64_t v, const Notation& n) {
  int bad = 0;
  Value dec{};
  Val_setNumber(&dec, static_cast<double>(v));
  std::string digits;
  if (!c.text(n.fromDecimal, dec, &digits) || digits != expected(v, n.radix)) return 1;
  Value arg = argumentOf(digits, n.radix);
  double back = 0;
  bad += !c.number(n.toDecimal, arg, &back) || back != static_cast<double>(v);
  for (const Notation* other : {&kBinary, &kOctal, &kHex}) {
    if (other->radix == n.radix || v < -modulusOf(other->radix) / 2 || v >= modulusOf(other->radix) / 2) continue;
    static const std::vector<std::vector<int32_t>> kCross = {
        {0, kIdBin2oct, kIdBin2hex}, {kIdOct2bin, 0, kIdOct2hex}, {kIdHex2bin, kIdHex2oct, 0}};
    const int from = n.radix == 2 ? 0 : n.radix == 8 ? 1 : 2, to = other->radix == 2 ? 0 : other->radix == 8 ? 1 : 2;
    std::string crossed;
    bad += !c.text(kCross[from][to], arg, &crossed) || crossed != expected(v, other->radix);
  }
  Val_clear(&arg);
  return bad;
}

// Every value near both ends and near 0, then a stride across the range.
std::vector<int64_t> samplesOf(int radix) {
  const int64_t lo = -modulusOf(radix) / 2, hi = modulusOf(radix) / 2 - 1;
  std::vector<int64_t> s;
  constexpr int64_t kEdge = 10000;
  for (int64_t k = 0; k < kEdge; ++k) s.insert(s.end(), {lo + k, hi - k, k, -k - 1});
  const int64_t stride = (hi - lo) / 300007;
  for (int64_t v = lo; v <= hi; v += stride) s.push_back(v);
  return s;
}

TEST(BaseConversions, BinaryRangeExhaustivelyAgainstTheStandardLibrary) {
  Converter c;
  int bad = 0;
  for (int64_t v = -512; v <= 511; ++v) bad += checkValue(c, v, kBinary);
  EXPECT_EQ(bad, 0);
}

TEST(BaseConversions, OctalAndHexadecimalRangesSampledAgainstTheStandardLibrary) {
  Converter c;
  for (const Notation* n : {&kOctal, &kHex}) {
    int bad = 0;
    const std::vector<int64_t> samples = samplesOf(n->radix);
    for (int64_t v : samples) bad += checkValue(c, v, *n);
    EXPECT_EQ(bad, 0) << "radix " << n->radix << " over " << samples.size() << " values";
  }
}

TEST(BaseConversions, PlacesPadAndNegativeValuesKeepTenDigits) {
  Caller c;
  EXPECT_EQ(textOf(c.call(kIdDec2bin, {c.num(-1)})), "1111111111");
  EXPECT_EQ(textOf(c.call(kIdDec2bin, {c.num(5), c.num(8)})), "00000101");
  EXPECT_TRUE(isError(c.call(kIdDec2bin, {c.num(5), c.num(2)}), kErrNum));
  EXPECT_EQ(textOf(c.call(kIdDec2bin, {c.num(-1), c.num(3)})), "1111111111");
  EXPECT_TRUE(isError(c.call(kIdDec2bin, {c.num(512)}), kErrNum));
  EXPECT_TRUE(isError(c.call(kIdDec2bin, {c.num(5), c.num(11)}), kErrNum));
  EXPECT_TRUE(isError(c.call(kIdDec2bin, {c.num(5), c.num(0)}), kErrNum));
  EXPECT_EQ(textOf(c.call(kIdDec2hex, {c.num(-1)})), "FFFFFFFFFF");
  EXPECT_EQ(textOf(c.call(kIdDec2oct, {c.num(-1)})), "7777777777");
  EXPECT_EQ(textOf(c.call(kIdDec2hex, {c.num(255)})), "FF");
  EXPECT_EQ(textOf(c.call(kIdDec2hex, {c.num(255.9), c.num(4)})), "00FF");
}

TEST(BaseConversions, InputsOutsideTheirNotation) {
  Caller c;
  EXPECT_EQ(numberOf(c.call(kIdBin2dec, {c.num(1111111111)})), -1);
  EXPECT_EQ(numberOf(c.call(kIdBin2dec, {c.num(111111111)})), 511);
  EXPECT_TRUE(isError(c.call(kIdBin2dec, {c.num(102)}), kErrNum));
  EXPECT_TRUE(isError(c.call(kIdBin2dec, {c.num(1.5)}), kErrNum));
  EXPECT_TRUE(isError(c.call(kIdBin2dec, {c.num(-1)}), kErrNum));
  EXPECT_EQ(numberOf(c.call(kIdHex2dec, {c.text(u"FFFFFFFFFF")})), -1);
  EXPECT_EQ(numberOf(c.call(kIdHex2dec, {c.text(u"ff")})), 255);
  EXPECT_EQ(numberOf(c.call(kIdHex2dec, {c.text(u"")})), 0);
  EXPECT_TRUE(isError(c.call(kIdHex2dec, {c.text(u"10000000000")}), kErrNum));
  EXPECT_TRUE(isError(c.call(kIdHex2dec, {c.text(u"1G")}), kErrNum));
  EXPECT_EQ(numberOf(c.call(kIdHex2dec, {c.num(10)})), 16);
  EXPECT_EQ(numberOf(c.call(kIdOct2dec, {c.num(7777777777)})), -1);
  EXPECT_TRUE(isError(c.call(kIdOct2dec, {c.num(8)}), kErrNum));
  EXPECT_TRUE(isError(c.call(kIdHex2bin, {c.text(u"200")}), kErrNum));
  EXPECT_EQ(textOf(c.call(kIdHex2bin, {c.text(u"FFFFFFFE00")})), "1000000000");
  EXPECT_TRUE(isError(c.call(kIdHex2oct, {c.text(u"20000000")}), kErrNum));
  // A text in binary or octal is its digits; a decimal input is a number.
  EXPECT_EQ(numberOf(c.call(kIdBin2dec, {c.text(u"101")})), 5);
  EXPECT_TRUE(isError(c.call(kIdBin2dec, {c.text(u"1e3")}), kErrNum));
  EXPECT_TRUE(isError(c.call(kIdOct2dec, {c.text(u"1e3")}), kErrNum));
  EXPECT_TRUE(isError(c.call(kIdDec2bin, {c.text(u"5")}), kErrValue));
  EXPECT_TRUE(isError(c.call(kIdDec2bin, {c.boolean(true)}), kErrValue));
  EXPECT_TRUE(isError(c.call(kIdOct2hex, {c.error(kErrDiv0)}), kErrDiv0));
}

}  // namespace
