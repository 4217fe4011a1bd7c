// The one store of geometry: vertex positions, vertex normals and triangles.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "geometry/plane.h"
#include "geometry/point3.h"
#include "scene/triangle.h"

namespace pw {

// Arrays that only grow. Appending returns the new element's 0-based index
// (size - 1); no element is ever removed or moved to another index, so an
// index stays valid and means the same element for the whole run. References
// returned by the accessors are only valid until the next append to the same
// array: indices are the stable handles. Accessors do no bounds checking.
//
// Triangles point back at their Scene, so a Scene is neither copied nor moved.
class Scene {
 public:
  Scene() = default;
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  std::int32_t addVertex(const Point3& position);
  std::int32_t addNormal(const Point3& normal);
  // Plane normal = triangleNormal(p0, p1, p2); the corners must exist.
  std::int32_t addTriangle(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t na, std::int32_t nb,
                           std::int32_t nc);
  // A piece of triangle `source`: its plane normal is copied bit for bit.
  std::int32_t addTriangleOnPlaneOf(std::int32_t source, std::int32_t a, std::int32_t b, std::int32_t c,
                                    std::int32_t na, std::int32_t nb, std::int32_t nc);
  // New corners and normals at `index`; index and plane normal are kept.
  void replaceTriangle(std::int32_t index, std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t na,
                       std::int32_t nb, std::int32_t nc);

  const Point3& vertex(std::int32_t index) const { return vertices_[static_cast<std::size_t>(index)]; }
  const Point3& normal(std::int32_t index) const { return normals_[static_cast<std::size_t>(index)]; }
  const Triangle& triangle(std::int32_t index) const { return triangles_[static_cast<std::size_t>(index)]; }
  // The positions of triangle `index`'s corners 0, 1, 2.
  std::array<Point3, 3> corners(std::int32_t index) const {
    const Triangle& t = triangle(index);
    return {vertex(t.vertexIndex(0)), vertex(t.vertexIndex(1)), vertex(t.vertexIndex(2))};
  }
  // Triangle `index`'s plane: its plane normal through its corner 0, as
  // every side test of the build places it.
  Plane plane(std::int32_t index) const {
    const Triangle& t = triangle(index);
    return {t.planeNormal(), vertex(t.vertexIndex(0))};
  }
  std::int32_t vertexCount() const { return static_cast<std::int32_t>(vertices_.size()); }
  std::int32_t normalCount() const { return static_cast<std::int32_t>(normals_.size()); }
  std::int32_t triangleCount() const { return static_cast<std::int32_t>(triangles_.size()); }
  // The triangle as read that triangle `index` is a piece of (itself for one
  // added by addTriangle): pieces keep their source's origin, however often
  // they are split again, so a look kept per read triangle reaches them.
  std::int32_t origin(std::int32_t index) const { return origins_[static_cast<std::size_t>(index)]; }

  // 0, 1, ..., triangleCount() - 1: the root list of the build.
  std::vector<std::uint32_t> allTriangleIndices() const;

  // Capacity hints for loaders and the build; they change no index.
  void reserve(std::size_t vertices, std::size_t normals, std::size_t triangles);

 private:
  std::vector<Point3> vertices_;
  std::vector<Point3> normals_;
  std::vector<Triangle> triangles_;
  std::vector<std::int32_t> origins_;  // one per triangle
};

}  // namespace pw
