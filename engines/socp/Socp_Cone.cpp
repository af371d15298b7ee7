// Second-order cone algebra: block rules, their whole-vector and sparse
// forms, the step to the boundary and the dense vector routines.
#include "engines/socp/Socp_Cone.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kHuge = std::numeric_limits<double>::infinity();

// The smaller root in magnitude, o = 2h - r, is the difference of two
// nearly equal terms when qa is tiny against qb, as it is for a direction
// along the cone's boundary: it then keeps none of its digits and the step
// to the boundary overshoots it. Where it has lost more than half of them
// it is taken as qc/(qa·r) instead, the product of the roots over the
// larger one, with qa·r = -(qb + sign(qb)·sqrt(disc))/2 a sum of like
// signs.
constexpr double kRootCancellation = 0x1p26;

double tailDot(int d, const double* a, const double* b) {
  long double sum = 0.0L;
  for (int k = 1; k < d; ++k) sum += static_cast<long double>(a[k]) * b[k];
  return static_cast<double>(sum);
}

double det(int d, const double* v) { return v[0] * v[0] - tailDot(d, v, v); }

// Applies `linear` to every linear entry (and block of dimension 1) and
// `block` to every larger block.
template <typename Linear, typename Block>
void forEachBlock(int p, const int* cones, Linear linear, Block block) {
  for (int i = 0; i < cones[0]; ++i) linear(i);
  for (int k = 0; k < p; ++k) {
    int start = cones[k], d = cones[k + 1] - cones[k];
    if (d == 1) linear(start);
    else if (d > 1) block(start, d);
  }
}

// The block holding index i: its start and dimension (i not linear).
std::pair<int, int> blockOf(int p, const int* cones, int i) {
  int k = static_cast<int>(std::upper_bound(cones, cones + p + 1, i) - cones) - 1;
  return {cones[k], cones[k + 1] - cones[k]};
}

// The sparse skeleton: linear entries scaled one by one by `linear`, each
// touched block gathered densely, transformed by `block` and stored whole.
template <typename Linear, typename Block>
spvec* sparseApply(int n, int p, const int* cones, SpVec& out, const spvec* v,
                   std::vector<double>& tmpbuf, Linear linear, Block block) {
  if (!v) {
    if (out) out->nnz = 0;
    return out.get();
  }
  spvec copy;
  if (out.get() == v) copy = *v;
  const spvec& in = out.get() == v ? copy : *v;
  if (!out) out = SV_create(n, in.nslots);
  SV_reserve(*out, in.nnz);
  out->n = n;
  int q = 0, count = 0;
  for (; q < in.nnz && in.idx[q] < cones[0]; ++q) {
    out->idx[count] = in.idx[q];
    out->val[count++] = linear(in.idx[q], in.val[q]);
  }
  while (q < in.nnz) {
    auto [start, d] = blockOf(p, cones, in.idx[q]);
    if (tmpbuf.size() < static_cast<std::size_t>(2 * d)) tmpbuf.resize(2 * d);
    double* dense = tmpbuf.data();
    std::fill(dense, dense + d, 0.0);
    for (; q < in.nnz && in.idx[q] < start + d; ++q) dense[in.idx[q] - start] = in.val[q];
    if (d == 1) dense[d] = linear(start, dense[0]);
    else block(start, d, dense + d, dense);
    SV_reserve(*out, count + d + (in.nnz - q));
    for (int k = 0; k < d; ++k) {
      out->idx[count] = start + k;
      out->val[count++] = dense[d + k];
    }
  }
  out->nnz = count;
  return out.get();
}

}  // namespace

void Socp_blockArwMul(int d, double* out, const double* a, const double* b) {
  double ah = a[0], bh = b[0];
  double head = ah * bh + tailDot(d, a, b);
  for (int k = 1; k < d; ++k) out[k] = ah * b[k] + bh * a[k];
  out[0] = head;
}

