#include "cells/cell_faces.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>

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

  Plane cutterPlane(const BspNode& node) const {
    const Triangle& cutter = scene_.triangle(node.cutter);
    return {cutter.planeNormal(), scene_.vertex(cutter.vertexIndex(0))};
  }

  // Moves the faces around `id`'s cell to its children, cut by its plane,
  // and adds the face between the children.
  void divide(std::int32_t id, std::int32_t front, std::int32_t behind) {
    const BspNode& node = *nodes_[static_cast<std::size_t>(id)];
    const Plane plane = cutterPlane(node);
    std::vector<std::int32_t> around = std::move(piecesOf_[static_cast<std::size_t>(id)]);

    // The new face: the plane, clipped to this node's cell by the planes of
    // the faces around it (keeping the side the node lies on).
    Polygon polygon;
    if (usablePlane(plane)) {
      const Point3 extent = bounds_.max - bounds_.min;
      polygon = squareOnPlane(plane, 0.5 * (bounds_.min + bounds_.max), std::sqrt(dot(extent, extent)));
      for (const std::int32_t pieceId : around) {
        const Piece& piece = pieces_[static_cast<std::size_t>(pieceId)];
        const bool nodeInFront = piece.nodes[0] == id;
        polygon = clipToFront(polygon, nodeInFront ? piece.plane : piece.plane.flipped());
        if (polygon.size() < 3) break;
      }
    }

    for (const std::int32_t pieceId : around) {
      const std::size_t at = static_cast<std::size_t>(pieceId);
      const int side = pieces_[at].nodes[0] == id ? 0 : 1;
      assert(pieces_[at].nodes[side] == id);
      PolygonSplit split = splitPolygon(pieces_[at].polygon, plane);
      if (split.coplanar) {
        // Within the tolerance of this plane: it may border either child.
        split.front = pieces_[at].polygon;
        split.behind = pieces_[at].polygon;
      }
      // The id stays with the front part (or the only part), so the list of
      // the node across the face needs only the behind part added.
      if (!split.front.empty()) {
        pieces_[at].nodes[side] = front;
        piecesOf_[static_cast<std::size_t>(front)].push_back(pieceId);
        if (!split.behind.empty()) {
          Piece behindPart{std::move(split.behind), pieces_[at].plane, {pieces_[at].nodes[0], pieces_[at].nodes[1]}};
          behindPart.nodes[side] = behind;
          pieces_[at].polygon = std::move(split.front);
          addPiece(std::move(behindPart));
        } else {
          pieces_[at].polygon = std::move(split.front);
        }
      } else {
        pieces_[at].nodes[side] = behind;
        piecesOf_[static_cast<std::size_t>(behind)].push_back(pieceId);
      }
    }

    if (polygon.size() >= 3) addPiece({std::move(polygon), plane, {front, behind}});
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
        if (s != nullptr) result.facesOfSpace[s->number - 1].push_back(index);
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

Bounds cellBounds(const Scene& scene) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  Bounds box{{kInf, kInf, kInf}, {-kInf, -kInf, -kInf}};
  for (std::int32_t i = 0; i < scene.vertexCount(); ++i) {
    const Point3& p = scene.vertex(i);
    box.min = {std::min(box.min.x, p.x), std::min(box.min.y, p.y), std::min(box.min.z, p.z)};
    box.max = {std::max(box.max.x, p.x), std::max(box.max.y, p.y), std::max(box.max.z, p.z)};
  }
  if (scene.vertexCount() == 0) box = {{0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}};
  const Point3 extent = box.max - box.min;
  const double margin = 1.0 + 0.1 * std::max({extent.x, extent.y, extent.z});
  const Point3 grow{margin, margin, margin};
  return {box.min - grow, box.max + grow};
}

CellFaces computeCellFaces(const Scene& scene, const BspNode& root) {
  return FaceBuilder(scene, cellBounds(scene)).run(root);
}

}  // namespace pw
