// One region's view windows during one frame of narrowed culling: which
// windows it has been explored with, which wait, and when a window that
// reaches it adds nothing.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "culling/view_window.h"

namespace pw {

// Windows that reach a region wait in `pending` until it is explored, so
// that the ways in found in the same breadth-first round are explored
// together; a window that one explored or waiting already covers adds
// nothing, and one that covers waiting ones replaces them. At most
// `separate` wait: one more is joined with the waiting window it grows
// least. After `explorations` windows the region is explored once more with
// the whole view, and then never again.
class RegionWindows {
 public:
  RegionWindows(std::size_t separate, int explorations) : separate_(separate), limit_(explorations) {}

  // As if made anew, keeping the room its lists took.
  void reset(std::size_t separate, int explorations) {
    separate_ = separate;
    limit_ = explorations;
    explored_.clear();
    pending_.clear();
    explorations_ = 0;
  }

  // Explored with the whole view: nothing more to find here.
  bool exhausted() const { return explorations_ > limit_; }
  // Waiting to be explored.
  bool queued() const { return !pending_.empty(); }
  // No window offered now can add anything: explored with the whole view,
  // or waiting to be.
  bool full() const { return exhausted() || (explorations_ >= limit_ && queued()); }

  // Whether `window` is new here (and now waits).
  bool offer(ViewWindow window);

  // From now on the region is explored at most once more, with the whole
  // view.
  void stopNarrowing() { limit_ = std::min(limit_, explorations_); }

  // Moves the waiting windows to the explored ones (the whole view instead,
  // once too many): the region is to be explored with explored()[first, end)
  // for the index returned.
  std::size_t take(const ViewWindow& whole);

  const std::vector<ViewWindow>& explored() const { return explored_; }

 private:
  std::size_t separate_;
  int limit_;
  std::vector<ViewWindow> explored_;
  std::vector<ViewWindow> pending_;
  int explorations_ = 0;
};

}  // namespace pw
