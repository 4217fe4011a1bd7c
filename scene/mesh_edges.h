// How closed a triangle mesh is: the edges used by one triangle only (the
// rims of holes) and those used by three or more (non-manifold seams).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace pw {

class Scene;

struct MeshEdges {
  // Vertex index pairs (smaller first) of the edges used by exactly one
  // triangle, ascending.
  std::vector<std::array<std::int32_t, 2>> open;
  std::uint64_t nonManifold = 0;  // edges used by three or more triangles
  std::uint64_t total = 0;        // distinct edges

  bool closed() const { return open.empty() && nonManifold == 0; }
};

// Edges are unordered pairs of Scene vertex indices; positions are merged
// exactly when read, so equal indices mean equal positions. Triangles with a
// repeated corner index have no area and are left out. Measure the mesh as
// read: the build cuts triangles into pieces with vertices of their own.
MeshEdges countMeshEdges(const Scene& scene);

}  // namespace pw
