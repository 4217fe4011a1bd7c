#include <cassert>
#include <cstdint>
#include <limits>
#include <vector>

#include "bsp/bsp_builder.h"
#include "bsp/corner_bvh.h"
#include "bsp/plane_counting.h"
#include "scene/scene.h"

namespace pw {

namespace {

// Balance is a gate lowered pass by pass: the first pass uses this threshold,
// every further pass half the previous one...
constexpr double kFirstBalanceThreshold = 0.8;
// ...until it would drop below this, when the last pass lets every candidate
// qualify (thresholds 0.8, 0.4, 0.2, 0.1, 0.05, 0.025, 0.0125, then 0.0).
constexpr double kLowestBalanceThreshold = 0.01;

double nextThreshold(double threshold) {
  threshold /= 2.0;
  return threshold < kLowestBalanceThreshold ? 0.0 : threshold;
}

// The plane of `candidate` against every entry of the list, itself included
// (coplanar with its own plane, so front is at least 1).
PlaneCounts countAgainst(const Scene& scene, const Triangle& candidate, const std::vector<std::uint32_t>& list) {
  PlaneCounts counts;
  for (const std::uint32_t other : list) {
    switch (candidate.classifyTriangle(scene.triangle(static_cast<std::int32_t>(other)))) {
      case PolygonSide::Spanning:
        ++counts.splits;
        break;
      case PolygonSide::BehindTouching:
      case PolygonSide::Behind:
        ++counts.behind;
        break;
      case PolygonSide::Front:
      case PolygonSide::FrontTouching:
      case PolygonSide::Coplanar:
        ++counts.front;
        break;
    }
  }
  return counts;
}

// The smaller count over the larger, in 64-bit floating point; 0.0 when
// nothing is behind, 1.0 for equal counts. (The nothing-behind case is tested
// first so that a candidate with neither front nor behind entries, possible
// only when rounding makes it span its own plane, gets 0.0 and not 0/0.)
double balanceOf(const PlaneCounts& counts) {
  if (counts.behind == 0) return 0.0;
  const auto behind = static_cast<double>(counts.behind);
  const auto front = static_cast<double>(counts.front);
  return counts.behind < counts.front ? behind / front : front / behind;
}

// Fewest splits first; balance only breaks ties, strictly, so on a full tie
// the earlier candidate stays.
bool beats(std::uint32_t splits, double balance, std::uint32_t bestSplits, double bestBalance) {
  return splits < bestSplits || (splits == bestSplits && balance > bestBalance);
}

}  // namespace

std::int32_t BspBuilder::chooseCutter(const std::vector<std::uint32_t>& triangles) const {
  return chooseCutterWithCounts(triangles).cutter;
}

CutterChoice BspBuilder::chooseCutterWithCounts(const std::vector<std::uint32_t>& triangles) const {
  // The build only asks for a cutter for a list that failed the convexity
  // test, which an empty list never does.
  assert(!triangles.empty());
  if (options_.strategy == BuildStrategy::Straightforward) return chooseStraightforward(triangles);
  PlaneGroups groups = groupByPlane(*scene_, triangles);
  countPlanes(*scene_, triangles, groups, CornerBvh(*scene_, triangles), pool());
  return chooseAmongGroups(triangles, groups);
}

// The counts do not change between passes, so they are computed once per
// candidate; the passes then only compare them.
CutterChoice BspBuilder::chooseStraightforward(const std::vector<std::uint32_t>& triangles) const {
  const Scene& scene = *scene_;
  std::vector<PlaneCounts> counts;
  std::vector<double> balances;
  counts.reserve(triangles.size());
  balances.reserve(triangles.size());
  for (const std::uint32_t candidate : triangles) {
    counts.push_back(countAgainst(scene, scene.triangle(static_cast<std::int32_t>(candidate)), triangles));
    balances.push_back(balanceOf(counts.back()));
  }

  double threshold = kFirstBalanceThreshold;
  for (;;) {
    std::size_t best = triangles.size();
    std::uint32_t bestSplits = std::numeric_limits<std::uint32_t>::max();
    double bestBalance = 0.0;
    for (std::size_t c = 0; c < triangles.size(); ++c) {
      if (!(balances[c] >= threshold)) continue;
      if (beats(counts[c].splits, balances[c], bestSplits, bestBalance)) {
        best = c;
        bestSplits = counts[c].splits;
        bestBalance = balances[c];
      }
    }
    if (best < triangles.size()) {
      return {static_cast<std::int32_t>(triangles[best]), counts[best].splits, counts[best].behind, counts[best].front};
    }
    // Every balance is >= 0.0, so the pass with threshold 0.0 always finds one.
    assert(threshold > 0.0);
    threshold = nextThreshold(threshold);
  }
}

// The same passes over plane groups. A pass finds a candidate exactly when
// the greatest balance reaches its threshold, so the first such threshold
// is the one whose pass decides. Members of one group share their counts
// and balance, so a later member never beats an earlier one (no strict
// gain): the group's first entry stands for all of them, and groups are in
// the order of their first entries.
CutterChoice chooseAmongGroups(const std::vector<std::uint32_t>& list, const PlaneGroups& groups) {
  assert(groups.counted && !groups.groups.empty());
  double greatest = 0.0;
  for (const PlaneGroup& group : groups.groups) greatest = std::max(greatest, balanceOf(group.counts));
  double threshold = kFirstBalanceThreshold;
  while (!(greatest >= threshold)) threshold = nextThreshold(threshold);

  const PlaneGroup* best = nullptr;
  std::uint32_t bestSplits = std::numeric_limits<std::uint32_t>::max();
  double bestBalance = 0.0;
  for (const PlaneGroup& group : groups.groups) {
    const double balance = balanceOf(group.counts);
    if (!(balance >= threshold)) continue;
    if (beats(group.counts.splits, balance, bestSplits, bestBalance)) {
      best = &group;
      bestSplits = group.counts.splits;
      bestBalance = balance;
    }
  }
  assert(best != nullptr);
  return {static_cast<std::int32_t>(list[best->first]), best->counts.splits, best->counts.behind, best->counts.front};
}

}  // namespace pw
