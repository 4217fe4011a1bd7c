#include "culling/view_window.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "culling/camera.h"
#include "geometry/convex_hull.h"

namespace pw {
namespace {

// The part of a convex polygon where n . q <= limit, into `out`.
void clipInto(const ViewWindow& polygon, const Point2& n, double limit, ViewWindow& out) {
  out.clear();
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
}

// The outward unit normal of the edge a -> b of a counter-clockwise polygon
// and how far along it the edge lies, grown by kWindowMargin; none for an
// edge of no length.
std::optional<std::pair<Point2, double>> outerSide(const Point2& a, const Point2& b) {
  const double length = std::sqrt((b[0] - a[0]) * (b[0] - a[0]) + (b[1] - a[1]) * (b[1] - a[1]));
  if (length == 0.0) return std::nullopt;
  const Point2 n{(b[1] - a[1]) / length, (a[0] - b[0]) / length};
  return std::pair{n, n[0] * a[0] + n[1] * a[1] + kWindowMargin};
}

// The directions of a triangle's part at depth kWindowNearDepth or more in
// front of the eye (z <= -kWindowNearDepth), the triangle in eye
// coordinates: a convex polygon of up to four corners, either winding.
struct SeenPart {
  std::array<Point2, 4> corners;
  std::size_t size = 0;
};

SeenPart seenPart(const std::array<Point3, 3>& triangle) {
  SeenPart out;
  for (std::size_t i = 0; i < 3; ++i) {
    const Point3& a = triangle[i];
    const Point3& b = triangle[(i + 1) % 3];
    const double da = a.z + kWindowNearDepth;
    const double db = b.z + kWindowNearDepth;
    if (da <= 0.0) out.corners[out.size++] = {a.x / -a.z, a.y / -a.z};
    if ((da < 0.0 && db > 0.0) || (da > 0.0 && db < 0.0)) {
      const double t = da / (da - db);
      const Point3 p = a + t * (b - a);
      out.corners[out.size++] = {p.x / -p.z, p.y / -p.z};
    }
  }
  return out;
}

// Twice the signed area of a polygon's first `size` corners.
double twiceArea(const Point2* corners, std::size_t size) {
  double twice = 0.0;
  for (std::size_t i = 0; i < size; ++i) {
    const Point2& a = corners[i];
    const Point2& b = corners[(i + 1) % size];
    twice += a[0] * b[1] - b[0] * a[1];
  }
  return twice;
}

}  // namespace

ViewWindow wholeView(const ViewPyramid& view) {
  const ViewHalfAngles& angles = view.halfAngles();
  const double v = std::tan(angles.vertical);
  const double h = std::tan(angles.horizontal);
  return {{-h, -v}, {h, -v}, {h, v}, {-h, v}};
}

std::array<Point3, 5> nearViewCorners(const ViewPyramid& view) {
  const Point3& eye = view.eye();
  const ViewWindow window = wholeView(view);
  std::array<Point3, 5> corners{eye, eye, eye, eye, eye};
  for (std::size_t k = 0; k < window.size(); ++k) {
    // The rotation is orthonormal: a direction in the level is R^T times
    // its eye coordinates.
    const double x = kNearPlane * window[k][0];
    const double y = kNearPlane * window[k][1];
    const double z = -kNearPlane;
    const std::array<double, 16>& m = view.modelView().m;
    corners[k + 1] = eye + Point3{m[0] * x + m[1] * y + m[2] * z, m[4] * x + m[5] * y + m[6] * z,
                                  m[8] * x + m[9] * y + m[10] * z};
  }
  return corners;
}

std::optional<ViewWindow> narrowThrough(const ViewWindow& window, std::span<const std::array<Point3, 3>> triangles,
                                        const Matrix4& modelView) {
  // Sight lines in the window cross depths up to kWindowNearDepth only
  // within `reach` of the eye.
  double spread = 0.0;
  Point2 low{window[0]};
  Point2 high{window[0]};
  for (const Point2& corner : window) {
    spread = std::max(spread, corner[0] * corner[0] + corner[1] * corner[1]);
    low = {std::min(low[0], corner[0]), std::min(low[1], corner[1])};
    high = {std::max(high[0], corner[0]), std::max(high[1], corner[1])};
  }
  const double reach = kWindowNearDepth * std::sqrt(1.0 + spread);
  // Scratch space, kept between calls: a frame makes thousands.
  thread_local std::vector<Point2> seen;
  thread_local ViewWindow cut;
  thread_local ViewWindow next;
  seen.clear();
  for (const auto& triangle : triangles) {
    std::array<Point3, 3> corners;
    for (std::size_t k = 0; k < 3; ++k) {
      const auto e = modelView.transform({triangle[k].x, triangle[k].y, triangle[k].z, 1.0});
      corners[k] = {e[0], e[1], e[2]};
    }
    // A triangle whose plane passes that near the eye (seen edge-on, or
    // reaching round the eye) cannot cut: keep the window.
    const Point3 normal = cross(corners[1] - corners[0], corners[2] - corners[0]);
    if (!(std::abs(dot(normal, corners[0])) > reach * std::sqrt(dot(normal, normal)))) return window;
    // Its part beyond the near depth, where every sight line in the window
    // that crosses it does so.
    SeenPart through = seenPart(corners);
    if (through.size == 0) continue;
    if (twiceArea(through.corners.data(), through.size) < 0.0) {
      std::reverse(through.corners.begin(), through.corners.begin() + static_cast<std::ptrdiff_t>(through.size));
    }
    Point2 throughLow{through.corners[0]};
    Point2 throughHigh{through.corners[0]};
    for (std::size_t i = 0; i < through.size; ++i) {
      const Point2& p = through.corners[i];
      throughLow = {std::min(throughLow[0], p[0]), std::min(throughLow[1], p[1])};
      throughHigh = {std::max(throughHigh[0], p[0]), std::max(throughHigh[1], p[1])};
    }
    if (throughLow[0] - high[0] > kWindowMargin || low[0] - throughHigh[0] > kWindowMargin ||
        throughLow[1] - high[1] > kWindowMargin || low[1] - throughHigh[1] > kWindowMargin) {
      continue;
    }
    cut = window;
    for (std::size_t i = 0; i < through.size && cut.size() >= 3; ++i) {
      const auto side = outerSide(through.corners[i], through.corners[(i + 1) % through.size]);
      if (!side) continue;
      clipInto(cut, side->first, side->second, next);
      std::swap(cut, next);
    }
    if (cut.size() >= 3) seen.insert(seen.end(), cut.begin(), cut.end());
  }
  // The parts of the window each triangle leaves, joined in their hull.
  ViewWindow joined = convexHull(seen);
  if (joined.size() < 3) return std::nullopt;
  return joined;
}

ViewWindow joinWindows(const ViewWindow& a, const ViewWindow& b) {
  std::vector<Point2> corners = a;
  corners.insert(corners.end(), b.begin(), b.end());
  return convexHull(std::move(corners));
}

double windowArea(const ViewWindow& window) { return 0.5 * twiceArea(window.data(), window.size()); }

bool windowCovers(const ViewWindow& outer, const ViewWindow& inner) {
  for (std::size_t i = 0; i < outer.size(); ++i) {
    const auto side = outerSide(outer[i], outer[(i + 1) % outer.size()]);
    if (!side) continue;
    for (const Point2& q : inner) {
      if (side->first[0] * q[0] + side->first[1] * q[1] > side->second) return false;
    }
  }
  return true;
}

}  // namespace pw
