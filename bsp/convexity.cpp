#include <cassert>
#include <cstdint>
#include <vector>

#include "bsp/bsp_builder.h"
#include "bsp/corner_bvh.h"
#include "bsp/plane_counting.h"
#include "scene/scene.h"

namespace pw {

// A list is convex when no corner of any entry lies behind the plane of any
// other entry (an entry is a position in the list, so a repeated index is two
// entries). On-plane corners do not count as behind. The answer is yes or
// no, so the order of the tests changes nothing but how soon it is known.

bool BspBuilder::isConvex(const std::vector<std::uint32_t>& triangles) const {
  if (options_.strategy == BuildStrategy::Straightforward) return isConvexStraightforward(triangles);
  if (triangles.size() < 2) return true;
  const PlaneGroups groups = groupByPlane(*scene_, triangles);
  return isConvexPruned(*scene_, triangles, groups, CornerBvh(*scene_, triangles));
}

// Every entry's plane against every other entry's corners. A vertex shared
// by several triangles is classified once per plane: the vertex's stamp
// records the plane pass (entry position + 1) in which it was last found
// not behind. A fresh stamp per pass is the bit set cleared for every plane
// triangle, without clearing anything.
bool BspBuilder::isConvexStraightforward(const std::vector<std::uint32_t>& triangles) const {
  const Scene& scene = *scene_;
  assert(triangles.size() < UINT32_MAX);
  std::vector<std::uint32_t> testedInPass(static_cast<std::size_t>(scene.vertexCount()), 0);
  for (std::size_t p = 0; p < triangles.size(); ++p) {
    const Triangle& plane = scene.triangle(static_cast<std::int32_t>(triangles[p]));
    const auto pass = static_cast<std::uint32_t>(p + 1);
    for (std::size_t q = 0; q < triangles.size(); ++q) {
      if (q == p) continue;
      const Triangle& other = scene.triangle(static_cast<std::int32_t>(triangles[q]));
      for (int corner = 0; corner < 3; ++corner) {
        const std::int32_t v = other.vertexIndex(corner);
        std::uint32_t& stamp = testedInPass[static_cast<std::size_t>(v)];
        if (stamp == pass) continue;
        if (plane.classifyPoint(scene.vertex(v)) == PointSide::Behind) return false;
        stamp = pass;
      }
    }
  }
  return true;
}

// One test per plane group (its members classify every point alike). The
// "other entry" rule: in a group of two or more entries, every entry is
// another entry for some member, so every corner of the list is tested,
// the members' own included; a group of one entry skips that entry's own
// corners, as the entry-by-entry test does.
bool isConvexPruned(const Scene& scene, const std::vector<std::uint32_t>& list, const PlaneGroups& groups,
                    const CornerBvh& bvh) {
  if (list.size() < 2) return true;
  for (const PlaneGroup& group : groups.groups) {
    const std::uint32_t skip = group.size == 1 ? group.first : CornerBvh::kNoEntry;
    if (bvh.anyCornerBehind(planeOf(scene, list[group.first]), skip)) return false;
  }
  return true;
}

// An entry with a corner behind a plane is counted there as behind or as
// split, and only there. So a group's plane has another entry's corner
// behind it when its behind and split counts add up to more than what its
// own entries contribute: for a group of two or more, any such entry is
// another member's "other"; for a group of one, its own entry is taken out
// by classifying it against its own plane.
bool isConvexFromCounts(const Scene& scene, const std::vector<std::uint32_t>& list, const PlaneGroups& groups) {
  assert(groups.counted);
  if (list.size() < 2) return true;
  for (const PlaneGroup& group : groups.groups) {
    std::uint32_t withCornerBehind = group.counts.behind + group.counts.splits;
    if (group.size == 1 && withCornerBehind > 0) {
      const std::uint32_t own = list[group.first];
      if (cornerSides(planeOf(scene, own), cornersOf(scene, own)).behind > 0) --withCornerBehind;
    }
    if (withCornerBehind > 0) return false;
  }
  return true;
}

}  // namespace pw
