#include <algorithm>
#include <deque>
#include <iterator>
#include <limits>
#include <unordered_map>
#include <unordered_set>

#include "bsp/bsp_node.h"
#include "cells/empty_regions.h"
#include "cells/visible_sets.h"
#include "render/camera.h"
#include "render/portal_renderer.h"
#include "render/view_window.h"

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

// One region's windows in one frame. Windows that reach it wait in
// `pending` until it is explored, so that the ways in found in the same
// breadth-first round are explored together; a window that one explored or
// waiting already covers adds nothing. At most kSeparateWindows wait: one
// more is joined with the waiting window it grows least. After
// kRegionExplorations windows the region is explored once more with the
// whole view, and then never again.
struct RegionWindows {
  std::vector<ViewWindow> explored;
  std::vector<ViewWindow> pending;
  int explorations = 0;
  bool queued = false;

  bool exhausted() const { return explorations > kRegionExplorations; }

  // Whether `window` is new here (and now waits).
  bool offer(ViewWindow window) {
    if (anyCovers(explored, window) || anyCovers(pending, window)) return false;
    std::erase_if(pending, [&window](const ViewWindow& waiting) { return windowCovers(window, waiting); });
    if (pending.size() < kSeparateWindows) {
      pending.push_back(std::move(window));
    } else {
      ViewWindow& nearest = pending[leastGrowing(pending, window)];
      nearest = joinWindows(nearest, window);
    }
    return true;
  }

  // Moves the waiting windows to `explored` (the whole view instead, once
  // too many): the region is explored with explored[first, explored.size()).
  std::size_t take(const ViewWindow& whole) {
    const std::size_t first = explored.size();
    explorations += static_cast<int>(pending.size());
    if (exhausted()) {
      explored.push_back(whole);
    } else {
      std::move(pending.begin(), pending.end(), std::back_inserter(explored));
    }
    pending.clear();
    queued = false;
    return first;
  }
};

}  // namespace

std::vector<const BspNode*> narrowedSpaces(const Scene& scene, const BspNode& root, const Camera& camera,
                                           const Matrix4& modelView, const EmptyRegions& regions,
                                           const VisibleSets* vis, PassageTrace* trace) {
  const Point3 eye = camera.eye();
  if (!regions.bounds.contains(eye)) return allSpaces(scene, root, camera, vis);
  const BspNode& start = locateSpace(scene, root, eye);
  const ViewWindow whole = wholeView(camera.fieldOfView, camera.aspect);
  std::vector<const BspNode*> drawn{&start};
  std::unordered_set<const BspNode*> isDrawn{&start};
  std::unordered_map<std::uint32_t, RegionWindows> windows;
  std::deque<std::uint32_t> frontier;
  // Every region of the eye's Space that holds the eye up to the tolerance:
  // on a face between two, sight lines start into both.
  for (const std::uint32_t region : regions.regionsOfSpace[start.number - 1]) {
    if (regions.regions[region].depthOf(eye) < -kPlaneTolerance) continue;
    windows[region].offer(whole);
    windows[region].queued = true;
    frontier.push_back(region);
  }
  // An eye in no region stands in a crack thinner than the tolerance: no
  // region tells where its sight lines go.
  if (frontier.empty()) return allSpaces(scene, root, camera, vis);
  // The part of `window` through `view`, which must pass the view test.
  const auto seenThrough = [&](const OpenLink& view, const ViewWindow& window) -> std::optional<ViewWindow> {
    if (!isVisible(view, camera.fieldOfView, camera.aspect, modelView, eye)) return std::nullopt;
    return narrowThrough(window, view.triangles, modelView);
  };
  const auto draw = [&](const BspNode* space) {
    if (isDrawn.insert(space).second) drawn.push_back(space);
  };
  while (!frontier.empty()) {
    const std::uint32_t index = frontier.front();
    frontier.pop_front();
    const EmptyRegion& region = regions.regions[index];
    // (Its Space passed maySee on the way in.)
    if (regions.drawnWhenReached[region.space->number - 1]) draw(region.space);
    // Passages join two regions, so exploring this one adds no window to it.
    RegionWindows& here = windows[index];
    for (std::size_t k = here.take(whole); k < here.explored.size(); ++k) {
      const ViewWindow& window = here.explored[k];
      for (const std::uint32_t w : region.walls) {
        const OpenLink& wall = regions.walls[w];
        const bool shown = !isDrawn.contains(wall.to) && maySee(vis, eye, start.number, wall.to->number) &&
                           seenThrough(wall, window);
        if (shown) draw(wall.to);
      }
      for (const std::uint32_t p : region.sightPassages) {
        const SightPassage& passage = regions.sightPassages[p];
        RegionWindows& next = windows[passage.to];
        if (next.exhausted() || !maySee(vis, eye, start.number, passage.view.to->number)) continue;
        std::optional<ViewWindow> through = seenThrough(passage.view, window);
        if (trace != nullptr) trace->links.push_back({&passage.view, through.has_value()});
        if (!through || !next.offer(std::move(*through)) || next.queued) continue;
        next.queued = true;
        frontier.push_back(passage.to);
      }
    }
  }
  return drawn;
}

}  // namespace pw
