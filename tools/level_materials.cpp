#include "tools/level_materials.h"

#include <stb_image_write.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

namespace pw {
namespace {

// Units of the level per repeat of an image.
constexpr double kTextureTile = 1.0;
constexpr int kImageSize = 32;
// A face whose normal's y is beyond this is a floor (up) or a ceiling (down).
constexpr double kLevelFace = 0.7;

const char* materialOf(const Point3& normal) {
  if (normal.y > kLevelFace) return kFloorMaterial;
  if (normal.y < -kLevelFace) return kCeilingMaterial;
  return kWallMaterial;
}

// u, v of `p` on the plane across the normal's largest axis.
std::array<double, 2> projected(const Point3& p, const Point3& normal) {
  const double ax = std::abs(normal.x), ay = std::abs(normal.y), az = std::abs(normal.z);
  if (ay >= ax && ay >= az) return {p.x / kTextureTile, p.z / kTextureTile};
  if (ax >= az) return {p.z / kTextureTile, p.y / kTextureTile};
  return {p.x / kTextureTile, p.y / kTextureTile};
}

// Floor tiles (four light and dark squares) or bricks (rows offset by half),
// with dark joints, as RGB.
std::vector<std::uint8_t> makeImage(bool bricks) {
  std::vector<std::uint8_t> rgb;
  for (int y = 0; y < kImageSize; ++y) {
    for (int x = 0; x < kImageSize; ++x) {
      const int half = kImageSize / 2;
      const int shifted = bricks && (y / (half / 2)) % 2 == 1 ? (x + half / 2) % kImageSize : x;
      const bool joint = bricks ? (y % (half / 2) == 0 || shifted % half == 0) : (x % half == 0 || y % half == 0);
      const bool light = (x / half + y / half) % 2 == 0;
      const std::array<std::uint8_t, 3> colour = joint    ? std::array<std::uint8_t, 3>{60, 60, 60}
                                                 : bricks ? std::array<std::uint8_t, 3>{170, 80, 50}
                                                 : light  ? std::array<std::uint8_t, 3>{220, 210, 160}
                                                          : std::array<std::uint8_t, 3>{90, 110, 170};
      rgb.insert(rgb.end(), colour.begin(), colour.end());
    }
  }
  return rgb;
}

}  // namespace

void writeObjWithMaterials(std::ostream& out, const Mesh& mesh, const std::string& library) {
  std::ostringstream plain;
  writeObj(plain, mesh);
  // writeObj's lines up to the faces, then the faces with their looks.
  const std::string text = plain.str();
  const std::size_t faces = text.find("\nf ");
  out << "mtllib " << library << '\n' << text.substr(0, faces == std::string::npos ? text.size() : faces + 1);
  char line[128];
  for (const Mesh::Face& face : mesh.faces) {
    const Point3& n = mesh.normals[static_cast<std::size_t>(face.normals[0])];
    for (const std::int32_t corner : face.positions) {
      const std::array<double, 2> uv = projected(mesh.positions[static_cast<std::size_t>(corner)], n);
      std::snprintf(line, sizeof line, "vt %.9g %.9g\n", uv[0], uv[1]);
      out << line;
    }
  }
  const char* current = nullptr;
  std::size_t texCoord = 1;
  for (const Mesh::Face& face : mesh.faces) {
    const char* material = materialOf(mesh.normals[static_cast<std::size_t>(face.normals[0])]);
    if (material != current) out << "usemtl " << material << '\n';
    current = material;
    out << 'f';
    for (int k = 0; k < 3; ++k) {
      out << ' ' << face.positions[static_cast<std::size_t>(k)] + 1 << '/' << texCoord++ << '/'
          << face.normals[static_cast<std::size_t>(k)] + 1;
    }
    out << '\n';
  }
}

bool writeMaterialFiles(const std::filesystem::path& library, std::string& error) {
  const std::filesystem::path folder = library.parent_path();
  std::ofstream out(library);
  out << "# portalwalk levelgen materials\n"
      << "newmtl " << kFloorMaterial << "\nKd 1 1 1\nmap_Kd " << kFloorImage << "\n\n"
      << "newmtl " << kWallMaterial << "\nKd 1 1 1\nmap_Kd " << kWallImage << "\n\n"
      << "newmtl " << kCeilingMaterial << "\nKd 0.6 0.7 0.9\n";
  out.close();
  if (!out) {
    error = "cannot write " + library.string();
    return false;
  }
  for (const auto& [name, bricks] : {std::pair{kFloorImage, false}, {kWallImage, true}}) {
    const std::vector<std::uint8_t> rgb = makeImage(bricks);
    if (stbi_write_png((folder / name).c_str(), kImageSize, kImageSize, 3, rgb.data(), kImageSize * 3) == 0) {
      error = "cannot write " + (folder / name).string();
      return false;
    }
  }
  return true;
}

}  // namespace pw
