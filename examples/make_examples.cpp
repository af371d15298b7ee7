// Writes the example workbooks a newcomer solves first: a product mix (a
// linear model), a staff rota (an integer model) and a pricing model (a
// nonlinear one), each a sheet "Model" with labels and its model stored in
// the sheet's solver names, saved by the stand-in's own writer.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/calc/Calc.h"
#include "platform/workbook/Wb_Workbook.h"
#include "platform/xlsx/Xlsx.h"

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

// One example: its file name, its cells ("A1" = text, number or formula) and
// its solver names.
struct Example {
  const char* file;
  Pairs cells, names;
};

// Furniture from wood and labour: desks, tables and chairs, each with its
// profit and its use of lumber, finishing and carpentry hours; at most 5
// tables sell. Best: 2 desks and 8 chairs, profit 280.
Example productMix() {
  return {"product-mix.xlsx",
          {{"A1", "Product mix: what to make from this week's wood and hours"},
           {"B3", "Desks"}, {"C3", "Tables"}, {"D3", "Chairs"},
           {"A4", "Units made"}, {"B4", "0"}, {"C4", "0"}, {"D4", "0"},
           {"A5", "Profit per unit"}, {"B5", "60"}, {"C5", "30"}, {"D5", "20"},
           {"A7", "Resource"}, {"B7", "Desks"}, {"C7", "Tables"}, {"D7", "Chairs"}, {"E7", "Used"}, {"F7", "Available"},
           {"A8", "Lumber (board feet)"}, {"B8", "8"}, {"C8", "6"}, {"D8", "1"},
           {"E8", "=SUMPRODUCT(B8:D8,$B$4:$D$4)"}, {"F8", "48"},
           {"A9", "Finishing (hours)"}, {"B9", "4"}, {"C9", "2"}, {"D9", "1.5"},
           {"E9", "=SUMPRODUCT(B9:D9,$B$4:$D$4)"}, {"F9", "20"},
           {"A10", "Carpentry (hours)"}, {"B10", "2"}, {"C10", "1.5"}, {"D10", "0.5"},
           {"E10", "=SUMPRODUCT(B10:D10,$B$4:$D$4)"}, {"F10", "8"},
           {"A11", "Tables that sell"}, {"E11", "=C4"}, {"F11", "5"},
           {"A13", "Total profit"}, {"B13", "=SUMPRODUCT(B4:D4,B5:D5)"}},
          {{"solver_opt", "Model!$B$13"}, {"solver_typ", "1"}, {"solver_adj", "Model!$B$4:$D$4"},
           {"solver_num", "1"}, {"solver_lhs1", "Model!$E$8:$E$11"}, {"solver_rel1", "1"},
           {"solver_rhs1", "Model!$F$8:$F$11"}, {"solver_neg", "1"}, {"solver_lin", "1"}, {"solver_eng", "2"}}};
}

