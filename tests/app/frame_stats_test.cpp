#include <gtest/gtest.h>

#include <sstream>

#include "app/frame_stats.h"

namespace pw {
namespace {

TEST(FrameStats, printsRatesAndShares) {
  FrameStats stats;
  stats.frames = 30;
  stats.seconds = 0.5;
  stats.spacesDrawn = 60;
  stats.trianglesDrawn = 3000;
  stats.levelSpaces = 16;
  stats.levelTriangles = 448;
  std::ostringstream out;
  out.precision(3);
  printFrameStats(out, stats);
  EXPECT_EQ(out.str(),
            "frames: 30\n"
            "frames per second: 60.0\n"
            "spaces per frame: 2.00 of 16 (12.5%)\n"
            "triangles per frame: 100.0 of 448 (22.3%)\n");
  // The stream's own format is left as it was.
  EXPECT_EQ(out.precision(), 3);
  EXPECT_FALSE(out.flags() & std::ios::fixed);
}

TEST(FrameStats, noFramesPrintsZerosNotNaN) {
  std::ostringstream out;
  printFrameStats(out, FrameStats{});
  EXPECT_EQ(out.str(),
            "frames: 0\n"
            "frames per second: 0.0\n"
            "spaces per frame: 0.00 of 0 (0.0%)\n"
            "triangles per frame: 0.0 of 0 (0.0%)\n");
}

}  // namespace
}  // namespace pw
