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

// Passages one flood may test before it goes on as the looser one: on a
// level whose open areas are cut into many small regions, each passage out
// of the source starts a walk over most of the level's passages, and a
// large level's floods would take minutes.
inline constexpr std::uint64_t kFloodTests = 50000;
// Passages the looser flood after it may test: it tests each passage
// against the ones it is entered from, once each.
inline constexpr std::uint64_t kLooseFloodTests = 50000;

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
  std::uint64_t floodTests = kFloodTests;  // before a flood goes on loosely
  // By passage `last`, from followsAt[last], a byte for each passage out of
  // the region `last` leads into, in that region's order: whether a sight
  // line may go on through it after `last` (it leads somewhere enterable,
  // and it and `last` pass the side tests), which does not depend on the
  // flood's source.
  std::vector<std::size_t> followsAt;
  std::vector<std::uint8_t> follows;

  // Whether a sight line may go on into `region`: not into the void when
  // it is sealed.
  bool enterable(std::uint32_t region) const { return !sealed || roles.roles[region] != RegionRole::Void; }
  // Whether it may go on after passage `last` through the `k`th passage out
  // of the region `last` leads into.
  bool mayFollow(std::uint32_t last, std::size_t k) const { return follows[followsAt[last] + k] != 0; }
};

// The corners of the part of `region` inside `box`.
std::vector<Point3> regionCorners(const EmptyRegion& region, const Bounds& box);

// A flood's source region as its tests see it: its corners inside the eye
// box, and whether a passage has one of them on its near side, worked out
// once for each passage a flood asks about. One at a time on a thread: the
// answers are kept per thread.
class FloodSource {
 public:
  FloodSource(const FloodLevel& level, std::uint32_t region);
  FloodSource(const FloodSource&) = delete;
  FloodSource& operator=(const FloodSource&) = delete;

  // Whether some corner lies on the near side of `passage`'s plane.
  bool cornerOnNearSide(std::uint32_t passage) const;

 private:
  const FloodLevel& level_;
  std::vector<Point3> corners_;
};

// Whether a flood from `source` may go on from passage `last`, crossed
// after `first`, through the `k`th passage out of the region `last` leads
// into.
bool mayGoOn(const FloodLevel& level, const FloodSource& source, std::uint32_t first, std::uint32_t last,
             std::size_t k);

// Calls `see` with the index of each Space the regions reached from
// `source` show, some more than once. A flood that would test too many
// passages goes on as a looser one, which tests each passage against the
// one before and the source alone; false, with only some Spaces seen, when
// that too would test too many (the caller then takes every Space). Work
// space is kept per thread.
bool floodFrom(const FloodLevel& level, std::uint32_t source, const std::function<void(std::size_t)>& see);

// The same for the sight lines that leave the region through passage
// `first` alone (the region's own Spaces left out).
bool floodThrough(const FloodLevel& level, std::uint32_t first, const std::function<void(std::size_t)>& see);

// Calls `see` with the Spaces region `region` shows.
void showRegion(const SightGraph& graph, std::uint32_t region, const std::function<void(std::size_t)>& see);

}  // namespace pw
