// The verdict on a run: the values before it, and whether the point it
// ended at is a solution, said on the status line.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/workbook/Wb_Workbook.h"

struct FeModel;

// Whether the workbook's cells now hold a point that satisfies every
// constraint (alldifferent groups as distinct whole numbers 1 to n) and the
// non-negative option's bounds, and gives the objective a number.
bool Fe_pointIsFeasible(Workbook* wb, const FeModel& m);

// Prints the status line of a run that ended with `status`, and a note when
// the objective does not depend on the variables; true when the run left a
// solution: its status says it ended at a point, and that point gives the
// objective a number and satisfies every constraint (Fe_pointIsFeasible),
// whatever the engine reported. A status of a solution at a point that is
// none is said as such. `cause`, asked only when the run left no
// solution, follows the status's meaning on its line: what the front end
// knows of the reason. After a run in which the interpreter computed the
// model (`interpreted`), a point where its value of a cell the model reads
// (the objective, both sides of each constraint) differs from the
// workbook's by more than the rounding of an operation is no solution
// either, unless the workbook's own value changes when it recalculates the
// cell once more: the line names the first such cell with both values.
// Before the point is judged, an integer, binary or alldifferent cell within
// the integer tolerance of a whole number is given that number, and a
// variable cell past one of its bounds (Fe_variableBounds) by no more than
// the model's feasibility tolerance is put on it (and the workbook
// recalculated); one farther away makes the point no solution.
struct FeStartValues;
bool Fe_printVerdict(Workbook* wb, const FeModel& m, int status, const FeStartValues& start,
                     const std::function<std::string()>& cause = {}, bool interpreted = false);
// Whether the status says the run ended at a point (a solution, or a stop).
bool Fe_endedAtAPoint(int status);

// Values of the variable cells and the objective before the run, for the
// answer report.
struct FeStartValues {
  double objective = 0;
  std::vector<double> variables;  // cell by cell, area by area
};
FeStartValues Fe_startValues(Workbook* wb, const FeModel& m);
