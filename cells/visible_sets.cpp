#include "cells/visible_sets.h"

#include <algorithm>
#include <bit>

namespace pw {

std::uint64_t VisibleSets::count(std::uint64_t from) const {
  std::uint64_t seen = 0;
  for (std::uint64_t w = 0; w < wordsPerRow(spaces_); ++w) seen += std::popcount(words_[row(from) + w]);
  return seen;
}

namespace {

// Whether a listed region lies at least `depth` around the eye (a negative
// depth: comes within -depth of it).
bool anyHolds(const std::vector<ConvexSides>& regions, const Point3& eye, double depth) {
  return std::any_of(regions.begin(), regions.end(), [&](const ConvexSides& region) {
    return std::all_of(region.begin(), region.end(), [&](const Plane& side) { return side.distance(eye) >= depth; });
  });
}

}  // namespace

bool VisibleSets::unrestricted(std::uint64_t from, const Point3& eye) const {
  const SpaceEyes& space = eyes(from);
  switch (space.sources) {
    case SpaceSources::All:
      return false;
    case SpaceSources::None:
      return true;
    case SpaceSources::AllBut:
      return anyHolds(space.listed, eye, -kEyeReach);
    case SpaceSources::OnlyThe:
      return !anyHolds(space.listed, eye, kEyeReach);
  }
  return true;
}

}  // namespace pw
