// A list's plane groups gathered into bundles of nearly coinciding planes:
// a level turned about an oblique axis and rounded to 32-bit coordinates
// has as many planes as faces, but only as many bundles as the axis-aligned
// level has planes. One walk of the corner hierarchy settles most of the
// list for a whole bundle; each member then only tests what lies near it.
// Internal to bsp/.
#pragma once

#include <cstdint>
#include <vector>

#include "bsp/fast/plane_bound.h"
#include "bsp/fast/plane_groups.h"

namespace pw {

class Scene;

// The bundles of groups whose bundles are numbered, as bundleGroups gives them.
std::vector<std::vector<std::uint32_t>> numberedBundles(const PlaneGroups& groups);

// Group indices in order, each group in exactly one bundle; bundles are
// ordered by their first group. Numbers the groups' bundles unless they
// are numbered: a group's bundle depends on its plane alone, so a child
// list keeps its parent's bundles, restricted to its own groups.
std::vector<std::vector<std::uint32_t>> bundleGroups(const Scene& scene, const std::vector<std::uint32_t>& list,
                                                     PlaneGroups& groups);

// The bound of every plane of `bundle`, against its first group's plane.
PlaneBound bundleBound(const Scene& scene, const std::vector<std::uint32_t>& list, const PlaneGroups& groups,
                       const std::vector<std::uint32_t>& bundle);

}  // namespace pw
