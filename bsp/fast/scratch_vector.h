// Working arrays that the fast build makes for a list counted afresh (its
// corner hierarchy and plane table) and drops once the list is counted.
// Large ones are mapped from the kernel directly and unmapped when freed, so
// they never sit in the heap the tree and the Scene grow in: freed there,
// they would leave resident holes and raise the heap's own mapping
// threshold, and the build's peak memory would end above that of the
// straightforward build. (Arrays made for every list of a deep chain stay
// on the heap: mapping them afresh for every list costs a page fault per
// page.) Internal to bsp/.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <new>
#include <vector>

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
    void* block = mmap(nullptr, n * sizeof(T), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) throw std::bad_alloc();
    return static_cast<T*>(block);
  }
  void deallocate(T* block, std::size_t n) {
    if (mapped(n)) {
      munmap(block, n * sizeof(T));
    } else {
      ::operator delete(block);
    }
  }

  template <typename U>
  bool operator==(const ScratchAllocator<U>&) const {
    return true;
  }

 private:
  // Blocks from this size on are mapped; smaller ones come from the heap.
  static constexpr std::size_t kMappedBytes = 64 * 1024;
  static bool mapped(std::size_t n) { return n * sizeof(T) >= kMappedBytes; }
};

template <typename T>
using ScratchVector = std::vector<T, ScratchAllocator<T>>;

}  // namespace pw
