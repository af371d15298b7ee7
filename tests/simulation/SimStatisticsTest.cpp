// The sample statistics called as the dispatcher calls them: their
// definitions on small data worked out by hand, their refusals, and the
// aggregate flag 1254 sets for its own call only.
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <vector>

#include "simulation/functions/Sim_Statistics.h"
#include "tests/simulation/SimCaller.h"
#include "values/Vm_Status.h"

namespace {

struct SimStatistics : SimCaller {
  // A one-row range of the numbers; NaN stands for a blank cell.
  Value* range(std::initializer_list<double> x) { return values.grid(1, static_cast<int>(x.size()), x); }
};

TEST_F(SimStatistics, DefinitionsOnSmallData) {
  Value* x = range({2, 4, 4, 10});
  EXPECT_EQ(call(1342, {x})->number, 5);
  EXPECT_EQ(call(1341, {x})->number, 10);
  EXPECT_EQ(call(1343, {x})->number, 2);
  EXPECT_EQ(call(1346, {x})->number, 8);
  EXPECT_EQ(call(1344, {x})->number, 4);
  EXPECT_DOUBLE_EQ(call(1350, {x})->number, 12);  // (9 + 1 + 1 + 25) / 3
  EXPECT_DOUBLE_EQ(call(1348, {x})->number, std::sqrt(12.0));
  EXPECT_DOUBLE_EQ(call(1345, {x, num(0.5)})->number, 4);
  EXPECT_DOUBLE_EQ(call(1345, {x, num(0.9)})->number, 4 + 6 * 0.7);
  // S d^3 / (n v^1.5) with d = -3, -1, -1, 5 and v = 12.
  EXPECT_DOUBLE_EQ(call(1347, {x})->number, (-27 - 1 - 1 + 125) / (4 * std::pow(12.0, 1.5)));
  EXPECT_DOUBLE_EQ(call(1340, {x})->number, (81 + 1 + 1 + 625) / (4 * 144.0) - 3);
  Value* y = range({1, 2, 3});
  EXPECT_EQ(call(1339, {y, num(3.9)})->number, 3);
  EXPECT_TRUE(isError(call(1339, {y, num(0)}), kErrNum));
  EXPECT_TRUE(isError(call(1339, {y, num(4)}), kErrNum));
  EXPECT_DOUBLE_EQ(call(1349, {y, num(2)})->number, 1 / 3.0);  // the sample at the target is not below
  EXPECT_EQ(call(1342, {num(7)})->number, 7);
}

TEST_F(SimStatistics, RefusalsAndEmptyData) {
  Value* empty = range({NAN, NAN, NAN});
  const Value* mean = call(1342, {empty});
  EXPECT_EQ(mean->kind, kValReal);
  EXPECT_TRUE(std::isnan(mean->number));
  EXPECT_TRUE(std::isnan(call(1349, {empty, num(1)})->number));
  EXPECT_TRUE(isError(call(1254, {empty, num(2)}), kErrNum));
  Value* err = values.error(kErrNA);
  EXPECT_TRUE(isError(call(1345, {range({1, 2}), err}), kErrNA));
  EXPECT_TRUE(isError(call(1345, {range({1, 2}), range({1})}), kErrNum));
  EXPECT_EQ(call(1342, {range({1, NAN})})->number, 1);  // a blank cell is skipped
  EXPECT_TRUE(isError(call(1342, {err}), kErrNA));
  EXPECT_TRUE(isError(call(1345, {range({1, 2})}), kErrValue));  // too few arguments
  // A sample vector counts only when the context aggregates.
  EXPECT_TRUE(isError(call(1342, {samples({1, 2, 3})}), kErrValue));
  ctx->flags.aggregate = 1;
  EXPECT_EQ(call(1342, {samples({1, 2, 3})})->number, 2);
}

TEST_F(SimStatistics, SelectorStatistic) {
  ctx->sampling.trialCount = 3;
  Value* s = samples({1, 2, 4});
  EXPECT_EQ(call(1254, {s, num(2)})->number, 7 / 3.0);
  EXPECT_EQ(call(1254, {s, num(1)})->number, 3);
  EXPECT_EQ(call(1254, {range({5, 6, 7, 8, 9}), num(1.7)})->number, 3);  // the trials, not the data's count
  EXPECT_EQ(call(1254, {s, num(10)})->number, 1);
  EXPECT_EQ(call(1254, {s, num(11)})->number, 4);
  EXPECT_EQ(call(1254, {s, num(12)})->number, 3);
  EXPECT_DOUBLE_EQ(call(1254, {s, num(6)})->number, 7 / 3.0);
  EXPECT_DOUBLE_EQ(call(1254, {s, num(13)})->number, std::sqrt((14 / 9.0) / 3));
  for (double selector : {3.0, 9.0, 0.0, 14.0, 1e20}) EXPECT_TRUE(isError(call(1254, {s, num(selector)}), kErrNum));
  EXPECT_TRUE(isError(call(1254, {s, num(4)}), kErrNum));  // no value repeats: the mode is undefined
  EXPECT_EQ(ctx->flags.aggregate, 0);
  // The flag is left as found also when the data is an error.
  Value* err = values.error(kErrRef);
  EXPECT_TRUE(isError(call(1254, {err, num(2)}), kErrRef));
  EXPECT_EQ(ctx->flags.aggregate, 0);
  ctx->flags.aggregate = 1;
  call(1254, {err, num(2)});
  EXPECT_EQ(ctx->flags.aggregate, 1);
}

// 1254 reads its selector only when it is given; a short sample vector is
// refused by every statistic instead of being read past its end.
TEST_F(SimStatistics, MissingSelectorAndShortSamples) {
  ctx->sampling.trialCount = 5;
  EXPECT_TRUE(isError(call(1254, {samples({1, 2, 3, 4, 5})}), kErrValue));
  EXPECT_TRUE(isError(call(1254, {samples({1, 2, 3}), num(2)}), kErrNum));
  EXPECT_EQ(ctx->errors.firstError, kStatusUnsupportedVector);
  ctx->flags.aggregate = 1;
  EXPECT_TRUE(isError(call(1342, {samples({1, 2, 3})}), kErrNum));
  EXPECT_EQ(call(1342, {samples({1, 2, 3, 4, 5})})->number, 3);
}

TEST_F(SimStatistics, RegistrationMarksDependenceOnly) {
  registration();
  Value* uncertain = Val_setKind(values.make(), kValDegVec);
  EXPECT_EQ(call(1254, {uncertain, num(2)})->kind, kValDegVec);
  const Value* plain = call(1254, {num(3), num(2)});
  EXPECT_EQ(plain->kind, kValInt);
  EXPECT_EQ(plain->number, 0);
  EXPECT_EQ(ctx->flags.aggregate, 0);
}

}  // namespace
