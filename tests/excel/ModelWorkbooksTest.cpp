// Every model workbook of the test data reads into a constraint list that
// agrees with the workbook's own names and cells: sizes from the data's
// tables, relations, right-hand constants and cell counts from the names,
// bounds from the bound rows under the variable cells, integer kinds from the
// kind row, the start from the variable cells.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <tuple>

#include "entry/Sess_ModelQueries.h"
#include "entry/Sess_Variables.h"
#include "excel/Names_Model.h"
#include "excel/Xl_Value.h"
#include "platform/xlsx/Xlsx.h"
#include "tests/support/ModelFixture.h"
#include "tests/support/SharedData.h"

namespace {

namespace fs = std::filesystem;

struct Sizes {
  int rows = 0, columns = 0, integers = 0;
};

// name -> sizes from optima.csv (name,kind,rows,cols,integers,...) or
// expected.csv (name,n,constraints,...).
std::map<std::string, Sizes> readSizes(const fs::path& file, bool lp) {
  std::map<std::string, Sizes> out;
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::stringstream s(line);
    std::vector<std::string> f;
    for (std::string item; std::getline(s, item, ',');) f.push_back(item);
    out[f[0]] = lp ? Sizes{std::stoi(f[2]), std::stoi(f[3]), std::stoi(f[4])}
                   : Sizes{std::stoi(f[2]), std::stoi(f[1]), 0};
  }
  return out;
}

// "Model!$B$12:$B$27" -> area (sheet part dropped); false for constants.
bool parseRange(const std::string& definition, CellRange* out) {
  std::string text = definition.substr(definition.find('!') + 1);
  if (definition.find('!') == std::string::npos) return false;
  auto colon = text.find(':');
  std::string a = text.substr(0, colon), b = colon == std::string::npos ? a : text.substr(colon + 1);
  return Wb_parseA1(a, &out->row1, &out->col1) && Wb_parseA1(b, &out->row2, &out->col2);
}

int cellsOf(const CellRange& r) { return (r.row2 - r.row1 + 1) * (r.col2 - r.col1 + 1); }

std::string definitionOf(Workbook* wb, const std::string& name) {
  const DefinedName* n = Wb_findName(wb, name, 0);
  return n ? n->definition : "";
}

double numberAt(Workbook* wb, int row, int column, double missing) {
  const Cell* cell = Wb_findCell(wb->sheets[0].get(), row, column);
  return cell && cell->value.kind == CellKind::Number ? cell->value.number : missing;
}

// Every workbook of the lp and nlp folders, in name order (a missing folder
// stands for itself, and its test fails naming it).
std::vector<fs::path> allWorkbooks() {
  std::vector<fs::path> out;
  for (const char* folder : {"lp", "nlp"})
    for (const fs::path& file : sharedDataFiles(folder, ".xlsx"))
      // The tall layout keeps bounds and kinds in columns beside each variable,
      // not in the rows under it: its reading is checked by solving it.
      if (!file.stem().string().ends_with("-tall")) out.push_back(file);
  return out;
}

// The workbook opened last is the active one.
class ModelWorkbooks : public ModelFixture, public ::testing::WithParamInterface<fs::path> {};

}  // namespace

