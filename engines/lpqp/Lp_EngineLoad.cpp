// The LP/quadratic engine's `load`: its size limits and capabilities.
#include "contract/Eng_Builtins.h"
#include "contract/Eng_Engine.h"

int Lp_engineLoad(void* info) {
  constexpr std::uint32_t capabilities =
      EngineBuiltinBit | EngineCanBranch | EngineCanFeasibility;
  return Eng_fillBuiltinInfo(info, {2000, 8192, 4000, 2000}, capabilities, 0x2000022);
}
