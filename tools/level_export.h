// Writing a Quake III level as the viewer's level: a Wavefront OBJ of
// triangles, its material library, and the player start points.
//
// Only model 0 (the world) is written, its drawn faces only (see
// tools/level_surfaces.h). Axes and units: Quake's z-up units become the
// viewer's y-up ones by x' = s x, y' = s z, z' = -s y with s = kLevelScale;
// a rotation, so handedness and the corners' turning are kept.
//
// The OBJ holds only what the viewer's reader takes whole: "v" x y z, "vt"
// u v (v flipped, 1 - v, as OBJ images run upwards), "vn" (the level's
// vertex normals), "usemtl" before each run of faces of one shader, and
// triangles "f a/a/a b/b/b c/c/c" whose corners run counter-clockwise seen
// from the playable side, the side the vertex normals face. Numbers are the
// shortest decimals that read back as the same 32-bit floats. A triangle
// whose corners, as those floats, give no plane normal (they coincide or
// lie on a line) is left out and counted. Each point of a face is written
// once as v, vt and vn lines, so one number names all three.
#pragma once

#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "geometry/point3.h"
#include "tools/ibsp_file.h"
#include "tools/level_surfaces.h"

namespace pw {

// A standing player's eye is 50 units above the floor (the player's box
// reaches 24 units below its origin, the eye is kViewHeight above it); the
// viewer's eye stands 1.7 units above the floor.
inline constexpr double kLevelScale = 1.7 / 50.0;  // 0.034
inline constexpr double kViewHeight = 26.0;

// A Quake position or direction in the viewer's axes, unscaled.
Point3 toViewerAxes(const Point3& quake);

// The viewer's yaw for a Quake facing: the viewer looks along -z at yaw 0
// and turns right as yaw grows, so yaw = 90 - angle, in [0, 360).
double viewerYaw(double quakeAngle);

// One line of the starts file.
struct StartLine {
  Point3 eye;            // viewer axes and units: the origin raised by kViewHeight
  double yaw = 0.0;      // degrees, the viewer's convention
  double visibleShare = 1.0;  // tools/level_visibility.h
};

struct ImportSummary {
  std::uint64_t trianglesWritten = 0;
  std::uint64_t degenerateTriangles = 0;
  std::array<std::uint64_t, kSkipKindCount> skippedFaces{};  // by SkipKind
  std::uint64_t patches = 0;
  std::uint64_t patchTriangles = 0;  // written, of those patches
  std::uint64_t materials = 0;
  std::vector<StartLine> starts;
};

struct ImportOutputs {
  std::ostream& obj;
  std::ostream& mtl;
  std::ostream& starts;  // "x y z yaw share" lines
  std::string mtlFileName;  // as named by the OBJ's "mtllib" line
};

// Writes the three files. Throws ibsp::FormatError for bad entities or a
// node loop (the rest is checked by ibsp::readLevel).
ImportSummary exportLevel(const ibsp::Level& level, const ImportOutputs& out);

}  // namespace pw
