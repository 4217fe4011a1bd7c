#include "compile/vis_file.h"

#include <algorithm>
#include <bit>
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

constexpr const char* kMagic = "PVS3";
// The earlier formats: whole bit rows, without (PVS1) and with a checksum.
constexpr const char* kOldMagics[] = {"PVS1", "PVS2"};
// The header is one short line; a file without a line end this early is no
// sets file (and /dev/zero is never read to the end).
constexpr std::size_t kMaxHeaderBytes = 512;

// FNV-1a: catches any flipped bit or swapped byte.
class Fnv {
 public:
  void add(unsigned char byte) {
    hash_ ^= byte;
    hash_ *= 0x100000001b3ULL;
  }
  void add(std::uint64_t word) {
    for (int b = 0; b < 8; ++b) add(static_cast<unsigned char>(word >> (8 * b) & 0xFFU));
  }
  std::uint64_t value() const { return hash_; }

 private:
  std::uint64_t hash_ = 0xcbf29ce484222325ULL;
};

std::uint64_t checksumOf(const std::string& bytes) {
  Fnv sum;
  for (const char byte : bytes) sum.add(static_cast<unsigned char>(byte));
  return sum.value();
}

void putNumber(std::string& out, std::uint64_t value) {
  while (value >= 0x80) {
    out.push_back(static_cast<char>((value & 0x7FU) | 0x80U));
    value >>= 7;
  }
  out.push_back(static_cast<char>(value));
}

void putDouble(std::string& out, double value) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  for (int b = 0; b < 8; ++b) out.push_back(static_cast<char>(bits >> (8 * b) & 0xFFU));
}

// Reads the body back; every read fails, and stays failed, past its end.
class BodyReader {
 public:
  explicit BodyReader(const std::string& bytes) : bytes_(bytes) {}
  bool ok() const { return ok_; }
  bool atEnd() const { return at_ == bytes_.size(); }
  std::uint64_t left() const { return bytes_.size() - at_; }
  std::uint64_t number() {
    std::uint64_t value = 0;
    for (int shift = 0; ok_ && shift < 64; shift += 7) {
      if (at_ == bytes_.size()) break;
      const auto byte = static_cast<unsigned char>(bytes_[at_++]);
      value |= std::uint64_t{byte & 0x7FU} << shift;
      if ((byte & 0x80U) == 0) return value;
    }
    ok_ = false;
    return 0;
  }
  double real() {
    if (left() < 8) {
      ok_ = false;
      return 0.0;
    }
    std::uint64_t bits = 0;
    for (int b = 0; b < 8; ++b) bits |= std::uint64_t{static_cast<unsigned char>(bytes_[at_++])} << (8 * b);
    return std::bit_cast<double>(bits);
  }
  void fail() { ok_ = false; }

