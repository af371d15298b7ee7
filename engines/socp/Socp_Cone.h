// Second-order cone algebra of the SOCP core: the arrow (Jordan) product and
// its inverse, the cone inverse, spectral powers, multiplication by the
// quadratic representation of a square root, the step to the cone boundary,
// on one block, on whole vectors laid out by the cone descriptor and on
// sparse vectors, with the dense vector routines the directions use.
#pragma once

#include <utility>
#include <vector>

#include "engines/socp/sparse/SV_Vector.h"

// Block operations on d doubles, head first; out may alias an input.
void Socp_blockArwMul(int d, double* out, const double* a, const double* b);
void Socp_blockArwSolve(int d, double* out, const double* a, const double* b);
void Socp_blockInverse(int d, double* out, const double* x);
void Socp_blockScaleMul(int d, double* out, const double* w, const double* v);
void Socp_blockPower(int d, double* out, const double* x, double e);
double Socp_blockStepToBoundary(int d, const double* v, const double* dv, double amax);
// Roots lo <= hi of qa·t² + qb·t + qc (a negative discriminant counts as 0).
std::pair<double, double> Socp_quadRoots(double qa, double qb, double qc);

// Whole vectors: linear entries one by one, each block by the block rule.
double* Socp_arwMul(int n, int p, const int* cones, double* out, const double* a, const double* b);
double* Socp_arwSolve(int n, int p, const int* cones, double* out, const double* a, const double* b);
double* Socp_scaleMul(int n, int p, const int* cones, double* out, const double* w, const double* v);
double* Socp_inverse(int n, int p, const int* cones, double* out, const double* x);
double* Socp_power(int n, int p, const int* cones, double* out, const double* x, double e);
// The step to the cone boundary when nothing limits it.
constexpr double SocpStepCap = 100000.0;
// Largest step (at most amax) along dv that keeps v + step·dv in K.
double Socp_stepToBoundary(int n, int p, const int* cones, const double* v, const double* dv,
                           double amax);
// Whether v lies in K (tails' squares summed in extended precision).
bool Socp_inCone(int n, int p, const int* cones, const double* v);
// The identity of K times `scale`.
void Socp_identity(int n, int p, const int* cones, double* out, double scale);

double* Socp_axpy(int len, double* out, const double* a, const double* b, double alpha);
double* Socp_zero(int len, double* out);
void Socp_negate(int len, double* out, const double* in);
double Socp_dot(int len, const double* a, const double* b);
// y += alpha·v over v's stored entries.
double* Socp_sparseAxpy(double* y, const spvec* v, double alpha);
double Socp_sparseDenseDot(const double* y, const spvec* v);
double Socp_sparseDot(const spvec* u, const spvec* v);

// Sparse forms of arwSolve, arwMul and scaleMul: the linear entries stay
// sparse, a touched cone block is stored whole. `out` is created on first use.
spvec* Socp_sparseArwSolve(int n, int p, const int* cones, SpVec& out, const double* a,
                           const spvec* v, std::vector<double>& tmpbuf);
spvec* Socp_sparseArwMul(int n, int p, const int* cones, SpVec& out, const double* a,
                         const spvec* v, std::vector<double>& tmpbuf);
spvec* Socp_sparseScaleMul(int n, int p, const int* cones, SpVec& out, const double* w,
                           const spvec* v, std::vector<double>& tmpbuf);
