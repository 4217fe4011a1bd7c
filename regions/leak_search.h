// Whether the inside of a level reaches the void around it, and the
// shortest trail there: the leak graph (leak_graph.h) walked from the
// region holding an inside point to a region on the cells' bounds.
#pragma once

#include <cstdint>
#include <vector>

#include "regions/leak_graph.h"

namespace pw {

class Scene;
struct BspNode;

struct LeakTrail {
  // The inside point, the centre of each join crossed and the centre of the
  // bounds face reached, in that order; empty when the inside is closed.
  // An inside point beyond the cells' bounds is outside already: the trail
  // is that point alone.
  std::vector<Point3> path;
  std::uint64_t passages = 0;  // joins crossed
  bool outsideBounds = false;  // the inside point lies beyond the bounds
  // The trail crosses a join GLU could not carve (RegionJoin::carvedWhole):
  // the leak may be false. No trail is never uncertain: a join carved whole
  // only adds passage.
  bool uncertain = false;
  // The regions' joins GLU could not carve, on the trail or not.
  std::uint64_t carvingFallbacks = 0;

  bool leaks() const { return !path.empty(); }
};

// The trail shortest by the distance between the joins' centres (Dijkstra
// over the joins), from the region of `regions` (built for the tree under
// `root`) that holds `inside`.
LeakTrail findLeakTrail(const Scene& scene, const BspNode& root, const LeakGraph& regions, const Point3& inside);

}  // namespace pw
