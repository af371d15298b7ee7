// The LP/quadratic engine's `load`: its size limits and capabilities.
#include "contract/Eng_Builtins.h"
#include "contract/Eng_Engine.h"
#include "engines/lpqp/Lp_EngineOps.h"

int Lp_engineLoad(void* info) {
  constexpr std::uint32_t capabilities =
      EngineBuiltinBit | EngineCanBranch | EngineCanFeasibility;
  return Eng_fillBuiltinInfo(info, {Lp_maxVariables, Lp_maxRows, 4000, Lp_maxIntegers},
                             capabilities, 0x2000022);
}
