#include "bsp/fast/corner_bvh.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "scene/scene.h"

namespace pw {

namespace {

// Deeper than any hierarchy of median splits over 32-bit entry counts.
constexpr std::size_t kMaxDepth = 64;

// The margin that makes a box test as sure as testing every corner.
//
// For a corner q the build computes d(q) = ((e_x + e_y) + e_z) with
// e_i = (q_i - p_i) * n_i: each term passes through one subtraction, one
// product and at most two sums, so with u = 2^-53 the computed value lies
// within gamma_4 * sum_i |q_i - p_i| |n_i| of the exact one (gamma_k =
// k u / (1 - k u), Higham's bound for sums of rounded products). For q in a
// box [l, h], |q_i - p_i| |n_i| <= M_i = max(|l_i - p_i|, |h_i - p_i|) |n_i|,
// and the exact distance is at least L = sum_i min(e_i(l), e_i(h)) and at
// most H = sum_i max(...). The box's L and H are computed the same way as a
// distance (rounding is monotone, so the smaller rounded end is the rounded
// smaller end), hence within gamma_4 * sum M_i of the exact L and H; and the
// computed scale S = (M_x + M_y) + M_z is at least (1 - u)^4 sum M_i, all
// terms being non-negative. Together: every computed corner distance lies in
// [L' - m, H' + m] for the computed L', H' and m = 2 gamma_4 (1 + gamma_4) S,
// which is below 2^-50 S. The margin 2^-48 S leaves a factor 4 for the
// rounding of the margin itself; the absolute term covers products that
// underflow, where the error is absolute (2^-1075 at most per operation).
// The box bounds are corner coordinates themselves, so they carry no error.
// The comparisons with the tolerance are strict in the safe direction:
// fl(L' - m) > -t implies L' - m > -t, because -t is a double and rounding
// is monotone. (Monotone rounding alone already keeps every corner's computed
// distance within [L', H']: they are the same rounded expression, in the
// same order, at the box's extreme vertex. The margin does not rely on the
// two staying the same expression.)
constexpr double kRelativeMargin = 0x1p-48;
constexpr double kAbsoluteMargin = 0x1p-1000;

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

}  // namespace

CornerBvh::CornerBvh(const Scene& scene, const std::vector<std::uint32_t>& list) : scene_(scene), list_(list) {
  const auto count = static_cast<std::uint32_t>(list.size());
  assert(list.size() == count);
  if (count == 0) return;

  // The entries in Morton order of their centroids over the list's bounds,
  // so that consecutive entries lie close together and every range of
  // slots makes a compact box. Only the shape of the hierarchy depends on
  // it, never a result.
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
    keyed[entry] = std::uint64_t{code} << 32 | entry;
  }
  std::sort(keyed.begin(), keyed.end());
  ScratchVector<std::uint32_t> order(count);
  for (std::uint32_t slot = 0; slot < count; ++slot) order[slot] = static_cast<std::uint32_t>(keyed[slot]);
  ScratchVector<std::uint64_t>().swap(keyed);
  nodes_.reserve(2 * ((count + kLeafSize - 1) / kLeafSize));
  buildNode(0, count);
  entryOf_ = std::move(order);

  // Boxes bottom-up: in this preorder every child comes after its parent.
  for (std::size_t i = nodes_.size(); i-- > 0;) {
    Node& node = nodes_[i];
    if (node.second == 0) {
      const Point3 first = cornersOf(scene, list[entryOf_[node.begin]])[0];
      node.low = {first.x, first.y, first.z};
      node.high = node.low;
      node.exactOnly = false;
      for (std::uint32_t slot = node.begin; slot < node.end; ++slot) {
        for (const Point3& p : cornersOf(scene, list[entryOf_[slot]])) {
          node.exactOnly = node.exactOnly || !finite(p);
          node.low = {std::min(node.low[0], p.x), std::min(node.low[1], p.y), std::min(node.low[2], p.z)};
          node.high = {std::max(node.high[0], p.x), std::max(node.high[1], p.y), std::max(node.high[2], p.z)};
        }
      }
    } else {
      const Node& a = nodes_[i + 1];
      const Node& b = nodes_[node.second];
      for (std::size_t axis = 0; axis < 3; ++axis) {
        node.low[axis] = std::min(a.low[axis], b.low[axis]);
        node.high[axis] = std::max(a.high[axis], b.high[axis]);
      }
      node.exactOnly = a.exactOnly || b.exactOnly;
    }
  }
}

