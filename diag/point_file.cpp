#include "diag/point_file.h"

#include <cmath>
#include <locale>

#include "diag/whole_file.h"

namespace pw {

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

}  // namespace pw
