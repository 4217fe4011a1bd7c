#include "render/portal_renderer.h"

#include <deque>
#include <unordered_set>

#include "bsp/bsp_node.h"
#include "cells/open_links.h"
#include "cells/visible_sets.h"
#include "portal/portal.h"
#include "render/camera.h"
#include "scene/scene.h"

namespace pw {

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
      if (next == nullptr || visited.contains(next) || !maySee(vis, eye, start->number, next->number)) continue;
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
      if (visited.contains(link.to) || !maySee(vis, eye, start->number, link.to->number)) continue;
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

std::vector<const BspNode*> allSpaces(const Scene& scene, const BspNode& root, const Camera& camera,
                                      const VisibleSets* vis) {
  const Point3 eye = camera.eye();
  const BspNode* start = &locateSpace(scene, root, eye);
  std::vector<const BspNode*> spaces{start};
  for (const BspNode* space : collectSpaces(root)) {
    if (space != start && maySee(vis, eye, start->number, space->number)) spaces.push_back(space);
  }
  return spaces;
}

}  // namespace pw
