#include "compile/vis_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <sstream>

#include "bsp/bsp_node.h"
#include "diag/whole_file.h"
#include "scene/scene.h"

namespace pw {
namespace {

constexpr const char* kMagic = "PVS1";

std::uint64_t bytesPerRow(std::uint64_t spaces) { return (spaces + 7) / 8; }

}  // namespace

VisFingerprint visFingerprint(const Scene& scene, const BspNode& root) {
  return {collectSpaces(root).size(), static_cast<std::uint64_t>(scene.triangleCount())};
}

bool writeVisFile(const std::filesystem::path& path, const VisibleSets& sets, const VisFingerprint& level,
                  std::string& error) {
  return writeWholeFile(path, error, [&](std::ostream& out) {
    const Bounds& box = sets.eyeBox();
    out << kMagic << ' ' << level.spaces << ' ' << level.triangles << std::setprecision(17);
    for (const double c : {box.min.x, box.min.y, box.min.z, box.max.x, box.max.y, box.max.z}) out << ' ' << c;
    out << '\n';
    const std::uint64_t words = VisibleSets::wordsPerRow(sets.spaces());
    for (std::uint64_t row = 0; row < sets.spaces(); ++row) {
      for (std::uint64_t byte = 0; byte < bytesPerRow(sets.spaces()); ++byte) {
        const std::uint64_t word = sets.words()[row * words + byte / 8];
        out.put(static_cast<char>(word >> (8 * (byte % 8)) & 0xFFU));
      }
    }
  });
}

std::optional<VisibleSets> readVisFile(const std::filesystem::path& path, const VisFingerprint& level,
                                       std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = std::strerror(errno);
    return std::nullopt;
  }
  std::string header;
  std::getline(in, header);
  std::istringstream fields(header);
  std::string magic;
  VisFingerprint file;
  Bounds box;
  if (!(fields >> magic >> file.spaces >> file.triangles >> box.min.x >> box.min.y >> box.min.z >> box.max.x >>
        box.max.y >> box.max.z) ||
      magic != kMagic) {
    error = "not a visible-sets file";
    return std::nullopt;
  }
  if (file != level) {
    error = "made for another build (" + std::to_string(file.spaces) + " Spaces, " + std::to_string(file.triangles) +
            " triangles; this one has " + std::to_string(level.spaces) + " and " + std::to_string(level.triangles) +
            ")";
    return std::nullopt;
  }
  VisibleSets sets(file.spaces, box);
  const std::uint64_t words = VisibleSets::wordsPerRow(file.spaces);
  std::string row(bytesPerRow(file.spaces), '\0');
  for (std::uint64_t r = 0; r < file.spaces; ++r) {
    if (!in.read(row.data(), static_cast<std::streamsize>(row.size()))) {
      error = "cut short";
      return std::nullopt;
    }
    for (std::uint64_t byte = 0; byte < row.size(); ++byte) {
      sets.words()[r * words + byte / 8] |= std::uint64_t{static_cast<unsigned char>(row[byte])} << (8 * (byte % 8));
    }
  }
  if (in.peek() != std::char_traits<char>::eof()) {
    error = "longer than its header says";
    return std::nullopt;
  }
  return sets;
}

}  // namespace pw
