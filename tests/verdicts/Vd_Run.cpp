// Runs the command's entry in process (as fast as a test can go and still
// through the front end's own verdict) and reads back what it saved.
#include "tests/verdicts/Vd_Run.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "frontend/Fe_Frontend.h"
#include "platform/workbook/Wb_Workbook.h"
#include "platform/xlsx/Xlsx.h"
#include "tests/verdicts/Vd_Recipe.h"

namespace {

constexpr int kSignalBase = 128;
const char* const kRefused = "but the point the run ended at is no solution";

std::vector<std::string> words(const std::string& book, const std::string& out, int engine, bool analysed,
                               double seconds) {
  std::vector<std::string> w = {
      "corvan",           "solve", book, "--engine", std::to_string(engine), "--quiet", "--max-time",
      Vd_number(seconds), "--out", out};
  if (analysed) w.insert(w.end(), {"--option", "dia=2"});
  return w;
}

void runHere(std::vector<std::string>* w, VdRun* run) {
  std::vector<char*> argv;
  for (std::string& s : *w) argv.push_back(s.data());
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  run->exit = Fe_main(static_cast<int>(argv.size()), argv.data());
  run->output = ::testing::internal::GetCapturedStdout();
  run->output += ::testing::internal::GetCapturedStderr();
}

std::string quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// The words after the program's name go to `command`; a signal shows as
// 128 + its number, as a shell shows it.
void runProgram(const std::string& command, const std::vector<std::string>& w, VdRun* run) {
  std::string line = quoted(command);
  for (size_t k = 1; k < w.size(); ++k) line += " " + quoted(w[k]);
  FILE* p = popen((line + " 2>&1").c_str(), "r");
  if (!p) return;
  char buf[4096];
  for (size_t got; (got = std::fread(buf, 1, sizeof buf, p)) > 0;) run->output.append(buf, got);
  const int status = pclose(p);
  run->exit = WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? kSignalBase + WTERMSIG(status) : -1;
}

void readStatus(VdRun* run) {
  const size_t at = run->output.rfind("status ", 0) == 0 ? 0 : run->output.find("\nstatus ");
  if (at == std::string::npos) return;
  const size_t begin = at == 0 ? 0 : at + 1;
  run->statusLine = run->output.substr(begin, run->output.find('\n', begin) - begin);
  run->status = std::atoi(run->statusLine.c_str() + 7);
  run->pointRefused = run->statusLine.find(kRefused) != std::string::npos;
}

void readSaved(const std::string& out, int variables, VdRun* run) {
  std::string error;
  Workbook* wb = std::filesystem::exists(out) ? Xlsx_open(out, &error) : nullptr;
  if (!wb) return;
  const Sheet* sh = wb->sheets[0].get();
  run->saved = true;
  for (int j = 0; j < variables; ++j) {
    const Cell* c = Wb_findCell(sh, Vd_variableRow(), Vd_variableColumn(j));
    run->x.push_back(c && c->value.kind == CellKind::Number ? c->value.number : 0);
  }
  const Cell* o = Wb_findCell(sh, Vd_objectiveRow(), Vd_objectiveColumn());
  run->objectiveIsNumber = o && o->value.kind == CellKind::Number;
  run->objective = run->objectiveIsNumber ? o->value.number : 0;
  Wb_closeWorkbook(wb);
}

}  // namespace

std::string Vd_commandLine(int engine, bool analysed) {
  return "corvan solve model.xlsx --engine " + std::to_string(engine) + (analysed ? " --option dia=2" : "");
}

VdRun Vd_solve(const std::string& book, const std::string& out, int engine, bool analysed, int variables,
               double seconds, const std::string& command) {
  std::filesystem::remove(out);
  std::vector<std::string> w = words(book, out, engine, analysed, seconds);
  VdRun run;
  run.engine = engine;
  run.analysed = analysed;
  if (command.empty()) runHere(&w, &run);
  else runProgram(command, w, &run);
  readStatus(&run);
  readSaved(out, variables, &run);
  return run;
}
