// The formula lexer: token kinds, texts and values, refused texts and numbers,
// and array constants.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "interpreter/Lex_Lexer.h"
#include "values/Text_Convert.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

struct Token {
  int32_t kind;
  std::string text;
};

class LexerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx = Vm_createContext();
    Lex_init(&lex, ctx);
  }
  void TearDown() override {
    Lex_destroy(&lex);
    Vm_destroyContext(ctx);
  }
  // Every token of the formula up to the end (at most twenty).
  std::vector<Token> tokens(const std::string& formula) {
    Vm_clearErrors(&ctx->errors);
    EXPECT_TRUE(Lex_loadText(&lex, Text_fromUtf8(formula).c_str()));
    std::vector<Token> out;
    for (int i = 0; i < 20; ++i) {
      const int32_t kind = Lex_next(&lex);
      out.push_back({kind, Text_toUtf8(lex.tokenText)});
      if (kind == kTokEnd) break;
    }
    return out;
  }
  // The first token, its value left in lex.value.
  int32_t first(const std::string& formula) {
    Vm_clearErrors(&ctx->errors);
    EXPECT_TRUE(Lex_loadText(&lex, Text_fromUtf8(formula).c_str()));
    return Lex_next(&lex);
  }
  EvalContext* ctx = nullptr;
  FormulaLexer lex;
};

TEST_F(LexerTest, TokenKindsAndTexts) {
  const struct {
    std::string formula;
    std::vector<Token> expected;
  } cases[] = {
      {"=SUM (A1:B2)", {{20, "="}, {1, "sum"}, {10, "("}, {3, "a1:b2"}, {11, ")"}, {7, ""}}},
      {"A1 B1", {{3, "a1 b1"}, {7, ""}}},
      {"'My Sheet'!$A$1*2", {{3, "'my sheet'!$a$1"}, {15, "*"}, {4, "2"}, {7, ""}}},
      {"'It''s'!B2", {{3, "'it''s'!b2"}, {7, ""}}},
      {"1<=2<>3>=4<5>6", {{4, "1"}, {23, "<="}, {4, "2"}, {25, "<>"}, {4, "3"}, {24, ">="}, {4, "4"},
                          {21, "<"}, {4, "5"}, {22, ">"}, {4, "6"}, }},
      {"-x^2%&\"a\"", {{18, "-"}, {3, "x"}, {14, "^"}, {4, "2"}, {13, "%"}, {19, "&"}, {5, "a"}, {7, ""}}},
      {"IF(TRUE,#N/A,#DIV/0!)", {{1, "if"}, {10, "("}, {2, "true"}, {9, ","}, {2, "#n/a"}, {9, ","},
                                 {2, "#div/0!"}, {11, ")"}, {7, ""}}},
      {"true()", {{1, "true"}, {10, "("}, {11, ")"}, {7, ""}}},
      {"1\n+\r\n2", {{4, "1"}, {17, "+"}, {4, "2"}, {7, ""}}},
      {"A1\n1", {{3, "a11"}, {7, ""}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.formula);
    const std::vector<Token> got = tokens(c.formula);
    ASSERT_GE(got.size(), c.expected.size());
    for (size_t i = 0; i < c.expected.size(); ++i) {
      EXPECT_EQ(got[i].kind, c.expected[i].kind) << i;
      EXPECT_EQ(got[i].text, c.expected[i].text) << i;
    }
    EXPECT_EQ(ctx->errors.errorCount, 0);
  }
}

TEST_F(LexerTest, LiteralAndNumberValues) {
  const struct {
    std::string formula;
    int32_t token;
    int32_t kind;
    double number;
  } cases[] = {
      {"FALSE", kTokLiteral, kValBool, 0.0},
      {"true", kTokLiteral, kValBool, 1.0},
      {"#NULL!", kTokLiteral, kValError, -536608768.0},
      {"#DIV/0!", kTokLiteral, kValError, -536608768.0 + 7},
      {"#VALUE!", kTokLiteral, kValError, -536608768.0 + 15},
      {"#REF!", kTokLiteral, kValError, -536608768.0 + 23},
      {"#NAME?", kTokLiteral, kValError, -536608768.0 + 29},
      {"#NUM!", kTokLiteral, kValError, -536608768.0 + 36},
      {"#N/A", kTokLiteral, kValError, -536608726.0},
      {"2147483647", kTokNumber, kValInt, 2147483647.0},
      {"2147483648", kTokNumber, kValReal, 2147483648.0},
      {"0.3", kTokNumber, kValReal, 0.3},
      {"12.5e-1", kTokNumber, kValReal, 1.25},
      {"3E+2", kTokNumber, kValReal, 300.0},
      {"1e-307", kTokNumber, kValReal, 1e-307},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.formula);
    EXPECT_EQ(first(c.formula), c.token);
    EXPECT_EQ(lex.value.kind, c.kind);
    EXPECT_EQ(lex.value.number, c.number);
    EXPECT_EQ(ctx->errors.errorCount, 0);
  }
  // Quoted texts stay texts even when they read as numbers or dates.
  for (const char* quoted : {"\"12\"", "\" 2.5 \"", "\"2024-01-31\""}) {
    EXPECT_EQ(first(quoted), kTokText) << quoted;
    EXPECT_EQ(lex.value.kind, kValText) << quoted;
  }
  EXPECT_EQ(first("\"say \"\"hi\"\"\""), kTokText);
  EXPECT_EQ(Text_toUtf8(lex.tokenText), "say \"hi\"");
  EXPECT_EQ(Text_toUtf8(lex.value.text), "say \"hi\"");
}

