// The viewer's shell against the scripted desktop of fake_shell.h: the
// camera's turn, the window layer, then start-up, frame loop and exit.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "app/viewer/camera_motion.h"
#include "app/viewer/viewer.h"
#include "app/viewer/window.h"
#include "compile/level_compiler.h"
#include "tools/levelgen.h"
#include "tests/app/fake_shell.h"
#include "tests/helpers/scratch_dir.h"

namespace pw {
namespace {

using testing_support::contains;
using testing_support::countOf;
using testing_support::Journal;

struct ShellFixture : ::testing::Test {
  Journal journal;
  testing_support::FakePlatform platform{journal};
  testing_support::FakeGraphics graphics{journal};
  ShellState shell;
};

struct WindowFixture : ShellFixture {
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
                  {"initRenderState", "Initialization Failed.", 10, 0}};
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

// The start-up, frame loop and exit. The level compiler is a stand-in that
// only notes its call: the frames drawn here never look at the tree.
struct ViewerFixture : ShellFixture {
  testing_support::ScratchDir dir;
  ViewerOptions options;

  ViewerFixture() {
    platform.shell = &shell;
    options.outputDir = dir.file("");
    options.levelPath = "no such level.obj";
    options.fullScreen = false;
  }

  int run() {
    return runViewer(platform, graphics, shell, options, [this](Scene&, const CompileOptions& compileOptions) {
      journal.push_back("compile " + compileOptions.levelPath.string());
      return std::make_unique<CompiledTree>();
    });
  }

