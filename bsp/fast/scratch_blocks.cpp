#include "bsp/fast/scratch_blocks.h"

#include <sys/mman.h>

#include <algorithm>
#include <bit>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

namespace pw {

namespace {

// Enough for the arrays of a few lists of the largest class in use; beyond,
// the largest kept blocks are unmapped first, as the lists shrink with depth.
constexpr std::size_t kCachedBytes = std::size_t{32} << 20;

struct KeptBlocks {
  std::mutex mutex;
  std::vector<std::pair<std::size_t, void*>> blocks;  // (class size, block)
  std::size_t bytes = 0;
};

KeptBlocks& kept() {
  static KeptBlocks blocks;
  return blocks;
}

constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

std::size_t classOf(std::size_t bytes) { return std::bit_ceil(std::max(bytes, kMappedBytes)); }

}  // namespace

void* takeScratchBlock(std::size_t bytes) {
  const std::size_t size = classOf(bytes);
  {
    KeptBlocks& k = kept();
    const std::lock_guard lock(k.mutex);
    const auto found =
        std::find_if(k.blocks.begin(), k.blocks.end(), [&](const auto& block) { return block.first == size; });
    if (found != k.blocks.end()) {
      void* block = found->second;
      k.bytes -= size;
      k.blocks.erase(found);
      return block;
    }
  }
  void* block = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED) throw std::bad_alloc();
  // Each block is written through once over; huge pages spare most of the
  // first-touch faults. Only advice: a kernel without them maps small pages.
  if (size >= kHugePageBytes) madvise(block, size, MADV_HUGEPAGE);
  return block;
}

void giveBackScratchBlock(void* block, std::size_t bytes) {
  const std::size_t size = classOf(bytes);
  std::vector<std::pair<std::size_t, void*>> dropped;
  {
    KeptBlocks& k = kept();
    const std::lock_guard lock(k.mutex);
    k.blocks.emplace_back(size, block);
    k.bytes += size;
    while (k.bytes > kCachedBytes) {
      const auto largest = std::max_element(k.blocks.begin(), k.blocks.end());
      dropped.push_back(*largest);
      k.bytes -= largest->first;
      k.blocks.erase(largest);
    }
  }
  for (const auto& [droppedSize, droppedBlock] : dropped) munmap(droppedBlock, droppedSize);
}

void releaseScratchBlocks() {
  std::vector<std::pair<std::size_t, void*>> all;
  {
    KeptBlocks& k = kept();
    const std::lock_guard lock(k.mutex);
    all.swap(k.blocks);
    k.bytes = 0;
  }
  for (const auto& [size, block] : all) munmap(block, size);
}

}  // namespace pw
