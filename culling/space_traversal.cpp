#include "culling/space_traversal.h"

#include <algorithm>
#include <deque>

#include "bsp/bsp_node.h"
#include "cells/open_links.h"
#include "cells/visible_sets.h"
#include "culling/space_marks.h"
#include "culling/view_window.h"
#include "culling/visibility.h"
#include "portal/portal.h"
#include "scene/scene.h"

namespace pw {
namespace {

// The breadth-first walk both modes share; `links` null: through the
// designed fragments alone.
std::vector<const BspNode*> walkPassages(const Scene& scene, const BspNode& root, const ViewPyramid& view,
                                         const OpenLinks* links, const VisibleSets* vis, CullingTrace* trace) {
  const Point3& eye = view.eye();
  if (links != nullptr && !links->bounds.contains(eye)) return allSpaces(scene, root, eye, vis);
  // Nothing nearer than the near plane is drawn, so sight starts in every
  // Space the view meets before that depth: an eye on a cutter plane sees
  // into the Spaces on both sides (from one alone the passages in that plane
  // are seen edge-on and fail), and one a hair in front of a wall sees past
  // it where the wall is clipped away.
  const std::vector<const BspNode*> starts = spacesMeeting(scene, root, nearViewCorners(view));
  const auto seen = [&](const BspNode* space) { return maySeeFromAny(vis, eye, starts, space->number); };
  std::vector<const BspNode*> drawn;
  std::deque<const BspNode*> frontier(starts.begin(), starts.end());
  SpaceMarks visited;
  for (const BspNode* start : starts) visited.insert(start);
  while (!frontier.empty()) {
    const BspNode* space = frontier.front();
    frontier.pop_front();
    drawn.push_back(space);
    for (const Portal* fragment : space->portals) {
      const BspNode* next = fragment->target();
      if (next == nullptr || visited.contains(next) || !seen(next)) continue;
      const bool passed = isVisible(*fragment, view);
      if (trace != nullptr) trace->fragments.push_back({fragment, passed});
      if (passed) {
        frontier.push_back(next);
        visited.insert(next);
      }
    }
    if (links == nullptr) continue;
    for (const std::uint32_t index : links->linksFrom[spaceIndex(*space)]) {
      const OpenLink& link = links->links[index];
      if (visited.contains(link.to) || !seen(link.to)) continue;
      const bool passed = isVisible(link, view);
      if (trace != nullptr) trace->links.push_back({&link, passed});
      if (passed) {
        frontier.push_back(link.to);
        visited.insert(link.to);
      }
    }
  }
  return drawn;
}

}  // namespace

std::vector<const BspNode*> designedSpaces(const Scene& scene, const BspNode& root, const ViewPyramid& view,
                                           const VisibleSets* vis, CullingTrace* trace) {
  return walkPassages(scene, root, view, nullptr, vis, trace);
}

std::vector<const BspNode*> soundSpaces(const Scene& scene, const BspNode& root, const ViewPyramid& view,
                                        const OpenLinks& links, const VisibleSets* vis, CullingTrace* trace) {
  return walkPassages(scene, root, view, &links, vis, trace);
}

std::vector<const BspNode*> allSpaces(const Scene& scene, const BspNode& root, const Point3& eye,
                                      const VisibleSets* vis) {
  const std::vector<const BspNode*> starts = spacesAt(scene, root, eye);
  std::vector<const BspNode*> spaces = starts;
  for (const BspNode* space : collectSpaces(root)) {
    const bool start = std::find(starts.begin(), starts.end(), space) != starts.end();
    if (!start && maySeeFromAny(vis, eye, starts, space->number)) spaces.push_back(space);
  }
  return spaces;
}

}  // namespace pw
