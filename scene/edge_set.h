// The on-plane segments that one split of the build collects.
#pragma once

#include <cstddef>
#include <map>

#include "geometry/point3.h"
#include "geometry/point_pair.h"

namespace pw {

// An ordered multi-map of directed segments keyed by their start point
// (exact `Point3` order). A segment whose start equals existing starts is
// placed after all of them, so equal starts keep their insertion order.
class EdgeSet {
 public:
  using Map = std::multimap<Point3, Point3>;
  using const_iterator = Map::const_iterator;

  // std::multimap inserts at the upper bound of the equal range.
  void insert(const PointPair& segment) { segments_.emplace(segment.first, segment.second); }
  bool empty() const { return segments_.empty(); }
  std::size_t size() const { return segments_.size(); }
  const_iterator begin() const { return segments_.begin(); }
  const_iterator end() const { return segments_.end(); }

  // The earliest-inserted segment starting exactly at `start`, or end().
  const_iterator findStart(const Point3& start) const {
    const auto it = segments_.lower_bound(start);
    return it != segments_.end() && !(start < it->first) ? it : segments_.end();
  }

  void remove(const_iterator segment) { segments_.erase(segment); }

 private:
  Map segments_;
};

}  // namespace pw
