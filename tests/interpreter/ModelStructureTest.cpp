// Model structure and code store: constraint pairing, objective placement,
// problem classes, variable numbering and binding, pruning, scatter, range
// geometry, symbol key spaces and the memory budget.
#include <gtest/gtest.h>

#include <vector>

#include "interpreter/Model_Structure.h"
#include "interpreter/Prog_Program.h"
#include "interpreter/Vm_Machine.h"
#include "values/Ivl_Interval.h"
#include "values/Val_Value.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

RangeRef range(uint16_t r1, uint8_t c1, uint16_t r2, uint8_t c2) { return RangeRef{1, r1, c1, r2, c2}; }

TEST(ModelStructure, ConstraintPairsCellsInReadingOrder) {
  FunctionTable* t = Model_createFunctionTable();
  EXPECT_TRUE(Model_addConstraint(t, range(1, 1, 3, 1), kRelLessEqual, range(1, 2, 1, 2)));
  EXPECT_FALSE(Model_addConstraint(t, range(1, 1, 3, 1), kRelLessEqual, range(1, 2, 2, 2)));
  EXPECT_TRUE(Model_addConstraint(t, range(5, 1, 5, 1), kRelEqual, range(1, 3, 3, 3)));
  // 2 x 3 against 3 x 2: cell k with cell k.
  EXPECT_TRUE(Model_addConstraint(t, range(10, 1, 11, 3), kRelEqual, range(20, 1, 22, 2)));
  ASSERT_EQ(t->items.size(), 12u);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(t->items[k]->cell.row, k + 1);
    EXPECT_EQ(t->items[k]->rhsCell.row, 1);
    EXPECT_EQ(t->items[3 + k]->cell.row, 5);
    EXPECT_EQ(t->items[3 + k]->rhsCell.row, k + 1);
  }
  const ModelItem* fourth = t->items[6 + 3];  // B... second row first column against row 21 column 2
  EXPECT_EQ(fourth->cell.row, 11);
  EXPECT_EQ(fourth->cell.column, 1);
  EXPECT_EQ(fourth->rhsCell.row, 21);
  EXPECT_EQ(fourth->rhsCell.column, 2);
  Model_freeFunctionTable(t);
}

TEST(ModelStructure, ObjectiveGoesLastAndClassesFollowRelations) {
  struct Case {
    std::vector<int32_t> relations;
    std::vector<int32_t> deps;  // empty: structure unknown
    int32_t variables;
    uint32_t expected;
  };
  const std::vector<Case> cases = {
      {{kRelMinimise, kRelLessEqual}, {}, 2, kClassConstrained},
      {{kRelEqual, kRelEqual}, {}, 2, kClassSquareSystem},
      {{kRelEqual, kRelEqual}, {}, 3, kClassOther},
      {{kRelMaximise}, {0}, 1, kClassNone},
      {{kRelMaximise}, {1}, 1, kClassObjectiveOnly},
      {{kRelMinimise, kRelMaximise}, {}, 1, kClassNone},
      {{kRelLessEqual, kRelGreaterEqual2}, {}, 1, kClassInequalities},
      {{kRelEqual, kRelLessEqual}, {0, 1}, 1, kClassInequalities},
      {{kRelEqual, kRelLessEqual}, {1, 1}, 1, kClassOther},
      {{kRelMinimise, kRelEqual}, {}, 1, kClassConstrained},
  };
  for (const Case& c : cases) {
    FunctionTable* t = Model_createFunctionTable();
    for (size_t i = 0; i < c.relations.size(); ++i)
      Model_addFunction(t, 1, 1, static_cast<uint16_t>(i + 1), c.relations[i], 0.0);
    ASSERT_TRUE(Model_buildItemArray(t));
    if (c.relations[0] >= kRelMinimise && c.relations.size() == 2 && c.relations[1] < kRelMinimise) {
      EXPECT_EQ(t->array.back()->relation, c.relations[0]);
    }
    // Dependency counts follow the array order.
    std::vector<int32_t> deps;
    for (ModelItem* item : t->array)
      if (!c.deps.empty()) deps.push_back(c.deps[item->cell.row - 1]);
    EXPECT_EQ(Model_classifyProblem(t, c.deps.empty() ? nullptr : deps.data(), c.variables), c.expected)
        << c.relations.size() << " items, first relation " << c.relations[0];
    Model_freeFunctionTable(t);
  }
}

