// The interval search's evaluation wrappers: one evaluation of the model,
// counted and oriented so that rows read <= 0 or = 0 and the objective is
// minimised.
#include "engines/interval/Ia_Model.h"

#include <algorithm>
#include <cmath>

#include "arithmetic/interval/Ivl_Arith.h"

IaSearchContext Ia_searchContext(const IaModel& model, const IaOptions& options, bool maximise, const IaBox& start) {
  IaSearchContext s;
  s.model = &model;
  s.n = model.n;
  s.m = model.m;
  s.options = options;
  s.maximise = maximise;
  s.start = start;
  s.proven.assign(model.m + 1, 0);
  s.rowTolerance.assign(model.m + 1, options.precision);
  s.optimisation = model.problemClass == IaClassObjective || model.problemClass == IaClassConstrained;
  return s;
}

double Ia_orientation(const IaSearchContext& s, int k) {
  if (k == 0) return s.maximise ? -1.0 : 1.0;
  const int r = s.model->relation[k];
  return r == IaRelGreater || r == IaRelGreaterEq ? -1.0 : 1.0;
}

double Ia_rowSlack(const IaSearchContext& s, int k) {
  if (!s.integer.empty()) return s.rowTolerance[k];
  return s.optimisation ? s.rowTolerance[k] * kIaRoundingShare : 0.0;
}

bool Ia_isEquality(const IaSearchContext& s, int k) { return k >= 1 && s.model->relation[k] == IaRelEqual; }

bool Ia_failureEndsSearch(int rc) { return rc == kIaInterrupted || rc == kIaNoIntervals; }

namespace {

// Notes an interrupted evaluation; passes the status on.
int Ia_noted(IaSearchContext& s, int rc) {
  if (rc == kIaInterrupted) s.interrupted = true;
  return rc;
}

void Ia_orientInterval(double sign, Interval* v) {
  if (sign < 0) *v = Ivl_neg(*v);
}

}  // namespace

int Ia_evalPoint(IaSearchContext& s, int k, const double* x, double* value) {
  const int rc = Ia_noted(s, s.model->point(s.model->user, k, x, value));
  if (rc != 0) return rc;
  if (std::isnan(*value)) return kIaNoNumber;
  *value *= Ia_orientation(s, k);
  ++s.counts.values;
  return 0;
}

int Ia_evalBox(IaSearchContext& s, int k, const Interval* box, Interval* value) {
  ++s.counts.values;
  const int rc = Ia_noted(s, s.model->box(s.model->user, k, box, value));
  if (rc == 0) Ia_orientInterval(Ia_orientation(s, k), value);
  return rc;
}

int Ia_evalIvGradient(IaSearchContext& s, int k, const Interval* box, Interval* value, Interval* gradient) {
  ++s.counts.gradients;
  const int rc = Ia_noted(s, s.model->boxGradient(s.model->user, k, box, value, gradient));
  if (rc != 0) return rc;
  const double sign = Ia_orientation(s, k);
  Ia_orientInterval(sign, value);
  for (int i = 1; i <= s.n; ++i) Ia_orientInterval(sign, &gradient[i]);
  return 0;
}

int Ia_evalIvHessian(IaSearchContext& s, int k, const Interval* box, Interval* value, Interval* gradient,
                     Interval* hessian) {
  ++s.counts.hessians;
  const int rc = Ia_noted(s, s.model->boxHessian(s.model->user, k, box, value, gradient, hessian));
  if (rc != 0) return rc;
  const double sign = Ia_orientation(s, k);
  Ia_orientInterval(sign, value);
  for (int i = 1; i <= s.n; ++i) Ia_orientInterval(sign, &gradient[i]);
  for (int e = 0; e < (s.n + 1) * (s.n + 1); ++e) Ia_orientInterval(sign, &hessian[e]);
  return 0;
}

