#include "bsp/triangle_split.h"

#include <cassert>

#include "scene/edge_set.h"
#include "scene/scene.h"

namespace pw {

namespace {

// One corner of a triangle being cut, read before anything is appended to
// the Scene (an append may move the arrays the references point into).
struct Corner {
  std::int32_t vertex;
  std::int32_t normal;
  Point3 position;
  Point3 shading;  // the vertex normal
};

Corner readCorner(const Scene& scene, const Triangle& t, int k) {
  return {t.vertexIndex(k), t.normalIndex(k), scene.vertex(t.vertexIndex(k)), scene.normal(t.normalIndex(k))};
}

// Per coordinate a + s * (b - a), in 64-bit floating point. Positions and
// vertex normals are interpolated with the same s; normals are not
// normalised again.
Point3 along(const Point3& a, const Point3& b, double s) { return a + s * (b - a); }

// One corner on the plane (o), one in front and one behind: cut the edge
// between the other two at Q. The piece (O, A, Q) keeps index i, (O, Q, B)
// is appended.
void splitInTwo(Scene& scene, const Triangle& cutter, std::int32_t i, int o, int frontCorner, EdgeSet& edges,
                std::vector<std::uint32_t>& frontTriangles, std::vector<std::uint32_t>& behindTriangles) {
  const int a = (o + 1) % 3;
  const int b = (o + 2) % 3;
  const Triangle& t = scene.triangle(i);
  const Corner cO = readCorner(scene, t, o);
  const Corner cA = readCorner(scene, t, a);
  const Corner cB = readCorner(scene, t, b);

  const double s = cutter.intersectionParameter(cA.position, cB.position);
  const Point3 q = along(cA.position, cB.position, s);
  const std::int32_t vQ = scene.addVertex(q);
  const std::int32_t nQ = scene.addNormal(along(cA.shading, cB.shading, s));
  scene.replaceTriangle(i, cO.vertex, cA.vertex, vQ, cO.normal, cA.normal, nQ);
  const std::int32_t j = scene.addTriangleOnPlaneOf(i, cO.vertex, vQ, cB.vertex, cO.normal, nQ, cB.normal);

  // The segment runs the way the behind piece's boundary runs along the cut.
  if (a == frontCorner) {
    edges.insert({cO.position, q});
    frontTriangles.push_back(static_cast<std::uint32_t>(i));
    behindTriangles.push_back(static_cast<std::uint32_t>(j));
  } else {
    edges.insert({q, cO.position});
    frontTriangles.push_back(static_cast<std::uint32_t>(j));
    behindTriangles.push_back(static_cast<std::uint32_t>(i));
  }
}

// No corner on the plane: the lone corner L (alone on its side) keeps index
// i with the piece (L, Q1, Q2); (Q1, K1, K2) and (Q1, K2, Q2) are appended.
void splitInThree(Scene& scene, const Triangle& cutter, std::int32_t i, int lone, bool loneInFront, EdgeSet& edges,
                  std::vector<std::uint32_t>& frontTriangles, std::vector<std::uint32_t>& behindTriangles) {
  const Triangle& t = scene.triangle(i);
  const Corner cL = readCorner(scene, t, lone);
  const Corner cK1 = readCorner(scene, t, (lone + 1) % 3);
  const Corner cK2 = readCorner(scene, t, (lone + 2) % 3);

  // Both parameters are measured from the lone corner.
  const double s1 = cutter.intersectionParameter(cL.position, cK1.position);
  const double s2 = cutter.intersectionParameter(cL.position, cK2.position);
  const Point3 q1 = along(cL.position, cK1.position, s1);
  const Point3 q2 = along(cL.position, cK2.position, s2);
  const Point3 nq1 = along(cL.shading, cK1.shading, s1);
  const Point3 nq2 = along(cL.shading, cK2.shading, s2);
  // Appended in this order: both positions, then both normals.
  const std::int32_t vQ1 = scene.addVertex(q1);
  const std::int32_t vQ2 = scene.addVertex(q2);
  const std::int32_t nQ1 = scene.addNormal(nq1);
  const std::int32_t nQ2 = scene.addNormal(nq2);
  scene.replaceTriangle(i, cL.vertex, vQ1, vQ2, cL.normal, nQ1, nQ2);
  const std::int32_t j1 = scene.addTriangleOnPlaneOf(i, vQ1, cK1.vertex, cK2.vertex, nQ1, cK1.normal, cK2.normal);
  const std::int32_t j2 = scene.addTriangleOnPlaneOf(i, vQ1, cK2.vertex, vQ2, nQ1, cK2.normal, nQ2);

  std::vector<std::uint32_t>& loneSide = loneInFront ? frontTriangles : behindTriangles;
  std::vector<std::uint32_t>& pairSide = loneInFront ? behindTriangles : frontTriangles;
  edges.insert(loneInFront ? PointPair{q2, q1} : PointPair{q1, q2});
  loneSide.push_back(static_cast<std::uint32_t>(i));
  pairSide.push_back(static_cast<std::uint32_t>(j1));
  pairSide.push_back(static_cast<std::uint32_t>(j2));
}

}  // namespace

bool splitTriangle(Scene& scene, const Triangle& cutter, std::int32_t cutterIndex, std::int32_t i, EdgeSet& edges,
                   std::vector<std::uint32_t>& frontTriangles, std::vector<std::uint32_t>& behindTriangles) {
  if (i == cutterIndex) {
    frontTriangles.push_back(static_cast<std::uint32_t>(i));
    return false;
  }
  const Triangle& t = scene.triangle(i);
  switch (cutter.classifyTriangle(t)) {
    case PolygonSide::Behind:
      behindTriangles.push_back(static_cast<std::uint32_t>(i));
      return false;
    case PolygonSide::Front:
    case PolygonSide::Coplanar:
      frontTriangles.push_back(static_cast<std::uint32_t>(i));
      return false;
    case PolygonSide::FrontTouching:
    case PolygonSide::Spanning:
    case PolygonSide::BehindTouching:
      break;
  }

  const CornerTally sides = cutter.tallyCorners(
      {scene.vertex(t.vertexIndex(0)), scene.vertex(t.vertexIndex(1)), scene.vertex(t.vertexIndex(2))});
  const int front = sides.front;
  const int onPlane = sides.onPlane;
  const int f = sides.lastFront;
  const int b = sides.lastBehind;
  const int o = sides.lastOnPlane;

  if (onPlane == 2) {
    // An edge lies in the plane. From the front it records nothing; from
    // behind it is a segment, in the triangle's own corner order.
    if (front == 1) {
      frontTriangles.push_back(static_cast<std::uint32_t>(i));
    } else {
      assert(b >= 0);
      edges.insert({scene.vertex(t.vertexIndex((b + 1) % 3)), scene.vertex(t.vertexIndex((b + 2) % 3))});
      behindTriangles.push_back(static_cast<std::uint32_t>(i));
    }
    return false;
  }
  if (onPlane == 1) {
    // The same distances as classifyTriangle: one corner in front, one behind.
    assert(front == 1 && b >= 0);
    splitInTwo(scene, cutter, i, o, f, edges, frontTriangles, behindTriangles);
    return true;
  }
  assert(onPlane == 0 && (front == 1 || front == 2));
  const bool loneInFront = front == 1;
  splitInThree(scene, cutter, i, loneInFront ? f : b, loneInFront, edges, frontTriangles, behindTriangles);
  return true;
}

}  // namespace pw
