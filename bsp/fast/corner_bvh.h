// A bounding-volume hierarchy over the triangles of one node's list, so that
// a plane can be tested against whole boxes of triangles at once, and
// against single corners, with the straightforward arithmetic, only near
// the plane. It holds the entries' order and the boxes, about 12 bytes per
// entry (20 while it is made), and reads the corners from the Scene: a copy
// of them (72 bytes per entry) would be the largest block of memory a build
// holds. Internal to bsp/.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "bsp/fast/plane_groups.h"
#include "bsp/fast/scratch_vector.h"

namespace pw {

class Scene;

class CornerBvh {
 public:
  // No more than this many triangles share a leaf.
  static constexpr std::uint32_t kLeafSize = 16;

  // Over the entries of `list`. Keeps references to both: they must outlive
  // the hierarchy and not change while it is in use.
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

  std::uint32_t buildNode(std::uint32_t begin, std::uint32_t end);
  BoxSide boxSide(const Node& node, const Plane& plane) const;
  template <typename Settled, typename Leaf>
  bool walk(const Plane& plane, Settled settled, Leaf leaf) const;
  // The corners of the triangle in `slot` against the plane.
  CornerSides sidesAt(const Plane& plane, std::uint32_t slot) const;

  const Scene& scene_;
  const std::vector<std::uint32_t>& list_;
  ScratchVector<Node> nodes_;
  // slot -> entry position in the list; a node's entries are those in its
  // slots begin..end-1.
  ScratchVector<std::uint32_t> entryOf_;
};

}  // namespace pw
