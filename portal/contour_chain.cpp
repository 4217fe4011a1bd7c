#include <cmath>

#include "portal/portal_creation.h"

namespace pw {
namespace {

// The first segment, in map order, whose start lies within kChainTolerance of
// `point` on every axis. A linear scan: only used when no start matches
// exactly.
EdgeSet::const_iterator findNearStart(const EdgeSet& edges, const Point3& point) {
  for (auto it = edges.begin(); it != edges.end(); ++it) {
    const Point3& start = it->first;
    if (std::abs(start.x - point.x) <= kChainTolerance && std::abs(start.y - point.y) <= kChainTolerance &&
        std::abs(start.z - point.z) <= kChainTolerance) {
      return it;
    }
  }
  return edges.end();
}

}  // namespace

// Every segment is used exactly once, so the loops end. A ring holds the end
// point of each segment it used; one that closes exactly ends with the start
// of its first segment. Only exact equality closes a ring: the tolerance just
// finds a continuation. A ring that cannot be closed is handed on open (GLU
// closes every contour by itself).
std::vector<Contour> chainContours(EdgeSet& edges) {
  std::vector<Contour> contours;
  while (!edges.empty()) {
    const auto first = edges.begin();
    const Point3 start = first->first;
    Point3 end = first->second;
    edges.remove(first);
    Contour ring{end};
    while (!samePoint(end, start)) {
      auto next = edges.findStart(end);
      if (next == edges.end()) next = findNearStart(edges, end);
      if (next == edges.end()) break;
      end = next->second;
      ring.push_back(end);
      edges.remove(next);
    }
    contours.push_back(std::move(ring));
  }
  return contours;
}

}  // namespace pw
