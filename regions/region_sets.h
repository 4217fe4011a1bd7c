// The visible sets of a level (cells/visible_sets.h) from its empty regions:
// a Space's row is the union of the sets of its source regions
// (region_roles.h), each the Spaces the fast flood from it (sight_flood.h)
// or the portal flow (portal_flow.h) reaches.
#pragma once

#include <cstdint>
#include <functional>

#include "cells/visible_sets.h"
#include "geometry/bounds.h"
#include "regions/sight_flood.h"
#include "regions/sight_graph.h"

namespace pw {

struct SetsRequest {
  bool full = false;    // portal flow (portal_flow.h), else the fast flood
  bool sealed = false;  // the void is opaque (region_roles.h)
  // Seconds the portal flow may take in all (0: no bound); the source
  // regions it has not finished by then keep their fast sets.
  double fullSeconds = 0.0;
  unsigned threads = 0;  // 0: one per core; the result does not depend on it
  // Passages a source's fast flood may test before it goes on as the
  // looser one (sight_flood.h).
  std::uint64_t floodTests = kFloodTests;
  // Called now and then with the regions done and their count.
  std::function<void(std::uint64_t, std::uint64_t)> progress;
};

// What the sets found about the level's regions.
struct SetsReport {
  std::uint64_t regions = 0;
  std::uint64_t sources = 0;
  std::uint64_t open = 0;   // seeing out of the level
  std::uint64_t voids = 0;  // inside solid or beyond the walls
  // Source regions whose portal flow ran out of steps or time: they keep
  // their fast sets.
  std::uint64_t cutShort = 0;
  // Source regions whose fast flood gave up: they see every Space.
  std::uint64_t floodsGaveUp = 0;
};

// The sets of the level whose sight graph is `graph`, for an eye in `eyeBox`.
VisibleSets findVisibleSets(const SightGraph& graph, const Bounds& eyeBox, const SetsRequest& request,
                            SetsReport& report);

}  // namespace pw
