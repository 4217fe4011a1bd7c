#include <gtest/gtest.h>

#include "app/viewer/window.h"
#include "tests/app/fake_shell.h"

namespace pw {
namespace {

using testing_support::FakeGraphics;
using testing_support::FakePlatform;
using testing_support::Journal;

struct WindowFixture : ::testing::Test {
  Journal journal;
  FakePlatform platform{journal};
  FakeGraphics graphics{journal};
  ShellState shell;
  WindowLayer window{platform, graphics, shell};
};

const Journal kWindowedCreation = testing_support::creationJournal("BSP", 1024, 768, false);
const Journal kWindowedTeardown = testing_support::teardownJournal(false);

// Each creation step that can fail, with its text and how much is torn down
// before the box.
struct CreationFailure {
  const char* step;
  const char* text;
  std::size_t stepsBefore;  // entries of kWindowedCreation before the failure
  std::size_t teardownFrom;  // first entry of kWindowedTeardown that runs
};

class CreationFailureTest : public WindowFixture, public ::testing::WithParamInterface<CreationFailure> {};

TEST_P(CreationFailureTest, tearsDownWhatExistsThenReports) {
  const CreationFailure& failure = GetParam();
  if (std::string(failure.step) == "initRenderState") {
    graphics.initRenderStateResult = false;
  } else {
    platform.failing.insert(failure.step);
  }
  EXPECT_FALSE(window.createWindow("BSP", 1024, 768, 32, false));

  Journal expected(kWindowedCreation.begin(), kWindowedCreation.begin() + static_cast<long>(failure.stepsBefore));
  expected.push_back(kWindowedCreation[failure.stepsBefore] + " -> fails");
  expected.insert(expected.end(), kWindowedTeardown.begin() + static_cast<long>(failure.teardownFrom),
                  kWindowedTeardown.end());
  expected.push_back(std::string("notice ERROR|") + failure.text + "|exclamation");
  EXPECT_EQ(journal, expected);

  // Nothing is left to release.
  journal.clear();
  window.destroyWindow();
  EXPECT_TRUE(journal.empty());
}

INSTANTIATE_TEST_SUITE_P(
    EveryStep, CreationFailureTest,
    ::testing::Values(CreationFailure{"createWindow", "Window Creation Error.", 1, 4},
                      CreationFailure{"acquireDeviceContext", "Can't Create A GL Device Context.", 2, 3},
                      CreationFailure{"choosePixelFormat", "Can't Find A Suitable PixelFormat.", 3, 2},
                      CreationFailure{"setPixelFormat", "Can't Set The PixelFormat.", 4, 2},
                      CreationFailure{"createRenderContext", "Can't Create A GL Rendering Context.", 5, 2},
                      CreationFailure{"makeCurrent", "Can't Activate The GL Rendering Context.", 6, 0},
                      CreationFailure{"initRenderState", "Initialization Failed.", 9, 0}),
    [](const auto& param) { return std::string(param.param.step); });

TEST_F(WindowFixture, refusedModeFallsBackToAWindowOnYes) {
  platform.failing.insert("changeDisplayMode");
  platform.answers = {Answer::Yes};
  EXPECT_TRUE(window.createWindow("BSP", 1024, 768, 32, true));
  ASSERT_GE(journal.size(), 4u);
  EXPECT_EQ(journal[1], "changeDisplayMode 1024x768x32 -> fails");
  EXPECT_EQ(journal[2],
            "ask Varno GL|The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode "
            "Instead?|exclamation");
  EXPECT_EQ(journal[3], "createWindow BSP 1024x768 windowed bits=32");
  EXPECT_FALSE(shell.fullScreen);
  EXPECT_FALSE(testing_support::contains(journal, "hidePointer"));

  // The teardown restores no mode: none was changed.
  journal.clear();
  window.destroyWindow();
  EXPECT_EQ(journal, kWindowedTeardown);
}

// Every teardown step reports its own failure and the teardown goes on.
TEST_F(WindowFixture, teardownFailuresAreReportedAndSkipNothing) {
  const std::pair<const char*, const char*> cases[] = {
      {"releaseCurrent", "Release Of DC And RC Failed."},
      {"deleteRenderContext", "Release Rendering Context Failed."},
      {"releaseDeviceContext", "Release Device Context Failed."},
      {"destroyWindow", "Could Not Release hWnd."},
      {"unregisterWindowClass", "Could Not Unregister Class."},
  };
  for (const auto& [step, text] : cases) {
    Journal local;
    FakePlatform platformWithFault(local);
    FakeGraphics quiet(local);
    ShellState state;
    WindowLayer layer(platformWithFault, quiet, state);
    ASSERT_TRUE(layer.createWindow("BSP", 1024, 768, 32, false));
    platformWithFault.failing.insert(step);
    local.clear();
    layer.destroyWindow();

    Journal expected;
    for (const std::string& entry : kWindowedTeardown) {
      expected.push_back(entry == step ? entry + " -> fails" : entry);
      if (entry == step) expected.push_back(std::string("notice SHUTDOWN ERROR|") + text + "|information");
    }
    EXPECT_EQ(local, expected) << step;
  }
}

TEST_F(WindowFixture, zeroSizeGivesAViewportOfOneRowAndAspectZero) {
  window.windowProcedure(Message::size(0, 0));
  EXPECT_EQ(journal.back(), "setView 0x1 fov=45.000000 aspect=0.000000");
  EXPECT_EQ(shell.camera.aspect, 0.0f);
  window.windowProcedure(Message::size(800, 600));
  EXPECT_EQ(journal.back(), "setView 800x600 fov=45.000000 aspect=1.333333");
  EXPECT_EQ(shell.camera.aspect, 800.0f / 600.0f);
}

TEST_F(WindowFixture, pointerOffsetsAreSignedAndRecentredInClientCoordinates) {
  struct Case {
    int x, y;
    float yaw, pitch;
  };
  // Left of and above the window the offsets are negative, not 65 000 and
  // more as an unsigned 16-bit reading would make them.
  const Case cases[] = {
      {328, 240, 1.0f, 0.0f},
      {320, 248, 0.0f, -1.0f},
      {-10, 240, -41.25f, 0.0f},
      {320, -16, 0.0f, 32.0f},
      {0, 0, -40.0f, 30.0f},
  };
  for (const Case& c : cases) {
    journal.clear();
    shell.camera = Camera{};
    window.windowProcedure(Message::mouseMove(c.x, c.y));
    EXPECT_EQ(shell.camera.yaw, c.yaw) << c.x << "," << c.y;
    EXPECT_EQ(shell.camera.pitch, c.pitch) << c.x << "," << c.y;
    EXPECT_EQ(journal, Journal{"warpPointer 320,240"});
    // The recentring comes back as a move to (320, 240): no further turn
    // and no further warp.
    window.windowProcedure(Message::mouseMove(320, 240));
    EXPECT_EQ(shell.camera.yaw, c.yaw);
    EXPECT_EQ(shell.camera.pitch, c.pitch);
    EXPECT_EQ(journal.size(), 1u);
  }
}

}  // namespace
}  // namespace pw
