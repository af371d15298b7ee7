// Model diagnosis on reference models with known answers: level, counts,
// per-function classes, convexity verdict and example cells; sparse and
// dense storage at the fifth of the variables.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ModelBench.h"
#include "interpreter/Eval_Diagnosis.h"
#include "values/DegVec_Payload.h"

namespace {

struct Reference {
  const char* label;
  std::vector<std::string> formulas;  // constraints, then the objective
  std::vector<int32_t> relations;
  std::vector<double> rhs;
  int32_t level, verdict;
  std::vector<int32_t> functionClasses;  // largest class per function
  int32_t linearPairs, quadraticPairs, smoothPairs;
};

TEST(Diagnosis, ReferenceModels) {
  const Reference models[] = {
      {"linear", {"=a1+b1", "=2*a1+3*b1"}, {kRelLessEqual2, kRelMaximise}, {4, 0}, kLevelLinear, kVerdictConvex,
       {1, 1}, 4, 0, 4},
      {"convex quadratic objective", {"=a1+b1", "=a1^2+b1^2+a1"}, {kRelGreaterEqual2, kRelMinimise}, {1, 0},
       kLevelQuadraticObjective, kVerdictConvex, {1, 2}, 2, 2, 4},
      {"quadratic constraint", {"=a1^2+b1^2", "=a1+b1"}, {kRelLessEqual2, kRelMinimise}, {4, 0},
       kLevelQuadraticConstraints, kVerdictConvex, {2, 1}, 2, 2, 4},
      {"reversed quadratic constraint", {"=a1^2+b1^2", "=a1+b1"}, {kRelGreaterEqual2, kRelMinimise}, {4, 0},
       kLevelQuadraticConstraints, kVerdictNotConvex, {2, 1}, 2, 2, 4},
      {"smooth non-convex", {"=a1+b1", "=b1-(a1^4)"}, {kRelLessEqual2, kRelMinimise}, {1, 0}, kLevelSmooth,
       kVerdictNotConvex, {1, 3}, 3, 0, 4},
      {"unknown function", {"=a1+b1", "=NOSUCHFN(a1)+b1"}, {kRelLessEqual2, kRelMinimise}, {1, 0},
       kLevelUnknownFunctions, kVerdictNotTested, {1, 5}, 3, 0, 3},
      {"non-smooth", {"=a1+b1", "=ABS(a1-1)+b1"}, {kRelLessEqual2, kRelMinimise}, {1, 0}, kLevelNonSmooth,
       kVerdictNotTested, {1, 4}, 3, 0, 3},
  };
  for (const Reference& m : models) {
    SCOPED_TRACE(m.label);
    ModelBench b(m.formulas, m.relations, m.rhs, {{-2, 2}, {-2, 2}});
    ASSERT_TRUE(b.ok) << int(b.ctx->errors.firstError);
    // ABS counts as non-smooth only where the model asks for smooth
    // functions; otherwise as smooth.
    b.ctx->flags.nonSmoothAllowed = m.level == kLevelNonSmooth ? 0 : 1;
    DiagnosisRequest request;
    request.convexity = m.level < kLevelNonSmooth;
    request.declaredType = 1;
    request.detailed = true;
    DiagnosisFindings findings;
    int32_t failed = -1;
    ASSERT_EQ(Eval_diagnose(b.ctx, request, &findings, &failed), kDiagnosisDone) << int(b.ctx->errors.firstError);
    EXPECT_EQ(findings.counts[DiagLevel], m.level);
    EXPECT_EQ(findings.counts[DiagConvexity], m.verdict);
    EXPECT_EQ(findings.counts[DiagLinearPairs], m.linearPairs);
    EXPECT_EQ(findings.counts[DiagQuadraticPairs], m.quadraticPairs);
    EXPECT_EQ(findings.counts[DiagSmoothPairs], m.smoothPairs);
    // Only a model with a function the interpreter cannot compute asks for
    // the workbook's values again.
    EXPECT_EQ(findings.unknownFunctions, m.level == kLevelUnknownFunctions);
    for (size_t i = 0; i < m.functionClasses.size(); ++i)
      EXPECT_EQ(b.ctx->tables.structure->functionClasses[i], m.functionClasses[i]) << i;
    // Declared linear: the objective's nonlinear variable is an example.
    if (m.level > kLevelLinear && m.level < kLevelUnknownFunctions) {
      const auto& examples = findings.examples[m.functionClasses[0] > 1 ? 0 : 1];
      ASSERT_FALSE(examples.empty());
      EXPECT_EQ(examples[0].variable, "A1");
      EXPECT_EQ(examples[0].cell, m.functionClasses[0] > 1 ? "A2" : "B2");
    }
  }
}

// A function that calls an unknown function depends on its arguments in an
// unknown way: its class is "unknown function", its curvature unknown, and a
// model that would be convex without it is not called convex.
TEST(Diagnosis, UnknownFunctionLeavesConvexityUnknown) {
  ModelBench b({"=a1+b1", "=FOOBAR(a1)+b1"}, {kRelLessEqual2, kRelMinimise}, {1, 0}, {{-2, 2}, {-2, 2}});
  ASSERT_TRUE(b.ok) << int(b.ctx->errors.firstError);
  DiagnosisRequest request;
  request.convexity = true;
  request.detailed = true;
  DiagnosisFindings findings;
  int32_t failed = -1;
  ASSERT_EQ(Eval_diagnose(b.ctx, request, &findings, &failed), kDiagnosisDone) << int(b.ctx->errors.firstError);
  EXPECT_EQ(b.ctx->tables.structure->functionClasses[1], kDegUnknownFunction);
  EXPECT_STREQ(Eval_className(b.ctx->tables.structure->functionClasses[1]), "unknown function");
  EXPECT_STREQ(Eval_convexityName(b.ctx->tables.structure->convexity[1]), "unknown");
  EXPECT_STREQ(Eval_convexityName(b.ctx->tables.structure->convexity[0]), "affine");
  EXPECT_EQ(findings.counts[DiagConvexity], kVerdictUndecided);
  EXPECT_EQ(findings.counts[DiagLinearFunctions], 1);
  EXPECT_EQ(findings.counts[DiagSmoothFunctions], 1);
}

// One function over a1 only among ten variables is sparse (1 < 10 / 5);
// over a1 and b1 it is dense (2 = 10 / 5).
TEST(Diagnosis, SparseBelowAFifthOfTheVariables) {
  ModelBench b({"=a1", "=a1+b1"}, {kRelLessEqual2, kRelLessEqual2}, {1, 1}, std::vector<Interval>(10, {0, 1}));
  ASSERT_TRUE(b.ok);
  DiagnosisFindings findings;
  int32_t failed = -1;
  ASSERT_EQ(Eval_diagnose(b.ctx, DiagnosisRequest{}, &findings, &failed), kDiagnosisDone);
  const StructureInfo* s = b.ctx->tables.structure;
  ASSERT_NE(s->functionIndexArrays[0], nullptr);
  EXPECT_EQ(s->functionIndexArrays[0][0], 0);
  EXPECT_EQ(s->functionIndexArrays[1], nullptr);
  EXPECT_EQ(s->functionClassArrays[1][1], kDegLinear);
  EXPECT_EQ(s->functionClassArrays[1][2], kDegIndependent);
  EXPECT_EQ(findings.counts[DiagConstraintDependencies], 3);
  EXPECT_EQ(findings.counts[DiagLinearVariables], 10);  // unused variables count as linear
}

}  // namespace
