#include "scene/mesh_edges.h"

#include <algorithm>

#include "scene/scene.h"

namespace pw {

MeshEdges countMeshEdges(const Scene& scene) {
  std::vector<std::array<std::int32_t, 2>> edges;
  edges.reserve(static_cast<std::size_t>(scene.triangleCount()) * 3);
  for (std::int32_t i = 0; i < scene.triangleCount(); ++i) {
    const Triangle& t = scene.triangle(i);
    const std::int32_t v[3] = {t.vertexIndex(0), t.vertexIndex(1), t.vertexIndex(2)};
    if (v[0] == v[1] || v[1] == v[2] || v[2] == v[0]) continue;
    for (int k = 0; k < 3; ++k) edges.push_back({std::min(v[k], v[(k + 1) % 3]), std::max(v[k], v[(k + 1) % 3])});
  }
  // Sorting groups the uses of each edge: cheaper than a map for a mesh of
  // millions of edges.
  std::sort(edges.begin(), edges.end());
  MeshEdges result;
  for (std::size_t i = 0; i < edges.size();) {
    std::size_t j = i + 1;
    while (j < edges.size() && edges[j] == edges[i]) ++j;
    ++result.total;
    if (j - i == 1) result.open.push_back(edges[i]);
    if (j - i >= 3) ++result.nonManifold;
    i = j;
  }
  return result;
}

}  // namespace pw
