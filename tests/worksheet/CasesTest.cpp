// The shared worksheet-function cases run through the formula interpreter in
// plain mode: each case's sheet is built from its context, its formula
// compiled in its cell and evaluated, and the result compared as the case
// says. Cases where this library is meant to answer differently are listed
// with their reasons in function_case_exceptions.csv beside this file. Of
// the second batch's cases, those of the functions built so far run, with
// the stand-in application at hand for the functions it computes; their
// exceptions are in function_case_exceptions_2.csv. A case of an array
// formula over several cells holds the formula in its own cell, at its
// place in the formula's block. A listed case that passes fails, so the
// lists only name answers still different.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iomanip>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "platform/workbook/Wb_Workbook.h"
#include "tests/support/FunctionCases.h"
#include "tests/support/SheetSource.h"
#include "tests/worksheet/TestApplication.h"
#include "values/Vm_Status.h"

namespace {

using Row = std::vector<std::string>;

// The input cells of a case: "\"text", "true", "false" or the number's text.
std::map<std::string, std::string> readContext(const std::string& json) {
  std::vector<CaseInput> inputs;
  Cases_readContext(json, &inputs);
  std::map<std::string, std::string> cells;
  for (const CaseInput& input : inputs)
    cells[input.cell] = input.kind == CaseInput::Text      ? "\"" + input.text
                        : input.kind == CaseInput::Boolean ? (input.boolean ? "true" : "false")
                                                           : input.text;
  return cells;
}

const std::map<std::string, uint32_t>& errorCodes() {
  static const std::map<std::string, uint32_t> codes = {
      {"#NULL!", kErrNull}, {"#DIV/0!", kErrDiv0}, {"#VALUE!", kErrValue}, {"#REF!", kErrRef},
      {"#NAME?", kErrName}, {"#NUM!", kErrNum},    {"#N/A", kErrNA}};
  return codes;
}

// A sheet whose cells hold numbers, texts, booleans, errors or formulas.
// Cells of other sheets, named "Sheet3!A1" in a context, live on sheets 2,
// 3, ... in the order their names first come.
struct CaseSheet : SheetSource {
  std::map<std::tuple<int, int, int>, std::string> values;  // "\"text", "true", "false", "#CODE", a number
  std::map<std::string, int> sheets;
  std::pair<int, int> arrayCell{-1, -1};
  std::pair<int, int> arrayOffset{0, 0};  // the cell's place in its array formula's block

  // Sheet names compare without case.
  int sheetNumber(std::string name) {
    if (name.empty()) return 1;
    for (char& ch : name) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return sheets.emplace(name, static_cast<int>(sheets.size()) + 2).first->second;
  }

  // The cell "A1" or "Sheet3!A1" of the case's book.
  bool parsePlace(const std::string& text, CellRef* at) {
    const size_t bang = text.find('!');
    const bool parsed = SheetSource::parseCell(bang == std::string::npos ? text : text.substr(bang + 1), at);
    at->sheet = static_cast<uint8_t>(sheetNumber(bang == std::string::npos ? "" : text.substr(0, bang)));
    return parsed;
  }

  // Only A1 references of a sheet's size, on the formula's sheet or another
  // one named; other names are not defined here.
  bool resolve(uint8_t sheetNumber, const std::u16string& text, LoadNamed* named) override {
    static const std::regex kReference(
        R"(('?([A-Za-z0-9_ ]+)'?!)?(\$?[A-Za-z]{1,3}\$?[0-9]{1,5}(:\$?[A-Za-z]{1,3}\$?[0-9]{1,5})?))");
    std::smatch m;
    const std::string t = Text_toUtf8(text);
    if (!std::regex_match(t, m, kReference)) return false;
    if (!SheetSource::resolve(sheetNumber, Text_fromUtf8(m[3].str()), named)) return false;
    named->range.sheet = static_cast<uint8_t>(this->sheetNumber(m[2].str()));
    return true;
  }

