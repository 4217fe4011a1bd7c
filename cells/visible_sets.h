// Potentially visible sets: for each Space, the Spaces a sight line from an
// eye standing in it may reach (regions/region_sets.h makes them from the
// empty regions and their sight passages).
//
// A Space's row holds for an eye in one of its source regions: the empty
// regions where a player can stand, walled in by the fronts of triangles. An
// eye in any other region of the Space (out in the void around a level that
// leaks, or inside solid, where walls are seen from behind) gets no
// restriction. So each Space says which of its regions are sources: all,
// none, all but those listed, or only those listed (whichever list is
// shorter), each region given by its side planes.
//
// The sets hold for an eye inside the level's box (`eyeBox`): a sight line
// from there to any surface stays in the box. An eye outside it gets no set.
#pragma once

#include <cstdint>
#include <vector>

#include "bsp/bsp_node.h"
#include "geometry/bounds.h"
#include "geometry/plane.h"

namespace pw {

// How near the eye's sight may reach into a region: sight lines start at the
// near plane (0.01 units ahead), whose corners lie within 0.05 units of the
// eye at any field of view up to 120 degrees and aspect up to 2, so they may
// start past a wall that close. An eye counts as in a region that is no
// source when it is that near, and in a source only when that deep inside.
inline constexpr double kEyeReach = 0.05;

// Which regions of a Space are sources of its row.
enum class SpaceSources : std::uint8_t {
  All,      // every region: the row holds wherever the eye stands in the Space
  None,     // no region: an eye in the Space gets no restriction
  AllBut,   // all but the regions listed
  OnlyThe,  // only the regions listed
};

// A convex region: the intersection of the fronts of its sides.
using ConvexSides = std::vector<Plane>;

struct SpaceEyes {
  SpaceSources sources = SpaceSources::All;
  std::vector<ConvexSides> listed;  // with AllBut and OnlyThe
};

// How the sets were made, as the file records it.
struct SetsMaking {
  bool full = false;    // portal flow (else the fast flood)
  bool sealed = false;  // the void was taken as opaque
  bool operator==(const SetsMaking&) const = default;
};

// One bit per pair of Spaces, rows by the seeing Space. Spaces are numbered
// from 1 as in the tree; row r and bit s are Space r+1 and Space s+1.
class VisibleSets {
 public:
  VisibleSets() = default;
  VisibleSets(std::uint64_t spaces, const Bounds& eyeBox)
      : spaces_(spaces), eyeBox_(eyeBox), words_(spaces * wordsPerRow(spaces), 0), eyes_(spaces) {}

  std::uint64_t spaces() const { return spaces_; }
  const Bounds& eyeBox() const { return eyeBox_; }
  bool sees(std::uint64_t from, std::uint64_t to) const {
    return (words_[row(from) + (to - 1) / 64] & bit(to)) != 0;
  }
  void add(std::uint64_t from, std::uint64_t to) { words_[row(from) + (to - 1) / 64] |= bit(to); }
  // How many Spaces `from` sees, itself included.
  std::uint64_t count(std::uint64_t from) const;

  // Which of Space `space`'s regions are sources.
  SpaceEyes& eyes(std::uint64_t space) { return eyes_[space - 1]; }
  const SpaceEyes& eyes(std::uint64_t space) const { return eyes_[space - 1]; }
  // Whether an eye at `eye`, standing in Space `from`, may be in a region of
  // it that is no source: its row does not hold.
  bool unrestricted(std::uint64_t from, const Point3& eye) const;

  SetsMaking making;

  // The rows as stored: row r is words [r * wordsPerRow, (r + 1) * wordsPerRow).
  static std::uint64_t wordsPerRow(std::uint64_t spaces) { return (spaces + 63) / 64; }
  std::vector<std::uint64_t>& words() { return words_; }
  const std::vector<std::uint64_t>& words() const { return words_; }

 private:
  std::uint64_t row(std::uint64_t from) const { return (from - 1) * wordsPerRow(spaces_); }
  static std::uint64_t bit(std::uint64_t to) { return std::uint64_t{1} << ((to - 1) % 64); }

  std::uint64_t spaces_ = 0;
  Bounds eyeBox_;
  std::vector<std::uint64_t> words_;
  std::vector<SpaceEyes> eyes_;  // by Space number less one
};

// Whether an eye at `eye`, standing in Space `from`, may see Space `to` by
// `sets`: always without sets, for an eye outside their box and for an eye
// in a region that is no source.
inline bool maySee(const VisibleSets* sets, const Point3& eye, std::uint64_t from, std::uint64_t to) {
  return sets == nullptr || !sets->eyeBox().contains(eye) || sets->sees(from, to) || sets->unrestricted(from, eye);
}

// The same for an eye standing in several Spaces (on the plane between
// them, or whose view starts past a wall nearer than the near plane):
// whatever any of their sets holds.
inline bool maySeeFromAny(const VisibleSets* sets, const Point3& eye, const std::vector<const BspNode*>& from,
                          std::uint64_t to) {
  for (const BspNode* space : from) {
    if (maySee(sets, eye, space->number, to)) return true;
  }
  return false;
}

}  // namespace pw
