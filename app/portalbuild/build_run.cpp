#include "app/portalbuild/build_run.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "app/cli/output_paths.h"
#include "app/portalbuild/build_summary.h"
#include "compile/build_level.h"
#include "compile/plan_view.h"
#include "compile/portal_files.h"
#include "compile/vis_file.h"
#include "culling/camera.h"
#include "diag/open_edges.h"
#include "diag/point_file.h"
#include "regions/leak_search.h"
#include "scene/scene.h"
#include "support/exit_codes.h"
#include "support/peak_memory.h"
#include "support/stopwatch.h"
#include "support/whole_file.h"

namespace pw {
namespace {

// Works out the potentially visible sets, writes them next to the logs and
// says how long that took and how much a set holds on average.
bool writeVisibleSets(const PortalbuildOptions& options, const Scene& scene, const BuiltLevel& built) {
  const BspNode& root = *built.compiled->root;
  const Stopwatch time;
  // A closed level's designed portals show everything in view; the links
  // would only widen the sets.
  const OpenLinks none;
  const VisibleSets sets = computeVisibleSets(scene, root, built.cells,
                                              built.openness.designHolds() ? none : built.links, options.build.threads);
  const double seconds = time.seconds();
  const std::filesystem::path file = options.outputDir / kVisFileName;
  std::string error;
  if (!writeVisFile(file, sets, visFingerprint(scene, root), error)) {
    std::cerr << "portalbuild: cannot write " << file.string() << ": " << error << '\n';
    return false;
  }
  if (options.quiet) return true;
  std::uint64_t seen = 0;
  for (std::uint64_t space = 1; space <= sets.spaces(); ++space) seen += sets.count(space);
  const double spaces = static_cast<double>(sets.spaces());
  std::printf("visible sets:  %s in %.3f s; a Space may see %.1f%% of the %llu Spaces on average\n",
              file.string().c_str(), seconds, spaces == 0.0 ? 0.0 : 100.0 * static_cast<double>(seen) / spaces / spaces,
              static_cast<unsigned long long>(sets.spaces()));
  return true;
}

// Editors show a leak trail with a point every half unit.
constexpr double kTrailSpacing = 0.5;

// Writes the trail to `file`. Without a leak, a trail an earlier run left
// there is removed so that an editor never shows a stale one; anything else
// there is left as it is.
bool writeLeakTrail(const std::filesystem::path& file, BuildSummary& summary) {
  std::string error;
  if (!summary.leak.leaks()) {
    std::error_code missing;
    if (!std::filesystem::exists(std::filesystem::symlink_status(file, missing))) return true;
    if (!isPointFile(file)) {
      std::cerr << "portalbuild: no leak; " << file.string() << " is left as it is (not a leak trail)\n";
    } else if (std::filesystem::remove(file, missing)) {
      std::cerr << "portalbuild: no leak; removed the earlier leak trail " << file.string() << '\n';
    }
    return true;
  }
  if (!writePointFile(file, summary.leak.path, kTrailSpacing, error)) {
    std::cerr << "portalbuild: cannot write " << file.string() << ": " << error << '\n';
    return false;
  }
  summary.leakFile = file.string();
  return true;
}

// Why the command line's outputs may not be written: one of them is the
// level. Empty when none is.
std::string outputsNamingTheLevel(const PortalbuildOptions& options) {
  std::vector<NamedPath> outputs = {{"--json", options.jsonPath},          {"--open-edges", options.openEdgesPath},
                                    {"--prt", options.prtPath},            {"--portals-obj", options.portalsObjPath},
                                    {"--svg", options.svgPath},            {"--leak", options.leakPath}};
  if (options.build.writeLogs) {
    for (const char* log : kBuildLogNames) outputs.push_back({"the log", options.outputDir / log});
  }
  if (options.visibleSets) outputs.push_back({"the visible sets", options.outputDir / kVisFileName});
  const NamedPath inputs[] = {{"the level", options.level}};
  return outputNamingInput(outputs, inputs);
}

}  // namespace

int runPortalbuild(const PortalbuildOptions& options) {
  if (const std::string clash = outputsNamingTheLevel(options); !clash.empty()) {
    std::cerr << "portalbuild: " << clash << '\n';
    return kExitUsage;
  }
  if (options.planHeight && options.svgPath.empty()) std::cerr << "portalbuild: --at does nothing without --svg\n";
  Scene scene;
  BuildLevelOptions buildOptions;
  buildOptions.requireLevel = true;
  buildOptions.makeOutputDir = true;
  buildOptions.compile.levelPath = options.level;
  buildOptions.compile.outputDir = options.outputDir;
  buildOptions.compile.build = options.build;
  buildOptions.compile.read = options.read;
  const bool showProgress = !options.quiet && isatty(STDERR_FILENO) != 0;
  if (showProgress) {
    // Splitting adds triangles, so the share is of the Scene as it is now.
    buildOptions.compile.progress = [&scene](std::uint64_t settled) {
      const auto total = static_cast<std::uint64_t>(scene.triangleCount());
      std::cerr << "\rbuilding: " << (total == 0 ? 100 : settled * 100 / total) << "% of triangles settled"
                << std::flush;
    };
  }
  BuiltLevel built = buildLevel(scene, buildOptions);
  if (!built.unopened.empty()) {
    std::cerr << "portalbuild: cannot open level " << options.level << ": " << built.unopened << '\n';
    return kExitUsage;
  }
  if (!built.outputFolderFailure.empty()) {
    std::cerr << "portalbuild: cannot make the output folder " << options.outputDir.string() << ": "
              << built.outputFolderFailure << '\n';
    return kExitFailure;
  }
  if (showProgress) std::cerr << '\n';
  const CompiledLevel& compiled = *built.compiled;
  if (!compiled.load.ok()) return kExitUsage;  // the reader has said why
  if (compiled.load.trianglesAdded == 0) {
    std::cerr << "portalbuild: nothing to build: " << options.level.string() << " holds no triangle that could be read";
    const std::uint64_t relative = compiled.load.relativeFaceLines;
    if (relative != 0) std::cerr << " (" << relative << " faces use relative numbers, which this reader does not take)";
    std::cerr << '\n';
    return kExitFailure;
  }
  for (const LogFailure& failure : built.logFailures) {
    std::cerr << "portalbuild: cannot write " << failure.file.string() << ": " << failure.reason << '\n';
  }

  findCellLinks(scene, built);
  BuildSummary summary = summarize(options.level.string(), built, scene);
  summary.peaks.links = peakResidentKiB();
  if (options.wantsLeakCheck()) {
    const Stopwatch leakTime;
    const LeakGraph regions = findLeakGraph(scene, *compiled.root, built.cells);
    summary.leak = findLeakTrail(scene, *compiled.root, regions, options.inside ? *options.inside : Camera().eye());
    summary.leakSeconds = leakTime.seconds();
    summary.leakChecked = true;
    summary.peaks.leak = peakResidentKiB();
    if (!options.leakPath.empty() && !writeLeakTrail(options.leakPath, summary)) return kExitFailure;
  }
  if (!options.openEdgesPath.empty()) {
    std::string error;
    if (!writeOpenEdgesObj(options.openEdgesPath, scene, compiled.edges, error)) {
      std::cerr << "portalbuild: cannot write " << options.openEdgesPath.string() << ": " << error << '\n';
      return kExitFailure;
    }
  }
  if (!options.prtPath.empty() || !options.portalsObjPath.empty()) {
    const CellGraph graph = soundCellGraph(*compiled.root, built.links);
    for (const auto& [file, write] : {std::pair{options.prtPath, &writePrt}, {options.portalsObjPath, &writePortalsObj}}) {
      std::string error;
      if (!file.empty() && !write(file, graph, error)) {
        std::cerr << "portalbuild: cannot write " << file.string() << ": " << error << '\n';
        return kExitFailure;
      }
    }
  }
  if (!options.svgPath.empty()) {
    // The viewer's start pose in its 1024 x 768 window: the side planes lie
    // at half the vertical field of view times the aspect.
    const Camera start;
    PlanSlice slice;
    slice.eye = start.eye();
    slice.height = options.planHeight ? *options.planHeight : slice.eye.y;
    slice.yawDegrees = start.yaw;
    slice.halfAngleDegrees = start.fieldOfView * (4.0 / 3.0) / 2.0;
    slice.leakTrail = summary.leak.path;
    std::string error;
    if (!writePlanSvg(options.svgPath, scene, built, slice, error)) {
      std::cerr << "portalbuild: cannot write " << options.svgPath.string() << ": " << error << '\n';
      return kExitFailure;
    }
  }
  if (options.visibleSets) {
    if (!writeVisibleSets(options, scene, built)) return kExitFailure;
    summary.peaks.visibleSets = peakResidentKiB();
  }
  // Everything that takes memory has run: this is the run's true peak.
  summary.peakMemoryKiB = peakResidentKiB();
  if (!options.quiet) writeSummary(std::cout, summary);
  if (!built.logFailures.empty()) {
    std::cerr << "portalbuild: incomplete logs:";
    for (const LogFailure& failure : built.logFailures) std::cerr << ' ' << failure.file.filename().string();
    std::cerr << '\n';
  }
  if (!options.jsonPath.empty()) {
    std::string error;
    if (!writeWholeFile(options.jsonPath, error, [&summary](std::ofstream& out) { writeSummaryJson(out, summary); })) {
      std::cerr << "portalbuild: cannot write " << options.jsonPath.string() << ": " << error << '\n';
      return kExitFailure;
    }
  }
  if (!built.logFailures.empty()) return kExitFailure;
  return options.leakExitCode && summary.leak.leaks() ? kExitLeak : kExitSuccess;
}

}  // namespace pw
