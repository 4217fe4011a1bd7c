// A set of Spaces kept as a flat array by Space index rather than a hash
// set: a frame's traversal on an open level looks up tens of thousands.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "bsp/bsp_node.h"

namespace pw {

class SpaceMarks {
 public:
  bool contains(const BspNode* space) const {
    const std::size_t index = spaceIndex(*space);
    return index < marked_.size() && marked_[index] != 0;
  }
  // True when `space` was not marked yet.
  bool insert(const BspNode* space) {
    const std::size_t index = spaceIndex(*space);
    if (index >= marked_.size()) marked_.resize(std::max(index + 1, 2 * marked_.size()), 0);
    if (marked_[index] != 0) return false;
    marked_[index] = 1;
    return true;
  }

 private:
  std::vector<std::uint8_t> marked_;
};

}  // namespace pw
