// The formula lexer: cuts the text of one worksheet formula into tokens for
// the parser. Names are folded to lower case, so everything after the lexer
// compares names exactly. Statuses go to the context; the lexer always
// returns a token, so the parser can finish.
#pragma once

#include <cstdint>
#include <string>

#include "interpreter/Fn_Table.h"
#include "values/Val_Value.h"

// A formula must be shorter than this many characters.
constexpr int32_t kLexTextLength = 1024;

enum TokenKind : int32_t {
  kTokFunction = 1,  // a name directly followed by "("
  kTokLiteral = 2,   // "false", "true", an error literal
  kTokName = 3,      // cell, range, defined or sheet-qualified name
  kTokNumber = 4,    // also a quoted text that reads as a number or date
  kTokText = 5,
  kTokArray = 6,
  kTokEnd = 7,
  kTokInvalid = 8,
  kTokComma = 9,
  kTokOpen = 10,
  kTokClose = 11,
  kTokPercent = 13,
  kTokPow = 14,
  kTokMul = 15,
  kTokDiv = 16,
  kTokAdd = 17,
  kTokSub = 18,
  kTokConcat = 19,
  kTokEq = 20,
  kTokLt = 21,
  kTokGt = 22,
  kTokLe = 23,
  kTokGe = 24,
  kTokNe = 25,
};

struct FormulaLexer {
  char16_t text[kLexTextLength];
  int32_t cursor;
  int32_t token;  // TokenKind
  // Lower-cased name, number text, characters of a quoted text, or the key of
  // an array constant (elements with their "," and ";" separators, texts
  // quoted), so that different constants never share a text.
  std::u16string tokenText;
  FunctionRecord function;  // of the last function token
  Value value;              // literal value: kinds 2, 3, 4, 18, 19, 20
  EvalContext* context;
};

// Binds the lexer to ctx with an empty token.
void Lex_init(FormulaLexer* lex, EvalContext* ctx);
// Copies the formula and puts the cursor at its start; false with status 21
// when it has kLexTextLength characters or more.
bool Lex_loadText(FormulaLexer* lex, const char16_t* formula);
// Reads the next token; returns its kind. The cursor is left on the first
// character after the token, blanks skipped.
int32_t Lex_next(FormulaLexer* lex);
// Empties the token value, array included.
void Lex_clearToken(FormulaLexer* lex);
// Frees what the token value owns.
void Lex_destroy(FormulaLexer* lex);
