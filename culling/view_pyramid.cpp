#include "culling/view_pyramid.h"

#include <cmath>

#include "culling/camera.h"

namespace pw {
namespace {

// Degrees to radians and halved in one step.
constexpr double kPiOver360 = 0.008726646259971648;

}  // namespace

std::array<double, 4> Matrix4::transform(const std::array<double, 4>& u) const {
  std::array<double, 4> result{};
  for (int r = 0; r < 4; ++r) {
    double sum = 0.0;
    for (int c = 0; c < 4; ++c) sum += m[static_cast<std::size_t>(4 * c + r)] * u[static_cast<std::size_t>(c)];
    result[static_cast<std::size_t>(r)] = sum;
  }
  return result;
}

ViewHalfAngles viewHalfAngles(float fieldOfView, float aspect) {
  // The product of the two floats is exact in double; the horizontal angle is
  // not the one whose tangent is tan(vertical) x aspect.
  return {static_cast<double>(fieldOfView) * kPiOver360,
          static_cast<double>(fieldOfView) * static_cast<double>(aspect) * kPiOver360};
}

ViewPyramid::ViewPyramid(const Camera& camera, const Matrix4& modelView)
    : ViewPyramid(camera.fieldOfView, camera.aspect, modelView, camera.eye()) {}

ViewPyramid::ViewPyramid(float fieldOfView, float aspect, const Matrix4& modelView, const Point3& eye)
    : modelView_(modelView), eye_(eye), halfAngles_(viewHalfAngles(fieldOfView, aspect)) {
  const auto [a, h] = halfAngles_;
  sides_ = {{
      {{0.0, std::cos(a), std::sin(a)}, 1},   // top
      {{0.0, -std::cos(a), std::sin(a)}, 2},  // bottom
      {{-std::cos(h), 0.0, std::sin(h)}, 4},  // left
      {{std::cos(h), 0.0, std::sin(h)}, 8},   // right
  }};
}

bool sameView(const ViewPyramid& a, const ViewPyramid& b) {
  const Point3& p = a.eye();
  const Point3& q = b.eye();
  return a.modelView().m == b.modelView().m && p.x == q.x && p.y == q.y && p.z == q.z &&
         a.halfAngles().vertical == b.halfAngles().vertical && a.halfAngles().horizontal == b.halfAngles().horizontal;
}

}  // namespace pw
