#include "regions/leak_graph.h"

#include <algorithm>

#include "regions/region_cut.h"

namespace pw {
namespace {

// The part of `overlap`, on a face of `region` whose inward normal is
// `inward`, where the region reaches at least kSliverWidth across the face:
// each side the region ends at, seen along `inward`, clipped that far in.
// Two planes of one wall, each carried across a cell from the small
// triangle it comes from, part by rounding and leave a wedge between them,
// thin where the wall is and wider far off; a region's way in through the
// thin end is a crack, not a passage, as a region thinner than a sliver is.
Polygon reachingAcross(Polygon overlap, const EmptyRegion& region, const Point3& inward) {
  for (const Plane& side : region.sides) {
    const double facing = dot(side.normal, inward);
    if (facing >= 0.0 || overlap.size() < 3) continue;
    overlap = clipToFront(overlap, {side.normal, side.anchor + (-facing * kSliverWidth) * side.normal});
  }
  return overlap;
}

Point3 centroid(const FlatTriangle& t) { return (1.0 / 3.0) * (t[0] + t[1] + t[2]); }

class LeakGraphBuilder {
 public:
  LeakGraphBuilder(const RegionCut& cut, LeakGraph& graph) : cut_(cut), graph_(graph) {}

  // The regions must be in the graph already.
  void run() {
    cut_.forEachSurface([&](const Surface& surface, std::span<const SurfaceFace> faces) {
      std::optional<std::vector<Cutout>> cutouts;  // found when first wanted
      forEachOverlap(faces, [&](const SurfaceFace& front, const SurfaceFace& behind, const Polygon& overlap) {
        if (!cutouts) cutouts = cut_.cutoutsOn(surface);
        const Polygon passage = reachingAcross(reachingAcross(overlap, graph_.regions[front.region],
                                                              surface.plane.normal),
                                               graph_.regions[behind.region], -1.0 * surface.plane.normal);
        if (passage.size() < 3 || polygonWidth(passage) < kSliverWidth) return;
        const std::uint64_t fallbacks = graph_.carvingFallbacks;
        std::optional<Point3> centre = uncoveredPoint(passage, *cutouts, surface.plane.normal);
        if (!centre) return;
        const auto join = static_cast<std::uint32_t>(graph_.joins.size());
        graph_.joins.push_back({{front.region, behind.region}, *centre, graph_.carvingFallbacks != fallbacks});
        graph_.regions[front.region].joins.push_back(join);
        graph_.regions[behind.region].joins.push_back(join);
      });
    });
  }

 private:
  // A point of `overlap` that no cutout covers, facing either way: the
  // centroid of the largest uncovered triangle, or the overlap's corner mean
  // when no cutout is near.
  std::optional<Point3> uncoveredPoint(const Polygon& overlap, const std::vector<Cutout>& cutouts,
                                       const Point3& normal) {
    const Bounds box = boundsOf(overlap);
    std::vector<const Polygon*> near;
    for (const Cutout& cutout : cutouts) {
      if (box.meets(cutout.box)) near.push_back(&cutout.polygon);
    }
    const Difference open = uncoveredPart(carver_, overlap, near, normal);
    if (open.fellBack) ++graph_.carvingFallbacks;
    if (open.triangles.empty()) return std::nullopt;
    if (near.empty()) return cornerMean(overlap);
    const auto largest = std::max_element(open.triangles.begin(), open.triangles.end(),
                                          [](const FlatTriangle& a, const FlatTriangle& b) {
                                            return flatTriangleArea(a) < flatTriangleArea(b);
                                          });
    return centroid(*largest);
  }

  const RegionCut& cut_;
  LeakGraph& graph_;
  CoplanarCarver carver_;
};

}  // namespace

LeakGraph findLeakGraph(const Scene& scene, const BspNode& root, const CellFaces& cells) {
  // A region thinner than a sliver is rounding between two planes that
  // nearly coincide, not room to pass: a wall of the neighbouring Space may
  // lie in it within the tolerance, where it is not taken away.
  RegionCut cut = cutIntoRegions(scene, root, cells, kSliverWidth);
  LeakGraph graph;
  graph.bounds = cells.bounds;
  for (std::size_t r = 0; r < cut.regions.size(); ++r) graph.regions.push_back({std::move(cut.regions[r]), cut.exits[r], {}});
  graph.regionsOfSpace = std::move(cut.regionsOfSpace);
  LeakGraphBuilder(cut, graph).run();
  return graph;
}

}  // namespace pw
