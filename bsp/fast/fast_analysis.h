// The fast build's analysis of a list: plane groups and a corner hierarchy
// per list, candidates counted on all threads, and counts derived from the
// parent's after a split that cut nothing. Decides every list as the
// straightforward analysis does.
#pragma once

#include <cstdint>
#include <vector>

#include "bsp/cutter_rules.h"
#include "bsp/fast/plane_groups.h"

namespace pw {

class Scene;
class WorkerPool;
struct BuildStats;

class FastAnalysis {
 public:
  // What a list hands to its children: their plane groups after a split
  // that cut nothing, counted when they could be derived (empty otherwise).
  using Carried = PlaneGroups;

  FastAnalysis(const Scene& scene, WorkerPool& pool, BuildStats& stats) : scene_(scene), pool_(pool), stats_(stats) {}

  // True when the list is convex; otherwise `choice` is its cutter.
  // `planes` comes in counted when the parent's counts were carried over,
  // and leaves counted when not convex.
  bool analyse(const std::vector<std::uint32_t>& list, PlaneGroups& planes, CutterChoice& choice);
  // After a split of `list` that cut nothing: the children's counts, where
  // they are cheaper to derive than to count afresh.
  void carryOver(const std::vector<std::uint32_t>& list, const PlaneGroups& planes,
                 const std::vector<std::uint32_t>& frontList, const std::vector<std::uint32_t>& behindList,
                 PlaneGroups& frontPlanes, PlaneGroups& behindPlanes);

 private:
  const Scene& scene_;
  WorkerPool& pool_;
  BuildStats& stats_;
};

}  // namespace pw
