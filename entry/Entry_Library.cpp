// Attaching the library to the process: the context, its thread-local slot,
// the module handle and the library's folder.
#include <cstring>
#include <exception>
#include <new>
#include <string>

#include "entry/Entry_Context.h"
#include "entry/Entry_Solve.h"
#include "entry/Interp_Exports.h"
#include "excel/Xl_Value.h"

namespace {

unsigned g_contextSlot = OsTlsInvalid;

// The module's folder, up to and with its last separator.
void recordModule(LibraryContext* context, OsModule module) {
  context->moduleHandle = module;
  std::string path;
  if (!Os_moduleFileName(module, &path)) return;
  std::size_t cut = path.find_last_of("/\\");
  std::size_t length = cut == std::string::npos ? 0 : cut + 1;
  if (length >= sizeof context->directory) return;
  std::memcpy(context->directory, path.data(), length);
  context->directory[length] = '\0';
  context->directoryLength = static_cast<std::int32_t>(length);
}

// The module's C++ runtime makes its per-thread exception state on first
// use, and a module loaded at run time gets the memory for it only then: a
// first exception thrown once memory has run out (std::bad_alloc itself)
// would end the process. Asked for here, while memory is there, the state
// exists and such an exception is caught as any other.
void makeExceptionState() {
  [[maybe_unused]] static volatile int uncaught = 0;
  uncaught = std::uncaught_exceptions();
}

int attach(OsModule module) {
  if (g_contextSlot != OsTlsInvalid) return 1;  // already attached
  makeExceptionState();
  unsigned slot = Os_tlsAlloc();
  if (slot == OsTlsInvalid) return 0;
  auto* context = new (std::nothrow) LibraryContext{};
  if (!context || !Os_tlsSetValue(slot, context)) {
    delete context;
    Os_tlsFree(slot);
    return 0;
  }
  context->savedCalcMode = 1;
  context->robustMode = -1;
  context->currentEngine = -1;
  recordModule(context, module);
  Interp_registerProgressHost();
  g_contextSlot = slot;
  return 1;
}

void detach() {
  if (g_contextSlot == OsTlsInvalid) return;
  auto* context = static_cast<LibraryContext*>(Os_tlsGetValue(g_contextSlot));
  if (context) Xl_freeValueList(context->frontEndNames);
  delete context;
  Os_tlsSetValue(g_contextSlot, nullptr);
  Os_tlsFree(g_contextSlot);
  g_contextSlot = OsTlsInvalid;
}

}  // namespace

LibraryContext* Entry_context() {
  if (g_contextSlot == OsTlsInvalid) return nullptr;
  return static_cast<LibraryContext*>(Os_tlsGetValue(g_contextSlot));
}

OS_MODULE_EXPORT int CorvanAttach(OsModule module, unsigned reason, void*) {
  if (reason == OsAttach) return attach(module);
  if (reason == OsDetach) detach();
  return 1;
}

extern "C" int SolveX(std::intptr_t handle) {
  LibraryContext* context = Entry_context();
  if (!context) return 0;
  context->handle = handle;
  context->evalContext = nullptr;
  return 0;
}

extern "C" int Entry_reserved(std::intptr_t) { return 0; }
