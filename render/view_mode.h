// How a frame colours what the culling chose. Spaces is the designed view
// (the eye's Space green, the others red), which shows the culling; the
// others show the level as made.
#pragma once

#include <optional>
#include <string_view>

namespace pw {

enum class ViewMode {
  Spaces,    // the designed colours
  Textured,  // the materials' colours and images, lit as Spaces are
  Flat,      // one lit grey
  Normals,   // unlit, each face coloured by its plane normal
};

// The command line's and the readout's names: "spaces", "textured", "flat",
// "normals".
std::string_view viewModeName(ViewMode mode);
std::optional<ViewMode> viewModeNamed(std::string_view name);
// The mode after `mode`, in the order above, the last followed by the first.
ViewMode nextViewMode(ViewMode mode);

}  // namespace pw
