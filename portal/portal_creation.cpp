#include "portal/portal_creation.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>

#include "diag/scene_log.h"
#include "portal/tessellator.h"
#include "scene/scene.h"

namespace pw {
namespace {

// The index the square's corners carry through the tessellation: triangles
// that touch one are not part of the portal.
constexpr std::int32_t kSquareCorner = -1;

bool isZero(const Point3& p) { return p.x == 0.0 && p.y == 0.0 && p.z == 0.0; }

// GLU's sweep crashes on a NaN coordinate, and a zero or non-finite normal
// gives no plane (the square's corners come out NaN). Such input has no
// area: it is treated as input GLU cannot tessellate, which yields no portal.
// Infinite contour coordinates are clamped by GLU itself.
bool canTessellate(const std::vector<Contour>& contours, const Point3& normal, const std::array<Point3, 4>& square) {
  const auto hasNan = [](const Point3& p) { return std::isnan(p.x) || std::isnan(p.y) || std::isnan(p.z); };
  const bool finiteNormal = std::isfinite(normal.x) && std::isfinite(normal.y) && std::isfinite(normal.z);
  if (!finiteNormal || isZero(normal)) return false;
  for (const Point3& corner : square) {
    if (hasNan(corner)) return false;
  }
  for (const Contour& contour : contours) {
    for (const Point3& point : contour) {
      if (hasNan(point)) return false;
    }
  }
  return true;
}

// Hands every ring, then the square, to GLU as contours of one polygon.
// Returns the contour points by the index each one carried.
std::vector<Point3> tessellate(Tessellator& tess, const std::vector<Contour>& contours, const Point3& normal,
                               const std::array<Point3, 4>& square) {
  std::vector<Point3> contourPoints;
  tess.setNormal(normal);
  tess.beginPolygon();
  for (const Contour& contour : contours) {
    tess.beginContour();
    for (const Point3& point : contour) {
      assert(contourPoints.size() < static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()));
      contourPoints.push_back(point);
      tess.contourVertex(static_cast<std::int32_t>(contourPoints.size() - 1), point);
    }
    tess.endContour();
  }
  tess.beginContour();
  for (const Point3& corner : square) tess.contourVertex(kSquareCorner, corner);
  tess.endContour();
  tess.endPolygon();
  return contourPoints;
}

}  // namespace

double squareHalfSideFor(double largest) {
  if (!(largest > kSquareHalfSide)) return kSquareHalfSide;
  constexpr double kLargestPowerOfTwo = 0x1p1023;
  const double wanted = 2.0 * largest;
  if (!(wanted < kLargestPowerOfTwo)) return kLargestPowerOfTwo;
  int exponent = 0;
  // wanted = fraction * 2^exponent with fraction in [0.5, 1): a power of two
  // itself when the fraction is exactly 0.5.
  const double fraction = std::frexp(wanted, &exponent);
  return fraction == 0.5 ? wanted : std::ldexp(1.0, exponent);
}

double squareHalfSideFor(const Scene& scene) {
  double largest = 0.0;
  for (std::int32_t v = 0; v < scene.vertexCount(); ++v) {
    const Point3& p = scene.vertex(v);
    largest = std::max({largest, std::abs(p.x), std::abs(p.y), std::abs(p.z)});
  }
  return squareHalfSideFor(largest);
}

