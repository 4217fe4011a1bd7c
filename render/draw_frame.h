// One frame of the viewer: the Spaces the culling chooses, drawn with GL,
// and the frame's "log.txt" line.
#pragma once

#include <cstdint>
#include <ostream>

#include "culling/camera.h"
#include "culling/region_traversal.h"
#include "culling/space_traversal.h"

namespace pw {

class Scene;
struct BspNode;
struct OpenLinks;
struct EmptyRegions;
class VisibleSets;

struct FrameCounts {
  std::int32_t spaces = 0;
  std::uint64_t triangles = 0;
};

// Which Spaces a frame draws: those reached through the designed portal
// fragments; through fragments and open links (sound on any level); or all.
enum class Culling { Designed, Sound, Narrow, All };

// What the viewer may add to a frame for level builders; the default adds
// nothing and the frame is drawn as designed.
struct FrameExtras {
  // Outline the passages the culling tested (see drawPassageOutlines) over
  // the Spaces.
  bool outlinePassages = false;
  // Choose the Spaces, and the passages outlined, from this camera (non-owning)
  // while the picture is drawn from the frame's own; null: the frame's own.
  const Camera* cullingCamera = nullptr;
  // Limits every mode to the eye's visible set (non-owning); null: no limit.
  const VisibleSets* vis = nullptr;
};

// One frame, with the GL context current and the model-view matrix mode
// selected: clear, view transform from the camera (pitch about x, then yaw
// about y, then the translation, in degrees), the Spaces drawn in one
// glBegin/glEnd pair (the eye's Space green, the others red, per-corner
// normals from the Scene), and the frame's line written to `frameLog`.
// `links` is needed for Culling::Sound, `sight` for Culling::Narrow.
// The line always gives the frame's own eye and the number of Spaces drawn.
FrameCounts drawFrame(const Scene& scene, const BspNode& root, const Camera& camera, std::ostream& frameLog,
                      Culling culling = Culling::Designed, const OpenLinks* links = nullptr,
                      const EmptyRegions* sight = nullptr, const FrameExtras& extras = {});

// The "log.txt" line: the eye's single-precision x, y, z in the stream's
// default float format, "  spaces: " and the count, then a line end and a
// flush. At the start position with three Spaces: "-1.6 0.2 0.4  spaces: 3".
void writeFrameLine(std::ostream& frameLog, const Camera& camera, std::int32_t spacesDrawn);

}  // namespace pw
