// Workbook model: cells and their store, names, A1 helpers and the
// structure version that tells the calculation when to recompile.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "platform/workbook/Wb_Letters.h"
#include "platform/workbook/Wb_Workbook.h"

TEST(Workbook, A1TextsAndSheetNames) {
  int row = -1, col = -1;
  ASSERT_TRUE(Wb_parseA1("$AB$12", &row, &col));
  EXPECT_EQ(Wb_a1(row, col), "AB12");
  EXPECT_EQ(Wb_a1(0, 0, true), "$A$1");
  EXPECT_EQ(Wb_columnName(16383), "XFD");
  // Letters outside ASCII are no column, whatever the locale (\351 is e acute).
  for (const char* bad : {"A0", "12", "XFE1", "A1x", "\3511", "A\262", "[1", "@1"})
    EXPECT_FALSE(Wb_parseA1(bad, &row, &col)) << bad;
  ASSERT_TRUE(Wb_parseA1("xfd1048576", &row, &col));
  EXPECT_EQ(row, 1048575);
  EXPECT_EQ(col, 16383);
  EXPECT_EQ(Wb_quoteSheetName("Model"), "Model");
  EXPECT_EQ(Wb_quoteSheetName("Bob's Data"), "'Bob''s Data'");
  EXPECT_EQ(Wb_quoteSheetName("A1"), "'A1'");
}

// A word character: in ASCII a letter or digit as the C library classes
// it, or one of the extra characters; beyond ASCII the bytes of a letter or
// digit of any script, and none for a symbol or a broken byte.
TEST(Workbook, WordCharactersAreLettersDigitsAndTheExtraOnes) {
  const std::string_view extra = "_.\\?";
  for (int c = 0; c < 0x80; ++c) {
    const std::string text(1, static_cast<char>(c));
    const bool word = std::isalnum(c) || extra.find(static_cast<char>(c)) != std::string_view::npos;
    EXPECT_EQ(Wb_wordCharAt(text, 0, extra), word ? 1u : 0u) << c;
  }
  EXPECT_EQ(Wb_wordCharAt("\u00E4x", 0, extra), 2u);
  EXPECT_EQ(Wb_wordCharAt("\u0416x", 0, extra), 2u);
  EXPECT_EQ(Wb_wordCharAt("\u20ACx", 0, extra), 0u);
  EXPECT_EQ(Wb_wordCharAt("\xC3x", 0, extra), 0u);
}

// A cell's number format reads as the text it was given, whichever cell or
// workbook gave it first; equal texts compare equal, General is empty.
TEST(Workbook, NumberFormatsKeepTheirTexts) {
  Workbook* wb = Wb_newWorkbook("formats.xlsx");
  Sheet* sh = Wb_addSheet(wb, "S");
  // Both cells exist before either is held: adding a cell may move the
  // cells of its row.
  Wb_cellAt(wb, sh, 0, 0);
  Cell* b = Wb_cellAt(wb, sh, 0, 1);
  Cell* a = Wb_cellAt(wb, sh, 0, 0);
  EXPECT_TRUE(a->numberFormat.empty());
  EXPECT_EQ(a->numberFormat.str(), "");
  std::string percent = "0.00%";
  a->numberFormat = percent;
  percent = "changed afterwards";
  b->numberFormat = std::string("0.0") + "0%";
  EXPECT_EQ(a->numberFormat.str(), "0.00%");
  EXPECT_TRUE(a->numberFormat == b->numberFormat);
  EXPECT_TRUE(a->numberFormat == "0.00%");
  EXPECT_FALSE(a->numberFormat == "0.00");
  const std::string& text = b->numberFormat;
  EXPECT_EQ(text, "0.00%");
  b->numberFormat = "#,##0";
  EXPECT_FALSE(a->numberFormat == b->numberFormat);
  EXPECT_EQ(a->numberFormat.str(), "0.00%");
  b->numberFormat = "";
  EXPECT_TRUE(b->numberFormat.empty());
  EXPECT_TRUE(b->numberFormat == Cell{}.numberFormat);
  a->numberFormat.clear();
  EXPECT_TRUE(a->numberFormat == "");
  Wb_closeWorkbook(wb);
}

