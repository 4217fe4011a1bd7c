// Bit-for-bit comparison of points: results are part of the contract down
// to the last bit and the sign of a zero, which == does not see.
#pragma once

#include <cstring>

#include "geometry/point3.h"

namespace pw::testing_support {

inline bool sameBits(const Point3& a, const Point3& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace pw::testing_support
