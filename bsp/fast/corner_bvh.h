// A bounding-volume hierarchy over the triangles of one node's list, so that
// a plane can be tested against whole boxes of triangles at once, and
// against single corners, with the straightforward arithmetic, only near
// the plane. It holds the entries' order, their corners' vertex numbers and
// the boxes, about 30 bytes per entry, and reads the corners themselves
// from the Scene: a copy of them (72 bytes per entry) would be the largest
// block of memory a build holds. Internal to bsp/.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "bsp/fast/plane_bound.h"
#include "bsp/fast/plane_groups.h"
#include "bsp/fast/scratch_vector.h"

namespace pw {

class Scene;

class CornerBvh {
 public:
  // No more than this many triangles share a leaf.
  static constexpr std::uint32_t kLeafSize = 16;

  // Over the entries of `list`. Keeps references to both: they must outlive
  // the hierarchy and not change while it is in use. With `slab`, every box
  // also holds the range of that plane's distances of its corners, which
  // bounds planes nearly parallel to it far more tightly than the box does
  // when they are oblique to the axes.
  CornerBvh(const Scene& scene, const std::vector<std::uint32_t>& list, const CandidatePlane* slab = nullptr);
  // The same, with the entries (positions in `list`, each once) in the
  // given order of slots, which shapes the hierarchy only: a child list
  // keeps its parent's order rather than sort afresh.
  CornerBvh(const Scene& scene, const std::vector<std::uint32_t>& list, ScratchVector<std::uint32_t> order,
            const CandidatePlane* slab = nullptr);
  // The entries' positions in `list`, in slot order.
  const ScratchVector<std::uint32_t>& order() const { return entryOf_; }

  // The plane against every entry, exactly as classifyTriangle of the
  // plane's triangle would sort them; `bound` must hold the plane.
  PlaneCounts count(const CandidatePlane& plane) const { return count(plane, boundOf(plane)); }
  PlaneCounts count(const CandidatePlane& plane, const PlaneBound& bound) const;
  // Whether counts known so far (`sure`, with `unsure` entries still to
  // come) rule out what they are counted for.
  using Hopeless = std::function<bool(const PlaneCounts& sure, std::uint32_t unsure)>;
  // count, unless `hopeless` says so on the way: then false.
  bool countUnlessHopeless(const CandidatePlane& plane, const PlaneBound& bound, PlaneCounts& counts,
                           const Hopeless& hopeless) const;
  // What every plane of `bound` counts alike: the entries each of them
  // sorts the same way are counted in `common`, the others (by triangle
  // index) appended to `uncertain`. Gives up, returning false, when
  // `hopeless` says so on the way (the unsure being the uncertain entries
  // and those not yet looked at).
  bool countCommon(const PlaneBound& bound, PlaneCounts& common, std::vector<std::uint32_t>& uncertain,
                   const Hopeless& hopeless) const;
  // True when a corner of an entry other than the one at position
  // `skipEntry` lies behind the plane (pass kNoEntry to skip none).
  bool anyCornerBehind(const CandidatePlane& plane, std::uint32_t skipEntry) const;

  static constexpr std::uint32_t kNoEntry = 0xFFFFFFFFu;

 private:
  struct Node {
    std::array<double, 3> low;
    std::array<double, 3> high;
    // The slab plane's computed distances of the corners: the least and the
    // greatest, the greatest of an entry's least, the least of an entry's
    // greatest.
    double slabLow;
    double slabHigh;
    double slabLeastHigh;
    double slabGreatestLow;
    std::uint32_t begin;   // first slot
    std::uint32_t end;     // one past the last slot
    std::uint32_t second;  // index of the second child; 0 in a leaf (the first child follows the node)
    bool exactOnly;        // a corner is not finite: no box test applies
  };
  // What a box's entries are against a plane: no corner behind (all count
  // as front), each behind (a corner behind, none in front), each spanning.
  enum class BoxSide { NoneBehind, AllBehind, AllSpanning, Unknown };

  std::uint32_t buildNode(std::uint32_t begin, std::uint32_t end);
  // `shift` gets the bound's distanceShift over the box, when it applies.
  BoxSide boxSide(const Node& node, const PlaneBound& bound, std::optional<DistanceRange>& shift) const;
  // The walk's `settled` step that adds a settled box's entries to `counts`.
  static auto settleInto(PlaneCounts& counts);
  template <typename Settled, typename Leaf>
  bool walk(const PlaneBound& bound, Settled settled, Leaf leaf) const;
  template <typename Stop>
  bool countUntil(const CandidatePlane& plane, const PlaneBound& bound, PlaneCounts& counts, Stop stop) const;
  // How many entries are in neither `counts` nor the `uncertain` ones.
  std::uint32_t unsorted(const PlaneCounts& counts, std::size_t uncertain) const;
  // The corners of the triangle in `slot`.
  std::array<Point3, 3> cornersAt(std::uint32_t slot) const;
  // The corners of the triangle in `slot` against the plane.
  CornerSides sidesAt(const CandidatePlane& plane, std::uint32_t slot) const;

  const Scene& scene_;
  const std::vector<std::uint32_t>& list_;
  bool hasSlab_ = false;
  CandidatePlane slab_{};
  ScratchVector<Node> nodes_;
  // slot -> entry position in the list; a node's entries are those in its
  // slots begin..end-1.
  ScratchVector<std::uint32_t> entryOf_;
  // slot -> the vertex numbers of its triangle's corners, read once in slot
  // order: the walks then reach the corners without the triangle records,
  // which lie far apart.
  ScratchVector<std::array<std::int32_t, 3>> cornerIndices_;
};

}  // namespace pw
