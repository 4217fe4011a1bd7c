// Potentially visible sets: for each Space, the Spaces that a sight line from
// some point of its cell can reach through the openings a frame follows (the
// designed leaf fragments and the open links).
//
// A sight line from the eye crosses a chain of openings p1, p2, ..., each
// from the side of the cell it leaves. It crosses each plane once, so every
// later opening has a point beyond the plane of every earlier one, every
// earlier one has a point on the near side of every later one's plane, and
// the eye's cell has a point on the near side of each. The flood keeps a
// opening only when it passes these tests against the chain's first opening,
// the one just crossed and the eye's cell; a sight line passes all of them,
// so every Space it reaches is in the set. The tests look at the openings'
// corners, and an opening holds every crossing point in the hull of its own.
// Where every opening has its reverse (the designed fragments alone), sight
// is mutual, and a Space keeps only the Spaces that also keep it.
//
// The sets hold for an eye inside the level's box (`eyeBox`): a sight line
// from there to any surface stays in the box, so only the parts of openings
// and cells inside it count. That keeps the sets tight where a cell or a
// portal reaches far beyond the walls; an eye outside the box gets no set.
#pragma once

#include <cstdint>
#include <vector>

#include "bsp/bsp_node.h"
#include "cells/cell_faces.h"

namespace pw {

class Scene;
struct BspNode;
struct OpenLinks;

// One bit per pair of Spaces, rows by the seeing Space. Spaces are numbered
// from 1 as in the tree; row r and bit s are Space r+1 and Space s+1.
class VisibleSets {
 public:
  VisibleSets() = default;
  VisibleSets(std::uint64_t spaces, const Bounds& eyeBox)
      : spaces_(spaces), eyeBox_(eyeBox), words_(spaces * wordsPerRow(spaces), 0) {}

  std::uint64_t spaces() const { return spaces_; }
  const Bounds& eyeBox() const { return eyeBox_; }
  bool sees(std::uint64_t from, std::uint64_t to) const {
    return (words_[row(from) + (to - 1) / 64] & bit(to)) != 0;
  }
  void add(std::uint64_t from, std::uint64_t to) { words_[row(from) + (to - 1) / 64] |= bit(to); }
  void remove(std::uint64_t from, std::uint64_t to) { words_[row(from) + (to - 1) / 64] &= ~bit(to); }
  // How many Spaces `from` sees, itself included.
  std::uint64_t count(std::uint64_t from) const;

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
};

// Whether an eye at `eye`, standing in Space `from`, may see Space `to` by
// `sets`: always without sets, and for an eye outside their box.
inline bool maySee(const VisibleSets* sets, const Point3& eye, std::uint64_t from, std::uint64_t to) {
  return sets == nullptr || !sets->eyeBox().contains(eye) || sets->sees(from, to);
}

// The same for an eye standing in several Spaces (on the plane between
// them): whatever any of their sets holds.
inline bool maySeeFromAny(const VisibleSets* sets, const Point3& eye, const std::vector<const BspNode*>& from,
                          std::uint64_t to) {
  for (const BspNode* space : from) {
    if (maySee(sets, eye, space->number, to)) return true;
  }
  return false;
}

// The sets of every Space of the finished tree under `root`, from its cells
// and its open links (empty links: the designed fragments alone). Spread over
// `threads` threads (0: one per core); the result does not depend on them.
VisibleSets computeVisibleSets(const Scene& scene, const BspNode& root, const CellFaces& cells,
                               const OpenLinks& links, unsigned threads = 0);

}  // namespace pw
