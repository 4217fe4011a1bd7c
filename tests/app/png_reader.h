// Reading a PNG back for the tests, through libpng's simplified API.
#pragma once

#include <png.h>

#include <filesystem>
#include <optional>

#include "app/viewer/screenshot.h"

namespace pw::testing_support {

inline std::optional<Image> readPng(const std::filesystem::path& fileName) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&png, fileName.c_str()) == 0) return std::nullopt;
  png.format = PNG_FORMAT_RGB;
  Image image;
  image.width = static_cast<int>(png.width);
  image.height = static_cast<int>(png.height);
  image.rgb.resize(PNG_IMAGE_SIZE(png));
  if (png_image_finish_read(&png, nullptr, image.rgb.data(), 0, nullptr) == 0) {
    png_image_free(&png);
    return std::nullopt;
  }
  return image;
}

}  // namespace pw::testing_support
