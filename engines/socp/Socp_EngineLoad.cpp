// The SOCP barrier engine's `load`: its size limits and capabilities.
#include "contract/Eng_Builtins.h"
#include "contract/Eng_Engine.h"
#include "engines/socp/Socp_Adapter.h"

int Socp_engineLoad(void* info) {
  return Eng_fillBuiltinInfo(info, {SocpMaxVariables, SocpMaxRows, SocpLimit3, SocpMaxIntegers},
                             SocpCapabilities, SocpFields);
}
