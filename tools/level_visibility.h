// What a Quake III level's own visibility data says is visible from a point:
// the point's leaf (found by descending the BSP nodes), the leaf's cluster,
// and the clusters that cluster's bit vector marks visible.
#pragma once

#include <cstdint>
#include <span>

#include "geometry/point3.h"
#include "tools/ibsp_file.h"

namespace pw {

// The leaf holding `point` (the level's own axes), descending from node 0:
// the front child when normal . point - distance >= 0, else the back one.
// -1 for a level without nodes. Throws ibsp::FormatError when the descent
// does not reach a leaf within as many steps as there are nodes (the
// children loop).
std::int32_t leafAt(const ibsp::Level& level, const Point3& point);

// The share (0 to 1) of the imported triangles that lie in faces referenced
// by the leaves of clusters visible from `cluster`, each face counted once;
// `trianglesPerFace[f]` is face f's imported triangle count. 1 for cluster
// -1 or a level without visibility data, 0 when nothing was imported.
double visibleShare(const ibsp::Level& level, std::int32_t cluster, std::span<const std::uint64_t> trianglesPerFace);

}  // namespace pw
