// The status bar, the front end's message names and its "Show" macro.
//
// The words shown while a model is set up and solved are not the library's:
// the front end defines them as names on its own sheet ("msg_setup",
// "msg_trial" ...), read once per session. Progress lines are composed from
// them, throttled to one update every 750 ms, with objective values in the
// objective cell's own number format. The front end's "Show" macro decides
// whether a run goes on after a break or a limit.
#pragma once

#include <cstdint>
#include <string>

#include "platform/xlcall/Xlcall.h"

struct LibraryContext;

// Entries of the front end's names, in this fixed order.
enum MessageName : int {
  MsgShow = 0,        // the macro run with a ShowReason
  MsgTable = 1,       // "solver_tbl", else "solver_table": the engine list range
  MsgSetup = 2,       // set-up progress and the first line of a session
  MsgFpSetup = 3,     // set-up progress of the second kind
  MsgTrial = 4,       // label of the iteration number
  MsgBranch = 5,      // label of the subproblem count
  MsgIncumbent = 6,   // label of the incumbent objective
  MsgSetCell = 7,     // label of the current objective
  MsgFeasible = 8,    // feasibility search progress (percent)
  MsgLimits = 9,      // progress of the counted set-up steps (percent)
  MsgDone = 10,       // suffix after a percentage
  MsgBound = 11,      // label of the integer search's best bound
  MsgGap = 12,        // label of the gap between the incumbent and the bound
  MsgStall = 13,      // label of the time a search has gone without improving
  MessageNameCount = 14
};

// Why the "Show" macro is asked.
enum ShowReason : int {
  ShowBreak = 1,            // the user's break, or a shown iteration
  ShowTimeLimit = 2,
  ShowIterationLimit = 3,
  ShowSubproblemLimit = 4,
  ShowIntegerLimit = 5,
};

// Longest line the status bar takes.
constexpr std::size_t StatusTextMax = 255;
// Least time between two updates of the same kind of line, in milliseconds.
constexpr std::uint32_t StatusThrottleMs = 750;

// The front end's names, read from the sheet of the calling macro into
// context->frontEndNames (replacing a list read before): 1 on success, 0
// when the sheet is unknown or memory runs out (nothing is kept then).
// A name that is not defined leaves its entry empty.
int Msg_readMessageNames(LibraryContext* context);
void Msg_freeMessageNames(LibraryContext* context);
// Entry 1 from "solver_table" when "solver_tbl" gave nothing; 1 also when
// neither is defined, 0 only when the list is missing.
int Msg_findEngineListRange(LibraryContext* context, const std::string& sheetName);
// Text of an entry from MsgSetup on; empty when it is missing or empty.
std::string Msg_getMessageText(const LibraryContext* context, int k);
// Entry 0..10 as kept; none when missing.
const XLOPER* Msg_getMessageName(const LibraryContext* context, int k);
// Runs "Show" with the reason: its answer 1 gives 0 (continue) and 2 gives
// 1 (stop chosen); no macro, a failed call or any other answer gives
// `defaultCode`.
int Msg_askShowMacro(LibraryContext* context, int reason, int defaultCode);

// The status bar: `text` shown (cut at 255 characters) when show is nonzero
// and the text not empty, else given back to the application. 1 when the
// application accepted the call.
int Msg_showStatus(int show, const std::string& text);
int Msg_resetStatus();
// First line of a session ("msg_setup"), counters and throttle stamps reset.
void Msg_beginStatus(LibraryContext* context);
// "<text k><percent><msg_done>", percent = done * 100 / total capped at 99
// (0 for total 0); at most one every 750 ms. Parts that would take the line
// to 255 characters or more are left out.
void Msg_showPercent(LibraryContext* context, int k, double done, double total);
// Which iteration line is due: 0 none, 1 the short line (incumbent and
// subproblem parts), 2 the full line; records what it chose.
int Msg_whichLine(LibraryContext* context, int showEach, std::int32_t iteration,
                  std::int32_t subproblems, bool incumbentChanged);
// The iteration line: incumbent, subproblem count, best bound and gap
// (with both an incumbent and a bound), then (full line only) iteration
// number and current objective, each with its front-end label. The
// objective is the objective cell's own value when `wantCell` is set, else
// `objective`. The gap is |incumbent - bound| / max(1e-10, |incumbent|), in
// percent; a front end without the "msg_bound" and "msg_gap" labels sees
// neither part.
void Msg_showProgress(LibraryContext* context, int showEach, std::int32_t iteration, int wantCell, double objective,
                      std::int32_t subproblems, int haveIncumbent, double incumbent, int haveBound, double bound);
// 1 when the user pressed the break key since the last poll (the break is
// then cleared), else 0.
int Msg_pollBreak();

// A value in the objective cell's number format (or the application's
// plain number text when the cell has none) into status.incumbentText or
// status.objectiveText: 1 when the text is not empty. With `fromCell` the
// objective cell's current value is formatted instead of `value`.
int Msg_formatIncumbent(LibraryContext* context, double value);
int Msg_formatObjective(LibraryContext* context, int fromCell, double value);
// The best bound formatted as the incumbent, into status.boundText.
int Msg_formatBound(LibraryContext* context, double value);

// Prepares a run: clears the pending stop, the pause and the break, reads
// "solver_sho" and the limits ("solver_tim" in seconds, "solver_itr",
// "solver_nod", "solver_mip"), arms each limit once, starts the clock and
// clears the counters. Returns 1.
int Msg_armLimits(LibraryContext* context);

// The calculation mode at session begin kept in context->savedCalcMode;
// calculation is manual for the run and the mode restored afterwards (a
// manual mode is neither changed nor restored). 1 on success.
int Msg_saveCalcMode(LibraryContext* context);
int Msg_restoreCalcMode(LibraryContext* context);
