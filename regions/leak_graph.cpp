#include "regions/leak_graph.h"

#include <algorithm>

#include "bsp/bsp_node.h"
#include "regions/region_cut.h"
#include "scene/scene.h"

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

// The part of a triangle within a sliver of `plane` (either side), laid onto
// it; none when the triangle is turned from the plane by 60 degrees or more
// (it would cover a band about a sliver wide at most) or misses it. A wall
// there leaves at most a crack thinner than a sliver beside it, which the
// graph does not count: so it covers the plane whatever Space holds it and
// whichever of the planes of one wall, parted by rounding, the face lies in.
Polygon partNear(const Plane& plane, const TriangleCorners& corners) {
  const Point3 area = cross(corners[1] - corners[0], corners[2] - corners[0]);
  const double along = dot(area, plane.normal);
  if (along * along <= 0.25 * dot(area, area)) return {};
  Polygon part{corners[0], corners[1], corners[2]};
  part = clipToFront(part, {plane.normal, plane.anchor - kSliverWidth * plane.normal});
  part = clipToFront(part, {-1.0 * plane.normal, plane.anchor + kSliverWidth * plane.normal});
  if (part.size() < 3) return {};
  for (Point3& corner : part) corner = corner - plane.distance(corner) * plane.normal;
  return part;
}

class LeakGraphBuilder {
 public:
  LeakGraphBuilder(const Scene& scene, const BspNode& root, const RegionCut& cut, LeakGraph& graph)
      : scene_(scene), root_(root), cut_(cut), graph_(graph) {}

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
        std::optional<Point3> centre = uncoveredPoint(passage, surface.plane, *cutouts);
        if (!centre) return;
        const auto join = static_cast<std::uint32_t>(graph_.joins.size());
        graph_.joins.push_back({{front.region, behind.region}, *centre, graph_.carvingFallbacks != fallbacks});
        graph_.regions[front.region].joins.push_back(join);
        graph_.regions[behind.region].joins.push_back(join);
      });
    });
  }

 private:
  // A point of `overlap` (on `plane`) that neither `cutouts` nor any other
  // triangle near the plane covers, facing either way: the centroid of the
  // largest uncovered triangle, or the overlap's corner mean when no
  // triangle is near.
  std::optional<Point3> uncoveredPoint(const Polygon& overlap, const Plane& plane, const std::vector<Cutout>& cutouts) {
    const Bounds box = boundsOf(overlap);
    std::vector<const Polygon*> near;
    for (const Cutout& cutout : cutouts) {
      if (box.meets(cutout.box)) near.push_back(&cutout.polygon);
    }
    const Point3& normal = plane.normal;
    Difference open = uncoveredPart(carver_, overlap, near, normal);
    // Most overlaps are open or covered by what lies in the plane; the
    // triangles near it are looked for only when some of it is left.
    std::vector<Polygon> parts;
    if (!open.triangles.empty()) addPartsNear(root_, overlap, plane, box, cutouts, parts);
    if (!parts.empty()) {
      for (const Polygon& part : parts) near.push_back(&part);
      open = uncoveredPart(carver_, overlap, near, normal);
    }
    if (open.fellBack) ++graph_.carvingFallbacks;
    if (open.triangles.empty()) return std::nullopt;
    if (near.empty()) return cornerMean(overlap);
    const auto largest = std::max_element(open.triangles.begin(), open.triangles.end(),
                                          [](const FlatTriangle& a, const FlatTriangle& b) {
                                            return flatTriangleArea(a) < flatTriangleArea(b);
                                          });
    return centroid(*largest);
  }

  // The parts near `plane` (partNear) of the triangles of every Space under
  // `node` whose cell may hold some of them over `overlap` (`box` its
  // bounds), but those of `cutouts`: a cutter's side is left out only when
  // the whole overlap lies beyond a sliver and the tolerance from it there.
  void addPartsNear(const BspNode& node, const Polygon& overlap, const Plane& plane, const Bounds& box,
                    const std::vector<Cutout>& cutouts, std::vector<Polygon>& parts) const {
    if (!node.isSpace()) {
      const Plane cutter = scene_.plane(node.cutter);
      double nearest = cutter.distance(overlap.front());
      double farthest = nearest;
      for (const Point3& corner : overlap) {
        const double d = cutter.distance(corner);
        nearest = std::min(nearest, d);
        farthest = std::max(farthest, d);
      }
      constexpr double kReach = kSliverWidth + kPlaneTolerance;
      if (farthest > -kReach) addPartsNear(*node.front, overlap, plane, box, cutouts, parts);
      if (nearest < kReach) addPartsNear(*node.behind, overlap, plane, box, cutouts, parts);
      return;
    }
    const std::vector<TriangleCorners>& cornerList = cut_.cornersOfSpace[spaceIndex(node)];
    for (std::size_t k = 0; k < cornerList.size(); ++k) {
      Polygon part = partNear(plane, cornerList[k]);
      if (part.empty() || !box.meets(boundsOf(part))) continue;
      if (std::none_of(cutouts.begin(), cutouts.end(),
                       [&](const Cutout& c) { return c.space == &node && c.triangle == k; })) {
        parts.push_back(std::move(part));
      }
    }
  }

  const Scene& scene_;
  const BspNode& root_;
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
  LeakGraphBuilder(scene, root, cut, graph).run();
  return graph;
}

}  // namespace pw
