#include <gtest/gtest.h>

#include <stdexcept>

#include "app/viewer/camera_motion.h"
#include "app/viewer/viewer.h"
#include "tests/app/fake_shell.h"
#include "tests/support/scratch_dir.h"

namespace pw {
namespace {

using testing_support::contains;
using testing_support::countOf;
using testing_support::FakeGraphics;
using testing_support::FakePlatform;
using testing_support::indexOf;
using testing_support::Journal;
using testing_support::readFile;
using testing_support::ScratchDir;

// The start-up, frame loop and exit against the scripted desktop. The level
// compiler is a stand-in that only notes its call: the frames drawn here
// never look at the tree.
struct ViewerFixture : ::testing::Test {
  Journal journal;
  FakePlatform platform{journal};
  FakeGraphics graphics{journal};
  ShellState shell;
  ScratchDir dir;
  ViewerOptions options;

  ViewerFixture() {
    platform.shell = &shell;
    options.outputDir = dir.file("");
    options.levelPath = "no such level.obj";
  }

  LevelCompiler noteCompile() {
    return [this](Scene&, const CompileOptions& compileOptions) {
      journal.push_back("compile " + compileOptions.levelPath.string());
      return std::make_unique<CompiledLevel>();
    };
  }

  int run() { return runViewer(platform, graphics, shell, options, noteCompile()); }

