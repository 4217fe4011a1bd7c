#include <algorithm>
#include <cassert>
#include <chrono>
#include <cstdint>
#include <utility>
#include <vector>

#include "bsp/bsp_builder.h"
#include "bsp/bsp_node.h"
#include "bsp/corner_bvh.h"
#include "bsp/plane_counting.h"
#include "bsp/plane_groups.h"
#include "bsp/stopwatch.h"
#include "bsp/worker_pool.h"
#include "portal/portal.h"
#include "portal/portal_creation.h"
#include "scene/scene.h"

namespace pw {

namespace {

using Clock = std::chrono::steady_clock;

// Progress is reported at most this often (and once when a build ends).
constexpr auto kProgressInterval = std::chrono::milliseconds(100);

// A node whose front subtree is being built: what its behind subtree and the
// node itself still need. The build keeps these on an explicit stack instead
// of the call stack, so the depth of the tree is bounded by memory only.
struct PendingNode {
  std::int32_t cutter;
  std::int32_t cutterFace;
  std::vector<std::uint32_t> behindTriangles;
  std::vector<Portal*> behindPortals;
  std::uint64_t depth;
  BspNode* front = nullptr;
  // Fast build: the behind list's counted plane groups, when they were
  // derived at the split. Its entries are disjoint from every other pending
  // list's, so what all pending nodes hold stays within the Scene's size.
  PlaneGroups behindPlanes{};
};

// True when dividing by the chosen cutter would hand the whole list to the
// front child again (nothing behind its plane, nothing cut), so the build
// would recurse for ever. The cutter's own entry is left out: it always goes
// to the front, even when rounding makes it span its own plane.
bool leavesListWhole(const Scene& scene, const CutterChoice& choice) {
  std::uint32_t behind = choice.behind;
  std::uint32_t splits = choice.splits;
  const Triangle& cutter = scene.triangle(choice.cutter);
  switch (cutter.classifyTriangle(cutter)) {
    case PolygonSide::Spanning:
      --splits;
      break;
    case PolygonSide::BehindTouching:
    case PolygonSide::Behind:
      --behind;
      break;
    case PolygonSide::Front:
    case PolygonSide::FrontTouching:
    case PolygonSide::Coplanar:
      break;
  }
  return behind == 0 && splits == 0;
}

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

BspBuilder::BspBuilder(Scene* scene, const std::filesystem::path& outputDir, BuildOptions options)
    : scene_(scene),
      options_(options),
      contoursLog_(outputDir / "contours.log", scene),
      trisLogPath_(outputDir / "tris.log") {
  // The level as read: the build has not cut anything into the Scene yet.
  if (options_.squareHalfSide <= 0.0) options_.squareHalfSide = squareHalfSideFor(*scene_);
}

BspBuilder::~BspBuilder() = default;

WorkerPool& BspBuilder::pool() const {
  if (pool_ == nullptr) pool_ = std::make_unique<WorkerPool>(options_.threads);
  return *pool_;
}

// The recursion of the build, unrolled onto `pending`: a node is divided, its
// front list built down to its Spaces, then its behind list, then the inner
// node is made. Spaces are thus numbered and fragments attached in exactly the
// order a recursive build would give.
BspNode* BspBuilder::build(const std::vector<std::uint32_t>& triangles, const std::vector<Portal*>& portals) {
  std::vector<PendingNode> pending;  // the inner nodes on the path to the current list
  // A new root: no face divides anything above it (not even one left marked
  // by a build that ended in an exception).
  std::fill(faceOnPath_.begin(), faceOnPath_.end(), false);
  const bool fast = options_.strategy == BuildStrategy::Fast;
  std::vector<std::uint32_t> nodeTriangles = triangles;
  std::vector<Portal*> nodePortals = portals;
  PlaneGroups nodePlanes;  // fast build: the list's plane groups, counted if carried over
  std::uint64_t depth = 0;
  for (;;) {
    BspNode* done = nullptr;
    CutterChoice choice;
    bool convex = false;
    if (fast) {
      convex = analyseFast(nodeTriangles, nodePlanes, choice);
    } else {
      const Stopwatch convexityTime;
      convex = isConvexStraightforward(nodeTriangles);
      stats_.convexitySeconds += convexityTime.seconds();
      if (!convex) {
        const Stopwatch choiceTime;
        choice = chooseStraightforward(nodeTriangles);
        stats_.cutterChoiceSeconds += choiceTime.seconds();
      }
    }
    if (convex) {
      done = makeSpace(std::move(nodeTriangles), std::move(nodePortals), depth);
    } else {
      const std::int32_t face = sourceFaceOf(choice.cutter);
      if (face >= static_cast<std::int32_t>(faceOnPath_.size())) faceOnPath_.resize(static_cast<std::size_t>(face) + 1);
      // In exact arithmetic a plane that divides an enclosing node leaves
      // nothing behind it and cuts nothing below that node, so the second
      // test only catches what rounding makes of huge coordinates; together
      // they bound every path by the number of faces.
      if (leavesListWhole(*scene_, choice) || faceOnPath_[static_cast<std::size_t>(face)]) {
        // Decided before splitting: no segment, no portal, no fragment split.
        ++stats_.forcedSpaces;
        done = makeSpace(std::move(nodeTriangles), std::move(nodePortals), depth);
      } else {
        faceOnPath_[static_cast<std::size_t>(face)] = true;
        PendingNode& node = pending.emplace_back(PendingNode{choice.cutter, face, {}, {}, depth});
        // The counts bound the children: a cut triangle leaves at most two
        // pieces on either side.
        std::vector<std::uint32_t> frontTriangles;
        frontTriangles.reserve(choice.front + 2 * std::size_t{choice.splits});
        node.behindTriangles.reserve(choice.behind + 2 * std::size_t{choice.splits});
        std::vector<Portal*> frontPortals;
        const std::uint64_t cutBefore = stats_.trianglesSplit;
        split(choice.cutter, nodeTriangles, frontTriangles, node.behindTriangles, nodePortals, frontPortals,
              node.behindPortals);
        PlaneGroups frontPlanes;
        if (fast && stats_.trianglesSplit == cutBefore) {
          deriveChildren(nodeTriangles, nodePlanes, frontTriangles, node.behindTriangles, frontPlanes,
                         node.behindPlanes);
        }
        // The front subtree is finished before anything of the behind side.
        nodeTriangles = std::move(frontTriangles);
        nodePortals = std::move(frontPortals);
        nodePlanes = std::move(frontPlanes);
        ++depth;
        continue;
      }
    }

    // A subtree is done: hand it to the nearest node still waiting for a
    // child; a node with both children is made and finishes its own subtree.
    for (;;) {
      if (pending.empty()) {
        if (pool_ != nullptr) stats_.parallelLoops = pool_->parallelLoops();
        reportProgress(true);
        return done;
      }
      PendingNode& parent = pending.back();
      if (parent.front == nullptr) {
        parent.front = done;
        nodeTriangles = std::move(parent.behindTriangles);
        nodePortals = std::move(parent.behindPortals);
        nodePlanes = std::move(parent.behindPlanes);
        depth = parent.depth + 1;
        break;
      }
      done = &nodes_.emplace_back(parent.cutter, parent.front, done);
      ++stats_.innerNodes;
      faceOnPath_[static_cast<std::size_t>(parent.cutterFace)] = false;
      pending.pop_back();
    }
  }
}

// Counts carried over from the parent make the convexity test a look at
// them; otherwise the list gets its plane groups and a corner hierarchy,
// which serve the convexity test and, when it fails, the counting.
bool BspBuilder::analyseFast(const std::vector<std::uint32_t>& triangles, PlaneGroups& planes, CutterChoice& choice) {
  if (triangles.size() < 2) return true;
  if (planes.counted) {
    const Stopwatch convexityTime;
    const bool convex = isConvexFromCounts(*scene_, triangles, planes);
    stats_.convexitySeconds += convexityTime.seconds();
    if (convex) return true;
  } else {
    const Stopwatch indexTime;
    planes = groupByPlane(*scene_, triangles);
    const CornerBvh bvh(*scene_, triangles);
    stats_.planeIndexSeconds += indexTime.seconds();
    const Stopwatch convexityTime;
    const bool convex = isConvexPruned(*scene_, triangles, planes, bvh);
    stats_.convexitySeconds += convexityTime.seconds();
    if (convex) return true;
    const Stopwatch countTime;
    countPlanes(*scene_, triangles, planes, bvh, pool());
    stats_.cutterChoiceSeconds += countTime.seconds();
  }
  const Stopwatch choiceTime;
  choice = chooseAmongGroups(triangles, planes);
  stats_.cutterChoiceSeconds += choiceTime.seconds();
  return false;
}

void BspBuilder::deriveChildren(const std::vector<std::uint32_t>& triangles, const PlaneGroups& planes,
                                const std::vector<std::uint32_t>& frontTriangles,
                                const std::vector<std::uint32_t>& behindTriangles, PlaneGroups& frontPlanes,
                                PlaneGroups& behindPlanes) {
  const Stopwatch time;
  const std::vector<ChildSide> sides = childSides(triangles, frontTriangles, behindTriangles);
  for (const auto& [side, planesOut] :
       {std::pair{ChildSide::Front, &frontPlanes}, std::pair{ChildSide::Behind, &behindPlanes}}) {
    if (deriveChildCounts(*scene_, triangles, planes, sides, side, pool(), *planesOut)) ++stats_.derivedCountLists;
  }
  stats_.cutterChoiceSeconds += time.seconds();
}

BspNode* BspBuilder::makeSpace(std::vector<std::uint32_t> triangles, std::vector<Portal*> portals,
                               std::uint64_t depth) {
  ++stats_.spaces;
  stats_.maxDepth = std::max(stats_.maxDepth, depth);
  settled_ += triangles.size();
  BspNode& space = nodes_.emplace_back(std::move(triangles), std::move(portals), stats_.spaces);
  for (Portal* fragment : space.portals) attachPortal(fragment, &space);
  reportProgress(false);
  return &space;
}

std::int32_t BspBuilder::sourceFaceOf(std::int32_t triangle) {
  for (auto t = static_cast<std::int32_t>(sourceFace_.size()); t < scene_->triangleCount(); ++t) {
    sourceFace_.push_back(t);
  }
  return sourceFace_[static_cast<std::size_t>(triangle)];
}

void BspBuilder::reportProgress(bool always) {
  if (!progress_) return;
  const auto now = Clock::now();
  if (!always && now - lastProgress_ < kProgressInterval) return;
  lastProgress_ = now;
  progress_(settled_);
}

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

}  // namespace pw
