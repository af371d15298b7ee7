// The evolutionary engine's `load`: its size limits and capabilities.
#include "contract/Eng_Builtins.h"
#include "contract/Eng_Engine.h"

int Evo_engineLoad(void* info) {
  constexpr std::uint32_t capabilities =
      EngineBuiltinBit | EngineEvaluateInExcel | EngineRequestDiagnosis |
      EngineDiagnose20 | EngineDiagnose19 | EngineItem17 |
      EngineUsesLocalSolver;
  return Eng_fillBuiltinInfo(info, {500, 250, 1000, 500}, capabilities, 0x2210011);
}
