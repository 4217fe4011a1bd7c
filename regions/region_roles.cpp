#include "regions/region_roles.h"

namespace pw {
namespace {

bool isVoid(const SightGraph& graph, const SightRegion& region) {
  double frontArea = 0.0;
  for (const std::uint32_t w : region.walls) frontArea += graph.walls[w].area;
  return region.backArea > frontArea || (region.onBounds && frontArea == 0.0);
}

}  // namespace

RegionRoles findRegionRoles(const SightGraph& graph) {
  const std::size_t count = graph.regions.size();
  // The passages turned round: a region is open when one of those leading
  // out of it ends in an open region.
  std::vector<std::vector<std::uint32_t>> ledInto(count);
  for (const SightPassage& passage : graph.sightPassages) ledInto[passage.to].push_back(passage.from);
  std::vector<bool> seesOut(count, false);
  std::vector<std::uint32_t> frontier;
  for (std::uint32_t r = 0; r < count; ++r) {
    if (graph.regions[r].onBounds) {
      seesOut[r] = true;
      frontier.push_back(r);
    }
  }
  while (!frontier.empty()) {
    const std::uint32_t region = frontier.back();
    frontier.pop_back();
    for (const std::uint32_t from : ledInto[region]) {
      if (!seesOut[from]) {
        seesOut[from] = true;
        frontier.push_back(from);
      }
    }
  }
  RegionRoles roles;
  roles.roles.resize(count, RegionRole::Source);
  for (std::uint32_t r = 0; r < count; ++r) {
    if (isVoid(graph, graph.regions[r])) {
      roles.roles[r] = RegionRole::Void;
      ++roles.voids;
    } else if (seesOut[r]) {
      roles.roles[r] = RegionRole::Open;
      ++roles.open;
    }
  }
  return roles;
}

}  // namespace pw
