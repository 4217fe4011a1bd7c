// A directed segment between two points.
#pragma once

#include "geometry/point3.h"

namespace pw {

// A directed segment from `first` to `second`.
struct PointPair {
  Point3 first;
  Point3 second;
};

}  // namespace pw
