#include "cells/cell_faces.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "bsp/bsp_node.h"
#include "scene/scene.h"

namespace pw {
namespace {

constexpr std::int32_t kOutside = -1;

// A face under construction: its polygon and the two nodes (ids into
// `FaceBuilder::nodes_`) whose cells it separates, [0] in front of its plane
// and [1] behind it. Every id a node's list holds names a face that still
// touches that node's cell: a face that is cut keeps its id for one part.
struct Piece {
  Polygon polygon;
  Plane plane;
  std::int32_t nodes[2];
};

// How a face lies against a plane: Front or Behind when every corner lies
// clearly on that side; OnPlane when every corner lies within the
// tolerance; Spanning otherwise (some corner on the plane, or corners on
// both sides).
enum class FaceSide { Front, Behind, OnPlane, Spanning };

bool usablePlane(const Plane& plane) {
  const Point3& n = plane.normal;
  return std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z) && dot(n, n) > 0.0;
}

class FaceBuilder {
 public:
  FaceBuilder(const Scene& scene, const Bounds& bounds) : scene_(scene), bounds_(bounds) {}

  CellFaces run(const BspNode& root) {
    addNode(&root);
    addBoxFaces();
    std::vector<std::int32_t> stack{0};
    while (!stack.empty()) {
      const std::int32_t id = stack.back();
      stack.pop_back();
      const BspNode& node = *nodes_[static_cast<std::size_t>(id)];
      if (node.isSpace()) continue;
      const std::int32_t front = addNode(node.front);
      const std::int32_t behind = addNode(node.behind);
      divide(id, front, behind);
      stack.push_back(behind);
      stack.push_back(front);
    }
    return collect();
  }

 private:
  std::int32_t addNode(const BspNode* node) {
    nodes_.push_back(node);
    piecesOf_.emplace_back();
    return static_cast<std::int32_t>(nodes_.size() - 1);
  }

  std::int32_t addPiece(Piece piece) {
    pieces_.push_back(std::move(piece));
    const auto id = static_cast<std::int32_t>(pieces_.size() - 1);
    for (const std::int32_t node : pieces_.back().nodes) {
      if (node != kOutside) piecesOf_[static_cast<std::size_t>(node)].push_back(id);
    }
    return id;
  }

  // The six sides of the box, each between the root (in front: the
  // normals point inwards) and the outside.
  void addBoxFaces() {
    const Point3& lo = bounds_.min;
    const Point3& hi = bounds_.max;
    const Point3 centre = 0.5 * (lo + hi);
    const Point3 extent = hi - lo;
    const double halfSide = std::max({extent.x, extent.y, extent.z});
    const Plane sides[] = {
        {{1.0, 0.0, 0.0}, lo}, {{-1.0, 0.0, 0.0}, hi}, {{0.0, 1.0, 0.0}, lo},
        {{0.0, -1.0, 0.0}, hi}, {{0.0, 0.0, 1.0}, lo}, {{0.0, 0.0, -1.0}, hi},
    };
    for (const Plane& side : sides) {
      Polygon polygon = squareOnPlane(side, centre, halfSide);
      for (const Plane& other : sides) {
        if (&other != &side) polygon = clipToFront(polygon, other);
      }
      addPiece({std::move(polygon), side, {0, kOutside}});
    }
  }

