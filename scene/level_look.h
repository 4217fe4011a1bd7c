// A level's look made whole: the materials its OBJ uses, found in the
// libraries it names, with their images loaded. Nothing here fails for want
// of a file: an unknown material is drawn plain, a missing or unreadable
// image as a checker pattern, and the report says which.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "scene/material_library.h"
#include "scene/scene_look.h"

namespace pw {

// An RGBA picture, rows from the top, 4 bytes a pixel.
struct TextureImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;
};

struct LookReport {
  std::uint64_t librariesNamed = 0;
  std::vector<std::string> librariesMissing;  // as the OBJ names them
  std::uint64_t materialsDefined = 0;         // in the libraries read
  std::uint64_t materialsUsed = 0;            // distinct "usemtl" names
  std::vector<std::string> materialsUnknown;  // used, defined nowhere
  std::uint64_t imagesNamed = 0;              // distinct map_Kd files of used materials
  std::uint64_t imagesLoaded = 0;
  std::vector<std::string> imagesMissing;     // missing or unreadable, as the libraries name them
  std::uint64_t otherStatements = 0;          // of the libraries, counted and skipped
  std::uint64_t skippedLines = 0;
  std::uint64_t texCoordsOutOfRange = 0;

  // Whether the OBJ asked for any look at all (a library or a material).
  bool any() const { return librariesNamed != 0 || materialsUsed != 0; }
  // One line: "materials: 3 used, 4 defined in 1 of 1 libraries; images: 2
  // of 3 loaded", then what is missing, each list naming its files.
  std::string summary() const;
};

struct LevelLook {
  // By SceneLook material index; an unknown name has the default Material.
  std::vector<Material> materials;
  // By material index: its image in `images`, or -1 for none.
  std::vector<std::int32_t> imageOf;
  // The images, each loaded once however many materials share it; a missing
  // or unreadable one is the checker pattern. Empty unless decoded.
  std::vector<TextureImage> images;
  LookReport report;
};

// The look of `look`'s materials, libraries named relative to `objFolder`.
// With `decodeImages` false the images are only checked (their headers
// read), as a compiler that draws nothing needs no pixels.
LevelLook loadLevelLook(const SceneLook& look, const std::filesystem::path& objFolder, bool decodeImages);

// What stands in for a missing image: an 8 x 8 checker of magenta and black.
TextureImage checkerImage();

}  // namespace pw
