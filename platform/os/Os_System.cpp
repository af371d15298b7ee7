// Small operating-system services of the stand-in: the last error code and
// its text, the millisecond tick count, free physical memory and the count
// of memory failures caught, message boxes and the processor's rounding mode.
#include "platform/os/Os.h"
#include "platform/os/Os_Guard.h"

#include <atomic>
#include <cfenv>
#include <chrono>
#include <cstring>

#include <sys/sysinfo.h>

namespace {

thread_local unsigned tLastError = 0;
std::uint32_t (*gTickSource)() = nullptr;
std::vector<OsMessageBox> gMessageBoxes;
void (*gMessageBoxHandler)(const OsMessageBox&) = nullptr;
std::atomic<unsigned long> gMemoryFailures{0};

struct OwnError { unsigned code; const char* text; };
constexpr OwnError kOwnErrors[] = {
  {OsErrorInitFailed, "The library's initialisation routine failed"},
  {OsErrorNoExport, "The library has no such export"},
  {OsErrorBadModule, "The handle is not a loaded library"},
  {OsErrorNoVersion, "The file carries no version information"},
};

struct RoundingMode { OsRounding mode; int fe; };
constexpr RoundingMode kRoundings[] = {
  {OsRounding::Nearest, FE_TONEAREST}, {OsRounding::Down, FE_DOWNWARD},
  {OsRounding::Up, FE_UPWARD},         {OsRounding::TowardZero, FE_TOWARDZERO},
};

}  // namespace

unsigned Os_lastError() { return tLastError; }
void Os_setLastError(unsigned code) { tLastError = code; }

std::string Os_errorText(unsigned code) {
  for (const auto& e : kOwnErrors)
    if (e.code == code) return e.text;
  if (code > 0xffff) return "";
  const char* text = strerrordesc_np(static_cast<int>(code));
  return text ? text : "";
}

std::uint32_t Os_tickCount() {
  if (gTickSource) return gTickSource();
  auto now = std::chrono::steady_clock::now().time_since_epoch();
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
  return static_cast<std::uint32_t>(ms);
}

void Os_setTickSource(std::uint32_t (*source)()) { gTickSource = source; }

std::uint64_t Os_freePhysicalMemory() {
  struct sysinfo info;
  if (sysinfo(&info) != 0) return 0;
  return static_cast<std::uint64_t>(info.freeram) * info.mem_unit;
}

unsigned long Os_memoryFailures() { return gMemoryFailures.load(); }
void Os_countMemoryFailure() { ++gMemoryFailures; }

int Os_messageBox(const char* text, const char* caption, unsigned flags) {
  gMessageBoxes.push_back({text ? text : "", caption ? caption : "", flags});
  if (gMessageBoxHandler) gMessageBoxHandler(gMessageBoxes.back());
  return 1;
}

const std::vector<OsMessageBox>& Os_messageBoxes() { return gMessageBoxes; }
void Os_clearMessageBoxes() { gMessageBoxes.clear(); }
void Os_setMessageBoxHandler(void (*handler)(const OsMessageBox&)) { gMessageBoxHandler = handler; }

OsRounding Os_getRounding() {
  int fe = fegetround();
  for (const auto& r : kRoundings)
    if (r.fe == fe) return r.mode;
  return OsRounding::Nearest;
}

void Os_setRounding(OsRounding mode) {
  for (const auto& r : kRoundings)
    if (r.mode == mode) fesetround(r.fe);
}
