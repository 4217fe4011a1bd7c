#include "tools/bezier_patch.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstddef>

namespace pw {
namespace {

// The three Bernstein weights of a quadratic at t.
std::array<double, 3> weights(double t) {
  const double s = 1.0 - t;
  return {s * s, 2.0 * s * t, t * t};
}

// Where grid line `line` of `segments` per piece falls: its piece's first
// control line (0, 2, 4, ...) and the parameter within that piece. The last
// line ends the last piece.
struct PieceParameter {
  int firstControl;
  double t;
};

PieceParameter pieceParameter(int line, int segments, int pieces) {
  const int piece = std::min(line / segments, pieces - 1);
  return {2 * piece, static_cast<double>(line - piece * segments) / segments};
}

// The largest |a - 2b + c| over the control curves along the rows (alongRows)
// or along the columns.
double largestSecondDifference(std::span<const SurfacePoint> controls, int width, int height, bool alongRows) {
  const int lines = alongRows ? height : width;
  const int length = alongRows ? width : height;
  const auto at = [&](int line, int k) -> const Point3& {
    const int index = alongRows ? line * width + k : k * width + line;
    return controls[static_cast<std::size_t>(index)].position;
  };
  double largest = 0.0;
  for (int line = 0; line < lines; ++line) {
    for (int k = 0; k + 2 < length; k += 2) {
      const Point3 d = at(line, k) - 2.0 * at(line, k + 1) + at(line, k + 2);
      largest = std::max(largest, std::sqrt(dot(d, d)));
    }
  }
  return largest;
}

}  // namespace

int patchSegments(double largestSecondDifference) {
  const double segments = std::ceil(std::sqrt(largestSecondDifference / (4.0 * kPatchTolerance)));
  if (!(segments < kMaxPatchSegments)) return kMaxPatchSegments;
  return std::max(1, static_cast<int>(segments));
}

FaceMesh tessellatePatch(std::span<const SurfacePoint> controls, int width, int height) {
  assert(width >= 3 && height >= 3 && width % 2 == 1 && height % 2 == 1);
  assert(controls.size() == static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  const int piecesU = (width - 1) / 2, piecesV = (height - 1) / 2;
  const int segmentsU = patchSegments(largestSecondDifference(controls, width, height, true));
  const int segmentsV = patchSegments(largestSecondDifference(controls, width, height, false));
  const int columns = piecesU * segmentsU + 1, rows = piecesV * segmentsV + 1;

  FaceMesh mesh;
  mesh.points.reserve(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows));
  for (int row = 0; row < rows; ++row) {
    const PieceParameter v = pieceParameter(row, segmentsV, piecesV);
    const std::array<double, 3> wv = weights(v.t);
    for (int column = 0; column < columns; ++column) {
      const PieceParameter u = pieceParameter(column, segmentsU, piecesU);
      const std::array<double, 3> wu = weights(u.t);
      SurfacePoint point;
      for (int a = 0; a < 3; ++a) {
        for (int b = 0; b < 3; ++b) {
          const double w = wv[a] * wu[b];
          const SurfacePoint& c = controls[static_cast<std::size_t>((v.firstControl + a) * width + u.firstControl + b)];
          point.position = point.position + w * c.position;
          point.texCoord = {point.texCoord[0] + w * c.texCoord[0], point.texCoord[1] + w * c.texCoord[1]};
          point.normal = point.normal + w * c.normal;
        }
      }
      point.normal = point.normal.normalized();
      mesh.points.push_back(point);
    }
  }
  // Seen from the side the normals face, rows run one way and columns the
  // other such that (row, column) -> (row, column + 1) -> (row + 1, column + 1)
  // turns counter-clockwise.
  mesh.triangles.reserve(2 * static_cast<std::size_t>(columns - 1) * static_cast<std::size_t>(rows - 1));
  for (int row = 0; row + 1 < rows; ++row) {
    for (int column = 0; column + 1 < columns; ++column) {
      const std::int32_t a = row * columns + column, b = a + 1, d = a + columns, e = d + 1;
      mesh.triangles.push_back({a, b, e});
      mesh.triangles.push_back({a, e, d});
    }
  }
  return mesh;
}

}  // namespace pw
