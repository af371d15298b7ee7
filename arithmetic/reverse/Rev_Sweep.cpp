// The kind-7 tape: its preparation and the backward sweep.
#include "arithmetic/reverse/Rev_Ops.h"
#include "arithmetic/tape/Tape_Cells.h"
#include "arithmetic/tape/Tape_Nodes.h"
#include "base/Chk_Assert.h"
#include "values/Val_Value.h"
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

bool Rev_prepareCellTape(EvalContext* ctx, CellTape* tape) {
  return Tape_prepareCell(ctx, tape, kValRev, &ctx->buffers.revTape, &ctx->buffers.revTapeCapacity, "Rev");
}

void Rev_reverseSweepCells(const std::vector<CellTape*>& cells, double* gradient, bool zeroBased, bool subtract,
                           NodeRef result) {
  if (result < 0) addToGradient(gradient, zeroBased, subtract, result, 1.0);
  const CellNodes<RevNode> nodes(cells, kValRev);
  RevNode* seed = result > 0 ? nodes.at(result) : nullptr;
  if (!seed) return;
  nodes.backward([](RevNode& node) { node.value = 0.0; });
  seed->value = 1.0;
  const auto spread = [&](NodeRef r, double amount) {
    if (RevNode* operand = r > 0 ? nodes.at(r) : nullptr) operand->value += amount;
    else if (r < 0) addToGradient(gradient, zeroBased, subtract, r, amount);
  };
  nodes.backward([&](RevNode& node) {
    const double a = node.value;
    if (a == 0.0) return;
    spread(node.operand1, node.partial1 * a);
    spread(node.operand2, node.partial2 * a);
  });
}
