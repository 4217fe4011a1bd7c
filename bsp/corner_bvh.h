// A bounding-volume hierarchy over the triangles of one node's list, holding
// their corner positions contiguously (a structure of arrays in hierarchy
// order), so that a plane can be tested against whole boxes of triangles at
// once and against single corners with the straightforward arithmetic only
// near the plane. Internal to bsp/.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "bsp/plane_groups.h"

namespace pw {

class Scene;

class CornerBvh {
 public:
  // No more than this many triangles share a leaf.
  static constexpr std::uint32_t kLeafSize = 8;

  // Over the entries of `list` (the Scene must not change while in use).
  CornerBvh(const Scene& scene, const std::vector<std::uint32_t>& list);

  // The plane against every entry, exactly as classifyTriangle of the
  // plane's triangle would sort them.
  PlaneCounts count(const Plane& plane) const;
  // True when a corner of an entry other than the one at position
  // `skipEntry` lies behind the plane (pass kNoEntry to skip none).
  bool anyCornerBehind(const Plane& plane, std::uint32_t skipEntry) const;

  static constexpr std::uint32_t kNoEntry = 0xFFFFFFFFu;

 private:
  struct Node {
    std::array<double, 3> low;
    std::array<double, 3> high;
    std::uint32_t begin;   // first slot
    std::uint32_t end;     // one past the last slot
    std::uint32_t second;  // index of the second child; 0 in a leaf (the first child follows the node)
    bool exactOnly;        // a corner is not finite: no box test applies
  };
  // What a box's corners can be against a plane (see corner_bvh.cpp).
  enum class BoxSide { NoneBehind, AllBehind, Unknown };

  std::uint32_t buildNode(std::uint32_t begin, std::uint32_t end, std::vector<std::uint32_t>& order,
                          const std::vector<std::array<float, 3>>& centres);
  BoxSide boxSide(const Node& node, const Plane& plane) const;
  template <typename Settled, typename Leaf>
  bool walk(const Plane& plane, Settled settled, Leaf leaf) const;
  // The corners of the triangle in `slot` against the plane.
  CornerSides sidesAt(const Plane& plane, std::uint32_t slot) const;

  std::vector<Node> nodes_;
  // corner_[3 * k + axis][slot]: coordinate `axis` of corner k of the
  // triangle in `slot`; a node's triangles are the slots begin..end-1.
  std::array<std::vector<double>, 9> corner_;
  std::vector<std::uint32_t> entryOf_;  // slot -> entry position in the list
};

}  // namespace pw
