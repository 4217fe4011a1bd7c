#include "tools/face_mesh.h"

#include <span>

#include "tools/bezier_patch.h"

namespace pw {

SurfacePoint surfacePoint(const ibsp::Vertex& vertex) {
  const auto& [px, py, pz] = vertex.position;
  const auto& [nx, ny, nz] = vertex.normal;
  return {{px, py, pz}, {vertex.texCoord[0], vertex.texCoord[1]}, {nx, ny, nz}};
}

FaceMesh faceMesh(const ibsp::Level& level, const ibsp::Face& face) {
  if (face.type != ibsp::kPolygon && face.type != ibsp::kMesh && face.type != ibsp::kPatch) return {};
  std::vector<SurfacePoint> points;
  points.reserve(static_cast<std::size_t>(face.vertexCount));
  const std::span<const ibsp::Vertex> vertices(level.vertices.data() + face.firstVertex,
                                               static_cast<std::size_t>(face.vertexCount));
  for (const ibsp::Vertex& vertex : vertices) points.push_back(surfacePoint(vertex));
  if (face.type == ibsp::kPatch) return tessellatePatch(points, face.patchSize[0], face.patchSize[1]);

  FaceMesh mesh{std::move(points), {}};
  const auto meshVert = [&](std::int32_t k) { return level.meshVerts[static_cast<std::size_t>(face.firstMeshVert + k)]; };
  for (std::int32_t k = 0; k < face.meshVertCount; k += 3) {
    mesh.triangles.push_back({meshVert(k), meshVert(k + 2), meshVert(k + 1)});
  }
  return mesh;
}

}  // namespace pw
