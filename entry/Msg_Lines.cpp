// Status-bar lines: showing and giving back the status bar, the session's
// first line, percentage lines and iteration lines with their throttles,
// and polling for the user's break.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "entry/Entry_Context.h"
#include "entry/Msg_Status.h"
#include "excel/Xl_Value.h"
#include "platform/os/Os.h"

namespace {

// More than the throttle interval since `since` (the tick count wraps).
bool throttlePassed(std::uint32_t now, std::uint32_t since) { return now - since > StatusThrottleMs; }

// Appends `part` when the line stays below 255 characters.
bool appendPart(std::string* line, const std::string& part) {
  if (line->size() + part.size() >= StatusTextMax) return false;
  *line += part;
  return true;
}

std::string countText(std::int32_t n) { return std::to_string(static_cast<std::uint32_t>(n)); }

void showLine(LibraryContext* context, const std::string& line) {
  context->status.statusText = line.substr(0, StatusTextMax);
  Msg_showStatus(1, context->status.statusText);
}

void recordLine(StatusState& s, std::int32_t iteration, std::int32_t subproblems) {
  s.lastIteration = iteration;
  s.lastSubproblem = subproblems;
}

void stampBoth(StatusState& s, std::uint32_t now) {
  s.lastIterationTime = now;
  s.lastSubproblemTime = now;
}

// The gap is relative to the incumbent, kept finite at an incumbent of 0.
constexpr double kGapFloor = 1e-10;

std::string gapText(double incumbent, double bound) {
  double gap = std::fabs(incumbent - bound) / std::max(kGapFloor, std::fabs(incumbent));
  char text[64];
  std::snprintf(text, sizeof text, "%.2f%%", gap * 100);
  return text;
}

// The best bound and the gap, each when the front end labels it.
void appendBound(LibraryContext* context, double incumbent, double bound, std::string* line) {
  std::string label = Msg_getMessageText(context, MsgBound);
  if (!label.empty() && Msg_formatBound(context, bound))
    appendPart(line, label + " " + context->status.boundText + "  ");
  label = Msg_getMessageText(context, MsgGap);
  if (!label.empty()) appendPart(line, label + " " + gapText(incumbent, bound) + "  ");
}

// The seconds a search has gone without improving, of those after which it
// stops, when the engine said them and the front end labels them.
void appendStall(const LibraryContext* context, std::string* line) {
  const ProgressState& p = context->progress;
  const std::string label = Msg_getMessageText(context, MsgStall);
  if (!p.stallShown || label.empty()) return;
  const std::string separator = line->empty() || line->ends_with("  ") ? "" : "  ";
  appendPart(line, separator + label + " " + countText(p.stallSeconds) + " s of " + countText(p.stallLimit) + "  ");
}

}  // namespace

int Msg_showStatus(int show, const std::string& text) {
  XLOPER flag = Xl_boolean(show && !text.empty());
  XLOPER result{};
  int rc = xlretFailed;
  if (flag.val.xbool) {
    XLOPER* line = Xl_newText(text.data(), text.size() < StatusTextMax ? text.size() : StatusTextMax);
    if (!line) return 0;
    rc = Excel4(xlcMessage, &result, 2, &flag, line);
    Xl_freeValue(line);
  } else {
    rc = Excel4(xlcMessage, &result, 1, &flag);
  }
  if (rc == xlretSuccess) Xl_giveBack(&result);
  return rc == xlretSuccess ? 1 : 0;
}

int Msg_resetStatus() { return Msg_showStatus(0, std::string()); }

void Msg_beginStatus(LibraryContext* context) {
  std::string setup = Msg_getMessageText(context, MsgSetup);
  if (!setup.empty()) showLine(context, setup);
  StatusState& s = context->status;
  recordLine(s, 0, 0);
  stampBoth(s, Os_tickCount());
  s.lastPercentTime = s.lastIterationTime;
}

