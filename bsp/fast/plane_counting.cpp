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

// A bundle's planes and, once counted, what they all count alike.
struct Bundle {
  std::vector<std::uint32_t> groups;
  PlaneBound bound;
  bool commonCounted = false;
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

// A guess at the balance of a bundle's planes: its reference plane against
// a spread of the list's entries. Only the order in which bundles are
// counted depends on it.
constexpr std::size_t kGuessSample = 64;
double guessedBalance(const Scene& scene, const std::vector<std::uint32_t>& list, const CandidatePlane& plane) {
  const std::size_t step = std::max<std::size_t>(1, list.size() / kGuessSample);
  PlaneCounts counts;
  for (std::size_t entry = 0; entry < list.size(); entry += step) {
    counts.add(cornerSides(plane, cornersOf(scene, list[entry])));
  }
  return balanceOf(counts);
}

// What a count on the way is measured against: the deciding pass's
// threshold and, once it is final, the fewest splits of a plane sure to
// qualify and the best such plane known, by the choice's order: fewest
// splits, then greatest balance, then first in the list.
struct Rival {
  double threshold = 0.0;
  std::uint32_t mostSplits = std::numeric_limits<std::uint32_t>::max();
  // Some qualifying plane has at most `bestSplits` splits and a balance of
  // at least `bestBalance`; exactly these when it is group `bestGroup`'s,
  // counted in full (kSeveral when it stands for some plane of a bundle).
  std::uint32_t bestSplits = std::numeric_limits<std::uint32_t>::max();
  double bestBalance = 0.0;
  std::uint32_t bestGroup = kSeveral;

  static constexpr std::uint32_t kSeveral = std::numeric_limits<std::uint32_t>::max();

  // Counts so far that show no plane they stand for (from group `group`
  // on) can qualify or be chosen: it would have more splits than some
  // plane that qualifies, or no fewer than the best one and a smaller
  // balance (or the same, coming after it in the list).
  CornerBvh::Hopeless hopeless(std::uint32_t group) const {
    return [rival = *this, group](const PlaneCounts& sure, std::uint32_t unsure) {
      return rival.rulesOut(sure.splits, greatestBalance(sure, unsure), group);
    };
  }
  // The same for planes with at least `leastSplits` splits and a balance
  // of at most `most`.
  bool rulesOut(std::uint32_t leastSplits, double most, std::uint32_t group) const {
    if (leastSplits > mostSplits || !qualifies(most, threshold)) return true;
    return leastSplits >= bestSplits && (most < bestBalance || (most == bestBalance && group > bestGroup));
  }
};

// What the counting knows of the choice it serves: balances and split
// counts that planes which are (or will be) counted are sure to reach, and
// the planes counted in full.
class ChoiceBound {
 public:
  // Some plane that is or will be counted has a balance of at least
  // `balance` and at most `splits` splits.
  void add(double balance, std::uint32_t splits) { add({balance, splits, Rival::kSeveral}); }
  // Group `group`'s plane has these counts.
  void addCounted(const PlaneCounts& counts, std::uint32_t group) {
    add({balanceOf(counts), counts.splits, group});
  }
  double threshold() const { return decidingThreshold(greatest_); }
  Rival rival() const {
    if (!final_) return {threshold()};
    return {threshold_, fewest_, best_.splits, best_.balance, best_.group};
  }

  // Whether no plane with a balance of at most `most` can raise the
  // threshold; asked with a bound on every plane still to be counted that
  // might qualify. Once true it stays so, and the choice has the fewest
  // splits of those that qualify: at most the least `splits` added with a
  // qualifying balance, so a plane with more can neither win nor tie; and
  // it is the best plane known or one that beats it.
  bool settle(double most) {
    if (!final_ && decidingThreshold(std::max(greatest_, most)) == threshold()) {
      final_ = true;
      threshold_ = threshold();
      for (const Known& known : known_) learn(known);
      known_.clear();
    }
    return final_;
  }

  // Whether a plane from group `group` on with a balance of at most `most`
  // and at least `leastSplits` splits can decide the pass or be chosen.
  // Asked in decreasing order of `most`, of bundles that hold every plane
  // not yet counted that might qualify.
  bool mayDecide(double most, std::uint32_t leastSplits, std::uint32_t group) {
    if (!qualifies(most, threshold())) return false;
    return !settle(most) || !rival().rulesOut(leastSplits, most, group);
  }

 private:
  struct Known {
    double balance;
    std::uint32_t splits;
    std::uint32_t group;  // Rival::kSeveral for a bound on some plane of a bundle
  };

  void add(const Known& known) {
    greatest_ = std::max(greatest_, known.balance);
    if (final_) {
      learn(known);
    } else {
      known_.push_back(known);
    }
  }
  void learn(const Known& known) {
    if (!qualifies(known.balance, threshold_)) return;
    fewest_ = std::min(fewest_, known.splits);
    const bool better = beats(known.splits, known.balance, best_.splits, best_.balance) ||
                        (known.splits == best_.splits && known.balance == best_.balance && known.group < best_.group);
    if (better) best_ = known;
  }

