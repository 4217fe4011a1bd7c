#include "scene/scene.h"

#include <numeric>

#include "geometry/triangle_normal.h"

namespace pw {

std::int32_t Scene::addVertex(const Point3& position) {
  vertices_.push_back(position);
  return vertexCount() - 1;
}

std::int32_t Scene::addNormal(const Point3& normal) {
  normals_.push_back(normal);
  return normalCount() - 1;
}

std::int32_t Scene::addTriangle(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t na, std::int32_t nb,
                                std::int32_t nc) {
  const Point3 planeNormal = triangleNormal(vertex(a), vertex(b), vertex(c));
  triangles_.emplace_back(this, std::array{a, b, c}, std::array{na, nb, nc}, planeNormal);
  origins_.push_back(triangleCount() - 1);
  return triangleCount() - 1;
}

std::int32_t Scene::addTriangleOnPlaneOf(std::int32_t source, std::int32_t a, std::int32_t b, std::int32_t c,
                                         std::int32_t na, std::int32_t nb, std::int32_t nc) {
  // Copied before the append, which may move the source's storage.
  const Point3 planeNormal = triangle(source).planeNormal();
  triangles_.emplace_back(this, std::array{a, b, c}, std::array{na, nb, nc}, planeNormal);
  origins_.push_back(origin(source));
  return triangleCount() - 1;
}

void Scene::replaceTriangle(std::int32_t index, std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t na,
                            std::int32_t nb, std::int32_t nc) {
  Triangle& slot = triangles_[static_cast<std::size_t>(index)];
  slot = Triangle(this, std::array{a, b, c}, std::array{na, nb, nc}, slot.planeNormal());
}

std::vector<std::uint32_t> Scene::allTriangleIndices() const {
  std::vector<std::uint32_t> indices(triangles_.size());
  std::iota(indices.begin(), indices.end(), 0u);
  return indices;
}

void Scene::reserve(std::size_t vertices, std::size_t normals, std::size_t triangles) {
  vertices_.reserve(vertices);
  normals_.reserve(normals);
  triangles_.reserve(triangles);
  origins_.reserve(triangles);
}

}  // namespace pw
