// The progress line of a run: the library's status-bar texts (incumbent,
// subproblems, best bound and gap, trial iterations, set-up percentages)
// after the time since the command started. On a terminal one line is
// refreshed in place, cut to the terminal's width so that it never wraps (a
// wrapped line could not be refreshed in place); in a pipe or a log a plain
// line is written every few seconds, so that a long run leaves a readable
// trace rather than thousands of lines. The last best bound and gap shown
// are kept for the results, after the line that showed them is gone.
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "frontend/Fe_Output.h"

namespace {

using Clock = std::chrono::steady_clock;

// Seconds between two plain lines in a pipe.
constexpr double kPlainLineSeconds = 5;

struct Progress {
  Clock::time_point start = Clock::now();
  Clock::time_point lastPlainLine{};
  bool plainLineWritten = false;
  bool lineOpen = false;  // a terminal line waits for its end
  bool quiet = false;
  std::string bound, gap;  // as the last text that showed a bound gave them
};

Progress& progress() {
  static Progress p;
  return p;
}

double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

std::string lineAfter(double seconds, const std::string& text) {
  char elapsed[32];
  std::snprintf(elapsed, sizeof elapsed, "%8.1f s  ", seconds);
  return elapsed + text;
}

// Columns of the terminal on standard error; 0 when it does not say.
std::size_t terminalColumns() {
  winsize size{};
  return ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}

// Cuts the line short of the last column, at the start of a character.
void fitTerminal(std::string* line) {
  std::size_t columns = terminalColumns();
  if (columns < 2 || line->size() < columns) return;
  std::size_t end = columns - 1;
  while (end > 0 && (static_cast<unsigned char>((*line)[end]) & 0xC0) == 0x80) --end;
  line->resize(end);
}

// The value after `label` in a status text, whose parts two spaces part;
// "" when the text has no label.
std::string valueAfter(const std::string& text, const char* label) {
  const size_t at = text.find(label);
  if (at == std::string::npos) return "";
  const size_t start = text.find_first_not_of(' ', at + std::strlen(label));
  if (start == std::string::npos) return "";
  return text.substr(start, text.find("  ", start) - start);
}

}  // namespace

void Fe_startProgress(bool quiet) {
  Progress& p = progress();
  p = Progress{};
  p.quiet = quiet;
}

double Fe_secondsSinceStart() { return secondsSince(progress().start); }

std::string Fe_boundAndGap() {
  const Progress& p = progress();
  if (p.bound.empty()) return "";
  return "best bound " + p.bound + (p.gap.empty() ? "" : ", gap " + p.gap);
}

void Fe_showStatus(const std::string& text) {
  Progress& p = progress();
  if (std::string bound = valueAfter(text, kFeBoundLabel); !bound.empty()) {
    p.bound = bound;
    p.gap = valueAfter(text, kFeGapLabel);
  }
  if (text.empty() || p.quiet) return;
  std::string line = lineAfter(secondsSince(p.start), text);
  if (isatty(STDERR_FILENO)) {
    fitTerminal(&line);
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    p.lineOpen = true;
    return;
  }
  if (p.plainLineWritten && secondsSince(p.lastPlainLine) < kPlainLineSeconds) return;
  std::fprintf(stderr, "%s\n", line.c_str());
  p.lastPlainLine = Clock::now();
  p.plainLineWritten = true;
}

void Fe_endProgress() {
  Progress& p = progress();
  if (p.lineOpen) std::fprintf(stderr, "\n");
  p.lineOpen = false;
}