// A post office's full-time staff work five days in a row and rest two;
// each day needs its number of people. Each variable cell is how many start
// on that day. Fewest people: 23.
Example rota() {
  const char* days[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
  const char* needs[] = {"17", "13", "15", "19", "14", "16", "11"};
  const char columns[] = "BCDEFGH";
  Pairs cells = {{"A1", "Staff rota: fewest full-time staff, each working five days in a row"},
                 {"A4", "Start on this day"}, {"A5", "Working"}, {"A6", "Needed"}, {"A8", "Staff"},
                 {"B8", "=SUM(B4:H4)"}};
  for (int d = 0; d < 7; ++d) {
    const std::string col(1, columns[d]);
    cells.push_back({col + "3", days[d]});
    cells.push_back({col + "4", "0"});
    cells.push_back({col + "6", needs[d]});
    // Those who started on this day or on one of the four before it.
    std::string working = "=";
    for (int back = 0; back < 5; ++back)
      working += std::string(back ? "+" : "") + columns[(d - back + 7) % 7] + "4";
    cells.push_back({col + "5", working});
  }
  return {"rota.xlsx", cells,
          {{"solver_opt", "Model!$B$8"}, {"solver_typ", "2"}, {"solver_adj", "Model!$B$4:$H$4"},
           {"solver_num", "2"}, {"solver_lhs1", "Model!$B$5:$H$5"}, {"solver_rel1", "3"},
           {"solver_rhs1", "Model!$B$6:$H$6"}, {"solver_lhs2", "Model!$B$4:$H$4"}, {"solver_rel2", "4"},
           {"solver_rhs2", "integer"}, {"solver_neg", "1"}, {"solver_lin", "1"}, {"solver_eng", "2"}}};
}

// Two products whose demand falls as their price rises: units sold =
// market - slope * price. The profit (price - cost) * units is best at
// price = (market + slope * cost) / (2 * slope): 30 for the lamp and 13
// for the shade, a total profit of 9470. Its derivatives are taken by
// central differences ("solver_drv" 2), which find the flat top exactly.
Example pricing() {
  return {"pricing.xlsx",
          {{"A1", "Pricing: the prices that earn most when demand falls as price rises"},
           {"B3", "Lamp"}, {"C3", "Shade"},
           {"A4", "Price"}, {"B4", "15"}, {"C4", "10"},
           {"A5", "Unit cost"}, {"B5", "10"}, {"C5", "6"},
           {"A6", "Market size"}, {"B6", "1000"}, {"C6", "600"},
           {"A7", "Units lost per unit of price"}, {"B7", "20"}, {"C7", "30"},
           {"A8", "Units sold"}, {"B8", "=B6-B7*B4"}, {"C8", "=C6-C7*C4"},
           {"A9", "Profit"}, {"B9", "=(B4-B5)*B8"}, {"C9", "=(C4-C5)*C8"},
           {"A11", "Total profit"}, {"B11", "=SUM(B9:C9)"}},
          {{"solver_opt", "Model!$B$11"}, {"solver_typ", "1"}, {"solver_adj", "Model!$B$4:$C$4"},
           {"solver_num", "2"}, {"solver_lhs1", "Model!$B$4:$C$4"}, {"solver_rel1", "3"},
           {"solver_rhs1", "Model!$B$5:$C$5"}, {"solver_lhs2", "Model!$B$8:$C$8"}, {"solver_rel2", "3"},
           {"solver_rhs2", "0"}, {"solver_neg", "1"}, {"solver_drv", "2"}, {"solver_eng", "1"}}};
}

// Writes `e` into the folder `dir`; false, with the reason printed, when it
// cannot.
bool write(const Example& e, const std::string& dir) {
  Workbook* wb = Wb_newWorkbook(e.file);
  Sheet* sheet = Wb_addSheet(wb, "Model");
  for (const auto& [at, value] : e.cells) {
    int row = 0, col = 0;
    Wb_parseA1(at, &row, &col);
    char* end = nullptr;
    const double x = std::strtod(value.c_str(), &end);
    if (value[0] == '=') Wb_setFormula(wb, sheet, row, col, value);
    else if (!*end) Wb_setValue(wb, sheet, row, col, CellValue::makeNumber(x));
    else Wb_setValue(wb, sheet, row, col, CellValue::makeText(value));
  }
  for (const auto& [name, value] : e.names) Wb_defineName(wb, DefinedName{name, value, 0, true});
  Calc_recalculate(wb);
  std::string error;
  const std::string path = dir + "/" + e.file;
  const bool saved = Xlsx_save(wb, path, &error);
  Wb_closeWorkbook(wb);
  if (!saved) std::fprintf(stderr, "make_examples: %s: %s\n", path.c_str(), error.c_str());
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_examples FOLDER\n");
    return 2;
  }
  bool ok = true;
  for (const Example& e : {productMix(), rota(), pricing()}) ok = write(e, argv[1]) && ok;
  return ok ? 0 : 1;
}
