// Node of the reverse tape over intervals: the interval counterpart of the
// real tape node.
// Both an element of the context's tape and the payload of a kind-10 value,
// which holds a copy of its node.
#pragma once

#include <cstdint>

#include "values/Ivl_Interval.h"
#include "values/Pay_Tape.h"

struct EvalContext;

struct IvRevNode {
  Interval value;
  Interval partial1;
  Interval partial2;
  NodeRef operand1;
  NodeRef operand2;
  NodeRef self;
  EvalContext* context;
};

// Copies the node (plain fields only).
inline bool IvRev_set(IvRevNode* dst, const IvRevNode* src) {
  *dst = *src;
  return true;
}
