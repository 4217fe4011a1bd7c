#include "regions/portal_flow.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <optional>
#include <utility>

#include "regions/polytope_cut.h"
#include "support/worker_pool.h"

namespace pw {
namespace {

// The part of `polygon` on the side of `plane` where `distance` is at most
// the slack.
Polygon keepAtMostSlack(const Polygon& polygon, const Plane& plane) {
  const Plane toward = plane.flipped();
  return clipToFront(polygon, {toward.normal, toward.anchor - kSideSlack * toward.normal});
}

bool liesWithinSlack(const Plane& plane, const Polygon& polygon) {
  return std::all_of(polygon.begin(), polygon.end(), [&](const Point3& p) { return std::abs(plane.distance(p)) <= kSideSlack; });
}

// Which side of a separating plane a line keeps to past the two polygons:
// the one it went to.
enum class Beyond { SecondSide, FirstSide };

// The planes through an edge of `first` and a corner of `second` that have
// them on opposite sides, the first such corner for each edge, each facing
// the side a line keeps to: that of `second` for a line from `first`
// through `second`, else that of `first`. They depend on the two polygons
// alone, so one chain step clips every next window by the same planes.
std::vector<Plane> separators(const Polygon& first, const Polygon& second, Beyond keep) {
  std::vector<Plane> planes;
  for (std::size_t i = 0; i < first.size(); ++i) {
    const Point3& a = first[i];
    const Point3 edge = first[(i + 1) % first.size()] - a;
    for (const Point3& corner : second) {
      const Point3 normal = cross(edge, corner - a);
      if (dot(normal, normal) < kSideSlack * kSideSlack) continue;
      const Plane plane{normal.normalized(), a};
      // A plane with `second` on both sides separates nothing; most fail
      // here, before `first` is looked at.
      double secondLeast = 0.0;
      double secondMost = 0.0;
      for (const Point3& p : second) {
        const double d = plane.distance(p);
        secondLeast = std::min(secondLeast, d);
        secondMost = std::max(secondMost, d);
      }
      if (secondLeast < -kSideSlack && secondMost > kSideSlack) continue;
      // Which side `first` lies on; a plane along `first` separates nothing.
      double firstSide = 0.0;
      for (const Point3& p : first) {
        const double d = plane.distance(p);
        if (std::abs(d) > std::abs(firstSide)) firstSide = d;
      }
      if (std::abs(firstSide) <= kSideSlack) continue;
      // Facing `first`, `second` must lie behind it.
      const bool separates = firstSide > 0.0 ? secondMost <= kSideSlack : secondLeast >= -kSideSlack;
      if (!separates) continue;
      const Plane facingFirst = firstSide > 0.0 ? plane : plane.flipped();
      planes.push_back(keep == Beyond::SecondSide ? facingFirst : facingFirst.flipped());
      break;
    }
  }
  return planes;
}

// `target` clipped by each of `planes` in turn, to the slack.
Polygon clipToSeparators(Polygon target, const std::vector<Plane>& planes) {
  for (std::size_t i = 0; i < planes.size() && target.size() >= 3; ++i) target = keepAtMostSlack(target, planes[i]);
  return target;
}

// Marks a region on the chain while it is on it: a straight line crosses a
// convex region once, so no chain enters a region twice.
class OnPath {
 public:
  OnPath(std::vector<bool>& onPath, std::uint32_t region) : onPath_(onPath), region_(region) { onPath_[region] = true; }
  ~OnPath() { onPath_[region_] = false; }
  OnPath(const OnPath&) = delete;
  OnPath& operator=(const OnPath&) = delete;

 private:
  std::vector<bool>& onPath_;
  std::uint32_t region_;
};

// The flow through one passage, its Spaces as bits.
class Flow {
 public:
  Flow(const FlowLevel& level, std::uint32_t first, std::uint64_t steps, const Deadline& deadline, std::uint64_t* seen)
      : level_(level),
        graph_(level.flood.graph),
        first_(first),
        source_(level.flood, graph_.sightPassages[first].from),
        stepsLeft_(steps),
        deadline_(deadline),
        seen_(seen) {}

  bool run() {
    if (onPath_.size() < graph_.regions.size()) onPath_.resize(graph_.regions.size(), false);
    const SightPassage& passage = graph_.sightPassages[first_];
    if (level_.flood.passages[first_].corners.empty() || !level_.flood.enterable(passage.to)) return true;
    const OnPath sourceOnPath(onPath_, passage.from);
    const OnPath firstOnPath(onPath_, passage.to);
    show(passage.to);
    chain_.assign(1, first_);
    const std::uint64_t* own = &level_.mightSee[first_ * level_.words];
    mights_.assign(own, own + level_.words);
    return onFrom(first_, level_.windows[first_], level_.windows[first_]);
  }

 private:
  // The pruning bits of chain step `depth` (the chain's passages 0 ..
  // `depth`): those of its last passage and of the steps before. Indexed
  // afresh on each use, as deeper steps grow the store.
  std::uint64_t* mightAt(std::size_t depth) { return mights_.data() + depth * level_.words; }

  // Sets the pruning bits of step `depth` + 1, through `passage`, and
  // tells whether they hold a Space not seen yet.
  bool mightShowMoreThrough(std::uint32_t passage, std::size_t depth) {
    const std::size_t words = level_.words;
    if (mights_.size() < (depth + 2) * words) mights_.resize((depth + 2) * words);
    const std::uint64_t* own = &level_.mightSee[passage * words];
    const std::uint64_t* before = mightAt(depth);
    std::uint64_t* might = mightAt(depth + 1);
    bool more = false;
    for (std::size_t w = 0; w < words; ++w) {
      might[w] = own[w] & before[w];
      more = more || (might[w] & ~seen_[w]) != 0;
    }
    return more;
  }

