#include "cells/open_links.h"

#include <algorithm>
#include <cmath>

#include "bsp/bsp_node.h"
#include "portal/portal.h"
#include "scene/scene.h"

namespace pw {
namespace {

bool inPlane(const Plane& plane, const Point3& p) { return sideOfDistance(plane.distance(p)) == PointSide::OnPlane; }

bool allInPlane(const Plane& plane, const std::array<Point3, 3>& corners) {
  return inPlane(plane, corners[0]) && inPlane(plane, corners[1]) && inPlane(plane, corners[2]);
}

// What hides or is tested already on the face seen from `from`: see the
// header.
std::vector<Polygon> cutoutsOf(const Scene& scene, const BspNode& from, const BspNode& to, const Plane& plane) {
  std::vector<Polygon> cutouts;
  for (const std::uint32_t index : from.triangles) {
    const Triangle& triangle = scene.triangle(static_cast<std::int32_t>(index));
    const std::array<Point3, 3> corners{scene.vertex(triangle.vertexIndex(0)), scene.vertex(triangle.vertexIndex(1)),
                                        scene.vertex(triangle.vertexIndex(2))};
    if (dot(triangle.planeNormal(), plane.normal) > 0.0 && allInPlane(plane, corners)) {
      cutouts.push_back({corners[0], corners[1], corners[2]});
    }
  }
  for (const Portal* fragment : from.portals) {
    if (fragment->target() != &to) continue;
    const PortalTriangle* facing = fragment->facingTriangle();
    if (facing == nullptr) continue;
    const auto& v = facing->vertices;
    if (dot(cross(v[1] - v[0], v[2] - v[0]), plane.normal) <= 0.0 || !allInPlane(plane, v)) continue;
    for (const PortalTriangle& triangle : fragment->triangles()) {
      if (allInPlane(plane, triangle.vertices)) {
        cutouts.push_back({triangle.vertices[0], triangle.vertices[1], triangle.vertices[2]});
      }
    }
  }
  return cutouts;
}

double polygonWidth(const Polygon& polygon) {
  const Point3 a = areaVector(polygon);
  double boundary = 0.0;
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    const Point3 edge = polygon[(i + 1) % polygon.size()] - polygon[i];
    boundary += std::sqrt(dot(edge, edge));
  }
  // areaVector is twice the area.
  return boundary > 0.0 ? std::sqrt(dot(a, a)) / boundary : 0.0;
}

void addLink(OpenLinks& result, const BspNode& from, const BspNode& to, const Plane& plane,
             std::vector<FlatTriangle> triangles) {
  if (triangles.empty()) return;
  OpenLink link{&from, &to, plane, std::move(triangles), {}, 0.0};
  for (const FlatTriangle& t : link.triangles) {
    const Point3 c = cross(t[1] - t[0], t[2] - t[0]);
    link.area += 0.5 * std::sqrt(dot(c, c));
    for (const Point3& p : t) link.corners.push_back(p);
  }
  std::sort(link.corners.begin(), link.corners.end());
  link.corners.erase(std::unique(link.corners.begin(), link.corners.end(),
                                 [](const Point3& a, const Point3& b) { return samePoint(a, b); }),
                     link.corners.end());
  result.linksFrom[from.number - 1].push_back(static_cast<std::uint32_t>(result.links.size()));
  result.links.push_back(std::move(link));
}

}  // namespace

OpenLinks findOpenLinks(const Scene& scene, const CellFaces& cells) {
  OpenLinks result;
  result.linksFrom.resize(cells.facesOfSpace.size());
  CoplanarCarver carver;
  for (const CellFace& face : cells.faces) {
    if (face.front == nullptr || face.behind == nullptr) continue;
    if (polygonWidth(face.polygon) < kSliverWidth) continue;
    for (const bool fromFront : {true, false}) {
      const BspNode& from = fromFront ? *face.front : *face.behind;
      const BspNode& to = fromFront ? *face.behind : *face.front;
      const Plane plane = fromFront ? face.plane : face.plane.flipped();
      const std::vector<Polygon> cutouts = cutoutsOf(scene, from, to, plane);
      if (cutouts.empty()) {
        std::vector<FlatTriangle> fan;
        Polygon polygon = face.polygon;
        if (dot(areaVector(polygon), plane.normal) < 0.0) std::reverse(polygon.begin(), polygon.end());
        for (std::size_t i = 1; i + 1 < polygon.size(); ++i) fan.push_back({polygon[0], polygon[i], polygon[i + 1]});
        addLink(result, from, to, plane, std::move(fan));
        continue;
      }
      Difference carved = carver.subtract(face.polygon, cutouts, plane.normal);
      if (carved.fellBack) ++result.carvingFallbacks;
      addLink(result, from, to, plane, std::move(carved.triangles));
    }
  }
  return result;
}

}  // namespace pw
