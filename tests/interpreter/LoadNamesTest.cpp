// The name walk of the formula reader: a definition read in the scope of
// the name that holds it, over a small book of two sheets whose names
// shadow the workbook's.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <utility>

#include "interpreter/Load_Names.h"

namespace {

// Sheets 1 ("Plan") and 2 ("Other"); a reference is one letter and a
// digit ("b1"), with or without a sheet; names keyed by scope (0 the
// workbook's).
struct Book : LoadNameBook {
  std::map<std::pair<int32_t, std::u16string>, std::u16string> names;

  bool reference(uint8_t sheet, std::u16string_view text, RangeRef* range) override {
    const size_t bang = text.rfind(u'!');
    if (bang != std::u16string_view::npos) {
      sheet = static_cast<uint8_t>(sheetOfPrefix(text.substr(0, bang)));
      text = text.substr(bang + 1);
    }
    if (sheet == 0 || text.size() != 2 || text[0] < u'a' || text[0] > u'z' || text[1] < u'1' || text[1] > u'9')
      return false;
    *range = RangeRef{sheet, static_cast<uint16_t>(text[1] - u'0'), static_cast<uint8_t>(text[0] - u'a' + 1),
                      static_cast<uint16_t>(text[1] - u'0'), static_cast<uint8_t>(text[0] - u'a' + 1)};
    return true;
  }
  int32_t sheetOfPrefix(std::u16string_view prefix) override {
    return prefix == u"Plan" ? 1 : prefix == u"Other" ? 2 : 0;
  }
  bool definition(std::u16string_view name, int32_t scope, std::u16string* text) override {
    auto it = names.find({scope, std::u16string(name)});
    if (it == names.end()) return false;
    *text = it->second;
    return true;
  }
};

}  // namespace

TEST(LoadNames, DefinitionsAreReadInTheScopeThatHoldsThem) {
  Book book;
  book.names = {{{0, u"cap"}, u"=base*10"},    {{0, u"base"}, u"=0.5"},   {{1, u"base"}, u"=1"},
                {{2, u"lim"}, u"=limb"},       {{2, u"limb"}, u"=b1"},    {{0, u"wcell"}, u"=b1"},
                {{0, u"wlim"}, u"=Other!lim"}, {{2, u"olim"}, u"=wbase"}, {{0, u"wbase"}, u"=base"}};
  struct Row {
    uint8_t sheet;
    const char16_t* text;
    RangeRef range;  // all zero for a formula
    const char16_t* formula;
    uint8_t formulaSheet;
    bool workbookNames;
  } rows[] = {
      {1, u"cap", {}, u"=base*10", 1, true},              // its base the workbook's
      {1, u"base", {}, u"=1", 1, false},                  // Plan's own
      {1, u"[0]!base", {}, u"=0.5", 1, true},             // the workbook's, past Plan's
      {1, u"Other!lim", {2, 1, 2, 1, 2}, u"", 0, false},  // Other's limb, Other's b1
      {1, u"wcell", {1, 1, 2, 1, 2}, u"", 0, false},      // a workbook name's cell on the sheet using it
      {2, u"wcell", {2, 1, 2, 1, 2}, u"", 0, false},
      {1, u"wlim", {2, 1, 2, 1, 2}, u"", 0, false},  // a workbook name through Other's names
      {1, u"Other!olim", {}, u"=0.5", 2, true},      // through the workbook's wbase to its base
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.text, row.text + std::char_traits<char16_t>::length(row.text)));
    LoadNamed named;
    ASSERT_TRUE(Load_resolveName(&book, row.sheet, row.text, &named));
    EXPECT_EQ(std::tie(named.range.sheet, named.range.firstRow, named.range.firstColumn),
              std::tie(row.range.sheet, row.range.firstRow, row.range.firstColumn));
    EXPECT_EQ(named.formula, row.formula);
    if (named.formula.empty()) continue;
    EXPECT_EQ(named.formulaSheet, row.formulaSheet);
    EXPECT_EQ(named.workbookNames, row.workbookNames);
  }
}
