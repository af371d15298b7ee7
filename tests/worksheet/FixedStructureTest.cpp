// The dependency-vector pass with trials: the worksheet functions whose
// structure follows the values of each trial (which elements an order
// statistic or INDEX picks, which bins FREQUENCY fills, which formula
// WEIBULL, an annuity or a depreciation runs, which branch's shape IF
// gives, where a distribution or a security has a result at all) clear the
// current function's fixedStructure flag, and only when an argument that
// decides it depends on the variables; without trials, or in another mode,
// the flag stays. INDEX also takes its function off the reverse tape in
// both structure modes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/worksheet/TestCaller.h"
#include "values/DegVec_Payload.h"
#include "values/Fn_Ids.h"
#include "values/Model_Functions.h"
#include "values/Vm_Context.h"

namespace {

constexpr int32_t kTrials = 50;

// A caller in the dependency-vector mode whose context evaluates the second
// of two model functions.
struct Pass {
  Caller c;
  FunctionTable* table = Model_createFunctionTable();
  explicit Pass(int32_t trials, int32_t mode = kModeDegVec) {
    for (int i = 0; i < 2; ++i) {
      table->items.push_back(new ModelItem());
      table->array.push_back(table->items.back());
    }
    c.ctx->tables.functions = table;
    c.ctx->position.currentFunction = 1;
    c.ctx->flags.mode = mode;
    c.ctx->flags.nonSmoothAllowed = 1;
    c.ctx->sampling.trialCount = trials;
    c.ctx->sampling.registerUncertain = 1;
  }
  ~Pass() {
    c.ctx->tables.functions = nullptr;
    Model_freeFunctionTable(table);
  }
  ModelItem& item() { return *table->array[1]; }
  // A value that depends linearly on the first of two variables.
  Value* dependent() {
    Value* v = c.empty();
    DegVec d{};
    DegVec_init(&d, 2);
    DegVec_setVar(&d, 1);
    Val_setDegVec(v, &d);
    DegVec_free(&d);
    return v;
  }
  // An argument by its letter: n a number, v a dependent value, a a column
  // of numbers, A a column holding a dependent value among numbers.
  const Value* arg(char kind) {
    switch (kind) {
      case 'n': return c.num(1);
      case 'v': return dependent();
      case 'a': return c.array(3, 1, {c.num(1), c.num(2), c.num(4)});
      default: return c.array(3, 1, {c.num(1), dependent(), c.num(4)});
    }
  }
  const Value* call(int32_t id, const std::string& kinds) {
    std::vector<const Value*> args;
    for (char k : kinds) args.push_back(arg(k));
    return c.call(id, args);
  }
};

TEST(FixedStructure, ClearedByTheStepsWhoseStructureVariesByTrial) {
  const struct {
    const char* name;
    int32_t id;
    const char* args;
    bool varies;
  } cases[] = {
      {"frequency", kIdFrequency, "Aa", true},
      {"frequency", kIdFrequency, "aA", true},
      {"frequency", kIdFrequency, "va", false},
      {"frequency", kIdFrequency, "aa", false},
      {"large", kIdLarge, "An", true},
      {"large", kIdLarge, "av", true},
      {"large", kIdLarge, "vn", false},
      {"large", kIdLarge, "an", false},
      {"ftest", kIdFtest, "Aa", true},
      {"ftest", kIdFtest, "va", false},
      {"ftest", kIdFtest, "aa", false},
      {"expondist", kIdExpondist, "vnn", true},
      {"expondist", kIdExpondist, "nnv", true},
      {"expondist", kIdExpondist, "nnn", false},
      {"negbinomdist", kIdNegbinomdist, "vnn", true},
      {"negbinomdist", kIdNegbinomdist, "nnn", false},
      {"poisson", kIdPoisson, "nnv", true},
      {"poisson", kIdPoisson, "nnn", false},
      {"weibull", kIdWeibull, "nnnv", true},
      {"weibull", kIdWeibull, "vnnn", false},
      {"percentile", kIdPercentile, "An", true},
      {"percentile", kIdPercentile, "an", false},
      {"quartile", kIdQuartile, "av", true},
      {"small", kIdSmall, "An", true},
      {"small", kIdSmall, "an", false},
      {"trimmean", kIdTrimmean, "An", true},
      {"index", kIdIndex, "avn", true},
      {"index", kIdIndex, "anv", true},
      {"index", kIdIndex, "Ann", false},
      // IF: a condition that depends on the variables, with an array branch.
      {"if", kIdIf, "van", true},
      {"if", kIdIf, "vna", true},
      {"if", kIdIf, "va", true},
      {"if", kIdIf, "vnn", false},
      {"if", kIdIf, "nan", false},
      // The annuities: the rate, or the timing when it is given.
      {"pv", kIdPv, "vnn", true},
      {"pv", kIdPv, "nnnnv", true},
      {"pv", kIdPv, "nvvv", false},
      {"fv", kIdFv, "vnn", true},
      {"fv", kIdFv, "nnnnv", true},
      {"fv", kIdFv, "nvvv", false},
      {"pmt", kIdPmt, "vnn", true},
      {"pmt", kIdPmt, "nnnnv", true},
      {"pmt", kIdPmt, "nvvv", false},
      {"nper", kIdNper, "vnn", true},
      {"nper", kIdNper, "nnnnv", true},
      {"nper", kIdNper, "nvvv", false},
      {"ipmt", kIdIpmt, "vnnn", true},
      {"ipmt", kIdIpmt, "nnnnnv", true},
      {"ipmt", kIdIpmt, "nvvvv", false},
      {"ppmt", kIdPpmt, "vnnn", true},
      {"ppmt", kIdPpmt, "nnnnnv", true},
      {"ppmt", kIdPpmt, "nvvvv", false},
      // CUMIPMT, CUMPRINC and DB: any argument.
      {"cumipmt", kIdCumipmt, "vnnnnn", true},
      {"cumipmt", kIdCumipmt, "nnvnnn", true},
      {"cumipmt", kIdCumipmt, "nnnnvn", true},
      {"cumipmt", kIdCumipmt, "nnnnnn", false},
      {"cumprinc", kIdCumprinc, "nvnnnn", true},
      {"cumprinc", kIdCumprinc, "nnnnnn", false},
      {"db", kIdDb, "vnnn", true},
      {"db", kIdDb, "nvnn", true},
      {"db", kIdDb, "nnvn", true},
      {"db", kIdDb, "nnnnv", true},
      {"db", kIdDb, "nnnnn", false},
      // MIRR: the flows; EFFECT and NOMINAL: the number of periods.
      {"mirr", kIdMirr, "Ann", true},
      {"mirr", kIdMirr, "avv", false},
      {"effect", kIdEffect, "nv", true},
      {"effect", kIdEffect, "vn", false},
      {"nominal", kIdNominal, "nv", true},
      {"nominal", kIdNominal, "vn", false},
      // The securities: dates, frequency and basis, and the money and rate
      // arguments but for the Treasury bills and ODDFPRICE.
      {"price", kIdPrice, "vnnnnnn", true},
      {"price", kIdPrice, "nnnvnnn", true},
      {"price", kIdPrice, "nnnnnnn", false},
      {"duration", kIdDuration, "nnnnnv", true},
      {"duration", kIdDuration, "nnvnnn", true},
      {"duration", kIdDuration, "nnnnnn", false},
      {"mduration", kIdMduration, "nvnnnn", true},
      {"mduration", kIdMduration, "nnnvnn", true},
      {"mduration", kIdMduration, "nnnnnn", false},
      {"disc", kIdDisc, "nnnnv", true},
      {"disc", kIdDisc, "nnvnn", true},
      {"disc", kIdDisc, "nnnnn", false},
      {"intrate", kIdIntrate, "nnnvn", true},
      {"intrate", kIdIntrate, "nnnnn", false},
      {"pricedisc", kIdPricedisc, "vnnnn", true},
      {"pricedisc", kIdPricedisc, "nnnnn", false},
      {"received", kIdReceived, "nnvnn", true},
      {"received", kIdReceived, "nnnnn", false},
      {"pricemat", kIdPricemat, "nnvnnn", true},
      {"pricemat", kIdPricemat, "nnnnvn", true},
      {"pricemat", kIdPricemat, "nnnnnn", false},
      {"yieldmat", kIdYieldmat, "nnnvnn", true},
      {"yieldmat", kIdYieldmat, "nnnnnn", false},
      {"tbilleq", kIdTbilleq, "vnn", true},
      {"tbilleq", kIdTbilleq, "nnv", false},
      {"tbillprice", kIdTbillprice, "nvn", true},
      {"tbillprice", kIdTbillprice, "nnv", false},
      {"tbillyield", kIdTbillyield, "vnn", true},
      {"tbillyield", kIdTbillyield, "nnv", false},
      {"accrint", kIdAccrint, "nnvnnn", true},
      {"accrint", kIdAccrint, "nnnvnn", true},
      {"accrint", kIdAccrint, "nnnnnn", false},
      {"accrintm", kIdAccrintm, "nnnvn", true},
      {"accrintm", kIdAccrintm, "nnnnn", false},
      {"oddfprice", kIdOddfprice, "nnnnnnnvn", true},
      {"oddfprice", kIdOddfprice, "nnnnvvvnn", false},
      {"oddlprice", kIdOddlprice, "nnnnvnnn", true},
      {"oddlprice", kIdOddlprice, "nnnnnnnn", false},
      // The functions whose structure no argument changes.
      {"rate", kIdRate, "nvv", false},
      {"sln", kIdSln, "vvv", false},
      {"npv", kIdNpv, "vv", false},
      {"fvschedule", kIdFvschedule, "vA", false},
  };
  for (const auto& k : cases) {
    const std::string label = std::string(k.name) + "(" + k.args + ")";
    {
      Pass p(kTrials);
      p.call(k.id, k.args);
      EXPECT_EQ(p.item().fixedStructure, k.varies ? 0 : 1) << label;
      EXPECT_EQ(p.table->array[0]->fixedStructure, 1) << label << ": another function";
    }
    {
      Pass p(0);
      p.call(k.id, k.args);
      EXPECT_EQ(p.item().fixedStructure, 1) << label << " without trials";
    }
    {
      Pass p(kTrials, kModeDegDag);
      p.call(k.id, k.args);
      EXPECT_EQ(p.item().fixedStructure, 1) << label << " in the dependency-graph mode";
    }
  }
}

// INDEX with an index that depends on the variables, in the registering
// pass with trials, answers an empty dependency; without the register flag
// it answers through the structure hooks. Both structure modes take the
// function off the reverse tape; the plain mode leaves it on.
TEST(FixedStructure, IndexAnswersAnEmptyDependencyAndLeavesTheTape) {
  {
    Pass p(kTrials);
    const Value* r = p.call(kIdIndex, "Avn");
    ASSERT_EQ(r->kind, kValDegVec);
    EXPECT_EQ(static_cast<const DegVec*>(r->payload)->n, 0);
    EXPECT_EQ(p.item().usesTape, 0);
  }
  {
    Pass p(kTrials);
    p.c.ctx->sampling.registerUncertain = 0;
    const Value* r = p.call(kIdIndex, "avn");
    ASSERT_EQ(r->kind, kValDegVec);
    EXPECT_GT(static_cast<const DegVec*>(r->payload)->n, 0);
    EXPECT_EQ(p.item().fixedStructure, 1);
  }
  for (const int32_t mode : {kModeDegDag, kModeDegVec, kModeReal}) {
    Pass p(0, mode);
    p.call(kIdIndex, "ann");
    EXPECT_EQ(p.item().usesTape, mode == kModeReal ? 1 : 0) << mode;
  }
}

}  // namespace
