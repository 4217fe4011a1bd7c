// The per-passage test of the culling: does a portal fragment or an open
// link face the eye, and does it reach into the view pyramid?
#pragma once

#include <span>

#include "culling/view_pyramid.h"
#include "geometry/point3.h"

namespace pw {

class Portal;
class PortalTriangle;
struct OpenLink;

// True unless all three corners lie outside one and the same side plane of
// `view`, or all three lie behind the eye (z > 0 in eye coordinates).
// Conservative: corners outside different planes, or a triangle around the
// whole view, count as in view.
bool triangleInView(const PortalTriangle& triangle, const ViewPyramid& view);
// The same test for any set of points (their convex hull): false when all lie
// behind the eye or all lie outside one and the same side plane.
bool pointsInView(std::span<const Point3> points, const ViewPyramid& view);

// False for a fragment without triangles, and for one whose facing triangle
// (Portal::facingTriangle: the first that is not a sliver) has its winding
// normal pointing away from the eye (no tolerance, so an eye exactly in that
// plane passes). A fragment made of slivers only cannot be said to face away
// and goes on to the view test. Otherwise true as soon as one triangle, in
// list order, is in view.
bool isVisible(const Portal& fragment, const ViewPyramid& view);

// An open link passes when the eye is not behind its plane (it may be up to
// the plane tolerance behind, so rounding never rejects it) and its corners
// are in view.
bool isVisible(const OpenLink& link, const ViewPyramid& view);

}  // namespace pw