TEST_P(ModelWorkbooks, ReadAsTheirNamesSay) {
  const fs::path& file = GetParam();
  ASSERT_TRUE(sharedDataPresent(file));
  const bool lp = file.parent_path().filename() == "lp";
  std::string error;
  Workbook* wb = Xlsx_open(file.string(), &error);
  ASSERT_NE(wb, nullptr) << error;

  const std::size_t namesBefore = wb->names.size();
  const std::size_t cellsBefore = wb->sheets[0]->cells.size();
  ReadModel model;
  const bool read = model.read();
  CellRange adj;
  ASSERT_TRUE(parseRange(definitionOf(wb, "solver_adj"), &adj));
  if (adj.col2 > 255) {
    // Beyond the 256 columns a reference can express: the model cannot be read.
    EXPECT_FALSE(read);
    EXPECT_EQ(model.context->variables, nullptr);
    return;
  }
  ASSERT_TRUE(read);
  VariableCells* cells = model.context->variables;
  ConstraintList* list = model.list();
  const Sizes sizes =
      readSizes(file.parent_path() / (lp ? "optima.csv" : "expected.csv"), lp).at(file.stem().string());

  // Variables: one per column of the variable row.
  const int n = Sess_getAdjCellCount(cells);
  EXPECT_EQ(n, sizes.columns);
  EXPECT_EQ(Area_cellListPositions(cells->list), n);

  // Records: rows 1..num in order, then the objective.
  const int num = std::stoi(definitionOf(wb, "solver_num"));
  ASSERT_EQ(int(list->records.size()), num + 1);
  const int normalised[] = {0, 1, 2, 3, 4, 4};
  std::map<int, int> cellsPerRelation;
  std::set<std::pair<int, int>> constraintCells;
  int boundCells = 0;
  for (int i = 1; i <= num; ++i) {
    const ConstraintRecord& record = list->records[i - 1];
    std::string k = std::to_string(i);
    CellRange lhs;
    ASSERT_TRUE(parseRange(definitionOf(wb, "solver_lhs" + k), &lhs));
    int code = std::stoi(definitionOf(wb, "solver_rel" + k));
    ASSERT_TRUE(code >= 1 && code <= 5);
    EXPECT_EQ(record.row, i);
    EXPECT_EQ(record.relation, normalised[code]) << "row " << i;
    // A constant right-hand side is kept as its number; integer kinds compare with 0.
    const std::string rhs = definitionOf(wb, "solver_rhs" + k);
    char* end = nullptr;
    const double constant = code >= 4 ? 0.0 : std::strtod(rhs.c_str(), &end);
    if (code >= 4 || (!rhs.empty() && *end == '\0')) {
      ASSERT_EQ(Xl_type(record.rhs), xltypeNum) << "row " << i;
      EXPECT_EQ(record.rhs->val.num, constant) << "row " << i;
    }
    cellsPerRelation[normalised[code]] += cellsOf(lhs);
    bool onVariables = lhs.row1 == adj.row1 && lhs.row2 == adj.row1 && lhs.col1 >= adj.col1 &&
                       lhs.col2 <= adj.col2;
    EXPECT_EQ((record.flags & RowBound) != 0, onVariables) << "row " << i;
    if (onVariables) boundCells += cellsOf(lhs);
    for (int r = lhs.row1; !onVariables && r <= lhs.row2; ++r) constraintCells.insert({r, lhs.col1});
  }
  EXPECT_EQ(int(constraintCells.size()), sizes.rows);
  const ConstraintRecord& objective = list->records.back();
  EXPECT_EQ(objective.relation, RelationMinimise);
  EXPECT_EQ(objective.flags, RowChecked | RowObjective | RowGrouped);
  for (int r = 1; r <= 4; ++r)
    EXPECT_EQ(Names_countCells(list, r, RowChecked, RowObjective), cellsPerRelation[r]) << r;
  EXPECT_EQ(Names_countCells(list, 0, RowBound, 0), boundCells);
  EXPECT_EQ(Names_countCells(list, 0, RowRhsVaries, 0), 0);

  // Bounds: the rows under the variable cells; integer kinds: the kind row.
  std::vector<double> lower(n, -1e30), upper(n, 1e30);
  ASSERT_TRUE(Sess_deriveVariableBounds(list, cells->list, lower.data(), upper.data(), -1e30, 1e30));
  std::vector<int> flags(n, 0);
  ASSERT_TRUE(Sess_getIntegerFlags(list, cells->list, true, flags.data()));
  int integers = 0;
  for (int j = 0; j < n; ++j) {
    int column = adj.col1 + j;
    EXPECT_EQ(lower[j], numberAt(wb, adj.row1 + 1, column, -1e30)) << "variable " << j;
    EXPECT_EQ(upper[j], numberAt(wb, adj.row1 + 2, column, 1e30)) << "variable " << j;
    int kind = 0;
    if (lp) {
      const Cell* cell = Wb_findCell(wb->sheets[0].get(), adj.row1 + 4, column);
      std::string text = cell ? cell->value.text : "";
      kind = text == "I" ? 1 : text == "B" ? 2 : 0;
    }
    EXPECT_EQ(flags[j], kind) << "variable " << j;
    integers += flags[j] != 0;
  }
  EXPECT_EQ(integers, sizes.integers);

  // Reading changed neither the names nor the set of cells.
  EXPECT_EQ(wb->names.size(), namesBefore);
  EXPECT_EQ(wb->sheets[0]->cells.size(), cellsBefore);
  // The start: the values of the variable cells.
  std::vector<double> x(n);
  ASSERT_TRUE(Sess_readVariables(cells, x.data()));
  for (int j = 0; j < n; ++j) EXPECT_EQ(x[j], numberAt(wb, adj.row1, adj.col1 + j, 0)) << "variable " << j;
}

INSTANTIATE_TEST_SUITE_P(Data, ModelWorkbooks, ::testing::ValuesIn(allWorkbooks()),
                         [](const ::testing::TestParamInfo<fs::path>& info) {
                           return info.param.stem().string();
                         });

// A shared data folder that is missing is named by the test made for it,
// not thrown while the program lists its tests.
TEST(SharedData, AMissingFolderIsNamedNotThrown) {
  std::vector<fs::path> files;
  ASSERT_NO_THROW(files = sharedDataFiles("no-such-folder", ".xlsx"));
  ASSERT_EQ(files.size(), 1u);
  const ::testing::AssertionResult present = sharedDataPresent(files[0]);
  EXPECT_FALSE(present);
  EXPECT_NE(std::string(present.message()).find("no-such-folder is missing"), std::string::npos) << present.message();
  EXPECT_TRUE(sharedDataPresent(sharedDataFiles("lp", ".xlsx").front()));
}
