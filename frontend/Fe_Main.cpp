// The `corvan` command line: its commands, their help texts, the parsing of
// their options and the dispatch to each command.
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "frontend/Fe_Command.h"
#include "frontend/Fe_Frontend.h"
#include "frontend/Fe_Output.h"
#include "frontend/Fe_Session.h"
#include "platform/os/Os_Guard.h"

namespace {

constexpr const char* kVersion = "corvan 0.1";

constexpr const char* kListExits =
    "exit status:\n"
    "  0  listed\n"
    "  2  bad usage, or a workbook that cannot be read\n"
    "130  a second Ctrl-C ended it at once, without writing\n";

constexpr const char* kRecalcExits =
    "exit status:\n"
    "  0  every formula cell agrees with the value its file stores\n"
    "  1  some differ, or some were not calculated\n"
    "  2  bad usage, or a workbook that cannot be read\n"
    "130  a second Ctrl-C ended it at once, without writing\n";

constexpr const char* kAnalyseExits =
    "exit status:\n"
    "  0  analysed and diagnosed\n"
    "  1  the analysis or the diagnosis failed, or the model cannot be read\n"
    "  2  bad usage (an --option value refused), or a workbook that cannot be read\n"
    "130  a second Ctrl-C ended it at once, without writing\n";

constexpr const char* kExitCodes =
    "exit status:\n"
    "  0  the run ended with a solution (written into the variable cells)\n"
    "  1  it ended without one: infeasible, unbounded, a limit reached with no\n"
    "     feasible point, an engine failure, or a model that cannot be solved\n"
    "  2  bad usage (an --option value refused, a report that cannot be made),\n"
    "     or a workbook that cannot be read or saved\n"
    "130  a second Ctrl-C ended it at once, without writing (or after a save\n"
    "     already complete, which it says)\n";

struct Command {
  const char* name;
  int (*run)(const FeArgs&);
  const char* synopsis;
  const char* help;
  const char* exits;
};

const Command kCommands[] = {
    {"solve", Fe_solve, "solve BOOK.xlsx [options]",
     "Solves the model stored in the workbook's solver_* names and writes the\n"
     "solution into its variable cells. Prints the status, the engine, the\n"
     "objective, the variable cells and the constraint table, then every\n"
     "solution the engine found of a system of equations.\n\n"
     "options:\n"
     "  --sheet NAME             the sheet whose model to solve (default: the active one)\n"
     "  --engine N               the engine, by its number (1 or more) in `corvan engines`\n"
     "  --max-time S             time limit in seconds (fractions allowed)\n"
     "  --option NAME=VALUE      sets the model's option \"solver_NAME\" (repeatable),\n"
     "                           e.g. --option nod=100000 --option dia=2\n"
     "  --on-limit continue|stop what to do when a limit is reached (default: stop)\n"
     "  --report LIST            answer, sensitivity, limits (comma-separated) or all:\n"
     "                           printed, and added as sheets of the saved workbook\n"
     "  --import markers         first reads a model written with another add-in's\n"
     "                           markers (cells styled \"Adjustable\", names containing\n"
     "                           wbint, wbbin or wbfree, wb(cells, relation, side)\n"
     "                           formulas, the name WBMIN or WBMAX) into the sheet's\n"
     "                           solver_* names\n"
     "  --out FILE               saves the solved workbook to FILE\n"
     "  --overwrite              lets --out name BOOK itself\n"
     "  --quiet                  shows no progress line\n\n"
     "While it runs, a progress line on standard error shows the seconds since the\n"
     "start and what the engine reports: the incumbent, the subproblems, the best\n"
     "bound and the gap (|incumbent - bound| / |incumbent|) of an integer search,\n"
     "the trial iterations, and how long an evolutionary search has gone without\n"
     "improvement (it ends after \"solver_mni\" seconds without); refreshed in\n"
     "place on a terminal, a plain line\n"
     "every few seconds in a pipe or a log. An integer search that stops short of\n"
     "its proof (at a limit, or by Ctrl-C) prints its best bound and gap after the\n"
     "status.\n\n"
     "Ctrl-C stops the run as a spreadsheet's break does: the best point found is\n"
     "kept, printed and saved. A second Ctrl-C ends at once without writing, or,\n"
     "when the save was already complete, says so.\n",
     kExitCodes},
    {"analyse", Fe_analyse, "analyse BOOK.xlsx [--sheet NAME] [--option NAME=VALUE]...",
     "Analyses and diagnoses the model without solving it: the model's level\n"
     "(linear to non-smooth), its structure counts, the convexity verdict and,\n"
     "per function, its class, curvature and the variables that exceed the\n"
     "declared model type (\"solver_mod\").\n\n"
     "options:\n"
     "  --sheet NAME             the sheet whose model to analyse\n"
     "  --option NAME=VALUE      sets the model's option \"solver_NAME\" (repeatable);\n"
     "                           mda=2 skips the convexity test, rdp=0 the functions,\n"
     "                           mtr=1 linearises ABS, IF, MAX, MIN ... with big-M rows\n",
     kAnalyseExits},
    {"models", Fe_models, "models BOOK.xlsx",
     "Lists the sheets that hold a model: objective cell and sense, number of\n"
     "variable cells and constraints, and the chosen engine.\n",
     kListExits},
    {"engines", Fe_engines, "engines [BOOK.xlsx]",
     "Lists the engines the library offers, with the number --engine takes:\n"
     "the built-in ones, and the plug-in engines beside the library.\n",
     kListExits},
    {"recalc", Fe_recalc, "recalc BOOK.xlsx [--interpreter]",
     "Recalculates the workbook and compares every formula cell with the value\n"
     "the file stores. A formula cell it cannot calculate (a function it does\n"
     "not have, a formula it cannot read) is named and counted apart, never as\n"
     "matching.\n\n"
     "options:\n"
     "  --interpreter            computes every formula cell with the library's own\n"
     "                           formula interpreter instead, and names each cell it\n"
     "                           could not compute with the reason\n",
     kRecalcExits},
};

const Command* findCommand(const std::string& name) {
  for (const Command& c : kCommands)
    if (name == c.name) return &c;
  return nullptr;
}

bool isHelp(const char* a) { return !std::strcmp(a, "--help") || !std::strcmp(a, "-h"); }

// The command whose usage errors the process reports ("" before one is
// chosen): they point to its help.
std::string& usageCommand() {
  static std::string command;
  return command;
}

// Options a command takes, each with a value.
bool takes(const std::string& command, const std::string& option) {
  if (option == "--sheet") return command == "solve" || command == "analyse";
  if (option == "--option") return command == "solve" || command == "analyse";
  if (option == "--import") return command == "solve";
  return command == "solve" && (option == "--out" || option == "--engine" || option == "--max-time" ||
                                option == "--on-limit" || option == "--report");
}

// A whole number the model's integer options can hold.
bool wholeNumber(const std::string& text) {
  char* end = nullptr;
  errno = 0;
  long n = std::strtol(text.c_str(), &end, 10);
  return !text.empty() && !*end && errno == 0 && n >= INT_MIN && n <= INT_MAX;
}

bool positiveNumber(const std::string& text) {
  char* end = nullptr;
  double t = std::strtod(text.c_str(), &end);
  return !text.empty() && !*end && t > 0;
}

// "NAME=VALUE" of --option; NAME with or without its "solver_" prefix.
int addOption(const std::string& text, FeArgs* a) {
  size_t eq = text.find('=');
  std::string name = text.substr(0, eq == std::string::npos ? 0 : eq);
  if (name.rfind("solver_", 0) == 0) name = name.substr(7);
  bool letters = !name.empty();
  for (char c : name) letters = letters && std::isalpha(static_cast<unsigned char>(c));
  if (!letters || eq + 1 >= text.size())
    return Fe_usageError("--option takes NAME=VALUE (for example nod=100000), not '" + text + "'");
  if (int rc = Fe_checkOption(name, text.substr(eq + 1)); rc >= 0) return rc;
  a->options.push_back({"solver_" + name, text.substr(eq + 1)});
  return -1;
}

int addReports(const std::string& text, FeArgs* a) {
  static const char* const kReports[] = {"answer", "sensitivity", "limits"};
  size_t at = 0;
  while (at <= text.size()) {
    size_t comma = text.find(',', at);
    std::string item = text.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
    bool known = item == "all";
    for (const char* r : kReports) known = known || item == r;
    if (!known)
      return Fe_usageError("--report takes answer, sensitivity, limits or all, not '" + item + "'");
    if (item == "all") a->reports.assign(std::begin(kReports), std::end(kReports));
    else if (std::find(a->reports.begin(), a->reports.end(), item) == a->reports.end()) a->reports.push_back(item);
    if (comma == std::string::npos) break;
    at = comma + 1;
  }
  return -1;
}

// Checks and keeps one option's value; -1 on success, else the exit status.
int takeValue(const std::string& option, const std::string& value, FeArgs* a) {
  if (option == "--sheet") a->sheet = value;
  else if (option == "--out") a->out = value;
  else if (option == "--option") return addOption(value, a);
  else if (option == "--report") return addReports(value, a);
  else if (option == "--import") {
    if (value != "markers") return Fe_usageError("--import takes markers, not '" + value + "'");
    a->importMarkers = true;
  } else if (option == "--engine") {
    if (!wholeNumber(value)) return Fe_usageError("--engine takes a whole number, not '" + value + "'");
    a->engine = value;
  } else if (option == "--max-time") {
    if (!positiveNumber(value))
      return Fe_usageError("--max-time takes a positive number of seconds, not '" + value + "'");
    a->maxTime = value;
  } else if (option == "--on-limit") {
    if (value != "continue" && value != "stop")
      return Fe_usageError("--on-limit takes continue or stop, not '" + value + "'");
    a->onLimit = value == "continue" ? FeOnLimit::Continue : FeOnLimit::Stop;
  }
  return -1;
}

std::string lowerExtension(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

// A warning when another program has the file `out` open: spreadsheet
// programs keep a lock file beside a workbook they have open ("~$name" or
// ".~lock.name#"), and may later save their own copy over what the run saves.
void warnIfOpenElsewhere(const std::string& out) {
  const std::filesystem::path path(out);
  const std::string name = path.filename().string();
  std::error_code ec;
  for (const std::string& lock : {"~$" + name, ".~lock." + name + "#"})
    if (std::filesystem::exists(path.parent_path() / lock, ec)) {
      std::fprintf(stderr,
                   "corvan: warning: %s looks open in another program (its lock file %s is beside it): the run "
                   "saves over it, and that program may later save its own copy over the solution; close it there "
                   "first\n",
                   out.c_str(), lock.c_str());
      return;
    }
}

// The folder --out names must take a new file: checked before the run, so
// that a run's work is not lost to a save that cannot be made.
int checkOutFolder(const FeArgs& a) {
  if (a.out.empty()) return -1;
  const std::filesystem::path folder = std::filesystem::absolute(a.out).parent_path();
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec))
    return Fe_usageError("--out " + a.out + ": the folder " + folder.string() +
                         (std::filesystem::exists(folder, ec) ? " is a file, not a folder" : " does not exist"));
  if (access(folder.c_str(), W_OK | X_OK) != 0)
    return Fe_usageError("--out " + a.out + ": the folder " + folder.string() + " cannot be written (" +
                         std::strerror(errno) + ")");
  if (std::filesystem::is_directory(a.out, ec)) return Fe_usageError("--out " + a.out + " is a folder, not a file");
  warnIfOpenElsewhere(a.out);
  return -1;
}

