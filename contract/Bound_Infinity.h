// The model's infinity: a variable or row bound at or beyond it is no bound,
// and a row range or a sensitivity limit equal to it is unlimited. Engines,
// the host services and the interpreter's model load all speak this value.
#pragma once

constexpr double kBoundInfinity = 1e30;
