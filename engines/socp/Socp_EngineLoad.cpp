// The SOCP barrier engine's `load`: its size limits and capabilities.
#include "contract/Eng_Builtins.h"
#include "contract/Eng_Engine.h"

int Socp_engineLoad(void* info) {
  constexpr std::uint32_t capabilities =
      EngineBuiltinBit | EngineItem22 | EngineDiagnose20 |
      EngineDiagnose19 | EngineCanBranch | EngineCanFeasibility;
  return Eng_fillBuiltinInfo(info, {2000, 8192, 4000, 2000}, capabilities, 0x1000222);
}