// The saved file is the package the workbook was read from, with its type:
// a macro-enabled workbook (.xlsm) saves as one, any other as .xlsx. A name
// of another type would hold content its programs do not expect.
int checkOutType(const FeArgs& a) {
  if (a.out.empty()) return -1;
  bool macros = lowerExtension(a.book) == ".xlsm";
  const char* type = macros ? ".xlsm" : ".xlsx";
  if (lowerExtension(a.out) == type) return -1;
  return Fe_usageError("--out " + a.out + ": " + a.book + " is saved as a " +
                       (macros ? "macro-enabled workbook" : "workbook without macros") + ", so the file must end in " +
                       type);
}

}  // namespace

int Fe_usageError(const std::string& message) {
  const std::string help = usageCommand().empty() ? "corvan --help" : "corvan " + usageCommand() + " --help";
  std::fprintf(stderr, "corvan: %s\n", message.c_str());
  std::fprintf(stderr, "Try '%s' for more information.\n", help.c_str());
  return FeExitUsage;
}

void Fe_printUsage(std::FILE* to) {
  std::fprintf(to, "usage:");
  for (const Command& c : kCommands) std::fprintf(to, "%s corvan %s\n", &c == kCommands ? "" : "      ", c.synopsis);
  std::fprintf(to,
               "       corvan help [COMMAND] | corvan COMMAND --help | corvan --version\n\n"
               "Solves optimisation models stored in spreadsheet workbooks (.xlsx). Each\n"
               "command's --help lists its options and exit statuses; those of solve:\n\n%s\n"
               "Options may come before or after BOOK; `--` ends them, so that a workbook\n"
               "whose name starts with '-' can follow it.\n",
               kExitCodes);
}

