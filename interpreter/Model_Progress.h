// Progress texts on the status bar and the user's stop while the interpreter
// loads, compiles, diagnoses and releases a model. The interpreter reaches
// the status bar and the progress callback through a host record that the
// library registers once; without one, texts go nowhere and nothing stops.
#pragma once

#include <cstdint>

struct EvalHost;
struct LibraryContext;

enum ProgressText : int32_t {
  kProgressAnalyzing = 0,
  kProgressParsing = 1,
  kProgressOptimizing = 2,
  kProgressDiagnosing = 3,
  kProgressConvexity = 4,
  kProgressCountCells = 5,
  kProgressReleasing = 6,
  kProgressUpdating = 7,
  kProgressDerivatives = 8,
  kProgressQuadratic = 9,
  kProgressClear = 10,
};

// Texts asked for within this many milliseconds of the last one shown are
// dropped; a clear never is.
constexpr uint32_t kProgressIntervalMs = 750;

struct ModelProgressHost {
  // show 1 with a text, 0 with the empty text to restore the status bar.
  void (*showStatus)(LibraryContext* library, int show, const char* text);
  // The progress callback's stop code for a query that counts nothing.
  int (*stopCode)(LibraryContext* library);
  uint32_t (*ticks)();  // milliseconds
};

// Registers the host (copied); null clears it. The last-shown time is reset.
void Model_setProgressHost(const ModelProgressHost* host);
// The calls below take the model's host handles; null names no library.
// Shows text k with its integer argument, at most once every 750 ms.
void Model_showProgress(const EvalHost* host, int32_t k, int32_t argument);
// True when the run is to stop: a limit, a break or a stop at the macro.
bool Model_userAbort(const EvalHost* host);
// True when the host answers anything but "continue".
bool Model_userAbortAny(const EvalHost* host);
