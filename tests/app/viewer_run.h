// The built viewer run under a virtual X server with Mesa's software OpenGL,
// and what its frames look like: shared by the end-to-end suites.
#pragma once

#include <png.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/viewer/screenshot.h"
#include "tests/helpers/scratch_dir.h"

namespace pw::testing_support {

// A PNG read back through libpng's simplified API.
inline std::optional<Image> readPng(const std::filesystem::path& fileName) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&png, fileName.c_str()) == 0) return std::nullopt;
  png.format = PNG_FORMAT_RGB;
  Image image;
  image.width = static_cast<int>(png.width);
  image.height = static_cast<int>(png.height);
  image.rgb.resize(PNG_IMAGE_SIZE(png));
  if (png_image_finish_read(&png, nullptr, image.rgb.data(), 0, nullptr) != 0) return image;
  png_image_free(&png);
  return std::nullopt;
}

inline std::string quoted(const std::string& text) { return "'" + text + "'"; }

// Runs the viewer with `arguments` in `dir`, under xvfb-run with a
// 1280 x 1024 screen, with no terminal on standard input as in a script.
inline ProgramRun runViewer(const ScratchDir& dir, const std::string& arguments) {
  std::string command;
  // Under AddressSanitizer, LeakSanitizer finds blocks that SDL's D-Bus
  // connection and Mesa's dlopen'ed driver never free, outside this project
  // and without usable stacks. The shell's own paths are leak-checked through
  // the fake platform (app_tests); here only the program's behaviour is
  // checked. Other builds ignore the variable.
  command += "ASAN_OPTIONS=detect_leaks=0 ";
  // The X authority file in the run's own folder: xvfb-run's own temporary
  // folder, removed at its end, has failed to go under load (exit 5 in place
  // of the viewer's code).
  command += "LIBGL_ALWAYS_SOFTWARE=1 timeout 300 xvfb-run -a -f xauthority -s '-screen 0 1280x1024x24' ";
  command += quoted(PORTALWALK_VIEWER_BINARY) + " " + arguments;
  return runProgram(dir, command);
}

// The pixels whose colours differ; the images are the same size.
inline std::size_t differingPixels(const Image& a, const Image& b) {
  std::size_t differing = 0;
  for (std::size_t i = 0; i + 2 < a.rgb.size(); i += 3) differing += !std::equal(&a.rgb[i], &a.rgb[i] + 3, &b.rgb[i]);
  return differing;
}

// A run's "log.txt" and the frames F12 saved, taken out of `dir` so that
// the next run numbers its own from 1 again.
struct SavedFrames {
  ProgramRun run;
  std::string frameLog;
  std::vector<Image> frames;
};

inline SavedFrames runSavingFrames(const ScratchDir& dir, const std::string& arguments) {
  SavedFrames saved{runViewer(dir, arguments), readFile(dir.file("log.txt")), {}};
  for (int number = 1;; ++number) {
    char name[32];
    std::snprintf(name, sizeof name, "portalwalk-%04d.png", number);
    std::optional<Image> frame = readPng(dir.file(name));
    if (!frame) break;
    saved.frames.push_back(std::move(*frame));
    std::filesystem::remove(dir.file(name));
  }
  return saved;
}

// Runs the viewer with `arguments` (which save frames with F12) drawing
// from buffers, then with --immediate, the reference: the same "log.txt",
// the same `frames` frames saved, each with at most `ties` pixels apart
// (coincident faces of one Space may tie the other way). Returns the frames
// drawn from buffers.
inline std::vector<Image> expectBuffersDrawAsImmediate(const ScratchDir& dir, const std::string& arguments,
                                                       std::size_t frames, std::size_t ties) {
  const SavedFrames buffers = runSavingFrames(dir, arguments);
  const SavedFrames immediate = runSavingFrames(dir, arguments + " --immediate");
  EXPECT_EQ(buffers.run.exitCode, 0) << buffers.run.err;
  EXPECT_EQ(immediate.run.exitCode, 0) << immediate.run.err;
  EXPECT_EQ(buffers.frameLog, immediate.frameLog);
  EXPECT_EQ(buffers.frames.size(), frames);
  if (buffers.frames.size() != frames || immediate.frames.size() != frames) return {};
  for (std::size_t i = 0; i < frames; ++i) {
    EXPECT_LE(differingPixels(buffers.frames[i], immediate.frames[i]), ties) << "frame saved " << i + 1;
  }
  return buffers.frames;
}

}  // namespace pw::testing_support
