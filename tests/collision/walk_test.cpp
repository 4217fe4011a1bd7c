// Walks on small hand-made levels: one room (floor y = 0) with solid blocks
// in it, the body of the bundled level's scale (radius 0.36, step 0.54),
// moved frame by frame at a fixed velocity.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "collision/walker.h"
#include "tests/helpers/compiled_mesh.h"

namespace pw {
namespace {

const Body kBody = bodyOfStandingHeight(kDesignedStandingHeight);
constexpr double kNear = 0.01;  // how far a stopped body may stay off what stopped it

Layout::Pillar block(double x0, double x1, double y1, double z0, double z1) {
  return {{{x0, 0, z0}, {x1, y1, z1}}, true};
}

struct WalkCase {
  const char* name;
  std::vector<Layout::Pillar> blocks;
  Point3 feet;
  Point3 velocity;
  double frameSeconds;
  int frames;
  // The feet at the end: x within [least, most], and y.
  double leastX, mostX, y;
};

const double kWallStop = 1.0 - kBody.radius;
const WalkCase kWalks[] = {
    {"intoAWallStops", {block(1, 1.5, 2, -4, 4)}, {0, 0, 0}, {3, 0, 0}, 1 / 60.0, 120, kWallStop - kNear, kWallStop, 0},
    {"stepBelowTheLimitIsClimbed", {block(1, 2, 0.5, -4, 4)}, {0, 0, 0}, {3, 0, 0}, 1 / 60.0, 30, 1.2, 1.8, 0.5},
    // A step too high is a wall: the body goes up to its riser.
    {"stepAboveTheLimitStops", {block(1, 2, 0.6, -4, 4)}, {0, 0, 0}, {3, 0, 0}, 1 / 60.0, 60, kWallStop - kNear,
     kWallStop, 0},
    {"stepJustAboveTheLimitStops", {block(1, 2, 0.55, -4, 4)}, {0, 0, 0}, {3, 0, 0}, 1 / 60.0, 60, kWallStop - kNear,
     kWallStop, 0},
    {"offALedgeFallsToTheFloor", {block(-1, 1, 1, -4, 4)}, {0, 1, 0}, {3, 0, 0}, 1 / 60.0, 90, 1.5, 4.8, 0},
    // The body may lean into a gap narrower than itself, never through it.
    {"doorwayNarrowerThanTheBodyStops", {block(1, 1.5, 2, -4, -0.3), block(1, 1.5, 2, 0.3, 4)}, {0, 0, 0}, {3, 0, 0},
     1 / 60.0, 120, kWallStop - kNear, 1.0, 0},
    {"doorwayWiderThanTheBodyPasses", {block(1, 1.5, 2, -4, -0.5), block(1, 1.5, 2, 0.5, 4)}, {0, 0, 0}, {3, 0, 0},
     1 / 60.0, 120, 3.0, 4.8, 0},
    {"thinWallAtHighSpeedAndLowFrameRate", {block(1, 1 + 1 / 64.0, 2, -4, 4)}, {0, 0, 0}, {60, 0, 0}, 0.25, 8,
     kWallStop - kNear, kWallStop, 0},
    {"thinWallEdgeOnAtAGrazingAngle", {block(1, 1 + 1 / 64.0, 2, -4, 4)}, {0.5, 0, -4.6}, {1, 0, 30}, 0.25, 1,
     kWallStop - kNear, kWallStop, 0},
};

TEST(Walk, stopsClimbsFallsAndNeverPassesAWall) {
  for (const WalkCase& c : kWalks) {
    Layout layout;
    layout.rooms = {{{-5, 0, -5}, {5, 3, 5}}};
    layout.cellSize = 1.0;
    layout.pillars = c.blocks;
    Scene scene;
    const auto tree = testing_support::compileMesh(scene, layoutMesh(layout));
    WalkState state{.feet = c.feet};
    for (int frame = 0; frame < c.frames; ++frame) walkFor(scene, *tree->root, kBody, state, c.velocity, c.frameSeconds);
    EXPECT_GE(state.feet.x, c.leastX) << c.name;
    EXPECT_LE(state.feet.x, c.mostX) << c.name;
    EXPECT_NEAR(state.feet.y, c.y, kNear) << c.name;
    EXPECT_TRUE(state.grounded) << c.name;
  }
}

// A step the body could climb, under a low ceiling that the body fits
// under on the floor but would not on the step: it stays off the step, its
// top under the ceiling.
TEST(Walk, aStepUnderALowCeilingIsNotClimbed) {
  Layout layout;
  layout.rooms = {{{-5, 0, -5}, {5, 3, 5}}};
  layout.cellSize = 1.0;
  constexpr double kCeiling = 1.6;
  layout.pillars = {block(1, 2, 0.5, -4, 4), {{{0.5, kCeiling, -4}, {3, 3, 4}}, true}};
  Scene scene;
  const auto tree = testing_support::compileMesh(scene, layoutMesh(layout));
  WalkState state{.feet = {-2, 0, 0}};
  for (int frame = 0; frame < 120; ++frame) walkFor(scene, *tree->root, kBody, state, {3, 0, 0}, 1 / 60.0);
  EXPECT_LT(state.feet.x, 1.0);
  EXPECT_LE(state.feet.y + kBody.height, kCeiling + kNear);
}

// A ramp up from x = 1 across the room, `degrees` steep, rising 1.
Mesh roomWithRamp(double degrees) {
  Layout layout;
  layout.rooms = {{{-5, 0, -5}, {5, 3, 5}}};
  layout.cellSize = 1.0;
  Mesh mesh = layoutMesh(layout);
  const double rise = 1.0;
  const double run = rise / std::tan(degrees * std::numbers::pi / 180.0);
  const auto first = static_cast<std::int32_t>(mesh.positions.size());
  mesh.positions.insert(mesh.positions.end(), {{1, 0, -4}, {1, 0, 4}, {1 + run, rise, 4}, {1 + run, rise, -4}});
  mesh.normals.push_back(Point3{-rise, run, 0}.normalized());
  const auto up = static_cast<std::int32_t>(mesh.normals.size() - 1);
  mesh.faces.push_back({{first, first + 1, first + 2}, {up, up, up}});
  mesh.faces.push_back({{first, first + 2, first + 3}, {up, up, up}});
  return mesh;
}

Mesh roomWithBlock(double height) {
  Layout layout;
  layout.rooms = {{{-5, 0, -5}, {5, 3, 5}}};
  layout.cellSize = 1.0;
  layout.pillars = {block(1, 1.5, height, -4, 4)};
  return layoutMesh(layout);
}

// Walking at an angle into what the body cannot climb, from x = 1 on,
// slides along it as along a wall, never stopping there.
TEST(Walk, atAnAngleSlidesAlongWhatItCannotClimb) {
  const struct {
    const char* name;
    Mesh mesh;
  } cases[] = {{"wall", roomWithBlock(2)}, {"stepAboveTheLimit", roomWithBlock(0.6)}, {"steepSlope", roomWithRamp(60)}};
  for (const auto& c : cases) {
    Scene scene;
    const auto tree = testing_support::compileMesh(scene, c.mesh);
    WalkState state{.feet = {0, 0, 0}};
    for (int frame = 0; frame < 60; ++frame) walkFor(scene, *tree->root, kBody, state, {3, 0, 1.5}, 1 / 60.0);
    EXPECT_LE(state.feet.x, 1.0) << c.name;
    EXPECT_NEAR(state.feet.y, 0.0, kNear) << c.name;
    EXPECT_GT(state.feet.z, 1.3) << c.name;
  }
}

// A ramp no steeper than the walkable slope is walked up, a steeper one
// stops the body on the floor.
TEST(Walk, climbsARampUpToTheSlopeLimitOnly) {
  for (const double degrees : {30.0, 60.0}) {
    Scene scene;
    const auto tree = testing_support::compileMesh(scene, roomWithRamp(degrees));
    WalkState state{.feet = {0, 0, 0}};
    for (int frame = 0; frame < 40; ++frame) walkFor(scene, *tree->root, kBody, state, {3, 0, 0}, 1 / 60.0);
    if (degrees <= kBody.maxSlopeDegrees) {
      EXPECT_GT(state.feet.y, 0.3) << degrees;
    } else {
      EXPECT_NEAR(state.feet.y, 0.0, kNear) << degrees;
      EXPECT_LT(state.feet.x, 1.0) << degrees;
    }
  }
}

}  // namespace
}  // namespace pw
