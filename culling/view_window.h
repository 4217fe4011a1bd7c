// The view narrowed through passages: the directions a sight line can still
// take after passing a chain of portal fragments and open links.
//
// A window is a convex polygon on the plane z = -1 in eye coordinates (the
// eye looks along -z): a direction is in the window when the ray from the
// eye along it crosses that plane inside the polygon. The whole view is the
// rectangle of the view pyramid's side planes. A sight line that passes a
// passage crosses it at one of the passage's points, so its direction lies
// in the convex hull of the corners of one of the passage's triangles as
// seen from the eye: the window beyond the passage covers the window before
// it cut by each triangle's hull.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <vector>

#include "culling/view_pyramid.h"

namespace pw {

using ViewWindow = std::vector<std::array<double, 2>>;  // counter-clockwise

// The view pyramid's window: its side planes, those of `pointsInView`.
ViewWindow wholeView(const ViewPyramid& view);

// The eye and the corners of the whole view at the near plane's depth, in
// the level's coordinates: the part of the view pyramid nearer than the near
// plane, where nothing is drawn, is their hull.
std::array<Point3, 5> nearViewCorners(const ViewPyramid& view);

// The part of `window` seen through a passage made of these triangles, or
// nothing when the passage lies outside it: each triangle, less its part
// nearer than kWindowNearDepth in front of the eye, cuts the window by its
// hull as seen from the eye, grown by kWindowMargin so that rounding never
// closes a window a sight line passes through, and the pieces are joined in
// their convex hull. A sight line in the window crosses such a near part
// only within a small ball round the eye, so a triangle whose plane passes
// through that ball (one seen edge-on among them) cannot cut: the window is
// kept whole.
std::optional<ViewWindow> narrowThrough(const ViewWindow& window, std::span<const std::array<Point3, 3>> triangles,
                                        const Matrix4& modelView);

// The hull of two windows: a window that every direction of either lies in.
ViewWindow joinWindows(const ViewWindow& a, const ViewWindow& b);

// The area a window covers on the plane z = -1.
double windowArea(const ViewWindow& window);

// Whether every direction of `inner` lies in `outer`, grown by kWindowMargin.
bool windowCovers(const ViewWindow& outer, const ViewWindow& inner);

// Far below a pixel's width (about 1e-3 at 1024 pixels and 45 degrees) and
// far above the rounding of a projected coordinate.
inline constexpr double kWindowMargin = 1e-7;
// Far below the near plane of the picture, far above the rounding of an eye
// coordinate.
inline constexpr double kWindowNearDepth = 1e-3;

}  // namespace pw
