#include "compile/vis_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <sstream>
#include <system_error>

#include "bsp/bsp_node.h"
#include "scene/scene.h"
#include "support/whole_file.h"

namespace pw {
namespace {

constexpr const char* kMagic = "PVS2";
// The first format, without a checksum.
constexpr const char* kOldMagic = "PVS1";
// The header is one short line; a file without a line end this early is no
// sets file (and /dev/zero is never read to the end).
constexpr std::size_t kMaxHeaderBytes = 512;

std::uint64_t bytesPerRow(std::uint64_t spaces) { return (spaces + 7) / 8; }

// FNV-1a over the row bytes: catches any flipped bit or swapped byte.
class RowChecksum {
 public:
  void add(unsigned char byte) {
    hash_ ^= byte;
    hash_ *= 0x100000001b3ULL;
  }
  std::uint64_t value() const { return hash_; }

 private:
  std::uint64_t hash_ = 0xcbf29ce484222325ULL;
};

// The file's rows, bytes in file order.
std::string rowBytes(const VisibleSets& sets) {
  const std::uint64_t words = VisibleSets::wordsPerRow(sets.spaces());
  std::string bytes;
  bytes.reserve(sets.spaces() * bytesPerRow(sets.spaces()));
  for (std::uint64_t row = 0; row < sets.spaces(); ++row) {
    for (std::uint64_t byte = 0; byte < bytesPerRow(sets.spaces()); ++byte) {
      const std::uint64_t word = sets.words()[row * words + byte / 8];
      bytes.push_back(static_cast<char>(word >> (8 * (byte % 8)) & 0xFFU));
    }
  }
  return bytes;
}

std::uint64_t checksumOf(const std::string& bytes) {
  RowChecksum sum;
  for (const char byte : bytes) sum.add(static_cast<unsigned char>(byte));
  return sum.value();
}

// The header line without its line end; unset when there is none within
// kMaxHeaderBytes.
std::optional<std::string> readHeader(std::istream& in) {
  std::string header;
  char c = 0;
  while (header.size() < kMaxHeaderBytes && in.get(c)) {
    if (c == '\n') return header;
    header.push_back(c);
  }
  return std::nullopt;
}

}  // namespace

VisFingerprint visFingerprint(const Scene& scene, const BspNode& root) {
  return {collectSpaces(root).size(), static_cast<std::uint64_t>(scene.triangleCount())};
}

bool writeVisFile(const std::filesystem::path& path, const VisibleSets& sets, const VisFingerprint& level,
                  std::string& error) {
  const std::string rows = rowBytes(sets);
  return writeWholeFile(
      path, error,
      [&](std::ostream& out) {
        const Bounds& box = sets.eyeBox();
        out << kMagic << ' ' << level.spaces << ' ' << level.triangles << std::setprecision(17);
        for (const double c : {box.min.x, box.min.y, box.min.z, box.max.x, box.max.y, box.max.z}) out << ' ' << c;
        out << ' ' << std::hex << checksumOf(rows) << '\n';
        out.write(rows.data(), static_cast<std::streamsize>(rows.size()));
      },
      std::ios::binary);
}

std::optional<VisibleSets> readVisFile(const std::filesystem::path& path, const VisFingerprint& level,
                                       std::string& error) {
  std::error_code status;
  if (!std::filesystem::is_regular_file(path, status)) {
    error = status ? status.message() : "not a regular file";
    return std::nullopt;
  }
  const std::uintmax_t fileBytes = std::filesystem::file_size(path, status);
  std::ifstream in(path, std::ios::binary);
  if (status || !in) {
    error = status ? status.message() : std::strerror(errno);
    return std::nullopt;
  }
  const std::optional<std::string> header = readHeader(in);
  std::istringstream fields(header.value_or(""));
  std::string magic;
  VisFingerprint file;
  Bounds box;
  std::uint64_t checksum = 0;
  if (header && fields >> magic && magic == kOldMagic) {
    error = "written by an older portalbuild: make it again with portalbuild --vis";
    return std::nullopt;
  }
  if (!header || magic != kMagic ||
      !(fields >> file.spaces >> file.triangles >> box.min.x >> box.min.y >> box.min.z >> box.max.x >> box.max.y >>
        box.max.z >> std::hex >> checksum)) {
    error = "not a visible-sets file";
    return std::nullopt;
  }
  if (file != level) {
    error = "made for another build (" + std::to_string(file.spaces) + " Spaces, " + std::to_string(file.triangles) +
            " triangles; this one has " + std::to_string(level.spaces) + " and " + std::to_string(level.triangles) +
            ")";
    return std::nullopt;
  }
  // The Space count matches this build's, so the size below is bounded by
  // the level, not by what the file claims.
  const std::uint64_t rowsBytes = file.spaces * bytesPerRow(file.spaces);
  const std::uint64_t expected = header->size() + 1 + rowsBytes;
  if (fileBytes != expected) {
    error = fileBytes < expected ? "cut short" : "longer than its header says";
    return std::nullopt;
  }
  std::string rows(rowsBytes, '\0');
  if (!in.read(rows.data(), static_cast<std::streamsize>(rows.size()))) {
    error = "cut short";
    return std::nullopt;
  }
  if (checksumOf(rows) != checksum) {
    error = "damaged: its checksum does not match its rows";
    return std::nullopt;
  }
  VisibleSets sets(file.spaces, box);
  const std::uint64_t words = VisibleSets::wordsPerRow(file.spaces);
  const std::uint64_t rowSize = bytesPerRow(file.spaces);
  for (std::uint64_t byte = 0; byte < rows.size(); ++byte) {
    const std::uint64_t r = byte / rowSize;
    const std::uint64_t b = byte % rowSize;
    sets.words()[r * words + b / 8] |= std::uint64_t{static_cast<unsigned char>(rows[byte])} << (8 * (b % 8));
  }
  return sets;
}

}  // namespace pw
