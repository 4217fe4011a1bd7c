#include "bsp/fast/plane_bound.h"

#include <algorithm>
#include <cmath>

namespace pw {

namespace {

// The margin that makes a range as sure as computing every distance.
//
// With u = 2^-53 and gamma_k = k u / (1 - k u) (Higham's bound for sums of
// rounded products), a plane (p, n) computes d(q) = ((e_x + e_y) + e_z),
// e_i = (q_i - p_i) * n_i, within gamma_4 * sum_i |q_i - p_i| |n_i| of the
// exact (q - p) . n. Split that exact value by the identity in the header:
// - the reference's distance is given within gamma_4 sum_i R_i |n0_i| of
//   its exact value, R_i = max |q_i - p0_i| over the box (a computed
//   distance, or referenceRange: rounding is monotone, so the smaller
//   rounded end of a term is the rounded smaller end);
// - (q_i - p0_i) (n_i - n0_i) lies between the products of the box's ends
//   with the tilt's ends; the computed tilt, the differences and products
//   are each off by at most u of their size, R_i T_i at most (T_i the
//   tilt's magnitude);
// - the offset was computed as a distance: within gamma_4 sum_i A_i |n_i|
//   (A_i the anchor reach).
// With |n_i| <= |n0_i| + T_i and |q_i - p_i| <= R_i + A_i, every error above,
// and the rounding of the six sums that make the shift and the one that adds
// it to the reference's distance (at most S in size), is below 24 u S for S = sum_i (R_i + A_i) (|n0_i| + 2 T_i), computed from
// non-negative terms (so at least (1 - u)^6 of its exact value). The margin
// 2^-44 S leaves a factor 300 for all of that; the absolute term covers
// products that underflow, where the error is absolute (2^-1075 at most per
// operation). The range is used with strict comparisons in the safe
// direction: fl(L - m) > -t implies L - m > -t, because -t is a double and
// rounding is monotone.
constexpr double kRelativeMargin = 0x1p-44;
constexpr double kAbsoluteMargin = 0x1p-1000;

std::array<double, 3> components(const Point3& p) { return {p.x, p.y, p.z}; }

}  // namespace

PlaneBound boundOf(const CandidatePlane& plane) { return {plane, {}, {}, 0.0, 0.0, {}}; }

PlaneBound boundAgainst(const CandidatePlane& reference, const CandidatePlane& member) {
  PlaneBound bound{reference, {}, {}, 0.0, 0.0, {}};
  const std::array<double, 3> n = components(member.normal);
  const std::array<double, 3> n0 = components(reference.normal);
  const std::array<double, 3> p = components(member.anchor);
  const std::array<double, 3> p0 = components(reference.anchor);
  for (std::size_t i = 0; i < 3; ++i) {
    bound.tiltLow[i] = bound.tiltHigh[i] = n[i] - n0[i];
    bound.anchorReach[i] = std::abs(p[i] - p0[i]);
  }
  // (p - p0) . n, in the order of a distance.
  bound.offsetLow = bound.offsetHigh = planeDistance({reference.anchor, member.normal}, p[0], p[1], p[2]);
  return bound;
}

void include(PlaneBound& bound, const PlaneBound& member) {
  for (std::size_t i = 0; i < 3; ++i) {
    bound.tiltLow[i] = std::min(bound.tiltLow[i], member.tiltLow[i]);
    bound.tiltHigh[i] = std::max(bound.tiltHigh[i], member.tiltHigh[i]);
    bound.anchorReach[i] = std::max(bound.anchorReach[i], member.anchorReach[i]);
  }
  bound.offsetLow = std::min(bound.offsetLow, member.offsetLow);
  bound.offsetHigh = std::max(bound.offsetHigh, member.offsetHigh);
}

DistanceRange referenceRange(const CandidatePlane& plane, const std::array<double, 3>& boxLow,
                             const std::array<double, 3>& boxHigh) {
  const std::array<double, 3> anchor = components(plane.anchor);
  const std::array<double, 3> normal = components(plane.normal);
  std::array<double, 3> lowTerm{};
  std::array<double, 3> highTerm{};
  for (std::size_t i = 0; i < 3; ++i) {
    const double a = (boxLow[i] - anchor[i]) * normal[i];
    const double b = (boxHigh[i] - anchor[i]) * normal[i];
    lowTerm[i] = std::min(a, b);
    highTerm[i] = std::max(a, b);
  }
  // Summed in the order of a distance: x, then y, then z.
  return {lowTerm[0] + lowTerm[1] + lowTerm[2], highTerm[0] + highTerm[1] + highTerm[2]};
}

std::optional<DistanceRange> distanceShift(const PlaneBound& bound, const std::array<double, 3>& boxLow,
                                           const std::array<double, 3>& boxHigh) {
  const std::array<double, 3> p0 = components(bound.reference.anchor);
  const std::array<double, 3> n0 = components(bound.reference.normal);
  double low = 0.0;
  double high = 0.0;
  double scale = 0.0;
  for (std::size_t i = 0; i < 3; ++i) {
    const double fromLow = boxLow[i] - p0[i];
    const double fromHigh = boxHigh[i] - p0[i];
    const double products[] = {fromLow * bound.tiltLow[i], fromLow * bound.tiltHigh[i], fromHigh * bound.tiltLow[i],
                               fromHigh * bound.tiltHigh[i]};
    low += *std::min_element(std::begin(products), std::end(products));
    high += *std::max_element(std::begin(products), std::end(products));
    const double reach = std::max(std::abs(fromLow), std::abs(fromHigh)) + bound.anchorReach[i];
    const double tilt = std::max(std::abs(bound.tiltLow[i]), std::abs(bound.tiltHigh[i]));
    scale += reach * (std::abs(n0[i]) + 2.0 * tilt);
  }
  const double margin = scale * kRelativeMargin + kAbsoluteMargin;
  const DistanceRange shift{(low - bound.offsetHigh) - margin, (high - bound.offsetLow) + margin};
  // A plane or box with a coordinate that is not finite (or overflows):
  // only corner-by-corner tests apply.
  if (!std::isfinite(margin) || !std::isfinite(shift.low) || !std::isfinite(shift.high)) return std::nullopt;
  return shift;
}

}  // namespace pw
