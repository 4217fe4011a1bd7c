#include "tools/level_surfaces.h"

#include <string_view>

namespace pw {
namespace {

// Quake III's surface flags ...
constexpr std::int32_t kSurfSky = 0x4;
constexpr std::int32_t kSurfNodraw = 0x80;
constexpr std::int32_t kSurfHint = 0x100;
constexpr std::int32_t kSurfSkip = 0x200;
// ... and content flags.
constexpr std::int32_t kContentsFog = 0x40;
constexpr std::int32_t kContentsPlayerClip = 0x10000;
constexpr std::int32_t kContentsMonsterClip = 0x20000;
constexpr std::int32_t kContentsBotClip = 0x400000;
constexpr std::int32_t kContentsTrigger = 0x40000000;

constexpr std::string_view kToolShaders = "textures/common/";
constexpr std::string_view kSkyShaders = "textures/skies/";

bool has(std::int32_t flags, std::int32_t flag) { return (flags & flag) != 0; }

// The kind a tool shader's name says, by a word in its last part
// ("textures/common/weapclip" is a clip).
std::optional<SkipKind> toolShaderKind(std::string_view name) {
  if (name.starts_with(kSkyShaders)) return SkipKind::sky;
  if (!name.starts_with(kToolShaders)) return std::nullopt;
  const std::string_view last = name.substr(kToolShaders.size());
  const auto says = [&](std::string_view word) { return last.find(word) != std::string_view::npos; };
  if (says("trigger")) return SkipKind::trigger;
  if (says("clip")) return SkipKind::clip;
  if (says("hint") || says("skip")) return SkipKind::hint;
  for (std::string_view word : {"caulk", "nodraw", "portal", "donotenter", "origin", "invisible", "lightgrid"}) {
    if (says(word)) return SkipKind::nodraw;
  }
  return std::nullopt;
}

}  // namespace

const char* skipKindName(SkipKind kind) {
  constexpr std::array<const char*, kSkipKindCount> kNames = {"billboard", "other type", "sky",  "fog",
                                                              "trigger",   "clip",       "hint", "nodraw"};
  return kNames[static_cast<std::size_t>(kind)];
}

std::optional<SkipKind> skippedBecause(const ibsp::Face& face, const ibsp::Shader& shader) {
  if (face.type == ibsp::kBillboard) return SkipKind::billboard;
  if (face.type != ibsp::kPolygon && face.type != ibsp::kMesh && face.type != ibsp::kPatch) return SkipKind::otherType;
  const std::int32_t surface = shader.surfaceFlags, contents = shader.contentFlags;
  if (has(surface, kSurfSky)) return SkipKind::sky;
  if (has(contents, kContentsFog)) return SkipKind::fog;
  if (has(contents, kContentsTrigger)) return SkipKind::trigger;
  if (has(contents, kContentsPlayerClip | kContentsMonsterClip | kContentsBotClip) && has(surface, kSurfNodraw)) {
    return SkipKind::clip;
  }
  if (has(surface, kSurfHint | kSurfSkip)) return SkipKind::hint;
  if (has(surface, kSurfNodraw)) return SkipKind::nodraw;
  return toolShaderKind(shader.name);
}

}  // namespace pw
