#include "culling/region_windows.h"

#include <algorithm>
#include <iterator>
#include <limits>

namespace pw {
namespace {

// The index of the window that grows least when joined with `window`.
std::size_t leastGrowing(const std::vector<ViewWindow>& windows, const ViewWindow& window) {
  std::size_t best = 0;
  double leastGrowth = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < windows.size(); ++i) {
    const double growth = windowArea(joinWindows(windows[i], window)) - windowArea(windows[i]);
    if (growth < leastGrowth) {
      leastGrowth = growth;
      best = i;
    }
  }
  return best;
}

bool anyCovers(const std::vector<ViewWindow>& windows, const ViewWindow& window) {
  return std::any_of(windows.begin(), windows.end(),
                     [&window](const ViewWindow& other) { return windowCovers(other, window); });
}

}  // namespace

bool RegionWindows::offer(ViewWindow window) {
  if (full() || anyCovers(explored_, window)) return false;
  // Explored next with the whole view: one waiting window queues it.
  if (explorations_ >= limit_) {
    pending_.push_back(std::move(window));
    return true;
  }
  if (anyCovers(pending_, window)) return false;
  std::erase_if(pending_, [&window](const ViewWindow& waiting) { return windowCovers(window, waiting); });
  if (pending_.size() < separate_) {
    pending_.push_back(std::move(window));
  } else {
    ViewWindow& nearest = pending_[leastGrowing(pending_, window)];
    nearest = joinWindows(nearest, window);
  }
  return true;
}

std::size_t RegionWindows::take(const ViewWindow& whole) {
  const std::size_t first = explored_.size();
  explorations_ += static_cast<int>(pending_.size());
  if (exhausted()) {
    explored_.push_back(whole);
  } else {
    std::move(pending_.begin(), pending_.end(), std::back_inserter(explored_));
  }
  pending_.clear();
  return first;
}

}  // namespace pw
