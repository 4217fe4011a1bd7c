#include "cells/polygon_difference.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>

#include "geometry/bounds.h"
#include "portal/glu_callback.h"

namespace pw {
namespace {

// What one GLU run builds up; GLU hands it back to every callback as the
// polygon data, so nothing here is global.
struct Run {
  // Stable addresses: GLU keeps the pointers it was given.
  std::deque<Point3> vertices;
  std::vector<const Point3*> pending;
  std::vector<std::array<const Point3*, 3>> triangles;
  bool failed = false;
  std::size_t combines = 0;
  std::size_t maxCombines = 0;
  // Where a run past `maxCombines` jumps back to.
  std::jmp_buf cutShort;
};

void GLAPIENTRY onVertex(void* vertex, void* data) {
  Run& run = *static_cast<Run*>(data);
  run.pending.push_back(static_cast<const Point3*>(vertex));
  if (run.pending.size() == 3) {
    run.triangles.push_back({run.pending[0], run.pending[1], run.pending[2]});
    run.pending.clear();
  }
}

void GLAPIENTRY onBegin(GLenum, void* data) { static_cast<Run*>(data)->pending.clear(); }

// With an edge-flag callback GLU delivers separate triangles only.
void GLAPIENTRY onEdgeFlag(GLboolean, void*) {}

void GLAPIENTRY onCombine(GLdouble coords[3], void*[4], GLfloat[4], void** out, void* data) {
  Run& run = *static_cast<Run*>(data);
  if (run.combines == run.maxCombines) std::longjmp(run.cutShort, 1);
  ++run.combines;
  run.vertices.push_back({coords[0], coords[1], coords[2]});
  *out = &run.vertices.back();
}

void GLAPIENTRY onError(GLenum, void* data) { static_cast<Run*>(data)->failed = true; }

GLUtesselator* newCarvingTess() {
  GLUtesselator* tess = gluNewTess();
  if (tess == nullptr) throw std::runtime_error("Creation of tesselation object failed.");
  gluTessCallback(tess, GLU_TESS_BEGIN_DATA, asGluCallback(&onBegin));
  gluTessCallback(tess, GLU_TESS_VERTEX_DATA, asGluCallback(&onVertex));
  gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA, asGluCallback(&onEdgeFlag));
  gluTessCallback(tess, GLU_TESS_COMBINE_DATA, asGluCallback(&onCombine));
  gluTessCallback(tess, GLU_TESS_ERROR_DATA, asGluCallback(&onError));
  gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_POSITIVE);
  return tess;
}

double roundToGrid(double value) { return std::round(value / kCarvingGrid) * kCarvingGrid; }

void addContour(GLUtesselator* tess, Run& run, const Polygon& polygon, bool counterClockwise,
                const Point3& normal) {
  const bool isCounterClockwise = dot(areaVector(polygon), normal) > 0.0;
  gluTessBeginContour(tess);
  for (std::size_t k = 0; k < polygon.size(); ++k) {
    const std::size_t i = isCounterClockwise == counterClockwise ? k : polygon.size() - 1 - k;
    // GLU sweeps the rounded corner but hands back the corner itself.
    run.vertices.push_back(polygon[i]);
    Point3& stored = run.vertices.back();
    GLdouble coordinates[3] = {roundToGrid(stored.x), roundToGrid(stored.y), roundToGrid(stored.z)};
    gluTessVertex(tess, coordinates, &stored);
  }
  gluTessEndContour(tess);
}

double length(const Point3& a, const Point3& b) {
  const Point3 d = b - a;
  return std::sqrt(dot(d, d));
}

// Keeps the regions (triangles joined by shared edges) at least
// kSliverWidth wide, measured as twice the area over the boundary length.
std::vector<FlatTriangle> dropSlivers(const std::vector<std::array<const Point3*, 3>>& triangles) {
  struct EdgeUse {
    const Point3* a;
    const Point3* b;
    std::size_t triangle;
  };
  std::vector<EdgeUse> uses;
  uses.reserve(triangles.size() * 3);
  for (std::size_t t = 0; t < triangles.size(); ++t) {
    for (int k = 0; k < 3; ++k) {
      const Point3* a = triangles[t][k];
      const Point3* b = triangles[t][(k + 1) % 3];
      uses.push_back(a < b ? EdgeUse{a, b, t} : EdgeUse{b, a, t});
    }
  }
  const auto sameEdge = [](const EdgeUse& x, const EdgeUse& y) { return x.a == y.a && x.b == y.b; };
  std::sort(uses.begin(), uses.end(), [](const EdgeUse& x, const EdgeUse& y) {
    return std::less<>()(x.a, y.a) || (x.a == y.a && std::less<>()(x.b, y.b));
  });
  // Union-find over triangles sharing an edge.
  std::vector<std::size_t> parent(triangles.size());
  for (std::size_t t = 0; t < parent.size(); ++t) parent[t] = t;
  const auto find = [&parent](std::size_t t) {
    while (parent[t] != t) t = parent[t] = parent[parent[t]];
    return t;
  };
  for (std::size_t i = 1; i < uses.size(); ++i) {
    if (sameEdge(uses[i], uses[i - 1])) parent[find(uses[i].triangle)] = find(uses[i - 1].triangle);
  }
  std::vector<double> area(triangles.size(), 0.0);
  std::vector<double> boundary(triangles.size(), 0.0);
  std::vector<FlatTriangle> flat(triangles.size());
  for (std::size_t t = 0; t < triangles.size(); ++t) {
    flat[t] = {*triangles[t][0], *triangles[t][1], *triangles[t][2]};
    area[find(t)] += flatTriangleArea(flat[t]);
  }
  for (std::size_t i = 0; i < uses.size(); ++i) {
    const bool shared = (i > 0 && sameEdge(uses[i], uses[i - 1])) || (i + 1 < uses.size() && sameEdge(uses[i], uses[i + 1]));
    if (!shared) boundary[find(uses[i].triangle)] += length(*uses[i].a, *uses[i].b);
  }
  std::vector<FlatTriangle> kept;
  for (std::size_t t = 0; t < triangles.size(); ++t) {
    const std::size_t region = find(t);
    if (2.0 * area[region] >= kSliverWidth * boundary[region]) kept.push_back(flat[t]);
  }
  return kept;
}

