#include "bsp/fast/corner_bvh.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>
#include <optional>

#include "scene/scene.h"

namespace pw {

namespace {

// Spreads the low 10 bits of v so that two zero bits follow each one.
std::uint32_t spreadBits(std::uint32_t v) {
  v &= 0x3FFu;
  v = (v | (v << 16)) & 0x030000FFu;
  v = (v | (v << 8)) & 0x0300F00Fu;
  v = (v | (v << 4)) & 0x030C30C3u;
  v = (v | (v << 2)) & 0x09249249u;
  return v;
}

// The sum of a triangle's corners (three times its centroid).
Point3 cornerSum(const Scene& scene, std::uint32_t triangle) {
  const std::array<Point3, 3> c = cornersOf(scene, triangle);
  return c[0] + c[1] + c[2];
}

// 10 bits of `value`'s place between lo and hi; 0 for what does not compare.
std::uint32_t gridCell(double value, double lo, double hi) {
  const double cell = (value - lo) / (hi - lo) * 1023.0;
  return cell >= 0.0 && cell <= 1023.0 ? static_cast<std::uint32_t>(cell) : 0u;
}

bool finite(const Point3& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

// 0 to 3: whether a corner of the triangle lies behind the slab plane, and
// whether one lies in front of it.
std::uint32_t slabSideOf(const CandidatePlane& slab, const std::array<Point3, 3>& corners) {
  const CornerSides sides = cornerSides(slab, corners);
  return (sides.behind > 0 ? 2u : 0u) | (sides.front > 0 ? 1u : 0u);
}

bool samePlane(const CandidatePlane& a, const CandidatePlane& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

enum class Certainty { No, Yes, Maybe };

// The sides of a triangle's corners as every plane of `bound` computes them,
// when they all agree on its class (spanning, behind or not behind): only
// whether a corner is behind, and when one is, whether one is in front,
// decides it. `shift` is the bound's distanceShift over a box holding the
// corners.
std::optional<CornerSides> agreedSides(const PlaneBound& bound, const DistanceRange& shift,
                                       const std::array<Point3, 3>& corners) {
  std::array<Certainty, 3> behind{};
  std::array<Certainty, 3> front{};
  for (std::size_t k = 0; k < 3; ++k) {
    const Point3& q = corners[k];
    const double d = planeDistance(bound.reference, q.x, q.y, q.z);
    const double low = d + shift.low;
    const double high = d + shift.high;
    behind[k] = high < -kPlaneTolerance ? Certainty::Yes : low > -kPlaneTolerance ? Certainty::No : Certainty::Maybe;
    front[k] = low > kPlaneTolerance ? Certainty::Yes : high < kPlaneTolerance ? Certainty::No : Certainty::Maybe;
  }
  const auto count = [](const std::array<Certainty, 3>& states, Certainty state) {
    return static_cast<int>(std::count(states.begin(), states.end(), state));
  };
  if (count(behind, Certainty::Maybe) > 0) return std::nullopt;
  if (count(behind, Certainty::Yes) == 0) return CornerSides{};
  if (count(front, Certainty::Maybe) > 0) return std::nullopt;
  return CornerSides{count(front, Certainty::Yes), count(behind, Certainty::Yes)};
}

// The entries in Morton order of their centroids over the list's bounds,
// so that consecutive entries lie close together and every range of slots
// makes a compact box; with a slab, first by how they lie against the slab
// plane, so that a box holds entries that planes near it sort alike.
ScratchVector<std::uint32_t> mortonOrder(const Scene& scene, const std::vector<std::uint32_t>& list,
                                         const CandidatePlane* slab) {
  const auto count = static_cast<std::uint32_t>(list.size());
  Point3 lo{INFINITY, INFINITY, INFINITY};
  Point3 hi{-INFINITY, -INFINITY, -INFINITY};
  for (const std::uint32_t triangle : list) {
    const Point3 c = cornerSum(scene, triangle);
    if (!finite(c)) continue;
    lo = {std::min(lo.x, c.x), std::min(lo.y, c.y), std::min(lo.z, c.z)};
    hi = {std::max(hi.x, c.x), std::max(hi.y, c.y), std::max(hi.z, c.z)};
  }
  ScratchVector<std::uint64_t> keyed(count);  // Morton code above, entry below
  for (std::uint32_t entry = 0; entry < count; ++entry) {
    const Point3 c = cornerSum(scene, list[entry]);
    const std::uint32_t code = spreadBits(gridCell(c.x, lo.x, hi.x)) << 2 | spreadBits(gridCell(c.y, lo.y, hi.y)) << 1 |
                               spreadBits(gridCell(c.z, lo.z, hi.z));
    const std::uint32_t side = slab != nullptr ? slabSideOf(*slab, cornersOf(scene, list[entry])) : 0;
    keyed[entry] = std::uint64_t{side << 30 | code} << 32 | entry;
  }
  std::sort(keyed.begin(), keyed.end());
  ScratchVector<std::uint32_t> order(count);
  for (std::uint32_t slot = 0; slot < count; ++slot) order[slot] = static_cast<std::uint32_t>(keyed[slot]);
  return order;
}

}  // namespace

CornerBvh::CornerBvh(const Scene& scene, const std::vector<std::uint32_t>& list, const CandidatePlane* slab)
    : CornerBvh(scene, list, mortonOrder(scene, list, slab), slab) {}

// Only the shape of the hierarchy depends on the order, never a result.
CornerBvh::CornerBvh(const Scene& scene, const std::vector<std::uint32_t>& list, ScratchVector<std::uint32_t> order,
                     const CandidatePlane* slab)
    : scene_(scene), list_(list), hasSlab_(slab != nullptr), slab_(slab != nullptr ? *slab : CandidatePlane{}) {
  const auto count = static_cast<std::uint32_t>(list.size());
  assert(list.size() == count && order.size() == count);
  if (count == 0) return;
  nodes_.reserve(2 * ((count + kLeafSize - 1) / kLeafSize));
  buildNode(0, count);
  entryOf_ = std::move(order);
  cornerIndices_.resize(count);
  for (std::uint32_t slot = 0; slot < count; ++slot) {
    const Triangle& t = scene.triangle(static_cast<std::int32_t>(list[entryOf_[slot]]));
    cornerIndices_[slot] = {t.vertexIndex(0), t.vertexIndex(1), t.vertexIndex(2)};
  }

  // Boxes bottom-up: in this preorder every child comes after its parent.
  for (std::size_t i = nodes_.size(); i-- > 0;) {
    Node& node = nodes_[i];
    if (node.second == 0) {
      const Point3 first = cornersAt(node.begin)[0];
      node.low = {first.x, first.y, first.z};
      node.high = node.low;
      node.slabLow = node.slabGreatestLow = INFINITY;
      node.slabHigh = node.slabLeastHigh = -INFINITY;
      node.exactOnly = false;
      for (std::uint32_t slot = node.begin; slot < node.end; ++slot) {
        double least = INFINITY;
        double greatest = -INFINITY;
        for (const Point3& p : cornersAt(slot)) {
          node.exactOnly = node.exactOnly || !finite(p);
          node.low = {std::min(node.low[0], p.x), std::min(node.low[1], p.y), std::min(node.low[2], p.z)};
          node.high = {std::max(node.high[0], p.x), std::max(node.high[1], p.y), std::max(node.high[2], p.z)};
          if (!hasSlab_) continue;
          const double d = planeDistance(slab_, p.x, p.y, p.z);
          least = std::min(least, d);
          greatest = std::max(greatest, d);
        }
        node.slabLow = std::min(node.slabLow, least);
        node.slabHigh = std::max(node.slabHigh, greatest);
        node.slabLeastHigh = std::max(node.slabLeastHigh, least);
        node.slabGreatestLow = std::min(node.slabGreatestLow, greatest);
      }
    } else {
      const Node& a = nodes_[i + 1];
      const Node& b = nodes_[node.second];
      for (std::size_t axis = 0; axis < 3; ++axis) {
        node.low[axis] = std::min(a.low[axis], b.low[axis]);
        node.high[axis] = std::max(a.high[axis], b.high[axis]);
      }
      node.slabLow = std::min(a.slabLow, b.slabLow);
      node.slabHigh = std::max(a.slabHigh, b.slabHigh);
      node.slabLeastHigh = std::max(a.slabLeastHigh, b.slabLeastHigh);
      node.slabGreatestLow = std::min(a.slabGreatestLow, b.slabGreatestLow);
      node.exactOnly = a.exactOnly || b.exactOnly;
    }
  }
}

// Halves of the Morton order: balanced, so the depth is about
// log2(count / kLeafSize) and recursion is safe.
std::uint32_t CornerBvh::buildNode(std::uint32_t begin, std::uint32_t end) {
  const auto index = static_cast<std::uint32_t>(nodes_.size());
  nodes_.push_back({{}, {}, 0.0, 0.0, 0.0, 0.0, begin, end, 0, false});
  if (end - begin <= kLeafSize) return index;
  const std::uint32_t middle = begin + (end - begin) / 2;
  buildNode(begin, middle);
  const std::uint32_t second = buildNode(middle, end);
  nodes_[index].second = second;
  return index;
}

// The box's corners lie within the reference's range over the box, and,
// when the reference is the slab plane, within its slab, which also bounds
// each entry's least and greatest distance: an entry's least distance from
// a plane of the bound is at most its least reference distance plus the
// shift's high end, and so on.
CornerBvh::BoxSide CornerBvh::boxSide(const Node& node, const PlaneBound& bound,
                                      std::optional<DistanceRange>& shift) const {
  shift = node.exactOnly ? std::nullopt : distanceShift(bound, node.low, node.high);
  if (!shift) return BoxSide::Unknown;
  DistanceRange corners = referenceRange(bound.reference, node.low, node.high);
  double leastHigh = corners.high;     // no entry's least distance is above
  double greatestLow = corners.low;    // no entry's greatest distance is below
  if (hasSlab_ && samePlane(bound.reference, slab_)) {
    corners = {std::max(corners.low, node.slabLow), std::min(corners.high, node.slabHigh)};
    leastHigh = std::min(corners.high, node.slabLeastHigh);
    greatestLow = std::max(corners.low, node.slabGreatestLow);
  }
  if (corners.low + shift->low > -kPlaneTolerance) return BoxSide::NoneBehind;
  if (leastHigh + shift->high >= -kPlaneTolerance) return BoxSide::Unknown;
  // Every entry has a corner behind.
  if (corners.high + shift->high < kPlaneTolerance) return BoxSide::AllBehind;
  if (greatestLow + shift->low > kPlaneTolerance) return BoxSide::AllSpanning;
  return BoxSide::Unknown;
}

std::array<Point3, 3> CornerBvh::cornersAt(std::uint32_t slot) const {
  const std::array<std::int32_t, 3>& v = cornerIndices_[slot];
  return {scene_.vertex(v[0]), scene_.vertex(v[1]), scene_.vertex(v[2])};
}

CornerSides CornerBvh::sidesAt(const CandidatePlane& plane, std::uint32_t slot) const {
  return cornerSides(plane, cornersAt(slot));
}

// Opens the boxes the plane does not settle down to their leaves. `settled`
// gets each box whose corners all lie on one side, `leaf` each leaf that
// must be tested corner by corner, with the bound's distanceShift over it
// (nothing when the box test cannot apply); either returns true to end the walk,
// and then so does this. A level of boxes at a time, the largest first:
// what the large boxes settle is known before any leaf is tested, so a
// walk that can end on the way ends early.
template <typename Settled, typename Leaf>
bool CornerBvh::walk(const PlaneBound& bound, Settled settled, Leaf leaf) const {
  if (nodes_.empty()) return false;
  thread_local std::vector<std::uint32_t> queue;
  queue.assign(1, 0);
  for (std::size_t next = 0; next < queue.size(); ++next) {
    const std::uint32_t index = queue[next];
    const Node& node = nodes_[index];
    std::optional<DistanceRange> shift;
    const BoxSide side = boxSide(node, bound, shift);
    if (side != BoxSide::Unknown) {
      if (settled(node, side)) return true;
    } else if (node.second != 0) {
      queue.push_back(index + 1);
      queue.push_back(node.second);
    } else if (leaf(node, shift)) {
      return true;
    }
  }
  return false;
}

// A box with no corner behind holds only entries with B = 0 (front, touching
// from the front or coplanar): all count as front.
auto CornerBvh::settleInto(PlaneCounts& counts) {
  return [&counts](const Node& node, BoxSide side) {
    assert(side != BoxSide::Unknown);
    (side == BoxSide::NoneBehind ? counts.front : side == BoxSide::AllBehind ? counts.behind : counts.splits) +=
        node.end - node.begin;
    return false;
  };
}

template <typename Stop>
bool CornerBvh::countUntil(const CandidatePlane& plane, const PlaneBound& bound, PlaneCounts& counts, Stop stop) const {
  return walk(
      bound,
      [&](const Node& node, BoxSide side) {
        settleInto(counts)(node, side);
        return stop();
      },
      [&](const Node& node, const std::optional<DistanceRange>&) {
        for (std::uint32_t slot = node.begin; slot < node.end; ++slot) counts.add(sidesAt(plane, slot));
        return stop();
      });
}

PlaneCounts CornerBvh::count(const CandidatePlane& plane, const PlaneBound& bound) const {
  PlaneCounts counts;
  countUntil(plane, bound, counts, [] { return false; });
  return counts;
}

std::uint32_t CornerBvh::unsorted(const PlaneCounts& counts, std::size_t uncertain) const {
  return static_cast<std::uint32_t>(list_.size() - uncertain) - (counts.splits + counts.behind + counts.front);
}

bool CornerBvh::countUnlessHopeless(const CandidatePlane& plane, const PlaneBound& bound, PlaneCounts& counts,
                                    const Hopeless& hopeless) const {
  return !countUntil(plane, bound, counts, [&] { return hopeless(counts, unsorted(counts, 0)); });
}

bool CornerBvh::countCommon(const PlaneBound& bound, PlaneCounts& common, std::vector<std::uint32_t>& uncertain,
                            const Hopeless& hopeless) const {
  const auto givenUp = [&] {
    return hopeless(common, static_cast<std::uint32_t>(uncertain.size()) + unsorted(common, uncertain.size()));
  };
  return !walk(
      bound,
      [&](const Node& node, BoxSide side) {
        settleInto(common)(node, side);
        return givenUp();
      },
      [&](const Node& node, const std::optional<DistanceRange>& shift) {
        // Not finite: every entry is tested plane by plane.
        for (std::uint32_t slot = node.begin; slot < node.end; ++slot) {
          const std::uint32_t triangle = list_[entryOf_[slot]];
          const std::optional<CornerSides> sides =
              shift ? agreedSides(bound, *shift, cornersAt(slot)) : std::nullopt;
          if (sides) {
            common.add(*sides);
          } else {
            uncertain.push_back(triangle);
          }
        }
        return givenUp();
      });
}

bool CornerBvh::anyCornerBehind(const CandidatePlane& plane, std::uint32_t skipEntry) const {
  return walk(
      boundOf(plane),
      [&](const Node& node, BoxSide side) {
        return side != BoxSide::NoneBehind && (node.end - node.begin > 1 || entryOf_[node.begin] != skipEntry);
      },
      [&](const Node& node, const std::optional<DistanceRange>&) {
        for (std::uint32_t slot = node.begin; slot < node.end; ++slot) {
          if (entryOf_[slot] != skipEntry && sidesAt(plane, slot).behind > 0) return true;
        }
        return false;
      });
}

}  // namespace pw