  double greatest_ = 0.0;
  bool final_ = false;
  double threshold_ = 0.0;
  std::uint32_t fewest_ = std::numeric_limits<std::uint32_t>::max();
  Known best_{0.0, std::numeric_limits<std::uint32_t>::max(), Rival::kSeveral};
  std::vector<Known> known_;
};

// How many candidates of a large list are counted at once, over the pool;
// between batches, what was counted raises the threshold.
constexpr std::size_t kParallelBatch = 16;
// The same for the planes of one bundle: their counts are nearly equal, so
// the first few rule out few of the others, and larger batches keep both
// cores busy.
constexpr std::size_t kParallelMemberBatch = 256;

// A list with at most this many plane groups has every group counted, so
// that its children can take their counts from it (deriving costs a test
// per child group and entry of the other side). With more, its children
// count afresh anyway, and a group that shows on the way that it cannot
// qualify stops there.
constexpr std::size_t kWholeCountGroups = 64;

// Positions 0..n-1 of `values`, the greatest value first (ties in order).
std::vector<std::uint32_t> greatestFirst(const std::vector<double>& values) {
  std::vector<std::uint32_t> order(values.size());
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) { return values[a] > values[b]; });
  return order;
}

// Runs `count(item, rival)` for the items in `order`, a batch at a time,
// with what `choice` knows before the batch; `learn(item)` then adds what
// the item counted to `choice`. The batches do not depend on the number of
// threads, so neither does what is counted. The threshold of the first pass
// is final at once: no plane can raise it.
template <typename Count, typename Learn>
void countInBatches(const std::vector<std::uint32_t>& order, ChoiceBound& choice, bool parallel, WorkerPool& pool,
                    Count count, Learn learn, std::size_t parallelBatch = kParallelBatch) {
  const std::size_t batch = parallel ? parallelBatch : 1;
  for (std::size_t from = 0; from < order.size(); from += batch) {
    const std::size_t to = std::min(order.size(), from + batch);
    choice.settle(1.0);
    const Rival rival = choice.rival();
    pool.forEachSlice(to - from, parallel ? 1 : to - from, [&](std::size_t begin, std::size_t end) {
      for (std::size_t i = from + begin; i < from + end; ++i) count(order[i], rival);
    });
    for (std::size_t i = from; i < to; ++i) learn(order[i]);
  }
}

// Counts the groups alone in their bundles: every one when the list has few
// groups, else the most promising first, each unless it shows on the way
// that it cannot qualify.
void countAlone(const Scene& scene, const std::vector<std::uint32_t>& list, const std::vector<std::uint32_t>& alone,
                const CornerBvh& bvh, ChoiceBound& choice, bool parallel, WorkerPool& pool, PlaneGroups& groups) {
  const auto learn = [&](std::uint32_t i) {
    const PlaneGroup& group = groups.groups[alone[i]];
    if (group.counted) choice.addCounted(group.counts, alone[i]);
  };
  if (groups.groups.size() <= kWholeCountGroups) {
    pool.forEachSlice(alone.size(), sliceFor(alone.size(), parallel, pool), [&](std::size_t begin, std::size_t end) {
      for (std::size_t i = begin; i < end; ++i) {
        PlaneGroup& group = groups.groups[alone[i]];
        group.counts = bvh.count(planeOf(scene, list[group.first]));
        group.counted = true;
      }
    });
    for (std::uint32_t i = 0; i < alone.size(); ++i) learn(i);
    return;
  }
  std::vector<double> guess(alone.size());
  for (std::size_t i = 0; i < alone.size(); ++i) {
    guess[i] = guessedBalance(scene, list, planeOf(scene, list[groups.groups[alone[i]].first]));
  }
  countInBatches(
      greatestFirst(guess), choice, parallel, pool,
      [&](std::uint32_t i, const Rival& rival) {
        PlaneGroup& group = groups.groups[alone[i]];
        const CandidatePlane plane = planeOf(scene, list[group.first]);
        group.counts = {};
        group.counted = bvh.countUnlessHopeless(plane, boundOf(plane), group.counts, rival.hopeless(alone[i]));
      },
      learn);
}

// Counts the bundles' common parts, the most promising first, each unless
// it shows on the way that no plane of its bundle can qualify. Returns the
// greatest balance each bundle's planes can have (0 for those given up).
std::vector<double> countCommonParts(const Scene& scene, const std::vector<std::uint32_t>& list,
                                     const CornerBvh& bvh, std::vector<Bundle>& bundles, ChoiceBound& choice,
                                     bool parallel, WorkerPool& pool) {
  std::vector<double> guess(bundles.size());
  for (std::size_t b = 0; b < bundles.size(); ++b) guess[b] = guessedBalance(scene, list, bundles[b].bound.reference);
  std::vector<double> bundleGreatest(bundles.size(), 0.0);
  countInBatches(
      greatestFirst(guess), choice, parallel, pool,
      [&](std::uint32_t b, const Rival& rival) {
        Bundle& bundle = bundles[b];
        bundle.commonCounted =
            bvh.countCommon(bundle.bound, bundle.common, bundle.uncertain, rival.hopeless(bundle.groups.front()));
      },
      [&](std::uint32_t b) {
        const Bundle& bundle = bundles[b];
        if (!bundle.commonCounted) return;
        bundleGreatest[b] = greatestBalance(bundle.common, bundle.uncertain.size());
        choice.add(leastBalance(bundle.common, bundle.uncertain.size()),
                   bundle.common.splits + static_cast<std::uint32_t>(bundle.uncertain.size()));
      });
  return bundleGreatest;
}

