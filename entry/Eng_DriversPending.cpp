// Stands in for the feasibility and multistart drivers until the library
// carries them: a run that needs one fails with status 13 without calling
// the engine's solve, so no engine reports a solution that the driver's
// conditions (feasibility, multistart) did not give.
#include "entry/Eng_Runner.h"

int Eng_feasibilityDriver(EngineOp, EngineProblem*) { return StatusHostFailure; }
int Eng_multiStartDriver(EngineOp, EngineProblem*) { return StatusHostFailure; }
