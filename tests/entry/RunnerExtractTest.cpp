// Coefficients of every linear test workbook two ways through the library's
// exports: by differences of evaluations through the workbook (ordinal 34,
// one variable at 1 and the others at 0, so each difference is exactly one
// coefficient) and from the recognised SUMPRODUCT formulas (ordinal 36);
// both agree, and the objective row equals the MPS file's costs.
#include <filesystem>
#include <map>

#include "tests/support/MpsReader.h"
#include "tests/support/SessionFixture.h"

namespace {

using Matrix = std::map<int, std::map<int, double>>;   // row -> column -> coefficient

int store(LibraryContext*, void*, int row, int column, double value, void* extra) {
  (*static_cast<Matrix*>(extra))[row][column] += value;
  return 1;
}

}  // namespace

class RunnerExtract : public SessionLibrary {
 protected:
  using ExtractFn = int (*)(LibraryContext*, void*, int (*)(LibraryContext*, void*, int, int,
                                                            double, void*),
                            void*);

  // The nonzero differences f(e_j) - f(0) for every variable j.
  Matrix byDifferences() {
    Matrix out;
    int n = variables(), m = rows();
    std::vector<double> zero(n, 0.0), base, f(m + 1, 0.0);
    EXPECT_TRUE(evaluate(zero, &base));
    auto changeOne = ordinal<OneChangedFn>(34);
    for (int j = 0; j < n; ++j) {
      EXPECT_EQ(changeOne(context, f.data(), j, 1.0), 1);
      for (int i = 0; i < m; ++i)
        if (f[i] != base[i]) out[i][j] = f[i] - base[i];
      EXPECT_EQ(changeOne(context, f.data(), j, 0.0), 1);
    }
    return out;
  }
};

TEST_F(RunnerExtract, DifferencesAndFormulasGiveTheSameCoefficients) {
  namespace fs = std::filesystem;
  for (const auto& entry : fs::directory_iterator(fs::path(CORVAN_DATA) / "lp")) {
    if (entry.path().extension() != ".mps" || entry.path().stem() == "vpm1") continue;
    std::string stem = entry.path().stem().string();
    SCOPED_TRACE(stem);
    MpsModel mps;
    std::string error;
    ASSERT_TRUE(Mps_read(entry.path().string(), mps, error)) << error;
    ASSERT_NE(open("lp/" + stem + ".xlsx"), nullptr);
    ASSERT_EQ(begin(), 1);
    Matrix formulas;
    ASSERT_EQ(ordinal<ExtractFn>(36)(context, nullptr, store, &formulas), 1);
    Matrix differences = byDifferences();
    EXPECT_FALSE(differences.empty());
    EXPECT_EQ(differences, formulas);
    // The objective is the last row.
    std::map<int, double> costs;
    for (int j = 0; j < static_cast<int>(mps.cost.size()); ++j)
      if (mps.cost[j] != 0) costs[j] = mps.cost[j];
    EXPECT_EQ(differences[rows() - 1], costs);
    EXPECT_EQ(end(), 1);
    Wb_closeWorkbook(book);
  }
}
