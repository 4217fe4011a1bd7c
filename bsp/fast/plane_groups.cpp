#include "bsp/fast/plane_groups.h"

#include <array>
#include <bit>
#include <cassert>
#include <cmath>
#include <cstring>
#include <limits>

#include "bsp/fast/scratch_vector.h"
#include "scene/scene.h"

namespace pw {

namespace {

// Coordinates up to this magnitude cannot overflow in a difference of two
// of them.
constexpr double kTameMagnitude = 0x1p1000;

constexpr std::uint32_t kNoGroup = std::numeric_limits<std::uint32_t>::max();

std::uint64_t bitsOf(double value) { return std::bit_cast<std::uint64_t>(value); }

bool tame(const Point3& p) {
  return std::abs(p.x) <= kTameMagnitude && std::abs(p.y) <= kTameMagnitude && std::abs(p.z) <= kTameMagnitude;
}

// Why one plane key may stand for several candidates. A candidate's
// distance of q is d = ((q.x - p.x) * n.x + (q.y - p.y) * n.y) + (q.z - p.z) * n.z.
// Where n's component is +0 or -0 and q and p are finite and tame (no
// difference overflows), that term is a signed zero whatever p's coordinate
// is. Adding a signed zero to a sum leaves its value unchanged (at most the
// sign of a zero result changes), so two candidates with the same normal
// bits and the same anchor bits on the axes where the normal is not zero
// compute the same d up to the sign of a zero, and -0 and +0 compare alike
// with +-0.0001: they put every point on the same side. Axis-aligned levels
// thus have a handful of planes per node however many faces lie on each.
// When some corner of the list is not tame (or not finite), the key keeps
// every anchor coordinate and only bit-identical planes share a group.
struct PlaneKey {
  std::array<std::uint64_t, 6> words{};

  PlaneKey(const CandidatePlane& plane, bool allTame) {
    const std::array<double, 3> normal{plane.normal.x, plane.normal.y, plane.normal.z};
    const std::array<double, 3> anchor{plane.anchor.x, plane.anchor.y, plane.anchor.z};
    for (std::size_t axis = 0; axis < 3; ++axis) {
      words[axis] = bitsOf(normal[axis]);
      words[3 + axis] = allTame && normal[axis] == 0.0 ? 0 : bitsOf(anchor[axis]);
    }
  }
  bool operator==(const PlaneKey& other) const { return words == other.words; }

  std::uint64_t hash() const {
    std::uint64_t h = 0x9E3779B97F4A7C15ull;
    for (const std::uint64_t word : words) {
      h ^= word + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
      h = (h ^ (h >> 31)) * 0xBF58476D1CE4E5B9ull;
    }
    return h ^ (h >> 29);
  }
};

bool allCornersTame(const Scene& scene, const std::vector<std::uint32_t>& list) {
  for (const std::uint32_t entry : list) {
    const Triangle& t = scene.triangle(static_cast<std::int32_t>(entry));
    for (int corner = 0; corner < 3; ++corner) {
      if (!tame(scene.vertex(t.vertexIndex(corner)))) return false;
    }
  }
  return true;
}

}  // namespace

// Open addressing with linear probing. A slot holds a group's number and
// its key's 32-bit hash; the key itself is made again from the group's first
// entry when the hashes match, so the table holds 8 bytes per slot and grows
// with the number of planes, not of entries.
PlaneGroups groupByPlane(const Scene& scene, const std::vector<std::uint32_t>& list) {
  assert(list.size() < kNoGroup);
  PlaneGroups result;
  result.groupOf.resize(list.size());
  const bool allTame = allCornersTame(scene, list);
  const auto keyOfGroup = [&](std::uint32_t group) {
    return PlaneKey(planeOf(scene, list[result.groups[group].first]), allTame);
  };
  constexpr std::uint64_t kEmpty = ~std::uint64_t{0};
  ScratchVector<std::uint64_t> slots(64, kEmpty);
  const auto place = [&slots](std::uint32_t hash, std::uint32_t group) {
    std::size_t slot = hash & (slots.size() - 1);
    while (slots[slot] != kEmpty) slot = (slot + 1) & (slots.size() - 1);
    slots[slot] = std::uint64_t{hash} << 32 | group;
  };
  for (std::size_t entry = 0; entry < list.size(); ++entry) {
    const PlaneKey key(planeOf(scene, list[entry]), allTame);
    const auto hash = static_cast<std::uint32_t>(key.hash());
    std::size_t slot = hash & (slots.size() - 1);
    std::uint32_t group = kNoGroup;
    for (; slots[slot] != kEmpty; slot = (slot + 1) & (slots.size() - 1)) {
      const auto candidate = static_cast<std::uint32_t>(slots[slot]);
      if (slots[slot] >> 32 == hash && keyOfGroup(candidate) == key) {
        group = candidate;
        break;
      }
    }
    if (group == kNoGroup) {
      group = static_cast<std::uint32_t>(result.groups.size());
      result.groups.push_back({static_cast<std::uint32_t>(entry), 0, {}});
      slots[slot] = std::uint64_t{hash} << 32 | group;
      // At most half full: probes stay short.
      if (2 * result.groups.size() > slots.size()) {
        ScratchVector<std::uint64_t> old(2 * slots.size(), kEmpty);
        old.swap(slots);
        for (const std::uint64_t taken : old) {
          if (taken != kEmpty) place(static_cast<std::uint32_t>(taken >> 32), static_cast<std::uint32_t>(taken));
        }
      }
    }
    ++result.groups[group].size;
    result.groupOf[entry] = group;
  }
  return result;
}

}  // namespace pw
