// The option table: every option's index and name suffix, and what a value
// of each option may be. Header only, so that the front end, which checks
// the options typed on its command line, shares it with the library.
#pragma once

#include <cmath>
#include <cstring>

// Indexes into the option table (the entries this library asks for by name).
// clang-format off
enum OptionIndex : int {
  OptTyp = 0, OptOpt = 1, OptAdj = 2, OptNum = 3, OptRel = 4, OptLhs = 5, OptRhs = 6,
  OptVal = 7, OptLin = 8, OptSho = 9, OptEst = 10, OptDrv = 11, OptNwt = 12, OptScl = 13,
  OptTim = 14, OptItr = 15, OptPre = 16, OptTol = 17, OptVar = 18, OptCon = 19,
  OptVir = 20, OptCir = 21, OptRep = 22, OptSol = 23, OptPiv = 24, OptRed = 25,
  OptCvg = 26, OptNeg = 27, OptKiv = 28, OptRlx = 29, OptNod = 30, OptMip = 31,
  OptSim = 32, OptPro = 33, OptOfx = 34, OptReo = 35, OptIbd = 36, OptDua = 37,
  OptDus = 38, OptPhr = 39, OptWbr = 40, OptGct = 41, OptGop = 42, OptCct = 43,
  OptCgt = 44, OptLva = 45, OptMsl = 46, OptTms = 47, OptSsz = 48, OptMrt = 49,
  OptXtc = 50, OptRbv = 51, OptMni = 52, OptLoc = 53, OptRsd = 54, OptFns = 55,
  OptStp = 56, OptDrf = 57, OptStd = 58, OptNtr = 59, OptMtr = 60, OptRdp = 61,
  OptRsp = 62, OptRtr = 63, OptMod = 64, OptMda = 65, OptDia = 66, OptSel = 67,
  OptIrs = 68, OptIfs = 69, OptIqp = 70, OptIsm = 71, OptIao = 72, OptRes = 73,
  OptAcc = 74, OptArs = 75, OptSta = 76, OptMet = 77, OptSoc = 78, OptLpt = 79,
  OptLpp = 80, OptFea = 81, OptGap = 82, OptIps = 83, OptIpd = 84, OptIpi = 85,
  OptEng = 86,
  OptScenNum = 87, OptScenChange = 88, OptScenName = 89, OptScenValue = 90,
  OptScenWeight = 91,
  OptRobustNum = 92, OptRobustObj = 93, OptRobustExp = 94, OptRobustStd = 95,
  OptRobustPen = 96,
  OptionCount = 97
};
// clang-format on

inline constexpr const char* kOptionSuffixes[OptionCount] = {
    "typ",   "opt",    "adj", "num", "rel", "lhs", "rhs", "val", "lin",    "sho",   //  0- 9
    "est",   "drv",    "nwt", "scl", "tim", "itr", "pre", "tol", "var",    "con",   // 10-19
    "vir",   "cir",    "rep", "sol", "piv", "red", "cvg", "neg", "kiv",    "rlx",   // 20-29
    "nod",   "mip",    "sim", "pro", "ofx", "reo", "ibd", "dua", "dus",    "phr",   // 30-39
    "wbr",   "gct",    "gop", "cct", "cgt", "lva", "msl", "tms", "ssz",    "mrt",   // 40-49
    "xtc",   "rbv",    "mni", "loc", "rsd", "fns", "stp", "drf", "std",    "ntr",   // 50-59
    "mtr",   "rdp",    "rsp", "rtr", "mod", "mda", "dia", "sel", "irs",    "ifs",   // 60-69
    "iqp",   "ism",    "iao", "res", "acc", "ars", "sta", "met", "soc",    "lpt",   // 70-79
    "lpp",   "fea",    "gap", "ips", "ipd", "ipi", "eng", "num", "change", "name",  // 80-89
    "value", "weight", "num", "obj", "exp", "std", "pen"};                          // 90-96

// What an option accepts: a number from `low` to `high`, whole when asked;
// with `aboveLow`, strictly above `low`.
struct OptionDomain {
  int index;
  double low, high;
  bool whole, aboveLow;
};

inline constexpr double kOptionMaxCount = 2147483647.0;  // counts are read as 32-bit integers
inline constexpr double kOptionMaxRows = 32767.0;        // constraint rows are numbered in 16 bits