 private:
  const std::string& bytes_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

constexpr std::uint64_t kPlaneBytes = 48;

std::string bodyOf(const VisibleSets& sets) {
  std::string body;
  for (std::uint64_t space = 1; space <= sets.spaces(); ++space) {
    const SpaceEyes& eyes = sets.eyes(space);
    body.push_back(static_cast<char>(eyes.sources));
    if (eyes.listed.empty()) continue;
    putNumber(body, eyes.listed.size());
    for (const ConvexSides& region : eyes.listed) {
      putNumber(body, region.size());
      for (const Plane& side : region) {
        for (const Point3& p : {side.normal, side.anchor}) {
          for (const double c : {p.x, p.y, p.z}) putDouble(body, c);
        }
      }
    }
  }
  for (std::uint64_t space = 1; space <= sets.spaces(); ++space) {
    bool seeing = false;
    std::uint64_t run = 0;
    for (std::uint64_t to = 1; to <= sets.spaces(); ++to) {
      if (sets.sees(space, to) != seeing) {
        putNumber(body, run);
        seeing = !seeing;
        run = 0;
      }
      ++run;
    }
    putNumber(body, run);
  }
  return body;
}

// The sets from a body that passed its checksum; false when it does not
// hold what the header says.
bool readBody(const std::string& bytes, VisibleSets& sets) {
  BodyReader in(bytes);
  for (std::uint64_t space = 1; space <= sets.spaces() && in.ok(); ++space) {
    SpaceEyes& eyes = sets.eyes(space);
    const std::uint64_t sources = in.number();
    if (sources > static_cast<std::uint64_t>(SpaceSources::OnlyThe)) return false;
    eyes.sources = static_cast<SpaceSources>(sources);
    if (eyes.sources == SpaceSources::All || eyes.sources == SpaceSources::None) continue;
    const std::uint64_t regions = in.number();
    if (regions == 0 || regions > in.left()) return false;
    eyes.listed.resize(regions);
    for (ConvexSides& region : eyes.listed) {
      const std::uint64_t sides = in.number();
      if (sides > in.left() / kPlaneBytes) return false;
      region.resize(sides);
      for (Plane& side : region) {
        for (Point3* p : {&side.normal, &side.anchor}) {
          p->x = in.real();
          p->y = in.real();
          p->z = in.real();
        }
      }
    }
  }
  for (std::uint64_t space = 1; space <= sets.spaces() && in.ok(); ++space) {
    bool seeing = false;
    for (std::uint64_t to = 1; to <= sets.spaces() + 1 && in.ok(); seeing = !seeing) {
      const std::uint64_t run = in.number();
      if (run > sets.spaces() + 1 - to) return false;
      for (std::uint64_t k = 0; seeing && k < run; ++k) sets.add(space, to + k);
      to += run;
      if (to == sets.spaces() + 1) break;
    }
  }
  return in.ok() && in.atEnd();
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

std::string headerOf(const VisibleSets& sets, const VisFingerprint& level, const std::string& body) {
  std::ostringstream out;
  const Bounds& box = sets.eyeBox();
  out << kMagic << ' ' << level.spaces << ' ' << level.triangles << ' ' << std::hex << level.corners << std::dec
      << ' ' << sets.making.full << ' ' << sets.making.sealed << std::setprecision(17);
  for (const double c : {box.min.x, box.min.y, box.min.z, box.max.x, box.max.y, box.max.z}) out << ' ' << c;
  out << ' ' << body.size() << ' ' << std::hex << checksumOf(body) << '\n';
  return out.str();
}

}  // namespace

VisFingerprint visFingerprint(const Scene& scene, const BspNode& root) {
  Fnv corners;
  for (std::int32_t t = 0; t < scene.triangleCount(); ++t) {
    for (const Point3& p : scene.corners(t)) {
      for (const double c : {p.x, p.y, p.z}) corners.add(std::bit_cast<std::uint64_t>(c));
    }
  }
  return {collectSpaces(root).size(), static_cast<std::uint64_t>(scene.triangleCount()), corners.value()};
}

std::uint64_t visFileBytes(const VisibleSets& sets, const VisFingerprint& level) {
  const std::string body = bodyOf(sets);
  return headerOf(sets, level, body).size() + body.size();
}

bool writeVisFile(const std::filesystem::path& path, const VisibleSets& sets, const VisFingerprint& level,
                  std::string& error) {
  const std::string body = bodyOf(sets);
  const std::string header = headerOf(sets, level, body);
  return writeWholeFile(
      path, error,
      [&](std::ostream& out) {
        out << header;
        out.write(body.data(), static_cast<std::streamsize>(body.size()));
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
  SetsMaking making;
  Bounds box;
  std::uint64_t bodyBytes = 0;
  std::uint64_t checksum = 0;
  if (header && fields >> magic && std::find(std::begin(kOldMagics), std::end(kOldMagics), magic) != std::end(kOldMagics)) {
    error = "written by an older portalbuild: make it again with portalbuild --vis";
    return std::nullopt;
  }
  if (!header || magic != kMagic ||
      !(fields >> file.spaces >> file.triangles >> std::hex >> file.corners >> std::dec >> making.full >>
        making.sealed >> box.min.x >> box.min.y >> box.min.z >> box.max.x >> box.max.y >> box.max.z >> bodyBytes >>
        std::hex >> checksum)) {
    error = "not a visible-sets file";
    return std::nullopt;
  }
  if (file.spaces != level.spaces || file.triangles != level.triangles) {
    error = "made for another build (" + std::to_string(file.spaces) + " Spaces, " + std::to_string(file.triangles) +
            " triangles; this one has " + std::to_string(level.spaces) + " and " + std::to_string(level.triangles) +
            ")";
    return std::nullopt;
  }
  if (file.corners != level.corners) {
    error = "made for another build (its triangles lie elsewhere)";
    return std::nullopt;
  }
  const std::uint64_t expected = header->size() + 1 + bodyBytes;
  if (fileBytes != expected) {
    error = fileBytes < expected ? "cut short" : "longer than its header says";
    return std::nullopt;
  }
  // The file's size bounds the body: what is read is there.
  std::string body(bodyBytes, '\0');
  if (!in.read(body.data(), static_cast<std::streamsize>(body.size()))) {
    error = "cut short";
    return std::nullopt;
  }
  if (checksumOf(body) != checksum) {
    error = "damaged: its checksum does not match its body";
    return std::nullopt;
  }
  VisibleSets sets(file.spaces, box);
  sets.making = making;
  if (!readBody(body, sets)) {
    error = "damaged: its body does not hold what its header says";
    return std::nullopt;
  }
  return sets;
}

}  // namespace pw
