#include "diag/open_edges.h"

#include <fstream>
#include <locale>
#include <unordered_map>

#include "scene/mesh_edges.h"
#include "scene/scene.h"
#include "support/whole_file.h"

namespace pw {

bool writeOpenEdgesObj(const std::filesystem::path& path, const Scene& scene, const MeshEdges& edges,
                       std::string& error) {
  return writeWholeFile(path, error, [&](std::ofstream& out) {
    out.imbue(std::locale::classic());
    // Positions came from 32-bit floats: nine significant digits give them back.
    out.precision(9);
    out << "# " << edges.open.size() << " open edges (used by one triangle only)\n";
    std::unordered_map<std::int32_t, std::uint64_t> number;
    std::string lines;
    for (const auto& edge : edges.open) {
      std::uint64_t ends[2];
      for (int k = 0; k < 2; ++k) {
        const auto [at, added] = number.try_emplace(edge[static_cast<std::size_t>(k)], number.size() + 1);
        if (added) {
          const Point3& p = scene.vertex(edge[static_cast<std::size_t>(k)]);
          out << "v " << p.x << ' ' << p.y << ' ' << p.z << '\n';
        }
        ends[k] = at->second;
      }
      lines += "l " + std::to_string(ends[0]) + ' ' + std::to_string(ends[1]) + '\n';
    }
    out << lines;
  });
}

}  // namespace pw
