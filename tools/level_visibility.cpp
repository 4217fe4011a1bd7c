#include "tools/level_visibility.h"

#include <numeric>
#include <vector>

namespace pw {

std::int32_t leafAt(const ibsp::Level& level, const Point3& point) {
  if (level.nodes.empty()) return -1;
  std::int32_t child = 0;
  for (std::size_t steps = 0; child >= 0; ++steps) {
    if (steps == level.nodes.size()) throw ibsp::FormatError("nodes: the tree's children form a loop");
    const ibsp::Node& node = level.nodes[static_cast<std::size_t>(child)];
    const ibsp::Plane& plane = level.planes[static_cast<std::size_t>(node.plane)];
    const Point3 normal{plane.normal[0], plane.normal[1], plane.normal[2]};
    child = node.children[dot(normal, point) - plane.distance >= 0.0 ? 0 : 1];
  }
  return -(child + 1);
}

double visibleShare(const ibsp::Level& level, std::int32_t cluster, std::span<const std::uint64_t> trianglesPerFace) {
  const std::uint64_t total = std::accumulate(trianglesPerFace.begin(), trianglesPerFace.end(), std::uint64_t{0});
  if (total == 0) return 0.0;
  if (cluster < 0 || level.visibility.clusterCount == 0) return 1.0;
  std::vector<bool> counted(level.faces.size(), false);
  std::uint64_t visible = 0;
  for (const ibsp::Leaf& leaf : level.leaves) {
    if (leaf.cluster < 0 || !level.visibility.visible(cluster, leaf.cluster)) continue;
    for (std::int32_t k = 0; k < leaf.leafFaceCount; ++k) {
      const auto face = static_cast<std::size_t>(level.leafFaces[static_cast<std::size_t>(leaf.firstLeafFace + k)]);
      if (counted[face]) continue;
      counted[face] = true;
      visible += trianglesPerFace[face];
    }
  }
  return static_cast<double>(visible) / static_cast<double>(total);
}

}  // namespace pw
