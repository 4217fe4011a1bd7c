// The walk the README shows on an imported map, through the viewer's own
// key script, frame loop and walking code on the fake platform and graphics
// (no display): from oa_dm2's first start point, in a corridor, back along
// it, then through the doorway into the hall of blocks, left and up the
// staircase along the hall's wall to its landing.
//
//   corridor x 55.49 .. 59.84 ----+  the doorway: the hall's wall from
//   (start z 49.5, facing -z)     |  z 47.87 to 48.96, opening 55.49 ..
//                                 |  59.84 wide and 3.26 high
//   landing y 3.81 <-- stairs <-- turn left at z 45.25 (hall floor y 0)
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/viewer/shell_state.h"
#include "app/viewer/viewer.h"
#include "compile/level_compiler.h"
#include "tests/app/fake_shell.h"
#include "tests/helpers/real_levels_dir.h"
#include "tests/helpers/scratch_dir.h"

namespace pw {
namespace {

constexpr const char* kScript = "Down 60, Up 120, turn -90, Up 200, turn 180, wait 20";
constexpr std::size_t kFrames = 400;

// The doorway, the hall's floor and the landing, in the level's units.
constexpr double kDoorLeft = 55.49, kDoorRight = 59.84;
constexpr double kWallHallSide = 47.87, kWallCorridorSide = 48.96;
constexpr double kHallFloor = 0.0, kLanding = 3.81;
// The landing's floor from here on (x): the stairs lie beyond.
constexpr double kLandingEdge = 46.78;
constexpr double kStanding = kImportedStandingHeight;
constexpr double kNear = 0.01;

bool inDoorway(const Point3& eye) { return eye.x > kDoorLeft && eye.x < kDoorRight; }

TEST(CorpusWalk, fromTheFirstStartThroughTheDoorwayAndUpTheStairsOfOaDm2) {
  const std::filesystem::path level = testing_support::realLevelsDir() / "oa_dm2.obj";
  ASSERT_TRUE(std::filesystem::exists(level)) << level << " is missing: run tools/real-levels.sh first";
  testing_support::ScratchDir dir;
  testing_support::Journal journal;
  testing_support::FakePlatform platform{journal};
  testing_support::FakeGraphics graphics{journal};
  ShellState shell;
  ViewerOptions options;
  options.levelPath = level;
  options.outputDir = dir.path();
  options.fullScreen = false;
  options.walk = true;
  options.frameLimit = kFrames;
  std::string error;
  options.keys = *parseKeyScript(kScript, error);
  platform.frames.resize(kFrames);
  // The build logs are left out: only the tree is walked.
  const auto compileWithoutLogs = [](Scene& scene, CompileOptions compile) {
    compile.build.writeLogs = false;
    return compileLevel(scene, compile);
  };
  ASSERT_EQ(runViewer(platform, graphics, shell, options, compileWithoutLogs), kExitSuccess);
  ASSERT_EQ(graphics.cameras.size(), kFrames);

  std::vector<Point3> eyes;
  for (const Camera& camera : graphics.cameras) eyes.push_back(camera.eye());
  // In the corridor, on its floor, then through the doorway into the hall.
  const auto inCorridor = std::find_if(eyes.begin(), eyes.end(), [](const Point3& eye) {
    return inDoorway(eye) && eye.z > kWallCorridorSide && std::abs(eye.y - kHallFloor - kStanding) < kNear;
  });
  ASSERT_NE(inCorridor, eyes.end());
  const auto inHall = std::find_if(inCorridor, eyes.end(), [](const Point3& eye) { return eye.z < kWallHallSide; });
  ASSERT_NE(inHall, eyes.end());
  EXPECT_TRUE(inDoorway(*inHall));
  EXPECT_NEAR(inHall->y, kHallFloor + kStanding, kNear);
  // Up the stairs a step at a time, to stand on the landing.
  for (std::size_t k = 1; k < eyes.size(); ++k) EXPECT_LE(eyes[k].y - eyes[k - 1].y, shell.body.stepHeight) << k;
  EXPECT_NEAR(eyes.back().y, kLanding + kStanding, kNear);
  EXPECT_LT(eyes.back().x, kLandingEdge);
  EXPECT_TRUE(shell.walk.grounded);
}

}  // namespace
}  // namespace pw
