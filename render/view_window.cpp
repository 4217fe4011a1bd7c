#include "render/view_window.h"

#include <cmath>

#include "scene/convex_hull.h"

namespace pw {
namespace {

// The part of a convex polygon where n . q <= limit.
ViewWindow clip(const ViewWindow& polygon, const Point2& n, double limit) {
  ViewWindow out;
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    const Point2& a = polygon[i];
    const Point2& b = polygon[(i + 1) % polygon.size()];
    const double da = n[0] * a[0] + n[1] * a[1] - limit;
    const double db = n[0] * b[0] + n[1] * b[1] - limit;
    if (da <= 0.0) out.push_back(a);
    if ((da < 0.0 && db > 0.0) || (da > 0.0 && db < 0.0)) {
      const double t = da / (da - db);
      out.push_back({a[0] + t * (b[0] - a[0]), a[1] + t * (b[1] - a[1])});
    }
  }
  return out;
}

}  // namespace

ViewWindow wholeView(float fieldOfView, float aspect) {
  // The side planes of pointsInView.
  const ViewHalfAngles angles = viewHalfAngles(fieldOfView, aspect);
  const double v = std::tan(angles.vertical);
  const double h = std::tan(angles.horizontal);
  return {{-h, -v}, {h, -v}, {h, v}, {-h, v}};
}

std::optional<ViewWindow> narrowThrough(const ViewWindow& window, std::span<const std::array<Point3, 3>> triangles,
                                        const Matrix4& modelView) {
  std::vector<Point2> seen;
  for (const auto& triangle : triangles) {
    std::vector<Point2> corners;
    for (const Point3& corner : triangle) {
      const auto e = modelView.transform({corner.x, corner.y, corner.z, 1.0});
      if (!(e[2] < -kWindowNearDepth)) return window;
      corners.push_back({e[0] / -e[2], e[1] / -e[2]});
    }
    const ViewWindow through = convexHull(std::move(corners));
    // Seen edge-on a triangle has no area to cut by: keep the window.
    if (through.size() < 3) return window;
    ViewWindow cut = window;
    for (std::size_t i = 0; i < through.size() && !cut.empty(); ++i) {
      const Point2& a = through[i];
      const Point2& b = through[(i + 1) % through.size()];
      // The outward normal of a counter-clockwise edge, unit length.
      const double length = std::hypot(b[0] - a[0], b[1] - a[1]);
      const Point2 n{(b[1] - a[1]) / length, (a[0] - b[0]) / length};
      cut = clip(cut, n, n[0] * a[0] + n[1] * a[1] + kWindowMargin);
    }
    if (cut.size() >= 3) seen.insert(seen.end(), cut.begin(), cut.end());
  }
  // The parts of the window each triangle leaves, joined in their hull.
  ViewWindow joined = convexHull(std::move(seen));
  if (joined.size() < 3) return std::nullopt;
  return joined;
}

}  // namespace pw
