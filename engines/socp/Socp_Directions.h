// Search directions of the SOCP core. All four solve the Newton system
// through the normal equations A·G·Aᵀ dy = r with a scaling G built from x
// and s: "POWERC" and "HKM_D" take one step with a fixed centring weight,
// "POWERC_PC" and "HKM_D_PC" an affine predictor and a corrector with an
// adaptive centring target. The POWERC family scales by a point that
// depends on the power index, the HKM family by s.
#pragma once

#include "engines/socp/Socp_Core.h"

// Before the first iteration: scratch, normal matrix, row order applied.
void Socp_directionSetup(socp& s, int direction);
// Fills dx, dy, ds at the current point.
void Socp_direction(socp& s, const SocpParams& params);
// After the last iteration: the rows of A, b and y back in the caller's order.
void Socp_directionFinish(socp& s);
