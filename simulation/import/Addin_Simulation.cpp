// The simulation import: the three recognisers in order, and the last of
// them, which makes every cell of the active sheet that calls one of the
// output or statistic functions of the third add-in a free function of the
// model, once per cell however many calls it holds.
#include <string_view>
#include <utility>
#include <vector>

#include "simulation/import/Addin_Recognisers.h"
#include "simulation/import/Addin_Text.h"

namespace {

const std::vector<std::u16string_view> kStatisticFunctions = {
    u"riskoutput",     u"riskdata",  u"riskkurtosis", u"riskmax",    u"riskmean",   u"riskmin",     u"riskmode",
    u"riskpercentile", u"riskrange", u"riskskewness", u"riskstddev", u"risktarget", u"riskvariance"};

}  // namespace

bool Addin_markStatisticCells(AddinWorkbook* book, AddinModel* model, AddinReport* report) {
  std::vector<std::pair<CellRef, std::u16string>> found;
  if (!book->formulasContaining(kStatisticFunctions, &found))
    return Addin_fail(report, u"the formulas cannot be scanned");
  for (const auto& [c, formula] : found)
    if (!model->addFunction(RangeRef{c.sheet, c.row, c.column, c.row, c.column}, kAddinFree, 0.0))
      return Addin_fail(report, u"the cell cannot become a function of the model", c);
  report->outputs += static_cast<int32_t>(found.size());
  return true;
}

bool Addin_importSimulationModels(AddinWorkbook* book, AddinModel* model, AddinReport* report) {
  return Addin_recogniseListNames(book, model, report) && Addin_importSheetDefinitions(book, model, report) &&
         Addin_markStatisticCells(book, model, report);
}
