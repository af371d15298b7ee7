// The interval global engine on test functions and systems of equations
// written as models here: time per solve, boxes processed (iterations and
// bisections), evaluations, the status and the objective or the number of
// solutions, with interval (met 1) and affine (met 2) contraction, each with
// and without the Newton and closing steps (soc).
#include <benchmark/benchmark.h>

#include "tests/engines/IaFakeHost.h"

namespace {

struct BenchProblem {
  const char* name;
  int problemClass;
  std::vector<int> relations;
  std::vector<double> lower, upper, start;
  std::function<void(IaTestModel&)> define;
};


const std::vector<BenchProblem>& problems() {
  static const std::vector<BenchProblem> list = {
      {"camel6", IaClassObjective, {}, {-3, -2}, {3, 2}, {1.708, 0.472},
       [](IaTestModel& t) {
         t.add([](const auto& x) {
           return (4 - 2.1 * sqr(x[1]) + sqr(x[1]) * sqr(x[1]) * (1.0 / 3)) * sqr(x[1]) + x[1] * x[2] +
                  (4 * sqr(x[2]) - 4) * sqr(x[2]);
         });
       }},
      {"rastrigin2", IaClassObjective, {}, {-5.12, -5.12}, {5.12, 5.12}, {1.208, 1.208},
       [](IaTestModel& t) {
         t.add([](const auto& x) {
           constexpr double twoPi = 6.283185307179586;
           return 20 + sqr(x[1]) - 10 * cos(twoPi * x[1]) + sqr(x[2]) - 10 * cos(twoPi * x[2]);
         });
       }},
      {"rosenbrock2", IaClassObjective, {}, {-5, -5}, {10, 10}, {4.27, 4.27},
       [](IaTestModel& t) { t.add([](const auto& x) { return 100 * sqr(x[2] - sqr(x[1])) + sqr(1 - x[1]); }); }},
      {"hartmann3", IaClassObjective, {}, {0, 0, 0}, {1, 1, 1}, {0.618, 0.618, 0.618},
       [](IaTestModel& t) {
         t.add([](const auto& x) {
           return -1.0 * (1.0 * exp(-1.0 * (3 * sqr(x[1] - 0.3689) + 10 * sqr(x[2] - 0.117) + 30 * sqr(x[3] - 0.2673))) +
                          1.2 * exp(-1.0 * (0.1 * sqr(x[1] - 0.4699) + 10 * sqr(x[2] - 0.4387) + 35 * sqr(x[3] - 0.747))) +
                          3 * exp(-1.0 * (3 * sqr(x[1] - 0.1091) + 10 * sqr(x[2] - 0.8732) + 30 * sqr(x[3] - 0.5547))) +
                          3.2 * exp(-1.0 * (0.1 * sqr(x[1] - 0.03815) + 10 * sqr(x[2] - 0.5743) + 35 * sqr(x[3] - 0.8828))));
         });
       }},
      {"circle_hyperbola", IaClassEquations, {IaRelEqual, IaRelEqual}, {-3, -3}, {3, 3}, {0.708, 0.708},
       [](IaTestModel& t) {
         t.add([](const auto& x) { return x[1]; });
         t.add([](const auto& x) { return sqr(x[1]) + sqr(x[2]) - 4.0; });
         t.add([](const auto& x) { return x[1] * x[2] - 1.0; });
       }},
      {"symmetric3", IaClassEquations, {IaRelEqual, IaRelEqual, IaRelEqual}, {-3, -3, -3}, {3, 3, 3},
       {0.708, 0.708, 0.708},
       [](IaTestModel& t) {
         t.add([](const auto& x) { return x[1]; });
         t.add([](const auto& x) { return x[1] + x[2] + x[3]; });
         t.add([](const auto& x) { return sqr(x[1]) + sqr(x[2]) + sqr(x[3]) - 6.0; });
         t.add([](const auto& x) { return x[1] * x[2] * x[3] - 1.0; });
       }},
  };
  return list;
}

void solve(benchmark::State& state, const BenchProblem& p, int method, int newton) {
  EngineRun r{};
  for (auto _ : state) {
    IaTestModel t;
    p.define(t);
    IaFakeHost f;
    f.t = &t;
    f.lower = p.lower, f.upper = p.upper, f.start = p.start;
    f.accuracy = 1e-3;
    f.localMoves = p.problemClass != IaClassEquations;
    f.named["solver_met"] = method;
    f.named["solver_soc"] = newton;
    r = runEngine(f, t.bind(static_cast<int>(p.lower.size()), p.problemClass, p.relations));
  }
  state.counters["iterations"] = r.engine.stats.iterations;
  state.counters["bisections"] = r.engine.stats.bisections;
  state.counters["values"] = r.engine.stats.values;
  state.counters["gradients"] = r.engine.stats.gradients;
  state.counters["hessians"] = r.engine.stats.hessians;
  state.counters["status"] = r.status;
  if (p.problemClass == IaClassEquations) state.counters["solutions"] = static_cast<double>(r.solutions.size());
  else state.counters["objective"] = r.engine.objective;
}

bool registerProblems() {
  for (const BenchProblem& p : problems())
    for (int method : {IaMethodInterval, IaMethodAffine})
      for (int newton : {0, 1}) {
        const std::string name = std::string("interval/") + p.name + "/met" + std::to_string(method) +
                                 (newton ? "/soc" : "");
        benchmark::RegisterBenchmark(name.c_str(), [&p, method, newton](benchmark::State& s) {
          solve(s, p, method, newton);
        })->Unit(benchmark::kMillisecond);
      }
  return true;
}

const bool registered = registerProblems();

}  // namespace
