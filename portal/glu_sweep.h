// Cutting one of GLU's tessellations short. Once gluTessEndPolygon runs,
// GLU offers no way to stop its sweep, and on corners a few ulps apart the
// sweep can run away: millions of intersections, gigabytes, a minute. A
// callback can only jump out of it, the way GLU leaves its own sweep when it
// runs out of memory: GLU's partial mesh stays allocated (GLU has nothing to
// free it with) and the object is fit only for gluDeleteTess.
#pragma once

#include <csetjmp>
#include <cstddef>

struct GLUtesselator;  // GLU's, declared at global scope as its header does

namespace pw {

// The most intersections one tessellation may make before a callback cuts
// it short. Carving cell faces on generated levels makes at most 351
// (pillars 16k), on random soups of 5000 triangles 1450; a runaway sweep
// makes millions. GLU's memory grows by a few hundred bytes per
// intersection, so what a tessellation cut short leaves behind is a few MiB.
inline constexpr std::size_t kMaxSweepIntersections = 1 << 14;

// gluTessEndPolygon; false when a callback jumped to `cutShort` (with
// std::longjmp) to end the sweep. The jump passes only GLU's C frames and
// the callback's own, which must hold nothing to destroy.
bool endPolygonUnlessCutShort(GLUtesselator* tess, std::jmp_buf& cutShort);

// While one lives, the leak checker of a sanitizer build ignores what this
// thread allocates: what GLU allocates for a polygon whose sweep is cut
// short cannot be freed.
class GluAllocations {
 public:
  GluAllocations();
  ~GluAllocations();
  GluAllocations(const GluAllocations&) = delete;
  GluAllocations& operator=(const GluAllocations&) = delete;
};

}  // namespace pw
