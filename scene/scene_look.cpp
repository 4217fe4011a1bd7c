#include "scene/scene_look.h"

#include "scene/scene.h"

namespace pw {
namespace {

// The weights of `a`, `b`, `c` that give `p` (projected into their plane);
// all on `a` for a degenerate triangle, whose texture has no direction.
std::array<double, 3> barycentric(const Point3& p, const Point3& a, const Point3& b, const Point3& c) {
  const Point3 ab = b - a, ac = c - a, ap = p - a;
  const double d00 = dot(ab, ab), d01 = dot(ab, ac), d11 = dot(ac, ac);
  const double d20 = dot(ap, ab), d21 = dot(ap, ac);
  const double denominator = d00 * d11 - d01 * d01;
  if (denominator == 0.0) return {1.0, 0.0, 0.0};
  const double wb = (d11 * d20 - d01 * d21) / denominator;
  const double wc = (d00 * d21 - d01 * d20) / denominator;
  return {1.0 - wb - wc, wb, wc};
}

}  // namespace

const TriangleLook* SceneLook::of(const Scene& scene, std::int32_t index) const {
  const auto origin = static_cast<std::size_t>(scene.origin(index));
  return origin < triangles.size() ? &triangles[origin] : nullptr;
}

std::array<float, 6> SceneLook::cornerTexCoords(const Scene& scene, std::int32_t index) const {
  std::array<float, 6> uv{};
  const TriangleLook* look = of(scene, index);
  if (look == nullptr) return uv;
  std::array<std::array<float, 2>, 3> originUv{};
  for (int k = 0; k < 3; ++k) {
    if (look->texCoords[k] != TriangleLook::kNone) originUv[k] = texCoords[static_cast<std::size_t>(look->texCoords[k])];
  }
  const Triangle& triangle = scene.triangle(index);
  for (int k = 0; k < 3; ++k) {
    const std::array<double, 3> w =
        barycentric(scene.vertex(triangle.vertexIndex(k)), scene.vertex(look->corners[0]),
                    scene.vertex(look->corners[1]), scene.vertex(look->corners[2]));
    for (int axis = 0; axis < 2; ++axis) {
      uv[static_cast<std::size_t>(2 * k + axis)] =
          static_cast<float>(w[0] * originUv[0][axis] + w[1] * originUv[1][axis] + w[2] * originUv[2][axis]);
    }
  }
  return uv;
}

}  // namespace pw
