// Saving a drawn frame as a PNG file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace pw {

// An RGB picture: rows from the top, 3 bytes a pixel, no padding.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
};

// Writes `image` as an 8-bit RGB PNG. On failure (an empty image, a file that
// cannot be written) returns false with the reason in `error`; a partly
// written file is left behind: whatever `fileName` held before stays.
bool writePng(const std::filesystem::path& fileName, const Image& image, std::string& error);

// "portalwalk-NNNN.png" in `folder` (empty: the working directory) with the
// lowest number from 1 whose file does not exist, so that no earlier
// screenshot is overwritten; four digits at least.
std::filesystem::path nextScreenshotName(const std::filesystem::path& folder);

}  // namespace pw
