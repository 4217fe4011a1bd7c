#include "regions/leak_search.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <queue>
#include <utility>

#include "bsp/bsp_node.h"

namespace pw {
namespace {

constexpr std::uint32_t kFromInside = std::numeric_limits<std::uint32_t>::max();

double distance(const Point3& a, const Point3& b) { return std::sqrt(dot(b - a, b - a)); }

}  // namespace

LeakTrail findLeakTrail(const Scene& scene, const BspNode& root, const LeakGraph& regions, const Point3& inside) {
  LeakTrail trail;
  trail.carvingFallbacks = regions.carvingFallbacks;
  if (!regions.bounds.contains(inside)) {
    trail.path = {inside};
    trail.outsideBounds = true;
    return trail;
  }
  // The Space's region that holds the point; on a face between two, either.
  const std::vector<std::uint32_t>& candidates = regions.regionsOfSpace[spaceIndex(locateSpace(scene, root, inside))];
  if (candidates.empty()) return trail;
  const std::uint32_t start = *std::max_element(candidates.begin(), candidates.end(), [&](std::uint32_t a, std::uint32_t b) {
    return regions.regions[a].depthOf(inside) < regions.regions[b].depthOf(inside);
  });

  // Stops are the joins (0 .. J-1) and the regions' exits (J + region): a
  // path goes from stop to stop through the regions between them.
  const std::size_t joinCount = regions.joins.size();
  const auto stopPoint = [&](std::uint32_t stop) {
    return stop < joinCount ? regions.joins[stop].centre : *regions.regions[stop - joinCount].exit;
  };
  std::vector<double> reached(joinCount + regions.regions.size(), std::numeric_limits<double>::infinity());
  std::vector<std::uint32_t> previous(reached.size(), kFromInside);
  using Entry = std::pair<double, std::uint32_t>;
  std::priority_queue<Entry, std::vector<Entry>, std::greater<>> queue;
  const auto leaveRegion = [&](std::uint32_t region, std::uint32_t from, const Point3& at, double sofar) {
    const LeakRegion& r = regions.regions[region];
    const auto offer = [&](std::uint32_t stop) {
      const double length = sofar + distance(at, stopPoint(stop));
      if (length >= reached[stop]) return;
      reached[stop] = length;
      previous[stop] = from;
      queue.push({length, stop});
    };
    for (const std::uint32_t join : r.joins) offer(join);
    if (r.exit) offer(static_cast<std::uint32_t>(joinCount + region));
  };
  leaveRegion(start, kFromInside, inside, 0.0);
  while (!queue.empty()) {
    const auto [length, stop] = queue.top();
    queue.pop();
    if (length > reached[stop]) continue;
    if (stop >= joinCount) {
      for (std::uint32_t at = stop; at != kFromInside; at = previous[at]) {
        trail.path.push_back(stopPoint(at));
        trail.passages += at < joinCount ? 1 : 0;
        trail.uncertain = trail.uncertain || (at < joinCount && regions.joins[at].carvedWhole);
      }
      trail.path.push_back(inside);
      std::reverse(trail.path.begin(), trail.path.end());
      return trail;
    }
    for (const std::uint32_t region : regions.joins[stop].regions) leaveRegion(region, stop, stopPoint(stop), length);
  }
  return trail;
}

}  // namespace pw