  std::string frameLog() const { return readFile(dir.file("log.txt")); }
};

TEST_F(ViewerFixture, startsUpInTheDesignedOrder) {
  platform.answers = {Answer::No};
  platform.frames = {{}};
  EXPECT_EQ(run(), kExitSuccess);
  Journal expectedStart = {
      "warpPointer 320,240",
      "ask Start FullScreen?|Would You Like To Run In Fullscreen Mode?|question",
  };
  for (const std::string& step : testing_support::creationJournal("BSP", 1024, 768, false)) {
    expectedStart.push_back(step);
  }
  for (const char* step : {"compile no such level.obj", "drawFrame", "present"}) expectedStart.push_back(step);
  ASSERT_GE(journal.size(), expectedStart.size());
  EXPECT_EQ(Journal(journal.begin(), journal.begin() + static_cast<long>(expectedStart.size())), expectedStart);
}

TEST_F(ViewerFixture, theCameraStartsFromTheGivenPose) {
  options.fullScreen = false;
  options.startCamera.tx = 3.0f;
  options.startCamera.yaw = 45.0f;
  shell.camera.tz = 99.0f;  // left over from anything before: replaced
  platform.frames = {{}};
  EXPECT_EQ(run(), kExitSuccess);
  ASSERT_EQ(graphics.cameras.size(), 1u);
  EXPECT_EQ(graphics.cameras[0].tx, 3.0f);
  EXPECT_EQ(graphics.cameras[0].tz, -0.4f);
  EXPECT_EQ(graphics.cameras[0].yaw, 45.0f);
}

TEST_F(ViewerFixture, onlyNoToTheQuestionMeansWindowed) {
  struct Case {
    Answer answer;
    const char* creation;
  };
  const Case cases[] = {
      {Answer::No, "createWindow BSP 1024x768 windowed bits=32"},
      {Answer::Yes, "createWindow BSP 1024x768 fullscreen bits=32"},
      {Answer::None, "createWindow BSP 1024x768 fullscreen bits=32"},
  };
  for (const Case& c : cases) {
    journal.clear();
    platform.answers = {c.answer};
    EXPECT_EQ(run(), kExitSuccess);
    EXPECT_TRUE(contains(journal, c.creation));
  }
}

TEST_F(ViewerFixture, anOptionAnswersTheQuestionWithoutAsking) {
  options.fullScreen = true;
  EXPECT_EQ(run(), kExitSuccess);
  EXPECT_EQ(journal[1], "registerWindowClass");
  EXPECT_TRUE(contains(journal, "createWindow BSP 1024x768 fullscreen bits=32"));
  for (const std::string& entry : journal) EXPECT_NE(entry.rfind("ask", 0), 0u) << entry;
}

TEST_F(ViewerFixture, closingTheWindowEndsWithZeroAfterClosingTheLog) {
  options.fullScreen = false;
  platform.frames = {{}, {}};
  EXPECT_EQ(run(), kExitSuccess);
  EXPECT_EQ(countOf(journal, "drawFrame"), 2u);
  EXPECT_EQ(countOf(journal, "present"), 2u);
  // Close -> quit; the log is closed before the window goes.
  Journal tail = testing_support::teardownJournal(false);
  tail.insert(tail.begin(), {"postQuit 0", "(frame log closed)"});
  ASSERT_GE(journal.size(), tail.size());
  EXPECT_EQ(Journal(journal.end() - static_cast<long>(tail.size()), journal.end()), tail);
  EXPECT_EQ(frameLog(), "-1.6 0.2 0.4  spaces: 1\n-1.6 0.2 0.4  spaces: 1\n");
}

TEST_F(ViewerFixture, escapeDrawsAndLogsItsFrameButDoesNotPresentIt) {
  options.fullScreen = false;
  // Frame 1 with Up held; frame 2 with Esc as well.
  platform.frames = {{Message::keyDown(vk::kUp)}, {Message::keyDown(vk::kEscape)}};
  EXPECT_EQ(run(), kExitSuccess);
  EXPECT_EQ(countOf(journal, "drawFrame"), 2u);
  EXPECT_EQ(countOf(journal, "present"), 1u);
  EXPECT_FALSE(contains(journal, "postQuit 0"));
  EXPECT_EQ(frameLog(), "-1.6 0.2 0.4  spaces: 1\n-1.6 0.2 0.35  spaces: 1\n");
  // The held key still moved the camera in the last frame: two steps.
  Camera twoSteps;
  moveForward(twoSteps);
  moveForward(twoSteps);
  EXPECT_EQ(shell.camera.tz, twoSteps.tz);
}

TEST_F(ViewerFixture, frameLimitEndsAfterThatManyPresentedFrames) {
  options.fullScreen = false;
  options.frameLimit = 3;
  platform.frames = {{}, {}, {}, {}, {}};
  EXPECT_EQ(run(), kExitSuccess);
  EXPECT_EQ(countOf(journal, "drawFrame"), 3u);
  EXPECT_EQ(countOf(journal, "present"), 3u);
  EXPECT_FALSE(contains(journal, "postQuit 0"));
}

TEST_F(ViewerFixture, minimisedWindowPresentsAndMovesButDoesNotDraw) {
  options.fullScreen = false;
  platform.frames = {{Message::activate(true), Message::keyDown(vk::kUp)}, {}, {Message::activate(false)}};
  EXPECT_EQ(run(), kExitSuccess);
  // Frames 1 and 2 minimised, frame 3 drawn; every frame presented.
  EXPECT_EQ(countOf(journal, "drawFrame"), 1u);
  EXPECT_EQ(countOf(journal, "present"), 3u);
  ASSERT_EQ(graphics.cameras.size(), 1u);
  Camera twoSteps;
  moveForward(twoSteps);
  moveForward(twoSteps);
  EXPECT_EQ(graphics.cameras[0].tz, twoSteps.tz);
}

TEST_F(ViewerFixture, heldKeysApplyUpDownLeftRightInThatOrder) {
  options.fullScreen = false;
  // A start where the order of the forward step and the strafe shows in the
  // rounding of tx.
  platform.frames = {{Message::keyDown(vk::kUp), Message::keyDown(vk::kLeft)}};
  auto start = [](Camera& camera) {
    camera.yaw = 37.0f;
    camera.tx = 1.97f;
    camera.tz = -1.31f;
  };
  const LevelCompiler compile = [&](Scene&, const CompileOptions&) {
    start(shell.camera);
    return std::make_unique<CompiledLevel>();
  };
  EXPECT_EQ(runViewer(platform, graphics, shell, options, compile), kExitSuccess);

  Camera forwardFirst;
  start(forwardFirst);
  moveForward(forwardFirst);
  strafeLeft(forwardFirst);
  Camera strafeFirst;
  start(strafeFirst);
  strafeLeft(strafeFirst);
  moveForward(strafeFirst);
  ASSERT_NE(forwardFirst.tx, strafeFirst.tx) << "the start does not tell the orders apart";
  EXPECT_EQ(shell.camera.tx, forwardFirst.tx);
  EXPECT_EQ(shell.camera.tz, forwardFirst.tz);
}

TEST_F(ViewerFixture, oppositeKeysCancel) {
  options.fullScreen = false;
  platform.frames = {{Message::keyDown(vk::kUp), Message::keyDown(vk::kDown)}};
  EXPECT_EQ(run(), kExitSuccess);
  EXPECT_EQ(shell.camera.tz, -0.4f);
}

TEST_F(ViewerFixture, f1RecreatesTheWindowAndKeepsTheCamera) {
  options.fullScreen = true;
  platform.frames = {{Message::keyDown(vk::kUp), Message::keyDown(vk::kF1)}, {}};
  EXPECT_EQ(run(), kExitSuccess);
  const std::size_t firstPresent = indexOf(journal, "present");
  ASSERT_NE(firstPresent, std::string::npos);
  // After the first frame: teardown with the mode restored, then a windowed
  // 640 x 480 window.
  Journal recreation = testing_support::teardownJournal(true);
  recreation.insert(recreation.begin() + 2, "(frame log open)");
  for (const std::string& step : testing_support::creationJournal("Varno's Solid Object Tutorial", 640, 480, false)) {
    recreation.push_back(step);
  }
  recreation.push_back("drawFrame");
  ASSERT_GE(journal.size(), firstPresent + 1 + recreation.size());
  EXPECT_EQ(Journal(journal.begin() + static_cast<long>(firstPresent) + 1,
                    journal.begin() + static_cast<long>(firstPresent + 1 + recreation.size())),
            recreation);
  EXPECT_FALSE(shell.fullScreen);
  EXPECT_FALSE(shell.keyDown[vk::kF1]);
  // The camera went on from where it was.
  ASSERT_EQ(graphics.cameras.size(), 2u);
  EXPECT_NE(graphics.cameras[1].tz, -0.4f);
}

// From a window the first F1 asks for a 16-bit full screen; the repeated
// key-down of a held F1 toggles back.
TEST_F(ViewerFixture, everyF1KeyDownTogglesOnceAutoRepeatIncluded) {
  options.fullScreen = false;
  platform.frames = {{Message::keyDown(vk::kF1)}, {Message::keyDown(vk::kF1)}, {}};
  EXPECT_EQ(run(), kExitSuccess);
  EXPECT_TRUE(contains(journal, "changeDisplayMode 640x480x16"));
  EXPECT_TRUE(contains(journal, "createWindow Varno's Solid Object Tutorial 640x480 fullscreen bits=32"));
  EXPECT_EQ(countOf(journal, "registerWindowClass"), 3u);
  EXPECT_FALSE(shell.fullScreen);
}

TEST_F(ViewerFixture, failedRecreationEndsWithZeroWithoutAnotherTeardown) {
  options.fullScreen = false;
  platform.failing.insert("createRenderContext#2");
  platform.frames = {{Message::keyDown(vk::kF1)}, {}};
  EXPECT_EQ(run(), kExitSuccess);
  EXPECT_EQ(journal.back(), "notice ERROR|Can't Create A GL Rendering Context.|exclamation");
  // One teardown before the re-creation, one inside its failure; none after.
  EXPECT_EQ(countOf(journal, "unregisterWindowClass"), 2u);
  EXPECT_EQ(countOf(journal, "drawFrame"), 1u);
  EXPECT_EQ(frameLog(), "-1.6 0.2 0.4  spaces: 1\n");
}

TEST_F(ViewerFixture, quitWaitsBehindTheMessagesAlreadyQueued) {
  options.fullScreen = false;
  platform.frames = {{Message::close(), Message::keyDown(vk::kUp)}};
  EXPECT_EQ(run(), kExitSuccess);
  EXPECT_TRUE(shell.keyDown[vk::kUp]);
  EXPECT_FALSE(contains(journal, "drawFrame"));
}

TEST_F(ViewerFixture, tessellatorFailureIsReportedAndEndsWithOne) {
  options.fullScreen = false;
  const LevelCompiler failing = [](Scene&, const CompileOptions&) -> std::unique_ptr<CompiledLevel> {
    throw std::runtime_error("Creation of tesselation object failed.");
  };
  EXPECT_EQ(runViewer(platform, graphics, shell, options, failing), kExitFailure);
  // The window is taken down first, with the log already closed.
  Journal tail = testing_support::teardownJournal(false);
  tail.insert(tail.begin(), "(frame log closed)");
  tail.push_back("notice ERROR|Creation of tesselation object failed.|stop");
  ASSERT_GE(journal.size(), tail.size());
  EXPECT_EQ(Journal(journal.end() - static_cast<long>(tail.size()), journal.end()), tail);
  EXPECT_TRUE(std::filesystem::exists(dir.file("log.txt")));
  EXPECT_EQ(frameLog(), "");
}

}  // namespace
}  // namespace pw
