// The lookup behind the OBJ reader's merging of equal positions and normals.
#pragma once

#include <cstdint>
#include <vector>

#include "geometry/point3.h"

namespace pw {

// Maps points to 32-bit indices under exact componentwise equality, so 0 and
// -0 are one key (the same equivalence as the Point3 ordering: two points are
// one when neither is less than the other). A NaN component equals nothing,
// so such a point never finds an earlier one.
//
// Open addressing with linear probing over a power-of-two table that is kept
// at most half full; keys are stored with -0 turned into +0, so equal points
// hash alike. Lookups cost O(1) on average instead of the O(log n) of an
// ordered map, and the results are the same: which point is stored and which
// index it gets is decided by the caller, on the first insertion.
class PointMergeMap {
 public:
  // The index stored for a point equal to `point`; when there is none,
  // `makeIndex()` is called (once, only then), and its result is stored for
  // `point` and returned.
  template <class MakeIndex>
  std::int32_t findOrAdd(const Point3& point, MakeIndex&& makeIndex) {
    if (2 * (size_ + 1) > slots_.size()) grow();
    const Point3 key = withoutNegativeZero(point);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = slotOf(key);; i = (i + 1) & mask) {
      Slot& slot = slots_[i];
      if (slot.index == kEmpty) {
        const std::int32_t index = makeIndex();
        slot = Slot{key, index};
        ++size_;
        return index;
      }
      if (samePoint(slot.key, key)) return slot.index;
    }
  }

  std::size_t size() const { return size_; }
  // Room for `points` points in all without growing.
  void reserve(std::size_t points);

 private:
  static constexpr std::int32_t kEmpty = -1;
  struct Slot {
    Point3 key;
    std::int32_t index = kEmpty;
  };

  // -0 + 0 is +0 under round-to-nearest; every other value is unchanged.
  static Point3 withoutNegativeZero(const Point3& p) { return {p.x + 0.0, p.y + 0.0, p.z + 0.0}; }
  // Home slot of a key whose zeros are already positive.
  std::size_t slotOf(const Point3& key) const;
  // Doubles the table (to 16 slots at first) and re-inserts every key.
  void grow();
  // Re-inserts every key into a table of `slots` slots (a power of two).
  void rehash(std::size_t slots);

  std::vector<Slot> slots_;
  std::size_t size_ = 0;
  int shift_ = 64;  // 64 - log2(slots_.size())
};

}  // namespace pw
