// Per-sheet definitions kept in each sheet's own hidden names, values split
// at "+" signs: a header per kind ("ZA0F" forecasts, "ZA0A" assumptions,
// "ZA0C" correlations, "ZA0D" decisions) holding the count of definitions
// and the highest index, and the definitions "ZF<i>", "ZA<i>", "ZC<i>",
// "ZD<i>" found from that index down (indexes start at 100). A forecast is
// a free function of the model; an assumption's cell is compiled as the
// positional-truncation function of its law with its parameters (numbers,
// or cells named by "ZA<i>R<k>"), and its law is registered; a correlation
// joins two cells (the second given by "ZC<i>R<k>" when referenced); a
// decision range becomes variables.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "contract/Bound_Infinity.h"
#include "simulation/import/Addin_Recognisers.h"
#include "simulation/import/Addin_Text.h"

namespace {

constexpr int32_t kFirstIndex = 100;

struct SheetReader {
  AddinWorkbook* book;
  AddinModel* model;
  AddinReport* report;
  int32_t sheet;
};

std::u16string numbered(const char16_t* prefix, int32_t index) { return prefix + Addin_wide(std::to_string(index)); }

// A number as a formula writes it; an infinite one as the model's infinity.
std::u16string numberText(double x) {
  if (std::isinf(x)) x = x < 0 ? -kBoundInfinity : kBoundInfinity;
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", x);
  return Addin_wide(text);
}

// The tokens of the sheet's own name, split at "+" outside double quotes
// (which are dropped); false when the sheet has no such name.
bool tokensOf(const SheetReader& s, const std::u16string& name, std::vector<std::u16string>* tokens) {
  std::u16string value;
  if (!s.book->nameValue(name, s.sheet, &value)) return false;
  const std::u16string_view text = Addin_skipLeading(value, u" =\"");
  tokens->assign(1, u"");
  bool quoted = false;
  for (char16_t c : text) {
    if (c == u'"') quoted = !quoted;
    else if (c == u'+' && !quoted) tokens->emplace_back();
    else tokens->back().push_back(c);
  }
  return true;
}

bool failName(const SheetReader& s, const std::u16string& name, const std::u16string& why) {
  return Addin_fail(s.report, u"the defined name " + Addin_quoted(name) + u" of sheet " +
                                  Addin_wide(std::to_string(s.sheet)) + u" " + why);
}

// The first token as a range on the sheet.
bool rangeToken(const SheetReader& s, const std::u16string& name, const std::u16string& token, RangeRef* r) {
  return Addin_rangeOf(s.book, token, static_cast<uint8_t>(s.sheet), r) ||
         failName(s, name, u"holds " + Addin_quoted(Addin_trim(token)) + u", which is no cell reference");
}

// The reference held by the hidden name "<prefix><index>R<k>".
bool referencedName(const SheetReader& s, const char16_t* prefix, int32_t index, const std::u16string& token,
                    std::u16string* reference) {
  const double k = Addin_parseWholeNumber(std::u16string_view(token).substr(1));
  const bool whole = std::isfinite(k) && k >= 0 && k < kFirstIndex * kFirstIndex && k == std::floor(k);
  const std::u16string name = numbered(prefix, index) + u"R" + (whole ? numberText(k) : u"");
  std::vector<std::u16string> tokens;
  if (!whole || !tokensOf(s, name, &tokens))
    return failName(s, numbered(prefix, index), u"refers to " + Addin_quoted(token) + u", which names no cell");
  *reference = std::u16string(Addin_trim(tokens[0]));
  return true;
}

// The code of a law by its letter (and the letter after "p"), and the
// function that draws it; 0 for a letter of no law.
struct Law {
  char16_t letter;
  int32_t code;
  const char16_t* function;
};
constexpr Law kLaws[] = {{u'a', 31, u"cb_normal"},      {u'b', 43, u"cb_triangular"},     {u'c', 37, u"cb_poisson"},
                         {u'd', 5, u"cb_binomial"},     {u'e', 25, u"cb_lognormal"},      {u'f', 45, u"cb_uniform"},
                         {u'g', 14, u"cb_exponential"}, {u'h', 17, u"cb_geometric"},      {u'i', 47, u"cb_weibull"},
                         {u'j', 1, u"cb_beta"},         {u'k', 19, u"cb_hypergeometric"}, {u'l', 8, u"cb_custom"},
                         {u'm', 15, u"cb_gamma"},       {u'n', 23, u"cb_logistic"},       {u'o', 32, u"cb_pareto"},
                         {u'p', 27, u"cb_maxextreme"},  {u'q', 30, u"cb_negbinomial"}};
constexpr Law kMinExtreme{u'p', 28, u"cb_minextreme"};

const Law* lawOf(std::u16string_view letters) {
  const std::u16string t = Addin_lower(Addin_trim(letters));
  if (t.size() >= 2 && t[0] == u'p' && t[1] == u'a') return &kMinExtreme;
  for (const Law& law : kLaws)
    if (!t.empty() && t[0] == law.letter) return &law;
  return nullptr;
}

// The arguments after the law: numbers and referenced cells, "?" left out.
bool assumptionArguments(const SheetReader& s, int32_t index, const std::vector<std::u16string>& tokens,
                         std::vector<std::u16string>* args) {
  for (size_t k = 2; k < tokens.size(); ++k) {
    const std::u16string t(Addin_skipLeading(tokens[k], u" "));
    if (!t.empty() && t[0] == u'<') {
      std::u16string reference;
      if (!referencedName(s, u"ZA", index, t, &reference)) return false;
      args->push_back(reference);
      k += 2;
    } else if (t == u"-" || t == u"+") {
      args->push_back(numberText(t == u"-" ? -kBoundInfinity : kBoundInfinity));
    } else if (const double x = Addin_parseWholeNumber(t); t != u"?" && std::isfinite(x)) {
      args->push_back(numberText(x));
    }
  }
  return true;
}

bool importAssumption(const SheetReader& s, int32_t index, const std::vector<std::u16string>& tokens) {
  const std::u16string name = numbered(u"ZA", index);
  RangeRef cell{};
  if (!rangeToken(s, name, tokens[0], &cell)) return false;
  const Law* law = tokens.size() > 1 ? lawOf(tokens[1]) : nullptr;
  if (!law) return failName(s, name, u"gives no law this library draws");
  std::vector<std::u16string> args;
  if (!assumptionArguments(s, index, tokens, &args)) return false;
  std::u16string formula = u"=" + std::u16string(law->function) + u"(";
  for (size_t k = 0; k < args.size(); ++k) formula += (k ? u"," : u"") + args[k];
  formula += u")";
  if (!s.model->rewriteFormula(Addin_firstCell(cell), formula)) return failName(s, name, u"cannot be rewritten");
  s.model->registerLaw(Addin_firstCell(cell), law->code);
  ++s.report->assumptions;
  return true;
}

bool importForecast(const SheetReader& s, int32_t index, const std::vector<std::u16string>& tokens) {
  const std::u16string name = numbered(u"ZF", index);
  RangeRef r{};
  if (!rangeToken(s, name, tokens[0], &r)) return false;
  const CellRef c = Addin_firstCell(r);
  if (!s.model->addFunction(RangeRef{c.sheet, c.row, c.column, c.row, c.column}, kAddinFree, 0.0))
    return failName(s, name, u"cannot become a function of the model");
  ++s.report->forecasts;
  return true;
}

bool importCorrelation(const SheetReader& s, int32_t index, const std::vector<std::u16string>& tokens) {
  const std::u16string name = numbered(u"ZC", index);
  RangeRef first{}, second{};
  if (!rangeToken(s, name, tokens[0], &first)) return false;
  if (tokens.size() < 4) return failName(s, name, u"ends before its coefficient");
  std::u16string other(Addin_skipLeading(tokens[1], u" "));
  if (!other.empty() && other[0] == u'<' && !referencedName(s, u"ZC", index, other, &other)) return false;
  if (!rangeToken(s, name, other, &second)) return false;
  const double coefficient = Addin_parseWholeNumber(tokens[3]);
  if (!std::isfinite(coefficient) || std::fabs(coefficient) > 1)
    return failName(
        s, name,
        u"has the coefficient " + Addin_quoted(Addin_trim(tokens[3])) + u"; a correlation lies between -1 and 1");
  s.model->addCorrelation(index, Addin_firstCell(first), Addin_firstCell(second), coefficient);
  ++s.report->correlations;
  return true;
}

bool importDecision(const SheetReader& s, int32_t index, const std::vector<std::u16string>& tokens) {
  const std::u16string name = numbered(u"ZD", index);
  RangeRef r{};
  if (!rangeToken(s, name, tokens[0], &r)) return false;
  if (!s.model->addVariables(r, kAddinContinuous)) return failName(s, name, u"cannot become variables");
  ++s.report->decisions;
  return true;
}

using Importer = bool (*)(const SheetReader&, int32_t, const std::vector<std::u16string>&);

// The indexes of the defined names "<prefix><index>" from the highest
// down to the first index, as the workbook's names give them (a sheet's
// own name shows as "Sheet!name"), each once.
std::vector<int32_t> indexesOf(const SheetReader& s, const char16_t* prefix, double highest) {
  std::vector<std::pair<std::u16string, std::u16string>> names;
  const std::u16string lead = Addin_lower(prefix);
  std::vector<int32_t> indexes;
  if (!s.book->namesContaining(lead, &names)) return indexes;
  for (const auto& [name, value] : names) {
    const std::u16string own = Addin_lower(name.substr(name.rfind(u'!') + 1));
    if (own.compare(0, lead.size(), lead) != 0 || own.size() == lead.size() ||
        own.find_first_not_of(u"0123456789", lead.size()) != std::u16string::npos)
      continue;
    const double index = Addin_parseWholeNumber(std::u16string_view(own).substr(lead.size()));
    if (index >= kFirstIndex && index <= highest) indexes.push_back(static_cast<int32_t>(index));
  }
  std::sort(indexes.begin(), indexes.end(), std::greater<>());
  indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
  return indexes;
}

// One kind: its header, then its definitions from the highest index down
// until the header's count is read.
bool importKind(const SheetReader& s, const char16_t* header, const char16_t* prefix, Importer import) {
  std::vector<std::u16string> tokens;
  if (!tokensOf(s, header, &tokens)) return true;
  const double count = Addin_parseWholeNumber(tokens[0]);
  const double highest = tokens.size() > 1 ? Addin_parseWholeNumber(tokens[1]) : NAN;
  if (!std::isfinite(count) || !std::isfinite(highest))
    return failName(s, header, u"must hold the count of definitions and the highest index");
  int32_t read = 0;
  for (const int32_t index : indexesOf(s, prefix, highest)) {
    if (read >= count) break;
    if (!tokensOf(s, numbered(prefix, index), &tokens)) continue;  // another sheet's
    if (!import(s, index, tokens)) return false;
    ++read;
  }
  if (read < count)
    return failName(
        s, header,
        u"counts " + numberText(count) + u" definitions, but only " + Addin_wide(std::to_string(read)) + u" exist");
  return true;
}

}  // namespace

bool Addin_importSheetDefinitions(AddinWorkbook* book, AddinModel* model, AddinReport* report) {
  for (int32_t sheet = 1; sheet <= book->sheetCount(); ++sheet) {
    const SheetReader s{book, model, report, sheet};
    if (!importKind(s, u"ZA0F", u"ZF", importForecast) || !importKind(s, u"ZA0A", u"ZA", importAssumption) ||
        !importKind(s, u"ZA0C", u"ZC", importCorrelation) || !importKind(s, u"ZA0D", u"ZD", importDecision))
      return false;
  }
  return true;
}
