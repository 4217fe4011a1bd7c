#include "tools/level_export.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <set>
#include <string_view>

#include "geometry/triangle_normal.h"
#include "tools/face_mesh.h"
#include "tools/level_entities.h"
#include "tools/level_visibility.h"

namespace pw {
namespace {

// Appends the shortest decimal that reads back as `value`; -0 is written
// as 0 (negating Quake's y makes many).
void appendNumber(std::string& line, float value) {
  char text[32];
  const auto [end, error] = std::to_chars(text, text + sizeof text, value + 0.0f);
  line.append(text, end);
}

void appendPoint(std::string& line, const Point3& p) {
  for (const double c : {p.x, p.y, p.z}) {
    line += ' ';
    appendNumber(line, static_cast<float>(c));
  }
}

Point3 asFloats(const Point3& p) {
  return {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)};
}

// A material name the OBJ's whitespace-separated fields keep whole.
std::string materialName(std::string_view shader) {
  std::string name(shader.empty() ? "unnamed" : shader);
  for (char& c : name) {
    if (static_cast<unsigned char>(c) <= ' ') c = '_';
  }
  return name;
}

// A light colour of its own per shader (FNV-1a of the name), so that
// neighbouring surfaces differ in viewers that use the library.
void appendPlainColour(std::string& line, std::string_view name) {
  std::uint32_t hash = 2166136261u;
  for (const char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  for (int shift = 0; shift < 24; shift += 8) {
    line += ' ';
    appendNumber(line, 0.5f + static_cast<float>(hash >> shift & 0xff) / 510.0f);
  }
}

// Writes the faces one at a time; a point is written when a triangle first
// uses it.
class ObjFaceWriter {
 public:
  ObjFaceWriter(std::ostream& out, std::ostream& mtl) : out_(out), mtl_(mtl) {}

  // The triangles written of this face.
  std::uint64_t write(const FaceMesh& mesh, const std::string& material, ImportSummary& summary) {
    std::vector<Point3> positions;
    positions.reserve(mesh.points.size());
    for (const SurfacePoint& point : mesh.points) positions.push_back(asFloats(kLevelScale * toViewerAxes(point.position)));
    number_.assign(mesh.points.size(), 0);
    std::uint64_t written = 0;
    for (const auto& triangle : mesh.triangles) {
      // The plane normal as the Scene makes it from the same floats.
      const Point3 normal = triangleNormal(positions[static_cast<std::size_t>(triangle[0])],
                                           positions[static_cast<std::size_t>(triangle[1])],
                                           positions[static_cast<std::size_t>(triangle[2])]);
      if (normal.x == 0.0 && normal.y == 0.0 && normal.z == 0.0) {
        ++summary.degenerateTriangles;
        continue;
      }
      if (material != material_) useMaterial(material, summary);
      line_ = "f";
      for (const std::int32_t corner : triangle) {
        const std::string n = std::to_string(numberOf(mesh, positions, static_cast<std::size_t>(corner)));
        line_.append(" ").append(n).append("/").append(n).append("/").append(n);
      }
      line_ += '\n';
      out_ << line_;
      ++written;
    }
    return written;
  }

 private:
  // The 1-based OBJ number of point k, writing its v, vt and vn lines first
  // if it has none yet.
  std::uint64_t numberOf(const FaceMesh& mesh, const std::vector<Point3>& positions, std::size_t k) {
    if (number_[k] != 0) return number_[k];
    const SurfacePoint& point = mesh.points[k];
    std::string lines = "v";
    appendPoint(lines, positions[k]);
    lines += "\nvt ";
    appendNumber(lines, static_cast<float>(point.texCoord[0]));
    lines += ' ';
    appendNumber(lines, static_cast<float>(1.0 - point.texCoord[1]));
    lines += "\nvn";
    appendPoint(lines, toViewerAxes(point.normal));
    lines += '\n';
    out_ << lines;
    number_[k] = ++points_;
    return number_[k];
  }

  void useMaterial(const std::string& material, ImportSummary& summary) {
    material_ = material;
    out_ << "usemtl " << material << '\n';
    if (!declared_.insert(material).second) return;
    ++summary.materials;
    std::string entry = "newmtl " + material + "\nKd";
    appendPlainColour(entry, material);
    entry += "\n\n";
    mtl_ << entry;
  }

  std::ostream& out_;
  std::ostream& mtl_;
  std::string line_;
  std::optional<std::string> material_;
  std::set<std::string> declared_;
  std::vector<std::uint64_t> number_;  // per point of the current face; 0: not written
  std::uint64_t points_ = 0;
};

void writeStart(std::ostream& out, const StartLine& start) {
  std::string line;
  appendPoint(line, start.eye);
  line += ' ';
  appendNumber(line, static_cast<float>(start.yaw));
  char share[32];
  const auto [end, error] = std::to_chars(share, share + sizeof share, start.visibleShare, std::chars_format::fixed, 4);
  line.append(" ").append(share, end).append("\n");
  out << line.substr(1);
}

}  // namespace

Point3 toViewerAxes(const Point3& quake) { return {quake.x, quake.z, -quake.y}; }

double viewerYaw(double quakeAngle) {
  const double yaw = std::fmod(90.0 - quakeAngle, 360.0);
  return yaw < 0.0 ? yaw + 360.0 : yaw;
}

ImportSummary exportLevel(const ibsp::Level& level, const ImportOutputs& out) {
  // The starts' leaves first: bad entities or a node loop fail the import
  // before anything is written.
  struct Start {
    Point3 eye;  // the level's axes and units
    double angle;
    std::int32_t cluster;
  };
  std::vector<Start> starts;
  for (const PlayerStart& start : playerStarts(parseEntities(level.entities))) {
    const Point3 eye = start.origin + Point3{0.0, 0.0, kViewHeight};
    const std::int32_t leaf = leafAt(level, eye);
    starts.push_back({eye, start.angle, leaf < 0 ? -1 : level.leaves[static_cast<std::size_t>(leaf)].cluster});
  }

  ImportSummary summary;
  out.obj << "# a Quake III level (IBSP 46), model 0, drawn faces only; see levelimport --help\n"
          << "mtllib " << out.mtlFileName << '\n';
  out.mtl << "# one plain colour per shader; shader images are not named (levelimport --help)\n\n";
  ObjFaceWriter writer(out.obj, out.mtl);
  std::vector<std::uint64_t> trianglesPerFace(level.faces.size(), 0);
  const ibsp::Model& world = level.models[0];
  for (std::int32_t f = world.firstFace; f < world.firstFace + world.faceCount; ++f) {
    const ibsp::Face& face = level.faces[static_cast<std::size_t>(f)];
    const ibsp::Shader& shader = level.shaders[static_cast<std::size_t>(face.shader)];
    if (const std::optional<SkipKind> skip = skippedBecause(face, shader)) {
      ++summary.skippedFaces[static_cast<std::size_t>(*skip)];
      continue;
    }
    const std::uint64_t written = writer.write(faceMesh(level, face), materialName(shader.name), summary);
    trianglesPerFace[static_cast<std::size_t>(f)] = written;
    summary.trianglesWritten += written;
    if (face.type == ibsp::kPatch) {
      ++summary.patches;
      summary.patchTriangles += written;
    }
  }

  for (const Start& start : starts) {
    const StartLine line{asFloats(kLevelScale * toViewerAxes(start.eye)), viewerYaw(start.angle),
                         visibleShare(level, start.cluster, trianglesPerFace)};
    writeStart(out.starts, line);
    summary.starts.push_back(line);
  }
  return summary;
}

}  // namespace pw
