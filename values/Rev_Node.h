// Node of the reverse tape over reals: value (the adjoint during the sweep),
// the partials with respect to both operands, the operands and the node's own
// reference.
// Both an element of the context's tape and the payload of a kind-7 value,
// which holds a copy of its node.
#pragma once

#include <cstdint>

#include "values/Pay_Tape.h"

struct EvalContext;

struct RevNode {
  double value;
  double partial1;
  double partial2;
  NodeRef operand1;
  NodeRef operand2;
  NodeRef self;
  EvalContext* context;
};

// Copies the node (plain fields only).
inline bool Rev_set(RevNode* dst, const RevNode* src) {
  *dst = *src;
  return true;
}