void Msg_showPercent(LibraryContext* context, int k, double done, double total) {
  StatusState& s = context->status;
  std::uint32_t now = Os_tickCount();
  std::string text = Msg_getMessageText(context, k);
  std::string doneText = Msg_getMessageText(context, MsgDone);
  if (!throttlePassed(now, s.lastPercentTime) || text.empty() || doneText.empty()) return;
  double percent = total == 0 ? 0 : done * 100 / total;
  if (!(percent < 99)) percent = 99;
  if (percent < 0) percent = 0;
  if (appendPart(&text, std::to_string(static_cast<int>(percent)))) appendPart(&text, doneText);
  showLine(context, text);
  s.lastPercentTime = now;
}

int Msg_whichLine(LibraryContext* context, int showEach, std::int32_t iteration,
                  std::int32_t subproblems, bool incumbentChanged) {
  StatusState& s = context->status;
  std::uint32_t now = Os_tickCount();
  if (s.lastSubproblem == 0 && s.lastIteration == 0) Msg_resetStatus();
  if (showEach) {
    if (iteration == s.lastIteration && subproblems == s.lastSubproblem) return 0;
    recordLine(s, iteration, subproblems);
    stampBoth(s, now);
    return 2;
  }
  if (incumbentChanged ||
      (subproblems != s.lastSubproblem && throttlePassed(now, s.lastSubproblemTime))) {
    recordLine(s, iteration, subproblems);
    stampBoth(s, now);
    return 1;
  }
  if (iteration == s.lastIteration || !throttlePassed(now, s.lastIterationTime)) return 0;
  s.lastIterationTime = now;
  if (subproblems != s.lastSubproblem) s.lastSubproblemTime = now;
  recordLine(s, iteration, subproblems);
  return 2;
}

void Msg_showProgress(LibraryContext* context, int showEach, std::int32_t iteration, int wantCell, double objective,
                      std::int32_t subproblems, int haveIncumbent, double incumbent, int haveBound, double bound) {
  StatusState& s = context->status;
  bool incumbentChanged = false;
  if (haveIncumbent && !(s.incumbentTextValid && s.incumbentValue == incumbent)) {
    s.incumbentValue = incumbent;
    Msg_formatIncumbent(context, incumbent);
    incumbentChanged = true;
  }
  int due = Msg_whichLine(context, showEach, iteration, subproblems, incumbentChanged);
  if (due == 0) return;
  std::string line;
  std::string label = Msg_getMessageText(context, MsgIncumbent);
  if (haveIncumbent && !label.empty() && !s.incumbentText.empty())
    appendPart(&line, label + " " + s.incumbentText + "  ");
  label = Msg_getMessageText(context, MsgBranch);
  if (subproblems != 0 && !label.empty()) appendPart(&line, label + " " + countText(subproblems) + "  ");
  if (haveIncumbent && haveBound) appendBound(context, incumbent, bound, &line);
  if (due == 2) {
    label = Msg_getMessageText(context, MsgTrial);
    if (!label.empty()) appendPart(&line, label + " " + countText(iteration) + "  ");
    label = Msg_getMessageText(context, MsgSetCell);
    if (!label.empty() && Msg_formatObjective(context, wantCell, objective))
      appendPart(&line, label + " " + s.objectiveText);
  }
  appendStall(context, &line);
  if (!line.empty()) showLine(context, line);
}

int Msg_pollBreak() {
  XLOPER pressed{};
  if (Excel4(xlAbort, &pressed, 0) != xlretSuccess) return 0;
  bool yes = Xl_type(&pressed) == xltypeBool && pressed.val.xbool;
  Xl_giveBack(&pressed);
  if (!yes) return 0;
  XLOPER keep = Xl_boolean(false);
  XLOPER cleared{};
  if (Excel4(xlAbort, &cleared, 1, &keep) == xlretSuccess) Xl_giveBack(&cleared);
  return 1;
}
