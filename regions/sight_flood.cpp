#include "regions/sight_flood.h"

#include <algorithm>
#include <cmath>

#include "bsp/bsp_node.h"
#include "geometry/polygon.h"

namespace pw {
namespace {

// The box grown by the slack, as six planes facing in.
std::vector<Plane> boxSides(const Bounds& box) {
  const Point3 slack{kSideSlack, kSideSlack, kSideSlack};
  const Point3 low = box.min - slack;
  const Point3 high = box.max + slack;
  std::vector<Plane> sides;
  for (const Point3& axis : {Point3{1.0, 0.0, 0.0}, Point3{0.0, 1.0, 0.0}, Point3{0.0, 0.0, 1.0}}) {
    sides.push_back({axis, low});
    sides.push_back({-1.0 * axis, high});
  }
  return sides;
}

// The corners of `polygon` clipped to the front of every plane of `sides`.
void appendClipped(Polygon polygon, const std::vector<Plane>& sides, std::vector<Point3>& corners) {
  for (const Plane& side : sides) {
    if (polygon.size() < 3) return;
    polygon = clipToFront(polygon, side);
  }
  if (polygon.size() >= 3) corners.insert(corners.end(), polygon.begin(), polygon.end());
}

// Stamps per thread: an entry equal to the current stamp was set by this
// flood (or this chain), so nothing is cleared between floods.
struct Stamps {
  std::vector<std::uint64_t> marks;
  std::uint64_t now = 0;
  void start(std::size_t size) {
    if (marks.size() < size) marks.resize(size, 0);
    ++now;
  }
  bool set(std::size_t i) {
    if (marks[i] == now) return false;
    marks[i] = now;
    return true;
  }
};

// Whether some point lies more than `height` in front of `plane` (a
// negative height: less than that far behind it).
bool anyAbove(const Plane& plane, const std::vector<Point3>& points, double height) {
  return std::any_of(points.begin(), points.end(), [&](const Point3& p) { return plane.distance(p) > height; });
}

// Whether some point lies less than `height` in front of `plane`.
bool anyBelow(const Plane& plane, const std::vector<Point3>& points, double height) {
  return std::any_of(points.begin(), points.end(), [&](const Point3& p) { return plane.distance(p) < height; });
}

// Whether a sight line could cross `earlier` and then `later`: `later` has a
// point beyond `earlier`'s plane, and `earlier` one on the near side of
// `later`'s.
bool canFollow(const FloodPassage& earlier, const FloodPassage& later) {
  return anyBelow(earlier.plane, later.corners, kSideSlack) && anyAbove(later.plane, earlier.corners, -kSideSlack);
}

}  // namespace

FloodLevel::FloodLevel(const SightGraph& graphIn, const RegionRoles& rolesIn, const Bounds& box, bool sealedIn)
    : graph(graphIn), roles(rolesIn), eyeBox(box), sealed(sealedIn) {
  const std::vector<Plane> sides = boxSides(box);
  passages.reserve(graph.sightPassages.size());
  for (const SightPassage& passage : graph.sightPassages) {
    FloodPassage flood{passage.view.plane, {}};
    for (const FlatTriangle& t : passage.view.triangles) appendClipped(Polygon(t.begin(), t.end()), sides, flood.corners);
    passages.push_back(std::move(flood));
  }
}

std::vector<Point3> regionCorners(const EmptyRegion& region, const Bounds& box) {
  std::vector<Plane> sides = boxSides(box);
  sides.insert(sides.end(), region.sides.begin(), region.sides.end());
  const Point3 centre = 0.5 * (box.min + box.max);
  const Point3 extent = box.max - box.min;
  // Larger than the box seen from any plane through it.
  const double halfSide = std::sqrt(dot(extent, extent)) + 1.0;
  std::vector<Point3> corners;
  for (std::size_t i = 0; i < sides.size(); ++i) {
    std::vector<Plane> others = sides;
    others.erase(others.begin() + static_cast<std::ptrdiff_t>(i));
    appendClipped(squareOnPlane(sides[i], centre, halfSide), others, corners);
  }
  return corners;
}

void showRegion(const SightGraph& graph, std::uint32_t region, const std::function<void(std::size_t)>& see) {
  const SightRegion& reached = graph.regions[region];
  const std::size_t own = spaceIndex(*reached.space);
  if (graph.drawnWhenReached[own]) see(own);
  for (const std::uint32_t w : reached.walls) see(spaceIndex(*graph.walls[w].to));
}

bool mayGoOn(const FloodLevel& level, const std::vector<Point3>& corners, std::uint32_t first, std::uint32_t last,
             std::uint32_t next) {
  const FloodPassage& nextPassage = level.passages[next];
  return !nextPassage.corners.empty() && level.enterable(level.graph.sightPassages[next].to) &&
         anyAbove(nextPassage.plane, corners, -kSideSlack) && canFollow(level.passages[first], nextPassage) &&
         canFollow(level.passages[last], nextPassage);
}

namespace {

// Passages one flood may test before it gives up: on a level whose open
// areas are cut into many small regions, each passage out of the source
// starts a walk over most of the level's passages, and a large level's
// floods would take minutes.
constexpr std::uint64_t kFloodTests = 50000;

// The flood through `first` from a region with corners `corners`; `reach`
// shows a region. False once `testsLeft` ran out.
template <class Reach>
bool floodPassage(const FloodLevel& level, const std::vector<Point3>& corners, std::uint32_t first,
                  std::uint64_t& testsLeft, Reach&& reach) {
  const SightGraph& graph = level.graph;
  if (level.passages[first].corners.empty() || !level.enterable(graph.sightPassages[first].to)) return true;
  thread_local Stamps crossed;
  thread_local std::vector<std::uint32_t> stack;
  reach(graph.sightPassages[first].to);
  crossed.start(level.passages.size());
  crossed.set(first);
  stack.assign(1, first);
  while (!stack.empty()) {
    const std::uint32_t last = stack.back();
    stack.pop_back();
    for (const std::uint32_t next : graph.regions[graph.sightPassages[last].to].sightPassages) {
      if (crossed.marks[next] == crossed.now) continue;
      if (testsLeft-- == 0) return false;
      if (!mayGoOn(level, corners, first, last, next)) continue;
      crossed.set(next);
      reach(graph.sightPassages[next].to);
      stack.push_back(next);
    }
  }
  return true;
}

}  // namespace

bool floodFrom(const FloodLevel& level, std::uint32_t source, const std::function<void(std::size_t)>& see) {
  const SightGraph& graph = level.graph;
  const std::vector<Point3> corners = regionCorners(graph.regions[source], level.eyeBox);
  thread_local Stamps shown;
  shown.start(graph.regions.size());
  const auto reach = [&](std::uint32_t region) {
    if (shown.set(region)) showRegion(graph, region, see);
  };
  reach(source);
  std::uint64_t testsLeft = kFloodTests;
  for (const std::uint32_t first : graph.regions[source].sightPassages) {
    if (!floodPassage(level, corners, first, testsLeft, reach)) return false;
  }
  return true;
}

bool floodThrough(const FloodLevel& level, std::uint32_t first, const std::function<void(std::size_t)>& see) {
  const SightGraph& graph = level.graph;
  const std::vector<Point3> corners = regionCorners(graph.regions[graph.sightPassages[first].from], level.eyeBox);
  thread_local Stamps shown;
  shown.start(graph.regions.size());
  std::uint64_t testsLeft = kFloodTests;
  return floodPassage(level, corners, first, testsLeft, [&](std::uint32_t region) {
    if (shown.set(region)) showRegion(graph, region, see);
  });
}

}  // namespace pw
