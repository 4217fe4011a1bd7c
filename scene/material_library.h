// Reading Wavefront material libraries (.mtl): the statements a viewer needs
// to colour and texture a level, "newmtl", "Kd", "map_Kd" and "d". Every
// other statement is counted and skipped; a line that cannot be read whole
// is skipped and counted, never used in part.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace pw {

struct Material {
  std::string name;
  // "Kd": the diffuse colour, which also tints the diffuse map.
  std::array<float, 3> diffuse{1.0f, 1.0f, 1.0f};
  // "d": 1 opaque, 0 fully see-through.
  float opacity = 1.0f;
  // "map_Kd": the image file, relative names taken from the library's
  // folder; empty: none. Options before the name (-s, -o, ...) are dropped.
  std::filesystem::path diffuseMap;
};

struct MtlReport {
  std::uint64_t materials = 0;        // "newmtl" lines
  std::uint64_t otherStatements = 0;  // counted and skipped (Ka, Ks, illum, ...)
  std::uint64_t skippedLines = 0;     // unreadable, or before any "newmtl"
};

// Appends the materials of `text`, a library in `folder`.
void readMtlText(std::string_view text, const std::filesystem::path& folder, std::vector<Material>& materials,
                 MtlReport& report);

// The same from a file; false (nothing appended) when it cannot be read.
bool readMtlFile(const std::filesystem::path& fileName, std::vector<Material>& materials, MtlReport& report);

}  // namespace pw
