// The collect modes of the argument collectors, the pairs, the matrices and
// the index sort.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/support/TestValues.h"
#include "values/Vm_Context.h"
#include "worksheet/numeric/Num_Gather.h"

namespace {

std::vector<double> gathered(const Value* arg, int32_t mode, bool* ok, Value* result) {
  std::vector<double> out;
  *ok = Num_gatherNumbers(arg, mode, &out, result);
  return out;
}

TEST(Gather, BlanksCountAsTheModeSays) {
  TestValues t;
  Value* r = t.make();
  Value* range = t.grid(1, 3, {1, NAN, 3});
  bool ok = false;
  EXPECT_EQ(gathered(range, kCollectLenient, &ok, r), (std::vector<double>{0, 1, 3}));
  EXPECT_TRUE(ok);
  EXPECT_EQ(r->kind, kValBool);
  EXPECT_EQ(gathered(range, kCollectRangeBlanks, &ok, r), (std::vector<double>{0, 1, 0, 3}));
  EXPECT_EQ(gathered(range, kCollectBlanksAsZero, &ok, r), (std::vector<double>{0, 1, 0, 3}));
  EXPECT_EQ(gathered(t.make(), kCollectBlanksAsZero, &ok, r), (std::vector<double>{0, 0}));
  EXPECT_EQ(gathered(t.make(), kCollectRangeBlanks, &ok, r), (std::vector<double>{0}));
}

TEST(Gather, TextsAreSkippedOrRefused) {
  TestValues t;
  Value* r = t.make();
  bool ok = true;
  EXPECT_TRUE(gathered(t.text(u"x"), kCollectLenient, &ok, r).empty());
  EXPECT_FALSE(ok);
  EXPECT_TRUE(isError(r, kErrValue));
  gathered(t.text(u"x"), kCollectStrictNum, &ok, r);
  EXPECT_TRUE(isError(r, kErrNum));
  Value* range = t.row({t.num(1), t.text(u"x"), t.num(2)});
  EXPECT_EQ(gathered(range, kCollectLenient, &ok, r), (std::vector<double>{0, 1, 2}));
  EXPECT_EQ(gathered(range, kCollectSkipTexts, &ok, r), (std::vector<double>{0, 1, 2}));
  gathered(range, kCollectStrict, &ok, r);
  EXPECT_TRUE(isError(r, kErrValue));
  gathered(t.row({t.text(u"x")}), kCollectLenient, &ok, r);  // a one-cell range
  EXPECT_TRUE(isError(r, kErrValue));
}

TEST(Gather, TheFirstErrorOfARangeIsTheResult) {
  TestValues t;
  Value* r = t.make();
  bool ok = true;
  const std::vector<double> out =
      gathered(t.row({t.num(1), t.error(kErrDiv0), t.error(kErrNA)}), kCollectLenient, &ok, r);
  EXPECT_FALSE(ok);
  EXPECT_TRUE(out.empty());
  EXPECT_TRUE(isError(r, kErrDiv0));
}

TEST(Gather, ArgumentsOneByOneAndJoined) {
  TestValues t;
  Value* r = t.make();
  std::vector<std::vector<double>> perArg;
  const Value* args[] = {t.num(5), t.grid(2, 1, {6, 7}), t.make(), t.boolean(true)};
  ASSERT_TRUE(Num_gatherArgNumbers(4, args, kCollectSkipTexts, &perArg, r));
  ASSERT_EQ(perArg.size(), 5u);
  EXPECT_TRUE(perArg[3].empty());
  EXPECT_EQ(Num_flattenArrays(perArg), (std::vector<double>{0, 5, 6, 7}));
  EXPECT_FALSE(Num_gatherArgNumbers(4, args, kCollectStrictNum, &perArg, r));
  EXPECT_TRUE(isError(r, kErrNum));
  EXPECT_TRUE(perArg.empty());
}

TEST(Gather, PairsFollowEachShapeInRowOrder) {
  TestValues t;
  Value* r = t.make();
  std::vector<double> xs, ys;
  Value* wide = t.grid(2, 3, {1, 2, 3, 4, 5, 6});
  Value* tall = t.grid(3, 2, {10, 20, 30, 40, 50, 60});
  ASSERT_TRUE(Num_gatherPairs(wide, tall, kCollectLenient, &xs, &ys, r));
  EXPECT_EQ(xs, (std::vector<double>{0, 1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(ys, (std::vector<double>{0, 10, 20, 30, 40, 50, 60}));
  EXPECT_FALSE(Num_gatherPairs(wide, t.grid(3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9}), kCollectLenient, &xs, &ys, r));
  EXPECT_TRUE(isError(r, kErrNA));
  EXPECT_FALSE(Num_gatherPairs(t.grid(1, 2, {NAN, NAN}), t.grid(1, 2, {1, 2}), kCollectLenient, &xs, &ys, r));
  EXPECT_TRUE(isError(r, kErrDiv0));
  ASSERT_TRUE(Num_gatherPairs(t.grid(1, 2, {NAN, 3}), t.grid(1, 2, {1, 2}), kCollectRangeBlanks, &xs, &ys, r));
  EXPECT_EQ(xs, (std::vector<double>{0, 0, 3}));
  EXPECT_FALSE(Num_gatherPairs(t.num(1), t.text(u"2"), kCollectLenient, &xs, &ys, r));
  EXPECT_TRUE(isError(r, kErrValue));
}

TEST(Gather, ValuesAreCopiedWhole) {
  TestValues t;
  Value* r = t.make();
  NumValues out;
  ASSERT_TRUE(Num_gatherValues(t.row({t.num(2), t.make(), t.integer(4)}), kCollectBlanksAsZero, &out, r));
  ASSERT_EQ(out.items.size(), 4u);
  EXPECT_EQ(out.items[2].kind, kValReal);
  EXPECT_EQ(out.items[3].kind, kValInt);
  EXPECT_EQ(out.items[3].number, 4);
}

TEST(Gather, Matrices) {
  TestValues t;
  NumMatrix m;
  int32_t rows = 0, columns = 0;
  ASSERT_TRUE(Num_valueToMatrix(t.grid(2, 2, {1, NAN, 3, 4}), &m, &rows, &columns));
  EXPECT_EQ(rows, 2);
  EXPECT_EQ(m[2][1], 3);
  EXPECT_EQ(m[1][2], 0);
  EXPECT_FALSE(Num_valueToMatrix(t.row({t.num(1), t.text(u"x")}), &m, &rows, &columns));
  EXPECT_EQ(rows, 0);
  ASSERT_TRUE(Num_arrayToMatrix(t.row({t.num(1), t.text(u"x"), t.boolean(true)}), &m, &rows, &columns));
  EXPECT_EQ(m[0][1], 3);
  EXPECT_EQ(m[1][0], 1);
  EXPECT_EQ(m[1][1], 1);
  EXPECT_TRUE(std::isnan(m[1][2]));
  EXPECT_EQ(m[1][3], 1);
  EXPECT_FALSE(Num_arrayToMatrix(t.num(1), &m, &rows, &columns));
}

TEST(IndexSort, OrdersEveryLengthAndKeepsTies) {
  for (int32_t n : {0, 1, 7, 8, 9, 50, 1000}) {
    std::vector<double> values(static_cast<size_t>(n) + 1, 0.0);
    for (int32_t i = 1; i <= n; ++i) values[static_cast<size_t>(i)] = (i * 7919) % 101 / 4.0;
    std::vector<uint32_t> index(static_cast<size_t>(n) + 1, 0);
    ASSERT_TRUE(Num_indexSort(n, values.data(), index.data())) << n;
    std::vector<uint32_t> seen(index.begin() + 1, index.end());
    std::sort(seen.begin(), seen.end());
    for (int32_t i = 1; i <= n; ++i) ASSERT_EQ(seen[static_cast<size_t>(i) - 1], static_cast<uint32_t>(i));
    for (int32_t i = 2; i <= n; ++i) ASSERT_LE(values[index[i - 1]], values[index[i]]) << n;
  }
}

}  // namespace
