#include "bsp/reference/convexity.h"

#include <cassert>

#include "scene/scene.h"

namespace pw {

// A vertex shared by several triangles is classified once per plane: the
// vertex's stamp records the plane pass (entry position + 1) in which it was
// last found not behind. A fresh stamp per pass is the bit set cleared for
// every plane triangle, without clearing anything.
bool isConvexStraightforward(const Scene& scene, const std::vector<std::uint32_t>& list) {
  assert(list.size() < UINT32_MAX);
  std::vector<std::uint32_t> testedInPass(static_cast<std::size_t>(scene.vertexCount()), 0);
  for (std::size_t p = 0; p < list.size(); ++p) {
    const Triangle& plane = scene.triangle(static_cast<std::int32_t>(list[p]));
    const auto pass = static_cast<std::uint32_t>(p + 1);
    for (std::size_t q = 0; q < list.size(); ++q) {
      if (q == p) continue;
      const Triangle& other = scene.triangle(static_cast<std::int32_t>(list[q]));
      for (int corner = 0; corner < 3; ++corner) {
        const std::int32_t v = other.vertexIndex(corner);
        std::uint32_t& stamp = testedInPass[static_cast<std::size_t>(v)];
        if (stamp == pass) continue;
        if (plane.classifyPoint(scene.vertex(v)) == PointSide::Behind) return false;
        stamp = pass;
      }
    }
  }
  return true;
}

}  // namespace pw
