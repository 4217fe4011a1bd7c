#include "bsp/reference/cutter_choice.h"

#include <cassert>

#include "scene/scene.h"

namespace pw {

namespace {

// The plane of `candidate` against every entry of the list, itself included
// (coplanar with its own plane, so front is at least 1).
PlaneCounts countAgainst(const Scene& scene, const Triangle& candidate, const std::vector<std::uint32_t>& list) {
  PlaneCounts counts;
  for (const std::uint32_t other : list) {
    counts.add(candidate.classifyTriangle(scene.triangle(static_cast<std::int32_t>(other))));
  }
  return counts;
}

}  // namespace

// The counts do not change between passes, so they are computed once per
// candidate.
CutterChoice chooseCutterStraightforward(const Scene& scene, const std::vector<std::uint32_t>& list) {
  // The build only asks for a cutter for a list that failed the convexity
  // test, which an empty list never does.
  assert(!list.empty());
  std::vector<PlaneCounts> counts;
  counts.reserve(list.size());
  for (const std::uint32_t candidate : list) {
    counts.push_back(countAgainst(scene, scene.triangle(static_cast<std::int32_t>(candidate)), list));
  }
  const std::size_t best =
      chooseByPasses(counts.size(), [&counts](std::size_t c) -> const PlaneCounts& { return counts[c]; });
  return {static_cast<std::int32_t>(list[best]), counts[best].splits, counts[best].behind, counts[best].front};
}

}  // namespace pw
