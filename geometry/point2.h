// A point of a plane picture or a projection, in 64-bit floating point.
#pragma once

#include <array>

namespace pw {

// x then y; std::array's order is the exact lexicographic one.
using Point2 = std::array<double, 2>;

}  // namespace pw