// Whether the triangle `cutout` covers all of `polygon` (in its plane): no
// corner lies beyond the tolerance outside any of its edges. A degenerate
// triangle covers nothing.
bool covers(const Polygon& cutout, const Polygon& polygon) {
  const Point3 winding = areaVector(cutout).normalized();
  if (dot(winding, winding) == 0.0) return false;
  for (std::size_t i = 0; i < cutout.size(); ++i) {
    const Plane inner{cross(winding, cutout[(i + 1) % cutout.size()] - cutout[i]).normalized(), cutout[i]};
    for (const Point3& p : polygon) {
      if (sideOfDistance(inner.distance(p)) == PointSide::Behind) return false;
    }
  }
  return true;
}

}  // namespace

double flatTriangleArea(const FlatTriangle& t) {
  const Point3 c = cross(t[1] - t[0], t[2] - t[0]);
  return 0.5 * std::sqrt(dot(c, c));
}

std::vector<FlatTriangle> fanTriangles(Polygon polygon, const Point3& normal) {
  if (dot(areaVector(polygon), normal) < 0.0) std::reverse(polygon.begin(), polygon.end());
  std::vector<FlatTriangle> triangles;
  for (std::size_t i = 1; i + 1 < polygon.size(); ++i) triangles.push_back({polygon[0], polygon[i], polygon[i + 1]});
  return triangles;
}

std::optional<std::vector<FlatTriangle>> convexDifference(const Polygon& face, const std::vector<Polygon>& cutouts,
                                                        const Point3& normal) {
  std::vector<Polygon> pieces{face};
  for (const Polygon& cutout : cutouts) {
    const Point3 winding = areaVector(cutout).normalized();
    if (dot(winding, winding) == 0.0) continue;
    const Bounds box = boundsOf(cutout);
    std::vector<Polygon> outside;
    for (Polygon& piece : pieces) {
      if (!box.meets(boundsOf(piece))) {
        outside.push_back(std::move(piece));
        continue;
      }
      Polygon inside = std::move(piece);
      for (std::size_t i = 0; i < cutout.size() && inside.size() >= 3; ++i) {
        const Plane inner{cross(winding, cutout[(i + 1) % cutout.size()] - cutout[i]).normalized(), cutout[i]};
        PolygonSplit split = splitPolygon(inside, inner);
        if (split.coplanar) break;
        if (split.behind.size() >= 3) outside.push_back(std::move(split.behind));
        inside = std::move(split.front);
      }
    }
    if (outside.size() > kMostConvexPieces) return std::nullopt;
    pieces = std::move(outside);
  }
  std::vector<FlatTriangle> triangles;
  if (std::none_of(pieces.begin(), pieces.end(), [](const Polygon& p) { return polygonWidth(p) >= kSliverWidth; })) {
    return triangles;
  }
  for (Polygon& piece : pieces) {
    for (const FlatTriangle& t : fanTriangles(std::move(piece), normal)) triangles.push_back(t);
  }
  return triangles;
}

CoplanarCarver::CoplanarCarver(std::size_t maxCombines) : maxCombines_(maxCombines), tess_(newCarvingTess()) {}

CoplanarCarver::~CoplanarCarver() {
  if (tess_ != nullptr) gluDeleteTess(tess_);
}

Difference CoplanarCarver::subtract(const Polygon& face, const std::vector<Polygon>& cutouts, const Point3& normal) {
  // A face inside one cut-out leaves at most slivers: no sweep needed.
  if (std::any_of(cutouts.begin(), cutouts.end(), [&](const Polygon& cutout) { return covers(cutout, face); })) {
    return {};
  }
  Run run;
  run.maxCombines = maxCombines_;
  bool finished = false;
  {
    const GluAllocations glu;
    gluTessNormal(tess_, normal.x, normal.y, normal.z);
    gluTessBeginPolygon(tess_, &run);
    addContour(tess_, run, face, true, normal);
    for (const Polygon& cutout : cutouts) addContour(tess_, run, cutout, false, normal);
    finished = endPolygonUnlessCutShort(tess_, run.cutShort);
    if (!finished) {
      // Left in the middle of its sweep, GLU's object is only fit for
      // deleting.
      gluDeleteTess(tess_);
      tess_ = nullptr;
      tess_ = newCarvingTess();
    }
  }

  Difference result;
  if (!finished || run.failed) {
    result.fellBack = true;
    Polygon whole = face;
    if (dot(areaVector(whole), normal) < 0.0) std::reverse(whole.begin(), whole.end());
    for (std::size_t i = 1; i + 1 < whole.size(); ++i) result.triangles.push_back({whole[0], whole[i], whole[i + 1]});
    return result;
  }
  result.triangles = dropSlivers(run.triangles);
  return result;
}

}  // namespace pw
