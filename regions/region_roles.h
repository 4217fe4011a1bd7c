// What each empty region of the sight graph (sight_graph.h) is to the
// visible sets: a source, where a player stands among walls that face him,
// or no source, where an eye gets no restriction from the sets.
//
// A region that sees more of the triangles on its faces from behind than
// from the front, or that lies on the cells' bounds with no triangle facing
// into it, is void: inside solid or beyond the level's walls. A region from
// which some chain of sight passages reaches the bounds is open: it sees out
// of the level, through a hole, into the void around it. Every other region
// is a source. A level leaks when some region that is not void is open.
//
// Sealed (`--seal`), the void is taken as opaque, as if every hole out of the
// level were covered (the sky a level was exported without): open regions
// are sources too, and no sight line enters the void.
#pragma once

#include <cstdint>
#include <vector>

#include "regions/sight_graph.h"

namespace pw {

enum class RegionRole : std::uint8_t { Source, Open, Void };

struct RegionRoles {
  std::vector<RegionRole> roles;  // by region
  std::uint64_t open = 0;
  std::uint64_t voids = 0;
  bool leaks() const { return open != 0; }
  // Whether region `region` is the source of a set, with the void sealed
  // or not.
  bool isSource(std::uint32_t region, bool sealed) const {
    return roles[region] == RegionRole::Source || (sealed && roles[region] == RegionRole::Open);
  }
};

RegionRoles findRegionRoles(const SightGraph& graph);

}  // namespace pw
