#include "bsp/bsp_node.h"

#include <cassert>
#include <vector>

#include "portal/portal.h"
#include "scene/scene.h"

namespace pw {

namespace {

// Visits the leaf fragments under `fragment`, depth first, front before
// behind. A fragment split again and again through its twin is a deep binary
// tree, so the walk keeps its own stack.
template <typename Visit>
void forEachLeafFragment(Portal* fragment, std::vector<Portal*>& stack, Visit visit) {
  stack.clear();
  stack.push_back(fragment);
  while (!stack.empty()) {
    Portal* f = stack.back();
    stack.pop_back();
    while (f->triangleCount() == 0) {
      assert(f->front() != nullptr && f->behind() != nullptr);
      stack.push_back(f->behind());
      f = f->front();
    }
    visit(f);
  }
}

}  // namespace

void attachPortal(Portal* fragment, BspNode* space) {
  if (fragment->triangleCount() > 0) {
    fragment->twin()->setTarget(space);
    return;
  }
  std::vector<Portal*> stack;
  forEachLeafFragment(fragment, stack, [space](Portal* leaf) { leaf->twin()->setTarget(space); });
}

void BspNode::collectLeafFragments() {
  std::vector<BspNode*> nodes{this};
  std::vector<Portal*> stack;
  while (!nodes.empty()) {
    BspNode* node = nodes.back();
    nodes.pop_back();
    std::vector<Portal*> leaves;
    leaves.reserve(node->portals.size());
    for (Portal* fragment : node->portals) {
      forEachLeafFragment(fragment, stack, [&leaves](Portal* leaf) { leaves.push_back(leaf); });
    }
    node->portals = std::move(leaves);
    if (!node->isSpace()) {
      nodes.push_back(node->behind);
      nodes.push_back(node->front);
    }
  }
}

std::vector<const BspNode*> collectSpaces(const BspNode& root) {
  std::vector<const BspNode*> spaces;
  std::vector<const BspNode*> nodes{&root};
  while (!nodes.empty()) {
    const BspNode* node = nodes.back();
    nodes.pop_back();
    if (node->isSpace()) {
      spaces.push_back(node);
    } else {
      nodes.push_back(node->behind);
      nodes.push_back(node->front);
    }
  }
  return spaces;
}

const BspNode& locateSpace(const Scene& scene, const BspNode& root, const Point3& point) {
  const BspNode* node = &root;
  while (!node->isSpace()) {
    const bool behind = scene.triangle(node->cutter).classifyPoint(point) == PointSide::Behind;
    node = behind ? node->behind : node->front;
  }
  return *node;
}

std::vector<const BspNode*> spacesAt(const Scene& scene, const BspNode& root, const Point3& point) {
  return spacesMeeting(scene, root, {&point, 1});
}

std::vector<const BspNode*> spacesMeeting(const Scene& scene, const BspNode& root, std::span<const Point3> points) {
  std::vector<const BspNode*> spaces;
  std::vector<const BspNode*> nodes{&root};
  while (!nodes.empty()) {
    const BspNode* node = nodes.back();
    nodes.pop_back();
    if (node->isSpace()) {
      spaces.push_back(node);
      continue;
    }
    bool front = false;
    bool behind = false;
    for (const Point3& point : points) {
      const PointSide side = scene.triangle(node->cutter).classifyPoint(point);
      front = front || side != PointSide::Behind;
      behind = behind || side != PointSide::Front;
    }
    // Front last, so that it is taken first, as locateSpace takes it.
    if (behind) nodes.push_back(node->behind);
    if (front) nodes.push_back(node->front);
  }
  return spaces;
}

}  // namespace pw
