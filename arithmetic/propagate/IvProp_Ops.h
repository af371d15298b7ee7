// Interval propagation tape (kind 13): the forward pass records, per
// operation, a node with its interval value, its operation, its constant
// operand and its operands; the backward pass (IvProp_contract) starts from
// what the constraint allows at the root (g = 0 or g <= 0) and walks the
// nodes from the last to the first, projecting each node's allowed range on
// its operands through the inverse of its operation: operand nodes and the
// variables' intervals in the caller's box narrow. A projection never removes
// a point of the box at which the constraint holds. A domain fault raises
// status 31 (30 for a negative power of an interval through 0) and turns the
// new node into the constant [NaN, NaN]; a full tape raises status 37.
#pragma once

#include <cstdint>

#include "values/IvProp_Node.h"

struct EvalBuffers;
struct EvalContext;

// value = [d, d], constant [0, 0], operation 0; operands, self and context
// stay.
void IvProp_setConst(IvPropNode* node, double d);

IvPropNode IvProp_neg(const IvPropNode* x);
IvPropNode IvProp_sub(const IvPropNode* x, const IvPropNode* y);
IvPropNode IvProp_subSV(double d, const IvPropNode* x);
IvPropNode IvProp_subVS(const IvPropNode* x, double d);
IvPropNode IvProp_add(const IvPropNode* x, const IvPropNode* y);
IvPropNode IvProp_addSV(double d, const IvPropNode* x);
IvPropNode IvProp_addVS(const IvPropNode* x, double d);
IvPropNode IvProp_mul(const IvPropNode* x, const IvPropNode* y);
IvPropNode IvProp_mulSV(double d, const IvPropNode* x);
IvPropNode IvProp_mulVS(const IvPropNode* x, double d);
IvPropNode IvProp_div(const IvPropNode* x, const IvPropNode* y);
IvPropNode IvProp_divSV(double d, const IvPropNode* x);
IvPropNode IvProp_divVS(const IvPropNode* x, double d);
IvPropNode IvProp_abs(const IvPropNode* x);
IvPropNode IvProp_acos(const IvPropNode* x);
IvPropNode IvProp_asin(const IvPropNode* x);
IvPropNode IvProp_atan(const IvPropNode* x);
IvPropNode IvProp_cos(const IvPropNode* x);
IvPropNode IvProp_cosh(const IvPropNode* x);
IvPropNode IvProp_exp(const IvPropNode* x);
IvPropNode IvProp_ln(const IvPropNode* x);
IvPropNode IvProp_max(const IvPropNode* x, const IvPropNode* y);
IvPropNode IvProp_maxSV(double d, const IvPropNode* x);
IvPropNode IvProp_maxVS(const IvPropNode* x, double d);
IvPropNode IvProp_min(const IvPropNode* x, const IvPropNode* y);
IvPropNode IvProp_minSV(double d, const IvPropNode* x);
IvPropNode IvProp_minVS(const IvPropNode* x, double d);
IvPropNode IvProp_powVI(const IvPropNode* x, int32_t k);
// An exponent with an integer value is the integer power (negative bases
// included).
IvPropNode IvProp_powVS(const IvPropNode* x, double d);
IvPropNode IvProp_powSV(double d, const IvPropNode* x);
IvPropNode IvProp_pow(const IvPropNode* x, const IvPropNode* y);
IvPropNode IvProp_sign(const IvPropNode* x);
IvPropNode IvProp_sin(const IvPropNode* x);
IvPropNode IvProp_sinh(const IvPropNode* x);
IvPropNode IvProp_sqr(const IvPropNode* x);
IvPropNode IvProp_sqrt(const IvPropNode* x);
IvPropNode IvProp_tan(const IvPropNode* x);
IvPropNode IvProp_tanh(const IvPropNode* x);

// Makes the context's kind-13 trace hold the capacity the memory pass
// recorded for both sides of a function and the root; status 37 before that
// pass, 2 when memory runs out, false in both cases.
bool IvProp_prepareTape(EvalContext* ctx);
// The backward pass over nodes 1 to the node counter, the last node being
// the root g: narrows it to g <= 0 (inequality) or g = 0 when it contains 0,
// then every operand and the variables' entries of box (variable k at k, or
// k - 1 when zeroBased).
void IvProp_contract(Interval* box, bool zeroBased, bool inequality, EvalBuffers* buffers);