std::array<Point3, 4> cutterSquare(const Point3& normal, double halfSide) {
  // Dominant axis d, ties going to x before y before z; free axes (u, w) are
  // (y, z) for x, (z, x) for y, (x, y) for z, so that (u, w, d) is
  // right-handed.
  const double ax = std::abs(normal.x);
  const double ay = std::abs(normal.y);
  const double az = std::abs(normal.z);
  enum class Axis { X, Y, Z };
  const Axis d = (ax >= ay && ax >= az) ? Axis::X : (ay >= az ? Axis::Y : Axis::Z);
  const double nd = d == Axis::X ? normal.x : d == Axis::Y ? normal.y : normal.z;
  const double nu = d == Axis::X ? normal.y : d == Axis::Y ? normal.z : normal.x;
  const double nw = d == Axis::X ? normal.z : d == Axis::Y ? normal.x : normal.y;

  // Counter-clockwise seen from the side the normal points to: the order of
  // the (u, w) corners flips with the sign of the dominant component.
  const double h = halfSide;
  const std::array<std::array<double, 2>, 4> positive{{{-h, -h}, {h, -h}, {h, h}, {-h, h}}};
  const std::array<std::array<double, 2>, 4> other{{{-h, -h}, {-h, h}, {h, h}, {h, -h}}};
  const auto& uw = nd > 0.0 ? positive : other;

  std::array<Point3, 4> corners;
  for (std::size_t i = 0; i < corners.size(); ++i) {
    const double u = uw[i][0];
    const double w = uw[i][1];
    // On the plane n . p = 0; this order of operations is part of the result.
    const double dominant = -(nu * u + nw * w) / nd;
    corners[i] = d == Axis::X ? Point3{dominant, u, w} : d == Axis::Y ? Point3{w, dominant, u} : Point3{u, w, dominant};
  }
  return corners;
}

// Order of steps: tessellate first (the only step that can fail, so a
// failure leaves nothing behind), then truncate "tris.log", then make the
// portal from GLU's triangles, and keep it only if it got any.
PortalOutcome createCutterPortal(const std::vector<Contour>& contours, const Point3& normal, std::vector<Portal*>& frontList,
                        std::vector<Portal*>& behindList, PortalStore& store, const TrisLogSource& trisLogSource,
                        double squareHalfSide) {
  Tessellator tess;
  const std::array<Point3, 4> square = cutterSquare(normal, squareHalfSide);
  std::vector<Point3> contourPoints;
  const bool fit = canTessellate(contours, normal, square);
  if (fit) contourPoints = tessellate(tess, contours, normal, square);

  SceneLog& trisLog = trisLogSource();
  auto portal = std::make_unique<Portal>();
  for (std::int32_t i = 0; i < tess.outputCount(); ++i) {
    const IndexTriple& triple = tess.outputTriangle(i);
    if (triple[0] == kSquareCorner || triple[1] == kSquareCorner || triple[2] == kSquareCorner) continue;
    for (const std::int32_t index : triple) {
      assert(index >= 0 && static_cast<std::size_t>(index) < contourPoints.size() && "GLU returns given indices");
    }
    const Point3& pa = contourPoints[static_cast<std::size_t>(triple[0])];
    const Point3& pb = contourPoints[static_cast<std::size_t>(triple[1])];
    const Point3& pc = contourPoints[static_cast<std::size_t>(triple[2])];
    // Only an exactly zero cross product is skipped (no area tolerance).
    if (isZero(cross(pa - pb, pc - pb))) continue;
    portal->addTriangle(pa, pb, pc);
    writePortalTriangle(trisLog, pa, pb, pc);
  }

  if (portal->triangleCount() == 0) {  // the empty pair goes with `portal`
    if (contours.empty()) return PortalOutcome::NoRings;
    if (!fit) return PortalOutcome::Untessellable;
    return tess.refused() ? PortalOutcome::Refused : PortalOutcome::NoArea;
  }
  Portal* kept = store.adopt(std::move(portal));
  frontList.push_back(kept);
  behindList.push_back(kept->twin());
  return PortalOutcome::Created;
}

PortalOutcome createCutterPortal(const std::vector<Contour>& contours, const Point3& normal, const Scene* scene,
                        std::vector<Portal*>& frontList, std::vector<Portal*>& behindList, PortalStore& store,
                        const std::filesystem::path& trisLogPath, double squareHalfSide) {
  std::optional<SceneLog> trisLog;
  return createCutterPortal(
      contours, normal, frontList, behindList, store,
      [&]() -> SceneLog& { return trisLog.emplace(trisLogPath, scene); }, squareHalfSide);
}

}  // namespace pw
