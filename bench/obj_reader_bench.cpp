// Reading speed of the OBJ reader against tinyobjloader on the same file in
// the same run. The file is a height-field grid of about a million triangles
// written the way exporters often write them: every face repeats the "v" lines
// of its corners (so each grid point appears up to six times and the reader
// must merge), with one "vt" and one "vn" line per face and v/t/n corners.
//
// Both readers get the file from the page cache (it was just written); each
// is timed several times, alternating, and its best time counts. Wall time
// and process CPU time are both shown: on a loaded machine the CPU time is
// the steadier figure.
#include <tiny_obj_loader.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "scene/obj_reader.h"
#include "scene/scene.h"

namespace {

constexpr int kGridSize = 708;  // 708 x 708 quads: 1,002,528 triangles
constexpr int kRounds = 3;

void appendNumber(std::string& out, double value) {
  char digits[32];
  const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 4);
  (void)error;
  out.append(digits, end);
}

void appendLine(std::string& out, const char* keyword, std::initializer_list<double> numbers) {
  out += keyword;
  for (const double n : numbers) {
    out += ' ';
    appendNumber(out, n);
  }
  out += '\n';
}

// Writes the grid; returns the number of triangles.
std::uint64_t writeGrid(const std::filesystem::path& path) {
  const auto height = [](int i, int j) { return 0.5 * std::sin(i * 0.05) * std::cos(j * 0.07); };
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::string text;
  std::uint64_t triangles = 0;
  std::uint64_t vertexLines = 0;
  for (int i = 0; i < kGridSize; ++i) {
    for (int j = 0; j < kGridSize; ++j) {
      // Two triangles per quad, corners counter-clockwise from above.
      const int corners[2][3][2] = {{{i, j}, {i + 1, j}, {i + 1, j + 1}}, {{i, j}, {i + 1, j + 1}, {i, j + 1}}};
      for (const auto& triangle : corners) {
        for (const auto& c : triangle) appendLine(text, "v", {c[0] * 0.25, c[1] * 0.25, height(c[0], c[1])});
        appendLine(text, "vt", {i / double(kGridSize), j / double(kGridSize)});
        appendLine(text, "vn", {0.0, 0.0, 1.0});
        ++triangles;
        text += 'f';
        for (int k = 1; k <= 3; ++k) {
          const std::string v = std::to_string(vertexLines + k);
          const std::string tn = std::to_string(triangles);
          text += ' ' + v + '/' + tn + '/' + tn;
        }
        text += '\n';
        vertexLines += 3;
      }
    }
    out << text;
    text.clear();
  }
  return triangles;
}

struct Timing {
  double wallSeconds = 1e300;
  double cpuSeconds = 1e300;
};

// Runs `read` once and keeps the shorter times in `best`.
template <class Read>
void timeBest(Read read, Timing& best) {
  const std::clock_t cpuStart = std::clock();
  const auto wallStart = std::chrono::steady_clock::now();
  read();
  const auto wallEnd = std::chrono::steady_clock::now();
  const std::clock_t cpuEnd = std::clock();
  best.wallSeconds = std::min(best.wallSeconds, std::chrono::duration<double>(wallEnd - wallStart).count());
  best.cpuSeconds = std::min(best.cpuSeconds, static_cast<double>(cpuEnd - cpuStart) / CLOCKS_PER_SEC);
}

void printTiming(const char* name, const Timing& timing, double megabytes) {
  std::printf("%-22s wall %.3f s (%.1f MB/s), cpu %.3f s (%.1f MB/s)\n", name, timing.wallSeconds,
              megabytes / timing.wallSeconds, timing.cpuSeconds, megabytes / timing.cpuSeconds);
}

}  // namespace

int main() {
  const std::filesystem::path path = std::filesystem::temp_directory_path() / "portalwalk_obj_reader_bench.obj";
  const std::uint64_t triangles = writeGrid(path);
  const double megabytes = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
  std::printf("file: %s, %.1f MB, %llu triangles\n", path.c_str(), megabytes,
              static_cast<unsigned long long>(triangles));

  Timing ours;
  Timing tiny;
  for (int round = 0; round < kRounds; ++round) {
    timeBest(
        [&] {
          pw::Scene scene;
          const pw::ObjReadReport report = pw::ObjReader(path).read(scene);
          if (round == 0) {
            std::printf("portalwalk: %d vertices, %d normals, %d triangles, %llu skipped lines\n", scene.vertexCount(),
                        scene.normalCount(), scene.triangleCount(),
                        static_cast<unsigned long long>(report.skippedLines));
          }
        },
        ours);
    timeBest(
        [&] {
          tinyobj::attrib_t attrib;
          std::vector<tinyobj::shape_t> shapes;
          std::vector<tinyobj::material_t> materials;
          std::string warn, err;
          const bool ok = tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, path.c_str());
          if (round == 0) {
            std::size_t indices = 0;
            for (const tinyobj::shape_t& shape : shapes) indices += shape.mesh.indices.size();
            std::printf("tinyobjloader: %s, %zu vertices (not merged), %zu normals, %zu triangles\n",
                        ok ? "ok" : err.c_str(), attrib.vertices.size() / 3, attrib.normals.size() / 3, indices / 3);
          }
        },
        tiny);
  }
  std::filesystem::remove(path);

  printTiming("portalwalk ObjReader:", ours, megabytes);
  printTiming("tinyobjloader LoadObj:", tiny, megabytes);
  std::printf("speed ratio (portalwalk / tinyobjloader): wall %.2f, cpu %.2f\n", tiny.wallSeconds / ours.wallSeconds,
              tiny.cpuSeconds / ours.cpuSeconds);
  return 0;
}
