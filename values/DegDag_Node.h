// Node of the dependency graph: the class of the function on this node (filled
// by the backward sweep) and the classes of the result on each operand.
// Both an element of the context's tape and the payload of a kind-15 value,
// which holds a copy of its node.
#pragma once

#include <cstdint>

#include "values/Pay_Tape.h"

struct EvalContext;

struct DegDagNode {
  int32_t outClass;
  int32_t class1;  // DegClass
  int32_t class2;
  NodeRef operand1;
  NodeRef operand2;
  NodeRef self;
  EvalContext* context;
};

// Copies the node (plain fields only).
inline bool DegDag_set(DegDagNode* dst, const DegDagNode* src) {
  *dst = *src;
  return true;
}
