// One frame of the viewer: the Spaces the culling chooses, drawn with GL,
// and the frame's "log.txt" line.
#pragma once

#include <array>
#include <cstdint>
#include <ostream>

#include "culling/camera.h"
#include "culling/choose_spaces.h"
#include "render/view_mode.h"

namespace pw {

class Scene;
struct BspNode;
class LookDrawer;
class SpaceBuffers;

// The designed colours: the eye's own Space, always drawn first, and the
// others.
inline constexpr std::array<double, 3> kEyeSpaceColour = {0.0, 0.5, 0.0};
inline constexpr std::array<double, 3> kOtherSpaceColour = {0.75, 0.0, 0.0};

struct FrameCounts {
  std::int32_t spaces = 0;
  std::uint64_t triangles = 0;
  // Wall-clock time of choosing the Spaces and of handing them to GL (for
  // the readout only).
  double cullingSeconds = 0.0;
  double drawingSeconds = 0.0;
};

// What the viewer may add to a frame for level builders; the default adds
// nothing: the frame shows the chosen Spaces alone, seen from its own camera.
struct FrameExtras {
  // Outline the passages the culling tested (see drawPassageOutlines) over
  // the Spaces.
  bool outlinePassages = false;
  // Choose the Spaces, and the passages outlined, from this camera (non-owning)
  // while the picture is drawn from the frame's own; null: the frame's own.
  const Camera* cullingCamera = nullptr;
  // How the chosen Spaces are coloured; any mode but ViewMode::Spaces needs
  // `look` (non-owning).
  ViewMode mode = ViewMode::Spaces;
  LookDrawer* look = nullptr;
  // Draw from these buffers (non-owning), made for this Scene and tree, in
  // every mode; null: in immediate mode, the reference path.
  SpaceBuffers* buffers = nullptr;
};

// One frame, with the GL context current and the model-view matrix mode
// selected: clear, view transform from the camera (pitch about x, then yaw
// about y, then the translation, in degrees), the Spaces drawn in one
// glBegin/glEnd pair (the eye's Space green, the others red, per-corner
// normals from the Scene; other view modes through the look drawer) or from
// the buffers, and the frame's line written to `frameLog`, the same in every
// mode and either way.
// The Spaces are those `culling` chooses (see chooseSpaces) with `inputs`.
// The line always gives the frame's own eye and the number of Spaces drawn.
FrameCounts drawFrame(const Scene& scene, const BspNode& root, const Camera& camera, std::ostream& frameLog,
                      Culling culling, const CullingInputs& inputs, const FrameExtras& extras = {});

// The "log.txt" line: the eye's single-precision x, y, z in the stream's
// default float format, "  spaces: " and the count, then a line end and a
// flush. At the start position with three Spaces: "-1.6 0.2 0.4  spaces: 3".
void writeFrameLine(std::ostream& frameLog, const Camera& camera, std::int32_t spacesDrawn);

}  // namespace pw
