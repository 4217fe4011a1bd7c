// The BSP compiler: turns a Scene's triangles into a tree of convex Spaces
// joined by portal fragments, cutting triangles into the Scene as it goes.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "bsp/bsp_node.h"
#include "diag/scene_log.h"
#include "portal/portal.h"
#include "portal/portal_creation.h"
#include "scene/edge_set.h"
#include "scene/scene.h"

namespace pw {

class Scene;
class SerialWorker;
class WorkerPool;

// How the builder reaches its results. Both strategies give the same tree,
// the same Scene and the same logs, bit for bit.
enum class BuildStrategy {
  // Plane groups, a corner hierarchy per list, counts derived from the
  // parent's after lopsided splits, candidates counted on all threads
  // (FastAnalysis, bsp/fast/).
  Fast,
  // Every candidate against every entry, every corner against every other
  // entry's plane: the reference the fast build is tested against
  // (ReferenceAnalysis, bsp/reference/).
  Straightforward,
};

struct TreeOptions {
  BuildStrategy strategy = BuildStrategy::Fast;
  // Threads the fast build counts on, the calling one included; 0: one per core.
  unsigned threads = 0;
  // Half the side of the square every cutter plane's portal is carved from;
  // 0: chosen by `squareHalfSideFor` from the Scene's vertices when the
  // builder is made (1000 for a level within +-1000), which `options()`
  // then reports.
  double squareHalfSide = 0.0;
  // False: "contours.log" and "tris.log" are neither created nor written (a
  // build that only wants its tree and figures; writing the logs line by
  // line takes over half of a large level's build).
  bool writeLogs = true;
};

// A cutter plane that had rings and still got no portal.
struct PlaneWithoutPortal {
  std::int32_t cutter = -1;  // the cutter's Scene triangle index
  Point3 normal;             // its plane normal (the front side is where it points)
  PortalOutcome outcome = PortalOutcome::Refused;  // Refused, NoArea or Untessellable
};

// Figures of one build, for the summary of `portalbuild` and the benchmarks.
struct BuildStats {
  // How many planes of the last three kinds `planesWithoutPortal` keeps.
  static constexpr std::size_t kPlanesWithoutPortalKept = 64;

  std::uint64_t innerNodes = 0;
  std::uint64_t spaces = 0;
  // Spaces made because dividing would make no progress: the chosen cutter
  // had nothing behind it and split nothing (the list would go to the front
  // child whole, for ever), or its plane (the face it was cut from) already
  // divides an enclosing node, which only rounding can bring about (with
  // coordinates so large that an intersection point misses its plane by
  // more than the tolerance).
  std::uint64_t forcedSpaces = 0;
  // Edges from the root to the deepest Space (0: the root is a Space).
  std::uint64_t maxDepth = 0;
  std::uint64_t trianglesSplit = 0;
  std::uint64_t portalsCreated = 0;
  // Cutter planes that got no portal, by reason (PortalOutcome). A plane that
  // no geometry behind it touches has no rings; that is the ordinary case of
  // a plane with only whole triangles behind it, so it is counted apart from
  // the planes that had rings and lost them, and none of them is kept below.
  std::uint64_t planesWithoutRings = 0;
  std::uint64_t planesRefused = 0;        // GLU gave up: rings cross each other or the square
  std::uint64_t planesWithoutArea = 0;    // every triangle touched a square corner or was degenerate
  std::uint64_t planesUntessellable = 0;  // zero or non-finite normal, or a NaN ring point
  // The first kPlanesWithoutPortalKept refused, area-less or untessellable
  // planes, in the order they were cut.
  std::vector<PlaneWithoutPortal> planesWithoutPortal;
  // Lists whose candidate counts the fast build derived from their parent's.
  std::uint64_t derivedCountLists = 0;
  // Counting loops the fast build spread over several threads.
  std::uint64_t parallelLoops = 0;
  // Seconds spent in each phase of the build.
  double convexitySeconds = 0.0;
  double cutterChoiceSeconds = 0.0;  // counting (afresh or derived) and the passes
  double planeIndexSeconds = 0.0;    // fast build: plane groups and corner hierarchies
  double splittingSeconds = 0.0;     // the triangle phase
  double portalSplittingSeconds = 0.0;
  double chainingSeconds = 0.0;
  double logWritingSeconds = 0.0;      // the two "contours.log" sections of every split
  double portalCreationSeconds = 0.0;  // tessellation, the new portal pair, "tris.log"
  // The fragment phases above (portal splitting, chaining, the contours and
  // portal creation) run on a thread of their own beside the rest in a fast
  // build on more than one thread; this is how long the build waited for
  // them, mostly at its end.
  double portalWaitSeconds = 0.0;
};

// The builder owns everything the tree is made of (nodes and fragments): keep
// it alive as long as the tree is used. Writes "contours.log" (opened at
// construction) and "tris.log" (created at the first portal creation, emptied
// at every later one, holding the last portal's triangles) into `outputDir`;
// each line reaches its file in one write from the log's writer thread, and
// both are closed by `closeLogs` or when the builder goes. Without
// `TreeOptions::writeLogs` it writes neither.
class BspBuilder {
 public:
  explicit BspBuilder(Scene* scene, const std::filesystem::path& outputDir = {}, TreeOptions options = {});
  ~BspBuilder();
  BspBuilder(const BspBuilder&) = delete;
  BspBuilder& operator=(const BspBuilder&) = delete;

