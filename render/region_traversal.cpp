#include <deque>
#include <unordered_map>
#include <unordered_set>

#include "bsp/bsp_node.h"
#include "cells/empty_regions.h"
#include "cells/visible_sets.h"
#include "render/camera.h"
#include "render/portal_renderer.h"
#include "render/region_windows.h"
#include "render/view_window.h"

namespace pw {

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
  // Passages and walls tested since a Space was last drawn; once
  // kBarrenTests have drawn nothing, the view is narrowed no more.
  std::size_t barren = 0;
  bool narrowing = true;
  const auto windowsOf = [&](std::uint32_t region) -> RegionWindows& {
    const int explorations = narrowing ? kRegionExplorations : 0;
    return windows.try_emplace(region, kSeparateWindows, explorations).first->second;
  };
  const auto counted = [&] {
    if (!narrowing || ++barren < kBarrenTests) return;
    narrowing = false;
    for (auto& [region, regionWindows] : windows) regionWindows.stopNarrowing();
  };
  std::deque<std::uint32_t> frontier;
  // Every region of the eye's Space that holds the eye up to the tolerance:
  // on a face between two, sight lines start into both.
  for (const std::uint32_t region : regions.regionsOfSpace[start.number - 1]) {
    if (regions.regions[region].depthOf(eye) < -kPlaneTolerance) continue;
    windowsOf(region).offer(whole);
    frontier.push_back(region);
  }
  // An eye in no region stands in a crack thinner than the tolerance: no
  // region tells where its sight lines go.
  if (frontier.empty()) return allSpaces(scene, root, camera, vis);
  // The part of `window` through `view`, when `view` passes the view test;
  // once narrowing stopped, whether it passes (the window is left as it is).
  const auto seenThrough = [&](const OpenLink& view, const ViewWindow& window, std::optional<ViewWindow>& through) {
    if (!isVisible(view, camera.fieldOfView, camera.aspect, modelView, eye)) return false;
    if (!narrowing) return true;
    through = narrowThrough(window, view.triangles, modelView);
    return through.has_value();
  };
  const auto draw = [&](const BspNode* space) {
    if (!isDrawn.insert(space).second) return;
    drawn.push_back(space);
    barren = 0;
  };
  while (!frontier.empty()) {
    const std::uint32_t index = frontier.front();
    frontier.pop_front();
    const EmptyRegion& region = regions.regions[index];
    // (Its Space passed maySee on the way in.)
    if (regions.drawnWhenReached[region.space->number - 1]) draw(region.space);
    // Passages join two regions, so exploring this one adds no window to it.
    RegionWindows& here = windowsOf(index);
    for (std::size_t k = here.take(whole); k < here.explored().size(); ++k) {
      const ViewWindow& window = here.explored()[k];
      for (const std::uint32_t w : region.walls) {
        const OpenLink& wall = regions.walls[w];
        if (isDrawn.contains(wall.to) || !maySee(vis, eye, start.number, wall.to->number)) continue;
        counted();
        std::optional<ViewWindow> through;
        if (seenThrough(wall, window, through)) draw(wall.to);
      }
      for (const std::uint32_t p : region.sightPassages) {
        const SightPassage& passage = regions.sightPassages[p];
        // A region gets its windows once a view reaches it.
        const auto known = windows.find(passage.to);
        if (known != windows.end() && known->second.full()) continue;
        if (!maySee(vis, eye, start.number, passage.view.to->number)) continue;
        counted();
        std::optional<ViewWindow> through;
        const bool seen = seenThrough(passage.view, window, through);
        if (trace != nullptr) trace->links.push_back({&passage.view, seen});
        if (!seen) continue;
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
