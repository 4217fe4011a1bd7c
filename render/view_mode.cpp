#include "render/view_mode.h"

#include <array>

namespace pw {
namespace {

constexpr std::array<std::string_view, 4> kNames = {"spaces", "textured", "flat", "normals"};  // ViewMode's order

}  // namespace

std::string_view viewModeName(ViewMode mode) { return kNames[static_cast<std::size_t>(mode)]; }

std::optional<ViewMode> viewModeNamed(std::string_view name) {
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    if (kNames[i] == name) return static_cast<ViewMode>(i);
  }
  return std::nullopt;
}

ViewMode nextViewMode(ViewMode mode) { return static_cast<ViewMode>((static_cast<std::size_t>(mode) + 1) % kNames.size()); }

}  // namespace pw