TEST(Workbook, StructureVersionNamesAndArrayBlocks) {
  Wb_resetApp();
  Workbook* wb = Wb_newWorkbook("t.xlsx");
  Sheet* sh = Wb_addSheet(wb, "S");
  Wb_addSheet(wb, "B");
  Wb_setValue(wb, sh, 0, 0, CellValue::makeNumber(1));
  auto v = wb->structureVersion;
  Wb_setValue(wb, sh, 0, 0, CellValue::makeNumber(2));     // existing cell, value only
  EXPECT_EQ(wb->structureVersion, v);
  Wb_setFormula(wb, sh, 0, 1, "=A1*2");
  EXPECT_GT(wb->structureVersion, v);
  CellRange used;
  ASSERT_TRUE(Wb_usedRange(sh, &used));
  EXPECT_EQ(used.col2, 1);
  // A sheet's own name hides the workbook's.
  Wb_defineName(wb, {"Factor", "2", -1, false});
  Wb_defineName(wb, {"Factor", "3", 1, true});
  EXPECT_EQ(Wb_findName(wb, "factor", 0)->definition, "2");
  EXPECT_EQ(Wb_findName(wb, "FACTOR", 1)->definition, "3");
  EXPECT_TRUE(Wb_deleteName(wb, "factor", 1));
  EXPECT_EQ(Wb_findName(wb, "Factor", 1)->definition, "2");
  // Case folds for the letters of every script; other characters and
  // broken byte sequences must match.
  const struct {
    const char *a, *b;
    bool same;
  } folds[] = {
      {"Solver_ADJ1", "sOLVER_adj1", true},
      {"solver_adj", "solver_adk", false},
      {"a[", "A{", false},  // '[' and '{' are 32 apart but no letters
      {"Größe", "GRÖßE", true},
      {"Kapazität", "KAPAZITÄT", true},
      {"Übersicht Ω", "übersicht ω", true},
      {"Σχέδιο", "ΣΧΈΔΙΟ", true},
      {"Мощность", "МОЩНОСТЬ", true},
      {"ö", "o", false},
      {"ı", "i", false},  // a letter beyond ASCII never folds into ASCII
      {"a\xC3", "A\xC4", false},
      {"a\xC3", "A\xC3", true},
  };
  for (const auto& f : folds) EXPECT_EQ(Wb_equalNoCase(f.a, f.b), f.same) << f.a << " " << f.b;
  Wb_defineName(wb, {"Kapazität", "18", -1, false});
  ASSERT_NE(Wb_findName(wb, "KAPAZITÄT", 0), nullptr);
  EXPECT_EQ(Wb_findName(wb, "KAPAZITÄT", 0)->definition, "18");
  // Array blocks may not cut each other.
  ASSERT_TRUE(Wb_setArrayFormula(wb, sh, {0, 3, 0, 4, 1}, "=TRANSPOSE(D1:E2)"));
  EXPECT_FALSE(Wb_setArrayFormula(wb, sh, {0, 4, 1, 5, 2}, "=1"));
  EXPECT_EQ(Wb_findCell(sh, 4, 1)->arrayBlock, 0);
  EXPECT_EQ(Wb_findCell(sh, 3, 0)->formula, "=TRANSPOSE(D1:E2)");
  Wb_resetApp();
}

namespace {

// Defined names as a plain list searched from its start, with the rules the
// workbook gives them: one name per spelling (ASCII letters in any case) and
// scope, replaced where it stands; a sheet's own name before the workbook's.
struct NameList {
  std::vector<DefinedName> names;
  static bool same(const DefinedName& dn, const std::string& name, int scope) {
    return dn.scopeSheet == scope && Wb_equalNoCase(dn.name, name);
  }
  const DefinedName* inScope(const std::string& name, int scope) const {
    for (const DefinedName& dn : names)
      if (same(dn, name, scope)) return &dn;
    return nullptr;
  }
  const DefinedName* find(const std::string& name, int scope) const {
    const DefinedName* own = scope >= 0 ? inScope(name, scope) : nullptr;
    return own ? own : inScope(name, -1);
  }
  void define(const DefinedName& dn) {
    for (DefinedName& old : names)
      if (same(old, dn.name, dn.scopeSheet)) {
        old = dn;
        return;
      }
    names.push_back(dn);
  }
  bool erase(const std::string& name, int scope) {
    return std::erase_if(names, [&](const DefinedName& dn) { return same(dn, name, scope); }) > 0;
  }
  void insertSheet(int index) {
    for (DefinedName& dn : names) dn.scopeSheet += dn.scopeSheet >= index;
  }
  void deleteSheet(int index) {
    std::erase_if(names, [&](const DefinedName& dn) { return dn.scopeSheet == index; });
    for (DefinedName& dn : names) dn.scopeSheet -= dn.scopeSheet > index;
  }
};

bool sameDefinition(const DefinedName* a, const DefinedName* b) {
  return a == b || (a && b && a->name == b->name && a->definition == b->definition && a->scopeSheet == b->scopeSheet);
}

// The store holds exactly the cells of `truth`, in key order, each with its
// number.
void expectHolds(const CellStore& store, const std::map<std::uint64_t, double>& truth) {
  ASSERT_EQ(store.size(), truth.size());
  auto t = truth.begin();
  for (const auto& [key, cell] : store) {
    ASSERT_EQ(key, t->first);
    EXPECT_EQ(cell.value.number, t->second);
    ++t;
  }
}

}  // namespace

