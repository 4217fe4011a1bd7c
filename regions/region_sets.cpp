#include "regions/region_sets.h"

#include <atomic>
#include <bit>
#include <mutex>
#include <optional>

#include "regions/portal_flow.h"
#include "regions/region_roles.h"
#include "regions/sight_flood.h"
#include "support/worker_pool.h"

namespace pw {
namespace {

// Window clippings a passage's portal flow may take in each round: in the
// first, the flows that finish quickly tighten the pruning sets of the
// rest, which then try again with more. A region with a passage whose flow
// never finishes keeps its fast set.
constexpr std::uint64_t kFlowRounds[] = {2000, 20000};
// Memory the portal flow may keep for pruning (a bit per passage and Space);
// past it the sets stay fast.
constexpr std::uint64_t kPruningBytes = std::uint64_t{1} << 30;

// Which of the Space's regions are sources: when only some are, those or
// the others, whichever have fewer sides.
SpaceEyes eyesOf(const SightGraph& graph, const RegionRoles& roles, const std::vector<std::uint32_t>& regions,
                 bool sealed) {
  std::vector<ConvexSides> lists[2];  // the sources, the others
  std::size_t sides[2] = {0, 0};
  for (const std::uint32_t region : regions) {
    const int list = roles.isSource(region, sealed) ? 0 : 1;
    lists[list].push_back(graph.regions[region].sides);
    sides[list] += graph.regions[region].sides.size();
  }
  if (lists[1].empty()) return {SpaceSources::All, {}};
  if (lists[0].empty()) return {SpaceSources::None, {}};
  if (sides[0] <= sides[1]) return {SpaceSources::OnlyThe, std::move(lists[0])};
  return {SpaceSources::AllBut, std::move(lists[1])};
}

Deadline deadlineOf(const SetsRequest& request) {
  if (request.fullSeconds <= 0.0) return std::nullopt;
  return std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                std::chrono::duration<double>(request.fullSeconds));
}

// The portal flows through the passages out of the source regions, in
// rounds; what each passage's finished flow shows, or nothing for one that
// did not finish.
class PassageFlows {
 public:
  PassageFlows(const FloodLevel& flood, const RegionRoles& roles, const SetsRequest& request, const Deadline& deadline)
      : flow_(flood, request.threads, deadline), finished_(flood.passages.size(), 0) {
    const SightGraph& graph = flood.graph;
    for (std::uint32_t r = 0; r < graph.regions.size(); ++r) {
      if (!roles.isSource(r, request.sealed)) continue;
      firsts_.insert(firsts_.end(), graph.regions[r].sightPassages.begin(), graph.regions[r].sightPassages.end());
    }
    WorkerPool pool(request.threads);
    std::vector<std::uint64_t> seen(firsts_.size() * flow_.words);
    std::atomic<std::uint64_t> done = 0;
    std::mutex progressLock;
    const std::uint64_t total = std::size(kFlowRounds) * firsts_.size();
    for (const std::uint64_t steps : kFlowRounds) {
      // Each flow writes its own bits and its own `finished_` entry only;
      // the pruning sets change between rounds alone, so the result does not
      // depend on the threads.
      pool.forEachSlice(firsts_.size(), 16, [&](std::size_t begin, std::size_t end) {
        for (std::size_t k = begin; k < end; ++k) {
          if (finished_[firsts_[k]] != 0) continue;
          std::uint64_t* bits = &seen[k * flow_.words];
          std::fill(bits, bits + flow_.words, 0);
          finished_[firsts_[k]] = flowThrough(flow_, firsts_[k], steps, deadline, bits) ? 1 : 0;
        }
        done += end - begin;
        if (request.progress) {
          const std::lock_guard lock(progressLock);
          request.progress(done, total);
        }
      });
      for (std::size_t k = 0; k < firsts_.size(); ++k) {
        if (finished_[firsts_[k]] == 0) continue;
        std::copy_n(&seen[k * flow_.words], flow_.words, &flow_.mightSee[firsts_[k] * flow_.words]);
      }
    }
  }

  // Adds the Spaces sight lines out of `region` through its passages may
  // show; false when a passage's flow did not finish (nothing added).
  template <class See>
  bool addSeenFrom(const SightGraph& graph, std::uint32_t region, See&& see) const {
    const std::vector<std::uint32_t>& passages = graph.regions[region].sightPassages;
    for (const std::uint32_t first : passages) {
      if (finished_[first] == 0) return false;
    }
    for (const std::uint32_t first : passages) {
      // Word by word: most of a row is empty.
      const std::uint64_t* bits = &flow_.mightSee[first * flow_.words];
      for (std::size_t w = 0; w < flow_.words; ++w) {
        for (std::uint64_t word = bits[w]; word != 0; word &= word - 1) {
          const std::size_t space = 64 * w + static_cast<std::size_t>(std::countr_zero(word));
          if (space < graph.regionsOfSpace.size()) see(space);
        }
      }
    }
    return true;
  }

 private:
  FlowLevel flow_;
  std::vector<std::uint32_t> firsts_;  // the passages out of the source regions
  // By passage; bytes, not bits, as flows on several threads set them.
  std::vector<std::uint8_t> finished_;
};

}  // namespace

VisibleSets findVisibleSets(const SightGraph& graph, const Bounds& eyeBox, const SetsRequest& request,
                            SetsReport& report) {
  const RegionRoles roles = findRegionRoles(graph);
  const std::size_t spaces = graph.regionsOfSpace.size();
  VisibleSets sets(spaces, eyeBox);
  sets.making = {.full = request.full, .sealed = request.sealed};
  FloodLevel level(graph, roles, eyeBox, request.sealed);
  level.floodTests = request.floodTests;
  std::optional<PassageFlows> flows;
  if (request.full && FlowLevel::pruningBytes(level) <= kPruningBytes) {
    flows.emplace(level, roles, request, deadlineOf(request));
  }
  std::atomic<std::uint64_t> cutShort = 0;
  std::atomic<std::uint64_t> floodsGaveUp = 0;
  // Each Space writes its own row only; rows are whole words apart.
  WorkerPool pool(request.threads);
  pool.forEachSlice(spaces, 1, [&](std::size_t begin, std::size_t end) {
    for (std::size_t space = begin; space < end; ++space) {
      const std::vector<std::uint32_t>& regions = graph.regionsOfSpace[space];
      sets.eyes(space + 1) = eyesOf(graph, roles, regions, request.sealed);
      const auto see = [&sets, space](std::size_t seen) { sets.add(space + 1, seen + 1); };
      for (const std::uint32_t region : regions) {
        if (!roles.isSource(region, request.sealed)) continue;
        if (flows && flows->addSeenFrom(graph, region, see)) {
          showRegion(graph, region, see);
          continue;
        }
        if (request.full) ++cutShort;
        if (!floodFrom(level, region, see)) {
          ++floodsGaveUp;
          for (std::size_t seen = 0; seen < spaces; ++seen) see(seen);
        }
      }
    }
  });
  report = {.regions = graph.regions.size(),
            .sources = 0,
            .open = roles.open,
            .voids = roles.voids,
            .cutShort = cutShort,
            .floodsGaveUp = floodsGaveUp};
  for (std::uint32_t r = 0; r < graph.regions.size(); ++r) report.sources += roles.isSource(r, request.sealed);
  return sets;
}

}  // namespace pw
