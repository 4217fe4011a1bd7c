#include "collision/sweep.h"

#include <array>
#include <cmath>

#include "bsp/bsp_node.h"
#include "scene/scene.h"

namespace pw {
namespace {

// Where the sphere's distance to a feature reaches the radius: the least
// root in [0, 1] of a t^2 + b t + c = 0, c being the squared distance less
// the squared radius at the start. Overlapping at the start (c < 0) stops at
// once when moving closer (b < 0); a motion along the feature (a near 0)
// never reaches it.
std::optional<double> firstRoot(double a, double b, double c) {
  if (c < 0.0) return b < 0.0 ? std::optional(0.0) : std::nullopt;
  if (a <= 1e-18) return std::nullopt;
  const double discriminant = b * b - 4.0 * a * c;
  if (discriminant < 0.0) return std::nullopt;
  const double t = (-b - std::sqrt(discriminant)) / (2.0 * a);
  if (t < 0.0 || t > 1.0) return std::nullopt;
  return t;
}

// Whether `p`, on the triangle's plane, lies inside it or on its edges
// (whichever way its corners wind); never for a triangle without area.
bool insideTriangle(const Point3& p, const std::array<Point3, 3>& c) {
  const Point3 n = cross(c[1] - c[0], c[2] - c[0]);
  if (dot(n, n) == 0.0) return false;
  for (int i = 0; i < 3; ++i) {
    const Point3& from = c[static_cast<std::size_t>(i)];
    const Point3& to = c[static_cast<std::size_t>((i + 1) % 3)];
    if (dot(cross(to - from, p - from), n) < 0.0) return false;
  }
  return true;
}

struct Touch {
  double t;
  Point3 at;  // the touched point of the triangle
  bool onFace = false;
};

// The face of the triangle, seen from the side the centre starts on.
std::optional<Touch> faceTouch(const std::array<Point3, 3>& corners, Point3 n, const Point3& centre, double radius,
                               const Point3& motion) {
  double start = dot(centre - corners[0], n);
  if (start < 0.0) {
    n = -1.0 * n;
    start = -start;
  }
  const double approach = dot(motion, n);
  double t = 0.0;
  if (start > radius) {
    if (approach >= 0.0) return std::nullopt;
    t = (start - radius) / -approach;
    if (t > 1.0) return std::nullopt;
  } else if (approach >= 0.0) {
    return std::nullopt;  // overlapping the plane already, and leaving it
  }
  const Point3 moved = centre + t * motion;
  const Point3 onPlane = moved - dot(moved - corners[0], n) * n;
  if (!insideTriangle(onPlane, corners)) return std::nullopt;
  return Touch{t, onPlane, true};
}

std::optional<Touch> edgeTouch(const Point3& p, const Point3& q, const Point3& centre, double radius,
                               const Point3& motion) {
  const Point3 e = q - p;
  const Point3 w = centre - p;
  const double ee = dot(e, e), ev = dot(e, motion), ew = dot(e, w);
  const double a = ee * dot(motion, motion) - ev * ev;
  const double b = 2.0 * (ee * dot(motion, w) - ev * ew);
  const double c = ee * (dot(w, w) - radius * radius) - ew * ew;
  const std::optional<double> t = firstRoot(a, b, c);
  if (!t) return std::nullopt;
  const double along = (ew + *t * ev) / ee;
  if (along < 0.0 || along > 1.0) return std::nullopt;
  return Touch{*t, p + along * e};
}

std::optional<Touch> cornerTouch(const Point3& p, const Point3& centre, double radius, const Point3& motion) {
  const Point3 w = centre - p;
  const std::optional<double> t = firstRoot(dot(motion, motion), 2.0 * dot(motion, w), dot(w, w) - radius * radius);
  if (!t) return std::nullopt;
  return Touch{*t, p};
}

}  // namespace

Bounds sweptBox(const Point3& centre, double radius, const Point3& motion) {
  const Point3 r{radius, radius, radius};
  Bounds box = Bounds::empty();
  for (const Point3& end : {centre, centre + motion}) {
    box.grow(end - r);
    box.grow(end + r);
  }
  return box;
}

std::vector<std::uint32_t> trianglesNear(const Scene& scene, const BspNode& root, const Bounds& box) {
  std::array<Point3, 8> corners;
  for (std::size_t k = 0; k < corners.size(); ++k) {
    corners[k] = {(k & 1) != 0 ? box.max.x : box.min.x, (k & 2) != 0 ? box.max.y : box.min.y,
                  (k & 4) != 0 ? box.max.z : box.min.z};
  }
  std::vector<std::uint32_t> near;
  for (const BspNode* space : spacesMeeting(scene, root, corners)) {
    for (const std::uint32_t triangle : space->triangles) {
      const auto points = scene.corners(static_cast<std::int32_t>(triangle));
      if (boundsOf(points).meets(box)) near.push_back(triangle);
    }
  }
  return near;
}

std::optional<SweepHit> sweepSphere(const Scene& scene, std::span<const std::uint32_t> triangles,
                                    const Point3& centre, double radius, const Point3& motion) {
  std::optional<SweepHit> first;
  for (const std::uint32_t triangle : triangles) {
    const auto corners = scene.corners(static_cast<std::int32_t>(triangle));
    const Point3 n = scene.plane(static_cast<std::int32_t>(triangle)).normal;
    std::optional<Touch> touch = faceTouch(corners, n, centre, radius, motion);
    // A point meets a triangle only through its face.
    for (std::size_t i = 0; radius > 0.0 && i < 3; ++i) {
      for (const auto& candidate : {edgeTouch(corners[i], corners[(i + 1) % 3], centre, radius, motion),
                                    cornerTouch(corners[i], centre, radius, motion)}) {
        if (candidate && (!touch || candidate->t < touch->t)) touch = candidate;
      }
    }
    if (!touch || (first && first->fraction <= touch->t)) continue;
    const bool fromFront = dot(centre - corners[0], n) >= 0.0;
    const Point3 away = (centre + touch->t * motion) - touch->at;
    const double length = std::sqrt(dot(away, away));
    const Point3 normal = length > 0.0 ? (1.0 / length) * away : (fromFront ? n : -1.0 * n);
    first = SweepHit{touch->t, normal, triangle, fromFront, touch->onFace};
  }
  return first;
}

}  // namespace pw
