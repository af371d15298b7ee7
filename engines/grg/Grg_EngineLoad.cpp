// The GRG nonlinear engine's `load`: its size limits and capabilities.
#include "entry/Eng_Registry.h"

int Grg_engineLoad(void* info) {
  return Eng_fillBuiltinInfo(info, {500, 250, 1000, 500}, 0x4034, 0x1020011);
}
