// The fast build's analysis of a list: plane groups and a corner hierarchy
// per list, candidates counted on all threads, and counts derived from the
// parent's after a split that cut nothing. Decides every list as the
// straightforward analysis does.
#pragma once

#include <cstdint>
#include <vector>

#include "bsp/cutter_rules.h"
#include "bsp/fast/plane_groups.h"
#include "bsp/fast/scratch_vector.h"

namespace pw {

class Scene;
class WorkerPool;
struct BuildStats;

class FastAnalysis {
 public:
  // What a list hands to its children after a split that cut nothing:
  // their plane groups, counted when they could be derived, and their
  // entries in the order of the list's corner hierarchy (each empty when
  // not known).
  struct Carried {
    PlaneGroups planes;
    ScratchVector<std::uint32_t> order;
  };

  FastAnalysis(const Scene& scene, WorkerPool& pool, BuildStats& stats) : scene_(scene), pool_(pool), stats_(stats) {}
  // Unmaps the working blocks kept for the lists to come.
  ~FastAnalysis();
  FastAnalysis(const FastAnalysis&) = delete;
  FastAnalysis& operator=(const FastAnalysis&) = delete;

  // True when the list is convex; otherwise `choice` is its cutter.
  // The planes come in counted when the parent's counts were carried over;
  // when the list is not convex they leave with the counts its choice
  // needed, and its hierarchy order with them.
  bool analyse(const std::vector<std::uint32_t>& list, Carried& carried, CutterChoice& choice);
  // After a split of `list` that cut nothing: the children's plane groups
  // and hierarchy orders, and their counts where they are cheaper to derive
  // than to count afresh.
  void carryOver(const std::vector<std::uint32_t>& list, const Carried& carried,
                 const std::vector<std::uint32_t>& frontList, const std::vector<std::uint32_t>& behindList,
                 Carried& frontCarried, Carried& behindCarried);

 private:
  const Scene& scene_;
  WorkerPool& pool_;
  BuildStats& stats_;
};

}  // namespace pw
