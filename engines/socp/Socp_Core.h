// The interior-point core of the SOCP barrier engine. It solves the pair
//
//   primal: minimise c·x subject to A x = b, x in K
//   dual:   maximise b·y subject to Aᵀy + s = c, s in K
//
// with n cone variables, m equality rows and K the product of a nonnegative
// orthant and p second-order cones, by a primal-dual path-following method
// (four search directions, normal equations A·G·Aᵀ in a packed triangle).
//
// Cone descriptor `cones` (p + 1 entries): cones[0] linear variables at
// positions 0 to cones[0]-1; cone k occupies cones[k] to cones[k+1]-1
// (head first), so cones[p] = n. A block of dimension 1 is a linear entry.
#pragma once

#include <cstdint>
#include <vector>

#include "engines/socp/sparse/SM_Matrix.h"

// Bits of the status word a run returns.
enum SocpStatus : int {
  SocpPrimalFeasible = 1,  // primalRes below the feasibility tolerance
  SocpDualFeasible = 2,    // dualRes below the feasibility tolerance
  SocpGapSmall = 4,        // |gap| below the gap tolerance
  SocpOutsideCone = 32,    // x or s lies outside K
};

enum SocpDirection : int { SocpPowerc = 0, SocpPowercPc = 1, SocpHkm = 2, SocpHkmPc = 3 };

// The nine-entry parameter vector read into named values.
struct SocpParams {
  int printlevel = 0;
  double feaseps = 1e-6;
  double gapeps = 1e-6;
  double fraction = 0.99;   // share of the step to the cone boundary taken
  double gamma = 0.1;       // centring weight of the directions without corrector
  int maxiter = 5000;
  int direction = SocpHkmPc;
  double powerindex = 1.0;  // of the POWERC directions
  int equalSteps = 1;       // primal and dual steps set equal
  int nonstop = 0;          // run to the limit, not to optimality
};

constexpr int SocpParamCount = 9;

// One cone program with its iterate and work storage. A, b, c and cones
// belong to the caller; the run reorders the rows of A and b and puts them
// back before it returns.
struct socp {
  int n = 0, m = 0, p = 0;
  int iter = 0;
  const int* cones = nullptr;
  std::vector<std::int32_t> pRowOrd;  // during a run: the rows' order; else empty
  int printlevel = 0;
  int direction = SocpHkmPc;  // of the run, set by the direction's set-up
  spmat* A = nullptr;
  double* b = nullptr;
  const double* c = nullptr;
  std::vector<double> x, y, s;  // empty before the run: default start point
  double *dx = nullptr, *dy = nullptr, *ds = nullptr;  // views into work
  std::vector<double> work;   // dx, dy, ds
  std::vector<double> work2;  // scratch of the search direction
  std::vector<double> resid;  // scratch of the dual residual
  double gap = 0, primalRes = 0, dualRes = 0;
  double dsize_p = 1.0, dsize_d = 1.0, dsize_g = 1.0;
  double primalTol = 1e-5, dualTol = 1e-5, gapTol = 1e-5;
  std::vector<SpVec> srow;  // scaled constraint rows of the iteration
  SpVec rowTmp;
  std::vector<double> tmpbuf;     // dense scratch of one cone block
  std::vector<double> aaBlock;    // packed normal matrix: m(m+1)/2 doubles
  std::vector<double*> pAA;       // row i: columns i to m-1 of the upper triangle
};

// Called once per iteration with the iterate just taken; a result from 2
// to 6 (a stop code) ends the run after this iteration.
using SocpIterationHook = int (*)(void* user, const socp& program);

// Applies a parameter vector of SocpParamCount entries over the defaults;
// none leaves them. False when the direction is not one of the four.
bool Socp_parseParams(const double* params, SocpParams& out);
// Sets the feasibility and gap tolerances (each only when positive).
void Socp_setTolerances(socp& s, double feaseps, double gapeps);
// One measurement: residuals, gap and the status word.
int Socp_evaluate(socp& s);
// The run from the default start point (or x, y, s when set); returns the
// status word of the last measurement. The parameters must have passed
// Socp_parseParams.
int Socp_runSolver(socp& s, const SocpParams& params, SocpIterationHook hook, void* user);

inline bool Socp_isPrimalFeasible(int status) { return status & SocpPrimalFeasible; }
inline bool Socp_isDualFeasible(int status) { return status & SocpDualFeasible; }
inline bool Socp_isGapSmall(int status) { return status & SocpGapSmall; }
inline bool Socp_isOutsideCone(int status) { return status & SocpOutsideCone; }
inline bool Socp_isOptimal(int status) {
  return (status & 7) == 7;
}

// Normal equations M·dy = r with M = A·G·Aᵀ packed by rows.
// The row order (largest row sums first, then fewest entries); empty when
// the rows already stand in it.
std::vector<std::int32_t> Socp_rowOrder(const spmat& a);
void Socp_applyRowOrder(socp& s);
void Socp_restoreRowOrder(socp& s);
void Socp_allocNormalMatrix(socp& s);
// In-place symmetric elimination without pivoting; negligible pivots and
// multipliers (at most 2^-52) are skipped.
void Socp_factorNormal(double* const* pAA, int m);
// r becomes the solution; may be repeated after one factorisation.
void Socp_solveNormal(const double* const* pAA, double* r, int m);
