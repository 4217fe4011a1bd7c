// The fast, conservative flood behind the visible sets: from a source region
// through the sight passages (sight_graph.h), keeping a passage only when a
// sight line could cross it after the ones before.
//
// A sight line from the source crosses a chain of passages p1, p2, ..., each
// from the side of the region it leaves; it crosses each plane once. So the
// next passage has a point beyond the plane of the one just crossed and of
// the first one, those have a point on the near side of the next one's
// plane, and the source region has a point on the near side of the next
// one's plane too. The flood keeps a passage only when it passes these tests
// (at the corners: a passage holds every crossing point in the hull of its
// own); a sight line passes them all, so every region it reaches is reached.
// A region reached shows the Spaces of its walls, and its own Space when
// that has a triangle on no wall (SightGraph::drawnWhenReached).
//
// The tests look only at the parts of regions and passages inside the eye
// box: a sight line from an eye there to any surface stays in the box.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "geometry/bounds.h"
#include "geometry/plane.h"
#include "regions/region_roles.h"
#include "regions/sight_graph.h"

namespace pw {

// Slack of the side tests: corners come from single-precision vertices and
// planes are fitted to them, so a point on a passage may lie off its plane by
// more than the plane tolerance. Too much slack only keeps more.
inline constexpr double kSideSlack = 4.0 * kPlaneTolerance;

// A sight passage as the floods test it.
struct FloodPassage {
  Plane plane;                 // facing into the region it leads out of
  std::vector<Point3> corners; // its corners inside the eye box; none: it leads nowhere
};

// What every flood of one level shares; read only once made.
struct FloodLevel {
  FloodLevel(const SightGraph& graph, const RegionRoles& roles, const Bounds& eyeBox, bool sealed);

  const SightGraph& graph;
  const RegionRoles& roles;
  Bounds eyeBox;
  bool sealed;
  std::vector<FloodPassage> passages;  // by sight passage

  // Whether a sight line may go on into `region`: not into the void when
  // it is sealed.
  bool enterable(std::uint32_t region) const { return !sealed || roles.roles[region] != RegionRole::Void; }
};

// The corners of the part of `region` inside `box`.
std::vector<Point3> regionCorners(const EmptyRegion& region, const Bounds& box);

// Whether a flood from a region with corners `corners` may go on from
// passage `last`, crossed after `first`, through passage `next`.
bool mayGoOn(const FloodLevel& level, const std::vector<Point3>& corners, std::uint32_t first, std::uint32_t last,
             std::uint32_t next);

// Calls `see` with the index of each Space the regions reached from
// `source` show, some more than once; false, with only some of them seen,
// when the flood would test too many passages (the caller then takes every
// Space). Work space is kept per thread.
bool floodFrom(const FloodLevel& level, std::uint32_t source, const std::function<void(std::size_t)>& see);

// The same for the sight lines that leave the region through passage
// `first` alone (the region's own Spaces left out).
bool floodThrough(const FloodLevel& level, std::uint32_t first, const std::function<void(std::size_t)>& see);

// Calls `see` with the Spaces region `region` shows.
void showRegion(const SightGraph& graph, std::uint32_t region, const std::function<void(std::size_t)>& see);

}  // namespace pw