  // Moves the faces around `id`'s cell to its children, cut by its plane,
  // and adds the face between the children.
  void divide(std::int32_t id, std::int32_t front, std::int32_t behind) {
    const BspNode& node = *nodes_[static_cast<std::size_t>(id)];
    const Plane plane = scene_.plane(node.cutter);
    const std::vector<std::int32_t> around = std::move(piecesOf_[static_cast<std::size_t>(id)]);

    // The new face is the plane's section of this node's cell. Its edges lie
    // on the faces around the cell that reach the plane (the cell is
    // convex), so only their planes clip it; a face wholly on one side of
    // the plane cannot, which keeps deep trees, whose cells have many
    // faces, from clipping by all of them.
    const bool usable = usablePlane(plane);
    Polygon polygon;
    bool reached = false;
    if (usable) {
      const Point3 extent = bounds_.max - bounds_.min;
      polygon = squareOnPlane(plane, 0.5 * (bounds_.min + bounds_.max), std::sqrt(dot(extent, extent)));
    }
    std::vector<FaceSide> sides(around.size());
    for (std::size_t k = 0; k < around.size(); ++k) {
      const Piece& piece = pieces_[static_cast<std::size_t>(around[k])];
      sides[k] = sideOf(piece.polygon, plane);
      if (sides[k] != FaceSide::OnPlane && sides[k] != FaceSide::Spanning) continue;
      reached = true;
      if (usable && polygon.size() >= 3) {
        polygon = clipToFront(polygon, piece.nodes[0] == id ? piece.plane : piece.plane.flipped());
      }
    }

    for (std::size_t k = 0; k < around.size(); ++k) {
      const std::int32_t pieceId = around[k];
      const std::size_t at = static_cast<std::size_t>(pieceId);
      const int side = pieces_[at].nodes[0] == id ? 0 : 1;
      assert(pieces_[at].nodes[side] == id);
      if (sides[k] == FaceSide::Front || sides[k] == FaceSide::Behind) {
        // Wholly on one side: the face only changes hands.
        const std::int32_t child = sides[k] == FaceSide::Front ? front : behind;
        pieces_[at].nodes[side] = child;
        piecesOf_[static_cast<std::size_t>(child)].push_back(pieceId);
        continue;
      }
      // Cut by the plane, or within its tolerance and so bordering either
      // child. The id stays with the front part, so the list of the node
      // across the face needs only the behind part added.
      PolygonSplit split = splitPolygon(pieces_[at].polygon, plane);
      if (split.coplanar) split.front = split.behind = pieces_[at].polygon;
      if (split.front.empty() || split.behind.empty()) {
        // Touching the plane from one side only.
        const std::int32_t child = split.front.empty() ? behind : front;
        pieces_[at].nodes[side] = child;
        piecesOf_[static_cast<std::size_t>(child)].push_back(pieceId);
        continue;
      }
      Piece behindPart{std::move(split.behind), pieces_[at].plane, {pieces_[at].nodes[0], pieces_[at].nodes[1]}};
      behindPart.nodes[side] = behind;
      pieces_[at].polygon = std::move(split.front);
      pieces_[at].nodes[side] = front;
      piecesOf_[static_cast<std::size_t>(front)].push_back(pieceId);
      addPiece(std::move(behindPart));
    }

    if (reached && polygon.size() >= 3) addPiece({std::move(polygon), plane, {front, behind}});
  }

  static FaceSide sideOf(const Polygon& polygon, const Plane& plane) {
    bool front = false;
    bool behind = false;
    bool on = false;
    for (const Point3& corner : polygon) {
      switch (sideOfDistance(plane.distance(corner))) {
        case PointSide::Front:
          front = true;
          break;
        case PointSide::Behind:
          behind = true;
          break;
        case PointSide::OnPlane:
          on = true;
          break;
      }
    }
    if (!on && front != behind) return front ? FaceSide::Front : FaceSide::Behind;
    if (!front && !behind) return FaceSide::OnPlane;
    return FaceSide::Spanning;
  }

  CellFaces collect() {
    CellFaces result;
    result.bounds = bounds_;
    std::uint64_t spaceCount = 0;
    for (const BspNode* node : nodes_) spaceCount = std::max(spaceCount, node->isSpace() ? node->number : 0);
    result.facesOfSpace.resize(spaceCount);
    for (Piece& piece : pieces_) {
      const auto space = [this](std::int32_t node) {
        return node == kOutside ? nullptr : nodes_[static_cast<std::size_t>(node)];
      };
      CellFace face{std::move(piece.polygon), piece.plane, space(piece.nodes[0]), space(piece.nodes[1])};
      assert((!face.front || face.front->isSpace()) && (!face.behind || face.behind->isSpace()));
      const auto index = static_cast<std::uint32_t>(result.faces.size());
      for (const BspNode* s : {face.front, face.behind}) {
        if (s != nullptr) result.facesOfSpace[spaceIndex(*s)].push_back(index);
      }
      result.faces.push_back(std::move(face));
    }
    return result;
  }

  const Scene& scene_;
  Bounds bounds_;
  std::vector<const BspNode*> nodes_;
  std::vector<std::vector<std::int32_t>> piecesOf_;
  std::vector<Piece> pieces_;
};

}  // namespace

Bounds levelBounds(const Scene& scene) {
  if (scene.vertexCount() == 0) return {};
  Bounds box = Bounds::empty();
  for (std::int32_t i = 0; i < scene.vertexCount(); ++i) box.grow(scene.vertex(i));
  return box;
}

Bounds cellBounds(const Scene& scene) {
  const Bounds box = levelBounds(scene);
  const Point3 extent = box.max - box.min;
  const double margin = 1.0 + 0.1 * std::max({extent.x, extent.y, extent.z});
  const Point3 grow{margin, margin, margin};
  return {box.min - grow, box.max + grow};
}

CellFaces computeCellFaces(const Scene& scene, const BspNode& root) {
  return FaceBuilder(scene, cellBounds(scene)).run(root);
}

}  // namespace pw