TEST(ModelStructure, VariableCountFollowsRecordsAcrossRebuilds) {
  VariableTable* v = Model_createVariableTable();
  ASSERT_TRUE(Model_addVariableRange(v, range(1, 1, 2, 2), kVarContinuous));
  Model_addExtraVariable(v, kVarBinary, 3);
  EXPECT_FALSE(Model_addVariableRange(v, range(3, 1, 2, 1), kVarContinuous));
  ASSERT_TRUE(Model_addVariableRange(v, range(5, 1, 5, 1), kVarInteger));
  // Ranges first in the order added, the generated variable after them.
  EXPECT_EQ(Model_variableCount(v), 6);
  EXPECT_EQ(Model_findVariable(v, 1, 2, 1), 3);
  EXPECT_EQ(Model_findVariable(v, 1, 5, 1), 5);
  EXPECT_EQ(Model_getVariable(v, 6)->link, 3);
  EXPECT_EQ(Model_getVariable(v, 6)->bounds.hi, 1.0);
  EXPECT_TRUE(Model_setRangeBound(v, range(1, 1, 2, 2), 0.0, false));
  EXPECT_FALSE(Model_setRangeBound(v, range(1, 1, 3, 2), 1.0, true));  // row 3 holds no variable
  EXPECT_FALSE(Model_setAllBounds(v, -1.0, true));
  Model_freeVariableTable(v);
}

TEST(ModelStructure, BindingMarksVariablesAndDoubleDefinitions) {
  EvalContext* ctx = Vm_createContext();
  VariableTable* v = Model_createVariableTable();
  Model_addVariableRange(v, range(1, 1, 1, 2), kVarInteger);
  Model_addVariableRange(v, range(1, 2, 2, 2), kVarContinuous);  // B1 twice
  Value a = Val_empty(ctx);
  Val_makeArray(&a, 2, 2);
  const RangeRef where = range(1, 1, 2, 2);
  Vm_setRangeRef(&a, &where);
  EXPECT_TRUE(Model_bindVariable(v, &a));
  EXPECT_EQ(Val_at(&a, 0, 0)->reference, 1);
  EXPECT_EQ(Val_at(&a, 0, 0)->kind, kValInt);
  EXPECT_EQ(Val_at(&a, 1, 1)->reference, 4);
  EXPECT_EQ(Val_at(&a, 1, 0)->reference, 0);
  EXPECT_EQ(a.reference, 1);
  EXPECT_EQ(ctx->errors.firstError, kStatusVariableTwice);
  EXPECT_EQ(ctx->errors.errorCell.row, 1);
  EXPECT_EQ(ctx->errors.errorCell.column, 2);
  Val_clear(&a);
  Model_freeVariableTable(v);
  Vm_destroyContext(ctx);
}

TEST(ModelStructure, ConesBecomeQuadraticRows) {
  FunctionTable* t = Model_createFunctionTable();
  EXPECT_FALSE(Model_addConeRows(t, range(1, 1, 2, 1), kRelRotatedCone, u"S"));
  ASSERT_TRUE(Model_addConeRows(t, range(1, 1, 4, 1), kRelRotatedCone, u"S"));
  ASSERT_TRUE(Model_addConeRows(t, range(1, 1, 1, 3), kRelCone, u"S"));
  ASSERT_EQ(t->items.size(), 2u);
  EXPECT_EQ(t->items[0]->cell.sheet, 0);
  EXPECT_EQ(t->items[0]->relation, kRelGreaterEqual2);
  EXPECT_EQ(t->items[0]->rhsText, u"sumsq('S'!a1:a4) - 'S'!a1^2 - 'S'!a2^2 - 2 * 'S'!a1 * 'S'!a2");
  EXPECT_EQ(t->items[1]->rhsText, u"sumsq('S'!a1:c1) - 2 * 'S'!a1^2");
  Model_freeFunctionTable(t);
}

