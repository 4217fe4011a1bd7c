// The viewer's frames drawn from buffers against the immediate-mode
// reference, and the view modes' colours against a CPU ray caster, on
// generated levels under a virtual X server.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>

#include "compile/build_level.h"
#include "culling/view_matrix.h"
#include "scene/scene.h"
#include "scene/scene_look.h"
#include "tests/app/viewer_run.h"
#include "tests/helpers/first_hits.h"
#include "tools/level_materials.h"
#include "tools/levelgen.h"

namespace pw {
namespace {

using testing_support::expectBuffersDrawAsImmediate;
using testing_support::pixelRay;
using testing_support::rayCrossing;
using testing_support::runSavingFrames;
using testing_support::ScratchDir;

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

TEST(DrawPaths, buffersDrawTheImmediateFramesOfAGeneratedLevel) {
  const ScratchDir dir;
  std::ofstream(dir.file("rooms.obj")) << [] {
    std::ostringstream obj;
    writeObj(obj, layoutMesh(roomsAndCorridors({.rows = 2, .cols = 3, .subdivision = 2, .seed = 7})));
    return obj.str();
  }();
  // Down the row of doorways, turned, walked into the next room, turned.
  expectBuffersDrawAsImmediate(
      dir, "rooms.obj --windowed --frames 44 --yaw 90 --keys 'F12 1, turn -60, F12 1, Up 40, turn 100, F12 1, turn 170, F12 1'",
      4, 0);
}

}  // namespace
}  // namespace pw
