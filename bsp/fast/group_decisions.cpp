#include "bsp/fast/group_decisions.h"

#include <algorithm>
#include <cassert>
#include <limits>
#include <numeric>

#include "bsp/fast/corner_bvh.h"
#include "bsp/fast/plane_bundles.h"
#include "scene/scene.h"

namespace pw {

namespace {

constexpr std::uint32_t kNoTriangle = std::numeric_limits<std::uint32_t>::max();

// Whether a corner of an entry other than a plane's own lies behind some
// plane of the bundle (several groups): one walk for the whole bundle,
// which stops at the first entry that all its planes sort alike with a
// corner behind (the own entry of one of them at most, so it decides); the
// entries they do not sort alike each plane then tests itself.
bool bundleHasCornerBehind(const Scene& scene, const std::vector<std::uint32_t>& list, const PlaneGroups& groups,
                           const std::vector<std::uint32_t>& bundle, const CornerBvh& bvh) {
  const PlaneBound bound = bundleBound(scene, list, groups, bundle);
  PlaneCounts common;
  std::vector<std::uint32_t> uncertain;
  const bool walked = bvh.countCommon(bound, common, uncertain, [](const PlaneCounts& sure, std::uint32_t) {
    return sure.behind + sure.splits > 0;
  });
  if (!walked) return true;
  return std::any_of(bundle.begin(), bundle.end(), [&](std::uint32_t g) {
    const PlaneGroup& group = groups.groups[g];
    const CandidatePlane plane = planeOf(scene, list[group.first]);
    const std::uint32_t own = group.size == 1 ? list[group.first] : kNoTriangle;
    return std::any_of(uncertain.begin(), uncertain.end(), [&](std::uint32_t triangle) {
      return triangle != own && cornerSides(plane, cornersOf(scene, triangle)).behind > 0;
    });
  });
}

// Whether `hasCornerBehind(i)` holds for none of 0..n-1, asked in steps of
// about 0.618 of n, coprime to it (each once).
template <typename Test>
bool noneInSpreadOrder(std::size_t n, Test hasCornerBehind) {
  std::size_t stride = static_cast<std::size_t>(static_cast<double>(n) * 0.6180339887) | 1;
  while (std::gcd(stride, n) != 1) stride += 2;
  for (std::size_t k = 0, i = 0; k < n; ++k, i = (i + stride) % n) {
    if (hasCornerBehind(i)) return false;
  }
  return true;
}

}  // namespace

// One test per plane group (its members classify every point alike), or
// one per bundle of nearly equal planes where the list has its bundles
// already (handed down from its parent): bundling afresh costs more than it
// saves on the many small lists that turn out convex. The "other entry"
// rule: in a group of two or more entries, every entry is another entry for
// some member, so every corner of the list is tested, the members' own
// included; a group of one entry skips that entry's own corners, as the
// entry-by-entry test does. The answer does not depend on the order of the
// tests, but its cost does: a list that is not convex fails on planes
// through its middle, while levels list faces wall by wall and an outer
// wall (nothing behind it) takes a full walk per plane. So they are taken
// in a spread order.
bool isConvexPruned(const Scene& scene, const std::vector<std::uint32_t>& list, const PlaneGroups& groups,
                    const CornerBvh& bvh) {
  if (list.size() < 2) return true;
  const auto groupHasCornerBehind = [&](std::size_t g) {
    const PlaneGroup& group = groups.groups[g];
    const std::uint32_t skip = group.size == 1 ? group.first : CornerBvh::kNoEntry;
    return bvh.anyCornerBehind(planeOf(scene, list[group.first]), skip);
  };
  if (groups.bundles == 0) return noneInSpreadOrder(groups.groups.size(), groupHasCornerBehind);
  const std::vector<std::vector<std::uint32_t>> bundles = numberedBundles(groups);
  return noneInSpreadOrder(bundles.size(), [&](std::size_t b) {
    const std::vector<std::uint32_t>& bundle = bundles[b];
    return bundle.size() > 1 ? bundleHasCornerBehind(scene, list, groups, bundle, bvh)
                             : groupHasCornerBehind(bundle.front());
  });
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

// Members of one group share their counts and balance, so a later member
// never beats an earlier one (no strict gain): the group's first entry
// stands for all of them, and groups are in the order of their first
// entries. Groups left uncounted can neither qualify nor decide the pass.
CutterChoice chooseAmongGroups(const std::vector<std::uint32_t>& list, const PlaneGroups& groups) {
  std::vector<std::uint32_t> counted;
  for (std::uint32_t g = 0; g < groups.groups.size(); ++g) {
    if (groups.groups[g].counted) counted.push_back(g);
  }
  const std::size_t best = chooseByPasses(counted.size(), [&](std::size_t c) -> const PlaneCounts& {
    return groups.groups[counted[c]].counts;
  });
  const PlaneGroup& group = groups.groups[counted[best]];
  return {static_cast<std::int32_t>(list[group.first]), group.counts.splits, group.counts.behind, group.counts.front};
}

}  // namespace pw
