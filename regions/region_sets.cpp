#include "regions/region_sets.h"

#include "regions/region_roles.h"
#include "regions/sight_flood.h"
#include "support/worker_pool.h"

namespace pw {
namespace {

// Which of the Space's regions are sources: when only some are, those or
// the others, whichever have fewer sides.
SpaceEyes eyesOf(const SightGraph& graph, const RegionRoles& roles, const std::vector<std::uint32_t>& regions,
                 bool sealed) {
  std::vector<ConvexSides> lists[2];  // the sources, the others
  std::size_t sides[2] = {0, 0};
  for (const std::uint32_t region : regions) {
    const int list = roles.isSource(region, sealed) ? 0 : 1;
    lists[list].push_back(graph.regions[region].sides);
    sides[list] += graph.regions[region].sides.size();
  }
  if (lists[1].empty()) return {SpaceSources::All, {}};
  if (lists[0].empty()) return {SpaceSources::None, {}};
  if (sides[0] <= sides[1]) return {SpaceSources::OnlyThe, std::move(lists[0])};
  return {SpaceSources::AllBut, std::move(lists[1])};
}

}  // namespace

VisibleSets findVisibleSets(const SightGraph& graph, const Bounds& eyeBox, const SetsRequest& request,
                            SetsReport& report) {
  const RegionRoles roles = findRegionRoles(graph);
  const std::size_t spaces = graph.regionsOfSpace.size();
  VisibleSets sets(spaces, eyeBox);
  sets.making.sealed = request.sealed;
  const FloodLevel level(graph, roles, eyeBox, request.sealed);
  // Each Space writes its own row only; rows are whole words apart.
  WorkerPool pool(request.threads);
  pool.forEachSlice(spaces, 1, [&](std::size_t begin, std::size_t end) {
    for (std::size_t space = begin; space < end; ++space) {
      const std::vector<std::uint32_t>& regions = graph.regionsOfSpace[space];
      sets.eyes(space + 1) = eyesOf(graph, roles, regions, request.sealed);
      for (const std::uint32_t region : regions) {
        if (!roles.isSource(region, request.sealed)) continue;
        floodFrom(level, region, [&](std::size_t seen) { sets.add(space + 1, seen + 1); });
      }
    }
  });
  report.regions = graph.regions.size();
  report.open = roles.open;
  report.voids = roles.voids;
  for (std::uint32_t r = 0; r < graph.regions.size(); ++r) report.sources += roles.isSource(r, request.sealed);
  return sets;
}

}  // namespace pw
