#include "compile/build_level.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

#include "regions/leak_graph.h"
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

// Refuses a level that does not open, makes the output folder and clears
// the stale "tris.log", as `request` says; false when the build cannot go on
// (`built` says why).
bool prepare(const LevelRequest& request, BuiltLevel& built) {
  const std::filesystem::path& outputDir = request.compile.outputDir;
  if (request.requireLevel) {
    built.unopened = openFailure(request.compile.levelPath);
    if (!built.unopened.empty()) return false;
  }
  const bool writeLogs = request.compile.build.writeLogs;
  if (request.makeOutputDir && writeLogs && !outputDir.empty()) {
    std::error_code error;
    std::filesystem::create_directories(outputDir, error);
    if (error) {
      built.outputFolderFailure = error.message();
      return false;
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
  return true;
}

// The cells, once: the links, the regions and the visible sets start from them.
void findCells(const Scene& scene, BuiltLevel& built) {
  if (!built.cells.facesOfSpace.empty()) return;
  const PhaseTimer timer(built.cellSeconds);
  built.cells = computeCellFaces(scene, *built.compiled->root);
}

void findCellLinks(const Scene& scene, BuiltLevel& built) {
  findCells(scene, built);
  {
    const PhaseTimer timer(built.linkSeconds);
    built.links = findOpenLinks(scene, built.cells);
  }
  built.linksFound = true;
  built.openLevel = reportOpenLevel(*built.compiled, built.cells, built.links);
  built.peaks.links = peakResidentKiB();
}

void findSightRegions(const Scene& scene, BuiltLevel& built) {
  findCells(scene, built);
  const PhaseTimer timer(built.sightSeconds);
  built.sight = findSightGraph(scene, *built.compiled->root, built.cells);
}

void checkForLeak(const Scene& scene, BuiltLevel& built, const Point3& inside) {
  findCells(scene, built);
  {
    const PhaseTimer timer(built.leakSeconds);
    const LeakGraph regions = findLeakGraph(scene, *built.compiled->root, built.cells);
    built.leak = findLeakTrail(scene, *built.compiled->root, regions, inside);
  }
  built.peaks.leak = peakResidentKiB();
}

void findSets(const Scene& scene, BuiltLevel& built, const SetsRequest& request) {
  if (built.sight.regions.empty()) findSightRegions(scene, built);
  {
    const PhaseTimer timer(built.visibleSetSeconds);
    built.visibleSets = findVisibleSets(built.sight, levelBounds(scene), request, built.setsReport);
  }
  built.peaks.visibleSets = peakResidentKiB();
}

bool wantsLinks(const LevelRequest& request, const Openness& openness) {
  switch (request.links) {
    case PhaseWanted::Always:
      return true;
    case PhaseWanted::IfOpen:
      return !openness.designHolds();
    case PhaseWanted::Never:
      return false;
  }
  return false;
}

// The phases after the tree that `request` asks for, each reading the tree.
void findWhatIsAsked(const Scene& scene, const LevelRequest& request, BuiltLevel& built) {
  if (wantsLinks(request, built.openness)) findCellLinks(scene, built);
  if (request.sightRegions) findSightRegions(scene, built);
  if (request.leakFrom) checkForLeak(scene, built, *request.leakFrom);
  if (request.visibleSets) {
    SetsRequest sets = request.sets;
    sets.threads = request.compile.build.threads;
    findSets(scene, built, sets);
  }
}

}  // namespace

BuiltLevel buildLevel(Scene& scene, const LevelRequest& request, const LevelCompiler& compile) {
  BuiltLevel built;
  if (!prepare(request, built)) return built;
  built.compiled = compile(scene, request.compile);
  built.peaks.compile = peakResidentKiB();
  built.openness = measureOpenness(*built.compiled);
  if (built.compiled->load.trianglesAdded != 0) findWhatIsAsked(scene, request, built);
  // "out.log" was written beside the phases above. Nothing more is written
  // to the three logs: close them before the caller reports anything, so
  // that a full disk shows up before anything claims the build went well.
  built.logFailures = built.compiled->logFailures();
  return built;
}

}  // namespace pw
