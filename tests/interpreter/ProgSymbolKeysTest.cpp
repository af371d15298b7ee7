// The code store's index of symbols by space and name, and the symbols'
// places: each key finds its own symbol through every growth of the index
// and of the symbol blocks, a name in one space never meets it in another,
// and the first symbol given a key keeps it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "interpreter/Prog_Program.h"
#include "interpreter/Prog_SymbolKeys.h"
#include "values/Vm_Context.h"

namespace {

TEST(SymbolKeys, EachKeyFindsItsOwnSymbolAcrossSpacesAndPrefixes) {
  struct Row {
    SymbolSpace space;
    std::u16string name;
  };
  const std::vector<Row> rows = {
      {kSpaceCell, u""},
      {kSpaceCell, u"a"},
      {kSpaceCell, u"ab"},
      {kSpaceCell, u"abc"},
      {kSpaceText, u"a"},
      {kSpaceLiteral, u"a"},
      {kSpaceFunction, u"a"},
      {kSpaceGenerated, u"a"},
      {kSpaceBlock, u"a"},
      {kSpaceCell, u"s1!item1"},
      {kSpaceCell, u"s1!item10"},
      {kSpaceText, u"ta"},
      {kSpaceCell, u"\u00e9t\u00e9"},
      {kSpaceCell, std::u16string(300, u'x')},
  };
  SymbolKeys keys;
  std::vector<Symbol> symbols(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(Prog_findKey(&keys, rows[i].space, rows[i].name), nullptr) << i;
    EXPECT_EQ(Prog_addKey(&keys, rows[i].space, rows[i].name, &symbols[i]), &symbols[i]) << i;
  }
  Symbol other;
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(Prog_findKey(&keys, rows[i].space, rows[i].name), &symbols[i]) << i;
    EXPECT_EQ(Prog_addKey(&keys, rows[i].space, rows[i].name, &other), &symbols[i]) << i;  // the first one stays
  }
  EXPECT_EQ(Prog_findKey(&keys, kSpaceText, u"t"), nullptr);  // "t" + "a" is not "ta" in the cell space
  EXPECT_EQ(Prog_findKey(&keys, kSpaceCell, u"s1!item"), nullptr);
}

TEST(CodeStore, SymbolsKeepTheirPlaceNameAndSerialAsTheTableGrows) {
  EvalContext* ctx = Vm_createContext();
  SymbolTable* t = Prog_createSymbolTable(ctx);
  const size_t count = 40 * kSymbolBlockSize + 3;
  std::vector<Symbol*> made;
  for (size_t k = 0; k < count; ++k) {
    const std::u16string name = u"s2!item" + std::u16string(1, char16_t(u'a' + k % 26)) +
                                std::u16string(k / 26 % 7, u'x') + u"#" + char16_t(u'0' + k % 10) +
                                char16_t(0x100 + k / 70);
    Symbol* s = Prog_addSymbol(t, k % 3 ? kSpaceCell : kSpaceText, name, u"");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->serial, k + 1);
    Prog_addAlias(t, u"alias" + name, s);
    made.push_back(s);
  }
  for (Symbol* s : made) {
    EXPECT_EQ(Prog_symbolBySerial(t, s->serial), s);
    EXPECT_EQ(Prog_findSymbol(t, s->space, s->name), s);
    EXPECT_EQ(Prog_findSymbol(t, s->space, u"alias" + s->name), s);
    EXPECT_EQ(Prog_addSymbol(t, s->space, u"alias" + s->name, u""), s);
    EXPECT_EQ(Prog_findSymbol(t, s->space == kSpaceText ? kSpaceCell : kSpaceText, s->name), nullptr);
  }
  EXPECT_EQ(t->counter, count);
  Prog_freeSymbolTable(t);
  Vm_destroyContext(ctx);
}

}  // namespace
