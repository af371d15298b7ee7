// `corvan solve` on the shared systems of equations as they are: after the
// usual results it lists every solution the interval engine found, one line
// per solution with the value of each variable cell, and each listed
// solution is a known one within the engine's default accuracy ("solver_acc"
// 0.001: the engine lists the midpoints of solution boxes narrower than it),
// and within 1e-6 when the run asks for boxes narrower than 1e-9 (the table
// holds six decimals).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/frontend/CliFixture.h"

namespace {

using Point = std::vector<double>;

// The known solutions of a workbook, from solutions.csv (name, solution,
// variable, cell, value).
std::vector<Point> knownSolutions(const std::string& name) {
  std::ifstream in(data("global/solutions.csv"));
  std::map<int, Point> points;
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::vector<std::string> f;
    std::stringstream fields(line);
    for (std::string field; std::getline(fields, field, ',');) f.push_back(field);
    if (f.size() >= 5 && f[0] == name) points[std::stoi(f[1])].push_back(std::stod(f[4]));
  }
  std::vector<Point> out;
  for (const auto& entry : points) out.push_back(entry.second);
  return out;
}

// The lines after "solutions (k)": a heading, then per solution its number
// and n values.
std::vector<Point> listedSolutions(const std::string& out, size_t n, size_t* count) {
  std::vector<Point> listed;
  const size_t at = out.find("\nsolutions (");
  if (at == std::string::npos) return listed;
  std::stringstream in(out.substr(at + 1));
  std::string line;
  std::getline(in, line);
  *count = std::strtoul(line.c_str() + std::string("solutions (").size(), nullptr, 10);
  std::getline(in, line);  // the heading: "solution" and the variable cells
  EXPECT_NE(line.find("Model!B2"), std::string::npos) << line;
  for (size_t k = 0; k < *count && std::getline(in, line); ++k) {
    std::stringstream fields(line);
    int number = 0;
    fields >> number;
    EXPECT_EQ(number, static_cast<int>(k + 1)) << line;
    Point x(n);
    for (double& v : x) fields >> v;
    if (fields) listed.push_back(x);
  }
  return listed;
}

bool near(const Point& a, const Point& b, double tolerance) {
  for (size_t i = 0; i < a.size(); ++i)
    if (std::fabs(a[i] - b[i]) > tolerance) return false;
  return true;
}

void expectEverySolutionListed(const std::string& name, size_t expected, const std::string& options,
                               double tolerance) {
  const std::vector<Point> known = knownSolutions(name);
  ASSERT_EQ(known.size(), expected);
  CliRun r = corvan("solve " + data("global/" + name + ".xlsx") + options);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(r.has("engine: Standard Interval Global")) << r.out;
  // The list follows the constraint table.
  EXPECT_LT(r.out.find("\nconstraints\n"), r.out.find("\nsolutions (")) << r.out;
  size_t count = 0;
  const std::vector<Point> listed = listedSolutions(r.out, known[0].size(), &count);
  EXPECT_EQ(count, expected) << r.out;
  ASSERT_EQ(listed.size(), expected) << r.out;
  for (const Point& x : listed) {
    bool found = false;
    for (const Point& k : known) found = found || near(x, k, tolerance);
    EXPECT_TRUE(found) << "listed solution " << x[0] << ", " << x[1] << " is none of the known ones\n" << r.out;
  }
  for (const Point& k : known) {
    bool found = false;
    for (const Point& x : listed) found = found || near(x, k, tolerance);
    EXPECT_TRUE(found) << "known solution " << k[0] << ", " << k[1] << " is not listed\n" << r.out;
  }
}

TEST(CommandLineSolutions, EverySolutionOfTheCircleAndHyperbolaIsListed) {
  expectEverySolutionListed("circle_hyperbola", 4, "", 1e-3);
}

TEST(CommandLineSolutions, EverySolutionOfTheSymmetricSystemIsListed) {
  expectEverySolutionListed("symmetric3", 6, "", 1e-3);
}

TEST(CommandLineSolutions, NarrowerBoxesListTheSolutionsToSixDecimals) {
  for (const auto& [name, expected] : {std::pair<const char*, size_t>{"circle_hyperbola", 4}, {"symmetric3", 6}})
    expectEverySolutionListed(name, expected, " --option acc=1e-9", 1e-6);
}

// A model with an objective lists no solutions.
TEST(CommandLineSolutions, AnOptimisationListsNone) {
  CliRun r = corvan("solve " + data("global/booth.xlsx"));
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_FALSE(r.has("solutions (")) << r.out;
}

}  // namespace
