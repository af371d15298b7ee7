// Memory running out during a command: what the command was doing with
// which workbook, said on one line, and the exit status that follows. The
// platform's entry points and the front end's own callbacks catch the
// failure where it happens and count it (platform/os/Os_Guard.h); the
// commands ask whether memory ran out at their steps, and Fe_main catches
// what still escapes.
#include <cstdio>
#include <string>

#include "frontend/Fe_Command.h"
#include "frontend/Fe_Output.h"
#include "frontend/Fe_Session.h"
#include "platform/os/Os_Guard.h"

namespace {

struct Step {
  FeStep step;
  const char* doing;
  int exit;   // before a run: the workbook could not be read; from the run on: no solution
};

constexpr Step kSteps[] = {
    {FeStep::Reading, "reading it", FeExitUsage},
    {FeStep::Recalculating, "recalculating it", FeExitUsage},
    {FeStep::Interpreting, "computing its formulas with the interpreter", FeExitUsage},
    {FeStep::ReadingModel, "reading its model", FeExitUsage},
    {FeStep::Listing, "listing the engines", FeExitUsage},
    {FeStep::Analysing, "analysing its model", FeExitNoSolution},
    {FeStep::Solving, "solving its model", FeExitNoSolution},
    {FeStep::Saving, "saving the solved workbook as ", FeExitNoSolution},
};

// The command the memory's running out is said of (Fe_beginCommand).
struct MemoryWatch {
  std::string book;                  // the command's workbook, as the command line names it
  const Step* step = &kSteps[0];
  std::string file;                  // the file the step writes
  unsigned long failuresBefore = 0;  // memory failures counted before the command
  bool said = false;
};
MemoryWatch gWatch;

}  // namespace

void Fe_beginCommand(const std::string& book) {
  gWatch.book = book;
  gWatch.step = &kSteps[0];
  gWatch.file.clear();
  gWatch.failuresBefore = Os_memoryFailures();
  gWatch.said = false;
}

void Fe_setStep(FeStep step, const std::string& file) {
  for (const Step& s : kSteps)
    if (s.step == step) gWatch.step = &s;
  gWatch.file = file;
}

bool Fe_memoryRanOut() { return Os_memoryFailures() != gWatch.failuresBefore; }

int Fe_outOfMemory() {
  if (!gWatch.said) {
    Fe_endProgress();
    std::string where = gWatch.book.empty() ? "" : gWatch.book + ": ";
    std::fprintf(stderr, "corvan: %sout of memory while %s%s\n", where.c_str(), gWatch.step->doing, gWatch.file.c_str());
  }
  gWatch.said = true;
  return gWatch.step->exit;
}
