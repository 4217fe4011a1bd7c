// Where the viewer starts on a level: the eye asked for when it stands in an
// enclosed empty space (collision/enclosure.h), else the level's first start
// point (LEVEL.starts beside it, as levelimport writes it), else over the
// floor of the roomiest enclosed place found. An eye given with --eye stays
// where it was asked for.
#pragma once

#include <filesystem>
#include <string>

#include "collision/body.h"
#include "culling/camera.h"

namespace pw {

class Scene;

struct StartPlace {
  Camera camera;
  // The body's figures: imported levels (with a start-points file) are on
  // their own scale.
  Body body;
  // What to tell the user on standard output, and the warning for standard
  // error; empty when the eye asked for is used as it is.
  std::string note;
  std::string warning;
};

// `asked` is the start camera of the options; `eyeGiven`: --eye set it.
StartPlace chooseStartPlace(const Scene& scene, const std::filesystem::path& levelPath, const Camera& asked,
                            bool eyeGiven);

}  // namespace pw
