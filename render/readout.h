// The readout: one line of figures drawn in the window's top left corner
// (stb_easy_font's strokes, white on a dark band), for measuring a level
// while walking it.
#pragma once

#include <cstdint>
#include <string>

#include "culling/camera.h"
#include "culling/choose_spaces.h"
#include "render/draw_frame.h"
#include "render/view_mode.h"

namespace pw {

struct ReadoutFigures {
  double framesPerSecond = 0.0;  // from the time between the last two frames
  FrameCounts counts;            // the last frame's
  Culling culling = Culling::Designed;
  ViewMode mode = ViewMode::Spaces;
  Camera camera;
};

// "61 fps  16.4 ms (cull 0.3, draw 1.2)  3 spaces  96 tris  designed
// spaces  eye -1.6 0.2 0.4 yaw 0"
std::string readoutText(const ReadoutFigures& figures);

// Draws `text` over the frame in the top left corner of a `width` x
// `height` viewport; the render state is as it was afterwards.
void drawReadout(const std::string& text, int width, int height);

}  // namespace pw
