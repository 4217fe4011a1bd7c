#include "cells/visible_sets.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <unordered_map>

#include "bsp/bsp_node.h"
#include "cells/cell_faces.h"
#include "cells/open_links.h"
#include "portal/portal.h"
#include "support/worker_pool.h"

namespace pw {
namespace {

// Slack of the side tests: corners come from single-precision vertices and
// planes are fitted to them, so a point on an opening may lie off its plane by
// more than the plane tolerance. Too much slack only keeps more Spaces.
constexpr double kSideSlack = 4.0 * kPlaneTolerance;

struct Opening {
  std::uint32_t from = 0;  // Space number less one
  std::uint32_t to = 0;
  // Its normal points into `from`; unset for an opening of slivers only,
  // whose plane cannot be told and whose side tests therefore all pass.
  bool hasPlane = false;
  Plane plane;
  std::vector<Point3> corners;
};

// Whether some point lies more than `height` in front of `plane` (a
// negative height: less than that far behind it).
bool anyAbove(const Plane& plane, const std::vector<Point3>& points, double height) {
  return std::any_of(points.begin(), points.end(), [&](const Point3& p) { return plane.distance(p) > height; });
}

bool anyBelow(const Plane& plane, const std::vector<Point3>& points, double height) {
  return std::any_of(points.begin(), points.end(), [&](const Point3& p) { return plane.distance(p) < height; });
}

// A point of `points` on the near (from) side of `later`.
bool reachesNearSide(const std::vector<Point3>& points, const Opening& later) {
  return !later.hasPlane || anyAbove(later.plane, points, -kSideSlack);
}

// Whether a sight line could cross `earlier` and then `later`.
bool canFollow(const Opening& earlier, const Opening& later) {
  const bool beyond = !earlier.hasPlane || anyBelow(earlier.plane, later.corners, kSideSlack);
  return beyond && reachesNearSide(earlier.corners, later);
}

// The part of `polygon` inside `box`, grown by the slack, its corners
// appended to `corners`.
void appendInside(const Polygon& polygon, const Bounds& box, std::vector<Point3>& corners) {
  const Point3 low = box.min - Point3{kSideSlack, kSideSlack, kSideSlack};
  const Point3 high = box.max + Point3{kSideSlack, kSideSlack, kSideSlack};
  Polygon inside = polygon;
  for (const Point3& axis : {Point3{1.0, 0.0, 0.0}, Point3{0.0, 1.0, 0.0}, Point3{0.0, 0.0, 1.0}}) {
    inside = clipToFront(inside, {axis, low});
    inside = clipToFront(inside, {-1.0 * axis, high});
  }
  corners.insert(corners.end(), inside.begin(), inside.end());
}

// The corners of a Space's cell, or of its part inside `box`.
std::vector<Point3> cellCorners(const CellFaces& cells, std::uint32_t space, const Bounds* box = nullptr) {
  std::vector<Point3> corners;
  for (const std::uint32_t face : cells.facesOfSpace[space]) {
    const Polygon& polygon = cells.faces[face].polygon;
    if (box != nullptr) {
      appendInside(polygon, *box, corners);
    } else {
      corners.insert(corners.end(), polygon.begin(), polygon.end());
    }
  }
  return corners;
}

// A designed fragment's plane from its area vector, turned to face the cell
// it leads out of (that cell lies wholly on one side of it).
Opening fragmentOpening(const Portal& fragment, std::uint32_t from, const Point3& cellCentre, const Bounds& box) {
  Opening opening;
  opening.from = from;
  opening.to = static_cast<std::uint32_t>(spaceIndex(*fragment.target()));
  Point3 area;
  for (const PortalTriangle& t : fragment.triangles()) {
    const Polygon corners(t.vertices.begin(), t.vertices.end());
    area = area + areaVector(corners);
    appendInside(corners, box, opening.corners);
  }
  if (dot(area, area) > 0.0) {
    opening.hasPlane = true;
    opening.plane = {area.normalized(), fragment.triangles().front().vertices[0]};
    if (opening.plane.distance(cellCentre) < 0.0) opening.plane = opening.plane.flipped();
  }
  return opening;
}

Opening linkOpening(const OpenLink& link, const Bounds& box) {
  Opening opening{.from = static_cast<std::uint32_t>(spaceIndex(*link.from)),
                  .to = static_cast<std::uint32_t>(spaceIndex(*link.to)),
                  .hasPlane = true,
                  .plane = link.plane,
                  .corners = {}};
  for (const FlatTriangle& t : link.triangles) appendInside(Polygon(t.begin(), t.end()), box, opening.corners);
  return opening;
}

// The openings a frame may follow, without those wholly outside `box`.
std::vector<Opening> collectOpenings(const std::vector<const BspNode*>& spaces, const CellFaces& cells,
                                     const OpenLinks& links, const Bounds& box) {
  std::vector<Opening> openings;
  const auto keep = [&openings](Opening opening) {
    if (!opening.corners.empty()) openings.push_back(std::move(opening));
  };
  for (const BspNode* space : spaces) {
    const auto from = static_cast<std::uint32_t>(spaceIndex(*space));
    const Point3 centre = cornerMean(cellCorners(cells, from));
    for (const Portal* fragment : space->portals) {
      if (fragment->target() != nullptr) keep(fragmentOpening(*fragment, from, centre, box));
    }
  }
  for (const OpenLink& link : links.links) keep(linkOpening(link, box));
  return openings;
}

// The Spaces some chain of openings leads to from `source`, itself included.
std::vector<std::uint32_t> reachableSpaces(std::uint32_t source, const std::vector<Opening>& openings,
                                           const std::vector<std::vector<std::uint32_t>>& openingsFrom) {
  std::vector<bool> reached(openingsFrom.size());
  std::vector<std::uint32_t> spaces{source};
  reached[source] = true;
  for (std::size_t i = 0; i < spaces.size(); ++i) {
    for (const std::uint32_t opening : openingsFrom[spaces[i]]) {
      const std::uint32_t next = openings[opening].to;
      if (!reached[next]) {
        reached[next] = true;
        spaces.push_back(next);
      }
    }
  }
  return spaces;
}

// Side tests one Space's flood may make before it settles for every Space
// its openings lead to: on cells whose faces reach far past the walls the
// flood keeps nearly all of them anyway, and a large level's floods would
// otherwise take minutes. Enough for the floods of generated levels of some
// 4k triangles to finish.
constexpr std::uint64_t kFloodTests = 50000;

// Floods from one Space: through each opening out of it, then on through the
// openings that can follow both the first one and the one just crossed and
// that the cell's points can stand in front of.
void floodFrom(std::uint32_t source, const CellFaces& cells, const std::vector<Opening>& openings,
               const std::vector<std::vector<std::uint32_t>>& openingsFrom, VisibleSets& sets) {
  const std::vector<Point3> corners = cellCorners(cells, source, &sets.eyeBox());
  // Whether the cell has a point on an opening's near side, worked out when
  // first asked: 0 not yet, 1 yes, 2 no.
  std::vector<std::uint8_t> standable(openings.size(), 0);
  const auto canStandBefore = [&](std::uint32_t opening) {
    if (standable[opening] == 0) standable[opening] = reachesNearSide(corners, openings[opening]) ? 1 : 2;
    return standable[opening] == 1;
  };
  std::vector<std::uint32_t> crossedFrom(openings.size(), std::numeric_limits<std::uint32_t>::max());
  std::vector<std::uint32_t> stack;
  // Once every Space the openings lead to at all is in the set, there is
  // nothing left to find.
  const std::vector<std::uint32_t> reachable = reachableSpaces(source, openings, openingsFrom);
  std::uint64_t found = 0;
  std::uint64_t tests = 0;
  const auto see = [&](std::uint32_t space) {
    if (!sets.sees(source + 1, space + 1)) {
      sets.add(source + 1, space + 1);
      ++found;
    }
  };
  see(source);
  for (const std::uint32_t first : openingsFrom[source]) {
    see(openings[first].to);
    stack.assign(1, first);
    while (!stack.empty() && found < reachable.size()) {
      const Opening& crossed = openings[stack.back()];
      stack.pop_back();
      for (const std::uint32_t next : openingsFrom[crossed.to]) {
        if (crossedFrom[next] == first) continue;
        if (++tests > kFloodTests) {
          for (const std::uint32_t space : reachable) see(space);
          return;
        }
        if (!canStandBefore(next) || !canFollow(openings[first], openings[next]) || !canFollow(crossed, openings[next])) {
          continue;
        }
        crossedFrom[next] = first;
        see(openings[next].to);
        stack.push_back(next);
      }
    }
  }
}

// Whether every fragment's twin, the same polygon the other way round, leads
// back out of its target: then every opening has its reverse.
bool fragmentsPaired(const std::vector<const BspNode*>& spaces) {
  std::unordered_map<const Portal*, const BspNode*> listedIn;
  for (const BspNode* space : spaces) {
    for (const Portal* fragment : space->portals) listedIn[fragment] = space;
  }
  return std::all_of(spaces.begin(), spaces.end(), [&listedIn](const BspNode* space) {
    return std::all_of(space->portals.begin(), space->portals.end(), [&](const Portal* fragment) {
      if (fragment->target() == nullptr) return true;
      const auto twin = listedIn.find(fragment->twin());
      return twin != listedIn.end() && twin->second == fragment->target() && fragment->twin()->target() == space;
    });
  });
}

// Keeps only the pairs that see each other. Sound where every opening has its
// reverse: a sight line from one cell into another, run backwards, crosses
// the same openings the other way, so true sight is mutual and lies in both
// rows.
void keepMutual(VisibleSets& sets) {
  for (std::uint64_t a = 1; a <= sets.spaces(); ++a) {
    for (std::uint64_t b = a + 1; b <= sets.spaces(); ++b) {
      if (sets.sees(a, b) != sets.sees(b, a)) {
        sets.remove(a, b);
        sets.remove(b, a);
      }
    }
  }
}

}  // namespace

std::uint64_t VisibleSets::count(std::uint64_t from) const {
  std::uint64_t seen = 0;
  for (std::uint64_t w = 0; w < wordsPerRow(spaces_); ++w) seen += std::popcount(words_[row(from) + w]);
  return seen;
}

VisibleSets computeVisibleSets(const Scene& scene, const BspNode& root, const CellFaces& cells,
                               const OpenLinks& links, unsigned threads) {
  const std::vector<const BspNode*> spaces = collectSpaces(root);
  VisibleSets sets(spaces.size(), levelBounds(scene));
  const std::vector<Opening> openings = collectOpenings(spaces, cells, links, sets.eyeBox());
  std::vector<std::vector<std::uint32_t>> openingsFrom(spaces.size());
  for (std::size_t i = 0; i < openings.size(); ++i) openingsFrom[openings[i].from].push_back(static_cast<std::uint32_t>(i));
  // Each Space writes its own row only; rows are whole words apart.
  WorkerPool pool(threads);
  pool.forEachSlice(spaces.size(), 1, [&](std::size_t begin, std::size_t end) {
    for (std::size_t source = begin; source < end; ++source) {
      floodFrom(static_cast<std::uint32_t>(source), cells, openings, openingsFrom, sets);
    }
  });
  if (links.links.empty() && fragmentsPaired(spaces)) keepMutual(sets);
  return sets;
}

}  // namespace pw
