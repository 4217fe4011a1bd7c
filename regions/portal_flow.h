// The portal flow behind "--vis full": from a passage out of a source
// region on through further passages, each clipped to what a sight line
// through the passages before can reach.
//
// A sight line from the source leaves it through a passage p1 (the source
// window) and crosses p2, ..., pk, each region once. It crosses each plane
// once, so the part of the next passage it can reach lies beyond the planes
// of p1 .. pk (a passage in one of them is out of reach), and, for each
// separating plane through an edge of the source window and a corner of the
// last window passed (or an edge of the last window and a corner of the
// source window) that has the two windows on opposite sides, on the side of
// the last window: a line from the one side through the other stays there.
// The window of pk+1 is that part, with the slack of the side tests; the
// source window narrows the same way, the chain run backwards. A window
// narrower than the slack is a line grazing an edge, and leads nowhere (as
// a face narrower than a sliver leads nowhere in the sight graph). Only
// passages the fast flood
// (sight_flood.h) would take are followed, so full sets are never larger
// than fast ones, and a passage is left when every Space that sight lines
// through each passage of the chain could show is already in the set.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "geometry/polygon.h"
#include "regions/sight_flood.h"

namespace pw {

using Deadline = std::optional<std::chrono::steady_clock::time_point>;

// What every flow of one level shares.
struct FlowLevel {
  // Threads as for the sets; the result does not depend on them. Past
  // `deadline` the pruning sets are left unfinished (`ready` false), and no
  // flow may run.
  FlowLevel(const FloodLevel& flood, unsigned threads, const Deadline& deadline);

  // The memory the pruning sets take.
  static std::uint64_t pruningBytes(const FloodLevel& flood) {
    return flood.passages.size() * ((flood.graph.regionsOfSpace.size() + 63) / 64) * 8;
  }

  const FloodLevel& flood;
  std::vector<Polygon> windows;  // by passage: the hull of its corners inside the eye box
  // By passage, `words` words a passage: the Spaces sight lines through it
  // may show, a bit each. First the fast flood's; a flow that finished may
  // put its own in their place between rounds of flows.
  std::uint64_t words = 0;
  std::vector<std::uint64_t> mightSee;
  bool ready = true;
};

// Adds to `seen` (FlowLevel::words words, a bit per Space) the Spaces that
// sight lines from its region through passage `first` may show; false, with
// only some of them added, when the flow would take more than `steps` window
// clippings or go past `deadline`.
bool flowThrough(const FlowLevel& level, std::uint32_t first, std::uint64_t steps, const Deadline& deadline,
                 std::uint64_t* seen);

}  // namespace pw
