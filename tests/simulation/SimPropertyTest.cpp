// The distribution functions with property arguments, the property parser
// and the property functions called as the dispatcher calls them: trials
// and stored percentiles, malformed properties, matrix blocks and their
// handles, short sample vectors and the sample point of 1361.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <vector>

#include "simulation/functions/Sim_PropertyArgs.h"
#include "simulation/functions/Sim_PropertyLaws.h"
#include "simulation/random/Rand_Generator.h"
#include "tests/simulation/SimCaller.h"
#include "values/Vm_Status.h"

namespace {

// The property laws and functions called from the cell with its
// sampled-input number, matrix blocks with their source ranges, and results
// kept past the next call.
struct SimCalls : SimCaller {
  int32_t number = 0;

  Value* whole(int32_t x) { return values.integer(x); }
  Value* row(std::initializer_list<Value*> elements) { return values.row(elements); }
  Value* matrix(int rows, int columns, std::initializer_list<double> x, RangeRef source) {
    Value* a = values.grid(rows, columns, x);
    a->source = static_cast<RangeRef*>(std::malloc(sizeof(RangeRef)));
    *a->source = source;
    return a;
  }
  const Value* law(int32_t id, std::initializer_list<Value*> args) { return call(Sim_propertyLaw(id), args, number); }
  const Value* prop(int32_t id, std::initializer_list<Value*> args) {
    return call(Sim_propertyFunction(id), args, number);
  }
  // The result kept past the next call.
  Value* keep(const Value* r) { return Val_assign(values.make(), r); }
};

TEST_F(SimCalls, TrialsGiveNumbersOrSampleVectorsAndStoredRowsGiveTheirQuantiles) {
  EXPECT_EQ(law(1325, {num(3), num(1)})->kind, kValReal);
  sampled(1);
  EXPECT_EQ(law(1325, {num(3), num(1)})->kind, kValReal);
  sampled(5);
  const Value* v = law(1325, {num(3), num(1)});
  ASSERT_EQ(v->kind, kValSamples);
  EXPECT_EQ(samplesOf(v)->n, 5);
  // A sample-vector parameter gives draw i its sample i.
  v = law(1337, {samples({0, 10, 20, 30, 40}), samples({1, 11, 21, 31, 41})});
  for (int32_t i = 1; i <= 5; ++i)
    EXPECT_TRUE(samplesOf(v)->data[i] >= 10 * (i - 1) && samplesOf(v)->data[i] <= 10 * (i - 1) + 1);
  // Stored percentiles: the law's quantile at each, drawing nothing.
  CellReg_setCellCount(reg(), 1);
  const double row[] = {0, 0.5, 0.975, 0.025, 0.5, 0.5};
  CellReg_setTrialRow(reg(), 1, row, 5);
  number = 1;
  const int32_t stream = ctx->sampling.rand->stream.state;
  v = law(1325, {num(3), num(2)});
  EXPECT_NEAR(samplesOf(v)->data[1], 3, 1e-12);
  EXPECT_NEAR(samplesOf(v)->data[2], 3 + 2 * Rand_inverseNormal(0.975), 1e-12);
  EXPECT_NEAR(samplesOf(v)->data[3], 3 + 2 * Rand_inverseNormal(0.025), 1e-12);
  sampled(1);
  ctx->sampling.currentTrial = 2;
  EXPECT_NEAR(law(1325, {num(3), num(2)})->number, 3 + 2 * Rand_inverseNormal(0.975), 1e-12);
  EXPECT_EQ(ctx->sampling.rand->stream.state, stream);
}

// The triangle given by percentiles passes its five parameters in order:
// its bottom and top values lie at their percentiles (the triangle from 0
// to 10 with its mode at 5 has 2 at 8% and 8 at 92%).
TEST_F(SimCalls, TriangleByPercentilesTakesItsParametersInOrder) {
  sampled(2);
  CellReg_setCellCount(reg(), 1);
  const double row[] = {0, 0.08, 0.92};
  CellReg_setTrialRow(reg(), 1, row, 2);
  number = 1;
  const Value* v = law(1336, {num(2), num(5), num(8), num(8), num(92)});
  ASSERT_EQ(v->kind, kValSamples);
  EXPECT_NEAR(samplesOf(v)->data[1], 2, 1e-9);
  EXPECT_NEAR(samplesOf(v)->data[2], 8, 1e-9);
}

TEST_F(SimCalls, MalformedPropertiesGiveNumErrors) {
  sampled(3);
  EXPECT_TRUE(isError(law(1325, {num(0), num(1), row({whole(9), num(1), num(1)})}), kErrNum));    // equal bounds
  EXPECT_TRUE(isError(law(1325, {num(0), num(1), row({whole(9), num(2), num(1)})}), kErrNum));    // upper below lower
  EXPECT_TRUE(isError(law(1325, {num(0), num(1), row({num(8.5), num(1)})}), kErrNum));            // a real code
  EXPECT_TRUE(isError(law(1325, {num(0), num(1), row({whole(8), num(1), num(2)})}), kErrNum));    // shift of 3 columns
  EXPECT_TRUE(isError(law(1325, {num(0), num(1), row({whole(3), num(1), num(0.5)})}), kErrNum));  // no name
  // A scalar extra argument and an unknown code are skipped.
  EXPECT_EQ(law(1325, {num(0), num(1), num(7), row({whole(4), num(1)})})->kind, kValSamples);
  // Later properties of a code overwrite earlier ones.
  const Value* v = law(1337, {num(0), num(1), row({whole(8), num(5)}), row({whole(8), num(-5)})});
  for (int32_t i = 1; i <= 3; ++i) EXPECT_LE(samplesOf(v)->data[i], -4);
  // Errors among the parameters pass on; other kinds give "#num!".
  Value* err = values.error(kErrDiv0);
  EXPECT_TRUE(isError(law(1325, {num(0), err}), kErrDiv0));
  EXPECT_TRUE(isError(law(1325, {text(u"a"), num(1)}), kErrNum));
  EXPECT_TRUE(isError(law(1325, {num(0)}), kErrValue));  // too few parameters
  // Paired lists of different lengths.
  EXPECT_TRUE(isError(law(1307, {row({num(1), num(2)}), row({num(1)})}), kErrNA));
}

TEST_F(SimCalls, PropertyFunctionsOutsideRegistration) {
  EXPECT_EQ(prop(1353, {text(u"X"), num(0.5)})->number, 0);
  EXPECT_EQ(prop(1355, {text(u"X")})->kind, kValInt);
  EXPECT_EQ(prop(1352, {matrix(2, 2, {1, 0, 0, 1}, {1, 1, 2, 2, 3}), num(1)})->number, 0);
  EXPECT_EQ(prop(1360, {text(u"anything")})->number, 0);
  const Value* shift = prop(1358, {num(2.5)});
  ASSERT_EQ(shift->kind, kValArray);
  EXPECT_EQ(Val_at(shift, 0, 0)->kind, kValInt);
  EXPECT_EQ(Val_at(shift, 0, 1)->number, 2.5);
  Value* kept = keep(prop(1359, {num(1), num(2)}));
  EXPECT_EQ(kept->array->columns, 3);
  EXPECT_TRUE(isError(prop(1359, {num(1), text(u"x")}), kErrNum));
  // The name property is the number 0 here, and a distribution ignores it.
  Value* name = keep(prop(1355, {text(u"X")}));
  EXPECT_EQ(law(1325, {num(0), num(1), name})->kind, kValReal);
  EXPECT_TRUE(reg()->records.empty());
}

TEST_F(SimCalls, MatrixBlocksAreFoundAgainAndTheirHandlesChecked) {
  registration();
  const RangeRef source{1, 2, 2, 3, 3};
  EXPECT_TRUE(isError(prop(1352, {matrix(2, 2, {0.5, 0.3, 0.3, 1}, source), num(1)}), kErrNum));
  EXPECT_TRUE(isError(prop(1352, {matrix(2, 2, {1, 1.2, 1.2, 1}, source), num(1)}), kErrNum));
  Value* first = keep(prop(1352, {matrix(2, 2, {1, 0.3, 0.3, 1}, source), num(1)}));
  ASSERT_EQ(first->kind, kValArray);
  Value* second = keep(prop(1352, {matrix(2, 2, {1, 0.3, 0.3, 1}, source), num(2)}));
  ASSERT_EQ(reg()->correlations.size(), 1u);  // the same range, size and instance
  EXPECT_EQ(Val_at(first, 0, 1)->number, Val_at(second, 0, 1)->number);
  keep(prop(1352, {matrix(2, 2, {1, 0.3, 0.3, 1}, source), num(1), num(7)}));
  EXPECT_EQ(reg()->correlations.size(), 2u);  // another instance
  EXPECT_EQ(reg()->correlations[1]->subKey, 7u);
  // The distribution that receives the handle records its cell at the position.
  EXPECT_EQ(law(1325, {num(0), num(1), first})->kind, kValDegVec);
  EXPECT_EQ(reg()->correlations[0]->members[1], CellReg_cellKey(1, 3, 1));
  EXPECT_EQ(reg()->correlations[0]->matrix[1][2], 0.3);
  // A handle no block has, or a position outside the block, is refused.
  EXPECT_TRUE(isError(law(1325, {num(0), num(1), row({whole(2), whole(99), whole(1)})}), kErrNum));
  EXPECT_TRUE(isError(law(1325, {num(0), num(1), row({whole(2), whole(0), whole(1)})}), kErrNum));
  EXPECT_TRUE(isError(law(1325, {num(0), num(1), row({whole(2), whole(1), whole(3)})}), kErrNum));
  EXPECT_TRUE(isError(law(1325, {num(0), num(1), row({whole(2), whole(1), whole(0)})}), kErrNum));
  // A position beyond every whole number is held at the largest, outside the block.
  Value* far = keep(prop(1352, {matrix(2, 2, {1, 0.3, 0.3, 1}, source), num(1e20)}));
  EXPECT_EQ(Val_at(far, 0, 2)->number, 2147483647);
  EXPECT_TRUE(isError(law(1325, {num(0), num(1), far}), kErrNum));
  // A 1 x 1 matrix makes a block without members: no position lies in it.
  Value* single = keep(prop(1352, {matrix(1, 1, {1}, {1, 9, 9, 9, 9}), num(1)}));
  EXPECT_EQ(reg()->correlations.back()->dimension, 0);
  EXPECT_TRUE(isError(law(1325, {num(0), num(1), single}), kErrNum));
  // A matrix that is not read from a range has no key.
  Value* loose = matrix(2, 2, {1, 0, 0, 1}, source);
  std::free(loose->source);
  loose->source = nullptr;
  EXPECT_TRUE(isError(prop(1352, {loose, num(1)}), kErrNum));
}

TEST_F(SimCalls, NamedPairsAreBuiltOnce) {
  registration();
  CellRef other{1, 8, 2};
  SimCall named{&other, 0};
  Value* name = keep(prop(1355, {text(u"Demand")}));
  std::vector<const Value*> a = {num(10), num(2), name};
  Sim_propertyLaw(1325)(ctx->buffers.result, 3, a.data(), &named);
  EXPECT_EQ(*reg()->records[0]->name, u"Demand");
  EXPECT_TRUE(isError(prop(1353, {text(u"Demand"), num(1.5)}), kErrNum));
  EXPECT_TRUE(isError(prop(1353, {num(1), num(0.5)}), kErrValue));
  Value* pair = keep(prop(1353, {text(u"Demand"), num(-0.4)}));
  law(1322, {num(5), num(1), pair});
  law(1322, {num(5), num(1), pair});
  ASSERT_EQ(reg()->correlations.size(), 1u);
  EXPECT_TRUE(CellReg_hasPair(reg(), CellReg_cellKey(1, 3, 1), CellReg_cellKey(1, 8, 2)));
  EXPECT_EQ(reg()->correlations[0]->matrix[2][1], -0.4);
}

// A sample-vector parameter shorter than the trials would be read past its
// end: refused with status 42.
TEST_F(SimCalls, ShortSampleVectorsAreRefused) {
  sampled(5);
  EXPECT_TRUE(isError(law(1325, {samples({1, 2, 3}), num(1)}), kErrNum));
  EXPECT_EQ(ctx->errors.firstError, kStatusUnsupportedVector);
}

TEST_F(SimCalls, SampleParameterChecksItsPoint) {
  Value* a = values.grid(2, 3, {1, 2, 3, 4, 5, 6});
  ctx->sampling.sampleIndex = 0;
  EXPECT_TRUE(isError(prop(1361, {a}), kErrNA));  // no sample point
  ctx->sampling.sampleIndex = 4;
  EXPECT_EQ(prop(1361, {a})->number, 4);
  ctx->sampling.sampleIndex = 7;
  EXPECT_TRUE(isError(prop(1361, {a}), kErrNA));
  ctx->sampling.sampleIndex = -3;
  EXPECT_TRUE(isError(prop(1361, {a}), kErrNA));
  EXPECT_EQ(prop(1361, {num(2.5)})->number, 2.5);
  EXPECT_TRUE(isError(prop(1361, {}), kErrValue));
}

TEST(SimPropertyEntries, EveryMemberOfTheFamilyHasAnEntryAndItsLaw) {
  const int32_t missing[] = {1302, 1303, 1323, 1327, 1328, 1329, 1330, 1333};
  int members = 0;
  for (int32_t id = 1301; id <= 1338; ++id) {
    const bool absent = std::find(std::begin(missing), std::end(missing), id) != std::end(missing);
    EXPECT_EQ(Sim_entry(id) == nullptr, absent) << id;
    EXPECT_EQ(Sim_propertyLawCode(id) == 0, absent) << id;
    members += absent ? 0 : 1;
  }
  EXPECT_EQ(members, 30);
  EXPECT_EQ(Sim_propertyLawCode(1325), 31);
  EXPECT_EQ(Sim_propertyLawCode(1337), 45);
  for (int32_t id : {1352, 1353, 1355, 1357, 1358, 1359, 1360, 1361}) EXPECT_NE(Sim_entry(id), nullptr) << id;
  for (int32_t id : {1351, 1354, 1356}) EXPECT_EQ(Sim_entry(id), nullptr) << id;
}

}  // namespace