  bool readCell(const CellRef& c, Value* value, ReaderCell* info) override {
    const std::pair<int, int> key{c.row, c.column};
    if (key == arrayCell && c.sheet == 1) {
      info->isArray = true;
      info->arrayRow = static_cast<uint16_t>(arrayOffset.first);
      info->arrayColumn = static_cast<uint8_t>(arrayOffset.second);
    }
    auto it = values.find({c.sheet, c.row, c.column});
    if (it == values.end()) return c.sheet == 1 ? SheetSource::readCell(c, value, info) : true;
    const std::string& v = it->second;
    if (v[0] == '"') {
      const std::string text = v.substr(1);
      auto code = errorCodes().find(text);
      if (code != errorCodes().end()) Val_setError(value, code->second);
      else Val_setText(value, Text_fromUtf8(text).c_str());
    } else if (v == "true" || v == "false") {
      Val_setBool(value, v == "true");
    } else {
      Val_setNumber(value, std::stod(v));
    }
    return true;
  }
};

struct Case {
  std::string id, formula, context, type, expected, compare, array, cell;
};

std::string describe(const Value* v) {
  std::ostringstream out;
  out << "kind " << v->kind;
  if (v->kind == kValText) out << " \"" << Text_toUtf8(v->text ? v->text : u"") << "\"";
  else out << " " << std::setprecision(15) << v->number;
  return out.str();
}

// Rounds to n decimals.
double roundTo(double x, int n) { return std::round(x * std::pow(10.0, n)) / std::pow(10.0, n); }

bool numbersAgree(double r, double e, const std::string& compare) {
  const double scale = std::max(std::fabs(r), std::fabs(e));
  if (std::fabs(r - e) <= 1e-14 * scale) return true;
  if (compare.rfind("round:", 0) == 0) {
    const int n = std::stoi(compare.substr(6));
    return std::fabs(r - e) <= std::pow(10.0, -n) || std::fabs(roundTo(r, n) - roundTo(e, n)) <= 1e-14 * scale;
  }
  if (compare.rfind("sig:", 0) == 0) {
    const int n = std::stoi(compare.substr(4));
    const double magnitude = std::floor(std::log10(std::fabs(e)));
    return std::fabs(r - e) <= std::pow(10.0, magnitude + 1 - n);
  }
  return false;
}

// Empty when the case passes, else what went wrong.
std::string runCase(const Case& c) {
  CaseSheet sheet;
  for (const auto& [a1, v] : readContext(c.context)) {
    CellRef at{};
    sheet.parsePlace(a1, &at);
    sheet.values[{at.sheet, at.row, at.column}] = v;
  }
  CellRef at{};
  SheetSource::parseCell(c.cell, &at);
  sheet.cells[{at.row, at.column}] = c.formula;
  if (!c.array.empty()) {
    CellRef top{};
    SheetSource::parseCell(c.array.substr(0, c.array.find(':')), &top);
    sheet.arrayCell = {at.row, at.column};
    sheet.arrayOffset = {at.row - top.row, at.column - top.column};
  }

  EvalContext* ctx = Vm_createContext();
  Test_attachApplication(ctx);
  ctx->tables.variables = Model_createVariableTable();
  SymbolTable* store = Prog_createSymbolTable(ctx);
  FunctionTable* functions = Model_createFunctionTable();
  FormulaReader* reader = Reader_create(ctx, store, &sheet);
  Program program{};
  Model_addFunction(functions, 1, at.column, at.row, kRelFree2, 0.0);
  Reader_bindModel(reader, functions, ctx->tables.variables);
  std::string failure;
  const bool compiled = Parse_compileModel(reader);
  Vm_initProgram(&program, ctx);
  ctx->flags.mode = kModeReal;
  const Value* r = nullptr;
  if (compiled) {
    ctx->flags.incremental = 0;
    Prog_markVariableCells(store);
    r = Prog_runChain(&program, functions->array[0]->leftChain);
  }
  if (r && r->kind == kValArray && r->array->rows >= 1 && r->array->columns >= 1) r = Val_at(r, 0, 0);
  if (!r) {
    failure = "not compiled, status " + std::to_string(ctx->errors.firstError);
  } else if (c.compare == "iserror") {
    if (r->kind != kValError) failure = "no error: " + describe(r);
  } else if (c.type == "number") {
    if (r->kind != kValInt && r->kind != kValReal) failure = "not a number: " + describe(r);
    else if (!numbersAgree(r->number, std::stod(c.expected), c.compare)) failure = "got " + describe(r);
  } else if (c.type == "boolean") {
    if (r->kind != kValBool || (r->number != 0) != (c.expected == "TRUE")) failure = "got " + describe(r);
  } else if (c.type == "text") {
    if (r->kind != kValText || Text_toUtf8(r->text ? r->text : u"") != c.expected) failure = "got " + describe(r);
  } else if (c.type == "error") {
    uint32_t code = 0;
    auto want = errorCodes().find(c.expected);
    if (r->kind != kValError || !Vm_errorCode(r->number, &code) || want == errorCodes().end() || code != want->second)
      failure = "got " + describe(r);
  }
  Vm_releaseProgram(&program);
  Reader_destroy(reader);
  Prog_freeSymbolTable(store);
  Model_freeFunctionTable(functions);
  Test_detachApplication(ctx);
  Vm_destroyContext(ctx);
  return failure;
}

// The listed exceptions by id, with the relative tolerance of a case that
// differs only by its method's accuracy (0 for a case that is not run).
std::map<std::string, double> exceptions(const std::string& file) {
  return Cases_readExceptions(std::string(CORVAN_SOURCE) + "/tests/worksheet/" + file);
}

// A number within a relative tolerance (absolute 1e-3 times it near 0).
bool withinAccuracy(const Case& c, const std::string& failure, double tolerance) {
  const size_t got = failure.find("got kind ");
  if (c.type != "number" || got == std::string::npos) return false;
  const double r = std::stod(failure.substr(failure.find(' ', got + 9) + 1)), e = std::stod(c.expected);
  return std::fabs(r - e) <= tolerance * std::max({std::fabs(r), std::fabs(e), 1e-3});
}

// Runs every case of the file whose function is in functions (all when it
// is empty) and checks that the listed exceptions are cases of the file.
void runFile(const std::string& file, const std::string& exceptionFile, const std::set<std::string>& functions) {
  std::ifstream in(std::string(CORVAN_DATA) + "/functions/" + file);
  ASSERT_TRUE(in) << "functions/" << file << " not found";
  Row row;
  ASSERT_TRUE(Cases_readRecord(in, &row));
  std::map<std::string, size_t> column;
  for (size_t i = 0; i < row.size(); ++i) column[row[i]] = i;
  const std::map<std::string, double> listed = exceptions(exceptionFile);
  int passed = 0, failed = 0, excused = 0;
  std::set<std::string> seen;
  Wb_resetApp();
  while (Cases_readRecord(in, &row)) {
    if (row.size() < column.size()) continue;
    seen.insert(row[column["id"]]);
    if (!functions.empty() && !functions.count(row[column["function"]])) continue;
    const Case c{row[column["id"]],       row[column["formula"]], row[column["context"]], row[column["expected_type"]],
                 row[column["expected"]], row[column["compare"]], row[column["array"]],   row[column["cell"]]};
    const std::string failure = runCase(c);
    if (auto l = listed.find(c.id); l != listed.end()) {
      ++excused;
      EXPECT_FALSE(failure.empty()) << c.id << " " << c.formula << " passes now: take it off " << exceptionFile;
      if (l->second > 0 && !failure.empty()) {
        EXPECT_TRUE(withinAccuracy(c, failure, l->second))
            << c.id << " " << c.formula << ": " << failure << " (expected " << c.expected << " within " << l->second
            << ")";
      }
      continue;
    }
    if (failure.empty()) {
      ++passed;
    } else {
      ++failed;
      ADD_FAILURE() << c.id << " " << c.formula << ": " << failure << " (expected " << c.type << " " << c.expected
                    << ")";
    }
  }
  Wb_resetApp();
  for (const auto& [id, tolerance] : listed) EXPECT_TRUE(seen.count(id)) << "listed exception " << id << " is no case";
  std::cout << passed << " cases passed, " << excused << " listed exceptions, " << failed << " failed\n";
}

TEST(FunctionCases, EveryCaseButTheListedExceptionsPasses) { runFile("cases.csv", "function_case_exceptions.csv", {}); }

TEST(FunctionCases, EveryDateAndTimeCaseOfTheSecondBatchButTheListedExceptionsPasses) {
  runFile("cases-2.csv", "function_case_exceptions_2.csv",
          {"DATE", "DATEVALUE", "DAY",  "DAYS360",   "EDATE", "EOMONTH", "HOUR",    "MINUTE",  "MONTH", "NETWORKDAYS",
           "NOW",  "SECOND",    "TIME", "TIMEVALUE", "TODAY", "WEEKDAY", "WEEKNUM", "WORKDAY", "YEAR",  "YEARFRAC"});
}

TEST(FunctionCases, EveryAnnuityCashFlowAndDepreciationCaseOfTheSecondBatchButTheListedExceptionsPasses) {
  runFile("cases-2.csv", "function_case_exceptions_tvm.csv",
          {"AMORDEGRC", "AMORLINC",   "CUMIPMT", "CUMPRINC", "DB",   "DDB",     "DOLLARDE", "DOLLARFR", "EFFECT",
           "FV",        "FVSCHEDULE", "IPMT",    "IRR",      "MIRR", "NOMINAL", "NPER",     "NPV",      "PMT",
           "PPMT",      "PV",         "RATE",    "SLN",      "SYD",  "VDB",     "XIRR",     "XNPV"});
}

TEST(FunctionCases, EveryLookupAndReferenceCaseOfTheSecondBatchButTheListedExceptionsPasses) {
  runFile("cases-2.csv", "function_case_exceptions_lookup.csv",
          {"ADDRESS", "AREAS", "CHOOSE", "COLUMN", "COLUMNS", "HLOOKUP", "INDEX", "LOOKUP", "MATCH", "ROW", "ROWS",
           "TRANSPOSE", "VLOOKUP"});
}

TEST(FunctionCases, EveryTextCaseOfTheSecondBatchButTheListedExceptionsPasses) {
  runFile("cases-2.csv", "function_case_exceptions_text.csv",
          {"CHAR",   "CLEAN",      "CODE",  "CONCATENATE", "DOLLAR", "EXACT",   "FIND", "FIXED",
           "LEFT",   "LEN",        "LOWER", "MID",         "PROPER", "REPLACE", "REPT", "RIGHT",
           "SEARCH", "SUBSTITUTE", "T",     "TEXT",        "TRIM",   "UPPER",   "VALUE"});
}

TEST(FunctionCases, EveryStatisticalCaseOfTheSecondBatchButTheListedExceptionsPasses) {
  runFile(
      "cases-2.csv", "function_case_exceptions_2.csv",
      {"AVEDEV",     "AVERAGE",   "AVERAGEA",  "CORREL",      "COUNT",     "COUNTA",      "COVAR",        "DEVSQ",
       "FORECAST",   "FREQUENCY", "GEOMEAN",   "GROWTH",      "HARMEAN",   "INTERCEPT",   "KURT",         "LARGE",
       "LINEST",     "LOGEST",    "BETADIST",  "BETAINV",     "BINOMDIST", "CHIDIST",     "CHIINV",       "CHITEST",
       "CONFIDENCE", "CRITBINOM", "EXPONDIST", "FDIST",       "FINV",      "FISHER",      "FISHERINV",    "FTEST",
       "GAMMADIST",  "GAMMAINV",  "GAMMALN",   "HYPGEOMDIST", "LOGINV",    "LOGNORMDIST", "NEGBINOMDIST", "NORMDIST",
       "NORMINV",    "NORMSDIST", "NORMSINV",  "PERMUT",      "POISSON",   "PROB",        "STANDARDIZE",  "TDIST",
       "TINV",       "TTEST",     "WEIBULL",   "ZTEST"});
}

TEST(FunctionCases, EveryEngineeringCaseOfTheSecondBatchButTheListedExceptionsPasses) {
  runFile("cases-2.csv", "function_case_exceptions_engineering.csv",
          {"BESSELI", "BESSELJ", "BESSELK", "BESSELY", "BIN2DEC",   "BIN2HEX",    "BIN2OCT",     "COMPLEX",
           "CONVERT", "DEC2BIN", "DEC2HEX", "DEC2OCT", "DELTA",     "ERF",        "ERFC",        "GESTEP",
           "HEX2BIN", "HEX2DEC", "HEX2OCT", "IMABS",   "IMAGINARY", "IMARGUMENT", "IMCONJUGATE", "IMCOS",
           "IMDIV",   "IMEXP",   "IMLN",    "IMLOG10", "IMLOG2",    "IMPOWER",    "IMPRODUCT",   "IMREAL",
           "IMSIN",   "IMSQRT",  "IMSUB",   "IMSUM",   "OCT2BIN",   "OCT2DEC",    "OCT2HEX"});
}

TEST(FunctionCases, EveryDatabaseCaseOfTheSecondBatchButTheListedExceptionsPasses) {
  runFile("cases-2.csv", "function_case_exceptions_engineering.csv",
          {"DAVERAGE", "DCOUNT", "DCOUNTA", "DGET", "DMAX", "DMIN", "DPRODUCT", "DSTDEV", "DSTDEVP", "DSUM", "DVAR",
           "DVARP"});
}

TEST(FunctionCases, EverySecuritiesCaseOfTheSecondBatchButTheListedExceptionsPasses) {
  runFile("cases-2.csv", "function_case_exceptions_securities.csv",
          {"ACCRINT",    "ACCRINTM",   "COUPDAYBS", "COUPDAYS",  "COUPDAYSNC", "COUPNCD",   "COUPNUM",
           "COUPPCD",    "DISC",       "DURATION",  "INTRATE",   "MDURATION",  "ODDFPRICE", "ODDFYIELD",
           "ODDLPRICE",  "ODDLYIELD",  "PRICE",     "PRICEDISC", "PRICEMAT",   "RECEIVED",  "TBILLEQ",
           "TBILLPRICE", "TBILLYIELD", "YIELD",     "YIELDDISC", "YIELDMAT"});
}

}  // namespace
