// What the fast build knows of the distances that one candidate plane, or
// any plane of a bundle of nearly equal ones, computes for the points of a
// box: an interval, sure up to the last bit of the build's arithmetic, so
// that a box (or a corner) it puts clearly on one side of the tolerance is
// classified there by every plane it stands for. Internal to bsp/.
#pragma once

#include <array>
#include <optional>

#include "bsp/fast/plane_groups.h"

namespace pw {

// Planes (p, n) described against a reference plane (p0, n0): the tilt
// n - n0 and the offset (p - p0) . n lie within these bounds per axis, and
// |p - p0| within `anchorReach`. Exact identity behind every use:
//   (q - p) . n = (q - p0) . n0 + (q - p0) . (n - n0) - (p - p0) . n.
struct PlaneBound {
  CandidatePlane reference;
  std::array<double, 3> tiltLow{};
  std::array<double, 3> tiltHigh{};
  double offsetLow = 0.0;
  double offsetHigh = 0.0;
  std::array<double, 3> anchorReach{};
};

// The bound of `plane` alone, with itself as the reference.
PlaneBound boundOf(const CandidatePlane& plane);
// The bound of `member` alone against `reference`.
PlaneBound boundAgainst(const CandidatePlane& reference, const CandidatePlane& member);
// Widens `bound` (against the same reference) to hold `member` too.
void include(PlaneBound& bound, const PlaneBound& member);

struct DistanceRange {
  double low;
  double high;
};

// How far the distance a plane of `bound` computes (planeDistance) for a
// point with coordinates in [boxLow, boxHigh] may lie from the reference
// plane's computed distance of that point, with the rounding of both and of
// adding the two: the plane's distance lies in [r + low, r + high] for the
// reference's distance r (or within [rl + low, rh + high] when r is only
// known to lie in [rl, rh], computed as referenceRange is). Nothing when an
// operand is not finite.
std::optional<DistanceRange> distanceShift(const PlaneBound& bound, const std::array<double, 3>& boxLow,
                                           const std::array<double, 3>& boxHigh);

// The least and greatest distance of `plane` over the box, computed term by
// term as a distance is.
DistanceRange referenceRange(const CandidatePlane& plane, const std::array<double, 3>& boxLow,
                             const std::array<double, 3>& boxHigh);

}  // namespace pw