  // The subtree for these triangles and incoming fragments (front subtree
  // finished before the behind subtree; Spaces numbered 1, 2, ... in the
  // order they are made). A list becomes a Space when it is convex, or when
  // dividing it would make no progress (see BuildStats::forcedSpaces). The
  // recursion runs on an explicit stack, so any depth builds. Throws what
  // portal creation throws.
  BspNode* build(const std::vector<std::uint32_t>& triangles, const std::vector<Portal*>& portals);

  // Called now and then during `build`, and once at its end, with the number
  // of Scene triangles (pieces included) settled in Spaces so far. Splitting
  // adds triangles, so compare it with the Scene's current triangle count.
  void setProgress(std::function<void(std::uint64_t settled)> progress) { progress_ = std::move(progress); }
  const BuildStats& stats() const { return stats_; }

  // Flushes and closes "contours.log" and "tris.log" and lists those that did
  // not receive everything written to them (open, write or close failed), in
  // that order. The build writes nothing to them afterwards; calling it
  // again gives the same list.
  std::vector<LogFailure> closeLogs();
  // Seconds the build waited for the two logs' writer threads (for room in
  // their queues, and at `closeLogs`).
  double logWaitSeconds() const;
  const TreeOptions& options() const { return options_; }
  Scene& scene() { return *scene_; }

 private:
  // `build` with the analysis its strategy picked (FastAnalysis or
  // ReferenceAnalysis), which decides each list: convex, or its cutter.
  template <typename Analysis>
  BspNode* buildWith(Analysis& analysis, SerialWorker& portalSide, const std::vector<std::uint32_t>& triangles,
                     const std::vector<Portal*>& portals);
  BspNode* finishedBuild(BspNode* root, SerialWorker& portalSide);
  // Divides the triangles by the cutter's plane (cutting them into the
  // Scene), and hands the fragments' cut to `portalSide`.
  void split(SerialWorker& portalSide, std::int32_t cutter, const std::vector<std::uint32_t>& triangles,
             std::vector<std::uint32_t>& frontTriangles, std::vector<std::uint32_t>& behindTriangles);
  // A cutter's plane that the fragment work can test against while the
  // Scene grows: its corner 0 copied into a Scene of its own.
  struct DetachedPlane {
    explicit DetachedPlane(const Triangle& cutter);
    Scene ownScene;
    Triangle cutter;
  };
  // Divides `fragments_` by the plane, the cutter's portal joining each side,
  // into the front list (the new `fragments_`) and the behind list (pushed
  // onto `behindFragments_`); writes the plane's "contours.log" sections.
  void cutFragments(std::int32_t cutter, const Triangle& plane, EdgeSet& edges);

  // Made by the first fast build and kept for the builder's life.
  WorkerPool& pool();
  // "tris.log", emptied for the next portal.
  SceneLog& emptiedTrisLog();
  // Counts a plane that got no portal, and keeps the first few with rings.
  void countPortalOutcome(std::int32_t cutter, const Point3& normal, PortalOutcome outcome);

  // A Space holding these triangles; the fragment work gives it its
  // incoming fragments and attaches them to it.
  BspNode* makeSpace(SerialWorker& portalSide, std::vector<std::uint32_t> triangles, std::uint64_t depth);
  void reportProgress(bool always);
  // Covers every Scene triangle present now in `sourceFace_` (new ones as
  // their own faces) and returns the face of `triangle`.
  std::int32_t sourceFaceOf(std::int32_t triangle);

  Scene* scene_;
  TreeOptions options_;
  SceneLog contoursLog_;
  std::filesystem::path trisLogPath_;
  std::unique_ptr<SceneLog> trisLog_;
  PortalStore portalStore_;
  std::deque<BspNode> nodes_;
  BuildStats stats_;
  std::function<void(std::uint64_t)> progress_;
  // The face each Scene triangle was cut from (itself for an uncut one);
  // grown lazily, pieces appended by `split` inherit their parent's face.
  std::vector<std::int32_t> sourceFace_;
  // Faces whose plane divides a node on the path to the list being built.
  std::vector<bool> faceOnPath_;
  // Only the fragment work touches these while a build runs: the fragments
  // of the list it has reached, and those of the behind lists still waiting.
  std::vector<Portal*> fragments_;
  std::vector<std::vector<Portal*>> behindFragments_;
  std::unique_ptr<WorkerPool> pool_;
  std::uint64_t settled_ = 0;  // triangles held by the Spaces made so far
  std::chrono::steady_clock::time_point lastProgress_{};
};

}  // namespace pw
