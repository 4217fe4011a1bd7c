#include "bsp/fast/fast_analysis.h"

#include <utility>

#include "bsp/bsp_builder.h"
#include "bsp/fast/corner_bvh.h"
#include "bsp/fast/group_decisions.h"
#include "bsp/fast/plane_counting.h"
#include "bsp/fast/scratch_blocks.h"
#include "support/stopwatch.h"

namespace pw {

FastAnalysis::~FastAnalysis() { releaseScratchBlocks(); }

// Counts carried over from the parent make the convexity test a look at
// them; otherwise the list gets its plane groups (unless the parent handed
// them down uncounted) and a corner hierarchy (in the parent's order when
// handed down), which serve the convexity test and, when it fails, the
// counting.
bool FastAnalysis::analyse(const std::vector<std::uint32_t>& list, Carried& carried, CutterChoice& choice) {
  if (list.size() < 2) return true;
  PlaneGroups& planes = carried.planes;
  if (planes.counted) {
    const Stopwatch convexityTime;
    const bool convex = isConvexFromCounts(scene_, list, planes);
    stats_.convexitySeconds += convexityTime.seconds();
    if (convex) return true;
  } else {
    const Stopwatch indexTime;
    if (planes.groupOf.size() != list.size()) planes = groupByPlane(scene_, list);
    const CornerBvh bvh = carried.order.size() == list.size() ? CornerBvh(scene_, list, std::move(carried.order))
                                                              : CornerBvh(scene_, list);
    stats_.planeIndexSeconds += indexTime.seconds();
    const Stopwatch convexityTime;
    const bool convex = isConvexPruned(scene_, list, planes, bvh);
    stats_.convexitySeconds += convexityTime.seconds();
    if (convex) return true;
    const Stopwatch countTime;
    countPlanes(scene_, list, planes, bvh, pool_);
    carried.order.assign(bvh.order().begin(), bvh.order().end());
    stats_.cutterChoiceSeconds += countTime.seconds();
  }
  const Stopwatch choiceTime;
  choice = chooseAmongGroups(list, planes);
  stats_.cutterChoiceSeconds += choiceTime.seconds();
  return false;
}

namespace {

// The order of each child's entries (its own positions) in `order`, the
// parent's order of its entries.
void splitOrder(const ScratchVector<std::uint32_t>& order, const std::vector<ChildSide>& sides,
                ScratchVector<std::uint32_t>& frontOrder, ScratchVector<std::uint32_t>& behindOrder) {
  std::vector<std::uint32_t> childPosition(sides.size());
  std::uint32_t fronts = 0;
  std::uint32_t behinds = 0;
  for (std::size_t entry = 0; entry < sides.size(); ++entry) {
    childPosition[entry] = sides[entry] == ChildSide::Front ? fronts++ : behinds++;
  }
  frontOrder.reserve(fronts);
  behindOrder.reserve(behinds);
  for (const std::uint32_t entry : order) {
    (sides[entry] == ChildSide::Front ? frontOrder : behindOrder).push_back(childPosition[entry]);
  }
}

}  // namespace

void FastAnalysis::carryOver(const std::vector<std::uint32_t>& list, const Carried& carried,
                             const std::vector<std::uint32_t>& frontList, const std::vector<std::uint32_t>& behindList,
                             Carried& frontCarried, Carried& behindCarried) {
  const PhaseTimer timer(stats_.cutterChoiceSeconds);
  const std::vector<ChildSide> sides = childSides(list, frontList, behindList);
  for (const auto& [side, carriedOut] :
       {std::pair{ChildSide::Front, &frontCarried}, std::pair{ChildSide::Behind, &behindCarried}}) {
    if (deriveChildCounts(scene_, list, carried.planes, sides, side, pool_, carriedOut->planes)) {
      ++stats_.derivedCountLists;
    }
  }
  if (carried.order.size() == list.size()) splitOrder(carried.order, sides, frontCarried.order, behindCarried.order);
}

}  // namespace pw
