#include "bsp/fast/plane_counting.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <limits>
#include <numeric>

#include "bsp/cutter_rules.h"
#include "bsp/fast/corner_bvh.h"
#include "bsp/fast/plane_bundles.h"
#include "scene/scene.h"
#include "support/worker_pool.h"

namespace pw {

namespace {

// Lists shorter than this are counted on the calling thread alone, and
// children derived with fewer (group, entry) pairs than the next: waking the
// pool, or starting its threads, would cost more than it saves.
constexpr std::size_t kParallelListSize = 16384;
constexpr std::size_t kParallelPairs = std::size_t{1} << 16;

// A bundle's first, coarse bound on its balance opens no box of this many
// entries or fewer.
constexpr std::uint32_t kCoarseBox = 1024;

// Deriving a child's counts costs one triangle test per (child group, entry
// of the other side) pair; counting afresh costs a few passes over the
// child's entries and a hierarchy. Derive while the pairs stay within this
// many per child entry.
constexpr std::size_t kDerivedPairsPerEntry = 32;

// How many of the other side's triangles a derivation holds the corners of
// at a time (on the stack, per slice).
constexpr std::size_t kCornerChunk = 64;

constexpr std::uint32_t kNoGroup = std::numeric_limits<std::uint32_t>::max();

// Slices of about a quarter of a thread's share, so uneven groups even
// out; one slice (run on the caller) when the work is small.
std::size_t sliceFor(std::size_t items, bool parallel, const WorkerPool& pool) {
  if (!parallel) return std::max<std::size_t>(items, 1);
  return std::max<std::size_t>(1, items / (4 * pool.threadCount()));
}

}  // namespace

namespace {

// A bundle's planes, the greatest balance any of them can have by a coarse
// look at the hierarchy, and what they all count alike.
struct Bundle {
  std::vector<std::uint32_t> groups;
  PlaneBound bound;
  bool coarselyQualifies = false;
  PlaneCounts common;
  std::vector<std::uint32_t> uncertain;
};

// The uncertain entries go to the behind, the front or the split count of
// each plane: at most min(greatest behind, greatest front) over at least
// max(least behind, least front), and balanceOf divides in the same
// rounding, which is monotone.
double greatestBalance(const PlaneCounts& common, std::size_t uncertain) {
  const double leastBehind = common.behind;
  const double leastFront = common.front;
  const double mostBehind = leastBehind + static_cast<double>(uncertain);
  const double mostFront = leastFront + static_cast<double>(uncertain);
  if (mostBehind == 0.0) return 0.0;
  const double below = std::max(leastBehind, leastFront);
  return below == 0.0 ? 1.0 : std::min(mostBehind, mostFront) / below;
}

// Likewise at least min(least behind, least front) over at most
// max(greatest behind, greatest front); nothing when none may be behind.
double leastBalance(const PlaneCounts& common, std::size_t uncertain) {
  const double leastBehind = common.behind;
  const double leastFront = common.front;
  if (leastBehind == 0.0) return 0.0;
  const double above = std::max(leastBehind, leastFront) + static_cast<double>(uncertain);
  return std::min(leastBehind, leastFront) / above;
}

}  // namespace

// Each group writes its own counts only: the result is the same for any
// number of threads and any order of slices. A group alone in its bundle is
// counted against the hierarchy directly. A bundle of several has what all
// its planes count alike counted once; the rest is counted per group against
// a hierarchy of just that rest, whose slabs follow the bundle's first plane,
// unless no plane of the bundle can reach the deciding pass's threshold.
// Such a plane neither qualifies nor raises the greatest balance, so the
// cutter choice never looks at it. The threshold only rises with what is
// counted, and every bundle's least balance is one some plane will be
// counted with, so all of them raise it before any bundle is counted plane
// by plane: a turned level's floor is a bundle of thousands of planes that
// a plane through the middle of the level rules out.
void countPlanes(const Scene& scene, const std::vector<std::uint32_t>& list, PlaneGroups& groups, const CornerBvh& bvh,
                 WorkerPool& pool) {
  const bool parallel = list.size() >= kParallelListSize;
  std::vector<std::uint32_t> alone;
  std::vector<Bundle> bundles;
  for (std::vector<std::uint32_t>& bundle : bundleGroups(scene, list, groups)) {
    if (bundle.size() == 1) {
      alone.push_back(bundle.front());
    } else {
      bundles.push_back({std::move(bundle), {}, false, {}, {}});
    }
  }
  pool.forEachSlice(alone.size(), sliceFor(alone.size(), parallel, pool), [&](std::size_t begin, std::size_t end) {
    for (std::size_t i = begin; i < end; ++i) {
      PlaneGroup& group = groups.groups[alone[i]];
      group.counts = bvh.count(planeOf(scene, list[group.first]));
      group.counted = true;
    }
  });
  double greatest = 0.0;
  for (const std::uint32_t g : alone) greatest = std::max(greatest, balanceOf(groups.groups[g].counts));

  const double aloneThreshold = decidingThreshold(greatest);
  pool.forEachSlice(bundles.size(), sliceFor(bundles.size(), parallel, pool), [&](std::size_t begin, std::size_t end) {
    for (std::size_t b = begin; b < end; ++b) {
      Bundle& bundle = bundles[b];
      bundle.bound = bundleBound(scene, list, groups, bundle.groups);
      PlaneCounts settled;
      std::uint32_t unsettled = 0;
      bvh.countSettled(bundle.bound, kCoarseBox, settled, unsettled);
      bundle.coarselyQualifies = qualifies(greatestBalance(settled, unsettled), aloneThreshold);
      if (bundle.coarselyQualifies) bvh.countCommon(bundle.bound, bundle.common, bundle.uncertain);
    }
  });
  std::vector<double> bundleGreatest(bundles.size(), 0.0);
  for (std::size_t b = 0; b < bundles.size(); ++b) {
    if (!bundles[b].coarselyQualifies) continue;
    bundleGreatest[b] = greatestBalance(bundles[b].common, bundles[b].uncertain.size());
    greatest = std::max(greatest, leastBalance(bundles[b].common, bundles[b].uncertain.size()));
  }
  // The most promising first: what they count raises the threshold early.
  std::vector<std::uint32_t> order(bundles.size());
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::uint32_t a, std::uint32_t b) { return bundleGreatest[a] > bundleGreatest[b]; });
  bool complete = true;
  for (const std::uint32_t b : order) {
    const Bundle& bundle = bundles[b];
    if (!bundle.coarselyQualifies || !qualifies(bundleGreatest[b], decidingThreshold(greatest))) {
      complete = false;
      continue;
    }
    const CornerBvh near(scene, bundle.uncertain, &bundle.bound.reference);
    const std::vector<std::uint32_t>& members = bundle.groups;
    pool.forEachSlice(members.size(), sliceFor(members.size(), parallel, pool), [&](std::size_t begin, std::size_t end) {
      for (std::size_t i = begin; i < end; ++i) {
        PlaneGroup& group = groups.groups[members[i]];
        const CandidatePlane plane = planeOf(scene, list[group.first]);
        const PlaneCounts rest = near.count(plane, boundAgainst(bundle.bound.reference, plane));
        const PlaneCounts& common = bundle.common;
        group.counts = {common.splits + rest.splits, common.behind + rest.behind, common.front + rest.front};
        group.counted = true;
      }
    });
    for (const std::uint32_t g : members) greatest = std::max(greatest, balanceOf(groups.groups[g].counts));
  }
  groups.counted = complete;
}

