#include "bsp/corner_bvh.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>
#include <numeric>

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

// A coordinate sum as a float for ordering: clamped into float's range, NaN
// as 0, so that every key compares.
float orderKey(double value) {
  if (std::isnan(value)) return 0.0f;
  return static_cast<float>(std::clamp(value, -static_cast<double>(std::numeric_limits<float>::max()),
                                       static_cast<double>(std::numeric_limits<float>::max())));
}

bool finite(const Point3& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

}  // namespace

CornerBvh::CornerBvh(const Scene& scene, const std::vector<std::uint32_t>& list) {
  const auto count = static_cast<std::uint32_t>(list.size());
  assert(list.size() == count);
  if (count == 0) return;

  // Ordering keys only (the shape of the hierarchy changes no result).
  std::vector<std::array<float, 3>> centres(count);
  for (std::uint32_t entry = 0; entry < count; ++entry) {
    const Triangle& t = scene.triangle(static_cast<std::int32_t>(list[entry]));
    const Point3 sum = scene.vertex(t.vertexIndex(0)) + scene.vertex(t.vertexIndex(1)) + scene.vertex(t.vertexIndex(2));
    centres[entry] = {orderKey(sum.x), orderKey(sum.y), orderKey(sum.z)};
  }
  std::vector<std::uint32_t> order(count);
  std::iota(order.begin(), order.end(), 0u);
  nodes_.reserve(2 * (count / kLeafSize) + 1);
  buildNode(0, count, order, centres);
  std::vector<std::array<float, 3>>().swap(centres);

  for (std::vector<double>& coordinate : corner_) coordinate.resize(count);
  for (std::uint32_t slot = 0; slot < count; ++slot) {
    const Triangle& t = scene.triangle(static_cast<std::int32_t>(list[order[slot]]));
    for (int k = 0; k < 3; ++k) {
      const Point3& p = scene.vertex(t.vertexIndex(k));
      const auto base = static_cast<std::size_t>(3 * k);
      corner_[base][slot] = p.x;
      corner_[base + 1][slot] = p.y;
      corner_[base + 2][slot] = p.z;
    }
  }
  entryOf_ = std::move(order);

  // Boxes bottom-up: in this preorder every child comes after its parent.
  for (std::size_t i = nodes_.size(); i-- > 0;) {
    Node& node = nodes_[i];
    if (node.second == 0) {
      node.low = {corner_[0][node.begin], corner_[1][node.begin], corner_[2][node.begin]};
      node.high = node.low;
      node.exactOnly = false;
      for (std::uint32_t slot = node.begin; slot < node.end; ++slot) {
        for (std::size_t k = 0; k < 3; ++k) {
          const Point3 p{corner_[3 * k][slot], corner_[3 * k + 1][slot], corner_[3 * k + 2][slot]};
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

// Median split on the axis along which the centres spread most: balanced,
// so the depth is about log2(count / kLeafSize) and recursion is safe.
std::uint32_t CornerBvh::buildNode(std::uint32_t begin, std::uint32_t end, std::vector<std::uint32_t>& order,
                                   const std::vector<std::array<float, 3>>& centres) {
  const auto index = static_cast<std::uint32_t>(nodes_.size());
  nodes_.push_back({{}, {}, begin, end, 0, false});
  if (end - begin <= kLeafSize) return index;

  std::array<float, 3> low = centres[order[begin]];
  std::array<float, 3> high = low;
  for (std::uint32_t i = begin; i < end; ++i) {
    for (std::size_t axis = 0; axis < 3; ++axis) {
      low[axis] = std::min(low[axis], centres[order[i]][axis]);
      high[axis] = std::max(high[axis], centres[order[i]][axis]);
    }
  }
  std::size_t axis = 0;
  for (std::size_t a = 1; a < 3; ++a) {
    if (static_cast<double>(high[a]) - low[a] > static_cast<double>(high[axis]) - low[axis]) axis = a;
  }
  const std::uint32_t middle = begin + (end - begin) / 2;
  std::nth_element(order.begin() + begin, order.begin() + middle, order.begin() + end,
                   [&](std::uint32_t a, std::uint32_t b) { return centres[a][axis] < centres[b][axis]; });
  buildNode(begin, middle, order, centres);
  const std::uint32_t second = buildNode(middle, end, order, centres);
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
  CornerSides sides;
  for (std::size_t k = 0; k < 3; ++k) {
    sides.add(planeDistance(plane, corner_[3 * k][slot], corner_[3 * k + 1][slot], corner_[3 * k + 2][slot]));
  }
  return sides;
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
