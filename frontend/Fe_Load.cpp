// The limits of the load that comes before a run: the command's own time
// limit (--max-time), counted from the command's start, and the user's first
// interrupt. Reading the workbook and its recalculation count against the
// limit (the recalculation checks it before each formula), and so does the
// library's load of the model, since the engine gets only what is left of
// the limit as its "solver_tim". A load they stop ends the command having
// written nothing, with the status a run stopped the same way has. The
// front end's own formula interpreter, which checks a run's final point,
// stops at the same limits, quietly: the run has said why it stopped.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "contract/Eng_Engine.h"
#include "frontend/Fe_Command.h"
#include "frontend/Fe_Output.h"
#include "frontend/Fe_Session.h"
#include "interpreter/Model_Progress.h"
#include "platform/calc/Calc.h"

namespace {

// The least time handed to the engine: under --on-limit continue the limit
// may be past when the run starts, and the engine then reports it at once
// and goes on.
constexpr double kLeastEngineSeconds = 0.001;

// The command's limits on its load (Fe_limitTheLoad).
struct LoadLimits {
  double seconds = 0;  // from the command's start; 0 for none
  FeOnLimit onLimit = FeOnLimit::Stop;
  int stopped = 0;  // the status of a stopped load, once it stopped
};
LoadLimits gLoad;

double secondsLeft() { return gLoad.seconds - Fe_secondsSinceStart(); }

// The time limit is past, and --on-limit stops there.
bool limitPast() { return gLoad.seconds > 0 && gLoad.onLimit == FeOnLimit::Stop && secondsLeft() <= 0; }

// The stop code the front end's interpreter asks for between cells and
// inside a long formula.
int interpreterStop(LibraryContext*) {
  if (Fe_interrupted()) return StopBreak;
  return limitPast() ? StopTimeLimit : StopContinue;
}

std::string seconds(double x) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", x);
  return text;
}

// The engine's own limit when the command line sets one (--option tim=S,
// the last one given); 0 when it sets none.
double engineLimitAsked(const FeArgs& a) {
  double asked = 0;
  for (const auto& [name, value] : a.options)
    if (name == "solver_tim") asked = std::strtod(value.c_str(), nullptr);
  return asked;
}

}  // namespace

void Fe_limitTheLoad(const FeArgs& a) {
  gLoad.seconds = a.maxTime.empty() ? 0 : std::strtod(a.maxTime.c_str(), nullptr);
  gLoad.onLimit = a.onLimit;
  gLoad.stopped = 0;
  const ModelProgressHost host{nullptr, interpreterStop, nullptr};
  Model_setProgressHost(&host);
  Fe_showTimeLimit(gLoad.seconds > 0 ? Calc_displayText(CellValue::makeNumber(gLoad.seconds), "") : "");
}

bool Fe_loadMustStop() {
  if (gLoad.stopped) return true;
  if (Fe_interrupted()) {
    Fe_endProgress();
    std::fprintf(stderr, "interrupted while loading the workbook: ending without a run\n");
    gLoad.stopped = StatusUserStop;
  } else if (limitPast()) {
    Fe_endProgress();
    Fe_stopAtTimeLimit();
    gLoad.stopped = StatusTimeLimit;
  }
  return gLoad.stopped != 0;
}

int Fe_loadStop() { return gLoad.stopped; }

bool Fe_handOverTheTimeLeft(FeSession* s, const FeArgs& a) {
  if (Fe_loadMustStop()) return false;
  if (gLoad.seconds <= 0) return true;
  const double left = std::max(secondsLeft(), kLeastEngineSeconds);
  const double asked = engineLimitAsked(a);
  if (asked > 0 && asked < left) {   // the engine's own limit comes first, and the messages name it
    Fe_showTimeLimit("");
    return true;
  }
  Fe_setModelOption(s, "solver_tim", seconds(left));
  return true;
}