bool Fe_printHelp(const std::string& command, std::FILE* to) {
  const Command* c = findCommand(command);
  if (!c) return false;
  std::fprintf(to, "usage: corvan %s\n\n%s\n%s", c->synopsis, c->help, c->exits);
  return true;
}

int Fe_parseArgs(int argc, char** argv, FeArgs* a) {
  bool optionsEnded = false;  // after "--" every argument is a workbook, even one that starts with '-'
  for (int i = 2; i < argc; ++i) {
    std::string arg = argv[i];
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (!optionsEnded && isHelp(argv[i])) {
      Fe_printHelp(a->command, stdout);
      return FeExitSolution;
    }
    size_t eq = arg.find('=');
    std::string option = arg.rfind("--", 0) == 0 ? arg.substr(0, eq) : arg;
    if (optionsEnded || arg[0] != '-') {
      if (!a->book.empty()) return Fe_usageError("unexpected argument '" + arg + "'");
      a->book = arg;
    } else if (arg == "--interpreter" && a->command == "recalc") {
      a->interpreter = true;
    } else if (arg == "--overwrite" && a->command == "solve") {
      a->overwrite = true;
    } else if (arg == "--quiet" && a->command == "solve") {
      a->quiet = true;
    } else if (!takes(a->command, option)) {
      return Fe_usageError(a->command + " has no option '" + option + "'");
    } else if (eq != std::string::npos) {
      if (int rc = takeValue(option, arg.substr(eq + 1), a); rc >= 0) return rc;
    } else if (i + 1 < argc) {
      if (int rc = takeValue(option, argv[++i], a); rc >= 0) return rc;
    } else {
      return Fe_usageError(option + " needs a value");
    }
  }
  if (a->book.empty() && a->command != "engines")
    return Fe_usageError(a->command + " needs a workbook (BOOK.xlsx)");
  if (int rc = checkOutType(*a); rc >= 0) return rc;
  if (int rc = checkOutFolder(*a); rc >= 0) return rc;
  std::error_code ec;
  if (!a->out.empty() && !a->overwrite && std::filesystem::equivalent(a->book, a->out, ec))
    return Fe_usageError("--out names the workbook being solved (" + a->book + "); add --overwrite to replace it");
  return -1;
}

