#include "scene/mesh_edges.h"

#include <algorithm>
#include <cstdint>

#include "scene/scene.h"

namespace pw {

MeshEdges countMeshEdges(const Scene& scene) {
  // Each edge as one key, its smaller index in the high half: the keys sort
  // as the pairs do, and sorting plain integers groups the uses of each edge
  // far faster than a map (or pairs) for a mesh of millions of edges.
  std::vector<std::uint64_t> keys;
  keys.reserve(static_cast<std::size_t>(scene.triangleCount()) * 3);
  for (std::int32_t i = 0; i < scene.triangleCount(); ++i) {
    const Triangle& t = scene.triangle(i);
    const std::int32_t v[3] = {t.vertexIndex(0), t.vertexIndex(1), t.vertexIndex(2)};
    if (v[0] == v[1] || v[1] == v[2] || v[2] == v[0]) continue;
    for (int k = 0; k < 3; ++k) {
      const auto low = static_cast<std::uint32_t>(std::min(v[k], v[(k + 1) % 3]));
      const auto high = static_cast<std::uint32_t>(std::max(v[k], v[(k + 1) % 3]));
      keys.push_back(std::uint64_t{low} << 32 | high);
    }
  }
  std::sort(keys.begin(), keys.end());
  MeshEdges result;
  for (std::size_t i = 0; i < keys.size();) {
    std::size_t j = i + 1;
    while (j < keys.size() && keys[j] == keys[i]) ++j;
    ++result.total;
    if (j - i == 1) {
      const auto low = static_cast<std::int32_t>(keys[i] >> 32);
      const auto high = static_cast<std::int32_t>(keys[i] & 0xffffffffu);
      result.open.push_back({low, high});
    }
    if (j - i >= 3) ++result.nonManifold;
    i = j;
  }
  return result;
}

}  // namespace pw
