// Operating-system services of the stand-in: thread-local slots, modules
// (shared objects with exports by ordinal and an attach/detach handler),
// wildcard file search, version blocks read from a file without running it,
// a millisecond tick count, free memory, message boxes, error texts and the
// processor's rounding mode.
//
// A library built for this system (the main library and every plug-in
// engine) exports two C symbols:
//   `CorvanExports`  : a table of OsExport rows ending with ordinal 0;
//   `CorvanAttach`   : int(OsModule, unsigned reason, void*), reason 1 on
//                      load (process attach) and 0 on unload (detach);
// and may carry a version block (OS_VERSION_BLOCK below). Define both with
// OS_MODULE_EXPORT, so that the library's own references to them stay inside
// it even when another loaded library exports the same names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using OsModule = void*;
using OsProc = void (*)();

struct OsExport {
  int ordinal;          // 0 ends the table
  const char* name;     // may be nullptr for exports by ordinal only
  OsProc proc;
};

#define OS_MODULE_EXPORT extern "C" __attribute__((visibility("protected")))

enum : unsigned { OsDetach = 0, OsAttach = 1, OsThreadAttach = 2, OsThreadDetach = 3 };

// Thread-local slots. Os_tlsAlloc returns OsTlsInvalid when none is left.
constexpr unsigned OsTlsInvalid = 0xffffffffu;
unsigned Os_tlsAlloc();
bool Os_tlsFree(unsigned slot);
bool Os_tlsSetValue(unsigned slot, void* value);
void* Os_tlsGetValue(unsigned slot);

// Modules. Loading runs the library's attach handler (reason 1) and fails
// (nullptr) when the file is missing, is not a library, or the handler
// returns 0. Freeing runs the handler with reason 0.
// A path with a folder is taken as it is; a bare file name is looked for
// beside the platform library and in the system's library folders.
OsModule Os_loadLibrary(const char* path);
bool Os_freeLibrary(OsModule module);
OsProc Os_getProcByOrdinal(OsModule module, int ordinal);
OsProc Os_getProcByName(OsModule module, const char* name);
// Full path of the module's file; false when unknown.
bool Os_moduleFileName(OsModule module, std::string* path);
// The module that contains the given code or data address (for a library
// to find its own handle and folder): the same handle Os_loadLibrary gave.
OsModule Os_moduleOfAddress(const void* address);

// File search by wildcard pattern ("*" and "?"), comparing names without
// regard to case; the folder part of the pattern is taken as it is.
struct OsFindData {
  char fileName[260];   // name without folder
};
using OsFindHandle = void*;
OsFindHandle Os_findFirstFile(const char* pattern, OsFindData* data);  // nullptr: none
bool Os_findNextFile(OsFindHandle handle, OsFindData* data);
void Os_findClose(OsFindHandle handle);
// An existing file by its path, its name's case ignored as the platform the
// library was made for ignores it: `path` itself when a file has that name,
// else the file of its folder (in name order) whose name differs only in
// case; "" when there is none.
std::string Os_fileIgnoringCase(const std::string& path);

// Version information. The block is a list of name/value texts under a
// language key ("040904b0"); it is found in the file's bytes without
// loading the library. Size 0 when the file has none; callers refuse a
// block larger than they accept (4096 bytes for plug-in engines).
unsigned Os_getFileVersionInfoSize(const char* path);
bool Os_getFileVersionInfo(const char* path, unsigned size, void* block);
// subBlock like "\\StringFileInfo\\040904b0\\ProductName" (language key
// compared without regard to case); the value's length excludes its NUL.
bool Os_verQueryValue(const void* block, const char* subBlock, const char** value, unsigned* length);

// Carries a version block inside a library. Use once in one source file.
#define OS_VERSION_BLOCK(product, internalName, description, fileVersion)                        \
  extern "C" __attribute__((used, visibility("default"))) const char CorvanVersionBlock[] =      \
      "@@CORVAN-VERSION@@\0" "040904b0\0ProductName\0" product "\0InternalName\0" internalName        \
      "\0FileDescription\0" description "\0FileVersion\0" fileVersion "\0\0@@END@@";

// Milliseconds since an arbitrary start, wrapping at 2^32. Tests may drive
// the clock: a source set here replaces the real one until cleared (nullptr).
std::uint32_t Os_tickCount();
void Os_setTickSource(std::uint32_t (*source)());

// Free physical memory in bytes.
std::uint64_t Os_freePhysicalMemory();

// Message boxes: recorded (text, caption) and handed to the handler the
// front end sets; returns the button pressed (1 OK) .
struct OsMessageBox {
  std::string text;
  std::string caption;
  unsigned flags;
};
int Os_messageBox(const char* text, const char* caption, unsigned flags);
const std::vector<OsMessageBox>& Os_messageBoxes();
void Os_clearMessageBoxes();
void Os_setMessageBoxHandler(void (*handler)(const OsMessageBox&));

// The calling thread's last error code, set by the calls above when they
// fail: a C library error number (ENOENT, ENOEXEC, ...) or one of the
// stand-in's own codes below.
enum : unsigned {
  OsErrorInitFailed = 0x10001,   // the library's attach handler refused to load
  OsErrorNoExport = 0x10002,     // no export with that ordinal or name
  OsErrorBadModule = 0x10003,    // not a module handle
  OsErrorNoVersion = 0x10004,    // the file carries no version block
};
unsigned Os_lastError();
void Os_setLastError(unsigned code);

// The system's text for an error code; empty when it has none.
std::string Os_errorText(unsigned code);

// Rounding mode of the floating-point unit.
enum class OsRounding { Nearest, Down, Up, TowardZero };
OsRounding Os_getRounding();
void Os_setRounding(OsRounding mode);
