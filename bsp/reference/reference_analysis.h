// The straightforward build's analysis of a list: every candidate against
// every entry, every corner against every other entry's plane. The
// reference the fast build is tested against.
#pragma once

#include <cstdint>
#include <vector>

#include "bsp/cutter_rules.h"

namespace pw {

class Scene;
struct BuildStats;

class ReferenceAnalysis {
 public:
  // Nothing is handed from a list to its children.
  struct Carried {};

  ReferenceAnalysis(const Scene& scene, BuildStats& stats) : scene_(scene), stats_(stats) {}

  // True when the list is convex; otherwise `choice` is its cutter.
  bool analyse(const std::vector<std::uint32_t>& list, Carried& carried, CutterChoice& choice);
  // Every list is analysed afresh.
  void carryOver(const std::vector<std::uint32_t>& /*list*/, const Carried& /*carried*/,
                 const std::vector<std::uint32_t>& /*frontList*/, const std::vector<std::uint32_t>& /*behindList*/,
                 Carried& /*frontCarried*/, Carried& /*behindCarried*/) {}

 private:
  const Scene& scene_;
  BuildStats& stats_;
};

}  // namespace pw
