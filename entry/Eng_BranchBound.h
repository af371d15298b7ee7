// The branch-and-bound driver (export ordinal 8, declared with the runner):
// solves the continuous relaxation with the engine's `solve`, then explores
// a binary tree of subproblems, each tightening one bound of one integer
// variable, until no open node remains, the relative gap falls below
// "solver_tol", or the progress callback stops it. The driver minimises; a
// maximised objective reaches it negated.
#pragma once

#include "entry/Eng_Runner.h"
