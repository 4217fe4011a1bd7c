// Axis-aligned boxes: around a level, a cell, a polygon, a room.
#pragma once

#include <span>

#include "geometry/point3.h"

namespace pw {

// An axis-aligned box: min and max corners.
struct Bounds {
  Point3 min;
  Point3 max;

  // Holds no point: min at +infinity, max at -infinity, so growing it by a
  // point gives that point's box.
  static Bounds empty();

  // Grown to hold `p`, each axis on its own. The new coordinate is taken
  // only where it lies beyond the box, so a NaN coordinate never enters a
  // box (but a box started at a NaN keeps it).
  void grow(const Point3& p);

  bool contains(const Point3& p) const {
    return p.x >= min.x && p.x <= max.x && p.y >= min.y && p.y <= max.y && p.z >= min.z && p.z <= max.z;
  }

  // Whether the two boxes come closer than the plane tolerance on every
  // axis: if not, nothing in the one touches anything in the other.
  bool meets(const Bounds& other) const;
};

// The box around `points`, started at the first of them (there must be one).
Bounds boundsOf(std::span<const Point3> points);

}  // namespace pw
