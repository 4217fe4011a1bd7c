#include "bsp/bsp_builder.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "bsp/bsp_node.h"
#include "bsp/cutter_rules.h"
#include "bsp/fast/fast_analysis.h"
#include "bsp/reference/reference_analysis.h"
#include "bsp/triangle_split.h"
#include "portal/portal.h"
#include "portal/portal_creation.h"
#include "scene/edge_set.h"
#include "scene/scene.h"
#include "support/serial_worker.h"
#include "support/stopwatch.h"
#include "support/worker_pool.h"

namespace pw {

namespace {

using Clock = std::chrono::steady_clock;

// Progress is reported at most this often (and once when a build ends).
constexpr auto kProgressInterval = std::chrono::milliseconds(100);

// A node whose front subtree is being built: what its behind subtree and the
// node itself still need. The build keeps these on an explicit stack instead
// of the call stack, so the depth of the tree is bounded by memory only.
template <typename Carried>
struct PendingNode {
  std::int32_t cutter;
  std::int32_t cutterFace;
  std::vector<std::uint32_t> behindTriangles;
  std::uint64_t depth;
  BspNode* front = nullptr;
  // What the analysis handed to the behind list at the split (the fast
  // build's derived counts). Its entries are disjoint from every other
  // pending list's, so what all pending nodes hold stays within the Scene's
  // size.
  Carried behindCarried{};
};

// Room for contours.log's lines not yet written. Each write call costs the
// writer over a microsecond, so a large level's build makes these lines
// faster than they are written: with room, the build runs on and the writes
// catch up beside the dump of out.log (a 1 M triangle level has 43 MB of
// contours). The build still waits when the room runs out.
constexpr std::size_t kContoursQueuedBytes = std::size_t{32} << 20;

}  // namespace

BspBuilder::BspBuilder(Scene* scene, const std::filesystem::path& outputDir, TreeOptions options)
    : scene_(scene),
      options_(options),
      contoursLog_(options.writeLogs ? SceneLog(outputDir / "contours.log", scene, kContoursQueuedBytes)
                                      : SceneLog(scene)),
      trisLogPath_(outputDir / "tris.log") {
  // The level as read: the build has not cut anything into the Scene yet.
  if (options_.squareHalfSide <= 0.0) options_.squareHalfSide = squareHalfSideFor(*scene_);
}

BspBuilder::~BspBuilder() = default;

WorkerPool& BspBuilder::pool() {
  if (pool_ == nullptr) pool_ = std::make_unique<WorkerPool>(options_.threads);
  return *pool_;
}

// The recursion of the build, unrolled onto `pending`: a node is divided, its
// front list built down to its Spaces, then its behind list, then the inner
// node is made. Spaces are thus numbered and fragments attached in exactly the
// order a recursive build would give.
//
// The triangles decide the tree; the fragments never feed back into it. So
// this loop divides the triangles, and hands each step's fragment work (a
// cut, a Space, the turn to a behind list) to `portalSide`, which does it in
// the same order on `fragments_` and `behindFragments_`, on a thread of its
// own when the build has more than one.
template <typename Analysis>
BspNode* BspBuilder::buildWith(Analysis& analysis, SerialWorker& portalSide,
                               const std::vector<std::uint32_t>& triangles, const std::vector<Portal*>& portals) {
  using Carried = typename Analysis::Carried;
  std::vector<PendingNode<Carried>> pending;  // the inner nodes on the path to the current list
  // A new root: no face divides anything above it (not even one left marked
  // by a build that ended in an exception).
  std::fill(faceOnPath_.begin(), faceOnPath_.end(), false);
  fragments_ = portals;
  behindFragments_.clear();
  std::vector<std::uint32_t> nodeTriangles = triangles;
  Carried nodeCarried{};  // what the analysis handed to this list
  std::uint64_t depth = 0;
  for (;;) {
    BspNode* done = nullptr;
    CutterChoice choice;
    const bool convex = analysis.analyse(nodeTriangles, nodeCarried, choice);
    if (convex) {
      done = makeSpace(portalSide, std::move(nodeTriangles), depth);
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
        done = makeSpace(portalSide, std::move(nodeTriangles), depth);
      } else {
        faceOnPath_[static_cast<std::size_t>(face)] = true;
        auto& node = pending.emplace_back(PendingNode<Carried>{choice.cutter, face, {}, depth});
        // The counts bound the children: a cut triangle leaves at most two
        // pieces on either side.
        std::vector<std::uint32_t> frontTriangles;
        frontTriangles.reserve(choice.front + 2 * std::size_t{choice.splits});
        node.behindTriangles.reserve(choice.behind + 2 * std::size_t{choice.splits});
        const std::uint64_t cutBefore = stats_.trianglesSplit;
        split(portalSide, choice.cutter, nodeTriangles, frontTriangles, node.behindTriangles);
        Carried frontCarried{};
        if (stats_.trianglesSplit == cutBefore) {
          analysis.carryOver(nodeTriangles, nodeCarried, frontTriangles, node.behindTriangles, frontCarried,
                             node.behindCarried);
        }
        // The front subtree is finished before anything of the behind side.
        nodeTriangles = std::move(frontTriangles);
        nodeCarried = std::move(frontCarried);
        ++depth;
        continue;
      }
    }

    // A subtree is done: hand it to the nearest node still waiting for a
    // child; a node with both children is made and finishes its own subtree.
    for (;;) {
      if (pending.empty()) {
        portalSide.wait();
        if (pool_ != nullptr) stats_.parallelLoops = pool_->parallelLoops();
        reportProgress(true);
        return done;
      }
      auto& parent = pending.back();
      if (parent.front == nullptr) {
        parent.front = done;
        nodeTriangles = std::move(parent.behindTriangles);
        portalSide.post([this] {
          fragments_ = std::move(behindFragments_.back());
          behindFragments_.pop_back();
        });
        nodeCarried = std::move(parent.behindCarried);
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

// The analysis is chosen once per build; the loop calls it once per list.
// The fragment work follows on its own thread in a fast build on more than
// one thread; the straightforward build, the reference, does it in line.
BspNode* BspBuilder::build(const std::vector<std::uint32_t>& triangles, const std::vector<Portal*>& portals) {
  if (options_.strategy == BuildStrategy::Fast) {
    FastAnalysis analysis(*scene_, pool(), stats_);
    SerialWorker portalSide(pool().threadCount() > 1);
    return finishedBuild(buildWith(analysis, portalSide, triangles, portals), portalSide);
  }
  ReferenceAnalysis analysis(*scene_, stats_);
  SerialWorker portalSide(false);
  return finishedBuild(buildWith(analysis, portalSide, triangles, portals), portalSide);
}

BspNode* BspBuilder::finishedBuild(BspNode* root, SerialWorker& portalSide) {
  stats_.portalWaitSeconds += portalSide.waitSeconds();
  return root;
}

// The Space is made at once; its fragments are those of the fragment work's
// current list when that work reaches it.
BspNode* BspBuilder::makeSpace(SerialWorker& portalSide, std::vector<std::uint32_t> triangles, std::uint64_t depth) {
  ++stats_.spaces;
  stats_.maxDepth = std::max(stats_.maxDepth, depth);
  settled_ += triangles.size();
  BspNode* space = &nodes_.emplace_back(std::move(triangles), std::vector<Portal*>{}, stats_.spaces);
  portalSide.post([this, space] {
    space->portals = std::move(fragments_);
    fragments_.clear();
    for (Portal* fragment : space->portals) attachPortal(fragment, space);
  });
  reportProgress(false);
  return space;
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

// Created by the first portal creation (a build that creates none leaves no
// file), then kept open and emptied for each one: closing a truncated file
// makes ext4 write its old content out at once, for every portal.
SceneLog& BspBuilder::emptiedTrisLog() {
  if (trisLog_ == nullptr) {
    trisLog_ = options_.writeLogs ? std::make_unique<SceneLog>(trisLogPath_, scene_)
                                  : std::make_unique<SceneLog>(scene_);
  } else {
    trisLog_->restart();
  }
  return *trisLog_;
}

std::vector<LogFailure> BspBuilder::closeLogs() {
  std::vector<LogFailure> failures;
  for (SceneLog* log : {&contoursLog_, trisLog_.get()}) {
    if (log != nullptr && !log->close()) failures.push_back({log->path(), log->failure()});
  }
  return failures;
}

double BspBuilder::logWaitSeconds() const {
  return contoursLog_.waitSeconds() + (trisLog_ != nullptr ? trisLog_->waitSeconds() : 0.0);
}

void BspBuilder::split(SerialWorker& portalSide, std::int32_t cutter, const std::vector<std::uint32_t>& triangles,
                       std::vector<std::uint32_t>& frontTriangles, std::vector<std::uint32_t>& behindTriangles) {
  // Every side test and intersection of this split uses this copy:
  // appending pieces may move the Scene's triangles.
  const Triangle cutterCopy = scene_->triangle(cutter);
  EdgeSet edges;
  {
    const PhaseTimer timer(stats_.splittingSeconds);
    sourceFaceOf(cutter);  // covers every triangle there is before the cuts
    for (const std::uint32_t i : triangles) {
      if (splitTriangle(*scene_, cutterCopy, cutter, static_cast<std::int32_t>(i), edges, frontTriangles,
                        behindTriangles)) {
        ++stats_.trianglesSplit;
        // The appended pieces come from the same face as the piece kept at i.
        const std::int32_t face = sourceFace_[i];
        sourceFace_.resize(static_cast<std::size_t>(scene_->triangleCount()), face);
      }
    }
  }
  portalSide.post([this, cutter, plane = std::make_shared<const DetachedPlane>(cutterCopy),
                   edges = std::make_shared<EdgeSet>(std::move(edges))] { cutFragments(cutter, plane->cutter, *edges); });
}

// The side tests and intersections of the fragment split read the plane
// normal and corner 0 only.
BspBuilder::DetachedPlane::DetachedPlane(const Triangle& original)
    : cutter(&ownScene, {0, 0, 0}, {original.normalIndex(0), original.normalIndex(1), original.normalIndex(2)},
             original.planeNormal()) {
  ownScene.addVertex(original.scene()->vertex(original.vertexIndex(0)));
}

// The fragment side of a cut: the current list's fragments divided by the
// cutter's plane (adding their on-plane segments to the triangles'), then the
// plane's own portal, which comes last in both output lists.
void BspBuilder::cutFragments(std::int32_t cutter, const Triangle& plane, EdgeSet& edges) {
  std::vector<Portal*> frontPortals;
  std::vector<Portal*> behindPortals;
  {
    const PhaseTimer timer(stats_.portalSplittingSeconds);
    for (Portal* fragment : fragments_) {
      splitPortal(plane, edges, fragment, frontPortals, behindPortals, portalStore_);
    }
  }
  {
    const PhaseTimer timer(stats_.logWritingSeconds);
    writeEdgeSet(contoursLog_, edges);
  }
  std::vector<Contour> rings;
  {
    const PhaseTimer timer(stats_.chainingSeconds);
    rings = chainContours(edges);
  }
  {
    const PhaseTimer timer(stats_.logWritingSeconds);
    writeContours(contoursLog_, rings);
  }
  {
    const PhaseTimer timer(stats_.portalCreationSeconds);
    const PortalOutcome outcome = createCutterPortal(
        rings, plane.planeNormal(), frontPortals, behindPortals, portalStore_,
        [this]() -> SceneLog& { return emptiedTrisLog(); }, options_.squareHalfSide);
    if (outcome == PortalOutcome::Created) ++stats_.portalsCreated;
    countPortalOutcome(cutter, plane.planeNormal(), outcome);
  }
  fragments_ = std::move(frontPortals);
  behindFragments_.push_back(std::move(behindPortals));
}

void BspBuilder::countPortalOutcome(std::int32_t cutter, const Point3& normal, PortalOutcome outcome) {
  switch (outcome) {
    case PortalOutcome::Created:
      return;
    case PortalOutcome::NoRings:
      ++stats_.planesWithoutRings;
      return;
    case PortalOutcome::Refused:
      ++stats_.planesRefused;
      break;
    case PortalOutcome::NoArea:
      ++stats_.planesWithoutArea;
      break;
    case PortalOutcome::Untessellable:
      ++stats_.planesUntessellable;
      break;
  }
  if (stats_.planesWithoutPortal.size() < BuildStats::kPlanesWithoutPortalKept) {
    stats_.planesWithoutPortal.push_back({cutter, normal, outcome});
  }
}

}  // namespace pw
