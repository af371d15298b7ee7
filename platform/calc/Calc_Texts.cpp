// Texts evaluated in a workbook's context, kept parsed and bound, and the
// results of those that depend on the workbook's structure alone: a caller
// that reads options and model parts asks for the same texts again and
// again, and looking names up, parsing and binding cost far more than
// evaluating.
// Binding reads the workbook's sheets, names and set of cells (its
// structureVersion) and the registered functions, so the kept texts are
// dropped whenever either has changed. Cell values may change freely: the
// bound areas point at the cells, and each use reads them afresh.
#include <functional>
#include <memory>
#include <unordered_map>
#include <utility>

#include "platform/calc/Calc_Internal.h"

// Kept texts beyond this many are dropped all at once: the texts a model
// asks for are few, and any text kept holds its areas' cell pointers.
constexpr std::size_t kCalcKeptTextsMax = 4096;

// One text: its tree (when it parses) and the areas the tree points at.
struct CalcKeptText {
  bool parsed = false;
  CalcNode tree;
  CalcAreaStore store;
};

// Texts are looked up by sheet and text, by hash: a lookup per call of a
// caller that asks the same texts again and again.
using CalcTextKey = std::pair<int, std::string>;
struct CalcTextKeyHash {
  std::size_t operator()(const CalcTextKey& k) const {
    return std::hash<std::string>{}(k.second) ^ std::hash<int>{}(k.first);
  }
};

struct CalcTexts {
  const Workbook* owner = nullptr;   // the workbook whose cells the trees point at
  std::uint64_t version = 0;         // its structureVersion when kept
  std::uint64_t functions = 0;       // Calc_functionsGeneration() when kept
  std::unordered_map<CalcTextKey, CalcKeptText, CalcTextKeyHash> byText;
  std::unordered_map<CalcTextKey, CalcEvalResult, CalcTextKeyHash> results;
};

namespace {

// The workbook's kept texts, new and empty when what binding read has
// changed. Replaced rather than emptied: a text being evaluated (which may
// evaluate others) keeps the ones it holds alive.
const std::shared_ptr<CalcTexts>& keptTexts(Workbook* wb) {
  const CalcTexts* t = wb->texts.get();
  if (!t || t->owner != wb || t->version != wb->structureVersion || t->functions != Calc_functionsGeneration() ||
      t->byText.size() + t->results.size() >= kCalcKeptTextsMax)
    wb->texts = std::make_shared<CalcTexts>(CalcTexts{wb, wb->structureVersion, Calc_functionsGeneration(), {}, {}});
  return wb->texts;
}

// The text without leading blanks, "=" and "!" (a name as the sheet sees
// it, *sheetsOwn then set).
bool formulaPart(const std::string& text, std::string* out, bool* sheetsOwn) {
  size_t b = text.find_first_not_of(" \t");
  if (b != std::string::npos && text[b] == '=') ++b;
  *sheetsOwn = b != std::string::npos && text[b] == '!';
  if (*sheetsOwn) ++b;
  if (b == std::string::npos) return false;
  *out = text.substr(b);
  return true;
}

}  // namespace

std::shared_ptr<const CalcNode> Calc_boundText(Workbook* wb, int sheet, const std::string& text) {
  std::shared_ptr<CalcTexts> texts = keptTexts(wb);
  auto [it, added] = texts->byText.try_emplace({sheet, text});
  CalcKeptText& kept = it->second;
  if (added) {
    std::string formula;
    bool sheetsOwn = false;
    kept.parsed = formulaPart(text, &formula, &sheetsOwn) && Calc_parse(formula, &kept.tree, nullptr);
    if (kept.parsed) Calc_bind(wb, sheet, &kept.store, &kept.tree, sheetsOwn);
  }
  // The copies of numbers an area keeps were taken at its last use; values
  // may have been written since.
  for (const CalcArea& a : kept.store.areas) a.numbersKnown = false;
  if (!kept.parsed) return nullptr;
  return std::shared_ptr<const CalcNode>(std::move(texts), &kept.tree);
}

const CalcEvalResult* Calc_keptResult(Workbook* wb, int sheet, const std::string& text) {
  const CalcTexts& texts = *keptTexts(wb);
  auto it = texts.results.find({sheet, text});
  return it == texts.results.end() ? nullptr : &it->second;
}

void Calc_keepResult(Workbook* wb, int sheet, const std::string& text, const CalcEvalResult& result) {
  keptTexts(wb)->results.insert_or_assign({sheet, text}, result);
}
