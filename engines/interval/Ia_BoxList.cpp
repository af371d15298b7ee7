// The heap of open boxes and the split-component rules.
#include "engines/interval/Ia_BoxList.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

// The heap's key of a bound: NaN (no order with anything) as -infinity.
double heapKey(double lower) { return std::isnan(lower) ? -std::numeric_limits<double>::infinity() : lower; }

// True when a comes out after b: a larger bound, or an equal one pushed
// earlier. The heap keeps the node that comes out first at its front.
bool comesAfter(const IaBoxNode& a, const IaBoxNode& b) {
  const double ka = heapKey(a.lower), kb = heapKey(b.lower);
  return ka != kb ? ka > kb : a.order < b.order;
}

}  // namespace

void Ia_pushBox(IaBoxList& list, const IaBox& box, double lower, int split) {
  list.nodes.push_back(IaBoxNode{split, lower, box, list.pushed++});
  std::push_heap(list.nodes.begin(), list.nodes.end(), comesAfter);
}

bool Ia_popBox(IaBoxList& list, IaBox& box, double* lower, int* split) {
  if (list.nodes.empty()) return false;
  std::pop_heap(list.nodes.begin(), list.nodes.end(), comesAfter);
  IaBoxNode& next = list.nodes.back();
  box = std::move(next.box);
  *lower = next.lower;
  *split = next.split;
  list.nodes.pop_back();
  return true;
}

namespace {

// The first i of largest weight(i), over i = 1..n; a NaN weight never wins,
// and 1 when every weight is NaN.
template <typename Weight>
int argMaxComponent(int n, Weight weight) {
  int best = 1;
  double most = -std::numeric_limits<double>::infinity();
  for (int i = 1; i <= n; ++i)
    if (const double w = weight(i); w > most) most = w, best = i;
  return best;
}

}  // namespace

int Ia_widestComponent(int n, const Interval* box) {
  return argMaxComponent(n, [box](int i) { return box[i].hi - box[i].lo; });
}

bool Ia_componentSplits(const Interval& x) {
  const double mid = (x.lo + x.hi) * 0.5;
  return x.lo < mid && mid < x.hi;
}

int Ia_widestSplittingComponent(int n, const Interval* box) {
  const int i = argMaxComponent(n, [box](int j) { return Ia_componentSplits(box[j]) ? box[j].hi - box[j].lo : NAN; });
  return Ia_componentSplits(box[i]) ? i : 0;
}

int Ia_relativeWidestComponent(int n, const Interval* box, const Interval* whole, const std::vector<char>& inert) {
  return argMaxComponent(n, [box, whole, &inert](int i) {
    if (!inert.empty() && inert[i]) return -1.0;  // below every width
    const double range = whole[i].hi - whole[i].lo;
    return (box[i].hi - box[i].lo) / (range > 0 ? range : 1.0);
  });
}

int Ia_smearComponent(int n, const Interval* box, const Interval* gradient) {
  return argMaxComponent(n, [box, gradient](int i) {
    return (box[i].hi - box[i].lo) * (gradient[i].hi - gradient[i].lo);
  });
}

namespace {

// Column j's weight in the matrix smear rule.
double smearScore(const Interval* box, const std::vector<IaBox>& rows, int j) {
  double sum = 0;
  for (const IaBox& row : rows)
    if (!row.empty()) sum += std::max(std::fabs(row[j].lo), std::fabs(row[j].hi));
  return (box[j].hi - box[j].lo) * sum;
}

// How a split candidate ranks: by its score while that is finite; a score
// that is not (a slope not bounded over the box, or 0 x infinity) ranks above
// every finite one, and among those the wider component ranks higher, so an
// unbounded slope cannot pin the choice to one ever narrower component.
struct IaSplitRank {
  bool unbounded = false;
  double key = 0;
  bool above(const IaSplitRank& other) const { return unbounded != other.unbounded ? unbounded : key > other.key; }
};

IaSplitRank splitRank(double width, double score) {
  return std::isfinite(score) ? IaSplitRank{false, score} : IaSplitRank{true, width};
}

}  // namespace

int Ia_matrixSmearComponent(int n, const Interval* box, const std::vector<IaBox>& rows) {
  return argMaxComponent(n, [box, &rows](int j) { return smearScore(box, rows, j); });
}

int Ia_splittableSmearComponent(int n, const Interval* box, const std::vector<IaBox>& rows, double minWidth) {
  int best = 0;
  IaSplitRank most;
  for (int j = 1; j <= n; ++j) {
    const double width = box[j].hi - box[j].lo;
    if (!(width >= minWidth)) continue;  // too narrow to split
    const IaSplitRank rank = splitRank(width, smearScore(box, rows, j));
    if (best == 0 || rank.above(most)) most = rank, best = j;
  }
  return best;
}

namespace {

// True when the box lies apart from the recorded one in some component.
bool boxDiffers(const IaBox& box, const IaBox& recorded, double acc, double res) {
  for (std::size_t i = 1; i < box.size(); ++i) {
    const Interval& r = recorded[i];
    const double d = std::max(std::fabs(box[i].lo - r.lo), std::fabs(box[i].hi - r.hi));
    const double scale = std::max(std::fabs(r.lo), std::fabs(r.hi));
    if (d > acc && d / scale > res) return true;
  }
  return false;
}

}  // namespace

void Ia_recordSolution(IaBoxList& solutions, const IaBox& box, double bound, double acc,
                       double res) {
  for (const IaBoxNode& node : solutions.nodes)
    if (!boxDiffers(box, node.box, acc, res)) return;
  solutions.nodes.push_back(IaBoxNode{0, bound, box, solutions.pushed++});
}
