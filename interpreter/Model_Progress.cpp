// Progress texts with their 750 ms throttle and the two abort checks.
#include "interpreter/Model_Progress.h"

#include <cstdio>

#include "values/Vm_Context.h"

namespace {

const char* const kTexts[] = {
    "Analyzing Solver Model...",       "Parsing Problem Function %d",    "Optimizing Problem Function %d",
    "Diagnosing Problem Function %d",  "Convexity Testing Function %d",  "Count Cells...%d%% Done",
    "Releasing Memory...",             "Updating Worksheet Values...",   "Computing Partial Derivatives...",
    "Evaluating Quadratic Objective...", "",
};
constexpr int32_t kTextCount = static_cast<int32_t>(sizeof kTexts / sizeof kTexts[0]);
static_assert(kTextCount == kProgressClear + 1, "one text per progress code, the clear last");
constexpr size_t kTextBuffer = 128;
// Stop codes of the progress callback: 0 continue, 1 a soft answer, 2 and
// above a limit, a break or a stop at the macro.
constexpr int kStopHard = 2;

ModelProgressHost gHost{};
uint32_t gLastShown = 0;

LibraryContext* libraryOf(const EvalHost* host) { return host ? host->library : nullptr; }

int stopCode(const EvalHost* host) { return gHost.stopCode ? gHost.stopCode(libraryOf(host)) : 0; }

}  // namespace

void Model_setProgressHost(const ModelProgressHost* host) {
  gHost = host ? *host : ModelProgressHost{};
  gLastShown = 0;
}

void Model_showProgress(const EvalHost* host, int32_t k, int32_t argument) {
  if (!gHost.showStatus || k < 0 || k >= kTextCount) return;
  if (k == kProgressClear) {
    gHost.showStatus(libraryOf(host), 0, "");
    return;
  }
  const uint32_t now = gHost.ticks ? gHost.ticks() : 0;
  if (now <= gLastShown + kProgressIntervalMs) return;
  char text[kTextBuffer];
  std::snprintf(text, sizeof text, kTexts[k], argument);
  gHost.showStatus(libraryOf(host), 1, text);
  gLastShown = now;
}

bool Model_userAbort(const EvalHost* host) { return stopCode(host) >= kStopHard; }

bool Model_userAbortAny(const EvalHost* host) { return stopCode(host) != 0; }