  // The `count` entries from `from` on.
  Journal part(std::size_t from, std::size_t count) const {
    EXPECT_GE(journal.size(), from + count);
    return Journal(journal.begin() + static_cast<long>(from), journal.begin() + static_cast<long>(from + count));
  }
};

TEST_F(ViewerFixture, startsUpInTheDesignedOrder) {
  options.fullScreen.reset();
  platform.answers = {Answer::No};
  platform.frames = {{}};
  EXPECT_EQ(run(), kExitSuccess);
  Journal expected = {"warpPointer 320,240",
                      "ask Start FullScreen?|Would You Like To Run In Fullscreen Mode?|question"};
  for (const std::string& step : testing_support::creationJournal("BSP", 1024, 768, false)) expected.push_back(step);
  expected.insert(expected.end(), {"compile no such level.obj", "drawFrame", "present"});
  EXPECT_EQ(part(0, expected.size()), expected);
}

TEST_F(ViewerFixture, onlyNoToTheQuestionMeansWindowed) {
  options.fullScreen.reset();
  for (const Answer answer : {Answer::No, Answer::Yes, Answer::None}) {
    journal.clear();
    platform.answers = {answer};
    EXPECT_EQ(run(), kExitSuccess);
    const std::string mode = answer == Answer::No ? "windowed" : "fullscreen";
    EXPECT_TRUE(contains(journal, "createWindow BSP 1024x768 " + mode + " bits=32"));
  }
}

TEST_F(ViewerFixture, closingTheWindowEndsWithZeroAfterClosingTheLog) {
  platform.frames = {{}, {}};
  EXPECT_EQ(run(), kExitSuccess);
  EXPECT_EQ(countOf(journal, "present"), 2u);
  // Close -> quit; the log is closed before the window goes.
  Journal tail = testing_support::teardownJournal(false);
  tail.insert(tail.begin(), {"postQuit 0", "(frame log closed)"});
  EXPECT_EQ(part(journal.size() - tail.size(), tail.size()), tail);
  EXPECT_EQ(testing_support::readFile(dir.file("log.txt")), "-1.6 0.2 0.4  spaces: 1\n-1.6 0.2 0.4  spaces: 1\n");
}

TEST_F(ViewerFixture, f1RecreatesTheWindowAndKeepsTheCamera) {
  options.fullScreen = true;
  platform.frames = {{Message::keyDown(vk::kUp), Message::keyDown(vk::kF1)}, {}};
  EXPECT_EQ(run(), kExitSuccess);
  // After the first frame: teardown with the mode restored, then a windowed
  // 640 x 480 window.
  Journal recreation = testing_support::teardownJournal(true);
  recreation.insert(recreation.begin() + 2, "(frame log open)");
  for (const std::string& step : testing_support::creationJournal("Varno's Solid Object Tutorial", 640, 480, false)) {
    recreation.push_back(step);
  }
  recreation.push_back("drawFrame");
  const auto firstPresent = std::find(journal.begin(), journal.end(), "present") - journal.begin();
  EXPECT_EQ(part(static_cast<std::size_t>(firstPresent) + 1, recreation.size()), recreation);
  EXPECT_FALSE(shell.fullScreen);
  // The camera went on from where it was.
  EXPECT_TRUE(graphics.cameras.size() == 2u && graphics.cameras[1].tz != -0.4f);
}

// F2 and F3 act on the press, not on a held key's auto-repeat: F2 turns the
// outlines on and off; F3 keeps the culling at the camera of the press while
// the walk goes on as without it.
TEST_F(ViewerFixture, f2OutlinesAndF3FreezesTheCullingAtThePressAndNothingElse) {
  using M = Message;
  platform.frames = {{M::keyDown(vk::kF2)},
                     {M::keyDown(vk::kF2), M::keyDown(vk::kF3), M::keyDown(vk::kUp)},
                     {M::keyDown(vk::kF3)},
                     {M::keyUp(vk::kF2), M::keyDown(vk::kF2), M::keyUp(vk::kF3), M::keyDown(vk::kF3), M::keyUp(vk::kUp)},
                     {}};
  EXPECT_EQ(run(), kExitSuccess);
  ASSERT_EQ(graphics.outlines, (std::vector<bool>{true, true, true, false, false}));
  // Up, held from the second frame's messages to the fourth's, steps after
  // the second and third frames (a braced list evaluates in order).
  Camera step = options.startCamera;
  const Camera walk[] = {step, step, (moveForward(step), step), (moveForward(step), step), step};
  const auto pose = [](const Camera& c) { return std::tuple(c.tx, c.ty, c.tz, c.yaw, c.pitch); };
  for (std::size_t frame = 0; frame < 5; ++frame) {
    EXPECT_EQ(pose(graphics.cameras[frame]), pose(walk[frame])) << frame;
    const std::optional<Camera>& frozen = graphics.frozen[frame];
    EXPECT_EQ(frozen.has_value(), frame == 1 || frame == 2) << frame;
    EXPECT_EQ(pose(frozen.value_or(walk[1])), pose(walk[1])) << frame;
  }
}

// F4 steps through the view modes from --look's, F5 turns the readout over,
// each on the press; F12 saves the frame before it is shown under the next
// free name, passing over one that exists.
TEST_F(ViewerFixture, f4CyclesModesF5TogglesTheReadoutF12SavesUnderFreeNames) {
  using M = Message;
  options.look = ViewMode::Flat;
  options.readout = true;
  shell.screenshotFolder = dir.path();
  testing_support::writeFile(dir.file("portalwalk-0002.png"), "keep");
  platform.frames = {{M::keyDown(vk::kF4), M::keyDown(vk::kF12)},
                     {M::keyDown(vk::kF4), M::keyDown(vk::kF5)},
                     {M::keyUp(vk::kF4), M::keyDown(vk::kF4), M::keyUp(vk::kF12), M::keyDown(vk::kF12)},
                     {}};
  EXPECT_EQ(run(), kExitSuccess);
  EXPECT_EQ(graphics.modes, (std::vector{ViewMode::Normals, ViewMode::Normals, ViewMode::Spaces, ViewMode::Spaces}));
  EXPECT_EQ(graphics.readouts, (std::vector<bool>{true, false, false, false}));
  EXPECT_EQ(countOf(journal, "captureFrame"), 2u);
  const auto capture = std::find(journal.begin(), journal.end(), "captureFrame");
  EXPECT_EQ(*(capture - 1), "drawFrame");
  EXPECT_EQ(*(capture + 1), "present");
  EXPECT_TRUE(std::filesystem::exists(dir.file("portalwalk-0001.png")));
  EXPECT_EQ(testing_support::readFile(dir.file("portalwalk-0002.png")), "keep");
  EXPECT_TRUE(std::filesystem::exists(dir.file("portalwalk-0003.png")));
}

// The wheel moves the eye one unit along the full view direction at the
// message, by the sign of the delta whatever its size; held arrow keys step
// after each frame (forward, backward, left, right in that order) until
// released.
TEST_F(ViewerFixture, wheelMovesBySignAndHeldArrowsStepEachFrame) {
  using M = Message;
  options.startCamera = Camera{.tx = 0.0f, .ty = 0.0f, .tz = 0.0f, .yaw = 45.0f, .pitch = 20.0f};
  platform.frames = {{M::keyDown(vk::kLeft), M::keyDown(vk::kUp)},
                     {M::keyUp(vk::kUp), M::keyUp(vk::kLeft), M::keyDown(vk::kRight), M::keyDown(vk::kDown)},
                     {M::keyUp(vk::kDown), M::keyUp(vk::kRight)},
                     {M::mouseWheel(120)},
                     {M::mouseWheel(-240), M::mouseWheel(1)},
                     {}};
  EXPECT_EQ(run(), kExitSuccess);
  Camera c = options.startCamera;
  const auto then = [&c](auto... steps) {
    (steps(c), ...);
    return c;
  };
  const auto wheelOn = [](Camera& camera) { wheelStep(camera, 1); };
  const auto wheelBack = [](Camera& camera) { wheelStep(camera, -1); };
  const Camera expected[] = {c, then(moveForward, strafeLeft), then(moveBackward, strafeRight), then(wheelOn),
                             then(wheelBack, wheelOn), c};
  const auto pose = [](const Camera& camera) { return std::tuple(camera.tx, camera.ty, camera.tz); };
  ASSERT_EQ(graphics.cameras.size(), 6u);
  for (std::size_t frame = 0; frame < 6; ++frame) EXPECT_EQ(pose(graphics.cameras[frame]), pose(expected[frame])) << frame;
  // Against the formulas' own figures: near the origin the steps' single-
  // and double-precision sizes and their order show in the last bits; pitch
  // raises the eye on the wheel and shortens every horizontal step but
  // strafing.
  EXPECT_EQ(pose(graphics.cameras[1]), std::tuple(0.00215735496f, 0.0f, 0.0685797781f));
  EXPECT_EQ(pose(graphics.cameras[2]), std::tuple(1.52253998e-09f, 0.0f, 2.56317656e-09f));
  EXPECT_EQ(pose(graphics.cameras[3]), std::tuple(-0.664241195f, 0.341853857f, 0.664770305f));
}

// Keys on a generated level: the designed eye stands in its first room;
// walking (F6) goes 3 units a second at any frame rate, and so does flying
// without vertical sync; the designed flight goes 0.05 a frame. Given as a
// key script (--keys), each frame counts 1/60 s whatever the clock says.
TEST_F(ViewerFixture, scriptedWalksAndFlightsGoBySecondsExceptTheDesignedFlight) {
  const struct {
    const char* keys;
    bool verticalSync, asScript;
    double frameSeconds, distance;
  } runs[] = {{"F6 1, Up 30", true, false, 1 / 60.0, 1.5}, {"F6 1, Up 10", true, false, 1 / 20.0, 1.5},
              {"Up 30", false, false, 1 / 30.0, 3.0},      {"Up 30", true, false, 1 / 30.0, 1.5},
              {"F6 1, Up 10", true, true, 1 / 20.0, 0.5}};
  const OpenLevelParams level{.rooms = {.rows = 1, .cols = 1, .seed = 2}};
  {
    std::ofstream out(dir.file("room.obj"));
    writeObj(out, placed(openLevel(level), {.shift = startShift(openLayout(level))}));
  }
  options.levelPath = dir.file("room.obj");
  for (const auto& r : runs) {
    std::string error;
    auto keys = *parseKeyScript(r.keys, error);
    keys.resize(40);
    options.keys = r.asScript ? keys : decltype(keys){};
    options.verticalSync = r.verticalSync;
    platform.frameSeconds = r.frameSeconds;
    platform.frames = r.asScript ? std::deque<std::vector<Message>>(40)
                                 : std::deque<std::vector<Message>>(keys.begin(), keys.end());
    shell.walking = false;  // a fresh shell flies
    graphics.cameras.clear();
    EXPECT_EQ(runViewer(platform, graphics, shell, options, compileLevel), kExitSuccess);
    const Point3 eye = graphics.cameras.back().eye();
    EXPECT_NEAR(eye.y, 0.2, 0.01) << r.keys;
    EXPECT_NEAR(0.4 - eye.z, r.distance, 0.05) << r.keys << " " << r.frameSeconds;
    EXPECT_NEAR(eye.x, -1.6, 1e-6) << r.keys;
  }
}

// Each context made asks for vertical sync once (F1 makes a new one), and
// none does when it is turned off.
TEST_F(ViewerFixture, verticalSyncIsAskedOfEveryContextUnlessTurnedOff) {
  for (const bool on : {true, false}) {
    journal.clear();
    options.verticalSync = on;
    platform.frames = {{Message::keyDown(vk::kF1)}, {}};
    EXPECT_EQ(run(), kExitSuccess);
    EXPECT_EQ(countOf(journal, on ? "verticalSync on" : "verticalSync off"), 2u);
    EXPECT_FALSE(contains(journal, on ? "verticalSync off" : "verticalSync on"));
  }
}

// From a window the first F1 asks for a 16-bit full screen; the repeated
// key-down of a held F1 toggles back.
TEST_F(ViewerFixture, everyF1KeyDownTogglesOnceAutoRepeatIncluded) {
  platform.frames = {{Message::keyDown(vk::kF1)}, {Message::keyDown(vk::kF1)}, {}};
  EXPECT_EQ(run(), kExitSuccess);
  EXPECT_TRUE(contains(journal, "changeDisplayMode 640x480x16") &&
              contains(journal, "createWindow Varno's Solid Object Tutorial 640x480 fullscreen bits=32"));
  EXPECT_EQ(countOf(journal, "registerWindowClass"), 3u);
  EXPECT_FALSE(shell.fullScreen);
}

}  // namespace
}  // namespace pw
