// A corpus level (tools/real-levels.sh) drawn from buffers gives the
// immediate-mode frames: thin trims, patches and faces that coincide.
#include <gtest/gtest.h>

#include <string>

#include "tests/app/viewer_run.h"
#include "tests/helpers/real_levels_dir.h"

namespace pw {
namespace {

using testing_support::expectBuffersDrawAsImmediate;
using testing_support::quoted;
using testing_support::ScratchDir;

// Pixels of a 1024 x 768 frame that coincident faces of one Space, drawn in
// another order, may colour the other way.
constexpr std::size_t kCoincidentTiePixels = 500;

// From the map's first start (the viewer goes there as its designed eye is
// out in the void), turned round in four steps.
TEST(RealDrawPaths, buffersDrawTheImmediateFramesOfACorpusLevel) {
  const std::filesystem::path level = testing_support::realLevelsDir() / "q3dm6ish.obj";
  ASSERT_TRUE(std::filesystem::exists(level)) << level << " is missing: run tools/real-levels.sh first";
  const ScratchDir dir;
  expectBuffersDrawAsImmediate(
      dir, quoted(level.string()) + " --windowed --frames 7 --keys 'F12 1, turn 90, F12 1, turn 90, F12 1, turn 90, F12 1'",
      4, kCoincidentTiePixels);
}

}  // namespace
}  // namespace pw
