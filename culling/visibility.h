// The per-fragment test of the portal renderer: does a portal fragment face
// the eye, and does any of its triangles reach into the view pyramid?
#pragma once

#include <array>
#include <span>

#include "scene/geometry.h"

namespace pw {

class Portal;
class PortalTriangle;
struct OpenLink;

// The model-view matrix as GL returns it: 16 doubles, column-major, so the
// element in row r and column c is m[4 * c + r].
struct Matrix4 {
  std::array<double, 16> m{};

  // Matrix times column vector. Component r is accumulated from 0.0 over
  // c = 0, 1, 2, 3 in that order; the sum order is part of the result.
  std::array<double, 4> transform(const std::array<double, 4>& u) const;
};

// The view pyramid's half-angles in radians: vertical fieldOfView / 2, and
// horizontal the linear fieldOfView x aspect / 2 (see below).
struct ViewHalfAngles {
  double vertical;
  double horizontal;
};
ViewHalfAngles viewHalfAngles(float fieldOfView, float aspect);

// The view pyramid: apex at the eye, four side planes from the vertical field
// of view and the aspect ratio, no near or far plane. True unless all three
// corners lie outside one and the same side plane, or all three lie behind
// the eye (z > 0 in eye coordinates). Conservative: corners outside
// different planes, or a triangle around the whole view, count as in view.
//
// The horizontal half-angle is the linear fieldOfView x aspect x pi/360, not
// the exact arctangent, so the side planes are wider than the drawn picture
// whenever aspect > 1.
bool triangleInView(const PortalTriangle& triangle, float fieldOfView, float aspect, const Matrix4& modelView);
// The same test for any set of points (their convex hull): false when all lie
// behind the eye or all lie outside one and the same side plane.
bool pointsInView(std::span<const Point3> points, float fieldOfView, float aspect, const Matrix4& modelView);

// False for a fragment without triangles, and for one whose facing triangle
// (Portal::facingTriangle: the first that is not a sliver) has its winding
// normal pointing away from the eye (no tolerance, so an eye exactly in that
// plane passes). A fragment made of slivers only cannot be said to face away
// and goes on to the view test. Otherwise true as soon as one triangle, in
// list order, is in view.
bool isVisible(const Portal& fragment, float fieldOfView, float aspect, const Matrix4& modelView,
               const Point3& eye);

// An open link passes when the eye is not behind its plane (it may be up to
// the plane tolerance behind, so rounding never rejects it) and its corners
// are in view.
bool isVisible(const OpenLink& link, float fieldOfView, float aspect, const Matrix4& modelView, const Point3& eye);

}  // namespace pw