namespace {

// What the run frees stays with the process for its next use rather than
// going back to the system, which would hand it over again as fresh pages to
// fault in and zero: blocks up to 32 MB (the most the C library allows) come
// from the heap instead of mappings of their own, and the heap gives back its
// free top only once more than 256 MB of it lies unused. Memory freed during
// a run is thus returned at its exit; a run on a large workbook holds at most
// that much beyond what it uses.
constexpr int kHeapBlockLimit = 32 * 1024 * 1024;
constexpr int kHeapTrimAbove = 256 * 1024 * 1024;

}  // namespace

int Fe_main(int argc, char** argv) {
  mallopt(M_MMAP_THRESHOLD, kHeapBlockLimit);
  mallopt(M_TRIM_THRESHOLD, kHeapTrimAbove);
  // Results and messages interleave in the order they happen, even in a pipe;
  // a reader that closes the pipe early (`| head -1`) does not end the run
  // before the workbook is saved.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  std::signal(SIGPIPE, SIG_IGN);
  // A file-size limit (`ulimit -f`) then fails the save's write with EFBIG,
  // which is reported as a full disk is, instead of ending the process.
  std::signal(SIGXFSZ, SIG_IGN);
  if (argc < 2) {
    Fe_printUsage(stderr);
    return FeExitUsage;
  }
  std::string first = argv[1];
  if (isHelp(argv[1]) || first == "help") {
    // `corvan help --help` and `corvan help help` ask for help on help: the usage.
    const bool aboutHelp = argc <= 2 || isHelp(argv[2]) || !std::strcmp(argv[2], "help");
    if (!aboutHelp && !Fe_printHelp(argv[2], stdout))
      return Fe_usageError(std::string("no command '") + argv[2] + "'");
    if (aboutHelp) Fe_printUsage(stdout);
    return FeExitSolution;
  }
  if (first == "--version") {
    std::printf("%s\n", kVersion);
    return FeExitSolution;
  }
  const Command* c = findCommand(first);
  if (!c) return Fe_usageError(first[0] == '-' ? "unknown option '" + first + "'" : "unknown command '" + first + "'");
  FeArgs args;
  args.command = first;
  usageCommand() = first;
  if (int rc = Fe_parseArgs(argc, argv, &args); rc >= 0) return rc;
  // The last handler: memory that ran out where no step of the command
  // looked, or that escaped the front end's own code, is said as any other.
  Fe_beginCommand(args.book);
  constexpr int kOutOfMemory = -1;
  int rc = Os_guard(kOutOfMemory, [&] {
    // A function the add-in could not register shows as #NAME? in its cells,
    // which the recalculation's warnings name.
    Fe_registerFunctionsWhenNeeded();
    Fe_startProgress(args.quiet);
    Fe_limitTheLoad(args);
    return c->run(args);
  });
  return rc == kOutOfMemory ? Fe_outOfMemory() : rc;
}
