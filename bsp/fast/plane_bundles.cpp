#include "bsp/fast/plane_bundles.h"

#include <array>
#include <cmath>
#include <unordered_map>

#include "scene/scene.h"

namespace pw {

namespace {

// Planes share a bundle when their normals fall in one cell of this size per
// axis and their distances from the origin in one cell of the next: coarse
// enough that the rounding of a turned level's coordinates (and so of its
// normals) keeps faces of one wall together, fine enough that walls a
// sliver apart do not share a bundle. Where a bin border separates two
// nearly equal planes they are only counted apart; no count depends on it.
constexpr double kNormalBin = 0x1p-12;
constexpr double kOffsetBin = 0x1p-6;

// Bins beyond this are not worth telling apart (and would overflow the key).
constexpr double kLargestBin = 0x1p40;

using BundleKey = std::array<std::int64_t, 4>;

struct BundleKeyHash {
  std::size_t operator()(const BundleKey& key) const {
    std::uint64_t h = 0x9E3779B97F4A7C15ull;
    for (const std::int64_t word : key) {
      h ^= static_cast<std::uint64_t>(word) + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
      h = (h ^ (h >> 31)) * 0xBF58476D1CE4E5B9ull;
    }
    return static_cast<std::size_t>(h ^ (h >> 29));
  }
};

// Nothing for a plane whose bins are not finite or out of range: it stays
// a bundle of its own.
bool keyOf(const CandidatePlane& plane, BundleKey& key) {
  const Point3& n = plane.normal;
  const Point3& p = plane.anchor;
  const std::array<double, 4> bins{n.x / kNormalBin, n.y / kNormalBin, n.z / kNormalBin,
                                   (n.x * p.x + n.y * p.y + n.z * p.z) / kOffsetBin};
  for (std::size_t i = 0; i < bins.size(); ++i) {
    if (!(std::abs(bins[i]) < kLargestBin)) return false;
    key[i] = std::llround(bins[i]);
  }
  return true;
}

}  // namespace

std::vector<std::vector<std::uint32_t>> numberedBundles(const PlaneGroups& groups) {
  std::vector<std::vector<std::uint32_t>> bundles(groups.bundles);
  for (std::uint32_t g = 0; g < groups.groups.size(); ++g) bundles[groups.groups[g].bundle].push_back(g);
  return bundles;
}

std::vector<std::vector<std::uint32_t>> bundleGroups(const Scene& scene, const std::vector<std::uint32_t>& list,
                                                     PlaneGroups& groups) {
  if (groups.bundles > 0) return numberedBundles(groups);
  std::vector<std::vector<std::uint32_t>> bundles;
  std::unordered_map<BundleKey, std::uint32_t, BundleKeyHash> bundleOf;
  for (std::uint32_t g = 0; g < groups.groups.size(); ++g) {
    BundleKey key;
    auto next = static_cast<std::uint32_t>(bundles.size());
    if (keyOf(planeOf(scene, list[groups.groups[g].first]), key)) next = bundleOf.try_emplace(key, next).first->second;
    if (next == bundles.size()) bundles.emplace_back();
    bundles[next].push_back(g);
    groups.groups[g].bundle = next;
  }
  groups.bundles = static_cast<std::uint32_t>(bundles.size());
  return bundles;
}

PlaneBound bundleBound(const Scene& scene, const std::vector<std::uint32_t>& list, const PlaneGroups& groups,
                       const std::vector<std::uint32_t>& bundle) {
  const CandidatePlane reference = planeOf(scene, list[groups.groups[bundle.front()].first]);
  PlaneBound bound = boundOf(reference);
  for (const std::uint32_t g : bundle) include(bound, boundAgainst(reference, planeOf(scene, list[groups.groups[g].first])));
  return bound;
}

}  // namespace pw
