// The interval engine's finish: the result evaluated into the variable
// cells, the solution report, and the table of the search's statistics and
// boxes.
#include <cstdio>

#include "base/Dbl_Text.h"
#include "contract/Host_Queries.h"
#include "engines/interval/Ia_Engine.h"
#include "engines/interval/Ia_Status.h"

namespace {

constexpr int kIaTableColumns = 12;

bool Ia_reportedStatus(int status) {
  return Eng_isLocalSolution(status) || status == StatusInfeasible || status == IaStatusWideResult;
}

std::string Ia_int(int v) { return std::to_string(v); }

// The table: a row of the mode and the counters, the variables' addresses,
// then the midpoints of every solution box (equations) or the lower and
// then upper ends of the reference box; "0" fills the rest.
std::vector<std::string> Ia_tableCells(const IaEngine& e) {
  const bool equations = e.problemClass == IaClassEquations;
  const IaSearchStats& st = e.stats;
  std::vector<std::string> cells = {equations ? "3" : "4",
                                    Ia_int(st.iterations),
                                    Ia_int(st.values),
                                    Ia_int(st.gradients),
                                    Ia_int(st.hessians),
                                    Ia_int(st.newton),
                                    equations ? Ia_int(static_cast<int>(e.solutions.nodes.size())) : "2"};
  cells.resize(kIaTableColumns, "0");
  std::vector<std::string> addresses;
  if (e.host.variableAddresses) addresses = e.host.variableAddresses(e.host.services.user);
  for (int i = 1; i <= e.n; ++i) cells.push_back(i < static_cast<int>(addresses.size()) ? addresses[i] : "R0C0");
  if (equations) {
    for (const IaBoxNode& node : e.solutions.nodes)
      for (int i = 1; i <= e.n; ++i) cells.push_back(Dbl_fixedText(0.5 * node.box[i].lo + 0.5 * node.box[i].hi));
  } else if (!e.reference.empty()) {
    for (int i = 1; i <= e.n; ++i) cells.push_back(Dbl_fixedText(e.reference[i].lo));
    for (int i = 1; i <= e.n; ++i) cells.push_back(Dbl_fixedText(e.reference[i].hi));
  }
  // The first row, then ceiling(rest / 12) rows and one more.
  cells.resize((cells.size() + 2 * kIaTableColumns - 1) / kIaTableColumns * kIaTableColumns, "0");
  return cells;
}

void Ia_writeReport(const IaEngine& e, int status) {
  const HostServices& h = e.host.services;
  const int feasibility = h.queryModel(h.user, QueryFeasibility);
  int set = feasibility == 1 ? 4 : feasibility == 2 ? 5 : 1, code = 0;
  if (feasibility == 0 && status == StatusInfeasible) set = 0, code = StatusInfeasible;
  std::vector<double> perVariable(e.n + 1, 0.0), perRow(e.rows + 2, 0.0);
  const ReportSummary summary{e.n, &e.lower[1],    &e.x[1], &e.upper[1],    &perVariable[1],
                              e.m, &e.rowLower[1], &e.f[1], &e.rowUpper[1], &perRow[1]};
  if (h.writeReports) h.writeReports(h.user, set, code, &summary, nullptr);
  if (!e.host.writeTable) return;
  const std::vector<std::string> cells = Ia_tableCells(e);
  std::vector<const char*> texts;
  for (const std::string& c : cells) texts.push_back(c.c_str());
  e.host.writeTable(h.user, code, kIaTableColumns, static_cast<int>(cells.size()) / kIaTableColumns, texts.data());
}

}  // namespace

int Ia_finish(IaEngine& e, int status) {
  if (!e.setUp) return status;  // a refused model: no point to leave in the cells
  const HostServices& h = e.host.services;
  h.progress(h.user, ProgressPause, 0, 0.0);
  const bool evaluated = h.evalProblem(h.user, &e.f[1], &e.x[1]) != 0;
  h.progress(h.user, ProgressResume, 0, 0.0);
  // A run that found no point keeps saying so where its point has no value.
  const bool pointless = status == StatusInfeasible || status == StatusUnbounded;
  if (!evaluated && !pointless) return StatusEvalError;
  if (evaluated && Ia_reportedStatus(status)) Ia_writeReport(e, status);
  e.solutions.nodes.clear();
  return status;
}
