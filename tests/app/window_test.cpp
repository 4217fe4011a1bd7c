#include <gtest/gtest.h>

#include "app/window.h"
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

TEST_F(WindowFixture, windowedCreationRunsEveryStepInOrder) {
  EXPECT_TRUE(window.createWindow("BSP", 1024, 768, 32, false));
  EXPECT_EQ(journal, kWindowedCreation);
  EXPECT_FALSE(shell.fullScreen);
  EXPECT_EQ(shell.camera.aspect, 1024.0f / 768.0f);
}

TEST_F(WindowFixture, fullScreenCreationChangesTheModeAndHidesThePointer) {
  EXPECT_TRUE(window.createWindow("BSP", 1024, 768, 32, true));
  const Journal expected = testing_support::creationJournal("BSP", 1024, 768, true);
  EXPECT_EQ(expected[1], "changeDisplayMode 1024x768x32");
  EXPECT_EQ(expected[2], "hidePointer");
  EXPECT_EQ(journal, expected);
  EXPECT_TRUE(shell.fullScreen);

  journal.clear();
  window.destroyWindow();
  EXPECT_EQ(journal, testing_support::teardownJournal(true));
}

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

TEST_F(WindowFixture, failedClassRegistrationTearsNothingDown) {
  platform.failing.insert("registerWindowClass");
  EXPECT_FALSE(window.createWindow("BSP", 1024, 768, 32, true));
  const Journal expected = {
      "registerWindowClass -> fails",
      "notice ERROR|Failed To Register The Window Class.|exclamation",
  };
  EXPECT_EQ(journal, expected);
}

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

TEST_F(WindowFixture, refusedModeClosesTheProgramOnAnythingButYes) {
  for (const Answer answer : {Answer::No, Answer::None}) {
    Journal local;
    FakePlatform refusing(local);
    FakeGraphics quiet(local);
    ShellState state;
    WindowLayer layer(refusing, quiet, state);
    refusing.failing.insert("changeDisplayMode");
    refusing.answers = {answer};
    EXPECT_FALSE(layer.createWindow("BSP", 1024, 768, 32, true));
    ASSERT_EQ(local.size(), 4u);
    EXPECT_EQ(local[3], "notice ERROR|Program Will Now Close.|stop");
    // The class stays registered: no teardown ran.
    EXPECT_FALSE(testing_support::contains(local, "unregisterWindowClass"));
  }
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

TEST_F(WindowFixture, pixelFormatKeepsTheColourBitsOfTheFirstCreation) {
  ASSERT_TRUE(window.createWindow("BSP", 1024, 768, 32, false));
  window.destroyWindow();
  journal.clear();
  ASSERT_TRUE(window.createWindow("Varno's Solid Object Tutorial", 640, 480, 16, true));
  // 16 bits reach the display mode only.
  EXPECT_EQ(journal[1], "changeDisplayMode 640x480x16");
  EXPECT_EQ(journal[3], "createWindow Varno's Solid Object Tutorial 640x480 fullscreen bits=32");
  EXPECT_EQ(journal[5], "choosePixelFormat bits=32 depth=16");
  EXPECT_EQ(journal[10], "setView 640x480 fov=45.000000 aspect=1.333333");
}

TEST_F(WindowFixture, pixelFormatIsFixedOnlyByACreationThatMadeItsWindow) {
  platform.failing.insert("createWindow#1");
  ASSERT_FALSE(window.createWindow("BSP", 1024, 768, 16, false));
  journal.clear();
  ASSERT_TRUE(window.createWindow("BSP", 1024, 768, 32, false));
  EXPECT_EQ(journal[1], "createWindow BSP 1024x768 windowed bits=32");
}

TEST_F(WindowFixture, zeroSizeGivesAViewportOfOneRowAndAspectZero) {
  window.windowProcedure(Message::size(0, 0));
  EXPECT_EQ(journal.back(), "setView 0x1 fov=45.000000 aspect=0.000000");
  EXPECT_EQ(shell.camera.aspect, 0.0f);
  window.windowProcedure(Message::size(800, 600));
  EXPECT_EQ(journal.back(), "setView 800x600 fov=45.000000 aspect=1.333333");
  EXPECT_EQ(shell.camera.aspect, 800.0f / 600.0f);
}

TEST_F(WindowFixture, minimisingStopsDrawingAndDeactivatingDoesNot) {
  window.windowProcedure(Message::activate(true));
  EXPECT_FALSE(shell.windowActive);
  window.windowProcedure(Message::activate(false));
  EXPECT_TRUE(shell.windowActive);
}

TEST_F(WindowFixture, closePostsQuitWithCodeZero) {
  window.windowProcedure(Message::close());
  EXPECT_EQ(journal, Journal{"postQuit 0"});
}

TEST_F(WindowFixture, keysAreHeldFromDownToUp) {
  window.windowProcedure(Message::keyDown(vk::kUp));
  EXPECT_TRUE(shell.keyDown[vk::kUp]);
  window.windowProcedure(Message::keyDown(255));
  EXPECT_TRUE(shell.keyDown[255]);
  window.windowProcedure(Message::keyUp(vk::kUp));
  EXPECT_FALSE(shell.keyDown[vk::kUp]);
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

TEST_F(WindowFixture, wheelStepsByTheSignOfTheDeltaOnly) {
  struct Case {
    int delta;
    float tz;
  };
  const Case cases[] = {{120, 0.6f}, {1, 0.6f}, {480, 0.6f}, {-120, -1.4f}, {-1, -1.4f}, {0, -1.4f}};
  for (const Case& c : cases) {
    shell.camera = Camera{};
    window.windowProcedure(Message::mouseWheel(c.delta));
    EXPECT_EQ(shell.camera.tz, c.tz) << c.delta;
  }
}

}  // namespace
}  // namespace pw
