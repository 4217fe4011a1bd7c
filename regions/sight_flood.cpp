#include "regions/sight_flood.h"

#include <algorithm>
#include <cmath>
#include <span>

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
  followsAt.reserve(passages.size());
  for (std::uint32_t last = 0; last < passages.size(); ++last) {
    followsAt.push_back(follows.size());
    for (const std::uint32_t next : graph.regions[graph.sightPassages[last].to].sightPassages) {
      follows.push_back(!passages[next].corners.empty() && enterable(graph.sightPassages[next].to) &&
                        canFollow(passages[last], passages[next]));
    }
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

namespace {

// By passage, what FloodSource::cornerOnNearSide answered for the source of this
// thread's flood: 0 not asked yet, 1 no, 2 yes. Answers of earlier sources
// carry an older stamp.
struct SourceSides {
  std::vector<std::uint64_t> stamps;
  std::vector<std::uint8_t> answers;
  std::uint64_t now = 0;
};
thread_local SourceSides sourceSides;

}  // namespace

FloodSource::FloodSource(const FloodLevel& level, std::uint32_t region)
    : level_(level), corners_(regionCorners(level.graph.regions[region], level.eyeBox)) {
  if (sourceSides.stamps.size() < level.passages.size()) {
    sourceSides.stamps.resize(level.passages.size(), 0);
    sourceSides.answers.resize(level.passages.size(), 0);
  }
  ++sourceSides.now;
}

bool FloodSource::cornerOnNearSide(std::uint32_t passage) const {
  if (sourceSides.stamps[passage] != sourceSides.now) {
    sourceSides.stamps[passage] = sourceSides.now;
    sourceSides.answers[passage] = anyAbove(level_.passages[passage].plane, corners_, -kSideSlack) ? 2 : 1;
  }
  return sourceSides.answers[passage] == 2;
}

namespace {

// mayGoOn without the test against the chain's first passage.
bool mayGoOnLoosely(const FloodLevel& level, const FloodSource& source, std::uint32_t last, std::size_t k) {
  return level.mayFollow(last, k) &&
         source.cornerOnNearSide(level.graph.regions[level.graph.sightPassages[last].to].sightPassages[k]);
}

}  // namespace

bool mayGoOn(const FloodLevel& level, const FloodSource& source, std::uint32_t first, std::uint32_t last,
             std::size_t k) {
  const std::uint32_t next = level.graph.regions[level.graph.sightPassages[last].to].sightPassages[k];
  return mayGoOnLoosely(level, source, last, k) && canFollow(level.passages[first], level.passages[next]);
}

namespace {

// Crosses each of the passages `firsts` that leads somewhere enterable, and
// on from them through each passage that `goOn(last, k)` lets through after
// `last`, each passage once; `reach` shows a region. False once
// `testsLeft` ran out.
template <class GoOn, class Reach>
bool crossOnward(const FloodLevel& level, std::span<const std::uint32_t> firsts, std::uint64_t& testsLeft,
                 GoOn&& goOn, Reach&& reach) {
  const SightGraph& graph = level.graph;
  thread_local Stamps crossed;
  thread_local std::vector<std::uint32_t> stack;
  crossed.start(level.passages.size());
  stack.clear();
  for (const std::uint32_t first : firsts) {
    if (level.passages[first].corners.empty() || !level.enterable(graph.sightPassages[first].to)) continue;
    crossed.set(first);
    reach(graph.sightPassages[first].to);
    stack.push_back(first);
  }
  while (!stack.empty()) {
    const std::uint32_t last = stack.back();
    stack.pop_back();
    const std::vector<std::uint32_t>& onward = graph.regions[graph.sightPassages[last].to].sightPassages;
    for (std::size_t k = 0; k < onward.size(); ++k) {
      const std::uint32_t next = onward[k];
      if (crossed.marks[next] == crossed.now) continue;
      if (testsLeft-- == 0) return false;
      if (!goOn(last, k)) continue;
      crossed.set(next);
      reach(graph.sightPassages[next].to);
      stack.push_back(next);
    }
  }
  return true;
}

// The flood through `first` from `source`; `reach` shows a region. False
// once `testsLeft` ran out.
template <class Reach>
bool floodPassage(const FloodLevel& level, const FloodSource& source, std::uint32_t first,
                  std::uint64_t& testsLeft, Reach&& reach) {
  return crossOnward(
      level, std::span(&first, 1), testsLeft,
      [&](std::uint32_t last, std::size_t k) { return mayGoOn(level, source, first, last, k); }, reach);
}

// Where the flood from `region` gave up, the looser one that tests each
// passage against the one before and the source region alone: a sight line
// passes those tests too, and the flood may then cross each passage once,
// whatever the chain's first, so one walk serves every passage out of the
// source. Its regions hold every region the full tests would reach, so it
// adds to what the flood reached before it gave up. False once it would
// test more than kLooseFloodTests passages.
template <class Reach>
bool looseFlood(const FloodLevel& level, const FloodSource& source, std::uint32_t region, Reach&& reach) {
  std::uint64_t testsLeft = kLooseFloodTests;
  return crossOnward(
      level, level.graph.regions[region].sightPassages, testsLeft,
      [&](std::uint32_t last, std::size_t k) { return mayGoOnLoosely(level, source, last, k); }, reach);
}

}  // namespace

bool floodFrom(const FloodLevel& level, std::uint32_t source, const std::function<void(std::size_t)>& see) {
  const SightGraph& graph = level.graph;
  const FloodSource from(level, source);
  thread_local Stamps shown;
  shown.start(graph.regions.size());
  const auto reach = [&](std::uint32_t region) {
    if (shown.set(region)) showRegion(graph, region, see);
  };
  reach(source);
  std::uint64_t testsLeft = level.floodTests;
  for (const std::uint32_t first : graph.regions[source].sightPassages) {
    if (!floodPassage(level, from, first, testsLeft, reach)) return looseFlood(level, from, source, reach);
  }
  return true;
}

bool floodThrough(const FloodLevel& level, std::uint32_t first, const std::function<void(std::size_t)>& see) {
  const SightGraph& graph = level.graph;
  const FloodSource from(level, graph.sightPassages[first].from);
  thread_local Stamps shown;
  shown.start(graph.regions.size());
  std::uint64_t testsLeft = level.floodTests;
  return floodPassage(level, from, first, testsLeft, [&](std::uint32_t region) {
    if (shown.set(region)) showRegion(graph, region, see);
  });
}

}  // namespace pw
