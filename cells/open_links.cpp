#include "cells/open_links.h"

#include <algorithm>
#include <optional>
#include <thread>

#include "bsp/bsp_node.h"
#include "portal/portal.h"
#include "scene/scene.h"
#include "support/worker_pool.h"

namespace pw {
namespace {

// What hides or is tested already on the face seen from `from`: see the
// header.
std::vector<Polygon> cutoutsOf(const Scene& scene, const BspNode& from, const BspNode& to, const Plane& plane) {
  std::vector<Polygon> cutouts;
  for (const std::uint32_t index : from.triangles) {
    const std::array<Point3, 3> corners = scene.corners(static_cast<std::int32_t>(index));
    if (dot(scene.triangle(static_cast<std::int32_t>(index)).planeNormal(), plane.normal) > 0.0 &&
        liesInPlane(plane, corners)) {
      cutouts.push_back({corners[0], corners[1], corners[2]});
    }
  }
  for (const Portal* fragment : from.portals) {
    if (fragment->target() != &to) continue;
    const PortalTriangle* facing = fragment->facingTriangle();
    if (facing == nullptr) continue;
    const auto& v = facing->vertices;
    if (dot(cross(v[1] - v[0], v[2] - v[0]), plane.normal) <= 0.0 || !liesInPlane(plane, v)) continue;
    for (const PortalTriangle& triangle : fragment->triangles()) {
      if (liesInPlane(plane, triangle.vertices)) {
        cutouts.push_back({triangle.vertices[0], triangle.vertices[1], triangle.vertices[2]});
      }
    }
  }
  return cutouts;
}

// The links of faces [begin, end), in face order, front-to-behind first.
struct FaceRangeLinks {
  std::vector<OpenLink> links;
  std::uint64_t carvingFallbacks = 0;
};

FaceRangeLinks linksOfFaces(const Scene& scene, const CellFaces& cells, std::size_t begin, std::size_t end) {
  FaceRangeLinks result;
  // A face makes at most one link each way; growing instead would move
  // every link made so far, again and again.
  result.links.reserve(2 * (end - begin));
  CoplanarCarver carver;
  for (std::size_t f = begin; f < end; ++f) {
    const CellFace& face = cells.faces[f];
    if (face.front == nullptr || face.behind == nullptr) continue;
    if (polygonWidth(face.polygon) < kSliverWidth) continue;
    for (const bool fromFront : {true, false}) {
      const BspNode& from = fromFront ? *face.front : *face.behind;
      const BspNode& to = fromFront ? *face.behind : *face.front;
      const Plane plane = fromFront ? face.plane : face.plane.flipped();
      const std::vector<Polygon> cutouts = cutoutsOf(scene, from, to, plane);
      std::vector<FlatTriangle> triangles;
      if (cutouts.empty()) {
        triangles = fanTriangles(face.polygon, plane.normal);
      } else if (auto pieces = convexDifference(face.polygon, cutouts, plane.normal)) {
        triangles = std::move(*pieces);
      } else {
        Difference carved = carver.subtract(face.polygon, cutouts, plane.normal);
        if (carved.fellBack) ++result.carvingFallbacks;
        triangles = std::move(carved.triangles);
      }
      if (auto link = makeOpenLink(from, to, plane, std::move(triangles))) result.links.push_back(std::move(*link));
    }
  }
  return result;
}

// Faces are carved independently, each range with its own tessellator. A
// range holds at least this many faces (fewer are not worth a thread), and
// each thread has a few ranges to take in turn, so that one that finishes
// early takes another instead of waiting for a heavier one.
constexpr std::size_t kFacesPerRange = 256;
constexpr std::size_t kRangesPerThread = 8;

}  // namespace

std::optional<OpenLink> makeOpenLink(const BspNode& from, const BspNode& to, const Plane& plane,
                                     std::vector<FlatTriangle> triangles) {
  if (triangles.empty()) return std::nullopt;
  OpenLink link{&from, &to, plane, std::move(triangles), {}, 0.0};
  link.corners.reserve(3 * link.triangles.size());
  for (const FlatTriangle& t : link.triangles) {
    link.area += flatTriangleArea(t);
    for (const Point3& p : t) link.corners.push_back(p);
  }
  std::sort(link.corners.begin(), link.corners.end());
  link.corners.erase(std::unique(link.corners.begin(), link.corners.end(),
                                 [](const Point3& a, const Point3& b) { return samePoint(a, b); }),
                     link.corners.end());
  return link;
}

OpenLinks findOpenLinks(const Scene& scene, const CellFaces& cells) {
  const std::size_t faces = cells.faces.size();
  const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t count = std::clamp<std::size_t>(faces / kFacesPerRange, 1, cores * kRangesPerThread);
  std::vector<FaceRangeLinks> ranges(count);
  WorkerPool pool(static_cast<unsigned>(std::min(cores, count)));
  pool.forEachSlice(count, 1, [&](std::size_t begin, std::size_t end) {
    for (std::size_t r = begin; r < end; ++r) {
      ranges[r] = linksOfFaces(scene, cells, faces * r / count, faces * (r + 1) / count);
    }
  });

  // Joined in face order, so the result does not depend on the thread count.
  OpenLinks result;
  result.bounds = cells.bounds;
  result.linksFrom.resize(cells.facesOfSpace.size());
  std::size_t total = 0;
  for (const FaceRangeLinks& range : ranges) total += range.links.size();
  result.links.reserve(total);
  for (FaceRangeLinks& range : ranges) {
    result.carvingFallbacks += range.carvingFallbacks;
    for (OpenLink& link : range.links) {
      result.linksFrom[spaceIndex(*link.from)].push_back(static_cast<std::uint32_t>(result.links.size()));
      result.links.push_back(std::move(link));
    }
  }
  return result;
}

}  // namespace pw
