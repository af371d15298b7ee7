// The SOCP barrier engine's `load`: its size limits and capabilities.
#include "contract/Eng_Builtins.h"
#include "contract/Eng_Engine.h"
#include "engines/socp/Socp_Adapter.h"

int Socp_engineLoad(void* info) {
  constexpr std::uint32_t capabilities =
      EngineBuiltinBit | EngineItem22 | EngineDiagnose20 |
      EngineDiagnose19 | EngineCanBranch | EngineCanFeasibility;
  return Eng_fillBuiltinInfo(info, {SocpMaxVariables, SocpMaxRows, SocpLimit3, SocpMaxIntegers},
                             capabilities, SocpFields);
}
