// The fast build's convexity test and cutter choice, read off a list's plane
// groups: one test per group stands for all its members. Every answer
// equals the straightforward one. Internal to bsp/.
#pragma once

#include <cstdint>
#include <vector>

#include "bsp/cutter_rules.h"
#include "bsp/fast/plane_groups.h"

namespace pw {

class CornerBvh;
class Scene;

// True when no corner of an entry lies behind the plane of another entry,
// each plane group, or bundle of nearly equal ones where the groups' bundles
// are numbered, tested once against the hierarchy.
bool isConvexPruned(const Scene& scene, const std::vector<std::uint32_t>& list, const PlaneGroups& groups,
                    const CornerBvh& bvh);
// The same answer read off counted groups.
bool isConvexFromCounts(const Scene& scene, const std::vector<std::uint32_t>& list, const PlaneGroups& groups);

// The cutter by the passes of chooseByPasses over the counted groups.
CutterChoice chooseAmongGroups(const std::vector<std::uint32_t>& list, const PlaneGroups& groups);

}  // namespace pw
