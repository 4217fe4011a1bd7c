#include <gtest/gtest.h>

#include "app/viewer/camera_motion.h"
#include "app/viewer/window.h"
#include "tests/app/fake_shell.h"

namespace pw {
namespace {

using testing_support::Journal;

struct WindowFixture : ::testing::Test {
  Journal journal;
  testing_support::FakePlatform platform{journal};
  testing_support::FakeGraphics graphics{journal};
  ShellState shell;
  WindowLayer window{platform, graphics, shell};
};

const Journal kWindowedCreation = testing_support::creationJournal("BSP", 1024, 768, false);
const Journal kWindowedTeardown = testing_support::teardownJournal(false);

using CreationFailureTest = WindowFixture;

// Each creation step that can fail tears down what exists, in reverse, and
// then shows its box.
TEST_F(CreationFailureTest, tearsDownWhatExistsThenReports) {
  const struct {
    const char* step;
    const char* text;
    std::size_t stepsBefore;   // entries of kWindowedCreation before the failure
    std::size_t teardownFrom;  // first entry of kWindowedTeardown that runs
  } failures[] = {{"createWindow", "Window Creation Error.", 1, 4},
                  {"acquireDeviceContext", "Can't Create A GL Device Context.", 2, 3},
                  {"choosePixelFormat", "Can't Find A Suitable PixelFormat.", 3, 2},
                  {"setPixelFormat", "Can't Set The PixelFormat.", 4, 2},
                  {"createRenderContext", "Can't Create A GL Rendering Context.", 5, 2},
                  {"makeCurrent", "Can't Activate The GL Rendering Context.", 6, 0},
                  {"initRenderState", "Initialization Failed.", 9, 0}};
  for (const auto& failure : failures) {
    journal.clear();
    platform.failing = {failure.step};
    graphics.initRenderStateResult = std::string(failure.step) != "initRenderState";
    EXPECT_FALSE(window.createWindow("BSP", 1024, 768, 32, false));
    Journal expected(kWindowedCreation.begin(), kWindowedCreation.begin() + static_cast<long>(failure.stepsBefore));
    expected.push_back(kWindowedCreation[failure.stepsBefore] + " -> fails");
    expected.insert(expected.end(), kWindowedTeardown.begin() + static_cast<long>(failure.teardownFrom),
                    kWindowedTeardown.end());
    expected.push_back(std::string("notice ERROR|") + failure.text + "|exclamation");
    EXPECT_EQ(journal, expected) << failure.step;
    journal.clear();
    window.destroyWindow();  // nothing is left to release
    EXPECT_TRUE(journal.empty()) << failure.step;
  }
}

TEST_F(WindowFixture, zeroSizeGivesAViewportOfOneRowAndAspectZero) {
  window.windowProcedure(Message::size(0, 0));
  EXPECT_EQ(journal.back(), "setView 0x1 fov=45.000000 aspect=0.000000");
  EXPECT_EQ(shell.camera.aspect, 0.0f);
}

TEST_F(WindowFixture, pointerOffsetsAreSignedAndRecentredInClientCoordinates) {
  // Left of and above the window the offsets are negative, not 65 000 and
  // more as an unsigned 16-bit reading would make them.
  const struct {
    int x, y;
    float yaw, pitch;
  } cases[] = {{328, 240, 1.0f, 0.0f}, {320, 248, 0.0f, -1.0f}, {-10, 240, -41.25f, 0.0f}, {320, -16, 0.0f, 32.0f},
               {0, 0, -40.0f, 30.0f}};
  for (const auto& c : cases) {
    journal.clear();
    shell.camera = Camera{};
    window.windowProcedure(Message::mouseMove(c.x, c.y));
    // The recentring comes back as a move to (320, 240): no further turn
    // and no further warp.
    window.windowProcedure(Message::mouseMove(320, 240));
    EXPECT_TRUE(shell.camera.yaw == c.yaw && shell.camera.pitch == c.pitch) << c.x << "," << c.y;
    EXPECT_EQ(journal, Journal{"warpPointer 320,240"});
  }
}

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
    EXPECT_TRUE(camera.yaw == c.yaw && camera.pitch == c.pitch) << c.dx << "," << c.dy;
  }
}

}  // namespace
}  // namespace pw
