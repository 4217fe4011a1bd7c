#include "diag/point_file.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <locale>
#include <string_view>
#include <system_error>

#include "support/whole_file.h"

namespace pw {
namespace {

// A trail is a few points a unit: a longer file is none of ours.
constexpr std::uintmax_t kMaxPointFileBytes = 64ULL << 20;

// "x y z": three numbers, one space between them, nothing else.
bool isPointLine(std::string_view line) {
  for (int field = 0; field < 3; ++field) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), value);
    if (error != std::errc() || end == line.data()) return false;
    line.remove_prefix(static_cast<std::size_t>(end - line.data()));
    if (field < 2) {
      if (!line.starts_with(' ')) return false;
      line.remove_prefix(1);
    }
  }
  return line.empty();
}

}  // namespace

bool writePointFile(const std::filesystem::path& file, const std::vector<Point3>& path, double spacing,
                    std::string& error) {
  return writeWholeFile(file, error, [&](std::ofstream& out) {
    out.imbue(std::locale::classic());
    out.precision(9);
    const auto write = [&out](const Point3& p) { out << p.x << ' ' << p.y << ' ' << p.z << '\n'; };
    if (path.empty()) return;
    write(path.front());
    // How far along the current leg the next point lies.
    double next = spacing;
    for (std::size_t i = 0; i + 1 < path.size(); ++i) {
      const Point3 leg = path[i + 1] - path[i];
      const double length = std::sqrt(dot(leg, leg));
      for (; next < length; next += spacing) write(path[i] + (next / length) * leg);
      next -= length;
    }
    if (path.size() > 1) write(path.back());
  });
}

bool isPointFile(const std::filesystem::path& file) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(file, error))) return false;
  const std::uintmax_t bytes = std::filesystem::file_size(file, error);
  if (error || bytes == 0 || bytes > kMaxPointFileBytes) return false;
  std::ifstream in(file, std::ios::binary);
  std::string text(bytes, '\0');
  if (!in.read(text.data(), static_cast<std::streamsize>(bytes)) || text.back() != '\n') return false;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find('\n', start);
    if (!isPointLine(std::string_view(text).substr(start, end - start))) return false;
    start = end + 1;
  }
  return true;
}

}  // namespace pw
