// The OpenGL work the shell asks for: the view of a client area, the fixed
// render state of a new context and one frame. Behind an interface so that
// the shell's order of steps can be tested without a context.
#pragma once

#include "app/viewer/screenshot.h"

namespace pw {

struct ShellState;

class Graphics {
 public:
  virtual ~Graphics() = default;

  // Viewport (0, 0, width, height), the perspective projection of
  // (fieldOfView, aspect), then the identity model-view matrix, selected.
  virtual void setView(int width, int height, float fieldOfView, float aspect) = 0;
  // The fixed state of a newly current context; false when it cannot be set.
  virtual bool initRenderState() = 0;
  // One frame from `shell`'s camera, tree and Scene, with its line written to
  // `shell.frameLog`. False would end the frame loop.
  virtual bool drawFrame(const ShellState& shell) = 0;
  // The frame just drawn, before it is presented (F12).
  virtual Image captureFrame() = 0;
};

}  // namespace pw
