#include "app/portalbuild/build_run.h"

#include <unistd.h>

#include <cstdint>
#include <iostream>
#include <optional>
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
#include "scene/level_look.h"
#include "scene/scene.h"
#include "scene/scene_look.h"
#include "support/exit_codes.h"
#include "support/peak_memory.h"
#include "support/whole_file.h"

namespace pw {
namespace {

// Writes the visible sets next to the logs, for the summary to name.
bool writeVisibleSets(const PortalbuildOptions& options, const Scene& scene, const BuiltLevel& built,
                      BuildSummary& summary) {
  const std::filesystem::path file = options.outputDir / kVisFileName;
  const VisFingerprint level = visFingerprint(scene, *built.compiled->root);
  std::string error;
  if (!writeVisFile(file, *built.visibleSets, level, error)) {
    std::cerr << "portalbuild: cannot write " << file.string() << ": " << error << '\n';
    return false;
  }
  summary.sets.file = file.string();
  summary.sets.bytes = visFileBytes(*built.visibleSets, level);
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

// What portalbuild asks of the build: every phase its outputs need.
LevelRequest requestOf(const PortalbuildOptions& options, const Scene& scene, SceneLook& look) {
  LevelRequest request;
  request.requireLevel = true;
  request.makeOutputDir = true;
  request.compile.levelPath = options.level;
  request.compile.outputDir = options.outputDir;
  request.compile.build = options.build;
  request.compile.read = options.read;
  request.compile.read.look = &look;
  if (!options.quiet && isatty(STDERR_FILENO) != 0) {
    // Splitting adds triangles, so the share is of the Scene as it is now.
    request.compile.progress = [&scene](std::uint64_t settled) {
      const auto total = static_cast<std::uint64_t>(scene.triangleCount());
      std::cerr << "\rbuilding: " << (total == 0 ? 100 : settled * 100 / total) << "% of triangles settled"
                << std::flush;
    };
  }
  // The open links cost about a third of a build without logs: a closed
  // level's summary does without them unless an output needs them.
  const bool outputsNeedLinks = !options.jsonPath.empty() || !options.prtPath.empty() ||
                                !options.portalsObjPath.empty() || !options.svgPath.empty() || options.visibleSets;
  request.links = outputsNeedLinks ? PhaseWanted::Always : PhaseWanted::IfOpen;
  if (options.wantsLeakCheck()) request.leakFrom = options.inside ? *options.inside : Camera().eye();
  request.visibleSets = options.visibleSets;
  request.sets = options.sets;
  if (!options.quiet && isatty(STDERR_FILENO) != 0) {
    request.sets.progress = [](std::uint64_t done, std::uint64_t total) {
      // Over the build's progress line, which a line end closes after both.
      std::cerr << "\rvisible sets: " << (total == 0 ? 100 : done * 100 / total) << "% of the regions done        "
                << std::flush;
    };
  }
  return request;
}

// The exit code when the build gave nothing to report on, having said why;
// none when it did.
std::optional<int> failedBuild(const PortalbuildOptions& options, const BuiltLevel& built) {
  if (!built.unopened.empty()) {
    std::cerr << "portalbuild: cannot open level " << options.level << ": " << built.unopened << '\n';
    return kExitUsage;
  }
  if (!built.outputFolderFailure.empty()) {
    std::cerr << "portalbuild: cannot make the output folder " << options.outputDir.string() << ": "
              << built.outputFolderFailure << '\n';
    return kExitFailure;
  }
  const ObjReadReport& load = built.compiled->load;
  if (!load.ok()) return kExitUsage;  // the reader has said why
  if (load.trianglesAdded == 0) {
    std::cerr << "portalbuild: nothing to build: " << options.level.string() << " holds no triangle that could be read";
    if (load.relativeFaceLines != 0) {
      std::cerr << " (" << load.relativeFaceLines << " faces use relative numbers, which this reader does not take)";
    }
    std::cerr << '\n';
    return kExitFailure;
  }
  return std::nullopt;
}

// Writes every file the command line names; false after the first that
// could not be written (said on stderr).
bool writeOutputs(const PortalbuildOptions& options, const Scene& scene, const BuiltLevel& built,
                  BuildSummary& summary) {
  const CompiledTree& compiled = *built.compiled;
  if (!options.leakPath.empty() && !writeLeakTrail(options.leakPath, summary)) return false;
  if (!options.openEdgesPath.empty()) {
    std::string error;
    if (!writeOpenEdgesObj(options.openEdgesPath, scene, compiled.edges, error)) {
      std::cerr << "portalbuild: cannot write " << options.openEdgesPath.string() << ": " << error << '\n';
      return false;
    }
  }
  if (!options.prtPath.empty() || !options.portalsObjPath.empty()) {
    const CellGraph graph = soundCellGraph(*compiled.root, built.links);
    for (const auto& [file, write] : {std::pair{options.prtPath, &writePrt}, {options.portalsObjPath, &writePortalsObj}}) {
      std::string error;
      if (!file.empty() && !write(file, graph, error)) {
        std::cerr << "portalbuild: cannot write " << file.string() << ": " << error << '\n';
        return false;
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
      return false;
    }
  }
  return !options.visibleSets || writeVisibleSets(options, scene, built, summary);
}

}  // namespace

int runPortalbuild(const PortalbuildOptions& options) {
  if (const std::string clash = outputsNamingTheLevel(options); !clash.empty()) {
    std::cerr << "portalbuild: " << clash << '\n';
    return kExitUsage;
  }
  if (options.planHeight && options.svgPath.empty()) std::cerr << "portalbuild: --at does nothing without --svg\n";

  Scene scene;
  SceneLook look;
  const LevelRequest request = requestOf(options, scene, look);
  const BuiltLevel built = buildLevel(scene, request);
  if (request.compile.progress) std::cerr << '\n';
  if (const std::optional<int> exitCode = failedBuild(options, built)) return *exitCode;
  for (const LogFailure& failure : built.logFailures) {
    std::cerr << "portalbuild: cannot write " << failure.file.string() << ": " << failure.reason << '\n';
  }

  BuildSummary summary = summarize(options.level.string(), built, scene);
  // The images are checked, not decoded: nothing is drawn here.
  summary.look = loadLevelLook(look, options.level.parent_path(), false).report;
  if (!writeOutputs(options, scene, built, summary)) return kExitFailure;
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
