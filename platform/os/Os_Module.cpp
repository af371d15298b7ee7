// Modules of the stand-in: shared objects loaded with the dynamic loader.
// A module handle is the loader's handle, which on this system is the
// object's entry in the loader's list of loaded objects; so the handle found
// from an address inside a library equals the one Os_loadLibrary returned.
// A library built for this system exports its ordinal table `CorvanExports`
// and may export `CorvanAttach`, run on the first load and the last free.
#include "platform/os/Os.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>

#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>

namespace {

using AttachHandler = int (*)(OsModule, unsigned, void*);

// How many times Os_loadLibrary loaded each module not yet freed.
std::map<OsModule, int>& loadCounts() {
  static std::map<OsModule, int> counts;
  return counts;
}

// The loaded object whose mapping holds the address. The loader finds it by
// its table of mapped ranges; dladdr would also search the object's symbols
// for the nearest one, a scan of thousands of symbols per call.
link_map* linkMapOfAddress(const void* address) {
  dl_find_object found{};
  if (_dl_find_object(const_cast<void*>(address), &found) != 0) return nullptr;
  return found.dlfo_link_map;
}

// True when the handle is an object the loader has loaded.
bool isModule(OsModule module) {
  link_map* map = linkMapOfAddress(reinterpret_cast<const void*>(&isModule));
  while (map && map->l_prev) map = map->l_prev;
  for (; map; map = map->l_next)
    if (map == module) return true;
  return false;
}

// A symbol defined in the module itself, not in a library it depends on.
void* ownSymbol(OsModule module, const char* name) {
  void* symbol = dlsym(module, name);
  if (!symbol || linkMapOfAddress(symbol) != module) return nullptr;
  return symbol;
}

// A bare file name is taken from the platform library's own folder when it
// is there, else left to the system's library search.
std::string resolve(const char* path) {
  if (std::strchr(path, '/')) return path;
  std::string self;
  if (!Os_moduleFileName(Os_moduleOfAddress(reinterpret_cast<const void*>(&resolve)), &self)) return path;
  std::filesystem::path beside = std::filesystem::path(self).parent_path() / path;
  std::error_code error;
  return std::filesystem::is_regular_file(beside, error) ? beside.string() : std::string(path);
}

bool loadable(const char* path) {
  if (!std::strchr(path, '/')) return true;
  struct stat st;
  if (stat(path, &st) != 0) {
    Os_setLastError(errno);
    return false;
  }
  return true;
}

// Runs the module's attach handler; true when it has none or it accepts.
bool attach(OsModule module, unsigned reason) {
  auto handler = reinterpret_cast<AttachHandler>(ownSymbol(module, "CorvanAttach"));
  return !handler || handler(module, reason, nullptr) != 0;
}

}  // namespace

OsModule Os_loadLibrary(const char* path) {
  if (!path || !*path) {
    Os_setLastError(EINVAL);
    return nullptr;
  }
  std::string file = resolve(path);
  if (!loadable(file.c_str())) return nullptr;
  OsModule module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    Os_setLastError(file.find('/') != std::string::npos ? ENOEXEC : ENOENT);
    return nullptr;
  }
  if (loadCounts()[module]++ > 0) return module;
  if (!attach(module, OsAttach)) {
    loadCounts().erase(module);
    dlclose(module);
    Os_setLastError(OsErrorInitFailed);
    return nullptr;
  }
  return module;
}

bool Os_freeLibrary(OsModule module) {
  auto it = loadCounts().find(module);
  if (it == loadCounts().end()) {
    Os_setLastError(OsErrorBadModule);
    return false;
  }
  if (--it->second == 0) {
    loadCounts().erase(it);
    attach(module, OsDetach);
  }
  dlclose(module);
  return true;
}

OsProc Os_getProcByOrdinal(OsModule module, int ordinal) {
  if (!isModule(module)) {
    Os_setLastError(OsErrorBadModule);
    return nullptr;
  }
  auto table = static_cast<const OsExport*>(ownSymbol(module, "CorvanExports"));
  for (; ordinal > 0 && table && table->ordinal != 0; ++table)
    if (table->ordinal == ordinal) return table->proc;
  Os_setLastError(OsErrorNoExport);
  return nullptr;
}

OsProc Os_getProcByName(OsModule module, const char* name) {
  if (!isModule(module)) {
    Os_setLastError(OsErrorBadModule);
    return nullptr;
  }
  auto table = static_cast<const OsExport*>(ownSymbol(module, "CorvanExports"));
  for (; name && table && table->ordinal != 0; ++table)
    if (table->name && std::strcmp(table->name, name) == 0) return table->proc;
  void* symbol = name ? ownSymbol(module, name) : nullptr;
  if (!symbol) Os_setLastError(OsErrorNoExport);
  return reinterpret_cast<OsProc>(symbol);
}

bool Os_moduleFileName(OsModule module, std::string* path) {
  if (module && !isModule(module)) {
    Os_setLastError(OsErrorBadModule);
    return false;
  }
  const char* name = module ? static_cast<link_map*>(module)->l_name : "";
  std::error_code error;
  std::filesystem::path file = *name ? std::filesystem::absolute(name, error)
                                     : std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) {
    Os_setLastError(error.value());
    return false;
  }
  *path = file.string();
  return true;
}

OsModule Os_moduleOfAddress(const void* address) {
  link_map* map = linkMapOfAddress(address);
  if (!map) Os_setLastError(OsErrorBadModule);
  return map;
}
