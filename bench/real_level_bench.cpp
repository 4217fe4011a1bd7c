// What the culling modes draw at a real level's player starts, what the
// narrowed traversal costs, and how fast the build's logs could be written
// at best. One level a run; bench/real_levels.sh runs it over the corpus.
//
// usage: real_level_bench LEVEL.obj STARTS [SETS.pvs] [--floor LOGDIR]
//        real_level_bench --floor LOGDIR      (the floor alone)
//   STARTS     "x y z yaw share" lines (levelimport's LEVEL.starts)
//   SETS.pvs   visible sets from portalbuild --vis for this level, to report
//              the modes with sets too (a file for another build is refused)
//   --floor D  rewrite D's out.log, contours.log and tris.log one write per
//              line into a scratch folder and report the seconds: the floor
//              under a build that writes its logs line by line
//
// One line of "name value" pairs, for the script to put into its table:
// shares of the level's Spaces and triangles drawn per mode (mean over the
// starts), the narrow traversal's median and worst milliseconds over the
// starts and 8 turns at each (45 degrees apart), the portal traversal's
// (auto's) the same way, the share of the level's triangles in the eye
// Space's set at the starts (all of them where the set does not restrict
// the eye; with SETS.pvs), and the floor.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "compile/build_level.h"
#include "compile/vis_file.h"
#include "culling/choose_spaces.h"
#include "culling/space_traversal.h"
#include "culling/view_matrix.h"
#include "scene/scene.h"
#include "support/stopwatch.h"
#include "tools/random_pose.h"

namespace {

using namespace pw;

// Seconds to write every line of the three logs in `dir` with one write
// call each, as the build does.
double logWriteFloor(const std::filesystem::path& dir) {
  const auto scratch = std::filesystem::temp_directory_path() / ("log_floor_" + std::to_string(::getpid()));
  std::filesystem::create_directories(scratch);
  double seconds = 0.0;
  for (const char* name : kBuildLogNames) {
    std::ifstream in(dir / name);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line + '\n');
    const int fd = ::open((scratch / name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) continue;
    const Stopwatch time;
    for (const std::string& line : lines) {
      if (::write(fd, line.data(), line.size()) < 0) break;
    }
    seconds += time.seconds();
    ::close(fd);
  }
  std::filesystem::remove_all(scratch);
  return seconds;
}

struct Shares {
  double spaces = 0.0;
  double triangles = 0.0;
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::optional<std::filesystem::path> floorDir;
  if (const auto at = std::find(args.begin(), args.end(), "--floor"); at != args.end() && at + 1 != args.end()) {
    floorDir = *(at + 1);
    args.erase(at, at + 2);
  }
  if (args.empty() && floorDir) {
    std::printf("floor %.3f\n", logWriteFloor(*floorDir));
    return 0;
  }
  if (args.size() < 2) {
    std::fprintf(stderr, "usage: real_level_bench LEVEL.obj STARTS [SETS.pvs] [--floor LOGDIR]\n"
                         "       real_level_bench --floor LOGDIR\n");
    return 2;
  }
  Scene scene;
  LevelRequest options;
  options.compile.levelPath = args[0];
  options.compile.build.writeLogs = false;
  options.links = PhaseWanted::Always;
  options.sightRegions = true;
  BuiltLevel level = buildLevel(scene, options);
  const BspNode& root = *level.compiled->root;
  const Culling automatic = level.openness.designHolds() ? Culling::Designed : Culling::Sound;
  std::optional<VisibleSets> sets;
  if (args.size() > 2) {
    std::string error;
    sets = readVisFile(args[2], visFingerprint(scene, root), error);
    if (!sets) std::fprintf(stderr, "real_level_bench: cannot use %s: %s\n", args[2].c_str(), error.c_str());
  }
  const VisibleSets* vis = sets ? &*sets : nullptr;

  const std::vector<Camera> starts = readStartPoses(args[1]);
  const std::vector<const BspNode*> spaces = collectSpaces(root);
  double levelTriangles = 0.0;
  for (const BspNode* space : spaces) levelTriangles += static_cast<double>(space->triangles.size());
  const char* modes[] = {"auto", "sound", "narrow", "auto+vis", "narrow+vis"};
  Shares shares[std::size(modes)];
  // Narrowed culling as the viewer runs it: it falls back on the portal
  // traversal, which follows the open links on an open level.
  const CullingInputs narrowInputs{.links = automatic == Culling::Sound ? &level.links : nullptr,
                                   .sight = &level.sight};
  std::vector<double> narrowMs;
  std::vector<double> autoMs;
  double eyeSetTriangles = 0.0;
  for (const Camera& start : starts) {
    if (vis != nullptr) {
      const std::uint64_t from = locateSpace(scene, root, start.eye()).number;
      for (const BspNode* space : spaces) {
        if (maySee(vis, start.eye(), from, space->number)) eyeSetTriangles += static_cast<double>(space->triangles.size());
      }
    }
    // Each start, and turned round it, for the traversal's cost.
    for (int turn = 0; turn < 8; ++turn) {
      Camera camera = start;
      camera.yaw += static_cast<float>(45 * turn);
      const ViewPyramid view(camera, viewMatrix(camera));
      const Stopwatch narrowTime;
      const auto narrow = chooseSpaces(Culling::Narrow, scene, root, view, narrowInputs);
      narrowMs.push_back(1000.0 * narrowTime.seconds());
      const Stopwatch autoTime;
      const auto portal = chooseSpaces(automatic, scene, root, view, {.links = &level.links});
      autoMs.push_back(1000.0 * autoTime.seconds());
      if (turn != 0) continue;
      CullingInputs narrowVis = narrowInputs;
      narrowVis.vis = vis;
      const std::vector<const BspNode*> drawn[] = {
          portal,
          soundSpaces(scene, root, view, level.links),
          narrow,
          chooseSpaces(automatic, scene, root, view, {.links = &level.links, .vis = vis}),
          chooseSpaces(Culling::Narrow, scene, root, view, narrowVis),
      };
      for (std::size_t m = 0; m < std::size(modes); ++m) {
        shares[m].spaces += static_cast<double>(drawn[m].size());
        for (const BspNode* space : drawn[m]) shares[m].triangles += static_cast<double>(space->triangles.size());
      }
    }
  }
  std::sort(narrowMs.begin(), narrowMs.end());
  std::sort(autoMs.begin(), autoMs.end());
  const double n = static_cast<double>(std::max<std::size_t>(starts.size(), 1));
  for (std::size_t m = 0; m < std::size(modes); ++m) {
    if (vis == nullptr && std::string(modes[m]).ends_with("+vis")) continue;
    std::printf("%s %.1f%%/%.1f%% ", modes[m], 100.0 * shares[m].spaces / n / static_cast<double>(spaces.size()),
                100.0 * shares[m].triangles / n / levelTriangles);
  }
  if (!narrowMs.empty()) {
    std::printf("narrowMs %.2f/%.2f autoMs %.2f/%.2f ", narrowMs[narrowMs.size() / 2], narrowMs.back(),
                autoMs[autoMs.size() / 2], autoMs.back());
  }
  if (vis != nullptr) std::printf("eyeSet %.1f%% ", 100.0 * eyeSetTriangles / n / levelTriangles);
  if (floorDir) std::printf("floor %.3f ", logWriteFloor(*floorDir));
  std::printf("starts %zu\n", starts.size());
}
