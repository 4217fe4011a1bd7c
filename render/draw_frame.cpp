#include "render/draw_frame.h"

#include <GL/gl.h>

#include "bsp/bsp_node.h"
#include "culling/camera.h"
#include "render/look_drawer.h"
#include "render/passage_outlines.h"
#include "render/space_buffers.h"
#include "scene/scene.h"
#include "support/stopwatch.h"

namespace pw {
namespace {

// Loads `camera`'s view transform as the model-view matrix and returns it.
// The portal test works with the matrix GL built, single-precision rotations
// included, not with a recomputed one.
Matrix4 loadViewTransform(const Camera& camera) {
  glLoadIdentity();
  glRotatef(camera.pitch, 1.0f, 0.0f, 0.0f);
  glRotatef(camera.yaw, 0.0f, 1.0f, 0.0f);
  glTranslatef(camera.tx, camera.ty, camera.tz);
  Matrix4 modelView;
  glGetDoublev(GL_MODELVIEW_MATRIX, modelView.m.data());
  return modelView;
}

// The designed view: the Spaces in one glBegin/glEnd pair, the eye's green,
// the others red; the frame's line is written before glEnd, as it always was.
void drawSpaces(const Scene& scene, const std::vector<const BspNode*>& spaces, std::ostream& frameLog,
                const Camera& camera, FrameCounts& counts) {
  glBegin(GL_TRIANGLES);
  for (const BspNode* space : spaces) {
    glColor3dv(counts.spaces == 0 ? kEyeSpaceColour.data() : kOtherSpaceColour.data());
    for (const std::uint32_t index : space->triangles) {
      const Triangle& triangle = scene.triangle(static_cast<std::int32_t>(index));
      for (int k = 0; k < 3; ++k) {
        const Point3& normal = scene.normal(triangle.normalIndex(k));
        const Point3& vertex = scene.vertex(triangle.vertexIndex(k));
        glNormal3d(normal.x, normal.y, normal.z);
        glVertex3d(vertex.x, vertex.y, vertex.z);
      }
    }
    counts.triangles += space->triangles.size();
    ++counts.spaces;
  }
  writeFrameLine(frameLog, camera, counts.spaces);
  glEnd();
}

}  // namespace

FrameCounts drawFrame(const Scene& scene, const BspNode& root, const Camera& camera, std::ostream& frameLog,
                      Culling culling, const CullingInputs& inputs, const FrameExtras& extras) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  // A frozen culling camera's matrix is built the same way, then replaced by
  // the drawn view's.
  const Camera& culler = extras.cullingCamera != nullptr ? *extras.cullingCamera : camera;
  const Matrix4 modelView = loadViewTransform(culler);
  if (&culler != &camera) loadViewTransform(camera);

  const ViewPyramid view(culler, modelView);
  CullingTrace passages;
  CullingTrace* const trace = extras.outlinePassages ? &passages : nullptr;
  const Stopwatch cullingTime;
  const std::vector<const BspNode*> spaces = chooseSpaces(culling, scene, root, view, inputs, trace);
  FrameCounts counts;
  counts.cullingSeconds = cullingTime.seconds();
  const Stopwatch drawing;
  if (extras.buffers != nullptr || extras.mode != ViewMode::Spaces) {
    if (extras.buffers != nullptr) {
      extras.buffers->draw(spaces, extras.mode);
    } else {
      extras.look->draw(spaces, extras.mode);
    }
    for (const BspNode* space : spaces) counts.triangles += space->triangles.size();
    counts.spaces = static_cast<std::int32_t>(spaces.size());
    writeFrameLine(frameLog, camera, counts.spaces);
  } else {
    drawSpaces(scene, spaces, frameLog, camera, counts);
  }
  // Over the Spaces, so that nothing drawn later hides them.
  if (trace != nullptr) drawPassageOutlines(passages);
  counts.drawingSeconds = drawing.seconds();
  return counts;
}

void writeFrameLine(std::ostream& frameLog, const Camera& camera, std::int32_t spacesDrawn) {
  frameLog << -camera.tx << ' ' << -camera.ty << ' ' << -camera.tz << "  spaces: " << spacesDrawn << '\n';
  frameLog.flush();
}

}  // namespace pw
