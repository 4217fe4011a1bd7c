#include <gtest/gtest.h>

#include "app/viewer/camera_motion.h"

namespace pw {
namespace {

TEST(Camera, turnTakesEightPixelsPerDegree) {
  const struct {
    int dx, dy;
    float yaw, pitch;
  } cases[] = {
      {8, 0, 1.0f, 0.0f},       // right turns right
      {0, 8, 0.0f, -1.0f},      // down tilts the view up
      {-8, -8, -1.0f, 1.0f},
      {-330, 0, -41.25f, 0.0f},  // a pointer far left of the window
      {1, 0, 0.125f, 0.0f},
      {8 * 400, -8 * 200, 400.0f, 200.0f},  // neither clamped nor wrapped
  };
  for (const auto& c : cases) {
    Camera camera;
    turn(camera, c.dx, c.dy);
    EXPECT_EQ(camera.yaw, c.yaw) << c.dx << "," << c.dy;
    EXPECT_EQ(camera.pitch, c.pitch) << c.dx << "," << c.dy;
  }
}

}  // namespace
}  // namespace pw
