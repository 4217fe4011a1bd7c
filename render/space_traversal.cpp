#include "render/portal_renderer.h"

#include <deque>
#include <unordered_map>
#include <unordered_set>

#include "bsp/bsp_node.h"
#include "cells/open_links.h"
#include "portal/portal.h"
#include "render/camera.h"
#include "render/view_window.h"
#include "scene/scene.h"

namespace pw {

std::vector<const BspNode*> visibleSpaces(const Scene& scene, const BspNode& root, const Camera& camera,
                                          const Matrix4& modelView, const OpenLinks* links) {
  const Point3 eye = camera.eye();
  if (links != nullptr && !links->bounds.contains(eye)) return allSpaces(scene, root, camera);
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
      if (next == nullptr || visited.contains(next)) continue;
      if (isVisible(*fragment, camera.fieldOfView, camera.aspect, modelView, eye)) {
        frontier.push_back(next);
        visited.insert(next);
      }
    }
    if (links == nullptr) continue;
    for (const std::uint32_t index : links->linksFrom[space->number - 1]) {
      const OpenLink& link = links->links[index];
      if (visited.contains(link.to)) continue;
      if (isVisible(link, camera.fieldOfView, camera.aspect, modelView, eye)) {
        frontier.push_back(link.to);
        visited.insert(link.to);
      }
    }
  }
  return drawn;
}

std::vector<const BspNode*> narrowedSpaces(const Scene& scene, const BspNode& root, const Camera& camera,
                                           const Matrix4& modelView, const OpenLinks* links) {
  const Point3 eye = camera.eye();
  if (links != nullptr && !links->bounds.contains(eye)) return allSpaces(scene, root, camera);
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
  // with the whole view, which covers every later way in.
  const auto pass = [&](const Visit& from, const BspNode* next, std::span<const std::array<Point3, 3>> passage) {
    int& count = explorations[next];
    if (count > kNarrowExplorations) return;
    std::optional<ViewWindow> window = count == kNarrowExplorations ? std::optional(whole)
                                                                      : narrowThrough(from.window, passage, modelView);
    if (!window) return;
    if (count == 0) drawn.push_back(next);
    ++count;
    frontier.push_back({next, std::move(*window)});
  };
  while (!frontier.empty()) {
    const Visit visit = std::move(frontier.front());
    frontier.pop_front();
    for (const Portal* fragment : visit.space->portals) {
      if (fragment->target() == nullptr || !isVisible(*fragment, camera.fieldOfView, camera.aspect, modelView, eye)) {
        continue;
      }
      triangles.clear();
      for (const PortalTriangle& t : fragment->triangles()) triangles.push_back(t.vertices);
      pass(visit, fragment->target(), triangles);
    }
    if (links == nullptr) continue;
    for (const std::uint32_t index : links->linksFrom[visit.space->number - 1]) {
      const OpenLink& link = links->links[index];
      if (isVisible(link, camera.fieldOfView, camera.aspect, modelView, eye)) pass(visit, link.to, link.triangles);
    }
  }
  return drawn;
}

std::vector<const BspNode*> allSpaces(const Scene& scene, const BspNode& root, const Camera& camera) {
  const BspNode* start = &locateSpace(scene, root, camera.eye());
  std::vector<const BspNode*> spaces{start};
  for (const BspNode* space : collectSpaces(root)) {
    if (space != start) spaces.push_back(space);
  }
  return spaces;
}

}  // namespace pw
