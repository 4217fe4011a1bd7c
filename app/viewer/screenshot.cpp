#include "app/viewer/screenshot.h"

#include <png.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/whole_file.h"

namespace pw {
namespace {

// libpng's output goes into this string; the file is written whole after.
void appendBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* bytes = static_cast<std::string*>(png_get_io_ptr(png));
  bytes->append(reinterpret_cast<const char*>(data), length);
}

void flushNothing(png_structp) {}

// Encodes rows with libpng; false when libpng reports an error. libpng reports
// through longjmp, so nothing with a destructor is created in this frame after
// the setjmp.
bool encode(std::string& bytes, const Image& image, std::vector<png_bytep>& rows) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, &bytes, appendBytes, flushNothing);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool writePng(const std::filesystem::path& fileName, const Image& image, std::string& error) {
  const auto rowBytes = static_cast<std::size_t>(image.width) * 3;
  if (image.width <= 0 || image.height <= 0 || image.rgb.size() != rowBytes * static_cast<std::size_t>(image.height)) {
    error = "no frame to save";
    return false;
  }
  std::vector<png_bytep> rows(static_cast<std::size_t>(image.height));
  for (std::size_t row = 0; row < rows.size(); ++row) {
    // libpng's row pointers are not const, but writing only reads them.
    rows[row] = const_cast<png_bytep>(image.rgb.data() + row * rowBytes);
  }
  std::string bytes;
  if (!encode(bytes, image, rows)) {
    error = "cannot encode the frame as PNG";
    return false;
  }
  std::string reason;
  if (!writeWholeFile(
          fileName, reason,
          [&bytes](std::ofstream& out) { out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())); },
          std::ios::binary)) {
    error = "cannot write " + fileName.string() + ": " + reason;
    return false;
  }
  return true;
}

std::filesystem::path nextScreenshotName(const std::filesystem::path& folder) {
  for (unsigned number = 1;; ++number) {
    char name[32];
    std::snprintf(name, sizeof name, "portalwalk-%04u.png", number);
    std::error_code ignored;
    if (!std::filesystem::exists(folder / name, ignored)) return folder / name;
  }
}

}  // namespace pw
