// One frame's view as the culling tests it: the model-view matrix, the eye
// and the view pyramid's side planes.
#pragma once

#include <array>
#include <cstdint>

#include "geometry/point3.h"

namespace pw {

struct Camera;

// The model-view matrix as GL returns it: 16 doubles, column-major, so the
// element in row r and column c is m[4 * c + r].
struct Matrix4 {
  std::array<double, 16> m{};

  // Matrix times column vector. Component r is accumulated from 0.0 over
  // c = 0, 1, 2, 3 in that order; the sum order is part of the result.
  std::array<double, 4> transform(const std::array<double, 4>& u) const;
};

// The view pyramid's half-angles in radians: vertical fieldOfView / 2, and
// horizontal the linear fieldOfView x aspect / 2.
//
// The horizontal half-angle is the linear fieldOfView x aspect x pi/360, not
// the exact arctangent, so the side planes are wider than the drawn picture
// whenever aspect > 1.
struct ViewHalfAngles {
  double vertical;
  double horizontal;
};
ViewHalfAngles viewHalfAngles(float fieldOfView, float aspect);

// A side plane of the view pyramid, through the eye, in eye coordinates: a
// point e is outside it when normal . e > 0. `bit` is its bit in a point's
// outside mask.
struct SidePlane {
  Point3 normal;
  std::uint32_t bit;
};

// The view pyramid: apex at the eye, four side planes from the vertical field
// of view and the aspect ratio, no near or far plane. Made once per frame and
// handed to every test of that frame, so that the side planes' sines and
// cosines are computed once, from the same angles with the same functions as
// a test computing them itself would: the results are bit for bit the same.
class ViewPyramid {
 public:
  // `modelView` is `camera`'s view transform; the eye is camera.eye().
  ViewPyramid(const Camera& camera, const Matrix4& modelView);
  // An eye given apart from the matrix (the matrix need not move it there).
  ViewPyramid(float fieldOfView, float aspect, const Matrix4& modelView, const Point3& eye);

  const Matrix4& modelView() const { return modelView_; }
  const Point3& eye() const { return eye_; }
  const ViewHalfAngles& halfAngles() const { return halfAngles_; }
  // Top (bit 1), bottom (2), left (4), right (8).
  const std::array<SidePlane, 4>& sides() const { return sides_; }

 private:
  Matrix4 modelView_;
  Point3 eye_;
  ViewHalfAngles halfAngles_;
  std::array<SidePlane, 4> sides_;
};

// Whether two views have equal matrices, eyes and angles, and so equal
// sides: every test made against one comes out the same against the other.
bool sameView(const ViewPyramid& a, const ViewPyramid& b);

}  // namespace pw
