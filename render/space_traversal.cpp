#include "render/portal_renderer.h"

#include <cassert>
#include <deque>
#include <unordered_map>
#include <unordered_set>

#include "bsp/bsp_node.h"
#include "cells/open_links.h"
#include "cells/visible_sets.h"
#include "portal/portal.h"
#include "render/camera.h"
#include "render/view_window.h"
#include "scene/scene.h"

namespace pw {
namespace {

// Whether a frame from `eye`, standing in `start`, may draw `space`: always
// without sets, and for an eye outside the box they hold for.
bool maySee(const VisibleSets* vis, const Point3& eye, const BspNode& start, const BspNode& space) {
  return vis == nullptr || !vis->eyeBox().contains(eye) || vis->sees(start.number, space.number);
}

}  // namespace

std::vector<const BspNode*> visibleSpaces(const Scene& scene, const BspNode& root, const Camera& camera,
                                          const Matrix4& modelView, const OpenLinks* links, const VisibleSets* vis,
                                          PassageTrace* trace) {
  const Point3 eye = camera.eye();
  if (links != nullptr && !links->bounds.contains(eye)) return allSpaces(scene, root, camera, vis);
  const BspNode* start = &locateSpace(scene, root, eye);
  std::vector<const BspNode*> drawn;
  std::deque<const BspNode*> frontier{start};
  std::unordered_set<const BspNode*> visited{start};
  while (!frontier.empty()) {
    const BspNode* space = frontier.front();
    frontier.pop_front();
    drawn.push_back(space);
    for (const Portal* fragment : space->portals) {
      const BspNode* next = fragment->target();
      if (next == nullptr || visited.contains(next) || !maySee(vis, eye, *start, *next)) continue;
      const bool passed = isVisible(*fragment, camera.fieldOfView, camera.aspect, modelView, eye);
      if (trace != nullptr) trace->fragments.push_back({fragment, passed});
      if (passed) {
        frontier.push_back(next);
        visited.insert(next);
      }
    }
    if (links == nullptr) continue;
    for (const std::uint32_t index : links->linksFrom[space->number - 1]) {
      const OpenLink& link = links->links[index];
      if (visited.contains(link.to) || !maySee(vis, eye, *start, *link.to)) continue;
      const bool passed = isVisible(link, camera.fieldOfView, camera.aspect, modelView, eye);
      if (trace != nullptr) trace->links.push_back({&link, passed});
      if (passed) {
        frontier.push_back(link.to);
        visited.insert(link.to);
      }
    }
  }
  return drawn;
}

std::vector<const BspNode*> narrowedSpaces(const Scene& scene, const BspNode& root, const Camera& camera,
                                           const Matrix4& modelView, const OpenLinks* links, const VisibleSets* vis,
                                           PassageTrace* trace) {
  const Point3 eye = camera.eye();
  if (links != nullptr && !links->bounds.contains(eye)) return allSpaces(scene, root, camera, vis);
  const ViewWindow whole = wholeView(camera.fieldOfView, camera.aspect);
  struct Visit {
    const BspNode* space;
    ViewWindow window;
  };
  const BspNode* start = &locateSpace(scene, root, eye);
  std::vector<const BspNode*> drawn{start};
  std::unordered_map<const BspNode*, int> explorations{{start, 1}};
  std::deque<Visit> frontier{{start, whole}};
  std::vector<std::array<Point3, 3>> triangles;
  // A passage that passes the un-narrowed test leads on with the window cut
  // by it; after kNarrowExplorations visits a Space is explored once more
  // with the whole view, which covers every later way in. True when the
  // passage led on.
  const auto pass = [&](const Visit& from, const BspNode* next, std::span<const std::array<Point3, 3>> passage) {
    int& count = explorations[next];
    assert(count <= kNarrowExplorations);
    std::optional<ViewWindow> window = count == kNarrowExplorations ? std::optional(whole)
                                                                      : narrowThrough(from.window, passage, modelView);
    if (!window) return false;
    if (count == 0) drawn.push_back(next);
    ++count;
    frontier.push_back({next, std::move(*window)});
    return true;
  };
  // A Space explored with the whole view has nothing more to show, and one
  // outside the visible set nothing at all: a passage into either is skipped
  // without a test.
  const auto skipped = [&](const BspNode* space) {
    const auto found = explorations.find(space);
    return (found != explorations.end() && found->second > kNarrowExplorations) || !maySee(vis, eye, *start, *space);
  };
  while (!frontier.empty()) {
    const Visit visit = std::move(frontier.front());
    frontier.pop_front();
    for (const Portal* fragment : visit.space->portals) {
      if (fragment->target() == nullptr || skipped(fragment->target())) continue;
      bool passed = isVisible(*fragment, camera.fieldOfView, camera.aspect, modelView, eye);
      if (passed) {
        triangles.clear();
        for (const PortalTriangle& t : fragment->triangles()) triangles.push_back(t.vertices);
        passed = pass(visit, fragment->target(), triangles);
      }
      if (trace != nullptr) trace->fragments.push_back({fragment, passed});
    }
    if (links == nullptr) continue;
    for (const std::uint32_t index : links->linksFrom[visit.space->number - 1]) {
      const OpenLink& link = links->links[index];
      if (skipped(link.to)) continue;
      const bool passed =
          isVisible(link, camera.fieldOfView, camera.aspect, modelView, eye) && pass(visit, link.to, link.triangles);
      if (trace != nullptr) trace->links.push_back({&link, passed});
    }
  }
  return drawn;
}

std::vector<const BspNode*> allSpaces(const Scene& scene, const BspNode& root, const Camera& camera,
                                      const VisibleSets* vis) {
  const Point3 eye = camera.eye();
  const BspNode* start = &locateSpace(scene, root, eye);
  std::vector<const BspNode*> spaces{start};
  for (const BspNode* space : collectSpaces(root)) {
    if (space != start && maySee(vis, eye, *start, *space)) spaces.push_back(space);
  }
  return spaces;
}

}  // namespace pw
