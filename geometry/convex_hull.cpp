#include "geometry/convex_hull.h"

#include <algorithm>

namespace pw {

std::vector<Point2> convexHull(std::vector<Point2> points) {
  std::sort(points.begin(), points.end());
  if (points.size() < 3) return points;
  const auto turn = [](const Point2& o, const Point2& a, const Point2& b) {
    return (a[0] - o[0]) * (b[1] - o[1]) - (a[1] - o[1]) * (b[0] - o[0]);
  };
  std::vector<Point2> hull(2 * points.size());
  std::size_t k = 0;
  for (const Point2& p : points) {
    while (k >= 2 && turn(hull[k - 2], hull[k - 1], p) <= 0.0) --k;
    hull[k++] = p;
  }
  for (std::size_t i = points.size() - 1, lower = k + 1; i > 0; --i) {
    while (k >= lower && turn(hull[k - 2], hull[k - 1], points[i - 1]) <= 0.0) --k;
    hull[k++] = points[i - 1];
  }
  hull.resize(k - 1);
  return hull;
}

}  // namespace pw