// The cell store against an ordered map: the same cells in the same order
// after adds and removals in any order, and the same answers to lookups,
// lower bounds and row spans.
TEST(Workbook, CellStoreAgreesWithAnOrderedMap) {
  std::mt19937 rng(7);
  for (int rows : {1, 5, 40}) {
    CellStore store;
    std::map<std::uint64_t, double> truth;
    std::uniform_int_distribution<int> row(0, rows - 1), col(0, 30), action(0, 3);
    for (int step = 0; step < 3000; ++step) {
      std::uint64_t key = Wb_cellKey(row(rng), col(rng));
      if (action(rng) == 0) {
        EXPECT_EQ(store.erase(key), truth.erase(key));
      } else {
        auto [it, added] = store.try_emplace(key);
        EXPECT_EQ(added, !truth.count(key));
        it->second.value = CellValue::makeNumber(step);
        truth[key] = step;
      }
    }
    expectHolds(store, truth);
    for (int r = 0; r <= rows; ++r)
      for (int c = 0; c <= 31; ++c) {
        std::uint64_t key = Wb_cellKey(r, c);
        auto bound = store.lower_bound(key);
        auto expected = truth.lower_bound(key);
        ASSERT_EQ(bound == store.end(), expected == truth.end());
        if (bound != store.end()) {
          EXPECT_EQ(bound->first, expected->first);
        }
        EXPECT_EQ(store.find(key) != store.end(), truth.count(key) == 1);
        size_t inSpan = 0;
        for (const auto& [k, cell] : store.rowSpan(r, c, c + 4)) {
          EXPECT_TRUE(truth.count(k) && Wb_keyRow(k) == r && Wb_keyCol(k) >= c && Wb_keyCol(k) <= c + 4);
          ++inSpan;
        }
        EXPECT_EQ(inSpan, static_cast<size_t>(std::distance(truth.lower_bound(key), truth.upper_bound(Wb_cellKey(r, c + 4)))));
      }
  }
}