void Socp_blockArwSolve(int d, double* out, const double* a, const double* b) {
  double ah = a[0] == 0.0 ? kHuge : a[0];
  if (d == 1) {
    out[0] = b[0] / ah;
    return;
  }
  double num = b[0] * ah - tailDot(d, a, b);
  double den = ah * ah - tailDot(d, a, a);
  if (den == 0.0) den = kHuge;
  double coef = num / (den * ah);
  for (int k = 1; k < d; ++k) out[k] = b[k] / ah - coef * a[k];
  out[0] = num / den;
}

void Socp_blockInverse(int d, double* out, const double* x) {
  double den = det(d, x);
  if (den <= 0.0) den = kHuge;
  for (int k = 1; k < d; ++k) out[k] = -x[k] / den;
  out[0] = x[0] / den;
}

void Socp_blockScaleMul(int d, double* out, const double* w, const double* v) {
  if (d == 1) {
    out[0] = w[0] * v[0];
    return;
  }
  double r = std::sqrt(det(d, w));
  double z = w[0] * v[0] + tailDot(d, w, v);
  double coef = (r * v[0] + z) / (r + w[0]);
  for (int k = 1; k < d; ++k) out[k] = r * v[k] + coef * w[k];
  out[0] = z;
}

void Socp_blockPower(int d, double* out, const double* x, double e) {
  double t = std::sqrt(tailDot(d, x, x));
  double l1 = std::pow(x[0] + t, e), l2 = std::pow(x[0] - t, e);
  double coef = t != 0.0 ? (l1 - l2) / (2.0 * t) : 0.0;
  for (int k = 1; k < d; ++k) out[k] = coef * x[k];
  out[0] = (l1 + l2) / 2.0;
}

std::pair<double, double> Socp_quadRoots(double qa, double qb, double qc) {
  if (qa != 0.0) {
    double h = -qb / (2.0 * qa);
    double disc = std::max(0.0, qb * qb - 4.0 * qa * qc);
    double q = std::sqrt(disc) / (2.0 * qa);
    double r = q * h < 0 ? h - q : h + q;
    double o = 2.0 * h - r;
    if (std::fabs(o) * kRootCancellation < std::fabs(h))
      o = qc / (-0.5 * (qb + std::copysign(std::sqrt(disc), qb)));
    return {std::min(r, o), std::max(r, o)};
  }
  if (qb != 0.0) return {-qc / qb, -qc / qb};
  return {0.0, 0.0};
}

double Socp_blockStepToBoundary(int d, const double* v, const double* dv, double amax) {
  if (d == 1) return dv[0] < 0 && -v[0] / dv[0] < amax ? -v[0] / dv[0] : amax;
  double qa = det(d, dv);
  double qb = 2.0 * (v[0] * dv[0] - tailDot(d, v, dv));
  double qc = det(d, v);
  auto [lo, hi] = Socp_quadRoots(qa, qb, qc);
  if (lo > 0) return lo < amax ? lo : amax;
  if (hi > 0 && hi < amax) return hi;
  return amax;
}

double* Socp_arwMul(int, int p, const int* cones, double* out, const double* a, const double* b) {
  forEachBlock(
      p, cones, [&](int i) { out[i] = a[i] * b[i]; },
      [&](int s, int d) { Socp_blockArwMul(d, out + s, a + s, b + s); });
  return out;
}

double* Socp_arwSolve(int, int p, const int* cones, double* out, const double* a, const double* b) {
  forEachBlock(
      p, cones, [&](int i) { out[i] = b[i] / a[i]; },
      [&](int s, int d) { Socp_blockArwSolve(d, out + s, a + s, b + s); });
  return out;
}

double* Socp_scaleMul(int, int p, const int* cones, double* out, const double* w, const double* v) {
  forEachBlock(
      p, cones, [&](int i) { out[i] = w[i] * v[i]; },
      [&](int s, int d) { Socp_blockScaleMul(d, out + s, w + s, v + s); });
  return out;
}

double* Socp_inverse(int, int p, const int* cones, double* out, const double* x) {
  forEachBlock(
      p, cones, [&](int i) { out[i] = x[i] > 0 ? 1.0 / x[i] : 0.0; },
      [&](int s, int d) { Socp_blockInverse(d, out + s, x + s); });
  return out;
}

