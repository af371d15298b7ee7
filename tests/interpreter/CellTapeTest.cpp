// Per-cell reverse tapes against the whole-function tape: running each cell
// of a function's chain on its own tape and sweeping the cells gives the
// gradient (and, over intervals, the enclosure) that one tape for the whole
// function gives, also when later functions reuse the tapes of cells taped
// for earlier ones; both agree with the forward derivatives.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <vector>

#include "ModelBench.h"
#include "arithmetic/ivtape/IvRev_Ops.h"
#include "arithmetic/reverse/Rev_Ops.h"
#include "arithmetic/tape/Tape_Cells.h"
#include "arithmetic/tape/Tape_Reverse.h"
#include "interpreter/Eval_Entries.h"
#include "values/IvRev_Node.h"
#include "values/Rev_Node.h"

namespace {

// Three functions whose chains share cells: b2 reads a2, c2 reads a2 and b2.
struct Chained : ModelBench {
  Chained()
      : ModelBench({"=a1*b1+sin(a1)", "=a2^2/b1+exp(a2)-a2*a1", "=b2*a2-ln(b1+3)+sqrt(a1*a1+1)"}, {}, {},
                   {{0.5, 0.75}, {1.0, 1.25}}) {}
  std::map<const Symbol*, CellTape> tapes;  // kept across functions, as cells keep theirs
  ~Chained() {
    for (auto& [symbol, tape] : tapes) Tape_freeCellTape(&tape);
  }

  // Runs function i's left chain in the mode, each cell on its own tape;
  // the tapes in chain order and the result's node name.
  template <class Prepare>
  std::vector<CellTape*> runCells(int32_t i, int32_t mode, Prepare prepare) {
    ctx->flags.mode = mode;
    ctx->flags.incremental = 0;
    ctx->position.currentFunction = i;
    Vm_clearErrors(&ctx->errors);
    std::vector<CellTape*> cells;
    for (Symbol* s : item(static_cast<size_t>(i))->leftChain) {
      CellTape& t = tapes[s];
      t.count = s->formula ? s->formula->tapeCount : 0;
      EXPECT_TRUE(prepare(ctx, &t));
      cells.push_back(&t);
      program.currentCell = s;
      Vm_run(&program);
    }
    return cells;
  }
  const Value& result(int32_t i) { return item(static_cast<size_t>(i))->leftChain.back()->value; }
};

TEST(CellTapes, RealGradientsEqualTheWholeFunctionTape) {
  Chained b;
  ASSERT_TRUE(b.ok) << int(b.ctx->errors.firstError);
  for (int j = 1; j <= 2; ++j) b.var(j)->value = Interval{0.6 * j, 0.6 * j};
  for (int32_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    double whole = 0, forward = 0;
    std::vector<double> g(3, 0.0), cells(3, 0.0), fg(3, 0.0);
    ASSERT_TRUE(Eval_evalRevGrad(&b.program, i, true, &whole, g.data(), false, false));
    ASSERT_TRUE(Eval_evalRealDeriv(&b.program, i, true, &forward, fg.data(), false, false));
    {
      CellTapeLoan loan(&b.ctx->buffers);
      const std::vector<CellTape*> tapes = b.runCells(i, kModeRev, Tape_prepareReverseCell<RevScalar>);
      ASSERT_EQ(b.ctx->errors.errorCount, 0) << int(b.ctx->errors.firstError);
      ASSERT_EQ(b.result(i).kind, kValRev);
      const RevNode* r = static_cast<const RevNode*>(b.result(i).payload);
      EXPECT_DOUBLE_EQ(r->value, whole);
      Tape_reverseSweepCells<RevScalar>(tapes, cells.data(), false, false, r->self);
    }
    for (int j = 1; j <= 2; ++j) {
      EXPECT_DOUBLE_EQ(cells[static_cast<size_t>(j)], g[static_cast<size_t>(j)]) << j;
      EXPECT_NEAR(cells[static_cast<size_t>(j)], fg[static_cast<size_t>(j)], 1e-12 * (1 + std::fabs(fg[j]))) << j;
    }
  }
  // The context's own tape is back: the whole-function entry still runs.
  double v = 0;
  std::vector<double> g(3, 0.0);
  EXPECT_TRUE(Eval_evalRevGrad(&b.program, 2, true, &v, g.data(), false, false));
}

TEST(CellTapes, IntervalGradientsEqualTheWholeFunctionTape) {
  Chained b;
  ASSERT_TRUE(b.ok) << int(b.ctx->errors.firstError);
  b.var(1)->value = Interval{0.5, 0.75};
  b.var(2)->value = Interval{1.0, 1.25};
  for (int32_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    Interval whole{};
    std::vector<Interval> g(3, Interval{0, 0}), cells(3, Interval{0, 0});
    ASSERT_TRUE(Eval_evalIvRevGrad(&b.program, i, true, &whole, g.data(), false, false));
    {
      CellTapeLoan loan(&b.ctx->buffers);
      const std::vector<CellTape*> tapes = b.runCells(i, kModeIvRev, Tape_prepareReverseCell<IvRevScalar>);
      ASSERT_EQ(b.ctx->errors.errorCount, 0) << int(b.ctx->errors.firstError);
      ASSERT_EQ(b.result(i).kind, kValIvRev);
      const IvRevNode* r = static_cast<const IvRevNode*>(b.result(i).payload);
      EXPECT_EQ(r->value.lo, whole.lo);
      EXPECT_EQ(r->value.hi, whole.hi);
      Tape_reverseSweepCells<IvRevScalar>(tapes, cells.data(), false, false, r->self);
    }
    for (int j = 1; j <= 2; ++j) {
      EXPECT_EQ(cells[static_cast<size_t>(j)].lo, g[static_cast<size_t>(j)].lo) << j;
      EXPECT_EQ(cells[static_cast<size_t>(j)].hi, g[static_cast<size_t>(j)].hi) << j;
      EXPECT_LE(g[static_cast<size_t>(j)].lo, g[static_cast<size_t>(j)].hi) << j;
    }
  }
}

// A variable alone gives its unit entry; a side swept with subtract takes
// its gradient away.
TEST(CellTapes, LeavesAndSubtractedSides) {
  std::vector<double> g(3, 0.0);
  Tape_reverseSweepCells<RevScalar>({}, g.data(), false, false, -2);
  Tape_reverseSweepCells<RevScalar>({}, g.data(), true, true, -1);
  EXPECT_EQ(g, (std::vector<double>{-1, 0, 1}));
}

}  // namespace
