// The LP/quadratic engine's `load`: its size limits and capabilities.
#include "contract/Eng_Builtins.h"
#include "contract/Eng_Engine.h"

int Lp_engineLoad(void* info) {
  return Eng_fillBuiltinInfo(info, {2000, 8192, 4000, 2000}, 0x4014, 0x2000022);
}
