// Node of the interval propagation trace: the enclosure (narrowed in place by
// the backward pass), the constant operand of a mixed operation and the
// operation code.
// Both an element of the context's tape and the payload of a kind-13 value,
// which holds a copy of its node.
#pragma once

#include <cstdint>

#include "values/Ivl_Interval.h"
#include "values/Pay_Tape.h"

struct EvalContext;

struct IvPropNode {
  Interval value;
  Interval constant;
  int32_t op;  // OpCode
  NodeRef operand1;
  NodeRef operand2;
  NodeRef self;
  EvalContext* context;
};

// Copies the node (plain fields only).
inline bool IvProp_set(IvPropNode* dst, const IvPropNode* src) {
  *dst = *src;
  return true;
}
