// The four search directions of the SOCP core and their normal equations.
#include "engines/socp/Socp_Directions.h"

#include <cmath>

#include "engines/socp/Socp_Cone.h"

namespace {

// Shorthands over the record's cone layout.
struct Cone {
  socp& s;
  double* scaleMul(double* out, const double* w, const double* v) {
    return Socp_scaleMul(s.n, s.p, s.cones, out, w, v);
  }
  double* arwMul(double* out, const double* a, const double* b) {
    return Socp_arwMul(s.n, s.p, s.cones, out, a, b);
  }
  double* arwSolve(double* out, const double* a, const double* b) {
    return Socp_arwSolve(s.n, s.p, s.cones, out, a, b);
  }
  double* inverse(double* out, const double* x) { return Socp_inverse(s.n, s.p, s.cones, out, x); }
  double* power(double* out, const double* x, double e) {
    return Socp_power(s.n, s.p, s.cones, out, x, e);
  }
  double step(const double* v, const double* dv) {
    return std::min(1.0, Socp_stepToBoundary(s.n, s.p, s.cones, v, dv, SocpStepCap));
  }
  // out = c - s - Aᵀy
  double* dualResidual(double* out) {
    for (int j = 0; j < s.n; ++j) out[j] = s.c[j] - s.s[j];
    for (int i = 0; i < s.m; ++i) Socp_sparseAxpy(out, s.A->rows[i].get(), -s.y[i]);
    return out;
  }
  // out = r - Aᵀv
  double* minusAt(double* out, const double* r, const double* v) {
    for (int j = 0; j < s.n; ++j) out[j] = r[j];
    for (int i = 0; i < s.m; ++i) Socp_sparseAxpy(out, s.A->rows[i].get(), -v[i]);
    return out;
  }
  double mu() { return Socp_dot(s.n, s.x.data(), s.s.data()) / std::max(1, s.cones[0] + s.p); }
  double* piece(int k) { return s.work2.data() + static_cast<std::size_t>(k) * s.n; }
};

void factorSolve(socp& s, double* r) {
  Socp_factorNormal(s.pAA.data(), s.m);
  Socp_solveNormal(s.pAA.data(), r, s.m);
}

// out = v (none: no entries).
void copyRow(SpVec& out, const spvec* v) {
  if (!out) out = std::make_unique<spvec>();
  if (v) *out = *v;
  else out->nnz = 0;
}

// M = A·G·Aᵀ (upper triangle) and rhs = A·G·r with
// G = P(w^½)·Arw(w2)⁻¹·Arw(w1)·P(w^½); without w1 (power index 1, where w1
// and w2 coincide) the arrow pair is the identity and is left out, which
// keeps G exact near the cone boundary where Arw(w2) is nearly singular.
void buildScaledNormal(socp& s, double* rhs, const double* w, const double* w1, const double* w2,
                       const double* r) {
  for (int i = 0; i < s.m; ++i)
    Socp_sparseScaleMul(s.n, s.p, s.cones, s.srow[i], w, s.A->rows[i].get(), s.tmpbuf);
  for (int i = 0; i < s.m; ++i) {
    if (w1) {
      Socp_sparseArwMul(s.n, s.p, s.cones, s.rowTmp, w1, s.srow[i].get(), s.tmpbuf);
      Socp_sparseArwSolve(s.n, s.p, s.cones, s.rowTmp, w2, s.rowTmp.get(), s.tmpbuf);
    } else {
      copyRow(s.rowTmp, s.srow[i].get());
    }
    for (int j = i; j < s.m; ++j) s.pAA[i][j - i] = Socp_sparseDot(s.rowTmp.get(), s.srow[j].get());
    Socp_sparseScaleMul(s.n, s.p, s.cones, s.rowTmp, w, s.rowTmp.get(), s.tmpbuf);
    rhs[i] = Socp_sparseDenseDot(r, s.rowTmp.get());
  }
}

// HKM normal matrix with F = s⁻¹ and E = P(s^½)x: G v = P(F^½)(E∘P(F^½)v).
void buildHkmNormal(socp& s, const double* f, const double* e) {
  for (int i = 0; i < s.m; ++i)
    Socp_sparseScaleMul(s.n, s.p, s.cones, s.srow[i], f, s.A->rows[i].get(), s.tmpbuf);
  for (int i = 0; i < s.m; ++i) {
    Socp_sparseArwMul(s.n, s.p, s.cones, s.rowTmp, e, s.srow[i].get(), s.tmpbuf);
    for (int j = i; j < s.m; ++j) s.pAA[i][j - i] = Socp_sparseDot(s.rowTmp.get(), s.srow[j].get());
  }
}

// out = G v for the HKM scaling (out and tmp distinct from v and each other).
void hkmApply(Cone& k, double* out, const double* f, const double* e, const double* v) {
  k.scaleMul(out, f, v);
  k.arwMul(out, e, out);
  k.scaleMul(out, f, out);
}

// Centring target of the predictor-corrector directions from the predicted
// steps along (dx, ds).
double centringTarget(Cone& k, double mu) {
  socp& s = k.s;
  double ap = k.step(s.x.data(), s.dx), ad = k.step(s.s.data(), s.ds);
  double muAff = (ap * Socp_dot(s.n, s.s.data(), s.dx) +
                  ad * (Socp_dot(s.n, s.x.data(), s.ds) + ap * Socp_dot(s.n, s.dx, s.ds))) /
                     std::max(1, s.cones[0] + s.p) + mu;
  double ratio = muAff / mu;
  return ratio < 1 ? ratio * ratio * muAff : ratio;
}

// W0, W1, W2 of the POWERC scaling: G s = x.
void powercScaling(Cone& k, double power) {
  socp& s = k.s;
  double *w0 = k.piece(0), *w1 = k.piece(1), *w2 = k.piece(2);
  k.scaleMul(w0, s.x.data(), s.s.data());
  k.power(w0, w0, 1.0 / (power + 1.0));
  k.inverse(w2, s.x.data());
  k.scaleMul(w0, w2, w0);
  k.scaleMul(w1, w0, s.x.data());
  k.inverse(w0, w0);
  k.scaleMul(w2, w0, s.s.data());
}

// out = G v for the POWERC scaling (out may be v). The directions take
// -G(s + ds) as -x - G ds: G s = x holds in exact arithmetic only, and near
// the cone boundary the rounded G s drifts from x enough to spoil A dx.
void powercApply(Cone& k, double* out, const double* v, bool arrow) {
  double *w0 = k.piece(0), *w1 = k.piece(1), *w2 = k.piece(2);
  k.scaleMul(out, w0, v);
  if (arrow) {
    k.arwMul(out, w1, out);
    k.arwSolve(out, w2, out);
  }
  k.scaleMul(out, w0, out);
}

// Whether the arrow pair of the POWERC scaling is needed (power index not 1).
bool powercArrow(double power) { return power != 1.0; }

// One correction of a POWERC direction with the factored normal matrix: the
// part e of b - A·x that A·dx misses (the scaling points' rounding grows as
// the blocks near their boundary) is added back through z = M⁻¹e, so that
// dy += z, ds -= Aᵀz and dx += G·Aᵀz still solve the Newton system.
void powercCorrect(Cone& k, bool arrow) {
  socp& s = k.s;
  double* z = s.work2.data() + s.work2.size() - static_cast<std::size_t>(s.m) - s.n;
  double* v = z + s.m;
  for (int i = 0; i < s.m; ++i) {
    const spvec* row = s.A->rows[i].get();
    z[i] = s.b[i] - Socp_sparseDenseDot(s.x.data(), row) - Socp_sparseDenseDot(s.dx, row);
  }
  Socp_solveNormal(s.pAA.data(), z, s.m);
  Socp_zero(s.n, v);
  for (int i = 0; i < s.m; ++i) Socp_sparseAxpy(v, s.A->rows[i].get(), z[i]);
  Socp_axpy(s.m, s.dy, s.dy, z, 1.0);
  Socp_axpy(s.n, s.ds, s.ds, v, -1.0);
  powercApply(k, v, v, arrow);
  Socp_axpy(s.n, s.dx, s.dx, v, 1.0);
}

void powercDirection(socp& s, double gamma, double power) {
  Cone k{s};
  double mu = k.mu();
  k.dualResidual(s.ds);
  powercScaling(k, power);
  bool arrow = powercArrow(power);
  buildScaledNormal(s, s.dy, k.piece(0), arrow ? k.piece(1) : nullptr, k.piece(2), s.ds);
  for (int i = 0; i < s.m; ++i) s.dy[i] += s.b[i];
  k.inverse(s.dx, s.s.data());
  for (int i = 0; i < s.m; ++i)
    s.dy[i] -= Socp_sparseDenseDot(s.dx, s.A->rows[i].get()) * mu * gamma;
  factorSolve(s, s.dy);
  double* rd = k.piece(3);
  k.minusAt(s.ds, k.dualResidual(rd), s.dy);
  powercApply(k, rd, s.ds, arrow);
  for (int j = 0; j < s.n; ++j) s.dx[j] = mu * gamma * s.dx[j] - rd[j] - s.x[j];
  powercCorrect(k, arrow);
}

void powercPcDirection(socp& s, double power) {
  Cone k{s};
  double mu = k.mu();
  double *w0 = k.piece(0), *w1 = k.piece(1), *w2 = k.piece(2), *w3 = k.piece(3), *w4 = k.piece(4),
         *w5 = k.piece(5), *w6 = k.piece(6);
  double* w7 = k.piece(7);          // m doubles
  double* w8 = w7 + s.m;            // n doubles
  k.dualResidual(s.ds);
  powercScaling(k, power);
  bool arrow = powercArrow(power);
  buildScaledNormal(s, s.dy, w0, arrow ? w1 : nullptr, w2, s.ds);
  for (int i = 0; i < s.m; ++i) s.dy[i] += s.b[i];
  factorSolve(s, s.dy);
  k.minusAt(s.ds, k.dualResidual(w3), s.dy);
  powercApply(k, s.dx, s.ds, arrow);
  for (int j = 0; j < s.n; ++j) s.dx[j] = -s.dx[j] - s.x[j];
  double target = centringTarget(k, mu);
  k.inverse(w3, w0);
  k.scaleMul(w4, w3, s.dx);
  k.scaleMul(w5, w0, s.ds);
  k.arwMul(w4, w4, w5);
  Socp_identity(s.n, s.p, s.cones, w6, 1.0);
  Socp_axpy(s.n, w4, w4, w6, -target);
  k.arwSolve(w5, w2, w4);
  for (int i = 0; i < s.m; ++i) w7[i] = Socp_sparseDenseDot(w5, s.srow[i].get());
  Socp_solveNormal(s.pAA.data(), w7, s.m);
  Socp_zero(s.n, w8);
  for (int i = 0; i < s.m; ++i) Socp_sparseAxpy(w8, s.A->rows[i].get(), -w7[i]);
  if (arrow) {
    Socp_negate(s.n, w6, w4);
    k.scaleMul(w5, w0, w8);
    k.arwMul(w5, w5, w1);
    Socp_axpy(s.n, w6, w6, w5, -1.0);
    k.arwSolve(w6, w2, w6);
  } else {
    k.scaleMul(w6, w0, w8);
    Socp_axpy(s.n, w6, w6, w5, 1.0);
    Socp_negate(s.n, w6, w6);
  }
  k.scaleMul(w6, w0, w6);
  Socp_axpy(s.n, s.dx, s.dx, w6, 1.0);
  Socp_axpy(s.n, s.ds, s.ds, w8, 1.0);
  Socp_axpy(s.m, s.dy, s.dy, w7, 1.0);
  powercCorrect(k, arrow);
}

void hkmDirection(socp& s, double gamma) {
  Cone k{s};
  double mu = k.mu();
  double *r = k.piece(0), *e = k.piece(1), *f = k.piece(2);
  k.scaleMul(e, s.s.data(), s.x.data());
  k.inverse(f, s.s.data());
  buildHkmNormal(s, f, e);
  k.dualResidual(r);
  hkmApply(k, s.ds, f, e, r);
  Socp_axpy(s.n, s.dx, s.ds, f, -mu * gamma);
  for (int i = 0; i < s.m; ++i) s.dy[i] = Socp_sparseDenseDot(s.dx, s.A->rows[i].get()) + s.b[i];
  factorSolve(s, s.dy);
  k.minusAt(s.ds, r, s.dy);
  hkmApply(k, r, f, e, s.ds);
  for (int j = 0; j < s.n; ++j) s.dx[j] = -(r[j] - mu * gamma * f[j] + s.x[j]);
}

void hkmPcDirection(socp& s) {
  Cone k{s};
  double mu = k.mu();
  double* q = k.piece(0);
  double* z = q + s.n;  // m doubles
  double *u = z + s.m, *d = u + s.n, *e = d + s.n, *f = e + s.n;
  k.scaleMul(e, s.s.data(), s.x.data());
  k.inverse(f, s.s.data());
  buildHkmNormal(s, f, e);
  k.dualResidual(s.ds);
  hkmApply(k, q, f, e, s.ds);
  for (int i = 0; i < s.m; ++i) s.dy[i] = Socp_sparseDenseDot(q, s.A->rows[i].get()) + s.b[i];
  factorSolve(s, s.dy);
  for (int i = 0; i < s.m; ++i) Socp_sparseAxpy(s.ds, s.A->rows[i].get(), -s.dy[i]);
  hkmApply(k, s.dx, f, e, s.ds);
  for (int j = 0; j < s.n; ++j) s.dx[j] = -s.dx[j] - s.x[j];
  double target = centringTarget(k, mu);
  k.scaleMul(u, f, s.ds);
  k.scaleMul(q, s.s.data(), s.dx);
  k.arwMul(u, q, u);
  k.scaleMul(u, f, u);
  Socp_axpy(s.n, u, u, f, -target);
  for (int i = 0; i < s.m; ++i) z[i] = Socp_sparseDenseDot(u, s.A->rows[i].get());
  Socp_solveNormal(s.pAA.data(), z, s.m);
  Socp_negate(s.n, q, u);
  Socp_zero(s.n, u);
  for (int i = 0; i < s.m; ++i) Socp_sparseAxpy(u, s.A->rows[i].get(), -z[i]);
  hkmApply(k, d, f, e, u);
  Socp_axpy(s.n, q, q, d, -1.0);
  Socp_axpy(s.n, s.dx, s.dx, q, 1.0);
  Socp_axpy(s.m, s.dy, s.dy, z, 1.0);
  Socp_axpy(s.n, s.ds, s.ds, u, 1.0);
}

std::size_t work2Length(const socp& s, int direction) {
  std::size_t n = s.n, m = s.m;
  switch (direction) {
    case SocpPowerc: return 5 * n + m;   // W0 to W3, then the correction's m + n
    case SocpPowercPc: return 9 * n + 2 * m;
    default: return 5 * n + m;
  }
}

}  // namespace

void Socp_directionSetup(socp& s, int direction) {
  s.direction = direction;
  s.srow.clear();
  s.srow.resize(s.m);
  s.work2.assign(work2Length(s, direction), 0.0);
  Socp_allocNormalMatrix(s);
  s.pRowOrd = Socp_rowOrder(*s.A);
  Socp_applyRowOrder(s);
}

void Socp_direction(socp& s, const SocpParams& params) {
  switch (s.direction) {
    case SocpPowerc: powercDirection(s, params.gamma, params.powerindex); break;
    case SocpPowercPc: powercPcDirection(s, params.powerindex); break;
    case SocpHkm: hkmDirection(s, params.gamma); break;
    default: hkmPcDirection(s); break;
  }
}

void Socp_directionFinish(socp& s) {
  Socp_restoreRowOrder(s);
  s.pRowOrd.clear();
  s.srow.clear();
  s.work2.clear();
}
