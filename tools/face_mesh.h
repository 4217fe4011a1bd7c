// One face of a level as triangles over points of its own, in the level's
// own axes and units (Quake's: z up).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "geometry/point3.h"
#include "tools/ibsp_file.h"

namespace pw {

struct SurfacePoint {
  Point3 position;
  std::array<double, 2> texCoord{};  // as the level stores them (v grows downwards in the image)
  Point3 normal;
};

// Triangles index `points` and run counter-clockwise seen from the side the
// points' normals face: the playable side.
struct FaceMesh {
  std::vector<SurfacePoint> points;
  std::vector<std::array<std::int32_t, 3>> triangles;
};

SurfacePoint surfacePoint(const ibsp::Vertex& vertex);

// A polygon's or a mesh's triangles, from its meshverts (whose clockwise
// order is turned around), or a patch tessellated (tools/bezier_patch.h).
// Other face types give an empty mesh.
FaceMesh faceMesh(const ibsp::Level& level, const ibsp::Face& face);

}  // namespace pw
