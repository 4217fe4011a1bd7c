// The rules both analyses of a list follow, so that the fast build and the
// straightforward one decide alike: how a triangle's corners and sides are
// counted against a plane, the balance of a candidate, the threshold passes
// and tie-breaking of the cutter choice, and when dividing makes no progress.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "geometry/plane_side.h"

namespace pw {

class Scene;

// How many corners of one triangle lie in front of a plane (d > 0.0001)
// and behind it (d < -0.0001); the rest, NaN included, lie in it.
struct CornerSides {
  int front = 0;
  int behind = 0;

  void add(double distance) {
    front += distance > kPlaneTolerance;
    behind += distance < -kPlaneTolerance;
  }
};

// A plane against the entries of a list: `splits` entries spanning it,
// `behind` entries behind it or touching it from behind, `front` all others
// (in front, touching from the front, coplanar).
struct PlaneCounts {
  std::uint32_t splits = 0;
  std::uint32_t behind = 0;
  std::uint32_t front = 0;

  // One entry, by its corners or by classifyTriangle's side for it.
  void add(const CornerSides& sides) { ++slotOf(sides); }
  void add(PolygonSide side);
  // Takes away an entry that was counted.
  void remove(const CornerSides& sides);

 private:
  std::uint32_t& slotOf(const CornerSides& sides) {
    return sides.behind == 0 ? front : sides.front == 0 ? behind : splits;
  }
};

// The chosen cutter with the counts it was chosen by: its plane against every
// entry of the list (itself included, as coplanar, in `front`).
struct CutterChoice {
  std::int32_t cutter = -1;
  std::uint32_t splits = 0;
  std::uint32_t behind = 0;
  std::uint32_t front = 0;
};

// The smaller of the behind and front counts over the larger; 0.0 when
// nothing is behind.
double balanceOf(const PlaneCounts& counts);

// Balance is a gate lowered pass by pass (thresholds 0.8, 0.4, 0.2, 0.1,
// 0.05, 0.025, 0.0125, then 0.0); the first pass in which some candidate
// qualifies decides. Returns that pass's threshold.
double decidingThreshold(double greatestBalance);
bool qualifies(double balance, double threshold);
// Among qualifying candidates: fewest splits first; balance only breaks
// ties, strictly, so on a full tie the earlier candidate stays.
bool beats(std::uint32_t splits, double balance, std::uint32_t bestSplits, double bestBalance);

// The position of the cutter among `candidates` (at least one) in list
// order; `countsOf(c)` gives candidate c's counts. A pass finds a candidate
// exactly when the greatest balance reaches its threshold, so only the
// deciding pass is run.
template <typename CountsOf>
std::size_t chooseByPasses(std::size_t candidates, CountsOf countsOf) {
  assert(candidates > 0);
  double greatest = 0.0;
  for (std::size_t c = 0; c < candidates; ++c) {
    const double balance = balanceOf(countsOf(c));
    if (balance > greatest) greatest = balance;
  }
  const double threshold = decidingThreshold(greatest);
  std::size_t best = candidates;
  std::uint32_t bestSplits = std::numeric_limits<std::uint32_t>::max();
  double bestBalance = 0.0;
  for (std::size_t c = 0; c < candidates; ++c) {
    const PlaneCounts& counts = countsOf(c);
    const double balance = balanceOf(counts);
    if (!qualifies(balance, threshold)) continue;
    if (beats(counts.splits, balance, bestSplits, bestBalance)) {
      best = c;
      bestSplits = counts.splits;
      bestBalance = balance;
    }
  }
  assert(best < candidates);
  return best;
}

// True when dividing by the chosen cutter would hand the whole list to the
// front child again (nothing behind its plane, nothing cut), so the build
// would recurse for ever: the list is made a Space instead.
bool leavesListWhole(const Scene& scene, const CutterChoice& choice);

}  // namespace pw
