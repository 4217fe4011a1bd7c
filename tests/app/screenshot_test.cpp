#include <gtest/gtest.h>

#include "app/screenshot.h"
#include "tests/app/png_reader.h"
#include "tests/support/scratch_dir.h"

namespace pw {
namespace {

using testing_support::ScratchDir;

Image gradient(int width, int height) {
  Image image{width, height, {}};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      image.rgb.push_back(static_cast<std::uint8_t>(x * 40));
      image.rgb.push_back(static_cast<std::uint8_t>(y * 60));
      image.rgb.push_back(static_cast<std::uint8_t>(x + y));
    }
  }
  return image;
}

TEST(Screenshot, pngKeepsEveryPixelAndTheRowOrder) {
  const ScratchDir dir;
  const Image image = gradient(5, 3);
  std::string error;
  ASSERT_TRUE(writePng(dir.file("shot.png"), image, error)) << error;
  const auto back = testing_support::readPng(dir.file("shot.png"));
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->width, 5);
  EXPECT_EQ(back->height, 3);
  EXPECT_EQ(back->rgb, image.rgb);
}

TEST(Screenshot, refusesAnEmptyOrInconsistentImage) {
  const ScratchDir dir;
  std::string error;
  EXPECT_FALSE(writePng(dir.file("empty.png"), Image{}, error));
  EXPECT_EQ(error, "no frame to save");
  Image shortRows = gradient(4, 4);
  shortRows.rgb.pop_back();
  EXPECT_FALSE(writePng(dir.file("short.png"), shortRows, error));
  EXPECT_FALSE(std::filesystem::exists(dir.file("empty.png")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("short.png")));
}

TEST(Screenshot, reportsAFileThatCannotBeWritten) {
  const ScratchDir dir;
  std::string error;
  EXPECT_FALSE(writePng(dir.file("no such folder") / "shot.png", gradient(2, 2), error));
  EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
}

}  // namespace
}  // namespace pw
