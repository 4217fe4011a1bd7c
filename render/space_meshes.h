// A level's Spaces as indexed triangle lists, made once after the build so
// that frames draw from buffers instead of sending every corner each frame.
// No GL here: the lists are plain arrays (see SpaceBuffers for the GL side).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace pw {

class Scene;
struct BspNode;
class LookDrawer;

// One corner as GL gets it: every value is the single-precision conversion
// of what the immediate path hands GL in doubles, so that both paths feed
// the rasteriser the same numbers. 11 floats, no padding: corners are
// compared byte for byte when shared.
struct MeshVertex {
  std::array<float, 3> position;
  std::array<float, 3> normal;    // the Scene's corner normal
  std::array<float, 2> texCoord;  // the look's, zero where it has none
  std::array<float, 3> faceColour;  // its triangle's colour in the normals mode
};

// A run of one Space's triangles with one material slot (see
// LookDrawer::materialSlot), found in both index lists.
struct MeshPart {
  std::size_t slot = 0;
  std::uint32_t firstIndex = 0;   // in SpaceMeshes::indices
  std::uint32_t firstBySlot = 0;  // in SpaceMeshes::indicesBySlot
  std::uint32_t indexCount = 0;
};

struct SpaceMesh {
  // Its vertices are [firstVertex, firstVertex + vertexCount) of the level's
  // and no other Space's.
  std::uint32_t firstVertex = 0;
  std::uint32_t vertexCount = 0;
  // All its triangles: its parts one after another.
  std::uint32_t firstIndex = 0;
  std::uint32_t indexCount = 0;
  // By ascending slot, none empty.
  std::vector<MeshPart> parts;
};

struct SpaceMeshes {
  std::vector<MeshVertex> vertices;
  // Into `vertices` (not relative to a Space), three per triangle, each
  // triangle's corners in the Scene's order 0, 1, 2 so that its winding and
  // its rasterisation are the immediate path's. Space after Space in the
  // tree's order (collectSpaces), so that Spaces drawn in that order make
  // one run, each Space's parts one after another.
  std::vector<std::uint32_t> indices;
  // The same parts slot after slot, each slot's Spaces in the tree's order:
  // the textured mode's runs.
  std::vector<std::uint32_t> indicesBySlot;
  // By spaceIndex.
  std::vector<SpaceMesh> spaces;
};

// Each Space of the tree under `root` (finished, with the Scene's
// triangles), grouped by material slot; within a part, triangles are in
// meshoptimizer's vertex-cache order and the Space's vertices in order of
// first use, as both spare the vertex stage work on every frame.
SpaceMeshes buildSpaceMeshes(const Scene& scene, const BspNode& root, const LookDrawer& look);

}  // namespace pw
