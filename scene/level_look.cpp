#include "scene/level_look.h"

#include <stb_image.h>

#include <algorithm>
#include <map>
#include <sstream>

namespace pw {
namespace {

constexpr int kCheckerSize = 8;

// Appends ", name" for each of `names` after `what`, or nothing.
void listNames(std::ostringstream& line, const char* what, const std::vector<std::string>& names) {
  if (names.empty()) return;
  line << "; " << what << ":";
  for (const std::string& name : names) line << ' ' << name;
}

// The image at `path`: decoded to RGBA, or with `decode` false only its
// header read. False when it is missing or unreadable.
bool loadImage(const std::filesystem::path& path, bool decode, TextureImage& image) {
  int components = 0;
  if (!decode) return stbi_info(path.c_str(), &image.width, &image.height, &components) != 0;
  stbi_uc* pixels = stbi_load(path.c_str(), &image.width, &image.height, &components, 4);
  if (pixels == nullptr) return false;
  image.rgba.assign(pixels, pixels + static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 4);
  stbi_image_free(pixels);
  return true;
}

}  // namespace

std::string LookReport::summary() const {
  std::ostringstream line;
  line << "materials: " << materialsUsed << " used, " << materialsDefined << " defined in "
       << librariesNamed - librariesMissing.size() << " of " << librariesNamed << " libraries; images: "
       << imagesLoaded << " of " << imagesNamed << " loaded";
  listNames(line, "libraries missing", librariesMissing);
  listNames(line, "materials unknown", materialsUnknown);
  listNames(line, "images missing or unreadable (checker pattern)", imagesMissing);
  if (texCoordsOutOfRange != 0) line << "; " << texCoordsOutOfRange << " texture numbers out of range";
  return line.str();
}

TextureImage checkerImage() {
  TextureImage image{.width = kCheckerSize, .height = kCheckerSize, .rgba = {}};
  for (int y = 0; y < kCheckerSize; ++y) {
    for (int x = 0; x < kCheckerSize; ++x) {
      const std::uint8_t on = (x + y) % 2 == 0 ? 255 : 0;
      image.rgba.insert(image.rgba.end(), {on, 0, on, 255});
    }
  }
  return image;
}

LevelLook loadLevelLook(const SceneLook& look, const std::filesystem::path& objFolder, bool decodeImages) {
  LevelLook level;
  LookReport& report = level.report;
  report.texCoordsOutOfRange = look.texCoordsOutOfRange;
  report.librariesNamed = look.libraries.size();
  std::vector<Material> defined;
  MtlReport mtl;
  for (const std::string& library : look.libraries) {
    if (!readMtlFile(objFolder / library, defined, mtl)) report.librariesMissing.push_back(library);
  }
  report.materialsDefined = defined.size();
  report.otherStatements = mtl.otherStatements;
  report.skippedLines = mtl.skippedLines;

  report.materialsUsed = look.materialNames.size();
  std::map<std::filesystem::path, std::int32_t> imageIndex;  // each file loaded once
  for (const std::string& name : look.materialNames) {
    // The first definition of a name counts, as a later library repeats it.
    const auto found = std::find_if(defined.begin(), defined.end(), [&](const Material& m) { return m.name == name; });
    Material material;
    if (found != defined.end()) {
      material = *found;
    } else {
      material.name = name;
      report.materialsUnknown.push_back(name);
    }
    std::int32_t image = -1;
    if (!material.diffuseMap.empty()) {
      const auto [slot, isNew] = imageIndex.try_emplace(material.diffuseMap, static_cast<std::int32_t>(imageIndex.size()));
      if (isNew) {
        ++report.imagesNamed;
        TextureImage loaded;
        if (loadImage(material.diffuseMap, decodeImages, loaded)) {
          ++report.imagesLoaded;
        } else {
          report.imagesMissing.push_back(material.diffuseMap.lexically_relative(objFolder).string());
          loaded = checkerImage();
        }
        if (decodeImages) level.images.push_back(std::move(loaded));
      }
      image = slot->second;
    }
    level.materials.push_back(std::move(material));
    level.imageOf.push_back(image);
  }
  return level;
}

}  // namespace pw
