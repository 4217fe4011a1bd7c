#include "regions/sight_graph.h"

#include <cmath>

#include "bsp/bsp_node.h"
#include "regions/region_cut.h"

namespace pw {
namespace {

class SightGraphBuilder {
 public:
  SightGraphBuilder(const RegionCut& cut, SightGraph& graph) : cut_(cut), graph_(graph) {
    for (const std::vector<TriangleCorners>& corners : cut.cornersOfSpace) walled_.emplace_back(corners.size(), false);
  }

  // The regions must be in the graph already.
  void run() {
    cut_.forEachSurface([&](const Surface& surface, std::span<const SurfaceFace> faces) {
      const std::vector<Cutout> cutouts = cut_.cutoutsOn(surface);
      for (const SurfaceFace& face : faces) addWalls(face, cutouts, surface.plane);
      forEachOverlap(faces, [&](const SurfaceFace& front, const SurfaceFace& behind, const Polygon& overlap) {
        addSight(front.region, behind.region, overlap, cutouts, surface.plane);
        addSight(behind.region, front.region, overlap, cutouts, surface.plane.flipped());
      });
    });
    markUnwalled();
  }

 private:
  // The sight passage from region `from` into region `to` through `overlap`
  // on `plane` (facing into `from`).
  void addSight(std::uint32_t from, std::uint32_t to, const Polygon& overlap, const std::vector<Cutout>& cutouts,
                const Plane& plane) {
    const Bounds box = boundsOf(overlap);
    std::vector<const Polygon*> near;
    for (const Cutout& cutout : cutouts) {
      if (dot(cutout.winding, plane.normal) > 0.0 && box.meets(cutout.box)) near.push_back(&cutout.polygon);
    }
    std::optional<OpenLink> view = makeOpenLink(*graph_.regions[from].space, *graph_.regions[to].space, plane,
                                                uncoveredPart(carver_, overlap, near, plane.normal).triangles);
    if (!view) return;
    graph_.regions[from].sightPassages.push_back(static_cast<std::uint32_t>(graph_.sightPassages.size()));
    graph_.sightPassages.push_back({from, to, std::move(*view)});
  }

  // The walls on `face`: the part on it of each triangle facing into its
  // region; the parts of those facing away add to its back area.
  void addWalls(const SurfaceFace& face, const std::vector<Cutout>& cutouts, const Plane& surfacePlane) {
    const Plane inward = face.front ? surfacePlane : surfacePlane.flipped();
    const Bounds box = boundsOf(face.polygon);
    SightRegion& region = graph_.regions[face.region];
    for (const Cutout& cutout : cutouts) {
      if (!box.meets(cutout.box)) continue;
      const Polygon part = overlapOf(cutout.polygon, face.polygon);
      if (part.size() < 3) continue;
      if (dot(cutout.winding, inward.normal) <= 0.0) {
        const Point3 twiceArea = areaVector(part);
        region.backArea += 0.5 * std::sqrt(dot(twiceArea, twiceArea));
        continue;
      }
      std::optional<OpenLink> wall =
          makeOpenLink(*region.space, *cutout.space, inward, fanTriangles(part, inward.normal));
      if (!wall || wall->area == 0.0) continue;
      walled_[spaceIndex(*cutout.space)][cutout.triangle] = true;
      region.walls.push_back(static_cast<std::uint32_t>(graph_.walls.size()));
      graph_.walls.push_back(std::move(*wall));
    }
  }

  // Marks the Spaces with a triangle of some area on no wall.
  void markUnwalled() {
    graph_.drawnWhenReached.assign(cut_.cornersOfSpace.size(), false);
    for (std::size_t space = 0; space < cut_.cornersOfSpace.size(); ++space) {
      const std::vector<TriangleCorners>& cornerList = cut_.cornersOfSpace[space];
      for (std::size_t k = 0; k < cornerList.size(); ++k) {
        const TriangleCorners& c = cornerList[k];
        if (!walled_[space][k] && flatTriangleArea({c[0], c[1], c[2]}) > 0.0) graph_.drawnWhenReached[space] = true;
      }
    }
  }

  const RegionCut& cut_;
  SightGraph& graph_;
  std::vector<std::vector<bool>> walled_;  // by spaceIndex: each triangle on some wall
  CoplanarCarver carver_;
};

}  // namespace

SightGraph findSightGraph(const Scene& scene, const BspNode& root, const CellFaces& cells) {
  // Unlike a leak search, sight keeps the regions thinner than a sliver,
  // seeing more rather than less.
  RegionCut cut = cutIntoRegions(scene, root, cells, 0.0);
  SightGraph graph;
  graph.bounds = cells.bounds;
  for (std::size_t r = 0; r < cut.regions.size(); ++r) {
    graph.regions.push_back({std::move(cut.regions[r]), {}, {}, cut.exits[r].has_value(), 0.0});
  }
  graph.regionsOfSpace = std::move(cut.regionsOfSpace);
  SightGraphBuilder(cut, graph).run();
  return graph;
}

}  // namespace pw
