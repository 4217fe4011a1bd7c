// The blocks behind large working arrays of the fast build, mapped from the
// kernel and kept for reuse once freed. Every list the build counts afresh
// makes arrays about its own size and drops them; mapping them afresh each
// time costs a page fault per page of every one (a fifth of a large build).
// Blocks come in powers of two, so a freed block serves any later request of
// its size class. At most kCachedBytes stay mapped unused; the build frees
// them all when it ends. Thread-safe. Internal to bsp/.
#pragma once

#include <cstddef>

namespace pw {

// Requests from this size on get a mapped block; smaller ones come from the heap.
inline constexpr std::size_t kMappedBytes = 64 * 1024;

// A block of at least `bytes` (at least kMappedBytes): one kept for reuse
// when there is one of its class, else a new mapping. Throws bad_alloc.
void* takeScratchBlock(std::size_t bytes);
// Gives back a block from takeScratchBlock, with the `bytes` it was taken for.
void giveBackScratchBlock(void* block, std::size_t bytes);
// Unmaps every block kept for reuse.
void releaseScratchBlocks();

}  // namespace pw
