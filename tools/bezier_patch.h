// Tessellating a Quake III patch: a grid of control points, width x height
// (both odd, at least 3), made of (width - 1) / 2 x (height - 1) / 2
// biquadratic Bezier pieces of 3 x 3 control points that share their
// border rows and columns.
//
// Subdivision: every piece of a patch is cut into the same number of
// segments along the rows, and the same along the columns (so neighbouring
// pieces meet without cracks). Along one direction that number is the
// fewest segments, from 1 to kMaxPatchSegments, that keep each control
// curve of that direction (three control points a, b, c) within
// kPatchTolerance of its chords: a quadratic strays at most
// |a - 2b + c| / (4 n^2) from the chords of n equal steps. A flat piece is
// one quad (two triangles).
#pragma once

#include <span>

#include "tools/face_mesh.h"

namespace pw {

// The largest distance, in the level's units, between a patch and its
// triangles; Quake III's renderer allows 4 by default.
inline constexpr double kPatchTolerance = 4.0;
inline constexpr int kMaxPatchSegments = 8;

// Segments along one direction for the largest |a - 2b + c| of its control
// curves.
int patchSegments(double largestSecondDifference);

// The tessellated surface: positions, texture coordinates and normals
// blended from the control points (normals then made unit length).
// `controls` holds width * height points, row by row.
FaceMesh tessellatePatch(std::span<const SurfacePoint> controls, int width, int height);

}  // namespace pw