// Halves of the Morton order: balanced, so the depth is about
// log2(count / kLeafSize) and recursion is safe.
std::uint32_t CornerBvh::buildNode(std::uint32_t begin, std::uint32_t end) {
  const auto index = static_cast<std::uint32_t>(nodes_.size());
  nodes_.push_back({{}, {}, begin, end, 0, false});
  if (end - begin <= kLeafSize) return index;
  const std::uint32_t middle = begin + (end - begin) / 2;
  buildNode(begin, middle);
  const std::uint32_t second = buildNode(middle, end);
  nodes_[index].second = second;
  return index;
}

CornerBvh::BoxSide CornerBvh::boxSide(const Node& node, const Plane& plane) const {
  if (node.exactOnly) return BoxSide::Unknown;
  const std::array<double, 3> anchor{plane.anchor.x, plane.anchor.y, plane.anchor.z};
  const std::array<double, 3> normal{plane.normal.x, plane.normal.y, plane.normal.z};
  std::array<double, 3> lowTerm{};
  std::array<double, 3> highTerm{};
  std::array<double, 3> scaleTerm{};
  for (std::size_t i = 0; i < 3; ++i) {
    const double fromLow = node.low[i] - anchor[i];
    const double fromHigh = node.high[i] - anchor[i];
    const double a = fromLow * normal[i];
    const double b = fromHigh * normal[i];
    lowTerm[i] = std::min(a, b);
    highTerm[i] = std::max(a, b);
    scaleTerm[i] = std::max(std::abs(fromLow), std::abs(fromHigh)) * std::abs(normal[i]);
  }
  // Summed in the order of a distance: x, then y, then z.
  const double scale = scaleTerm[0] + scaleTerm[1] + scaleTerm[2];
  // A plane with a non-finite anchor or normal: test corner by corner.
  if (!std::isfinite(scale)) return BoxSide::Unknown;
  const double margin = scale * kRelativeMargin + kAbsoluteMargin;
  if ((lowTerm[0] + lowTerm[1] + lowTerm[2]) - margin > -kPlaneTolerance) return BoxSide::NoneBehind;
  if ((highTerm[0] + highTerm[1] + highTerm[2]) + margin < -kPlaneTolerance) return BoxSide::AllBehind;
  return BoxSide::Unknown;
}

CornerSides CornerBvh::sidesAt(const Plane& plane, std::uint32_t slot) const {
  return cornerSides(plane, cornersOf(scene_, list_[entryOf_[slot]]));
}

// Opens the boxes the plane does not settle down to their leaves. `settled`
// gets each box whose corners all lie on one side, `leaf` each leaf that
// must be tested corner by corner; either returns true to end the walk,
// and then so does this.
template <typename Settled, typename Leaf>
bool CornerBvh::walk(const Plane& plane, Settled settled, Leaf leaf) const {
  if (nodes_.empty()) return false;
  std::array<std::uint32_t, kMaxDepth> stack;
  std::size_t top = 0;
  stack[top++] = 0;
  while (top > 0) {
    const Node& node = nodes_[stack[--top]];
    const BoxSide side = boxSide(node, plane);
    if (side != BoxSide::Unknown) {
      if (settled(node, side)) return true;
    } else if (node.second != 0) {
      assert(top + 2 <= stack.size());
      stack[top++] = node.second;
      stack[top++] = static_cast<std::uint32_t>(&node - nodes_.data()) + 1;
    } else if (leaf(node)) {
      return true;
    }
  }
  return false;
}

// A box with no corner behind holds only entries with B = 0 (front, touching
// from the front or coplanar): all count as front. A box with every corner
// behind holds only entries behind.
PlaneCounts CornerBvh::count(const Plane& plane) const {
  PlaneCounts counts;
  walk(
      plane,
      [&](const Node& node, BoxSide side) {
        (side == BoxSide::NoneBehind ? counts.front : counts.behind) += node.end - node.begin;
        return false;
      },
      [&](const Node& node) {
        for (std::uint32_t slot = node.begin; slot < node.end; ++slot) counts.add(sidesAt(plane, slot));
        return false;
      });
  return counts;
}

bool CornerBvh::anyCornerBehind(const Plane& plane, std::uint32_t skipEntry) const {
  return walk(
      plane,
      [&](const Node& node, BoxSide side) {
        return side == BoxSide::AllBehind && (node.end - node.begin > 1 || entryOf_[node.begin] != skipEntry);
      },
      [&](const Node& node) {
        for (std::uint32_t slot = node.begin; slot < node.end; ++slot) {
          if (entryOf_[slot] != skipEntry && sidesAt(plane, slot).behind > 0) return true;
        }
        return false;
      });
}

}  // namespace pw
