// The OpenGL implementation of the shell's graphics: the projection and the
// fixed render state of every new context, the portal renderer's frames, and
// the command line's extras (frame counts, a screenshot).
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <ostream>

#include "app/viewer/frame_stats.h"
#include "app/viewer/graphics.h"
#include "app/viewer/screenshot.h"
#include "culling/choose_spaces.h"
#include "render/draw_frame.h"
#include "render/look_drawer.h"
#include "render/space_buffers.h"

namespace pw {

class GlGraphics final : public Graphics {
 public:
  struct Options {
    // Read each drawn frame back from the back buffer (before it is
    // presented) so that the last one can be saved.
    bool captureFrames = false;
    // Where each frame's counts go as a line (--stats); null: nowhere.
    std::ostream* frameLines = nullptr;
    // Send every corner each frame (--immediate), the reference path,
    // instead of drawing from buffers made at the first frame.
    bool immediate = false;
  };

  explicit GlGraphics(Options options) : options_(options) {}

  void setView(int width, int height, float fieldOfView, float aspect) override;
  bool initRenderState() override;
  // Always true.
  bool drawFrame(const ShellState& shell) override;
  Image captureFrame() override;

  const FrameStats& stats() const { return stats_; }
  // Empty until a frame was drawn with captureFrames set.
  const Image& lastFrame() const { return lastFrame_; }

 private:
  Options options_;
  FrameStats stats_;
  std::optional<std::chrono::steady_clock::time_point> firstFrameStart_;
  Image lastFrame_;
  // Made at the first frame, once the level is built.
  std::unique_ptr<LookDrawer> look_;
  std::unique_ptr<SpaceBuffers> buffers_;  // null with `immediate`
  std::optional<std::chrono::steady_clock::time_point> lastFrameStart_;
  // Narrowed culling's memory of the frames before.
  NarrowBackoff narrowBackoff_;
  int viewWidth_ = 0;
  int viewHeight_ = 0;
};

}  // namespace pw
