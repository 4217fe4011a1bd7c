// Portal fragments: the triangles of an opening between two Spaces, their
// twins facing the other way, and the binary trees that later cutters make of
// them.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "scene/edge_set.h"
#include "geometry/point3.h"

namespace pw {

class Portal;
class Triangle;
struct BspNode;

// One triangle of a fragment. Corners are held by value, in winding order;
// they are not Scene vertices.
class PortalTriangle {
 public:
  PortalTriangle(const Point3& a, const Point3& b, const Point3& c) : vertices{a, b, c} {}

  std::array<Point3, 3> vertices;
};

// A fragment, always made together with its twin, which covers the same area
// with every triangle's corners reversed. A fragment is either a leaf (at
// least one triangle, no children) or split (no triangles, both children);
// `triangleCount() == 0` is the test for a split fragment everywhere.
//
// Ownership: `Portal()` allocates the twin, and the object made by `Portal()`
// (the primary) owns it. Only primaries are ever destroyed; destroying one
// detaches and destroys its twin and never touches children. Fragments that
// outlive their creation are kept by a `PortalStore`.
class Portal {
 public:
  Portal();
  ~Portal();
  Portal(const Portal&) = delete;
  Portal& operator=(const Portal&) = delete;

  Portal* twin() const { return twin_; }
  std::int32_t triangleCount() const { return static_cast<std::int32_t>(triangles_.size()); }
  const PortalTriangle& triangle(std::int32_t i) const { return triangles_[static_cast<std::size_t>(i)]; }
  const std::vector<PortalTriangle>& triangles() const { return triangles_; }

  // The triangle whose winding tells which way the fragment faces: the first
  // one whose cross product is not negligible against the square of its
  // longest edge. Null when every triangle is such a sliver (or there is
  // none): then the fragment's facing cannot be told.
  const PortalTriangle* facingTriangle() const;

  // Appends (a, b, c) here and (c, b, a) to the twin; returns the new
  // triangle's index in this fragment.
  std::int32_t addTriangle(const Point3& a, const Point3& b, const Point3& c);

  // Makes this fragment split: children set, their targets inherited, own
  // triangles released; the twin gets the children's twins the same way.
  void setChildren(Portal* front, Portal* behind);

  Portal* front() const { return front_; }
  Portal* behind() const { return behind_; }
  // The Space this fragment leads into; null until it is known.
  BspNode* target() const { return target_; }
  void setTarget(BspNode* space) { target_ = space; }

 private:
  // The twin of `primary`; owns nothing.
  explicit Portal(Portal* primary);

  std::vector<PortalTriangle> triangles_;
  Portal* twin_;
  // Set in a primary only: the twin it made and destroys.
  std::unique_ptr<Portal> ownedTwin_;
  Portal* front_ = nullptr;
  Portal* behind_ = nullptr;
  BspNode* target_ = nullptr;
};

// A triangle whose cross product is below this share of its longest edge
// squared is a sliver (its height is under that share of its length): the
// tessellator makes them on collinear ring points, and their cross product is
// rounding noise whose sign means nothing. The rounding of a cross product of
// corners computed from float input is about 1e-13 of the edge length
// squared for corners up to a thousand edge lengths from the origin, far
// below this; any triangle meant to have area is far above it.
inline constexpr double kSliverCrossShare = 1e-9;

// Keeps fragment pairs alive for as long as the built tree is in use, and
// releases them all at once at the end.
class PortalStore {
 public:
  // Takes a primary (and so its twin); returns it for convenience.
  Portal* adopt(std::unique_ptr<Portal> primary);
  std::size_t size() const { return primaries_.size(); }

 private:
  std::vector<std::unique_ptr<Portal>> primaries_;
};

// Divides `fragment` by the plane of `cutter` (cases a-e per triangle),
// appending the fragment or its two new children to `frontList` / `behindList`
// and recording at most one on-plane segment per triangle in `edges`, in the
// direction the behind piece's boundary runs. A fragment split earlier
// through its twin is walked front child first. New children are kept by
// `store`; a piece pair that is not needed is destroyed at once.
void splitPortal(const Triangle& cutter, EdgeSet& edges, Portal* fragment, std::vector<Portal*>& frontList,
                 std::vector<Portal*>& behindList, PortalStore& store);

}  // namespace pw