// The workbook's names against a plain list searched from its start, over
// names defined, replaced and deleted in any letter case and scope and
// sheets inserted and deleted: the same names in the same order, and the
// same answers to every lookup, in its own scope and from each sheet.
TEST(Workbook, NamesAgreeWithAListSearchedInOrder) {
  // Past eight and sixteen bytes as well, letters beyond ASCII that fold
  // into none of it, characters 32 apart that are no letters, and broken
  // bytes, which match only themselves.
  const std::vector<std::string> spellings = {
      "Rate", "RATE", "rate", "Price_1", "pRICE_1", "x", "X", "Gr\u00F6\u00DFe", "gr\u00F6\u00DFE", "\u00F6l", "\u00D6l",
      "Capacity_Of_Plant_North", "CAPACITY_of_plant_NORTH", "Capacity_Of_Plant_Nort", "Kapazit\u00E4t_Werk_S\u00FCd",
      "KAPAZIT\u00C4T_WERK_S\u00DCD", "\u0130", "i", "I", "\u0131", "\u212A", "k", "x@[", "X`{", "a\xC3", "A\xC3",
      "a\xC4", "\xC3\xA9", "\xC3\x89"};
  std::mt19937 rng(5);
  std::uniform_int_distribution<int> spelling(0, static_cast<int>(spellings.size()) - 1), action(0, 9);
  Wb_resetApp();
  Workbook* wb = Wb_newWorkbook("names.xlsx");
  for (const char* sheet : {"A", "B", "C"}) Wb_addSheet(wb, sheet);
  NameList truth;
  for (int step = 0; step < 3000; ++step) {
    const int sheets = static_cast<int>(wb->sheets.size());
    const std::string& name = spellings[spelling(rng)];
    const int scope = std::uniform_int_distribution<int>(-1, sheets - 1)(rng);
    const int what = action(rng);
    if (what < 5) {
      const DefinedName dn{name, std::to_string(step), scope, step % 2 == 0};
      Wb_defineName(wb, dn);
      truth.define(dn);
    } else if (what < 8) {
      EXPECT_EQ(Wb_deleteName(wb, name, scope), truth.erase(name, scope));
    } else if (what == 8 && sheets < 6) {
      const int index = std::uniform_int_distribution<int>(0, sheets)(rng);
      Wb_insertSheet(wb, index, "S" + std::to_string(step));
      truth.insertSheet(index);
    } else if (what == 9 && sheets > 1) {
      const int index = std::uniform_int_distribution<int>(0, sheets - 1)(rng);
      ASSERT_TRUE(Wb_deleteSheet(wb, index));
      truth.deleteSheet(index);
    }
    ASSERT_EQ(wb->names.size(), truth.names.size()) << step;
    for (std::size_t i = 0; i < truth.names.size(); ++i)
      ASSERT_TRUE(sameDefinition(&wb->names[i], &truth.names[i])) << step;
    for (const std::string& s : spellings)
      for (int sc = -1; sc < static_cast<int>(wb->sheets.size()); ++sc) {
        ASSERT_TRUE(sameDefinition(Wb_findName(wb, s, sc), truth.find(s, sc))) << step << " " << s << " " << sc;
        ASSERT_TRUE(sameDefinition(Wb_findNameInScope(wb, s, sc), truth.inScope(s, sc)))
            << step << " " << s << " " << sc;
      }
  }
  Wb_resetApp();
}

// Appending takes only keys past the last cell held, in a later row or the
// same one; what was appended is found and iterated like any other cell.
TEST(Workbook, CellStoreAppendsOnlyPastItsLastCell) {
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> row(0, 12), col(0, 20), action(0, 2);
  CellStore store;
  std::map<std::uint64_t, double> truth;
  for (int step = 0; step < 2000; ++step) {
    std::uint64_t key = Wb_cellKey(row(rng), col(rng));
    if (action(rng) == 0) {
      store.erase(key);
      truth.erase(key);
      continue;
    }
    bool past = truth.empty() || truth.rbegin()->first < key;
    Cell* cell = store.append(key, 4);
    ASSERT_EQ(cell != nullptr, past) << step;
    if (!cell) continue;
    cell->value = CellValue::makeNumber(step);
    truth[key] = step;
    ASSERT_EQ(store.get(key), cell);
  }
  expectHolds(store, truth);
}

// A block with a title row and a label column apart from it, as models are
// laid out: every cell is found, and every gap is found empty.
TEST(Workbook, CellStoreFindsCellsAroundGaps) {
  CellStore store;
  auto holds = [](int r, int c) { return (r == 1 || (r >= 6 && r < 30)) && (c == 0 || (c >= 4 && c <= 12) || c == 20); };
  for (int r = 0; r < 30; ++r)
    for (int c = 0; c < 25; ++c)
      if (holds(r, c)) store.try_emplace(Wb_cellKey(r, c)).first->second.value = CellValue::makeNumber(r * 100 + c);
  for (int r = 0; r < 32; ++r)
    for (int c = 0; c < 26; ++c) {
      const Cell* cell = store.get(Wb_cellKey(r, c));
      ASSERT_EQ(cell != nullptr, holds(r, c)) << r << "," << c;
      if (cell) {
        EXPECT_EQ(cell->value.number, r * 100 + c);
      }
      auto bound = store.lower_bound(Wb_cellKey(r, c));
      if (bound != store.end()) {
        EXPECT_GE(bound->first, Wb_cellKey(r, c));
        EXPECT_TRUE(holds(Wb_keyRow(bound->first), Wb_keyCol(bound->first)));
      }
    }
}
