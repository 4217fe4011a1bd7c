// Which faces of a Quake III level are never drawn and are left out of the
// imported mesh, and why. The shader's surface and content flags decide
// first; the names of the editor's tool shaders ("textures/common/caulk",
// ".../clip", ".../trigger", ...) and of sky shaders ("textures/skies/...")
// catch shaders compiled without their flags.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "tools/ibsp_file.h"

namespace pw {

enum class SkipKind {
  billboard,    // face type 4: a sprite drawn facing the eye (flares)
  otherType,    // a face type other than 1 to 4
  sky,          // SURF_SKY or a sky shader
  fog,          // the boundary of a fog volume (CONTENTS_FOG)
  trigger,      // CONTENTS_TRIGGER or a trigger shader
  clip,         // player, monster or bot clip: collision only
  hint,         // SURF_HINT / SURF_SKIP: BSP splitting hints
  nodraw,       // SURF_NODRAW, caulk and the other tool shaders
};
inline constexpr std::size_t kSkipKindCount = 8;

// Its word in the importer's summary.
const char* skipKindName(SkipKind kind);

// Why `face` is left out, or nothing when it is drawn.
std::optional<SkipKind> skippedBecause(const ibsp::Face& face, const ibsp::Shader& shader);

}  // namespace pw
