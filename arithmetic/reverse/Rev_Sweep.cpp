// The kind-7 tape: its preparation and the backward sweep.
#include "arithmetic/reverse/Rev_Ops.h"
#include "arithmetic/tape/Tape_Nodes.h"
#include "base/Chk_Assert.h"
#include "values/Vm_Context.h"

bool Rev_prepareTape(EvalContext* ctx) {
  return Tape_prepareNodes(ctx, &ctx->buffers.revTape, &ctx->buffers.revTapeCapacity, "Rev");
}

namespace {

void addToGradient(double* gradient, bool zeroBased, bool subtract, NodeRef variable, double amount) {
  const int32_t j = -variable - (zeroBased ? 1 : 0);
  gradient[j] += subtract ? -amount : amount;
}

}  // namespace

void Rev_reverseSweep(double* gradient, bool zeroBased, bool subtract, NodeRef result, EvalBuffers* buffers) {
  if (result < 0) addToGradient(gradient, zeroBased, subtract, result, 1.0);
  if (result <= 0 || result > buffers->tapeCount) return;
  RevNode* tape = buffers->revTape;
  for (int32_t k = 1; k < result; ++k) tape[k].value = 0.0;
  tape[result].value = 1.0;
  // Variable v (reference -v) has its entry at gradient[v - shift].
  const int32_t shift = zeroBased ? 1 : 0;
  const double sign = subtract ? -1.0 : 1.0;
  for (int32_t k = result; k >= 1; --k) {
    const RevNode& node = tape[k];
    // A node's operands come before it on the tape.
    CORVAN_ASSERT(node.operand1 < k && node.operand2 < k);
    const double a = node.value;
    if (a == 0.0) continue;
    if (node.operand1 > 0) tape[node.operand1].value += node.partial1 * a;
    else if (node.operand1 < 0) gradient[-node.operand1 - shift] += sign * (node.partial1 * a);
    if (node.operand2 > 0) tape[node.operand2].value += node.partial2 * a;
    else if (node.operand2 < 0) gradient[-node.operand2 - shift] += sign * (node.partial2 * a);
  }
}
