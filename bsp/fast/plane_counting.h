// The fast build's counts of a list's plane groups: counted against a
// corner hierarchy, or derived from the parent list's counts. Every count
// equals the straightforward one. Internal to bsp/.
#pragma once

#include <cstdint>
#include <vector>

#include "bsp/fast/plane_groups.h"

namespace pw {

class CornerBvh;
class Scene;
class WorkerPool;

// Counts the groups' planes against the hierarchy, groups spread over the
// pool: every group the cutter choice can depend on, and `groups.counted`
// says whether that is every group.
void countPlanes(const Scene& scene, const std::vector<std::uint32_t>& list, PlaneGroups& groups, const CornerBvh& bvh,
                 WorkerPool& pool);

// Which child each entry of a list went to, for a split that cut nothing
// (every entry then went whole to one side, in order).
enum class ChildSide : std::uint8_t { Front, Behind };
std::vector<ChildSide> childSides(const std::vector<std::uint32_t>& list, const std::vector<std::uint32_t>& front,
                                  const std::vector<std::uint32_t>& behind);

// The groups of the child on side `keep` of a split that cut nothing, from
// the parent's: counted when the parent's all were (the parent's counts
// minus what the entries of the other side contribute), unless that would
// take longer than counting afresh. Returns whether `child` is counted.
bool deriveChildCounts(const Scene& scene, const std::vector<std::uint32_t>& list, const PlaneGroups& parent,
                       const std::vector<ChildSide>& sides, ChildSide keep, WorkerPool& pool, PlaneGroups& child);

}  // namespace pw