TEST_F(LexerTest, RefusedTextsRaiseTheirStatus) {
  const struct {
    std::string formula;
    int32_t status;
  } cases[] = {
      {"1e400", kStatusRealOutOfRange},
      {"1e-400", kStatusRealOutOfRange},
      {"1.", kStatusInvalidFraction},
      {"1e+", kStatusInvalidExponent},
      {"1234567890123456789012", kStatusTooManyDigits},
      {"\"abc", kStatusUnexpectedEnd},
      {":A1", kStatusInvalidToken},
      {"@", kStatusInvalidToken},
      {"{1,2;3}", kStatusInvalidArray},
      {"{}", kStatusInvalidArray},
      {"{1,x}", kStatusInvalidArray},
      {"{1,2", kStatusUnexpectedEnd},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.formula);
    first(c.formula);
    EXPECT_EQ(ctx->errors.errorCount, 1);
    EXPECT_EQ(ctx->errors.firstError, c.status);
  }
  EXPECT_EQ(first("@+1"), kTokInvalid);
  EXPECT_EQ(Text_toUtf8(lex.tokenText), "@");
  EXPECT_EQ(Lex_next(&lex), kTokAdd);
}

TEST_F(LexerTest, FormulaLengthLimit) {
  const std::u16string accepted(1023, u'a'), refused(1024, u'a');
  EXPECT_TRUE(Lex_loadText(&lex, accepted.c_str()));
  EXPECT_EQ(ctx->errors.errorCount, 0);
  EXPECT_FALSE(Lex_loadText(&lex, refused.c_str()));
  EXPECT_EQ(ctx->errors.firstError, kStatusTooLong);
}

TEST_F(LexerTest, ArrayConstants) {
  ASSERT_EQ(first("{1,2;3,4}"), kTokArray);
  ASSERT_EQ(lex.value.kind, kValArray);
  EXPECT_EQ(lex.value.array->rows, 2);
  EXPECT_EQ(lex.value.array->columns, 2);
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 2; ++c) EXPECT_EQ(Val_at(&lex.value, r, c)->number, 1 + 2 * r + c);
  EXPECT_EQ(first("{-1.5, \"12\" ; \"ab\", 7}"), kTokArray);
  EXPECT_EQ(Val_at(&lex.value, 0, 0)->number, -1.5);
  EXPECT_EQ(Val_at(&lex.value, 0, 1)->kind, kValText);
  EXPECT_EQ(Val_at(&lex.value, 1, 0)->kind, kValText);
  EXPECT_EQ(Text_toUtf8(Val_at(&lex.value, 1, 0)->text), "ab");
  EXPECT_EQ(ctx->errors.errorCount, 0);
}

TEST_F(LexerTest, DifferentArrayConstantsHaveDifferentTexts) {
  const char* constants[] = {"{1,23}",       "{12,3}",      "{123}",
                             "{1;23}",       "{\"1,2\"}",   "{1,2}",
                             "{1.0000001}",  "{1.0000002}", "{\"a\"\",\"\"b\"}",
                             "{\"a\",\"b\"}"};
  std::set<std::string> texts;
  for (const char* c : constants) {
    ASSERT_EQ(first(c), kTokArray) << c;
    texts.insert(Text_toUtf8(lex.tokenText));
  }
  EXPECT_EQ(texts.size(), std::size(constants));
  // Nor does an array constant share its text with a number.
  ASSERT_EQ(first("{0}"), kTokArray);
  const std::u16string array = lex.tokenText;
  ASSERT_EQ(first("0"), kTokNumber);
  EXPECT_NE(array, lex.tokenText);
}

TEST_F(LexerTest, DifferentNumbersHaveDifferentTexts) {
  first("1.0000001");
  const std::u16string a = lex.tokenText;
  first("1.0000002");
  EXPECT_NE(a, lex.tokenText);
  double back = 0.0;
  EXPECT_TRUE(Text_toDouble(lex.tokenText, &back));
  EXPECT_EQ(back, 1.0000002);
}

}  // namespace
