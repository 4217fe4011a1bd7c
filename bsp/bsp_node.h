// The nodes of the BSP tree: inner nodes divided by a cutter triangle's
// plane, and leaves (Spaces) holding a convex set of triangles and the portal
// fragments that lead out of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "geometry/point3.h"

namespace pw {

class Portal;
class Scene;

struct BspNode {
  // A Space: copies of the lists it was built from; `number` is its creation
  // number (1 for the first Space a build makes), which identifies it in logs.
  BspNode(std::vector<std::uint32_t> spaceTriangles, std::vector<Portal*> spacePortals, std::uint64_t spaceNumber)
      : triangles(std::move(spaceTriangles)), portals(std::move(spacePortals)), number(spaceNumber) {}
  // An inner node: both lists empty.
  BspNode(std::int32_t cutterIndex, BspNode* frontChild, BspNode* behindChild)
      : cutter(cutterIndex), front(frontChild), behind(behindChild) {}

  bool isSpace() const { return cutter == -1; }

  // Replaces every split fragment in the Spaces' portal lists by its leaf
  // fragments (depth first, front before behind), over this whole subtree.
  void collectLeafFragments();

  // Scene triangle indices, in the order of the list the Space was built from.
  std::vector<std::uint32_t> triangles;
  // Non-owning; after collectLeafFragments only leaf fragments.
  std::vector<Portal*> portals;
  // Scene triangle index of the dividing plane; -1 in a Space.
  std::int32_t cutter = -1;
  // Front: the side the cutter's plane normal points to, plus its plane.
  BspNode* front = nullptr;
  BspNode* behind = nullptr;
  std::uint64_t number = 0;
};

// A Space's 0-based index, by which the per-Space tables (cells, links,
// regions) are kept: its number less one.
inline std::size_t spaceIndex(const BspNode& space) { return static_cast<std::size_t>(space.number - 1); }

// Points the twins of all leaf fragments under `fragment` at `space`.
void attachPortal(Portal* fragment, BspNode* space);

// The Space that holds `point`, found by descending from `root` (finished:
// its cutters are Scene triangles): Behind a cutter's plane (beyond the plane
// tolerance) goes to `behind`, Front or OnPlane to `front`, so a point on a
// cutter plane counts as in front of it.
const BspNode& locateSpace(const Scene& scene, const BspNode& root, const Point3& point);

// Every Space whose region holds `point` up to the plane tolerance: on a
// cutter plane (OnPlane) the point lies in the Spaces on both sides, as an
// eye standing on a wall's plane sees into both. The first is locateSpace's.
std::vector<const BspNode*> spacesAt(const Scene& scene, const BspNode& root, const Point3& point);

// Every Space whose region the convex hull of `points` may meet: a cutter
// leads to `front` when some point is Front or OnPlane, to `behind` when
// some point is Behind or OnPlane. For one point, spacesAt.
std::vector<const BspNode*> spacesMeeting(const Scene& scene, const BspNode& root, std::span<const Point3> points);

// The Spaces of the subtree in dump order: depth first, front before behind.
std::vector<const BspNode*> collectSpaces(const BspNode& root);

}  // namespace pw
