#include "scene/point_merge_map.h"

#include <bit>
#include <utility>

namespace pw {

std::size_t PointMergeMap::slotOf(const Point3& key) const {
  // Coordinates widened from 32-bit floats have their low 29 bits zero, so
  // the hash keeps the high bits of the products (Fibonacci hashing) rather
  // than the low ones.
  std::uint64_t h = std::bit_cast<std::uint64_t>(key.x) * 0x9E3779B97F4A7C15ull;
  h = (h ^ (h >> 29) ^ std::bit_cast<std::uint64_t>(key.y)) * 0xBF58476D1CE4E5B9ull;
  h = (h ^ (h >> 32) ^ std::bit_cast<std::uint64_t>(key.z)) * 0x94D049BB133111EBull;
  return static_cast<std::size_t>((h ^ (h >> 31)) >> shift_);
}

void PointMergeMap::grow() { rehash(slots_.empty() ? 16 : 2 * slots_.size()); }

void PointMergeMap::reserve(std::size_t points) {
  // findOrAdd grows once more than half the slots would be taken.
  const std::size_t slots = std::bit_ceil(2 * (points + 1));
  if (slots > slots_.size()) rehash(slots);
}

void PointMergeMap::rehash(std::size_t slots) {
  std::vector<Slot> old = std::exchange(slots_, std::vector<Slot>(slots));
  shift_ = 64 - std::countr_zero(slots_.size());
  const std::size_t mask = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (slot.index == kEmpty) continue;
    std::size_t i = slotOf(slot.key);
    while (slots_[i].index != kEmpty) i = (i + 1) & mask;
    slots_[i] = slot;
  }
}

}  // namespace pw
