// The visible sets of a level (cells/visible_sets.h) from its empty regions:
// a Space's row is the union of the sets of its source regions
// (region_roles.h), each the Spaces the flood from it (sight_flood.h)
// reaches.
#pragma once

#include <cstdint>

#include "cells/visible_sets.h"
#include "geometry/bounds.h"
#include "regions/sight_graph.h"

namespace pw {

struct SetsRequest {
  bool sealed = false;  // the void is opaque (region_roles.h)
  unsigned threads = 0;  // 0: one per core; the result does not depend on it
};

// What the sets found about the level's regions.
struct SetsReport {
  std::uint64_t regions = 0;
  std::uint64_t sources = 0;
  std::uint64_t open = 0;   // seeing out of the level
  std::uint64_t voids = 0;  // inside solid or beyond the walls
};

// The sets of the level whose sight graph is `graph`, for an eye in `eyeBox`.
VisibleSets findVisibleSets(const SightGraph& graph, const Bounds& eyeBox, const SetsRequest& request,
                            SetsReport& report);

}  // namespace pw