std::vector<ChildSide> childSides(const std::vector<std::uint32_t>& list, const std::vector<std::uint32_t>& front,
                                  const std::vector<std::uint32_t>& behind) {
  // Both children are subsequences of the list. Entries with one triangle
  // index always go to the same side (the cutter's index to the front, any
  // other unchanged triangle by its one classification), so matching the
  // front list first is unambiguous.
  assert(front.size() + behind.size() == list.size());
  std::vector<ChildSide> sides(list.size());
  std::size_t f = 0;
  std::size_t b = 0;
  for (std::size_t entry = 0; entry < list.size(); ++entry) {
    if (f < front.size() && front[f] == list[entry]) {
      sides[entry] = ChildSide::Front;
      ++f;
    } else {
      assert(b < behind.size() && behind[b] == list[entry]);
      sides[entry] = ChildSide::Behind;
      ++b;
    }
  }
  assert(f == front.size() && b == behind.size());
  return sides;
}

// A split that cut nothing changed no triangle of the list and appended
// nothing, and the child's groups are the parent's restricted to its
// entries (ordered by their first entry in the child). Each parent count
// covered every entry of the list, so taking away the other side's
// entries, classified exactly as the counting does, leaves the child's.
bool deriveChildCounts(const Scene& scene, const std::vector<std::uint32_t>& list, const PlaneGroups& parent,
                       const std::vector<ChildSide>& sides, ChildSide keep, WorkerPool& pool, PlaneGroups& child) {
  assert(sides.size() == list.size());
  const auto childSize = static_cast<std::size_t>(std::count(sides.begin(), sides.end(), keep));
  const std::size_t otherSize = list.size() - childSize;
  PlaneGroups derived;
  std::vector<std::uint32_t> childGroupOf(parent.groups.size(), kNoGroup);
  std::vector<std::uint32_t> planeEntry;  // per child group: its first entry's position in `list`
  std::vector<std::uint32_t> others;      // positions of the other side's entries
  others.reserve(otherSize);
  derived.groupOf.reserve(childSize);
  std::uint32_t position = 0;
  for (std::size_t entry = 0; entry < list.size(); ++entry) {
    if (sides[entry] != keep) {
      others.push_back(static_cast<std::uint32_t>(entry));
      continue;
    }
    const std::uint32_t g = parent.groupOf[entry];
    if (childGroupOf[g] == kNoGroup) {
      childGroupOf[g] = static_cast<std::uint32_t>(derived.groups.size());
      derived.groups.push_back({position, 0, parent.groups[g].counts, parent.counted});
      planeEntry.push_back(static_cast<std::uint32_t>(entry));
    }
    ++derived.groups[childGroupOf[g]].size;
    derived.groupOf.push_back(childGroupOf[g]);
    ++position;
  }
  // One triangle test per (child group, entry of the other side) pair: past
  // the budget, or when the cutter choice left groups uncounted, the child
  // keeps only the grouping and is counted afresh.
  const std::size_t pairBudget = kDerivedPairsPerEntry * std::max<std::size_t>(childSize, 1);
  if (!parent.counted || otherSize * derived.groups.size() > pairBudget) {
    for (PlaneGroup& group : derived.groups) group = {group.first, group.size, {}, false};
    child = std::move(derived);
    return false;
  }

  pool.forEachSlice(derived.groups.size(),
                    sliceFor(derived.groups.size(), others.size() * derived.groups.size() >= kParallelPairs, pool),
                    [&](std::size_t begin, std::size_t end) {
                      // The other side's corners, a chunk at a time, read once per slice.
                      std::array<std::array<Point3, 3>, kCornerChunk> corners;
                      for (std::size_t from = 0; from < others.size(); from += kCornerChunk) {
                        const std::size_t chunk = std::min(kCornerChunk, others.size() - from);
                        for (std::size_t i = 0; i < chunk; ++i) corners[i] = cornersOf(scene, list[others[from + i]]);
                        for (std::size_t h = begin; h < end; ++h) {
                          const CandidatePlane plane = planeOf(scene, list[planeEntry[h]]);
                          PlaneCounts& counts = derived.groups[h].counts;
                          for (std::size_t i = 0; i < chunk; ++i) counts.remove(cornerSides(plane, corners[i]));
                        }
                      }
                    });
  derived.counted = true;
  child = std::move(derived);
  return true;
}

}  // namespace pw
