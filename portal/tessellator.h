// A thin wrapper over one GLU polygon tessellation object that collects the
// filled area as a list of index triangles. Needs no window or GL context.
#pragma once

#include <array>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "portal/glu_sweep.h"
#include "geometry/point3.h"

namespace pw {

// The indices given to `contourVertex` for one output triangle's corners, in
// the winding GLU delivers (counter-clockwise around the normal).
using IndexTriple = std::array<std::int32_t, 3>;

// Each Tessellator collects into its own output, which GLU hands back to
// the callbacks with every call.
//
// Winding rule GLU_TESS_WINDING_POSITIVE, boundary-only off, no edge-flag
// callback and a combine callback that makes no vertex: contours that cross
// produce no output at all. An error callback only records whether GLU gave
// up on the polygon (`refused`); it changes nothing GLU delivers. The
// combine callback changes nothing either (GLU does with an empty answer
// what it does without a callback), but it counts the crossings: past
// kMaxSweepIntersections it cuts the sweep short (glu_sweep.h), which
// delivers no output as GLU would, only sooner.
class Tessellator {
 public:
  // Throws std::runtime_error("Creation of tesselation object failed.") when
  // GLU gives no object.
  Tessellator();
  ~Tessellator();
  Tessellator(const Tessellator&) = delete;
  Tessellator& operator=(const Tessellator&) = delete;

  void setNormal(const Point3& normal);
  void beginPolygon();
  void beginContour();
  // `index` travels through GLU's pointer-sized vertex data and comes back
  // unchanged, -1 included. GLU clamps infinite coordinates but crashes on a
  // NaN one: the caller must not pass any.
  void contourVertex(std::int32_t index, const Point3& position);
  void endContour();
  // GLU tessellates during this call; a sweep cut short leaves GLU's object
  // to be made afresh.
  void endPolygon();

  std::int32_t outputCount() const;
  const IndexTriple& outputTriangle(std::int32_t i) const;
  // True when GLU gave up on the polygon since this Tessellator was made and
  // so delivered nothing: contours cross (GLU would need a combine callback
  // to make the crossing vertices) or it ran out of memory.
  bool refused() const;

  // What GLU's callbacks write while a polygon is tessellated.
  struct Output {
    std::int32_t primitiveType = 0;
    bool reverseNext = false;
    std::vector<IndexTriple> triangles;
    std::vector<std::int32_t> pendingIndices;
    // The first error GLU gave up with (GLU_TESS_NEED_COMBINE_CALLBACK or
    // GLU_OUT_OF_MEMORY), 0 if none. Other reports are not failures: every
    // polygon reports GLU_TESS_MISSING_END_CONTOUR (see beginPolygon), and
    // GLU_TESS_COORD_TOO_LARGE clamps the coordinate and goes on.
    std::uint32_t refusal = 0;
    // The crossings GLU found in the current polygon, and where the combine
    // callback jumps to past kMaxSweepIntersections of them.
    std::size_t intersections = 0;
    std::jmp_buf cutShort;
  };

 private:
  GLUtesselator* tess_;
  Output output_;
  // From beginPolygon to endPolygon.
  std::optional<GluAllocations> allocations_;
};

}  // namespace pw
