#include "portal/tessellator.h"

#include <GL/glu.h>

#include <cassert>
#include <cstdint>
#include <stdexcept>

#include "portal/glu_callback.h"

namespace pw {
namespace {

using Output = Tessellator::Output;

Output& outputOf(void* polygonData) { return *static_cast<Output*>(polygonData); }

void GLAPIENTRY onBegin(GLenum type, void* polygonData) {
  Output& out = outputOf(polygonData);
  out.primitiveType = static_cast<std::int32_t>(type);
  // Each primitive starts with its own winding; leftovers of the previous
  // primitive were dropped by its end callback.
  out.reverseNext = false;
}

void GLAPIENTRY onVertex(void* vertexData, void* polygonData) {
  Output& out = outputOf(polygonData);
  out.pendingIndices.push_back(static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(vertexData)));
  if (out.pendingIndices.size() != 3) return;

  const std::int32_t p0 = out.pendingIndices[0];
  const std::int32_t p1 = out.pendingIndices[1];
  const std::int32_t p2 = out.pendingIndices[2];
  out.triangles.push_back(out.reverseNext ? IndexTriple{p2, p1, p0} : IndexTriple{p0, p1, p2});
  switch (out.primitiveType) {
    case GL_TRIANGLES:
      std::vector<std::int32_t>().swap(out.pendingIndices);
      break;
    case GL_TRIANGLE_FAN:
      // Keep the centre and the last corner: the next corner closes the
      // next triangle of the fan.
      out.pendingIndices.erase(out.pendingIndices.begin() + 1);
      break;
    case GL_TRIANGLE_STRIP:
      // Every second strip triangle comes in the opposite order; reversing
      // it gives all of them the orientation of the first.
      out.pendingIndices.erase(out.pendingIndices.begin());
      out.reverseNext = !out.reverseNext;
      break;
    default:
      // With boundary-only off and no edge-flag callback GLU delivers only
      // the three kinds above.
      break;
  }
}

void GLAPIENTRY onEnd(void* polygonData) { std::vector<std::int32_t>().swap(outputOf(polygonData).pendingIndices); }

void GLAPIENTRY onError(GLenum error, void* polygonData) {
  Output& out = outputOf(polygonData);
  if (out.refusal == 0 && (error == GLU_TESS_NEED_COMBINE_CALLBACK || error == GLU_OUT_OF_MEMORY)) {
    out.refusal = error;
  }
}

// GLU asks for a vertex where two edges cross (weights on all four ends) or
// where two corners coincide (weights on the first two only). A crossing
// already means no output; the answer is always no vertex, so GLU goes on
// as it does without a combine callback.
void GLAPIENTRY onCombine(GLdouble[3], void*[4], GLfloat weights[4], void** vertex, void* polygonData) {
  *vertex = nullptr;
  Output& out = outputOf(polygonData);
  if (weights[2] + weights[3] > 0.0f && ++out.intersections > kMaxSweepIntersections) {
    std::longjmp(out.cutShort, 1);
  }
}

GLUtesselator* newPortalTess() {
  GLUtesselator* tess = gluNewTess();
  if (tess == nullptr) throw std::runtime_error("Creation of tesselation object failed.");
  gluTessCallback(tess, GLU_TESS_VERTEX_DATA, asGluCallback(&onVertex));
  gluTessCallback(tess, GLU_TESS_BEGIN_DATA, asGluCallback(&onBegin));
  gluTessCallback(tess, GLU_TESS_END_DATA, asGluCallback(&onEnd));
  // Only recorded: with or without these two callbacks GLU delivers the same.
  gluTessCallback(tess, GLU_TESS_ERROR_DATA, asGluCallback(&onError));
  gluTessCallback(tess, GLU_TESS_COMBINE_DATA, asGluCallback(&onCombine));
  gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_POSITIVE);
  gluTessProperty(tess, GLU_TESS_BOUNDARY_ONLY, GL_FALSE);
  return tess;
}

}  // namespace

Tessellator::Tessellator() : tess_(newPortalTess()) {}

Tessellator::~Tessellator() {
  if (tess_ != nullptr) gluDeleteTess(tess_);
}

void Tessellator::setNormal(const Point3& normal) { gluTessNormal(tess_, normal.x, normal.y, normal.z); }

// Opens the polygon and, with it, a first contour, as gluBeginPolygon does.
// The first beginContour then closes that empty contour by itself (GLU
// reports the missing end to the error callback, which ignores it) and it
// contributes nothing.
void Tessellator::beginPolygon() {
  allocations_.emplace();
  output_.intersections = 0;
  gluTessBeginPolygon(tess_, &output_);
  gluTessBeginContour(tess_);
}

void Tessellator::beginContour() { gluTessBeginContour(tess_); }

void Tessellator::contourVertex(std::int32_t index, const Point3& position) {
  // GLU copies the coordinates during the call; the index rides in the
  // pointer-sized vertex data and comes back unchanged in the vertex callback.
  GLdouble coordinates[3] = {position.x, position.y, position.z};
  gluTessVertex(tess_, coordinates, reinterpret_cast<void*>(static_cast<std::intptr_t>(index)));
}

void Tessellator::endContour() { gluTessEndContour(tess_); }

void Tessellator::endPolygon() {
  if (!endPolygonUnlessCutShort(tess_, output_.cutShort)) {
    // GLU gave up at the first crossing (the error callback has recorded
    // it) and delivers nothing, as it would have at the end of its sweep. A
    // primitive left open must not leak corners into the next polygon.
    std::vector<std::int32_t>().swap(output_.pendingIndices);
    gluDeleteTess(tess_);
    tess_ = nullptr;
    tess_ = newPortalTess();
  }
  allocations_.reset();
}

std::int32_t Tessellator::outputCount() const { return static_cast<std::int32_t>(output_.triangles.size()); }

bool Tessellator::refused() const { return output_.refusal != 0; }

const IndexTriple& Tessellator::outputTriangle(std::int32_t i) const {
  assert(i >= 0 && i < outputCount());
  return output_.triangles[static_cast<std::size_t>(i)];
}

}  // namespace pw
