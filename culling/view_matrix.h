// The model-view matrix GL builds for a camera, recomputed in double for
// choosing Spaces without a GL context (tests, benchmarks): Rx(pitch) .
// Ry(yaw) . T(tx, ty, tz), column-major. The frames themselves use the matrix
// GL built, single-precision rotations included.
#pragma once

#include <cmath>
#include <numbers>

#include "culling/camera.h"
#include "culling/view_pyramid.h"

namespace pw {

inline Matrix4 viewMatrix(const Camera& camera) {
  const double p = camera.pitch * std::numbers::pi / 180.0;
  const double w = camera.yaw * std::numbers::pi / 180.0;
  const double cp = std::cos(p), sp = std::sin(p), cw = std::cos(w), sw = std::sin(w);
  // Rows of R = Rx(p) . Ry(w).
  const double r[3][3] = {
      {cw, 0.0, sw},
      {sp * sw, cp, -sp * cw},
      {-cp * sw, sp, cp * cw},
  };
  const double t[3] = {camera.tx, camera.ty, camera.tz};
  Matrix4 matrix;
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) matrix.m[static_cast<std::size_t>(4 * col + row)] = r[row][col];
    matrix.m[static_cast<std::size_t>(12 + row)] = r[row][0] * t[0] + r[row][1] * t[1] + r[row][2] * t[2];
  }
  matrix.m[15] = 1.0;
  return matrix;
}

}  // namespace pw