double* Socp_power(int, int p, const int* cones, double* out, const double* x, double e) {
  forEachBlock(
      p, cones, [&](int i) { out[i] = std::pow(x[i], e); },
      [&](int s, int d) { Socp_blockPower(d, out + s, x + s, e); });
  return out;
}

double Socp_stepToBoundary(int, int p, const int* cones, const double* v, const double* dv,
                           double amax) {
  double a = amax;
  forEachBlock(
      p, cones, [&](int i) { a = Socp_blockStepToBoundary(1, v + i, dv + i, a); },
      [&](int s, int d) { a = Socp_blockStepToBoundary(d, v + s, dv + s, a); });
  return a;
}

bool Socp_inCone(int, int p, const int* cones, const double* v) {
  bool inside = true;
  forEachBlock(
      p, cones, [&](int i) { inside = inside && v[i] >= 0; },
      [&](int s, int d) {
        inside = inside && v[s] >= 0 && v[s] * v[s] >= tailDot(d, v + s, v + s);
      });
  return inside;
}

void Socp_identity(int n, int p, const int* cones, double* out, double scale) {
  std::fill(out, out + n, 0.0);
  forEachBlock(
      p, cones, [&](int i) { out[i] = scale; }, [&](int s, int) { out[s] = scale; });
}

double* Socp_axpy(int len, double* out, const double* a, const double* b, double alpha) {
  for (int i = 0; i < len; ++i) out[i] = a[i] + alpha * b[i];
  return out;
}

double* Socp_zero(int len, double* out) {
  std::fill(out, out + len, 0.0);
  return out;
}

void Socp_negate(int len, double* out, const double* in) {
  for (int i = 0; i < len; ++i) out[i] = -in[i];
}

double Socp_dot(int len, const double* a, const double* b) {
  long double sum = 0.0L;
  for (int i = 0; i < len; ++i) sum += static_cast<long double>(a[i]) * b[i];
  return static_cast<double>(sum);
}

double* Socp_sparseAxpy(double* y, const spvec* v, double alpha) {
  for (int q = v ? v->nnz - 1 : -1; q >= 0; --q) y[v->idx[q]] += alpha * v->val[q];
  return y;
}

double Socp_sparseDenseDot(const double* y, const spvec* v) {
  double sum = 0.0;
  for (int q = 0; v && q < v->nnz; ++q) sum += y[v->idx[q]] * v->val[q];
  return sum;
}

double Socp_sparseDot(const spvec* u, const spvec* v) {
  if (!u || !v) return 0.0;
  double sum = 0.0;
  int p = u->nnz - 1, q = v->nnz - 1;
  while (p >= 0 && q >= 0) {
    if (u->idx[p] > v->idx[q]) --p;
    else if (u->idx[p] < v->idx[q]) --q;
    else sum += u->val[p--] * v->val[q--];
  }
  return sum;
}

spvec* Socp_sparseArwSolve(int n, int p, const int* cones, SpVec& out, const double* a,
                           const spvec* v, std::vector<double>& tmpbuf) {
  return sparseApply(
      n, p, cones, out, v, tmpbuf, [&](int i, double x) { return x / a[i]; },
      [&](int s, int d, double* o, const double* x) { Socp_blockArwSolve(d, o, a + s, x); });
}

spvec* Socp_sparseArwMul(int n, int p, const int* cones, SpVec& out, const double* a,
                         const spvec* v, std::vector<double>& tmpbuf) {
  return sparseApply(
      n, p, cones, out, v, tmpbuf, [&](int i, double x) { return a[i] * x; },
      [&](int s, int d, double* o, const double* x) { Socp_blockArwMul(d, o, a + s, x); });
}

spvec* Socp_sparseScaleMul(int n, int p, const int* cones, SpVec& out, const double* w,
                           const spvec* v, std::vector<double>& tmpbuf) {
  return sparseApply(
      n, p, cones, out, v, tmpbuf, [&](int i, double x) { return w[i] * x; },
      [&](int s, int d, double* o, const double* x) { Socp_blockScaleMul(d, o, w + s, x); });
}
