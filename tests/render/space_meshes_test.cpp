// The Spaces' meshes drawn from buffers hold what the immediate path sends:
// each Space's triangles once, corners in the Scene's order, grouped by
// material, on vertices of their own Space.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <vector>

#include "bsp/bsp_node.h"
#include "render/look_drawer.h"
#include "render/space_meshes.h"
#include "scene/level_look.h"
#include "scene/scene.h"
#include "tests/helpers/material_level.h"
#include "tests/helpers/scratch_dir.h"

namespace pw {
namespace {

using testing_support::ScratchDir;

// A triangle as it reaches GL: its slot, then each corner's position,
// normal and texture coordinates in order.
using DrawnTriangle = std::vector<float>;

DrawnTriangle drawn(std::size_t slot, const std::array<const MeshVertex*, 3>& corners) {
  DrawnTriangle triangle{static_cast<float>(slot)};
  for (const MeshVertex* corner : corners) {
    triangle.insert(triangle.end(), corner->position.begin(), corner->position.end());
    triangle.insert(triangle.end(), corner->normal.begin(), corner->normal.end());
    triangle.insert(triangle.end(), corner->texCoord.begin(), corner->texCoord.end());
  }
  return triangle;
}

// The same from the Scene, as the immediate path reads it.
DrawnTriangle expected(const Scene& scene, const LookDrawer& look, std::uint32_t index) {
  const Triangle& triangle = scene.triangle(static_cast<std::int32_t>(index));
  DrawnTriangle result{static_cast<float>(look.materialSlot(index))};
  for (int k = 0; k < 3; ++k) {
    const Point3& p = scene.vertex(triangle.vertexIndex(k));
    const Point3& n = scene.normal(triangle.normalIndex(k));
    const auto& uv = look.texCoords(index);
    result.insert(result.end(), {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z),
                                 static_cast<float>(n.x), static_cast<float>(n.y), static_cast<float>(n.z),
                                 uv[static_cast<std::size_t>(2 * k)], uv[static_cast<std::size_t>(2 * k + 1)]});
  }
  return result;
}

TEST(SpaceMeshes, holdEachSpacesTrianglesOnceInCornerOrderByMaterial) {
  const ScratchDir dir;
  // Split triangles (subdivided rooms, corridors) take their origin's look.
  testing_support::writeLevelWithMaterials(
      dir.file("looks.obj"), layoutMesh(roomsAndCorridors({.rows = 2, .cols = 3, .subdivision = 2, .seed = 3})));
  Scene scene;
  SceneLook sceneLook;
  const BuiltLevel level = testing_support::buildWithLook(dir.file("looks.obj"), scene, sceneLook);
  const LevelLook materials = loadLevelLook(sceneLook, dir.path(), false);
  const LookDrawer look(scene, sceneLook, materials);
  ASSERT_EQ(look.materialSlots(), 4u);  // floor, wall, ceiling, none

  const BspNode& root = *level.compiled->root;
  const SpaceMeshes meshes = buildSpaceMeshes(scene, root, look);
  std::size_t corners = 0;
  std::vector<std::vector<std::uint32_t>> slotStarts(look.materialSlots());
  for (const BspNode* space : collectSpaces(root)) {
    const SpaceMesh& mesh = meshes.spaces.at(spaceIndex(*space));
    std::vector<DrawnTriangle> want, got;
    for (const std::uint32_t index : space->triangles) want.push_back(expected(scene, look, index));
    std::uint32_t next = mesh.firstIndex;
    for (std::size_t p = 0; p < mesh.parts.size(); ++p) {
      const MeshPart& part = mesh.parts[p];
      EXPECT_GT(part.indexCount, 0u);
      EXPECT_EQ(part.firstIndex, next) << "parts follow one another";
      if (p > 0) {
        EXPECT_GT(part.slot, mesh.parts[p - 1].slot);
      }
      next += part.indexCount;
      // The textured mode's list holds the same part, slots in order.
      ASSERT_LE(part.firstBySlot + part.indexCount, meshes.indicesBySlot.size());
      EXPECT_TRUE(std::equal(&meshes.indices[part.firstIndex], &meshes.indices[part.firstIndex] + part.indexCount,
                             &meshes.indicesBySlot[part.firstBySlot]));
      slotStarts[part.slot].push_back(part.firstBySlot);
      for (std::uint32_t i = part.firstIndex; i < part.firstIndex + part.indexCount; i += 3) {
        std::array<const MeshVertex*, 3> triangle{};
        for (std::uint32_t k = 0; k < 3; ++k) {
          const std::uint32_t vertex = meshes.indices.at(i + k);
          ASSERT_GE(vertex, mesh.firstVertex);
          ASSERT_LT(vertex, mesh.firstVertex + mesh.vertexCount) << "a vertex of another Space";
          triangle[k] = &meshes.vertices[vertex];
        }
        got.push_back(drawn(part.slot, triangle));
      }
    }
    EXPECT_EQ(next, mesh.firstIndex + mesh.indexCount);
    std::sort(want.begin(), want.end());
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, want) << "Space " << space->number;
    corners += 3 * space->triangles.size();
  }
  EXPECT_EQ(meshes.indicesBySlot.size(), corners);
  for (std::size_t slot = 1; slot < slotStarts.size(); ++slot) {
    if (slotStarts[slot].empty() || slotStarts[slot - 1].empty()) continue;
    EXPECT_LT(std::ranges::max(slotStarts[slot - 1]), std::ranges::min(slotStarts[slot])) << "slot " << slot;
  }
  EXPECT_LT(meshes.vertices.size(), corners / 2) << "corners a Space's triangles share are one vertex";
}

}  // namespace
}  // namespace pw