TEST(ModelStructure, PruningAndScatterKeepOrder) {
  std::vector<int32_t> deps{2, 5, 7, 9};
  std::vector<uint8_t> classes{0, 1, 4, 2};
  EXPECT_EQ(Model_pruneToSmooth(&deps, &classes), 2);
  EXPECT_EQ(deps, (std::vector<int32_t>{5, 9}));
  std::vector<double> g{10, 20, 0, 0, 0, 0, 0, 0, 0, 0};  // n = 10 entries, 0-based
  Model_scatterGradient(std::vector<int32_t>{1, 9}, 10, g.data(), false);
  EXPECT_EQ(g, (std::vector<double>{10, 0, 0, 0, 0, 0, 0, 0, 20, 0}));
  std::vector<double> h{0, 3, 4, 0, 0};  // 1-based, n = 4
  Model_scatterGradient(std::vector<int32_t>{3, 4}, 4, h.data(), true);
  EXPECT_EQ(h, (std::vector<double>{0, 0, 0, 3, 4}));
}

// The interval forms spread a compact gradient and a compact Hessian block
// over the full n entries: entry (a, b) of the block lands at the variables
// deps[a], deps[b], every other entry is zero; both 0- and 1-based.
TEST(ModelStructure, IntervalScatterPutsEachEntryOnItsVariables) {
  const std::vector<std::vector<int32_t>> dependencySets{{1, 9}, {2, 3, 5}, {4}, {1, 2, 3, 4, 6}};
  constexpr int32_t n = 9;
  for (const std::vector<int32_t>& deps : dependencySets)
    for (const bool oneBased : {false, true}) {
      SCOPED_TRACE(testing::Message() << deps.size() << " dependencies, one-based " << oneBased);
      const int32_t base = oneBased ? 1 : 0, k = static_cast<int32_t>(deps.size());
      const auto entry = [](int32_t a, int32_t b) { return Interval{10.0 * a + b, 10.0 * a + b + 0.5}; };
      std::vector<Interval> g(n + 1);
      std::vector<std::vector<Interval>> rows(n + 1, std::vector<Interval>(n + 1));
      std::vector<Interval*> h;
      for (auto& row : rows) h.push_back(row.data());
      for (int32_t a = 0; a < k; ++a) {
        g[static_cast<size_t>(base + a)] = entry(a + 1, 0);
        for (int32_t b = 0; b < k; ++b) h[static_cast<size_t>(base + a)][base + b] = entry(a + 1, b + 1);
      }
      Model_scatterIvGradient(deps, n, g.data(), oneBased);
      Model_scatterIvHessian(deps, n, h.data(), oneBased);
      // Where each variable's compact position is, 0 for none.
      std::vector<int32_t> position(n + 1, 0);
      for (int32_t a = 0; a < k; ++a) position[static_cast<size_t>(deps[static_cast<size_t>(a)])] = a + 1;
      for (int32_t j = 1; j <= n; ++j) {
        const int32_t pj = position[static_cast<size_t>(j)];
        const Interval want = pj ? entry(pj, 0) : Interval{0, 0};
        EXPECT_EQ(g[static_cast<size_t>(base + j - 1)].lo, want.lo) << j;
        EXPECT_EQ(g[static_cast<size_t>(base + j - 1)].hi, want.hi) << j;
        for (int32_t i = 1; i <= n; ++i) {
          const int32_t pi = position[static_cast<size_t>(i)];
          const Interval at = h[static_cast<size_t>(base + i - 1)][base + j - 1];
          const Interval expected = pi && pj ? entry(pi, pj) : Interval{0, 0};
          EXPECT_EQ(at.lo, expected.lo) << i << "," << j;
          EXPECT_EQ(at.hi, expected.hi) << i << "," << j;
        }
      }
    }
}

