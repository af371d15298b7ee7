// The case fold names and sheets are matched by: ASCII letters byte by byte,
// letters beyond ASCII by code point, in any mix, with the same order and the
// same folded text either way.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "base/Utf8_Text.h"

namespace {

struct FoldCase {
  const char* a;
  const char* b;
  int order;           // the sign of Utf8_compareNoCase(a, b)
  const char* folded;  // Utf8_foldedText(a)
};

TEST(Utf8Text, FoldedTextsAndComparisonsAgree) {
  const FoldCase cases[] = {
      {"Profit", "PROFIT", 0, "profit"},
      {"Tür", "TÜR", 0, "tür"},
      {"Übersicht Größen", "übersicht GRÖßEN", 0, "übersicht größen"},
      {"a", "B", -1, "a"},
      {"Zebra", "ärger", -1, "zebra"},  // every ASCII letter sorts before those beyond it
      {"ab", "A", 1, "ab"},
      {"", "", 0, ""},
  };
  for (const FoldCase& c : cases) {
    const int order = Utf8_compareNoCase(c.a, c.b);
    EXPECT_EQ((order > 0) - (order < 0), c.order) << c.a << " ~ " << c.b;
    EXPECT_EQ(Utf8_foldedText(c.a), c.folded) << c.a;
    EXPECT_EQ(Utf8_foldedText(c.a) == Utf8_foldedText(c.b), c.order == 0) << c.a << " ~ " << c.b;
  }
}

// The columns a terminal shows a text in, counted by hand: a character each,
// an East Asian wide or fullwidth one two, a broken byte one.
TEST(Utf8Text, ColumnsCountCharactersAndWideOnesTwice) {
  const std::pair<const char*, std::size_t> cases[] = {
      {"", 0},    {"Menge", 5}, {"Tür", 3},   {"Übersicht Größen", 16}, {"東京工場", 8},
      {"Ａ1", 3}, {"한국", 4},  {"a\xff", 2}, {"\xe6\x9d", 2},          {"😀x", 3},
  };
  for (const auto& [text, columns] : cases) EXPECT_EQ(Utf8_columns(text), columns) << text;
}

}  // namespace
