// The interval global engine's `load`: its size limits and capabilities.
#include "contract/Eng_Builtins.h"
#include "contract/Eng_Engine.h"

int Ia_engineLoad(void* info) {
  return Eng_fillBuiltinInfo(info, {500, 250, 1000, 500}, 0x4354, 0x1020011);
}
