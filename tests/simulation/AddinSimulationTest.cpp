// Simulation models of other add-ins, loaded into the interpreter's model:
// outputs and a parameter listed in defined names, per-sheet definitions of
// forecasts, assumptions (laws and parameters), correlations and decisions,
// cells calling output statistics; malformed definitions stop the load with
// a report naming the definition.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "interpreter/Eval_Interface.h"
#include "interpreter/Prog_Program.h"
#include "simulation/registry/CellReg_Registry.h"
#include "tests/support/AddinLoad.h"
#include "values/Smp_Payload.h"

namespace {

class AddinSimulationTest : public AddinLoadTest {
 protected:
  // Runs item i's cells over n trials; the samples of its cell.
  std::vector<double> sample(size_t i, int32_t n) {
    ctx->flags.mode = kModeSamples;
    ctx->flags.incremental = 0;
    ctx->sampling.trialCount = n;
    ctx->sampling.registerUncertain = 0;
    Smp_init(ctx->sampling.sampleBuffer, n, ctx);
    return samplesOf(Prog_runChain(ctx->tables.program, ctx->tables.functions->array[i]->leftChain));
  }
  // The samples a cell of Plan holds after the last run.
  std::vector<double> cell(const char16_t* a1) {
    const Symbol* s = Prog_findSymbol(ctx->tables.codeStore, kSpaceCell, std::u16string(u"s1!") + a1);
    return samplesOf(s ? &s->value : nullptr);
  }
  static std::vector<double> samplesOf(const Value* v) {
    if (!v || v->kind != kValSamples || !v->payload) return {};
    const auto* x = static_cast<const SampleVector*>(v->payload);
    return std::vector<double>(x->data + 1, x->data + 1 + x->n);
  }
};

double mean(const std::vector<double>& x) {
  double sum = 0;
  for (double v : x) sum += v;
  return sum / static_cast<double>(x.size());
}

double deviation(const std::vector<double>& x) {
  const double m = mean(x);
  double sum = 0;
  for (double v : x) sum += (v - m) * (v - m);
  return std::sqrt(sum / static_cast<double>(x.size() - 1));
}

uint32_t key(int row, int column) {
  return CellReg_cellKey(1, static_cast<uint16_t>(row), static_cast<uint8_t>(column));
}

// Outputs B10, B11 and, through the parameter list, B12; the parameter
// cell B3 picks from C2:E2.
AddinBook listBook() {
  AddinBook b;
  b.cells = {{"B3", "7"}, {"C2", "1"}, {"D2", "2"}, {"E2", "3"}, {"B10", "=B3*2"}, {"B11", "=B3+1"}, {"B12", "=B3"}};
  b.names = {{"XLSIMSIM", "{\"Sim\",2,\"Profit\",Plan!$B$10,\"Cost\",Plan!$B$11}"},
             {"XLSIMPARAM", "{\"Param\",Plan!$B$12,1,2,3,4,5,6,Plan!$C$2:$E$2,Plan!$B$3}"}};
  return b;
}

// Per-sheet definitions: two forecasts (105 and 103 of a highest index
// 105), a normal law with mean 10 and deviation 2 ("?" left out) in B5, a
// minimum-extreme law in B6 whose first parameter is the cell C6, their
// correlation 0.5 (the second cell referenced), and the decision range
// B8:C8.
AddinBook sheetBook() {
  AddinBook b;
  b.cells = {{"B5", "10"}, {"B6", "3"}, {"C6", "4"}, {"B8", "1"}, {"C8", "2"}, {"B20", "=B5+B6*B8"}, {"B21", "=B5*C8"}};
  b.sheetNames = {{"ZA0F", "\"2+105\""}, {"ZF105", "\"B20+x\""},       {"ZF103", "\"Plan!B21\""},
                  {"ZA0A", "\"2+101\""}, {"ZA101", "\"B5+a+10+?+2\""}, {"ZA100", "\"B6+pa+<1+x+y+3\""},
                  {"ZA100R1", "\"C6\""}, {"ZA0C", "\"1+100\""},        {"ZC100", "\"B5+<2+x+0.5\""},
                  {"ZC100R2", "\"B6\""}, {"ZA0D", "\"1+100\""},        {"ZD100", "\"B8:C8\""}};
  return b;
}

TEST_F(AddinSimulationTest, ListedOutputsAndTheParameterCell) {
  load(listBook(), kReaderImportSimulation);
  ASSERT_TRUE(report.imported.failure.empty()) << failure();
  EXPECT_EQ(report.imported.outputs, 3);
  ASSERT_EQ(ctx->tables.functions->items.size(), 3u);
  const int rows[] = {10, 11, 12};
  for (int k = 0; k < 3; ++k) {
    expectCell(ctx->tables.functions->items[static_cast<size_t>(k)]->cell, rows[k], 2);
    EXPECT_EQ(ctx->tables.functions->items[static_cast<size_t>(k)]->relation, kRelFree10);
  }
  const auto rewritten = ctx->tables.reader->rewrites.find(key(3, 2));
  ASSERT_NE(rewritten, ctx->tables.reader->rewrites.end());
  EXPECT_EQ(Text_toUtf8(rewritten->second), "=xlsim_param(Plan!$C$2:$E$2)");
}

TEST_F(AddinSimulationTest, ListOfAnotherFormGivesNoOutputs) {
  AddinBook b = listBook();
  b.names = {{"XLSIMSIM", "{\"Other\",2,\"Profit\",Plan!$B$10}"}};
  load(b, kReaderImportSimulation);
  EXPECT_TRUE(report.imported.failure.empty()) << failure();
  EXPECT_EQ(report.imported.outputs, 0);
}

TEST_F(AddinSimulationTest, LongListGoesOnInItsContinuationNames) {
  AddinBook b = listBook();
  b.names = {{"XLSIMSIM", "{\"LONG\",0,\"SimMore\",3,\"Profit\",Plan!$B$10}"},
             {"SimMore", "{\"SimPart2\"}"},
             {"SimPart2", "{\"Cost\",Plan!$B$11,\"Other\",Plan!$B$12}"}};
  load(b, kReaderImportSimulation);
  ASSERT_TRUE(report.imported.failure.empty()) << failure();
  EXPECT_EQ(report.imported.outputs, 3);
  ASSERT_EQ(ctx->tables.functions->items.size(), 3u);
  expectCell(ctx->tables.functions->items[2]->cell, 12, 2);
}

TEST_F(AddinSimulationTest, ShortListEndingEarlyFails) {
  AddinBook b = listBook();
  b.names = {{"XLSIMSIM", "{\"Sim\",3,\"Profit\",Plan!$B$10}"}};
  EXPECT_EQ(load(b, kReaderImportSimulation), kLoadHostFailure);
  EXPECT_EQ(failure(), "the defined name \"XLSIMSIM\" ends before output 2 of 3");
}

TEST_F(AddinSimulationTest, SheetDefinitionsRegisterLawsParametersAndCorrelations) {
  load(sheetBook(), kReaderImportSimulation);
  ASSERT_TRUE(report.imported.failure.empty()) << failure();
  EXPECT_EQ(report.imported.forecasts, 2);
  EXPECT_EQ(report.imported.assumptions, 2);
  EXPECT_EQ(report.imported.correlations, 1);
  EXPECT_EQ(report.imported.decisions, 1);
  // Forecasts are free functions, the highest index first.
  ASSERT_EQ(ctx->tables.functions->items.size(), 2u);
  expectCell(ctx->tables.functions->items[0]->cell, 20, 2);
  expectCell(ctx->tables.functions->items[1]->cell, 21, 2);
  // The decision range's cells are variables.
  EXPECT_EQ(Model_variableCount(ctx->tables.variables), 2);
  EXPECT_EQ(var(8, 3).type, kVarContinuous);
  // The laws' cells call the functions of their laws with their parameters.
  const auto& rewrites = ctx->tables.reader->rewrites;
  ASSERT_EQ(rewrites.size(), 2u);
  EXPECT_EQ(Text_toUtf8(rewrites.at(key(5, 2))), "=cb_normal(10,2)");
  EXPECT_EQ(Text_toUtf8(rewrites.at(key(6, 2))), "=cb_minextreme(C6,3)");
  // The registry knows both laws (normal 31, minimum extreme 28) and the
  // correlation between the two cells.
  const CellRegistry* reg = ctx->tables.variables->registry.get();
  ASSERT_EQ(reg->records.size(), 2u);
  EXPECT_EQ(reg->records[0]->key, key(5, 2));
  EXPECT_EQ(reg->records[0]->law, 31);
  EXPECT_EQ(reg->records[0]->family, kSimFamilyBounded);
  EXPECT_EQ(reg->records[1]->key, key(6, 2));
  EXPECT_EQ(reg->records[1]->law, 28);
  ASSERT_EQ(reg->imported.size(), 1u);
  const CellRegCorrelation& c = *reg->imported[0];
  EXPECT_EQ(c.dimension, 2);
  EXPECT_EQ(c.subKey, 100u);
  EXPECT_EQ(c.members[1], key(5, 2));
  EXPECT_EQ(c.members[2], key(6, 2));
  EXPECT_EQ(c.matrix[1][2], 0.5);
  EXPECT_EQ(c.matrix[2][1], 0.5);
}

// Over 20,000 trials at the decision point B8 = 1, C8 = 2: B5 is normal
// with mean 10 and deviation 2; B6 is a minimum extreme value with
// location C6 = 4 and scale 3 (mean 4 - 0.5772 x 3, deviation
// pi x 3 / sqrt 6); the forecasts B20 = B5 + B6 B8 and B21 = B5 C8 follow
// trial by trial.
TEST_F(AddinSimulationTest, ImportedLawsEvaluateOverSampleVectors) {
  constexpr int32_t kTrials = 20000;
  constexpr double kEuler = 0.5772156649015329, kPi = 3.141592653589793;
  ASSERT_EQ(load(sheetBook(), kReaderImportSimulation), kLoadOk)
      << failure() << " status " << int(ctx->errors.firstError);
  const double x[] = {1, 2};
  Eval_setPoint(ctx->tables, x);
  const std::vector<double> first = sample(0, kTrials);
  const std::vector<double> b5 = cell(u"b5"), b6 = cell(u"b6");
  ASSERT_EQ(first.size(), static_cast<size_t>(kTrials));
  ASSERT_EQ(b5.size(), first.size());
  ASSERT_EQ(b6.size(), first.size());
  EXPECT_NEAR(mean(b5), 10.0, 0.05);
  EXPECT_NEAR(deviation(b5), 2.0, 0.05);
  EXPECT_NEAR(mean(b6), 4 - kEuler * 3, 0.1);
  EXPECT_NEAR(deviation(b6), kPi * 3 / std::sqrt(6.0), 0.1);
  for (size_t t = 0; t < first.size(); ++t) ASSERT_NEAR(first[t], b5[t] + b6[t], 1e-12) << "trial " << t + 1;
  const std::vector<double> second = sample(1, kTrials);
  const std::vector<double> b5again = cell(u"b5");
  ASSERT_EQ(second.size(), b5again.size());
  for (size_t t = 0; t < second.size(); ++t) ASSERT_NEAR(second[t], 2 * b5again[t], 1e-12) << "trial " << t + 1;
  EXPECT_EQ(ctx->errors.errorCount, 0);
}

// The parameter cell picks the argument cells' value of the current sample
// point: 1, 2, 3 at points 1 to 3, #n/a beyond.
TEST_F(AddinSimulationTest, ParameterCellPicksBySamplePoint) {
  ASSERT_EQ(load(listBook(), kReaderImportSimulation), kLoadOk)
      << failure() << " status " << int(ctx->errors.firstError);
  for (int point = 1; point <= 4; ++point) {
    ctx->sampling.sampleIndex = point;
    const Value* b12 = Prog_runChain(ctx->tables.program, ctx->tables.functions->array[2]->leftChain);
    ASSERT_NE(b12, nullptr);
    if (point <= 3) EXPECT_EQ(b12->number, point);
    else EXPECT_EQ(b12->kind, kValError);
  }
}

TEST_F(AddinSimulationTest, DefinitionsMissingBelowTheFirstIndexFail) {
  AddinBook b = sheetBook();
  b.sheetNames.erase(b.sheetNames.begin() + 2);  // ZF103
  EXPECT_EQ(load(b, kReaderImportSimulation), kLoadHostFailure);
  EXPECT_EQ(failure(), "the defined name \"ZA0F\" of sheet 1 counts 2 definitions, but only 1 exist");
}

// Counts and indexes far beyond any workbook end at once: no outputs for
// a list of more outputs than a count holds, a failure for a header whose
// definitions do not exist, however high its index.
TEST_F(AddinSimulationTest, HugeCountsAndIndexesEndAtOnce) {
  AddinBook list = listBook();
  list.names = {{"XLSIMSIM", "{\"Sim\",1E+30,\"Profit\",Plan!$B$10}"}};
  load(list, kReaderImportSimulation);
  EXPECT_TRUE(report.imported.failure.empty()) << failure();
  EXPECT_EQ(report.imported.outputs, 0);
  AddinBook sheet = sheetBook();
  sheet.sheetNames[0].second = "\"3+1E30\"";
  EXPECT_EQ(reload(sheet, kReaderImportSimulation), kLoadHostFailure);
  EXPECT_EQ(failure(), "the defined name \"ZA0F\" of sheet 1 counts 3 definitions, but only 2 exist");
  AddinBook referenced = sheetBook();
  referenced.sheetNames[5].second = "\"B6+pa+<1E30+x+y+3\"";
  EXPECT_EQ(reload(referenced, kReaderImportSimulation), kLoadHostFailure);
  EXPECT_EQ(failure(), "the defined name \"ZA100\" of sheet 1 refers to \"<1E30\", which names no cell");
}

TEST_F(AddinSimulationTest, AssumptionWithoutALawFails) {
  AddinBook b = sheetBook();
  b.sheetNames[4].second = "\"B5+z+10+2\"";
  EXPECT_EQ(load(b, kReaderImportSimulation), kLoadHostFailure);
  EXPECT_EQ(failure(), "the defined name \"ZA101\" of sheet 1 gives no law this library draws");
}

TEST_F(AddinSimulationTest, CorrelationBeyondOneFails) {
  AddinBook b = sheetBook();
  b.sheetNames[8].second = "\"B5+B6+x+1.5\"";
  EXPECT_EQ(load(b, kReaderImportSimulation), kLoadHostFailure);
  EXPECT_EQ(failure(),
            "the defined name \"ZC100\" of sheet 1 has the coefficient \"1.5\"; a correlation lies "
            "between -1 and 1");
}

TEST_F(AddinSimulationTest, StatisticCellsAreFunctionsOnceEach) {
  AddinBook b;
  b.cells = {{"B5", "1"}, {"B30", "=RiskMean(B5)+1"}, {"B31", "=riskoutput()+riskmean(B5)"}, {"B32", "=B5*2"}};
  load(b, kReaderImportSimulation);
  ASSERT_TRUE(report.imported.failure.empty()) << failure();
  EXPECT_EQ(report.imported.outputs, 2);
  ASSERT_EQ(ctx->tables.functions->items.size(), 2u);
  expectCell(ctx->tables.functions->items[0]->cell, 30, 2);
  expectCell(ctx->tables.functions->items[1]->cell, 31, 2);
  // The statistic evaluates: the mean of B5's one value, plus 1.
  const Value* b30 = Prog_runChain(ctx->tables.program, ctx->tables.functions->array[0]->leftChain);
  ASSERT_NE(b30, nullptr);
  EXPECT_EQ(b30->kind, kValReal);
  EXPECT_EQ(b30->number, 2);
}

}  // namespace
