// Working arrays that the fast build makes for a list counted afresh (its
// corner hierarchy and plane table) and drops once the list is counted.
// Large ones live in mapped blocks of their own (scratch_blocks.h), so they
// never sit in the heap the tree and the Scene grow in: freed there, they
// would leave resident holes and raise the heap's own mapping threshold, and
// the build's peak memory would end above that of the straightforward build.
// (Arrays made for every list of a deep chain stay on the heap.) Internal to
// bsp/.
#pragma once

#include <cstddef>
#include <new>
#include <vector>

#include "bsp/fast/scratch_blocks.h"

namespace pw {

template <typename T>
class ScratchAllocator {
 public:
  using value_type = T;

  ScratchAllocator() = default;
  template <typename U>
  ScratchAllocator(const ScratchAllocator<U>&) {}

  T* allocate(std::size_t n) {
    if (!mapped(n)) return static_cast<T*>(::operator new(n * sizeof(T)));
    return static_cast<T*>(takeScratchBlock(n * sizeof(T)));
  }
  void deallocate(T* block, std::size_t n) {
    if (mapped(n)) {
      giveBackScratchBlock(block, n * sizeof(T));
    } else {
      ::operator delete(block);
    }
  }

  template <typename U>
  bool operator==(const ScratchAllocator<U>&) const {
    return true;
  }

 private:
  static bool mapped(std::size_t n) { return n * sizeof(T) >= kMappedBytes; }
};

template <typename T>
using ScratchVector = std::vector<T, ScratchAllocator<T>>;

}  // namespace pw
