#include "collision/walker.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "collision/sweep.h"

namespace pw {
namespace {

// How far a stopped body stays off what stopped it, so that the next sweep
// starts clear of it (well above the plane tolerance 0.0001).
constexpr double kSkin = 0.002;
// Substeps last at most this long and move at most this share of the radius.
constexpr double kSubstepSeconds = 1.0 / 120.0;
constexpr double kSubstepRadii = 0.5;
constexpr int kMostSubsteps = 256;
// A wall met while sliding is slid along this many times in one substep.
constexpr int kSlides = 4;
// A normal with a level part shorter than this points straight up or down.
constexpr double kLeastLevelPart = 1e-9;

double length(const Point3& v) { return std::sqrt(dot(v, v)); }

// The level part of `v` made unit; zero when `v` is (nearly) vertical, as a
// normal is when it meets the body from straight above or below.
Point3 levelUnit(const Point3& v) {
  const Point3 level{v.x, 0.0, v.z};
  const double size = length(level);
  return size < kLeastLevelPart ? Point3{} : (1.0 / size) * level;
}

// The heights over the feet of the column's sphere centres: from the step
// height plus the radius to the top less the radius, at most a radius apart.
std::vector<double> columnHeights(const Body& body) {
  const double low = body.stepHeight + body.radius;
  const double high = std::max(low, body.height - body.radius);
  const int gaps = static_cast<int>(std::ceil((high - low) / body.radius));
  std::vector<double> heights{low};
  for (int k = 1; k <= gaps; ++k) heights.push_back(low + (high - low) * k / gaps);
  return heights;
}

// The first touch of any sphere of the column moved by `motion`.
std::optional<SweepHit> sweepColumn(const Scene& scene, std::span<const std::uint32_t> near, const Body& body,
                                    const std::vector<double>& heights, const Point3& feet, const Point3& motion) {
  std::optional<SweepHit> first;
  for (const double h : heights) {
    const auto hit = sweepSphere(scene, near, feet + Point3{0.0, h, 0.0}, body.radius, motion);
    if (hit && (!first || hit->fraction < first->fraction)) first = hit;
  }
  return first;
}

// Moves the feet horizontally by `motion`, sliding along what stops the
// column: a wall's normal taken level, so a steep slope is a wall.
void slide(const Scene& scene, std::span<const std::uint32_t> near, const Body& body,
           const std::vector<double>& heights, Point3& feet, Point3 motion) {
  for (int k = 0; k < kSlides; ++k) {
    const double distance = length(motion);
    if (distance <= 0.0) return;
    const auto hit = sweepColumn(scene, near, body, heights, feet, motion);
    if (!hit) {
      feet = feet + motion;
      return;
    }
    feet = feet + std::max(0.0, hit->fraction - kSkin / distance) * motion;
    const Point3 wall = levelUnit(hit->normal);
    if (dot(wall, wall) == 0.0) return;  // met from straight above or below: stop
    const Point3 rest = (1.0 - hit->fraction) * motion;
    motion = rest - std::min(0.0, dot(rest, wall)) * wall;
  }
}

// What undid a substep's move: the level direction from it towards the
// body, and how far from where the substep began the body may still go
// against it (negative: it stands that much too close). A zero direction
// stops the body.
struct Blocker {
  Point3 wall;
  double room;
};

// A rim touched at `touched` with the contact normal `normal`: the foot
// sphere clears it once the body's axis is a radius away from it, level.
Blocker rimBlocker(const Body& body, const Point3& before, const Point3& touched, const Point3& normal) {
  const Point3 wall = levelUnit(normal);
  return {wall, dot(before - touched, wall) - body.radius - kSkin};
}

// The foot sphere swept down from the step height by `depth` below the
// feet: lands on a walkable floor, stands on a steep one, or falls `drop`.
// What it may not get onto (a rim higher than a step, a slope too steep, a
// step under a low ceiling) leaves the feet at `before` and is returned.
std::optional<Blocker> settle(const Scene& scene, std::span<const std::uint32_t> near, const Body& body,
                              WalkState& state, const Point3& before, double depth, double drop) {
  const double minUp = std::cos(body.maxSlopeDegrees * std::numbers::pi / 180.0);
  const Point3 centre = state.feet + Point3{0.0, body.stepHeight + body.radius, 0.0};
  const Point3 down{0.0, -(body.stepHeight + depth), 0.0};
  const auto hit = sweepSphere(scene, near, centre, body.radius, down);
  if (!hit) {
    state.feet.y -= drop;
    state.grounded = false;
    return std::nullopt;
  }
  const double land = centre.y + std::max(0.0, hit->fraction - kSkin / length(down)) * down.y - body.radius;
  const Point3 touched = centre + hit->fraction * down - body.radius * hit->normal;
  const Point3 moved = state.feet;
  if (touched.y > before.y + body.stepHeight) {
    state.feet = before;
    return rimBlocker(body, before, touched, hit->normal);
  }
  // Landing on an edge or a corner is standing on a step's rim, whatever
  // way the contact faces; on a face, the slope decides.
  const bool walkable = !hit->onFace || hit->normal.y >= minUp;
  if (!walkable && land > before.y + kSkin) {
    // The body may go up the slope until it would stand higher than it did:
    // the landing rises by the slope's tangent per unit of level travel.
    state.feet = before;
    const Point3 wall = levelUnit(hit->normal);
    const double tangent = std::sqrt(std::max(0.0, 1.0 - hit->normal.y * hit->normal.y)) / hit->normal.y;
    return Blocker{wall, dot(before - moved, wall) - (land - before.y) / tangent};
  }
  if (land > state.feet.y) {
    // Climbing: the top of the column must still fit under what is above.
    const Point3 top = state.feet + Point3{0.0, body.height - body.radius, 0.0};
    if (sweepSphere(scene, near, top, body.radius, Point3{0.0, land - state.feet.y + kSkin, 0.0})) {
      state.feet = before;
      return rimBlocker(body, before, touched, hit->onFace ? Point3{} : hit->normal);
    }
  }
  state.feet.y = land;
  state.grounded = walkable;
  state.fallSpeed = 0.0;
  return std::nullopt;
}

}  // namespace

void walkFor(const Scene& scene, const BspNode& root, const Body& body, WalkState& state, const Point3& velocity,
             double seconds) {
  seconds = std::clamp(seconds, 0.0, kLongestWalkFrame);
  const Point3 level{velocity.x, 0.0, velocity.z};
  const double reach = length(level) * seconds;
  const int substeps = std::clamp(static_cast<int>(std::max(std::ceil(seconds / kSubstepSeconds),
                                                            std::ceil(reach / (kSubstepRadii * body.radius)))),
                                  1, kMostSubsteps);
  const double dt = seconds / substeps;
  const std::vector<double> heights = columnHeights(body);
  for (int step = 0; step < substeps; ++step) {
    state.fallSpeed += body.gravity * dt;
    const double drop = state.fallSpeed * dt;
    // Stairs down are followed a step deep; falling reaches this substep's drop.
    const double depth = drop + (state.grounded ? body.stepHeight : 0.0);
    const Point3 motion = dt * level;
    Bounds box = sweptBox(state.feet, 0.0, motion);
    box.min = box.min - Point3{body.radius + kSkin, body.stepHeight + depth + kSkin, body.radius + kSkin};
    box.max = box.max + Point3{body.radius + kSkin, body.height + body.stepHeight + kSkin, body.radius + kSkin};
    const std::vector<std::uint32_t> near = trianglesNear(scene, root, box);
    const Point3 before = state.feet;
    slide(scene, near, body, heights, state.feet, motion);
    const std::optional<Blocker> blocked = settle(scene, near, body, state, before, depth, drop);
    // What the body may not get onto is a wall: the move is tried once more
    // with its part against it cut to the room left (or turned to back off
    // by as much as it stands too close, which rounding around a corner
    // leaves), so the body goes up to it and slides along it.
    const double into = blocked ? -dot(motion, blocked->wall) : 0.0;
    if (into > 0.0) {
      const double allowed = std::clamp(blocked->room, -into, into);
      slide(scene, near, body, heights, state.feet, motion + (into - allowed) * blocked->wall);
      settle(scene, near, body, state, before, depth, drop);  // blocked again: it stays at `before`
    }
  }
}

}  // namespace pw
