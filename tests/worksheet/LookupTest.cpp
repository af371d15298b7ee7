// The lookup and reference functions: their edge cases, the approximate
// search past the last key, tables holding errors, and the element chosen
// with constant keys carrying its own derivative and dependency class.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "arithmetic/operators/Op_Operators.h"
#include "tests/worksheet/TestCaller.h"
#include "values/DegVec_Payload.h"
#include "values/Fn_Ids.h"
#include "values/Grad_Payload.h"
#include "values/Text_Convert.h"

namespace {

TEST(Lookup, ApproximateSearchPastTheLastKeyGivesTheLastRow) {
  Caller c;
  const Value* table = c.grid(3, 2, {1, 10, 2, 20, 3, 30});
  EXPECT_EQ(numberOf(c.call(kIdVlookup, {c.num(10), table, c.num(2), c.boolean(true)})), 30);
  EXPECT_EQ(numberOf(c.call(kIdVlookup, {c.num(10), table, c.num(1)})), 3);
  EXPECT_EQ(numberOf(c.call(kIdHlookup, {c.num(7), c.grid(2, 3, {1, 2, 3, 4, 5, 6}), c.num(2)})), 6);
  EXPECT_EQ(numberOf(c.call(kIdMatch, {c.num(99), c.grid(1, 4, {1, 2, 3, 4})})), 4);
  EXPECT_EQ(numberOf(c.call(kIdMatch, {c.num(-5), c.grid(4, 1, {4, 3, 2, 1}), c.num(-1)})), 4);
  EXPECT_EQ(numberOf(c.call(kIdLookup, {c.num(9), c.grid(3, 1, {1, 2, 3}), c.grid(3, 1, {7, 8, 9})})), 9);
  // Below the first key nothing is found.
  EXPECT_TRUE(isError(c.call(kIdVlookup, {c.num(0.5), table, c.num(2)}), kErrNA));
}

TEST(Lookup, TableLookupsOfTheEdgeCases) {
  Caller c;
  const Value* lettered = c.array(2, 2, {c.text(u"A"), c.num(1), c.text(u"B"), c.num(2)});
  EXPECT_EQ(numberOf(c.call(kIdVlookup, {c.text(u"b"), lettered, c.num(2), c.boolean(false)})), 2);
  EXPECT_EQ(numberOf(c.call(kIdVlookup, {c.text(u"b"), lettered, c.num(2), c.boolean(true)})), 2);
  // An exact match anywhere wins in unsorted data.
  const Value* unsorted = c.grid(3, 2, {5, 50, 1, 10, 3, 30});
  EXPECT_EQ(numberOf(c.call(kIdVlookup, {c.num(3), unsorted, c.num(2)})), 30);
  const Value* table = c.grid(3, 2, {1, 10, 2, 20, 3, 30});
  EXPECT_EQ(numberOf(c.call(kIdVlookup, {c.num(2.5), table, c.num(2)})), 20);
  EXPECT_TRUE(isError(c.call(kIdVlookup, {c.num(2), table, c.num(0)}), kErrValue));
  EXPECT_TRUE(isError(c.call(kIdVlookup, {c.num(99), table, c.num(3), c.boolean(false)}), kErrRef));
  // Texts never match numbers.
  EXPECT_TRUE(isError(c.call(kIdVlookup, {c.text(u"1"), table, c.num(2), c.boolean(false)}), kErrNA));
  // LOOKUP of a wide array searches its first row and answers from its last.
  EXPECT_EQ(numberOf(c.call(kIdLookup, {c.num(2), c.grid(2, 3, {1, 2, 3, 4, 5, 6})})), 5);
  EXPECT_EQ(numberOf(c.call(kIdLookup, {c.num(2), c.grid(3, 2, {1, 4, 2, 5, 3, 6})})), 5);
  // MATCH: only the type's sign tells the search (2 searches as 1, -2.5 as
  // -1); a type that is no whole number is #VALUE!; a two-dimensional range
  // finds nothing.
  EXPECT_EQ(numberOf(c.call(kIdMatch, {c.num(3), c.grid(1, 3, {1, 3, 5}), c.num(2)})), 2);
  EXPECT_EQ(numberOf(c.call(kIdMatch, {c.num(4), c.grid(1, 3, {1, 3, 5}), c.num(2)})), 2);
  EXPECT_EQ(numberOf(c.call(kIdMatch, {c.num(4), c.grid(1, 3, {5, 3, 1}), c.num(-2.5)})), 1);
  EXPECT_TRUE(isError(c.call(kIdMatch, {c.num(4), c.grid(1, 3, {1, 3, 5}), c.num(1e300)}), kErrValue));
  EXPECT_TRUE(isError(c.call(kIdMatch, {c.num(1), c.grid(2, 2, {1, 2, 3, 4}), c.num(0)}), kErrNA));
  // An exact search takes '*' and '?' as wildcards; an approximate one does not.
  const Value* fruit =
      c.array(3, 2, {c.text(u"apple"), c.num(1), c.text(u"banana"), c.num(2), c.text(u"cherry"), c.num(3)});
  EXPECT_EQ(numberOf(c.call(kIdVlookup, {c.text(u"BAN*"), fruit, c.num(2), c.boolean(false)})), 2);
  EXPECT_EQ(textOf(c.call(kIdHlookup,
                          {c.text(u"ch?rry"), c.array(1, 3, {c.text(u"apple"), c.text(u"banana"), c.text(u"cherry")}),
                           c.num(1), c.num(0)})),
            "cherry");
  EXPECT_EQ(
      numberOf(c.call(kIdMatch, {c.text(u"ch?rry"),
                                 c.array(1, 3, {c.text(u"apple"), c.text(u"banana"), c.text(u"cherry")}), c.num(0)})),
      3);
  EXPECT_EQ(numberOf(c.call(kIdVlookup, {c.text(u"b*"), fruit, c.num(2), c.boolean(true)})), 1);
  const Value* match =
      c.call(kIdMatch, {c.text(u"C"), c.array(1, 3, {c.text(u"a"), c.text(u"b"), c.text(u"c")}), c.num(0)});
  EXPECT_EQ(match->kind, kValInt);
  EXPECT_EQ(match->number, 3);
}

TEST(Lookup, ErrorsInATableSpoilOnlyTheirOwnRows) {
  Caller c;
  const Value* na = c.values.error(kErrNA);
  const Value* table = c.array(3, 2, {c.num(1), c.num(10), na, c.num(20), c.num(3), na});
  EXPECT_EQ(numberOf(c.call(kIdVlookup, {c.num(1), table, c.num(2), c.boolean(false)})), 10);
  EXPECT_TRUE(isError(c.call(kIdVlookup, {c.num(3), table, c.num(2), c.boolean(false)}), kErrNA));
  EXPECT_EQ(numberOf(c.call(kIdMatch, {c.num(3), c.array(3, 1, {na, c.num(0), c.num(3)}), c.num(0)})), 3);
  // An error among the keys themselves is the result.
  EXPECT_TRUE(isError(c.call(kIdVlookup, {c.values.error(kErrDiv0), table, c.num(2)}), kErrDiv0));
}

TEST(Lookup, IndexChooseAndTheirShapes) {
  Caller c;
  const Value* square = c.grid(2, 2, {1, 2, 3, 4});
  // A table's row needs its column index (0 for the whole row); one index
  // alone cannot pick an element of a table, but its own fault comes first.
  const Value* row = c.call(kIdIndex, {square, c.num(2), c.num(0)});
  ASSERT_EQ(row->kind, kValArray);
  EXPECT_EQ(row->array->rows, 1);
  EXPECT_EQ(Val_at(row, 0, 0)->number, 3);
  EXPECT_EQ(Val_at(row, 0, 1)->number, 4);
  for (double k : {0.0, 1.0, 2.0, 3.0}) EXPECT_TRUE(isError(c.call(kIdIndex, {square, c.num(k)}), kErrRef)) << k;
  EXPECT_TRUE(isError(c.call(kIdIndex, {square, c.text(u"x")}), kErrValue));
  EXPECT_TRUE(isError(c.call(kIdIndex, {square, c.values.error(kErrDiv0)}), kErrDiv0));
  EXPECT_EQ(numberOf(c.call(kIdIndex, {c.grid(1, 3, {5, 6, 7}), c.num(3)})), 7);
  const Value* whole = c.call(kIdIndex, {square, c.num(0), c.num(0)});
  ASSERT_EQ(whole->kind, kValArray);
  EXPECT_EQ(whole->array->rows * whole->array->columns, 4);
  // One index 0 of a single column is the whole column.
  const Value* column = c.call(kIdIndex, {c.grid(3, 1, {5, 6, 7}), c.num(0)});
  ASSERT_EQ(column->kind, kValArray);
  EXPECT_EQ(column->array->rows, 3);
  EXPECT_EQ(Val_at(column, 2, 0)->number, 7);
  EXPECT_EQ(numberOf(c.call(kIdIndex, {square, c.num(2), c.num(1)})), 3);
  EXPECT_TRUE(isError(c.call(kIdIndex, {square, c.num(3), c.num(1)}), kErrRef));
  // A one-column range as an index: the element in the formula cell's row.
  Value* indexes = c.grid(3, 1, {9, 2, 9});
  RangeRef source{1, 4, 2, 6, 2};
  indexes->source = new RangeRef(source);
  EXPECT_EQ(numberOf(c.call(kIdIndex, {c.grid(3, 1, {5, 6, 7}), indexes})), 6);
  c.cell.row = 9;
  EXPECT_TRUE(isError(c.call(kIdIndex, {c.grid(3, 1, {5, 6, 7}), indexes}), kErrValue));
  delete indexes->source;
  indexes->source = nullptr;
  EXPECT_EQ(textOf(c.call(kIdChoose, {c.num(2.9), c.text(u"a"), c.text(u"b")})), "b");
  EXPECT_TRUE(isError(c.call(kIdChoose, {c.num(3), c.text(u"a"), c.text(u"b")}), kErrValue));
  EXPECT_TRUE(isError(c.call(kIdChoose, {c.text(u"x"), c.text(u"a"), c.text(u"b")}), kErrValue));
  EXPECT_EQ(numberOf(c.call(kIdChoose, {c.num(1), c.num(5), c.values.error(kErrDiv0)})), 5);
}

TEST(Lookup, AddressRowsColumnsAreasAndTranspose) {
  Caller c;
  auto address = [&](std::vector<const Value*> args) { return textOf(c.call(kIdAddress, args)); };
  EXPECT_EQ(address({c.num(1), c.num(1)}), "$A$1");
  EXPECT_EQ(address({c.num(3), c.num(28), c.num(2)}), "AB$3");
  EXPECT_EQ(address({c.num(3), c.num(28), c.num(4), c.boolean(false)}), "R[3]C[28]");
  EXPECT_EQ(address({c.num(1), c.num(1), c.num(9)}), "$A$1");
  EXPECT_EQ(address({c.num(1), c.num(1), c.num(1), c.boolean(true), c.text(u"My Sheet")}), "'My Sheet'!$A$1");
  EXPECT_EQ(address({c.num(1), c.num(1), c.num(1), c.boolean(true), c.text(u"Data")}), "Data!$A$1");
  EXPECT_EQ(address({c.num(1), c.num(1), c.num(1), c.boolean(true), c.num(5)}), "'5'!$A$1");
  EXPECT_TRUE(isError(c.call(kIdAddress, {c.num(1), c.num(257)}), kErrValue));
  // A single value is neither a range nor an array: no rows or columns to
  // count; an error passes on.
  for (int32_t id : {kIdRows, kIdColumns}) {
    EXPECT_TRUE(isError(c.call(id, {c.num(5)}), kErrValue)) << id;
    EXPECT_TRUE(isError(c.call(id, {c.text(u"x")}), kErrValue)) << id;
    EXPECT_TRUE(isError(c.call(id, {c.values.error(kErrDiv0)}), kErrDiv0)) << id;
  }
  EXPECT_EQ(numberOf(c.call(kIdAreas, {c.num(5)})), 1);
  EXPECT_EQ(numberOf(c.call(kIdColumn, {})), 3);
  EXPECT_EQ(numberOf(c.call(kIdRow, {})), 5);
  EXPECT_EQ(numberOf(c.call(kIdColumns, {c.grid(2, 4, {1, 2, 3, 4, 5, 6, 7, 8})})), 4);
  // ROW over several rows in an array formula is a column of row numbers.
  Value* range = c.grid(3, 1, {0, 0, 0});
  range->source = new RangeRef{1, 4, 2, 6, 2};
  EXPECT_EQ(numberOf(c.call(kIdRow, {range})), 4);
  c.arrayFormula = true;
  const Value* rows = c.call(kIdRow, {range});
  ASSERT_EQ(rows->kind, kValArray);
  EXPECT_EQ(rows->array->rows, 3);
  EXPECT_EQ(rows->array->columns, 1);
  EXPECT_EQ(Val_at(rows, 2, 0)->number, 6);
  delete range->source;
  range->source = nullptr;
  const Value* t = c.call(kIdTranspose, {c.grid(1, 2, {1, 2})});
  ASSERT_EQ(t->kind, kValArray);
  EXPECT_EQ(t->array->rows, 2);
  EXPECT_EQ(Val_at(t, 1, 0)->number, 2);
  // Outside an array formula the transposed block still comes back; the
  // cell shows its first element, as the worksheet's does.
  c.arrayFormula = false;
  const Value* plain = c.call(kIdTranspose, {c.grid(1, 2, {1, 2})});
  ASSERT_EQ(plain->kind, kValArray);
  EXPECT_EQ(Val_at(plain, 0, 0)->number, 1);
}

// f(x) = a lookup over elements x1 x2, x2 x3 and x3 x1 with constant keys,
// plain or with gradients; the gradient is the chosen element's own.
using Pick = std::function<const Value*(Caller&, const Value* elements)>;

double plainPick(const Pick& pick, std::vector<double> x) {
  Caller c;
  const Value* e = c.grid(1, 3, {x[0] * x[1], x[1] * x[2], x[2] * x[0]});
  return numberOf(pick(c, e));
}

void checkGradient(const char* label, const Pick& pick) {
  const std::vector<double> x = {1.3, -0.7, 2.1};
  Caller c;
  c.ctx->flags.mode = kModeGrad;
  Grad_init(c.ctx->buffers.gradBuffer, 3, c.ctx);
  std::vector<Value*> vars;
  for (int i = 0; i < 3; ++i) {
    GradValue g{};
    Grad_init(&g, 3, c.ctx);
    Grad_setVar(&g, x[static_cast<size_t>(i)], i + 1);
    vars.push_back(Val_setGrad(c.values.make(), &g));
    vars.back()->context = c.ctx;
    Grad_free(&g);
  }
  std::vector<const Value*> products;
  for (int i = 0; i < 3; ++i) {
    Value* p = c.values.make();
    const Value r = Op_mul(*vars[static_cast<size_t>(i)], *vars[static_cast<size_t>((i + 1) % 3)]);
    Val_assign(p, &r);
    products.push_back(p);
  }
  const Value* r = pick(c, c.array(1, 3, products));
  ASSERT_EQ(r->kind, kValGrad) << label;
  const auto* g = static_cast<const GradValue*>(r->payload);
  EXPECT_NEAR(g->value, plainPick(pick, x), 1e-12) << label;
  const double h = 1e-6;
  for (int j = 0; j < 3; ++j) {
    std::vector<double> up = x, down = x;
    up[static_cast<size_t>(j)] += h;
    down[static_cast<size_t>(j)] -= h;
    const double d = (plainPick(pick, up) - plainPick(pick, down)) / (2 * h);
    EXPECT_NEAR(g->gradient[j + 1], d, 1e-6) << label << " d/dx" << j + 1;
  }
}

TEST(Lookup, GradientsThroughALookupAgreeWithCentralDifferences) {
  checkGradient("hlookup", [](Caller& c, const Value* e) {
    const Value* table =
        c.array(2, 3, {c.num(1), c.num(2), c.num(3), Val_at(e, 0, 0), Val_at(e, 0, 1), Val_at(e, 0, 2)});
    return c.call(kIdHlookup, {c.num(2.5), table, c.num(2)});
  });
  checkGradient("vlookup", [](Caller& c, const Value* e) {
    const Value* table =
        c.array(3, 2, {c.text(u"a"), Val_at(e, 0, 0), c.text(u"b"), Val_at(e, 0, 1), c.text(u"c"), Val_at(e, 0, 2)});
    return c.call(kIdVlookup, {c.text(u"C"), table, c.num(2), c.boolean(false)});
  });
  checkGradient("index", [](Caller& c, const Value* e) { return c.call(kIdIndex, {e, c.num(1), c.num(2)}); });
  checkGradient("choose", [](Caller& c, const Value* e) {
    return c.call(kIdChoose, {c.num(3), Val_at(e, 0, 0), Val_at(e, 0, 1), Val_at(e, 0, 2)});
  });
  checkGradient("lookup", [](Caller& c, const Value* e) {
    return c.call(kIdLookup, {c.num(1), c.grid(1, 3, {0, 1, 2}), e});
  });
}

// Dependency classes: constant keys give the chosen element's own class; a
// key that depends on a variable makes the result non-smooth.
TEST(Lookup, AKeyOnAVariableIsNonSmoothAndAConstantKeyKeepsTheElementsClass) {
  Caller c;
  c.ctx->flags.mode = kModeDegVec;
  auto variable = [&](int p) {
    DegVec d{};
    DegVec_init(&d, 2);
    DegVec_setVar(&d, p);
    Value* v = Val_setDegVec(c.values.make(), &d);
    v->context = c.ctx;
    DegVec_free(&d);
    return v;
  };
  auto classes = [](const Value* r) {
    const auto* d = static_cast<const DegVec*>(r->payload);
    return std::vector<int32_t>{d->classes[1], d->classes[2]};
  };
  const Value* x1 = variable(1);
  const Value* x2 = variable(2);
  const Value* table = c.array(2, 2, {c.num(1), x1, c.num(2), x2});
  const Value* r = c.call(kIdVlookup, {c.num(2), table, c.num(2)});
  ASSERT_EQ(r->kind, kValDegVec);
  EXPECT_EQ(classes(r), (std::vector<int32_t>{kDegIndependent, kDegLinear}));
  r = c.call(kIdIndex, {c.array(1, 2, {x1, x2}), c.num(1)});
  ASSERT_EQ(r->kind, kValDegVec);
  EXPECT_EQ(classes(r), (std::vector<int32_t>{kDegLinear, kDegIndependent}));
  r = c.call(kIdVlookup, {x1, table, c.num(2)});
  ASSERT_EQ(r->kind, kValDegVec);
  EXPECT_EQ(classes(r)[0], kDegNonSmooth);
  r = c.call(kIdIndex, {c.grid(1, 2, {5, 6}), x2});
  ASSERT_EQ(r->kind, kValDegVec);
  EXPECT_EQ(classes(r)[1], kDegNonSmooth);
  r = c.call(kIdChoose, {x1, c.num(5), c.num(6)});
  ASSERT_EQ(r->kind, kValDegVec);
  EXPECT_EQ(classes(r)[0], kDegNonSmooth);
  r = c.call(kIdMatch, {x2, c.grid(1, 2, {5, 6})});
  ASSERT_EQ(r->kind, kValDegVec);
  EXPECT_EQ(classes(r)[1], kDegNonSmooth);
}

}  // namespace
