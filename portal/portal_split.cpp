#include <array>
#include <cassert>
#include <memory>

#include "portal/portal.h"
#include "scene/triangle.h"

namespace pw {
namespace {

using Corners = std::array<Point3, 3>;

// The two pieces a fragment's triangles are sorted into.
struct Pieces {
  Portal& front;
  Portal& behind;
};

// Where the edge from a to b meets the cutter plane. Per coordinate in 64-bit
// floating point, a.x + t * (b.x - a.x) and so on: keep this form, the
// corners are compared exactly later on.
Point3 crossing(const Triangle& cutter, const Point3& a, const Point3& b) {
  const double t = cutter.intersectionParameter(a, b);
  return a + t * (b - a);
}

// One corner P alone on its side, Q and R on the other: P's side gets
// (P, X1, X2), the other side (X1, Q, R) and (X1, R, X2), where X1 and X2 are
// the crossings on PQ and PR. The recorded segment runs the way the behind
// piece's boundary runs along the cut.
void cutOffCorner(const Triangle& cutter, EdgeSet& edges, const Point3& p, const Point3& q, const Point3& r,
                  Portal& loneSide, Portal& pairSide, bool loneInFront) {
  const Point3 x1 = crossing(cutter, p, q);
  const Point3 x2 = crossing(cutter, p, r);
  edges.insert(loneInFront ? PointPair{x2, x1} : PointPair{x1, x2});
  loneSide.addTriangle(p, x1, x2);
  pairSide.addTriangle(x1, q, r);
  pairSide.addTriangle(x1, r, x2);
}

// A triangle that touches or crosses the plane: at most one segment is
// recorded, always before its pieces are added.
void divideTouching(const Triangle& cutter, EdgeSet& edges, const Corners& v, Pieces pieces) {
  const CornerTally sides = cutter.tallyCorners(v);
  const int frontCount = sides.front;
  const int onPlaneCount = sides.onPlane;
  const int f = sides.lastFront;
  const int b = sides.lastBehind;
  const int o = sides.lastOnPlane;
  const auto at = [&v](int i) -> const Point3& { return v[static_cast<std::size_t>(i % 3)]; };

  if (onPlaneCount == 2) {
    if (frontCount == 1) {
      // a. An edge in the plane, the rest in front: it only touches.
      pieces.front.addTriangle(v[0], v[1], v[2]);
      return;
    }
    // b. An edge in the plane, the rest behind: that edge, in corner order.
    edges.insert({at(b + 1), at(b + 2)});
    pieces.behind.addTriangle(v[0], v[1], v[2]);
    return;
  }
  if (onPlaneCount == 1) {
    // c. Through corner A; B and D on opposite sides. Both halves keep A.
    const Point3& a = at(o);
    const Point3& bCorner = at(o + 1);
    const Point3& d = at(o + 2);
    const Point3 x = crossing(cutter, bCorner, d);
    const bool bInFront = (o + 1) % 3 == f;
    edges.insert(bInFront ? PointPair{a, x} : PointPair{x, a});
    Portal& bSide = bInFront ? pieces.front : pieces.behind;
    Portal& dSide = bInFront ? pieces.behind : pieces.front;
    bSide.addTriangle(a, bCorner, x);
    dSide.addTriangle(a, x, d);
    return;
  }
  assert(onPlaneCount == 0 && (frontCount == 1 || frontCount == 2));
  if (frontCount == 1) {
    // d. One corner in front, two behind.
    cutOffCorner(cutter, edges, at(f), at(f + 1), at(f + 2), pieces.front, pieces.behind, true);
  } else {
    // e. One corner behind, two in front.
    cutOffCorner(cutter, edges, at(b), at(b + 1), at(b + 2), pieces.behind, pieces.front, false);
  }
}

void divideTriangle(const Triangle& cutter, EdgeSet& edges, const Corners& v, Pieces pieces) {
  switch (cutter.classifyPortal(v)) {
    case PolygonSide::Behind:
      pieces.behind.addTriangle(v[0], v[1], v[2]);
      return;
    case PolygonSide::Front:
    case PolygonSide::Coplanar:
      pieces.front.addTriangle(v[0], v[1], v[2]);
      return;
    case PolygonSide::FrontTouching:
    case PolygonSide::Spanning:
    case PolygonSide::BehindTouching:
      divideTouching(cutter, edges, v, pieces);
      return;
  }
}

}  // namespace

void splitPortal(const Triangle& cutter, EdgeSet& edges, Portal* fragment, std::vector<Portal*>& frontList,
                 std::vector<Portal*>& behindList, PortalStore& store) {
  if (fragment->triangleCount() == 0) {
    // Split earlier through its twin: its children take its place, front first.
    assert(fragment->front() != nullptr && fragment->behind() != nullptr);
    splitPortal(cutter, edges, fragment->front(), frontList, behindList, store);
    splitPortal(cutter, edges, fragment->behind(), frontList, behindList, store);
    return;
  }

  auto frontPiece = std::make_unique<Portal>();
  auto behindPiece = std::make_unique<Portal>();
  for (const PortalTriangle& triangle : fragment->triangles()) {
    divideTriangle(cutter, edges, triangle.vertices, {*frontPiece, *behindPiece});
  }

  if (frontPiece->triangleCount() > 0 && behindPiece->triangleCount() > 0) {
    fragment->setChildren(frontPiece.get(), behindPiece.get());
    frontList.push_back(store.adopt(std::move(frontPiece)));
    behindList.push_back(store.adopt(std::move(behindPiece)));
    return;
  }
  // All on one side: the fragment keeps its identity and the unused pieces
  // (with their twins) go at once.
  (frontPiece->triangleCount() > 0 ? frontList : behindList).push_back(fragment);
}

}  // namespace pw
