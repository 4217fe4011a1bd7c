#include "culling/region_traversal.h"

#include <algorithm>
#include <array>
#include <deque>

#include "bsp/bsp_node.h"
#include "cells/visible_sets.h"
#include "culling/region_windows.h"
#include "culling/space_marks.h"
#include "culling/space_traversal.h"
#include "culling/view_window.h"
#include "culling/visibility.h"
#include "regions/sight_graph.h"

namespace pw {
namespace {

// One frame's regions reached and their windows, kept by each thread from
// frame to frame: a frame on a large level reaches thousands of regions,
// and making their windows anew each frame cost more than exploring them.
// Only what a frame touched is cleared after it.
class ReachedRegions {
 public:
  void start(std::size_t regionCount) {
    if (slotOf_.size() < regionCount) slotOf_.resize(regionCount, kNone);
  }
  RegionWindows* find(std::uint32_t region) {
    return slotOf_[region] == kNone ? nullptr : &windows_[slotOf_[region]];
  }
  RegionWindows& reach(std::uint32_t region, std::size_t separate, int explorations) {
    if (RegionWindows* known = find(region)) return *known;
    slotOf_[region] = static_cast<std::uint32_t>(reached_.size());
    if (reached_.size() < windows_.size()) {
      windows_[reached_.size()].reset(separate, explorations);
    } else {
      windows_.emplace_back(separate, explorations);
    }
    reached_.push_back(region);
    return windows_[slotOf_[region]];
  }
  template <typename Visit>
  void forEach(Visit&& visit) {
    for (std::size_t k = 0; k < reached_.size(); ++k) visit(windows_[k]);
  }
  void finish() {
    for (const std::uint32_t region : reached_) slotOf_[region] = kNone;
    reached_.clear();
  }

 private:
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
  std::vector<std::uint32_t> slotOf_;  // by region: its slot in windows_
  std::deque<RegionWindows> windows_;  // a deque keeps references while it grows
  std::vector<std::uint32_t> reached_;
};

}  // namespace

std::vector<const BspNode*> narrowedSpaces(const Scene& scene, const BspNode& root, const ViewPyramid& view,
                                           const SightGraph& regions, const VisibleSets* vis,
                                           CullingTrace* trace) {
  return *narrowedSpacesWithin(scene, root, view, regions, kUnboundedTests, vis, trace);
}

std::optional<std::vector<const BspNode*>> narrowedSpacesWithin(const Scene& scene, const BspNode& root,
                                                                const ViewPyramid& view, const SightGraph& regions,
                                                                std::size_t maxTests, const VisibleSets* vis,
                                                                CullingTrace* trace) {
  const Point3& eye = view.eye();
  // Nothing nearer than the near plane is drawn, so a sight line begins
  // there, past any wall nearer than that: in any region the view meets
  // before that depth, and in any of their Spaces.
  const std::array<Point3, 5> nearView = nearViewCorners(view);
  const bool inside = std::all_of(nearView.begin(), nearView.end(),
                                  [&regions](const Point3& p) { return regions.bounds.contains(p); });
  if (!inside) return allSpaces(scene, root, eye, vis);
  // On a cutter plane the eye stands in the Spaces on both sides.
  const std::vector<const BspNode*> starts = spacesAt(scene, root, eye);
  const std::vector<const BspNode*> sightStarts = spacesMeeting(scene, root, nearView);
  const auto seen = [&](const BspNode* space) { return maySeeFromAny(vis, eye, sightStarts, space->number); };
  const ViewWindow whole = wholeView(view);
  std::vector<const BspNode*> drawn = starts;
  SpaceMarks isDrawn;
  for (const BspNode* start : starts) isDrawn.insert(start);
  thread_local ReachedRegions windows;
  windows.start(regions.regions.size());
  struct Finish {
    ReachedRegions& windows;
    ~Finish() { windows.finish(); }
  } const finish{windows};
  // Passages and walls tested since a Space was last drawn; once
  // kBarrenTests have drawn nothing, the view is narrowed no more.
  std::size_t barren = 0;
  std::size_t tests = 0;
  bool narrowing = true;
  const auto windowsOf = [&](std::uint32_t region) -> RegionWindows& {
    const int explorations = narrowing ? kRegionExplorations : 0;
    return windows.reach(region, kSeparateWindows, explorations);
  };
  // False once the tests are over `maxTests`.
  const auto counted = [&] {
    if (narrowing && ++barren >= kBarrenTests) {
      narrowing = false;
      windows.forEach([](RegionWindows& regionWindows) { regionWindows.stopNarrowing(); });
    }
    return ++tests <= maxTests;
  };
  std::deque<std::uint32_t> frontier;
  // Every region that the view's near part meets up to the tolerance: on a
  // face between two, sight lines start into both.
  for (const BspNode* start : sightStarts) {
    for (const std::uint32_t region : regions.regionsOfSpace[spaceIndex(*start)]) {
      if (!regions.regions[region].mayMeet(nearView)) continue;
      windowsOf(region).offer(whole);
      frontier.push_back(region);
    }
  }
  // A view in no region starts in a crack thinner than the tolerance: no
  // region tells where its sight lines go.
  if (frontier.empty()) return allSpaces(scene, root, eye, vis);
  // The part of `window` through `link`, when `link` passes the view test;
  // once narrowing stopped, whether it passes (the window is left as it is).
  const auto seenThrough = [&](const OpenLink& link, const ViewWindow& window, std::optional<ViewWindow>& through) {
    if (!isVisible(link, view)) return false;
    if (!narrowing) return true;
    through = narrowThrough(window, link.triangles, view.modelView());
    return through.has_value();
  };
  const auto draw = [&](const BspNode* space) {
    if (!isDrawn.insert(space)) return;
    drawn.push_back(space);
    barren = 0;
  };
  while (!frontier.empty()) {
    const std::uint32_t index = frontier.front();
    frontier.pop_front();
    const SightRegion& region = regions.regions[index];
    // (Its Space passed maySee on the way in.)
    if (regions.drawnWhenReached[spaceIndex(*region.space)]) draw(region.space);
    // Passages join two regions, so exploring this one adds no window to it.
    RegionWindows& here = windowsOf(index);
    for (std::size_t k = here.take(whole); k < here.explored().size(); ++k) {
      const ViewWindow& window = here.explored()[k];
      for (const std::uint32_t w : region.walls) {
        const OpenLink& wall = regions.walls[w];
        if (isDrawn.contains(wall.to) || !seen(wall.to)) continue;
        if (!counted()) return std::nullopt;
        std::optional<ViewWindow> through;
        if (seenThrough(wall, window, through)) draw(wall.to);
      }
      for (const std::uint32_t p : region.sightPassages) {
        const SightPassage& passage = regions.sightPassages[p];
        // A region gets its windows once a view reaches it.
        const RegionWindows* known = windows.find(passage.to);
        if (known != nullptr && known->full()) continue;
        if (!seen(passage.view.to)) continue;
        if (!counted()) return std::nullopt;
        std::optional<ViewWindow> through;
        const bool passed = seenThrough(passage.view, window, through);
        if (trace != nullptr) trace->links.push_back({&passage.view, passed});
        if (!passed) continue;
        RegionWindows& next = windowsOf(passage.to);
        // A region with windows waiting is in the frontier already.
        const bool queued = next.queued();
        if (next.offer(through ? std::move(*through) : whole) && !queued) frontier.push_back(passage.to);
      }
    }
  }
  return drawn;
}

}  // namespace pw
