// Workbooks of the distribution functions with property arguments and of
// the sample statistics, written by the workbook writer, read back and run
// by the interpreter over 1,000 trials at the context's fixed seed, and the
// registration pass over the same books.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "tests/simulation/SimBook.h"
#include "tests/support/ScratchTest.h"

namespace {

constexpr int32_t kTrials = 1000;

class SimPropertyBook : public ScratchTest {};

TEST_F(SimPropertyBook, Smoke) {
  Workbook* wb = Wb_newWorkbook("laws.xlsx");
  Sheet* sh = Wb_addSheet(wb, "Laws");
  Wb_setFormula(wb, sh, 0, 0, "=sim1325a(10,2)");
  Wb_setFormula(wb, sh, 0, 1, "=A1*2");
  SimBook book;
  ASSERT_TRUE(book.load(wb, (dir_ / "laws.xlsx").string()));
  ASSERT_TRUE(book.compile({"b1"}));
  book.run(kModeSamples, kTrials);
  const std::vector<double> a = book.samples("a1");
  ASSERT_EQ(a.size(), 1000u);
  double mean = std::accumulate(a.begin(), a.end(), 0.0) / a.size();
  EXPECT_NEAR(mean, 10, 0.3);
  const std::vector<double> b = book.samples("b1");
  EXPECT_EQ(b[5], 2 * a[5]);
}

}  // namespace
