// Normalisation of the front end's relation codes, with the flags and the
// alldifferent and cone counters it adds.
#include <gtest/gtest.h>

#include "excel/Names_Model.h"
#include "tests/excel/TestRefs.h"

namespace {

struct Normalised {
  int ok, relation;
  unsigned flags;
};

Normalised normalise(int code, ModelCounts* counts, XLOPER* lhs = nullptr) {
  ConstraintRecord record;
  record.lhs = lhs;
  record.relation = code;
  int ok = Names_normaliseRelation(&record, counts);
  return {ok, record.relation, record.flags};
}

}  // namespace

TEST(NamesRelation, EveryFrontEndCode) {
  const Normalised expected[] = {
      {1, 1, 0},    {1, 2, 0},    {1, 3, 0},    {1, 4, 0},    {1, 4, 0x10}, {1, 4, 0x20},
      {1, 5, 0x10}, {1, 5, 0x20}, {1, 1, 0x8},  {1, 2, 0x8},  {1, 3, 0x8},
  };
  for (int code = 1; code <= 11; ++code) {
    ModelCounts counts;
    Normalised got = normalise(code, &counts);
    EXPECT_EQ(got.ok, 1) << code;
    EXPECT_EQ(got.relation, expected[code - 1].relation) << code;
    EXPECT_EQ(got.flags, expected[code - 1].flags) << code;
  }
}

TEST(NamesRelation, UnknownCodesFail) {
  ModelCounts counts;
  for (int code : {0, 12, -1, 100}) EXPECT_EQ(normalise(code, &counts).ok, 0) << code;
}

TEST(NamesRelation, AllDifferentAndConeRowsAreCounted) {
  ModelCounts counts;
  TestRef four({"A1:D1"}), three({"A3:A5"}), two({"B7:C7"});
  normalise(6, &counts, four.get());
  normalise(6, &counts, three.get());
  normalise(7, &counts, two.get());
  normalise(8, &counts, three.get());
  normalise(5, &counts, four.get());     // binary rows count nothing
  EXPECT_EQ(counts.allDifferentGroups, 2);
  EXPECT_EQ(counts.allDifferentCells, 7);
  EXPECT_EQ(counts.cones, 2);
  EXPECT_EQ(counts.coneCells, 5);
}
