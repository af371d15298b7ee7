// The SOCP barrier engine's `load`: its size limits and capabilities.
#include "contract/Eng_Builtins.h"
#include "contract/Eng_Engine.h"

int Socp_engineLoad(void* info) {
  return Eng_fillBuiltinInfo(info, {2000, 8192, 4000, 2000}, 0x4B14, 0x1000222);
}
