// The tables of the shared test data that the workbook suites of the engines
// are made from while the program lists its tests: a missing one would leave
// its suite without a test, so each is asked for by name here.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/SharedData.h"

TEST(SharedTables, TheTablesTheWorkbookSuitesAreMadeFromArePresent) {
  for (const char* table : {"nlp/expected.csv", "global/optima.csv", "global/solutions.csv", "socp/optima.csv"})
    EXPECT_TRUE(sharedDataPresent(std::filesystem::path(CORVAN_DATA) / table)) << table;
}