// Switches take 1 (on) or 2 (off), as spreadsheet programs write them; 0
// reads as off.
constexpr OptionDomain Names_switchDomain(int index) { return {index, 0, 2, true, false}; }

inline constexpr OptionDomain kOptionDomains[] = {
    {OptTyp, 1, 3, true, false},
    {OptNum, 0, kOptionMaxRows, true, false},
    {OptEng, 0, kOptionMaxRows, true, false},
    {OptTim, 0, kOptionMaxCount, false, true},
    {OptItr, 1, kOptionMaxCount, true, false},
    {OptNod, 1, kOptionMaxCount, true, false},
    {OptMip, 1, kOptionMaxCount, true, false},
    {OptSsz, 0, kOptionMaxCount, true, false},
    {OptMni, 1, kOptionMaxCount, true, false},
    {OptRsd, -kOptionMaxCount, kOptionMaxCount, true, false},
    {OptPre, 0, 1, false, true},
    {OptCvg, 0, 1, false, true},
    {OptTol, 0, 1, false, false},
    {OptMrt, 0, 1, false, false},
    {OptXtc, 0, 1, false, false},
    {OptSol, 0, 1e30, false, true},
    {OptPiv, 0, 1e30, false, true},
    {OptRed, 0, 1e30, false, true},
    {OptStp, 0, 1e30, false, true},
    {OptRes, 0, 1e30, false, true},
    {OptAcc, 0, 1e30, false, true},
    {OptDia, 0, 5, true, false},
    {OptSel, 0, 4, true, false},
    {OptMda, 0, 3, true, false},
    {OptMod, 0, 5, true, false},
    {OptLoc, 0, 4, true, false},
    {OptDrf, 0, 2, true, false},
    {OptRep, 0, 2, true, false},
    Names_switchDomain(OptLin),
    Names_switchDomain(OptSho),
    Names_switchDomain(OptEst),
    Names_switchDomain(OptDrv),
    Names_switchDomain(OptNwt),
    Names_switchDomain(OptScl),
    Names_switchDomain(OptNeg),
    Names_switchDomain(OptRlx),
    Names_switchDomain(OptSim),
    Names_switchDomain(OptPro),
    Names_switchDomain(OptOfx),
    Names_switchDomain(OptReo),
    Names_switchDomain(OptIbd),
    Names_switchDomain(OptDua),
    Names_switchDomain(OptDus),
    Names_switchDomain(OptPhr),
    Names_switchDomain(OptWbr),
    Names_switchDomain(OptLva),
    Names_switchDomain(OptMsl),
    Names_switchDomain(OptTms),
    Names_switchDomain(OptRbv),
    Names_switchDomain(OptFns),
    Names_switchDomain(OptArs),
    Names_switchDomain(OptSta),
    {OptMet, 1, 2, true, false},
    Names_switchDomain(OptSoc),
    Names_switchDomain(OptLpt),
    Names_switchDomain(OptLpp),
};

// The options whose stored value outside their domain is refused rather than
// read as the nearest value: those that say what the model is, and the
// interval engine's contraction method, whose two values name two methods
// with nothing between them.
constexpr bool Names_isRefusedOutsideDomain(int index) {
  return index == OptTyp || index == OptNum || index == OptEng || index == OptMet;
}

// The domain of an option; nullptr for an option that takes any number.
inline const OptionDomain* Names_optionDomain(int index) {
  for (const OptionDomain& d : kOptionDomains)
    if (d.index == index) return &d;
  return nullptr;
}

inline bool Names_domainAccepts(const OptionDomain& d, double x) {
  bool inRange = (d.aboveLow ? x > d.low : x >= d.low) && x <= d.high;
  return inRange && (!d.whole || x == std::floor(x));
}

// A stored value as the option readers take it: below the domain (or not a
// number) the default, above it the domain's top.
inline double Names_domainRead(const OptionDomain& d, double x, double defaultValue) {
  if (std::isnan(x) || (d.aboveLow ? x <= d.low : x < d.low)) return defaultValue;
  return x > d.high ? d.high : x;
}

// The index of the "solver_" option with this suffix; -1 when there is none.
inline int Names_findSolverOption(const char* suffix) {
  for (int index = 0; index < OptScenNum; ++index)
    if (std::strcmp(kOptionSuffixes[index], suffix) == 0) return index;
  return -1;
}
