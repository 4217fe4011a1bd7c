#include "app/viewer/screenshot.h"

#include <png.h>

#include <cstdio>
#include <memory>

namespace pw {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// Writes rows with libpng; false when libpng reports an error. libpng reports
// through longjmp, so nothing with a destructor is created in this frame after
// the setjmp.
bool encode(std::FILE* file, const Image& image, std::vector<png_bytep>& rows) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
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
  bool written = false;
  {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName.c_str(), "wb"));
    if (!file) {
      error = "cannot open " + fileName.string() + " for writing";
      return false;
    }
    written = encode(file.get(), image, rows);
    // A full disk shows up when the buffered rest is written out.
    if (std::fflush(file.get()) != 0) written = false;
  }
  if (!written) {
    std::error_code ignored;
    std::filesystem::remove(fileName, ignored);
    error = "cannot write " + fileName.string();
  }
  return written;
}

}  // namespace pw
