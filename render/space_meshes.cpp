#include "render/space_meshes.h"

#include <meshoptimizer.h>

#include <algorithm>

#include "bsp/bsp_node.h"
#include "render/look_drawer.h"
#include "scene/scene.h"

namespace pw {
namespace {

static_assert(sizeof(MeshVertex) == 11 * sizeof(float), "corners are shared by their bytes: no padding");

std::array<float, 3> single(const Point3& p) {
  return {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)};
}

// Triangle `index`'s corner `k` as drawn.
MeshVertex cornerOf(const Scene& scene, const LookDrawer& look, std::uint32_t index, int k) {
  const Triangle& triangle = scene.triangle(static_cast<std::int32_t>(index));
  const std::array<float, 6>& uv = look.texCoords(index);
  const std::array<double, 3> colour = normalsColour(triangle.planeNormal());
  return {.position = single(scene.vertex(triangle.vertexIndex(k))),
          .normal = single(scene.normal(triangle.normalIndex(k))),
          .texCoord = {uv[static_cast<std::size_t>(2 * k)], uv[static_cast<std::size_t>(2 * k + 1)]},
          .faceColour = {static_cast<float>(colour[0]), static_cast<float>(colour[1]), static_cast<float>(colour[2])}};
}

// Appends `space`'s mesh to `meshes`.
void addSpace(const Scene& scene, const BspNode& space, const LookDrawer& look, SpaceMeshes& meshes) {
  // The triangles by slot, each slot in the Space's order.
  std::vector<std::vector<std::uint32_t>> bySlot(look.materialSlots());
  for (const std::uint32_t index : space.triangles) bySlot[look.materialSlot(index)].push_back(index);
  std::vector<MeshVertex> corners;
  corners.reserve(3 * space.triangles.size());
  for (const auto& slot : bySlot) {
    for (const std::uint32_t index : slot) {
      for (int k = 0; k < 3; ++k) corners.push_back(cornerOf(scene, look, index, k));
    }
  }

  // Equal corners become one vertex.
  std::vector<unsigned> remap(corners.size());
  const std::size_t unique =
      meshopt_generateVertexRemap(remap.data(), nullptr, corners.size(), corners.data(), corners.size(), sizeof(MeshVertex));
  std::vector<MeshVertex> vertices(unique);
  meshopt_remapVertexBuffer(vertices.data(), corners.data(), corners.size(), sizeof(MeshVertex), remap.data());
  std::vector<unsigned> indices(corners.size());
  meshopt_remapIndexBuffer(indices.data(), static_cast<const unsigned*>(nullptr), corners.size(), remap.data());

  SpaceMesh mesh;
  mesh.firstIndex = static_cast<std::uint32_t>(meshes.indices.size());
  std::vector<unsigned> ordered(indices.size());
  std::size_t first = 0;
  for (std::size_t slot = 0; slot < bySlot.size(); ++slot) {
    const std::size_t count = 3 * bySlot[slot].size();
    if (count == 0) continue;
    // One part is one draw: the cache order is made within it.
    meshopt_optimizeVertexCache(&ordered[first], &indices[first], count, unique);
    mesh.parts.push_back({.slot = slot,
                          .firstIndex = mesh.firstIndex + static_cast<std::uint32_t>(first),
                          .indexCount = static_cast<std::uint32_t>(count)});
    first += count;
  }
  std::vector<MeshVertex> fetched(unique);
  meshopt_optimizeVertexFetch(fetched.data(), ordered.data(), ordered.size(), vertices.data(), unique,
                              sizeof(MeshVertex));

  mesh.firstVertex = static_cast<std::uint32_t>(meshes.vertices.size());
  mesh.vertexCount = static_cast<std::uint32_t>(unique);
  mesh.indexCount = static_cast<std::uint32_t>(ordered.size());
  for (const unsigned vertex : ordered) meshes.indices.push_back(mesh.firstVertex + vertex);
  meshes.vertices.insert(meshes.vertices.end(), fetched.begin(), fetched.end());
  meshes.spaces[spaceIndex(space)] = std::move(mesh);
}

}  // namespace

SpaceMeshes buildSpaceMeshes(const Scene& scene, const BspNode& root, const LookDrawer& look) {
  const std::vector<const BspNode*> spaces = collectSpaces(root);
  SpaceMeshes meshes;
  for (const BspNode* space : spaces) meshes.spaces.resize(std::max(meshes.spaces.size(), spaceIndex(*space) + 1));
  for (const BspNode* space : spaces) {
    if (!space->triangles.empty()) addSpace(scene, *space, look, meshes);
  }
  meshes.indicesBySlot.reserve(meshes.indices.size());
  for (std::size_t slot = 0; slot < look.materialSlots(); ++slot) {
    for (const BspNode* space : spaces) {
      for (MeshPart& part : meshes.spaces[spaceIndex(*space)].parts) {
        if (part.slot != slot) continue;
        part.firstBySlot = static_cast<std::uint32_t>(meshes.indicesBySlot.size());
        const auto first = meshes.indices.begin() + part.firstIndex;
        meshes.indicesBySlot.insert(meshes.indicesBySlot.end(), first, first + part.indexCount);
      }
    }
  }
  return meshes;
}

}  // namespace pw
