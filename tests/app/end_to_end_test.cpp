// The built viewer under a virtual X server with Mesa's software OpenGL, and
// its SDL key mapping.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "app/viewer/screenshot.h"
#include "app/viewer/sdl_platform.h"
#include "cells/visible_sets.h"
#include "compile/build_level.h"
#include "compile/vis_file.h"
#include "bsp/bsp_node.h"
#include "scene/scene.h"
#include "tests/app/viewer_run.h"
#include "tools/levelgen.h"

namespace pw {
namespace {

using testing_support::differingPixels;
using testing_support::ProgramRun;
using testing_support::quoted;
using testing_support::readFile;
using testing_support::readPng;
using testing_support::runViewer;
using testing_support::ScratchDir;

const std::string kSampleLevel = std::string(PORTALWALK_LEVELS_DIR) + "/folyosos.obj";

// The passage outlines' yellow; the Spaces are red or green.
std::size_t yellowPixels(const Image& image) {
  std::size_t yellow = 0;
  for (std::size_t i = 0; i + 2 < image.rgb.size(); i += 3) {
    yellow += image.rgb[i] > 200 && image.rgb[i + 1] > 200 && image.rgb[i + 2] < 60;
  }
  return yellow;
}

TEST(EndToEnd, walksTheSampleLevelForThirtyFrames) {
  const ScratchDir dir;
  const ProgramRun run = runViewer(dir, quoted(kSampleLevel) + " --windowed --frames 30 --screenshot shot.png");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  std::istringstream frames(readFile(dir.file("log.txt")));
  std::size_t count = 0;
  for (std::string line; std::getline(frames, line); ++count) EXPECT_EQ(line.rfind("-1.6 0.2 0.4  spaces: ", 0), 0u);
  EXPECT_EQ(count, 30u);
  for (const char* log : {"out.log", "contours.log", "tris.log"}) {
    EXPECT_GT(std::filesystem::file_size(dir.file(log)), 0u) << log;
  }
  const auto shot = readPng(dir.file("shot.png"));
  ASSERT_TRUE(shot.has_value());
  EXPECT_EQ(shot->width * shot->height, 1024 * 768);
  // The eye's own Space is drawn green.
  std::size_t green = 0;
  for (std::size_t i = 0; i + 2 < shot->rgb.size(); i += 3) {
    green += shot->rgb[i + 1] > 100 && shot->rgb[i] < 40 && shot->rgb[i + 2] < 40;
  }
  EXPECT_GT(green, shot->rgb.size() / 3 / 10) << "less than a tenth of the picture is green";
  EXPECT_EQ(yellowPixels(*shot), 0u);  // no passage outlines unless asked
}

// A scripted run never waits for a person and never writes over what it
// reads: each case ends with its exit code and message, and the files the
// user did not name as outputs keep their bytes.
TEST(EndToEnd, scriptedRunsNeverWaitAndSpareTheInputs) {
  const struct {
    const char* arguments;
    int exitCode;
    const char* says;
  } cases[] = {
      {"level.obj --frames 2", 0, "Start FullScreen?: Would You Like To Run In Fullscreen Mode? -> Yes (nobody to ask)"},
      {"level.obj --windowed --frames 2 --logs notes.txt", 2, "--logs notes.txt is not a folder"},
      {"level.obj --windowed --frames 2 --screenshot level.obj", 2, "--screenshot level.obj is the level level.obj"},
      {"level.obj --windowed --frames 2 --logs link", 2, "the log link/out.log is the level level.obj"},
      {"level.obj --windowed --frames 2 --vis notes.txt --screenshot notes.txt", 2,
       "--screenshot notes.txt is --vis notes.txt"},
      {"level.obj --windowed --frames 2 --screenshot full.png", 1, "screenshot not saved: cannot write full.png"},
      {"level.obj --windowed --frames 2 --vis /dev/zero", 0, "cannot use /dev/zero: not a regular file"},
      {"notes.txt --windowed --frames 2", 0, "notes.txt holds no triangle that could be read"},
  };
  for (const auto& c : cases) {
    const ScratchDir dir;
    std::filesystem::copy_file(kSampleLevel, dir.file("level.obj"));
    testing_support::writeFile(dir.file("notes.txt"), "my notes\n");
    std::filesystem::create_directories(dir.file("link"));
    std::filesystem::create_symlink("../level.obj", dir.file("link") / "out.log");
    std::filesystem::create_symlink("/dev/full", dir.file("full.png"));
    const ProgramRun run = runViewer(dir, c.arguments);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments << "\n" << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << c.arguments << "\n" << run.err;
    EXPECT_EQ(readFile(dir.file("level.obj")), readFile(kSampleLevel)) << c.arguments;
    EXPECT_EQ(readFile(dir.file("notes.txt")), "my notes\n") << c.arguments;
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("full.png"))) << c.arguments;
  }
}

// Visible sets made for another level are refused and frames are drawn
// without them.
TEST(EndToEnd, statsCompareWithTheWholeLevel) {
  const ScratchDir dir;
  testing_support::writeFile(dir.file("other.pvs"), std::string("PVS3 3 3 0 0 0 0 0 0 1 1 1 3 0\n\x07\x07\x07"));
  const ProgramRun run =
      runViewer(dir, quoted(kSampleLevel) + " --windowed --frames 5 --stats --draw-all --vis other.pvs");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("cannot use other.pvs: made for another build"), std::string::npos) << run.err;
  // Culling off draws the whole level every frame.
  EXPECT_TRUE(run.out.find("frame 5: spaces 18 of 18 (100.0%), triangles 560 of 560 (100.0%)\nframes: 5\n") !=
              std::string::npos)
      << run.out;
}

