#include "bsp/cutter_rules.h"

#include "scene/scene.h"

namespace pw {

namespace {

// The first pass's threshold; every further pass uses half the previous
// one...
constexpr double kFirstBalanceThreshold = 0.8;
// ...until it would drop below this, when the last pass lets every candidate
// qualify.
constexpr double kLowestBalanceThreshold = 0.01;

double nextThreshold(double threshold) {
  threshold /= 2.0;
  return threshold < kLowestBalanceThreshold ? 0.0 : threshold;
}

}  // namespace

void PlaneCounts::add(PolygonSide side) {
  switch (side) {
    case PolygonSide::Spanning:
      ++splits;
      break;
    case PolygonSide::BehindTouching:
    case PolygonSide::Behind:
      ++behind;
      break;
    case PolygonSide::Front:
    case PolygonSide::FrontTouching:
    case PolygonSide::Coplanar:
      ++front;
      break;
  }
}

void PlaneCounts::remove(const CornerSides& sides) {
  std::uint32_t& count = slotOf(sides);
  assert(count > 0 && "only an entry that was counted is taken away");
  --count;
}

// In 64-bit floating point, 1.0 for equal counts. The nothing-behind case is
// tested first so that a candidate with neither front nor behind entries,
// possible only when rounding makes it span its own plane, gets 0.0 and not
// 0/0.
double balanceOf(const PlaneCounts& counts) {
  if (counts.behind == 0) return 0.0;
  const auto behind = static_cast<double>(counts.behind);
  const auto front = static_cast<double>(counts.front);
  return counts.behind < counts.front ? behind / front : front / behind;
}

double decidingThreshold(double greatestBalance) {
  double threshold = kFirstBalanceThreshold;
  while (!qualifies(greatestBalance, threshold)) {
    // Every balance is >= 0.0, so the pass with threshold 0.0 always decides.
    assert(threshold > 0.0);
    threshold = nextThreshold(threshold);
  }
  return threshold;
}

bool qualifies(double balance, double threshold) { return balance >= threshold; }

bool beats(std::uint32_t splits, double balance, std::uint32_t bestSplits, double bestBalance) {
  return splits < bestSplits || (splits == bestSplits && balance > bestBalance);
}

// The cutter's own entry is left out: it always goes to the front, even
// when rounding makes it span its own plane.
bool leavesListWhole(const Scene& scene, const CutterChoice& choice) {
  const Triangle& cutter = scene.triangle(choice.cutter);
  PlaneCounts own;
  own.add(cutter.classifyTriangle(cutter));
  const std::uint32_t behind = choice.behind - own.behind;
  const std::uint32_t splits = choice.splits - own.splits;
  return behind == 0 && splits == 0;
}

}  // namespace pw
