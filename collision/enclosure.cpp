#include "collision/enclosure.h"

#include <array>
#include <cmath>
#include <algorithm>
#include <vector>

#include "collision/sweep.h"
#include "scene/scene.h"

namespace pw {
namespace {

// Sight lines reach this far: beyond any level the viewer can hold.
constexpr double kSightLength = 1e7;
// A floor faces up at most 45 degrees off vertical.
constexpr double kFloorUp = 0.7071067811865476;
// How many floor triangles the search for a standing place tries.
constexpr std::size_t kStandCandidates = 64;

// The six axis directions first (both ways along x, y, z), then the eight
// diagonals.
const std::array<Point3, 14> kDirections = [] {
  std::array<Point3, 14> d{Point3{1, 0, 0}, Point3{-1, 0, 0}, Point3{0, 1, 0},
                           Point3{0, -1, 0}, Point3{0, 0, 1}, Point3{0, 0, -1}};
  std::size_t k = 6;
  for (const double x : {-1.0, 1.0}) {
    for (const double y : {-1.0, 1.0}) {
      for (const double z : {-1.0, 1.0}) d[k++] = Point3{x, y, z}.normalized();
    }
  }
  return d;
}();

EnclosureProbe probe(const Scene& scene, const std::vector<std::uint32_t>& all, const Point3& point) {
  EnclosureProbe result;
  result.where = Surroundings::Enclosed;
  result.room = 1.0;
  for (std::size_t k = 0; k < kDirections.size(); ++k) {
    const auto hit = sweepSphere(scene, all, point, 0.0, kSightLength * kDirections[k]);
    if (!hit) {
      result.where = Surroundings::Void;
      continue;
    }
    if (!hit->fromFront && result.where == Surroundings::Enclosed) result.where = Surroundings::Solid;
    const double distance = hit->fraction * kSightLength;
    if (k < 6) result.room *= distance;
    const bool down = k == 3;
    if (down && hit->fromFront && scene.plane(static_cast<std::int32_t>(hit->triangle)).normal.y >= kFloorUp) {
      result.floorBelow = distance;
    }
  }
  return result;
}

}  // namespace

EnclosureProbe probeEnclosure(const Scene& scene, const Point3& point) {
  return probe(scene, scene.allTriangleIndices(), point);
}

std::string describe(Surroundings where) {
  switch (where) {
    case Surroundings::Enclosed:
      return "it is enclosed";
    case Surroundings::Void:
      return "a sight line from it meets no wall: it lies in the void";
    case Surroundings::Solid:
      return "a sight line from it meets the back of a wall: it lies inside solid";
  }
  return {};
}

std::optional<Point3> roomiestStand(const Scene& scene, double standingHeight) {
  const std::vector<std::uint32_t> all = scene.allTriangleIndices();
  std::vector<std::uint32_t> floors;
  for (const std::uint32_t t : all) {
    if (scene.plane(static_cast<std::int32_t>(t)).normal.y >= kFloorUp) floors.push_back(t);
  }
  std::optional<Point3> best;
  double bestRoom = 0.0;
  const std::size_t stride = std::max<std::size_t>(1, floors.size() / kStandCandidates);
  for (std::size_t k = 0; k < floors.size(); k += stride) {
    const auto c = scene.corners(static_cast<std::int32_t>(floors[k]));
    const Point3 eye = (1.0 / 3.0) * (c[0] + c[1] + c[2]) + Point3{0.0, standingHeight, 0.0};
    const EnclosureProbe p = probe(scene, all, eye);
    if (p.where == Surroundings::Enclosed && p.floorBelow && p.room > bestRoom) {
      best = eye;
      bestRoom = p.room;
    }
  }
  return best;
}

}  // namespace pw
