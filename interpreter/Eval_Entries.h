// Evaluation entries: one per evaluation mode, each evaluating one problem
// function (left chain minus right chain) and returning its value with, by
// mode, its gradient, Hessian or dependency classes. All share one skeleton:
// reset the error record, take the function's variables, size the mode's
// buffers, zero the outputs, run both chains and read their results.
//
// Derivative and class arrays hold one entry per variable of the function
// (its own list when derivatives are compact, all n otherwise), 1-based with
// slot 0 unused or 0-based by zeroBased. Every entry returns true when no
// error was raised; a failing entry leaves the first error and its cell in
// the context. Interval entries enclose over the boxes the variables hold
// as their values. Modes without an entry of their own are refused with
// status 33 by Eval_evalUnsupported.
#pragma once

#include <cstdint>

#include "values/Ivl_Interval.h"

struct Program;

// Mode 4: the value. Incremental passes go on between calls in this mode.
bool Eval_evalReal(Program* p, int32_t i, bool reset, double* value, bool subtractRhs);
// Mode 6: value and gradient, forward.
bool Eval_evalRealDeriv(Program* p, int32_t i, bool reset, double* value, double* gradient, bool zeroBased,
                        bool subtractRhs);
// Mode 7: value and gradient by a reverse sweep over the flat tape.
bool Eval_evalRevGrad(Program* p, int32_t i, bool reset, double* value, double* gradient, bool zeroBased,
                      bool subtractRhs);
// Mode 8: value, gradient and Hessian rows, forward.
bool Eval_evalHess(Program* p, int32_t i, bool reset, double* value, double* gradient, double** hessian,
                   bool zeroBased, bool subtractRhs);
// Mode 6 with recording: value and gradient forward, Hessian by replaying
// the recorded tape backwards.
bool Eval_evalHessTape(Program* p, int32_t i, bool reset, double* value, double* gradient, double** hessian,
                       bool zeroBased, bool subtractRhs);
// Mode 15: dependency class per variable by a reverse pass over the graph.
bool Eval_evalDegDag(Program* p, int32_t i, bool reset, uint8_t* classes, bool zeroBased);
// Mode 16: dependency class per variable from the dependency vectors.
bool Eval_evalDiagnose(Program* p, int32_t i, bool reset, int32_t* classes, bool zeroBased);
// Mode 12: the value's enclosure.
bool Eval_evalInterval(Program* p, int32_t i, bool reset, Interval* value, bool subtractRhs);
// Mode 9: enclosures of value and gradient and the curvature class (tracked
// while the context's curvature flag is set).
bool Eval_evalIvGrad(Program* p, int32_t i, bool reset, Interval* value, Interval* gradient, int32_t* curvature,
                     bool zeroBased, bool subtractRhs);
// Mode 11: enclosures of value, gradient and Hessian, forward.
bool Eval_evalIvHess(Program* p, int32_t i, bool reset, Interval* value, Interval* gradient, Interval** hessian,
                     bool zeroBased, bool subtractRhs);
// Mode 9 with recording: the Hessian's enclosure by replaying the tape.
bool Eval_evalIvHessTape(Program* p, int32_t i, bool reset, Interval* value, Interval* gradient, Interval** hessian,
                         bool zeroBased, bool subtractRhs);
// Mode 13: traces g = left - right (less rhs when the right chain is
// empty; the negation for relations 5 and 6) and, for relations 1 and 3 to
// 6, narrows box (variable j at j, or j - 1 when zeroBased) to the points
// where g = 0 (relation 1) or g <= 0 can hold. *range gets g's forward
// enclosure; no point the row admits is ever cut.
bool Eval_evalIvProp(Program* p, int32_t i, int32_t relation, double rhs, Interval* box, bool zeroBased,
                     Interval* range);
// Other modes: status 33 at no cell, false.
bool Eval_evalUnsupported(Program* p, int32_t mode);
