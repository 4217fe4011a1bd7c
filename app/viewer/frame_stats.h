// Figures of a viewer run, for `--stats` and the viewer benchmark.
#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

namespace pw {

struct FrameStats {
  std::uint64_t frames = 0;
  // Summed over all frames drawn.
  std::uint64_t spacesDrawn = 0;
  std::uint64_t trianglesDrawn = 0;
  // The whole level: every Space of the tree and the triangles they hold.
  std::uint64_t levelSpaces = 0;
  std::uint64_t levelTriangles = 0;
  // From the start of the first frame to the end of the last one.
  double seconds = 0.0;
};

// One "key: value" line per figure, e.g.
//   frames: 30
//   frames per second: 41.2
//   spaces per frame: 3.00 of 12 (25.0%)
//   triangles per frame: 96.0 of 412 (23.3%)
void printFrameStats(std::ostream& out, const FrameStats& stats);

// The collision time of the frames walked, when there were any, e.g.
//   collision per walking frame: median 0.021 ms, worst 0.094 ms (300 frames)
void printCollisionStats(std::ostream& out, std::vector<double> seconds);

// One frame's line, numbered from 1, against the level in `stats`, e.g.
//   frame 7: spaces 3 of 12 (25.0%), triangles 96 of 412 (23.3%)
void printFrameLine(std::ostream& out, std::uint64_t frame, std::uint64_t spaces, std::uint64_t triangles,
                    const FrameStats& stats);

}  // namespace pw
