// libFuzzer target: any bytes as a Quake III level file. The reader refuses
// them with ibsp::FormatError (and nothing else), or the level it gives
// exports whole: the viewer's OBJ reader keeps every line written, as many
// triangles as the summary counts, each with a plane; one starts line per
// start, each share between 0 and 1.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "scene/obj_reader.h"
#include "scene/scene.h"
#include "tools/ibsp_file.h"
#include "tools/level_export.h"

namespace {

void require(bool condition) {
  if (!condition) std::abort();
}

void check(const pw::ibsp::Level& level) {
  std::ostringstream obj, mtl, starts;
  const pw::ImportSummary summary = pw::exportLevel(level, {obj, mtl, starts, "fuzz.mtl"});
  pw::Scene scene;
  const pw::ObjReadReport report = pw::readObjText(obj.str(), scene);
  require(report.ok() && report.skippedLines == 0 && report.polygonFaces == 0);
  require(report.trianglesAdded == summary.trianglesWritten && summary.patchTriangles <= summary.trianglesWritten);
  for (std::int32_t t = 0; t < scene.triangleCount(); ++t) {
    const pw::Point3& n = scene.triangle(t).planeNormal();
    require(n.x != 0.0 || n.y != 0.0 || n.z != 0.0);
  }
  const std::string startsText = starts.str();
  require(static_cast<std::size_t>(std::count(startsText.begin(), startsText.end(), '\n')) == summary.starts.size());
  for (const pw::StartLine& start : summary.starts) require(start.visibleShare >= 0.0 && start.visibleShare <= 1.0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  pw::ibsp::Level level;
  try {
    level = pw::ibsp::readLevel({reinterpret_cast<const std::byte*>(data), size});
    check(level);
  } catch (const pw::ibsp::FormatError&) {
  }
  return 0;
}
