// A plug-in engine for the tests. Its build chooses the product name in its
// version block, whether `load` succeeds and whether `free` is exported.
// `load` succeeds only when the record carries the library's own module
// handle. When CORVAN_TESTENG_LOG names a file, the attach handler appends
// "attach <own file>" and "detach" lines to it, so tests can watch both.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "contract/Eng_Engine.h"

OS_VERSION_BLOCK(ENGINE_PRODUCT, ENGINE_INTERNAL, "Test Engine", "6.0.0")

namespace {

void logLine(const std::string& line) {
  const char* path = std::getenv("CORVAN_TESTENG_LOG");
  if (!path) return;
  if (std::FILE* f = std::fopen(path, "a")) {
    std::fprintf(f, "%s\n", line.c_str());
    std::fclose(f);
  }
}

int load(void* record) {
  auto* info = static_cast<EngineInfo*>(record);
  if (!ENGINE_LOAD_RESULT || info->module != Os_moduleOfAddress(reinterpret_cast<const void*>(&load)))
    return 0;
  info->limits[0] = 100;
  info->limits[1] = 50;
  info->limits[2] = 7;
  info->limits[3] = 3;
  info->value1 = 32767;
  info->value2 = 0;
  info->capabilities = EngineCanBranch;
  info->fields = 0x11;
  return 1;
}

int setup(void*) { return 1; }

int solve(void* record) {
  static_cast<EngineProblem*>(record)->status = StatusSolved;
  return 1;
}

int finish(void*) { return 1; }
[[maybe_unused]] int release(void*) { return 1; }

OsProc proc(int (*op)(void*)) { return reinterpret_cast<OsProc>(op); }

}  // namespace

OS_MODULE_EXPORT const OsExport CorvanExports[] = {
  {2, "load", proc(load)},     {3, "setup", proc(setup)},
  {4, "solve", proc(solve)},   {5, "finish", proc(finish)},
#if ENGINE_EXPORTS_FREE
  {6, "free", proc(release)},
#endif
  {0, nullptr, nullptr},
};

OS_MODULE_EXPORT int CorvanAttach(OsModule module, unsigned reason, void*) {
  std::string file;
  if (reason == OsAttach) logLine("attach " + (Os_moduleFileName(module, &file) ? file : "?"));
  if (reason == OsDetach) logLine("detach");
  return 1;
}
