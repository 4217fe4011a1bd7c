// A small CPU ray caster over a built level: which Spaces hold the surfaces
// a frame would show, pixel by pixel, as GL draws them (back faces culled,
// nothing nearer than the near plane). The reference the culling is checked
// against.
#pragma once

#include <cmath>
#include <limits>
#include <numbers>
#include <optional>
#include <algorithm>
#include <set>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "bsp/bsp_node.h"
#include "culling/camera.h"
#include "culling/view_matrix.h"
#include "scene/scene.h"

namespace pw::testing_support {

struct RayCrossing {
  double t;    // along the ray's direction
  bool front;  // the triangle faces the ray's origin
};

// Where the ray from `from` along `dir` crosses triangle `index`, its edges
// widened by `slack` (in barycentric units); nothing for a triangle edge-on
// to the ray or missed.
inline std::optional<RayCrossing> rayCrossing(const Scene& scene, std::int32_t index, const Point3& from,
                                              const Point3& dir, double slack) {
  const auto [a, b, c] = scene.corners(index);
  const Point3 e1 = b - a, e2 = c - a;
  const Point3 p = cross(dir, e2);
  const double det = dot(e1, p);
  if (det == 0.0) return std::nullopt;
  const Point3 s = from - a;
  const double u = dot(s, p) / det;
  const Point3 q = cross(s, e1);
  const double v = dot(dir, q) / det;
  if (u < -slack || u > 1.0 + slack || v < -slack || u + v > 1.0 + slack) return std::nullopt;
  return RayCrossing{dot(e2, q) / det, det > 0.0};
}

// The direction of the ray from the eye through the centre of pixel (px,
// py), rows from the top, of a `width` x `height` picture drawn with
// `camera` (`view`: its view matrix); its component along the view axis is 1.
inline Point3 pixelRay(const Camera& camera, const Matrix4& view, int px, int py, int width, int height) {
  const double tanHalf = std::tan(camera.fieldOfView * std::numbers::pi / 360.0);
  const double x = (2.0 * (px + 0.5) / width - 1.0) * tanHalf * camera.aspect;
  const double y = (1.0 - 2.0 * (py + 0.5) / height) * tanHalf;
  // The rotation is orthonormal: world direction = R^T (x, y, -1).
  return {view.m[0] * x + view.m[1] * y - view.m[2], view.m[4] * x + view.m[5] * y - view.m[6],
          view.m[8] * x + view.m[9] * y - view.m[10]};
}

class FirstHits {
 public:
  FirstHits(const Scene& scene, const BspNode& root) : scene_(scene) {
    for (const BspNode* space : collectSpaces(root)) {
      for (const std::uint32_t index : space->triangles) owner_[index] = space;
    }
  }

  // The Spaces whose triangles are hit first by the rays through the centres
  // of a `width` x `height` grid of pixels. Where two triangles tie for the
  // first hit, either may show, so the pixel is checked against the set of
  // both: `pixels` gets one set per pixel that hits anything.
  std::vector<std::set<const BspNode*>> cast(const Camera& camera, int width, int height) const {
    const Matrix4 view = viewMatrix(camera);
    const Point3 eye = camera.eye();
    std::vector<std::set<const BspNode*>> pixels;
    for (int py = 0; py < height; ++py) {
      for (int px = 0; px < width; ++px) {
        auto hit = firstHit(eye, pixelRay(camera, view, px, py, width, height));
        if (!hit.empty()) pixels.push_back(std::move(hit));
      }
    }
    return pixels;
  }

 private:
  // The depth along the view axis equals the ray parameter, since the
  // direction's component along the axis is 1.
  std::set<const BspNode*> firstHit(const Point3& eye, const Point3& dir) const {
    constexpr double kNear = 0.01;
    constexpr double kFar = 100.0;
    double best = std::numeric_limits<double>::infinity();
    std::vector<std::pair<double, std::int32_t>> hits;
    for (std::int32_t i = 0; i < scene_.triangleCount(); ++i) {
      const std::optional<RayCrossing> crossing = rayCrossing(scene_, i, eye, dir, 1e-9);
      if (!crossing || !crossing->front || crossing->t < kNear || crossing->t > kFar) continue;  // back faces culled
      hits.push_back({crossing->t, i});
      best = std::min(best, crossing->t);
    }
    std::set<const BspNode*> spaces;
    for (const auto& [depth, index] : hits) {
      if (depth <= best + 1e-6 * (1.0 + best)) spaces.insert(owner_.at(static_cast<std::uint32_t>(index)));
    }
    return spaces;
  }

  const Scene& scene_;
  std::unordered_map<std::uint32_t, const BspNode*> owner_;
};

// A pose as the viewer's command line takes it, for failure messages.
inline std::string describe(const Camera& c) {
  std::ostringstream text;
  text << "--eye " << -c.tx << ' ' << -c.ty << ' ' << -c.tz << " --yaw " << c.yaw << " (pitch " << c.pitch << ")";
  return text.str();
}

// The number of a Space that one of the pixels shows and `drawn` leaves out;
// 0 when every pixel is drawn.
inline std::uint64_t hiddenSpace(const std::vector<std::set<const BspNode*>>& pixels,
                                 const std::vector<const BspNode*>& drawn) {
  const std::set<const BspNode*> set(drawn.begin(), drawn.end());
  for (const auto& pixel : pixels) {
    if (std::none_of(pixel.begin(), pixel.end(), [&set](const BspNode* space) { return set.contains(space); })) {
      return (*pixel.begin())->number;
    }
  }
  return 0;
}

}  // namespace pw::testing_support
