// libFuzzer target: any bytes as an OBJ file, read from memory, with and
// without triangulation of polygons. Besides the sanitizers' checks, every
// Scene the reader builds must be usable by the rest of the pipeline: indices
// inside the arrays, finite coordinates, and report counts that agree with
// the Scene.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "scene/obj_reader.h"
#include "scene/scene.h"

namespace {

bool finite(const pw::Point3& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

void require(bool condition) {
  if (!condition) std::abort();
}

void check(std::string_view text, pw::ObjReadOptions options) {
  const std::size_t size = text.size();
  pw::Scene scene;
  const pw::ObjReadReport report = pw::readObjText(text, scene, options);

  require((report.ok() || report.unsupportedEncoding) && report.bytes == size);
  if (report.unsupportedEncoding) require(scene.vertexCount() == 0 && report.lines == 0);
  require(report.verticesAdded == static_cast<std::uint64_t>(scene.vertexCount()));
  require(report.normalsAdded == static_cast<std::uint64_t>(scene.normalCount()));
  require(report.trianglesAdded == static_cast<std::uint64_t>(scene.triangleCount()));
  require(report.verticesAdded <= report.vertexLines && report.normalsAdded <= report.normalLines);
  require(report.positionsMergedByRounding <= report.vertexLines - report.verticesAdded);
  require(report.polygonFaces + report.skippedLines <= report.lines);
  require(report.triangulatedFaces == (options.triangulate ? report.polygonFaces : 0));
  if (!options.triangulate) require(report.trianglesAdded <= report.faceLines);
  require(report.firstSkippedLines.size() <= pw::ObjReadReport::kSkippedLinesKept);
  require(report.firstPolygonFaceLines.size() <= pw::ObjReadReport::kSkippedLinesKept);

  for (std::int32_t i = 0; i < scene.vertexCount(); ++i) require(finite(scene.vertex(i)));
  for (std::int32_t i = 0; i < scene.normalCount(); ++i) require(finite(scene.normal(i)));
  for (std::int32_t t = 0; t < scene.triangleCount(); ++t) {
    const pw::Triangle& triangle = scene.triangle(t);
    for (int corner = 0; corner < 3; ++corner) {
      require(triangle.vertexIndex(corner) >= 0 && triangle.vertexIndex(corner) < scene.vertexCount());
      require(triangle.normalIndex(corner) >= 0 && triangle.normalIndex(corner) < scene.normalCount());
    }
    // Coordinates are finite 32-bit values, so in 64 bits neither the cross
    // product nor its squared length can overflow or vanish: the plane
    // normal has unit length or is exactly zero.
    const pw::Point3& n = triangle.planeNormal();
    const double length = std::sqrt(pw::dot(n, n));
    require(finite(n) && (length == 0.0 || std::fabs(length - 1.0) < 1e-12));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  check(text, {});
  check(text, pw::ObjReadOptions{.triangulate = true});
  return 0;
}