PlaneCounts sumOf(const PlaneCounts& a, const PlaneCounts& b) {
  return {a.splits + b.splits, a.behind + b.behind, a.front + b.front};
}

// Counts each plane of the bundle, in list order: its common part plus its
// own count of the uncertain entries, against a hierarchy of those. A plane
// whose counts so far show that it can neither qualify nor be chosen is
// left uncounted. Returns whether every plane was counted.
bool countMembers(const Scene& scene, const std::vector<std::uint32_t>& list, const Bundle& bundle,
                  ChoiceBound& choice, PlaneGroups& groups, bool parallel, WorkerPool& pool) {
  const CornerBvh near(scene, bundle.uncertain, &bundle.bound.reference);
  const PlaneCounts& common = bundle.common;
  const std::vector<std::uint32_t>& members = bundle.groups;
  std::vector<std::uint32_t> order(members.size());
  std::iota(order.begin(), order.end(), 0u);
  countInBatches(
      order, choice, parallel, pool,
      [&](std::uint32_t i, const Rival& rival) {
        const CornerBvh::Hopeless cannot = rival.hopeless(members[i]);
        const auto hopeless = [&](const PlaneCounts& rest, std::uint32_t unsure) {
          return cannot(sumOf(common, rest), unsure);
        };
        PlaneGroup& group = groups.groups[members[i]];
        const CandidatePlane plane = planeOf(scene, list[group.first]);
        PlaneCounts rest;
        group.counted = near.countUnlessHopeless(plane, boundAgainst(bundle.bound.reference, plane), rest, hopeless);
        group.counts = sumOf(common, rest);
      },
      [&](std::uint32_t i) {
        const PlaneGroup& group = groups.groups[members[i]];
        if (group.counted) choice.addCounted(group.counts, members[i]);
      },
      kParallelMemberBatch);
  return std::all_of(members.begin(), members.end(), [&](std::uint32_t g) { return groups.groups[g].counted; });
}

}  // namespace

// Each group writes its own counts only: the result is the same for any
// number of threads and any order of slices. A group alone in its bundle is
// counted against the hierarchy directly (see countAlone). A bundle of several has what all
// its planes count alike counted once; the rest is counted per group against
// a hierarchy of just that rest, whose slabs follow the bundle's first plane,
// unless no plane of the bundle can decide the pass or be chosen.
// The threshold only rises with what is counted, and every bundle's least
// balance is one some plane has, so all of them raise it before any bundle
// is counted plane by plane: a turned level's floor is a bundle of
// thousands of planes that a plane through the middle of the level rules
// out. Bundles are taken the most promising first, so that it rises early,
// and a count that shows on the way that it cannot matter (below the
// threshold, or beaten by the best plane known) stops there: most bundles
// of a turned level stop after a few large boxes.
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
  ChoiceBound choice;
  countAlone(scene, list, alone, bvh, choice, parallel, pool, groups);
  pool.forEachSlice(bundles.size(), sliceFor(bundles.size(), parallel, pool), [&](std::size_t begin, std::size_t end) {
    for (std::size_t b = begin; b < end; ++b) bundles[b].bound = bundleBound(scene, list, groups, bundles[b].groups);
  });
  const std::vector<double> bundleGreatest = countCommonParts(scene, list, bvh, bundles, choice, parallel, pool);
  bool complete = true;
  for (const std::uint32_t b : greatestFirst(bundleGreatest)) {
    const Bundle& bundle = bundles[b];
    if (!bundle.commonCounted || !choice.mayDecide(bundleGreatest[b], bundle.common.splits, bundle.groups.front())) {
      complete = false;
      continue;
    }
    if (!countMembers(scene, list, bundle, choice, groups, parallel, pool)) complete = false;
  }
  groups.counted =
      complete && std::all_of(alone.begin(), alone.end(), [&](std::uint32_t g) { return groups.groups[g].counted; });
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
  std::vector<std::uint32_t> childBundleOf(parent.bundles, kNoGroup);
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
      std::uint32_t bundle = 0;
      if (parent.bundles > 0) {
        std::uint32_t& childBundle = childBundleOf[parent.groups[g].bundle];
        if (childBundle == kNoGroup) childBundle = derived.bundles++;
        bundle = childBundle;
      }
      derived.groups.push_back({position, 0, parent.groups[g].counts, parent.counted, bundle});
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
    for (PlaneGroup& group : derived.groups) group = {group.first, group.size, {}, false, group.bundle};
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