// On a level with holes the default culling, limited by the visible sets
// found beside the level, and the narrowed culling draw every pixel that
// drawing the whole level draws. Coincident faces of two Spaces tie in the depth
// test and the draw order decides which colour shows: a few hundred pixels
// of the 786 432 may differ where such faces are seen edge-on or far away.
TEST(EndToEnd, openLevelFramesEqualTheWholeLevelsFrames) {
  const ScratchDir dir;
  std::ofstream obj(dir.file("holes.obj"));
  writeObj(obj, openLevel({.rooms = {.rows = 2, .cols = 2, .subdivision = 1, .seed = 5}, .holes = 0.15}));
  obj.close();
  {
    // The sets as portalbuild --vis makes them on an open level, beside it.
    Scene scene;
    LevelRequest request;
    request.compile.levelPath = dir.file("holes.obj");
    request.compile.build.writeLogs = false;
    request.visibleSets = true;
    const BuiltLevel built = buildLevel(scene, request);
    std::string error;
    ASSERT_TRUE(writeVisFile(dir.file("visible.pvs"), *built.visibleSets, visFingerprint(scene, *built.compiled->root), error))
        << error;
  }
  for (const char* pose : {"--eye 1 1 2 --yaw 90", "--eye 10.17 0.7 0.48 --yaw 283", "--eye 4 1.5 4 --yaw 200"}) {
    for (const char* culling : {"--screenshot auto.png", "--culling all --screenshot all.png",
                                "--culling narrow --screenshot narrow.png"}) {
      const ProgramRun run = runViewer(dir, std::string("holes.obj --windowed --frames 1 ") + culling + " " + pose);
      ASSERT_EQ(run.exitCode, 0) << run.err;
      EXPECT_EQ(run.err.find("cannot use"), std::string::npos) << run.err;
      // Only the automatic choice takes the sets, and says why it culls
      // through the cell faces.
      const bool automatic = std::string_view(culling).find("--culling") == std::string_view::npos;
      EXPECT_EQ(run.err.find("open level: ") != std::string::npos, automatic) << run.err;
      EXPECT_EQ(run.err.find("culling with the visible sets in ") != std::string::npos, automatic) << run.err;
    }
    const auto b = readPng(dir.file("all.png"));
    for (const char* shot : {"auto.png", "narrow.png"}) {
      const auto a = readPng(dir.file(shot));
      ASSERT_TRUE(a && b && a->rgb.size() == b->rgb.size());
      EXPECT_LE(differingPixels(*a, *b), 500u) << shot << ' ' << pose;
    }
  }
}

// On a closed level the default draws exactly what the designed culling
// draws, frame by frame. --overlay changes no line and outlines the portals
// passed in yellow (none without it: see the first test).
TEST(EndToEnd, closedLevelIsCulledAsDesignedAndOutlinedOnRequest) {
  const ScratchDir dir;
  ASSERT_EQ(runViewer(dir, quoted(kSampleLevel) + " --windowed --frames 3 --yaw 90").exitCode, 0);
  const std::string automatic = readFile(dir.file("log.txt"));
  const ProgramRun designed = runViewer(
      dir, quoted(kSampleLevel) + " --windowed --frames 3 --yaw 90 --culling designed --overlay --screenshot s.png");
  ASSERT_EQ(designed.exitCode, 0);
  EXPECT_GT(yellowPixels(readPng(dir.file("s.png")).value()), 1000u);
  EXPECT_EQ(readFile(dir.file("log.txt")), automatic);
  EXPECT_EQ(designed.err.find("open level"), std::string::npos);
}

TEST(SdlKeys, mapToWin32VirtualKeyCodes) {
  const struct {
    SDL_Keycode key;
    int code;
  } cases[] = {
      {SDLK_ESCAPE, 27}, {SDLK_LEFT, 37}, {SDLK_UP, 38},    {SDLK_RIGHT, 39},  {SDLK_DOWN, 40},
      {SDLK_F1, 112},    {SDLK_F12, 123}, {SDLK_a, 'A'},    {SDLK_z, 'Z'},     {SDLK_0, '0'},
      {SDLK_9, '9'},     {SDLK_SPACE, 32}, {SDLK_RETURN, 13}, {SDLK_KP_ENTER, 13}, {SDLK_LSHIFT, 16},
      {SDLK_RCTRL, 17},  {SDLK_KP_7, 103}, {SDLK_DELETE, 46},
  };
  for (const auto& c : cases) EXPECT_EQ(virtualKeyOf(c.key), std::optional<int>(c.code)) << SDL_GetKeyName(c.key);
}

// SDL's wheel reaches the shell as Win32 deltas of 120 per notch, turned
// round where the system reports it flipped; a sideways-only scroll is no
// message at all.
TEST(SdlWheel, givesOneSignedDeltaPerNotch) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  SdlPlatform platform(false);
  const struct {
    int y;
    Uint32 direction;
  } wheels[] = {{1, SDL_MOUSEWHEEL_NORMAL}, {-2, SDL_MOUSEWHEEL_NORMAL}, {0, SDL_MOUSEWHEEL_NORMAL},
                {3, SDL_MOUSEWHEEL_FLIPPED}};
  for (const auto& wheel : wheels) {
    SDL_Event event{};
    event.type = SDL_MOUSEWHEEL;
    event.wheel.x = 1;
    event.wheel.y = wheel.y;
    event.wheel.direction = wheel.direction;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
  }
  std::vector<int> deltas;
  for (int poll = 0; poll < 8; ++poll) {
    if (const std::optional<Message> message = platform.pollMessage()) deltas.push_back(message->wheelDelta);
  }
  EXPECT_EQ(deltas, (std::vector<int>{120, -240, -360}));
}

}  // namespace
}  // namespace pw
