// The GRG nonlinear engine's `load`: its size limits and capabilities.
#include "contract/Eng_Builtins.h"
#include "contract/Eng_Engine.h"

int Grg_engineLoad(void* info) {
  constexpr std::uint32_t capabilities =
      EngineBuiltinBit | EngineCanMultistart | EngineCanBranch | EngineCanFeasibility;
  return Eng_fillBuiltinInfo(info, {500, 250, 1000, 500}, capabilities, 0x1020011);
}
