#include "render/portal_renderer.h"

#include <deque>
#include <unordered_set>

#include "bsp/bsp_node.h"
#include "cells/open_links.h"
#include "portal/portal.h"
#include "render/camera.h"
#include "scene/scene.h"

namespace pw {

const BspNode& locateSpace(const Scene& scene, const BspNode& root, const Point3& eye) {
  const BspNode* node = &root;
  while (!node->isSpace()) {
    const bool behind = scene.triangle(node->cutter).classifyPoint(eye) == PointSide::Behind;
    node = behind ? node->behind : node->front;
  }
  return *node;
}

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

std::vector<const BspNode*> allSpaces(const Scene& scene, const BspNode& root, const Camera& camera) {
  const BspNode* start = &locateSpace(scene, root, camera.eye());
  std::vector<const BspNode*> spaces{start};
  for (const BspNode* space : collectSpaces(root)) {
    if (space != start) spaces.push_back(space);
  }
  return spaces;
}

}  // namespace pw