TEST(ModelStructure, SubtractionCoversExactlyTheRest) {
  const RangeRef a = range(1, 1, 5, 5), b = range(2, 2, 3, 3);
  RangeRef parts[4];
  Model_subtractRange(a, b, &parts[0], &parts[1], &parts[2], &parts[3]);
  int32_t area = 0;
  for (const RangeRef& p : parts) area += Model_rangeArea(p);
  EXPECT_EQ(area + Model_rangeArea(b), Model_rangeArea(a));
  RangeRef out;
  EXPECT_FALSE(Model_intersectRanges(a, RangeRef{2, 1, 1, 5, 5}, &out));
}

TEST(CodeStore, KeySpacesKeepLiteralsTextsAndFunctionsApart) {
  EvalContext* ctx = Vm_createContext();
  SymbolTable* t = Prog_createSymbolTable(ctx);
  Symbol* text = Prog_addSymbol(t, kSpaceText, u"true", u"");
  Symbol* literal = Prog_addSymbol(t, kSpaceLiteral, u"true", u"");
  Symbol* function = Prog_addSymbol(t, kSpaceFunction, u"true", u"");
  Symbol* misArg = Prog_addSymbol(t, kSpaceLiteral, u"MisArg", u"");
  EXPECT_NE(text, literal);
  EXPECT_NE(literal, function);
  EXPECT_NE(misArg, Prog_addSymbol(t, kSpaceText, u"MisArg", u""));
  EXPECT_EQ(literal, Prog_addSymbol(t, kSpaceLiteral, u"true", u""));
  EXPECT_EQ(Prog_symbolBySerial(t, function->serial), function);
  EXPECT_EQ(literal->name, u"true");
  Prog_freeSymbolTable(t);
  Vm_destroyContext(ctx);
}

TEST(CodeStore, DistinctCellsCountOverlapsOnce) {
  EvalContext* ctx = Vm_createContext();
  SymbolTable* t = Prog_createSymbolTable(ctx);
  const RangeRef ranges[] = {range(1, 1, 3, 3), range(1, 1, 3, 3), range(2, 2, 5, 2), RangeRef{2, 1, 1, 1, 1}};
  int i = 0;
  for (const RangeRef& r : ranges) {
    Symbol* s = Prog_addSymbol(t, kSpaceCell, std::u16string(1, char16_t(u'a' + i++)), u"");
    Vm_setRangeRef(&s->value, &r);
  }
  int32_t formulas = -1;
  int64_t distinct = 0;
  ASSERT_TRUE(Prog_countCells(t, &formulas, &distinct));
  EXPECT_EQ(formulas, 0);
  EXPECT_EQ(distinct, 9 + 2 + 1);  // the block, b4:b5, and a cell of sheet 2
  int64_t uncovered = 0;
  ASSERT_TRUE(Prog_countRangeCells(t, range(1, 1, 6, 3), &uncovered));
  EXPECT_EQ(uncovered, 18 - 9 - 2);  // a1:c6 less the block and b4:b5
  Prog_freeSymbolTable(t);
  Vm_destroyContext(ctx);
}

TEST(CodeStore, MemoryBudgetRoundsToPagesAndGatesModes) {
  const ProgBudget empty = Prog_estimateMemory(0, 0, 0, 0, 0);
  EXPECT_EQ(empty.forwardGradKB, 4);
  EXPECT_EQ(empty.reverseKB, 4);
  EXPECT_EQ(empty.availKB, 1);
  EXPECT_FALSE(empty.forwardHessAllowed);
  // w = 1 + 10 + 2 = 13; forward gradient 13 * 110 * 8 = 11440 bytes -> 12 KB.
  const ProgBudget b = Prog_estimateMemory(1, 10, 100, 50, uint64_t{1} << 30);
  EXPECT_EQ(b.forwardGradKB, 12);
  EXPECT_EQ(b.forwardHessKB, ((13 * 10009 * 8) / 4096 + 1) * 4);
  EXPECT_TRUE(b.forwardHessAllowed && b.reverseAllowed && b.replayAllowed);
  const ProgBudget tight = Prog_estimateMemory(1, 10, 100, 50, 100 * 1024);
  EXPECT_FALSE(tight.forwardHessAllowed);
  EXPECT_TRUE(tight.reverseAllowed);
}

}  // namespace