int Ia_evalAffine(IaSearchContext& s, int k, const Interval* box, IaAffineForm* form) {
  ++s.counts.gradients;
  form->coef.assign(s.n + 1, 0.0);
  form->enclosure = Ivl_whole();
  Ia_midpoints(s.n, box, form->mid);
  const int rc = Ia_noted(s, s.model->affine(s.model->user, k, box, form));
  if (rc != 0 || Ia_orientation(s, k) > 0) return rc;
  form->centre = -form->centre;
  for (double& a : form->coef) a = -a;
  form->enclosure = Ivl_neg(form->enclosure);
  return 0;
}

int Ia_evalAtPoint(IaSearchContext& s, int k, const double* c, Interval* value) {
  IaBox point(s.n + 1, Interval{0, 0});
  for (int i = 1; i <= s.n; ++i) point[i] = Interval{c[i], c[i]};
  return Ia_evalBox(s, k, point.data(), value);
}

int Ia_evalPropagate(IaSearchContext& s, int k, Interval* box, Interval* range) {
  *range = Ivl_whole();
  if (!s.model->propagate) return 0;
  s.counts.values += 2;
  return Ia_noted(s, s.model->propagate(s.model->user, k, s.model->relation[k], box, range));
}

bool Ia_formBounded(const IaAffineForm& form, int n) {
  if (!std::isfinite(form.centre) || !std::isfinite(form.radius)) return false;
  for (int i = 1; i <= n; ++i)
    if (!std::isfinite(form.coef[i]) || !std::isfinite(form.mid[i])) return false;
  return true;
}

Interval Ia_affineRange(const IaAffineForm& form, const Interval* box, int n) {
  // Whatever the form's linear part says, its enclosure still holds.
  if (!Ia_formBounded(form, n)) return Ivl_isEmpty(form.enclosure) ? Ivl_whole() : form.enclosure;
  Interval r = Ivl_setMidRad(form.centre, form.radius);
  for (int i = 1; i <= n; ++i)
    if (form.coef[i] != 0.0) r = Ivl_add(r, Ivl_mulSV(form.coef[i], Ivl_subVS(box[i], form.mid[i])));
  const Interval cut = Ivl_intersect(r, form.enclosure);
  return Ivl_isEmpty(cut) ? r : cut;
}

namespace {

// The constant form centre + radius e of the range over the box; centre 0
// and an infinite radius (not bounded) when that range is not finite.
void Ia_constantForm(const Interval& overBox, int n, IaAffineForm* form) {
  std::fill(form->coef.begin() + 1, form->coef.begin() + n + 1, 0.0);
  form->enclosure = overBox;
  if (!Ivl_isFinite(overBox)) {
    form->centre = 0.0, form->radius = INFINITY;
    return;
  }
  form->centre = 0.5 * overBox.lo + 0.5 * overBox.hi;
  const Interval rest = Ivl_subVS(overBox, form->centre);
  form->radius = std::fmax(-rest.lo, rest.hi);
}

}  // namespace

void Ia_meanValueForm(const Interval& atMid, const Interval* gradient, const Interval& overBox, const Interval* box,
                      int n, IaAffineForm* form) {
  // A gradient entry without finite bounds has no midpoint to serve as a
  // coefficient (0 times infinity would make a NaN of the error term).
  if (!std::all_of(gradient + 1, gradient + n + 1, Ivl_isFinite)) return Ia_constantForm(overBox, n, form);
  form->centre = 0.5 * atMid.lo + 0.5 * atMid.hi;
  Interval rest = Ivl_subVS(atMid, form->centre);
  for (int i = 1; i <= n; ++i) {
    form->coef[i] = 0.5 * gradient[i].lo + 0.5 * gradient[i].hi;
    rest = Ivl_add(rest, Ivl_mul(Ivl_subVS(gradient[i], form->coef[i]), Ivl_subVS(box[i], form->mid[i])));
  }
  form->radius = std::fmax(-rest.lo, rest.hi);
  form->enclosure = overBox;
}

void Ia_midpoints(int n, const Interval* box, std::vector<double>& c) {
  c.assign(n + 1, 0.0);
  for (int i = 1; i <= n; ++i) c[i] = 0.5 * box[i].lo + 0.5 * box[i].hi;
}
