#include "regions/portal_flow.h"

#include <algorithm>
#include <atomic>
#include <cmath>

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

// `target` clipped by every plane through an edge of `first` and a corner
// of `second` that has them on opposite sides: to the side of `second` for
// a line from `first` through `second`, else to that of `first`.
Polygon clipToSeparators(const Polygon& first, const Polygon& second, Polygon target, Beyond keep) {
  for (std::size_t i = 0; i < first.size() && target.size() >= 3; ++i) {
    const Point3& a = first[i];
    const Point3 edge = first[(i + 1) % first.size()] - a;
    for (const Point3& corner : second) {
      const Point3 normal = cross(edge, corner - a);
      if (dot(normal, normal) < kSideSlack * kSideSlack) continue;
      const Plane plane{normal.normalized(), a};
      // Which side `first` lies on; a plane along `first` separates nothing.
      double firstSide = 0.0;
      for (const Point3& p : first) {
        const double d = plane.distance(p);
        if (std::abs(d) > std::abs(firstSide)) firstSide = d;
      }
      if (std::abs(firstSide) <= kSideSlack) continue;
      // Facing `first`: `second` must lie behind it.
      const Plane facingFirst = firstSide > 0.0 ? plane : plane.flipped();
      bool separates = true;
      for (const Point3& p : second) separates = separates && facingFirst.distance(p) <= kSideSlack;
      if (!separates) continue;
      target = keepAtMostSlack(target, keep == Beyond::SecondSide ? facingFirst : facingFirst.flipped());
      break;
    }
  }
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
        corners_(regionCorners(graph_.regions[graph_.sightPassages[first].from], level.flood.eyeBox)),
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
    return onFrom(first_, level_.windows[first_], level_.windows[first_], mightOf(first_, nullptr));
  }

 private:
  // The pruning bits after `passage`: its own, and the chain's before.
  std::vector<std::uint64_t> mightOf(std::uint32_t passage, const std::vector<std::uint64_t>* before) const {
    const std::uint64_t* own = &level_.mightSee[passage * level_.words];
    std::vector<std::uint64_t> might(own, own + level_.words);
    for (std::size_t w = 0; before != nullptr && w < might.size(); ++w) might[w] &= (*before)[w];
    return might;
  }

  // Whether `might` holds a Space not seen yet.
  bool mayShowMore(const std::vector<std::uint64_t>& might) const {
    for (std::size_t w = 0; w < might.size(); ++w) {
      if ((might[w] & ~seen_[w]) != 0) return true;
    }
    return false;
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
  bool onFrom(std::uint32_t last, const Polygon& source, const Polygon& pass, const std::vector<std::uint64_t>& might) {
    for (const std::uint32_t next : graph_.regions[graph_.sightPassages[last].to].sightPassages) {
      const std::uint32_t into = graph_.sightPassages[next].to;
      if (onPath_[into] || !mayGoOn(level_.flood, corners_, first_, last, next)) continue;
      std::vector<std::uint64_t> nextMight = mightOf(next, &might);
      if (!mayShowMore(nextMight)) continue;
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
        window = clipToSeparators(source, pass, std::move(window), Beyond::SecondSide);
        window = clipToSeparators(pass, source, std::move(window), Beyond::FirstSide);
        // Run backwards, the same lines reach the source only on the side
        // of the last window passed.
        if (window.size() >= 3) {
          narrowed = clipToSeparators(window, pass, std::move(narrowed), Beyond::SecondSide);
          narrowed = clipToSeparators(pass, window, std::move(narrowed), Beyond::FirstSide);
        }
      }
      if (window.size() < 3 || narrowed.size() < 3 || polygonWidth(window) < kSideSlack) continue;
      show(into);
      const OnPath intoOnPath(onPath_, into);
      chain_.push_back(next);
      const bool finished = onFrom(next, narrowed, window, nextMight);
      chain_.pop_back();
      if (!finished) return false;
    }
    return true;
  }

  static constexpr std::uint64_t kStepsPerClockReading = 256;
  const FlowLevel& level_;
  const SightGraph& graph_;
  const std::uint32_t first_;
  const std::vector<Point3> corners_;  // of the region `first_` leads out of
  std::uint64_t stepsLeft_;
  std::uint64_t sinceClock_ = 0;
  const Deadline& deadline_;
  std::uint64_t* seen_;  // the Spaces seen, `level_.words` words
  std::vector<std::uint32_t> chain_;  // the passages crossed, `first_` first
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
