#include "portal/tessellator.h"

#include <GL/glu.h>

#include <cassert>
#include <cstdint>
#include <stdexcept>

namespace pw {

TessOutput& tessOutput() {
  static TessOutput output;
  return output;
}

void tessOnBegin(std::uint32_t type) {
  TessOutput& out = tessOutput();
  out.primitiveType = static_cast<std::int32_t>(type);
  // Each primitive starts with its own winding; leftovers of the previous
  // primitive were dropped by its end callback.
  out.reverseNext = false;
}

void tessOnVertex(void* data) {
  TessOutput& out = tessOutput();
  out.pendingIndices.push_back(static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(data)));
  if (out.pendingIndices.size() != 3) return;

  const std::int32_t p0 = out.pendingIndices[0];
  const std::int32_t p1 = out.pendingIndices[1];
  const std::int32_t p2 = out.pendingIndices[2];
  out.outputTriangles.push_back(out.reverseNext ? IndexTriple{p2, p1, p0} : IndexTriple{p0, p1, p2});
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

void tessOnEnd() { std::vector<std::int32_t>().swap(tessOutput().pendingIndices); }

void tessOnError(std::uint32_t error) {
  TessOutput& out = tessOutput();
  if (out.refusal == 0 && (error == GLU_TESS_NEED_COMBINE_CALLBACK || error == GLU_OUT_OF_MEMORY)) {
    out.refusal = error;
  }
}

namespace {

// GLU asks for a vertex where two edges cross (weights on all four ends) or
// where two corners coincide (weights on the first two only). A crossing
// already means no output; the answer is always no vertex, so GLU goes on
// as it does without a combine callback.
void GLAPIENTRY combineCallback(GLdouble[3], void*[4], GLfloat weights[4], void** vertex) {
  *vertex = nullptr;
  TessOutput& out = tessOutput();
  if (weights[2] + weights[3] > 0.0f && ++out.intersections > kMaxSweepIntersections) {
    std::longjmp(out.cutShort, 1);
  }
}

// GLU calls these with its own calling convention and the GLenum / void*
// argument types; they forward to the callbacks above.
void GLAPIENTRY beginCallback(GLenum type) { tessOnBegin(type); }
void GLAPIENTRY vertexCallback(void* data) { tessOnVertex(data); }
void GLAPIENTRY endCallback() { tessOnEnd(); }
void GLAPIENTRY errorCallback(GLenum error) { tessOnError(error); }

template <typename Callback>
_GLUfuncptr asGluCallback(Callback* callback) {
  // gluTessCallback takes every callback as a void(void) pointer and calls it
  // back with the type that belongs to the registered slot.
  return reinterpret_cast<_GLUfuncptr>(callback);
}

GLUtesselator* newPortalTess() {
  GLUtesselator* tess = gluNewTess();
  if (tess == nullptr) throw std::runtime_error("Creation of tesselation object failed.");
  gluTessCallback(tess, GLU_TESS_VERTEX, asGluCallback(&vertexCallback));
  gluTessCallback(tess, GLU_TESS_BEGIN, asGluCallback(&beginCallback));
  gluTessCallback(tess, GLU_TESS_END, asGluCallback(&endCallback));
  // Only recorded: with or without these two callbacks GLU delivers the same.
  gluTessCallback(tess, GLU_TESS_ERROR, asGluCallback(&errorCallback));
  gluTessCallback(tess, GLU_TESS_COMBINE, asGluCallback(&combineCallback));
  gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_POSITIVE);
  gluTessProperty(tess, GLU_TESS_BOUNDARY_ONLY, GL_FALSE);
  return tess;
}

}  // namespace

Tessellator::Tessellator() : tess_(nullptr) {
  TessOutput& out = tessOutput();
  std::vector<IndexTriple>().swap(out.outputTriangles);
  // A primitive left open by an aborted tessellation must not leak corners
  // into this one.
  std::vector<std::int32_t>().swap(out.pendingIndices);
  out.refusal = 0;
  tess_ = newPortalTess();
}

Tessellator::~Tessellator() {
  std::vector<IndexTriple>().swap(tessOutput().outputTriangles);
  if (tess_ != nullptr) gluDeleteTess(tess_);
}

void Tessellator::setNormal(const Point3& normal) { gluTessNormal(tess_, normal.x, normal.y, normal.z); }

// Opens the polygon and, with it, a first contour. The first beginContour
// then closes that empty contour by itself (GLU reports the missing end to
// the error callback, which ignores it) and it contributes nothing.
void Tessellator::beginPolygon() {
  allocations_.emplace();
  tessOutput().intersections = 0;
  gluBeginPolygon(tess_);
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
  if (!endPolygonUnlessCutShort(tess_, tessOutput().cutShort)) {
    // GLU gave up at the first crossing (the error callback has recorded
    // it) and delivers nothing, as it would have at the end of its sweep.
    gluDeleteTess(tess_);
    tess_ = nullptr;
    tess_ = newPortalTess();
  }
  allocations_.reset();
}

std::int32_t Tessellator::outputCount() const {
  return static_cast<std::int32_t>(tessOutput().outputTriangles.size());
}

bool Tessellator::refused() const { return tessOutput().refusal != 0; }

const IndexTriple& Tessellator::outputTriangle(std::int32_t i) const {
  assert(i >= 0 && i < outputCount());
  return tessOutput().outputTriangles[static_cast<std::size_t>(i)];
}

}  // namespace pw