  // Takes one step; false when none is left. The clock is read every
  // kStepsPerClockReading steps.
  bool step() {
    if (stepsLeft_ == 0) return false;
    --stepsLeft_;
    return !deadline_ || ++sinceClock_ % kStepsPerClockReading != 0 || std::chrono::steady_clock::now() < *deadline_;
  }

  void show(std::uint32_t region) {
    showRegion(graph_, region, [this](std::size_t space) { seen_[space / 64] |= std::uint64_t{1} << (space % 64); });
  }

  // On from the region `last` leads into: `pass` is the part of `last` and
  // `source` the part of the first passage that sight lines through the
  // chain so far may cross; false when out of steps.
  bool onFrom(std::uint32_t last, const Polygon& source, const Polygon& pass) {
    const std::size_t depth = chain_.size() - 1;
    // The separating planes of `source` and `pass`, made for the first
    // next window that needs them.
    std::optional<std::pair<std::vector<Plane>, std::vector<Plane>>> forward;
    const std::vector<std::uint32_t>& onward = graph_.regions[graph_.sightPassages[last].to].sightPassages;
    for (std::size_t out = 0; out < onward.size(); ++out) {
      const std::uint32_t next = onward[out];
      const std::uint32_t into = graph_.sightPassages[next].to;
      if (onPath_[into] || !mayGoOn(level_.flood, source_, first_, last, out)) continue;
      if (!mightShowMoreThrough(next, depth)) continue;
      if (!step()) return false;
      // A line crosses each plane once: past the chain's passages it stays
      // beyond every one of their planes, and crosses none of them again.
      Polygon window = level_.windows[next];
      for (std::size_t k = 0; k < chain_.size() && window.size() >= 3; ++k) {
        const Plane& crossed = level_.flood.passages[chain_[k]].plane;
        window = liesWithinSlack(crossed, window) ? Polygon() : keepAtMostSlack(window, crossed);
      }
      Polygon narrowed = source;
      if (last != first_) {
        if (!forward) {
          forward.emplace(separators(source, pass, Beyond::SecondSide), separators(pass, source, Beyond::FirstSide));
        }
        window = clipToSeparators(std::move(window), forward->first);
        window = clipToSeparators(std::move(window), forward->second);
        // Run backwards, the same lines reach the source only on the side
        // of the last window passed.
        if (window.size() >= 3) {
          narrowed = clipToSeparators(std::move(narrowed), separators(window, pass, Beyond::SecondSide));
          narrowed = clipToSeparators(std::move(narrowed), separators(pass, window, Beyond::FirstSide));
        }
      }
      if (window.size() < 3 || narrowed.size() < 3 || polygonWidth(window) < kSideSlack) continue;
      show(into);
      const OnPath intoOnPath(onPath_, into);
      chain_.push_back(next);
      const bool finished = onFrom(next, narrowed, window);
      chain_.pop_back();
      if (!finished) return false;
    }
    return true;
  }

  static constexpr std::uint64_t kStepsPerClockReading = 256;
  const FlowLevel& level_;
  const SightGraph& graph_;
  const std::uint32_t first_;
  const FloodSource source_;  // the region `first_` leads out of
  std::uint64_t stepsLeft_;
  std::uint64_t sinceClock_ = 0;
  const Deadline& deadline_;
  std::uint64_t* seen_;  // the Spaces seen, `level_.words` words
  std::vector<std::uint32_t> chain_;  // the passages crossed, `first_` first
  std::vector<std::uint64_t> mights_;  // the pruning bits of each chain step, `level_.words` words a step
  // By region: on the chain now; all false between flows.
  static thread_local std::vector<bool> onPath_;
};

thread_local std::vector<bool> Flow::onPath_;

}  // namespace

FlowLevel::FlowLevel(const FloodLevel& floodIn, unsigned threads, const Deadline& deadline)
    : flood(floodIn), words((flood.graph.regionsOfSpace.size() + 63) / 64) {
  const std::size_t passages = flood.passages.size();
  windows.reserve(passages);
  for (const FloodPassage& passage : flood.passages) windows.push_back(hullOnPlane(passage.corners, passage.plane.normal));
  mightSee.assign(passages * words, 0);
  // Each passage writes its own bits only.
  std::atomic<bool> late = false;
  WorkerPool pool(threads);
  pool.forEachSlice(passages, 64, [&](std::size_t begin, std::size_t end) {
    if (deadline && std::chrono::steady_clock::now() >= *deadline) late = true;
    for (std::size_t p = begin; p < end && !late; ++p) {
      std::uint64_t* bits = &mightSee[p * words];
      const bool flooded = floodThrough(flood, static_cast<std::uint32_t>(p), [bits](std::size_t space) {
        bits[space / 64] |= std::uint64_t{1} << (space % 64);
      });
      // A flood that gave up prunes nothing.
      if (!flooded) std::fill(bits, bits + words, ~std::uint64_t{0});
    }
  });
  ready = !late;
}

bool flowThrough(const FlowLevel& level, std::uint32_t first, std::uint64_t steps, const Deadline& deadline,
                 std::uint64_t* seen) {
  if (!level.ready || (deadline && std::chrono::steady_clock::now() >= *deadline)) return false;
  return Flow(level, first, steps, deadline, seen).run();
}

}  // namespace pw
