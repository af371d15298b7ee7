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

std::string gBook;                  // the command's workbook, as the command line names it
const Step* gStep = &kSteps[0];
std::string gFile;                  // the file the step writes
unsigned long gFailuresBefore = 0;  // memory failures counted before the command
bool gSaid = false;

}  // namespace

void Fe_beginCommand(const std::string& book) {
  gBook = book;
  gStep = &kSteps[0];
  gFile.clear();
  gFailuresBefore = Os_memoryFailures();
  gSaid = false;
}

void Fe_setStep(FeStep step, const std::string& file) {
  for (const Step& s : kSteps)
    if (s.step == step) gStep = &s;
  gFile = file;
}

bool Fe_memoryRanOut() { return Os_memoryFailures() != gFailuresBefore; }

int Fe_outOfMemory() {
  if (!gSaid) {
    Fe_endProgress();
    std::string where = gBook.empty() ? "" : gBook + ": ";
    std::fprintf(stderr, "corvan: %sout of memory while %s%s\n", where.c_str(), gStep->doing, gFile.c_str());
  }
  gSaid = true;
  return gStep->exit;
}
