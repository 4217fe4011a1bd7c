// The triangle phase of a split: one triangle sorted to a side of the
// cutter's plane, cut into the Scene when it straddles it.
#pragma once

#include <cstdint>
#include <vector>

namespace pw {

class EdgeSet;
class Scene;
class Triangle;

// Sorts triangle i to a side of the cutter plane (`cutter` is a copy of the
// triangle at `cutterIndex`, which itself goes to the front), cutting it
// into the Scene when it straddles the plane: the piece kept at i and the
// appended pieces go to their sides. Records in `edges` where behind-side
// geometry meets the plane. Returns true when the triangle was cut.
bool splitTriangle(Scene& scene, const Triangle& cutter, std::int32_t cutterIndex, std::int32_t i, EdgeSet& edges,
                   std::vector<std::uint32_t>& frontTriangles, std::vector<std::uint32_t>& behindTriangles);

}  // namespace pw
