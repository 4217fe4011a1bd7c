#include "compile/build_level.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

#include "bsp/peak_memory.h"
#include "bsp/stopwatch.h"

namespace pw {
namespace {

// Why `level` does not open for reading; empty when it does. A folder opens
// here: the reader says what it is.
std::string openFailure(const std::filesystem::path& level) {
  if (std::ifstream(level)) return {};
  return std::strerror(errno);
}

}  // namespace

BuiltLevel buildLevel(Scene& scene, const BuildLevelOptions& options, const LevelCompiler& compile) {
  BuiltLevel built;
  const std::filesystem::path& outputDir = options.compile.outputDir;
  if (options.requireLevel) {
    built.unopened = openFailure(options.compile.levelPath);
    if (!built.unopened.empty()) return built;
  }
  if (!outputDir.empty()) {
    std::error_code error;
    std::filesystem::create_directories(outputDir, error);
    if (error) {
      built.outputFolderFailure = error.message();
      return built;
    }
  }
  // "tris.log" is only written when a portal is created: one left over from
  // an earlier run would pass for this level's.
  std::filesystem::remove(outputDir / "tris.log");

  built.compiled = compile(scene, options.compile);
  built.peakMemoryKiB = peakResidentKiB();
  // Nothing more is written to the three logs: close them now, so that a full
  // disk shows up before anything claims the build went well.
  built.logFailures = built.compiled->logFailures();
  built.openness = measureOpenness(*built.compiled);

  const bool wanted = options.cellLinks == CellLinks::Always ||
                      (options.cellLinks == CellLinks::WhenOpen && !built.openness.designHolds());
  if (wanted && built.compiled->root != nullptr) {
    const Stopwatch cellTime;
    built.cells = computeCellFaces(scene, *built.compiled->root);
    built.cellSeconds = cellTime.seconds();
    const Stopwatch linkTime;
    built.links = findOpenLinks(scene, built.cells);
    built.linkSeconds = linkTime.seconds();
    built.linksFound = true;
    built.openLevel = reportOpenLevel(*built.compiled, built.cells, built.links);
  }
  return built;
}

}  // namespace pw
