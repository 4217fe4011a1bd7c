#include "bsp/fast/fast_analysis.h"

#include <utility>

#include "bsp/bsp_builder.h"
#include "bsp/fast/corner_bvh.h"
#include "bsp/fast/group_decisions.h"
#include "bsp/fast/plane_counting.h"
#include "support/stopwatch.h"

namespace pw {

// Counts carried over from the parent make the convexity test a look at
// them; otherwise the list gets its plane groups (unless the parent handed
// them down uncounted) and a corner hierarchy, which serve the convexity
// test and, when it fails, the counting.
bool FastAnalysis::analyse(const std::vector<std::uint32_t>& list, PlaneGroups& planes, CutterChoice& choice) {
  if (list.size() < 2) return true;
  if (planes.counted) {
    const Stopwatch convexityTime;
    const bool convex = isConvexFromCounts(scene_, list, planes);
    stats_.convexitySeconds += convexityTime.seconds();
    if (convex) return true;
  } else {
    const Stopwatch indexTime;
    if (planes.groupOf.size() != list.size()) planes = groupByPlane(scene_, list);
    const CornerBvh bvh(scene_, list);
    stats_.planeIndexSeconds += indexTime.seconds();
    const Stopwatch convexityTime;
    const bool convex = isConvexPruned(scene_, list, planes, bvh);
    stats_.convexitySeconds += convexityTime.seconds();
    if (convex) return true;
    const Stopwatch countTime;
    countPlanes(scene_, list, planes, bvh, pool_);
    stats_.cutterChoiceSeconds += countTime.seconds();
  }
  const Stopwatch choiceTime;
  choice = chooseAmongGroups(list, planes);
  stats_.cutterChoiceSeconds += choiceTime.seconds();
  return false;
}

void FastAnalysis::carryOver(const std::vector<std::uint32_t>& list, const PlaneGroups& planes,
                             const std::vector<std::uint32_t>& frontList, const std::vector<std::uint32_t>& behindList,
                             PlaneGroups& frontPlanes, PlaneGroups& behindPlanes) {
  const PhaseTimer timer(stats_.cutterChoiceSeconds);
  const std::vector<ChildSide> sides = childSides(list, frontList, behindList);
  for (const auto& [side, planesOut] :
       {std::pair{ChildSide::Front, &frontPlanes}, std::pair{ChildSide::Behind, &behindPlanes}}) {
    if (deriveChildCounts(scene_, list, planes, sides, side, pool_, *planesOut)) ++stats_.derivedCountLists;
  }
}

}  // namespace pw
