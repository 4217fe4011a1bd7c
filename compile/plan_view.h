// A plan view of a compiled level: a horizontal slice seen from above, as an
// SVG picture a browser shows at 1:1. It shows every Space's cell where the
// slice crosses it (filled lightly, its number and triangle count as a
// tooltip), the level's triangles that cross the slice as walls, the
// designed portal fragments and the open links that cross it, open edges
// near it, an eye with its view wedge and a leak trail.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "geometry/point3.h"

namespace pw {

class Scene;
struct BuiltLevel;

struct PlanSlice {
  double height = 0.2;  // the slice is the plane y = height
  Point3 eye;           // drawn with its view wedge
  double yawDegrees = 0.0;        // 0: looking along -z; positive turns right
  double halfAngleDegrees = 30.0;  // half the wedge's opening
  // A leak trail, drawn seen from above whatever its heights; empty: none.
  std::vector<Point3> leakTrail;
};

// Writes the picture of `level` (built, with its cell links found) to `path`.
// False, with the reason in `error`, when the file cannot be written whole.
bool writePlanSvg(const std::filesystem::path& path, const Scene& scene, const BuiltLevel& level,
                  const PlanSlice& slice, std::string& error);

}  // namespace pw
