#include <gtest/gtest.h>

#include "app/camera.h"

namespace pw {
namespace {

TEST(Camera, startsAtTheDesignedEye) {
  const Camera camera;
  const Point3 eye = camera.eye();
  EXPECT_EQ(eye.x, -1.600000023841858);
  EXPECT_EQ(eye.y, 0.20000000298023224);
  EXPECT_EQ(eye.z, 0.4000000059604645);
  EXPECT_EQ(camera.yaw, 0.0f);
  EXPECT_EQ(camera.pitch, 0.0f);
  EXPECT_EQ(camera.fieldOfView, 45.0f);
  EXPECT_EQ(camera.aspect, 0.0f);
}

TEST(Camera, toRadiansUsesSinglePrecisionInverseAnd628) {
  // 90 x 0.0027777778450399637 x 6.28: not pi/2.
  EXPECT_EQ(toRadians(90.0f), 1.5700000380165875);
  EXPECT_EQ(toRadians(0.0f), 0.0);
  EXPECT_EQ(toRadians(-90.0f), -1.5700000380165875);
}

TEST(Camera, oneFrameForwardFromTheStartMovesOnlyZ) {
  Camera camera;
  camera.moveForward();
  EXPECT_EQ(camera.tx, 1.6f);
  EXPECT_EQ(camera.ty, -0.2f);
  // -0.4f + 0.05 in double, rounded to float.
  EXPECT_EQ(camera.tz, -0.349999994f);
  EXPECT_EQ(camera.eye().z, 0.34999999403953552);
}

TEST(Camera, arrowKeysNeverChangeHeight) {
  Camera camera;
  camera.pitch = 30.0f;
  camera.yaw = 10.0f;
  camera.moveForward();
  camera.moveBackward();
  camera.strafeLeft();
  camera.strafeRight();
  EXPECT_EQ(camera.ty, -0.2f);
}

TEST(Camera, lookingStraightDownBarelyMoves) {
  // cos(1.57), about 0.0008, not 0.
  Camera camera;
  camera.pitch = 90.0f;
  camera.moveForward();
  EXPECT_EQ(camera.tx, 1.6f);
  EXPECT_NE(camera.tz, -0.4f);
  EXPECT_NEAR(camera.tz - -0.4f, 0.05 * 0.000796288694157883, 1e-8);
  camera.moveBackward();
  EXPECT_EQ(camera.tz, -0.4f);
}

TEST(Camera, strafingUsesTheSinglePrecisionStepAndIgnoresPitch) {
  Camera level;
  level.strafeLeft();
  // 1.6f + 0.05000000074505806, rounded to float.
  EXPECT_EQ(level.tx, 1.64999998f);
  EXPECT_EQ(level.tz, -0.4f);

  Camera tilted;
  tilted.pitch = 60.0f;
  tilted.strafeLeft();
  EXPECT_EQ(tilted.tx, level.tx);
  EXPECT_EQ(tilted.tz, level.tz);

  level.strafeRight();
  EXPECT_EQ(level.tx, 1.6f);
}

TEST(Camera, turnTakesEightPixelsPerDegree) {
  struct Case {
    int dx, dy;
    float yaw, pitch;
  };
  const Case cases[] = {
      {8, 0, 1.0f, 0.0f},       // right turns right
      {0, 8, 0.0f, -1.0f},      // down tilts the view up
      {-8, -8, -1.0f, 1.0f},
      {-330, 0, -41.25f, 0.0f},  // a pointer far left of the window
      {1, 0, 0.125f, 0.0f},
      {8 * 400, -8 * 200, 400.0f, 200.0f},  // neither clamped nor wrapped
  };
  for (const Case& c : cases) {
    Camera camera;
    camera.turn(c.dx, c.dy);
    EXPECT_EQ(camera.yaw, c.yaw) << c.dx << "," << c.dy;
    EXPECT_EQ(camera.pitch, c.pitch) << c.dx << "," << c.dy;
  }
}

TEST(Camera, wheelStepsOneUnitAlongTheView) {
  Camera forward;
  forward.wheelStep(+1);
  EXPECT_EQ(forward.tx, 1.6f);
  EXPECT_EQ(forward.ty, -0.2f);
  // -0.4000000059604645 + 1 lies exactly between two floats; the even one
  // is 0.6f.
  EXPECT_EQ(forward.tz, 0.6f);

  Camera backward;
  backward.wheelStep(-1);
  EXPECT_EQ(backward.tz, -1.4f);
}

TEST(Camera, wheelFollowsPitchUpAndDown) {
  // Positive pitch looks down; a step forward then lowers the eye, which
  // raises ty (the eye is at -ty).
  Camera camera;
  camera.pitch = 90.0f;
  camera.wheelStep(+1);
  EXPECT_GT(camera.ty, 0.79f);
  EXPECT_LT(camera.ty, 0.81f);
  EXPECT_NEAR(camera.tz - -0.4f, 0.000796288694157883, 1e-7);
}

TEST(Camera, yawNinetyWalksTowardsPlusX) {
  // Increasing yaw turns right, from -z towards +x: forward at yaw 90 moves
  // the eye towards +x, so tx falls.
  Camera camera;
  camera.yaw = 90.0f;
  camera.moveForward();
  EXPECT_LT(camera.tx, 1.6f - 0.049f);
  EXPECT_NEAR(camera.tz, -0.4f, 1e-4);
}

}  // namespace
}  // namespace pw
