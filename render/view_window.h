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

#include "render/visibility.h"

namespace pw {

using ViewWindow = std::vector<std::array<double, 2>>;  // counter-clockwise

// The view pyramid's window: the side planes of `pointsInView`.
ViewWindow wholeView(float fieldOfView, float aspect);

// The part of `window` seen through a passage made of these triangles, or
// nothing when the passage lies outside it: each triangle cuts the window by
// its hull as seen from the eye, grown by kWindowMargin so that rounding
// never closes a window a sight line passes through, and the pieces are
// joined in their convex hull. A triangle reaching the eye's plane (a corner
// less than kWindowNearDepth in front of the eye) or seen edge-on cannot cut:
// the window is kept whole.
std::optional<ViewWindow> narrowThrough(const ViewWindow& window, std::span<const std::array<Point3, 3>> triangles,
                                        const Matrix4& modelView);

// Far below a pixel's width (about 1e-3 at 1024 pixels and 45 degrees) and
// far above the rounding of a projected coordinate.
inline constexpr double kWindowMargin = 1e-7;
inline constexpr double kWindowNearDepth = 1e-6;

}  // namespace pw
