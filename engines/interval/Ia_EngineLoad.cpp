// The interval global engine's `load`: its size limits and capabilities.
#include "contract/Eng_Builtins.h"
#include "contract/Eng_Engine.h"

int Ia_engineLoad(void* info) {
  constexpr std::uint32_t capabilities =
      EngineBuiltinBit | EngineDiagnose20 | EngineDiagnose19 |
      EngineUsesLocalSolver | EngineCanBranch | EngineCanFeasibility;
  return Eng_fillBuiltinInfo(info, {500, 250, 1000, 500}, capabilities, 0x1020011);
}
