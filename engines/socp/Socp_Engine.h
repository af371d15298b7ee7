// The SOCP barrier engine's operations as the engine table calls them
// (`setup`, `solve`, `finish`; `load` is declared with the other built-in
// engines' and `free` is the shared do-nothing one).
#pragma once

int Socp_engineSetup(void* problem);
int Socp_engineSolve(void* problem);
int Socp_engineFinish(void* problem);
