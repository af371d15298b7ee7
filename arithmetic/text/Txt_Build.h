// Formula texts of the symbolic derivative face: NUL-terminated UTF-16 texts
// in buffers of kTxtLength characters whose first character is a class digit
// that decides parentheses when the text is embedded in another: '0' an atom
// (number, name, function call), '1' a sum, difference or negation, '2' a
// product or quotient. The rest is the formula body. Each builder simplifies
// against the bodies "0" and "1" and adds only the parentheses that operator
// priority needs. A builder whose result would not fit its buffer writes the
// error literal "#VALUE!" instead, so that an over-long formula evaluates to
// an error rather than to a cut formula.
#pragma once

#include <cstdint>

struct FormulaTextSink;

constexpr int32_t kTxtLength = 256;
// Combined length at which the guards hand a text to the sink to shorten.
constexpr int32_t kTxtGuardLimit = 244;

enum TxtClass : int32_t { kTxtAtom = 0, kTxtSum = 1, kTxtProduct = 2 };

// The class of a text from its first character; anything but '0' and '1'
// reads as a product.
int32_t Txt_classOf(const char16_t* text);
// out becomes the class digit alone ('1' for a class outside 0..2).
void Txt_setClass(char16_t* out, int32_t cls);
// out becomes the class digit followed by the body (copied up to the length
// limit, else the error literal).
void Txt_setText(char16_t* out, int32_t cls, const char16_t* body);
// Copies a whole text.
void Txt_copy(char16_t* out, const char16_t* text);
// The atom of a number in the shortest form that reads back as exactly s
// (so that derivative formulas keep their constants whole); out holds at
// least 33 characters.
void Txt_number(char16_t* out, double s);
// Number of characters before the terminator.
int32_t Txt_length(const char16_t* text);

// Builders: out must be a buffer distinct from the inputs. The division
// builders return false when the divisor is the zero text (or s is 0) and
// true otherwise; the text is built either way.
void Txt_neg(const char16_t* a, char16_t* out);
void Txt_sub(const char16_t* a, const char16_t* b, char16_t* out);
void Txt_subSV(double s, const char16_t* x, char16_t* out);
void Txt_subVS(const char16_t* x, double s, char16_t* out);
void Txt_add(const char16_t* a, const char16_t* b, char16_t* out);
void Txt_addSV(double s, const char16_t* x, char16_t* out);
void Txt_addVS(const char16_t* x, double s, char16_t* out);
void Txt_mul(const char16_t* a, const char16_t* b, char16_t* out);
void Txt_mulSV(double s, const char16_t* x, char16_t* out);
void Txt_mulVS(const char16_t* x, double s, char16_t* out);
bool Txt_div(const char16_t* a, const char16_t* b, char16_t* out);
bool Txt_divSV(double s, const char16_t* x, char16_t* out);
bool Txt_divVS(const char16_t* x, double s, char16_t* out);

// Length guards: when len(a) + len(b) + overhead reaches the limit the longer
// text (b on equal lengths) goes to the sink's spillText, at most twice; b
// may be null. The four-text form weighs each length by how often the
// operation copies that text and hands over the longest (the earlier on
// equal lengths), at most four times.
void Txt_guardLength(FormulaTextSink* sink, int32_t overhead, char16_t* a, char16_t* b);
void Txt_guardLength4(FormulaTextSink* sink, int32_t overhead, int32_t w1, char16_t* t1, int32_t w2, char16_t* t2,
                      int32_t w3, char16_t* t3, int32_t w4, char16_t* t4);
