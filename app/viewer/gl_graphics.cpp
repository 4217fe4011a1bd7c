#include "app/viewer/gl_graphics.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cassert>
#include <cstring>

#include "app/viewer/shell_state.h"
#include "bsp/bsp_node.h"
#include "culling/camera.h"
#include "render/readout.h"

namespace pw {
namespace {

// The far distance of the projection (the near one is the camera's).
constexpr double kFarPlane = 100.0;

// The current viewport read back from the back buffer, rows turned top down.
Image readBackBuffer() {
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  Image image;
  image.width = viewport[2];
  image.height = viewport[3];
  const auto rowBytes = static_cast<std::size_t>(image.width) * 3;
  std::vector<std::uint8_t> bottomUp(rowBytes * static_cast<std::size_t>(image.height));
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(viewport[0], viewport[1], image.width, image.height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
  image.rgb.resize(bottomUp.size());
  for (int row = 0; row < image.height; ++row) {
    std::memcpy(image.rgb.data() + static_cast<std::size_t>(row) * rowBytes,
                bottomUp.data() + static_cast<std::size_t>(image.height - 1 - row) * rowBytes, rowBytes);
  }
  return image;
}

}  // namespace

void GlGraphics::setView(int width, int height, float fieldOfView, float aspect) {
  viewWidth_ = width;
  viewHeight_ = height;
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(static_cast<double>(fieldOfView), static_cast<double>(aspect), kNearPlane, kFarPlane);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

bool GlGraphics::initRenderState() {
  if (look_) look_->forgetTextures();
  if (buffers_) buffers_->forgetBuffers();
  glShadeModel(GL_SMOOTH);
  glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
  glClearDepth(1.0);
  // Default culling: back faces, counter-clockwise front faces.
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);
  glDepthFunc(GL_LEQUAL);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
  glPolygonMode(GL_FRONT, GL_FILL);
  const GLfloat ambient[4] = {0.5f, 0.5f, 0.5f, 1.0f};
  const GLfloat diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  // Given while the model-view matrix is the identity (setView has just
  // reset it): the light sits at (0, 2, 3) in eye coordinates and moves
  // with the viewer.
  const GLfloat position[4] = {0.0f, 2.0f, 3.0f, 1.0f};
  glLightfv(GL_LIGHT1, GL_AMBIENT, ambient);
  glLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
  glLightfv(GL_LIGHT1, GL_POSITION, position);
  glEnable(GL_LIGHT1);
  glEnable(GL_LIGHTING);
  // Default colour-material mode: the renderer's colour drives ambient and
  // diffuse material.
  glEnable(GL_COLOR_MATERIAL);
  return true;
}

bool GlGraphics::drawFrame(const ShellState& shell) {
  assert(shell.treeRoot != nullptr && shell.frameLog != nullptr);
  // Made once the level is built, before the first frame's time starts: the
  // frame rates compare the frames alone.
  if (!look_) {
    look_ = std::make_unique<LookDrawer>(shell.scene, shell.look, shell.levelLook);
    if (!options_.immediate) buffers_ = std::make_unique<SpaceBuffers>(shell.scene, *shell.treeRoot, *look_);
  }
  const auto now = std::chrono::steady_clock::now();
  const double framesPerSecond =
      lastFrameStart_ ? 1.0 / std::max(std::chrono::duration<double>(now - *lastFrameStart_).count(), 1e-9) : 0.0;
  lastFrameStart_ = now;
  if (!firstFrameStart_) {
    firstFrameStart_ = now;
    // The tree does not change while frames run: count it once.
    for (const BspNode* space : collectSpaces(*shell.treeRoot)) {
      ++stats_.levelSpaces;
      stats_.levelTriangles += space->triangles.size();
    }
  }
  const CullingInputs inputs{
      .links = shell.links, .sight = shell.sightRegions, .vis = shell.visibleSets, .backoff = &narrowBackoff_};
  const FrameExtras extras{.outlinePassages = shell.outlinePassages,
                           .cullingCamera = shell.frozenCulling ? &*shell.frozenCulling : nullptr,
                           .mode = shell.viewMode,
                           .look = look_.get(),
                           .buffers = buffers_.get()};
  const FrameCounts counts = pw::drawFrame(shell.scene, *shell.treeRoot, shell.camera, *shell.frameLog,
                                           shell.culling, inputs, extras);
  if (shell.readout) {
    const ReadoutFigures figures{
        .framesPerSecond = framesPerSecond, .counts = counts, .culling = shell.culling, .mode = shell.viewMode,
        .camera = shell.camera};
    drawReadout(readoutText(figures), viewWidth_, viewHeight_);
  }
  ++stats_.frames;
  stats_.spacesDrawn += static_cast<std::uint64_t>(counts.spaces);
  stats_.trianglesDrawn += counts.triangles;
  if (options_.frameLines != nullptr) {
    printFrameLine(*options_.frameLines, stats_.frames, static_cast<std::uint64_t>(counts.spaces), counts.triangles,
                   stats_);
  }
  if (options_.captureFrames) lastFrame_ = readBackBuffer();
  stats_.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - *firstFrameStart_).count();
  return true;
}

Image GlGraphics::captureFrame() { return readBackBuffer(); }

}  // namespace pw
