#include "compile/build_level.h"

#include <cassert>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

#include "support/peak_memory.h"
#include "support/stopwatch.h"

namespace pw {
namespace {

// Why `level` does not open for reading; empty when it does. A folder opens
// here: the reader says what it is.
std::string openFailure(const std::filesystem::path& level) {
  if (std::ifstream(level)) return {};
  return std::strerror(errno);
}

// The cells, once: both the links and the sight regions start from them.
void findCells(const Scene& scene, BuiltLevel& level) {
  assert(level.compiled != nullptr && level.compiled->root != nullptr);
  if (!level.cells.facesOfSpace.empty()) return;
  const PhaseTimer timer(level.cellSeconds);
  level.cells = computeCellFaces(scene, *level.compiled->root);
}

}  // namespace

BuiltLevel buildLevel(Scene& scene, const BuildLevelOptions& options, const LevelCompiler& compile) {
  BuiltLevel built;
  const std::filesystem::path& outputDir = options.compile.outputDir;
  if (options.requireLevel) {
    built.unopened = openFailure(options.compile.levelPath);
    if (!built.unopened.empty()) return built;
  }
  const bool writeLogs = options.compile.build.writeLogs;
  if (options.makeOutputDir && writeLogs && !outputDir.empty()) {
    std::error_code error;
    std::filesystem::create_directories(outputDir, error);
    if (error) {
      built.outputFolderFailure = error.message();
      return built;
    }
  }
  // "tris.log" is only written when a portal is created: one left over from
  // an earlier run would pass for this level's. Without logs the folder is
  // not touched: its three logs, if any, stay together as one earlier run's.
  if (writeLogs) {
    // A "tris.log" that cannot be removed cannot be written either: the
    // builder reports that.
    std::error_code ignored;
    std::filesystem::remove(outputDir / "tris.log", ignored);
  }

  built.compiled = compile(scene, options.compile);
  built.peakMemoryKiB = peakResidentKiB();
  // Nothing more is written to the three logs: close them now, so that a full
  // disk shows up before anything claims the build went well.
  built.logFailures = built.compiled->logFailures();
  built.openness = measureOpenness(*built.compiled);
  return built;
}

void findCellLinks(const Scene& scene, BuiltLevel& level) {
  findCells(scene, level);
  const Stopwatch linkTime;
  level.links = findOpenLinks(scene, level.cells);
  level.linkSeconds = linkTime.seconds();
  level.openLevel = reportOpenLevel(*level.compiled, level.cells, level.links);
}

void findSightRegions(const Scene& scene, BuiltLevel& level) {
  findCells(scene, level);
  const PhaseTimer timer(level.sightSeconds);
  level.sight = findSightGraph(scene, *level.compiled->root, level.cells);
}

}  // namespace pw
