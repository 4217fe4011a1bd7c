// What the walking body's collision costs per frame on a real level: from
// every player start, a walk of 2 seconds (120 frames of 1/60 s) towards
// each of 8 headings 45 degrees apart, against walls, up stairs and off
// ledges as they come; each frame's walk step (collision/walker.h) is timed.
// The step is deterministic, so each frame is run 5 times from the same
// state and its fastest run counts: a frame the scheduler interrupted on a
// busy machine does not pass for the worst.
//
// usage: collision_bench LEVEL.obj
//   LEVEL.starts beside it gives the starts (levelimport's "x y z yaw
//   share" lines) and the imported body's scale.
//
// Prints the viewer's --stats line ("collision per walking frame: median
// ... ms, worst ... ms (N frames)") and where the walks ended up.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <limits>
#include <numbers>
#include <vector>

#include "app/viewer/frame_stats.h"
#include "collision/walker.h"
#include "compile/level_compiler.h"
#include "scene/scene.h"
#include "support/stopwatch.h"
#include "tools/random_pose.h"

namespace {

using namespace pw;

constexpr int kHeadings = 8;
constexpr int kFramesPerWalk = 120;
constexpr double kFrameSeconds = 1.0 / 60.0;
constexpr int kRuns = 5;

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: collision_bench LEVEL.obj\n";
    return 2;
  }
  const std::filesystem::path level = argv[1];
  std::filesystem::path startsPath = level;
  startsPath.replace_extension(".starts");
  const std::vector<Camera> starts = readStartPoses(startsPath);
  if (starts.empty()) {
    std::cerr << "collision_bench: no start points in " << startsPath.string() << '\n';
    return 1;
  }
  Scene scene;
  CompileOptions options;
  options.levelPath = level;
  options.build.writeLogs = false;
  const auto tree = compileLevel(scene, options);
  if (tree->root == nullptr) {
    std::cerr << "collision_bench: " << level.string() << " holds no tree\n";
    return 1;
  }
  const Body body = bodyOfStandingHeight(kImportedStandingHeight);
  std::vector<double> seconds;
  int grounded = 0;
  double climbed = 0.0;
  for (const Camera& start : starts) {
    for (int heading = 0; heading < kHeadings; ++heading) {
      const double yaw = (start.yaw + 360.0 * heading / kHeadings) * std::numbers::pi / 180.0;
      const Point3 velocity = body.walkSpeed * Point3{std::sin(yaw), 0.0, -std::cos(yaw)};
      WalkState state{.feet = start.eye() - Point3{0.0, body.standingHeight, 0.0}};
      for (int frame = 0; frame < kFramesPerWalk; ++frame) {
        const WalkState from = state;
        double fastest = std::numeric_limits<double>::infinity();
        for (int run = 0; run < kRuns; ++run) {
          state = from;
          const Stopwatch time;
          walkFor(scene, *tree->root, body, state, velocity, kFrameSeconds);
          fastest = std::min(fastest, time.seconds());
        }
        seconds.push_back(fastest);
      }
      grounded += state.grounded ? 1 : 0;
      climbed = std::max(climbed, state.feet.y + body.standingHeight - start.eye().y);
    }
  }
  std::cout << level.filename().string() << ": " << scene.triangleCount() << " triangles after the build, " << starts.size()
            << " starts x " << kHeadings << " headings x " << kFramesPerWalk << " frames\n";
  printCollisionStats(std::cout, seconds);
  std::printf("walks ending on a floor: %d of %zu; the most climbed: %.2f units\n", grounded,
              starts.size() * kHeadings, climbed);
  return 0;
}
