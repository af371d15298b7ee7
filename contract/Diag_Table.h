// The diagnosis as the library writes it into the front end's result range:
// a statistics row of sixteen numbers, then, for a detailed diagnosis, one
// row of texts per problem function. The library writes it, the front end
// reads it.
#pragma once

// Statistics row: the fifteen structure counts, then the box contraction's
// outcome.
enum DiagStatistic : int {
  DiagLinearVariables = 0,
  DiagLinearFunctions = 1,
  DiagQuadraticVariables = 2,
  DiagQuadraticFunctions = 3,
  DiagSmoothVariables = 4,
  DiagSmoothFunctions = 5,
  DiagLinearPairs = 6,
  DiagQuadraticPairs = 7,
  DiagSmoothPairs = 8,
  DiagConstraintDependencies = 9,
  DiagObjectiveDependencies = 10,
  DiagLevel = 11,          // 1 linear ... 6 unknown functions
  DiagDeclaredType = 12,
  DiagConvexity = 13,      // 0 not tested, 1 convex, 2 not convex, 3 undecided
  DiagExceeding = 14,      // (function, variable) pairs above the declared type
  DiagContraction = 15,    // 0 not run, 1 feasible, 2 feasible and touching, 3 infeasible
  DiagStatistics = 16,
};

// A function's row: number from 1, cell, relation, class and convexity
// names, then up to three examples (variable cell, cell that raised its
// class).
enum DiagColumn : int {
  DiagFunctionNumber = 0,
  DiagFunctionCell = 1,
  DiagRelation = 2,
  DiagClass = 3,
  DiagCurvature = 4,
  DiagFirstExample = 5,
  DiagExamples = 3,
  DiagColumns = 11,
};
