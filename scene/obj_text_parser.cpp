#include "scene/obj_text_parser.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

#include "scene/scene.h"
#include "scene/scene_look.h"

namespace pw {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LittleEndianMark = "\xFF\xFE";
constexpr std::string_view kUtf16BigEndianMark = "\xFE\xFF";
// What an unreadable "vt" line keeps in the look, so that the lines after it
// keep their numbers.
constexpr std::array<float, 2> kUnreadableTexCoord = {std::numeric_limits<float>::quiet_NaN(),
                                                      std::numeric_limits<float>::quiet_NaN()};

// A "v" or "vn" line's three numbers as a point, the 32-bit values widened,
// and their text from the first to the end of the third. The numbers are
// finite: readObjFloat reads no infinity or NaN.
bool readPoint(ObjCursor& cursor, Point3& point, std::string_view& numbers) {
  cursor.skipSpace();
  const char* const start = cursor.pos;
  std::array<float, 3> xyz{};
  if (!readObjFloats(cursor, xyz)) return false;
  point = {xyz[0], xyz[1], xyz[2]};
  numbers = {start, static_cast<std::size_t>(cursor.pos - start)};
  return true;
}

// One face corner, v/t/n or v//n; `texture` stays 0 for v//n.
bool readCorner(ObjCursor& cursor, std::int32_t& vertex, std::int32_t& texture, std::int32_t& normal) {
  cursor.skipSpace();
  if (!readObjIndex(cursor, vertex) || !cursor.nextIs('/')) return false;
  ++cursor.pos;
  if (!cursor.nextIs('/')) {
    if (!readObjIndex(cursor, texture) || !cursor.nextIs('/')) return false;
  }
  ++cursor.pos;
  cursor.skipSpace();
  return readObjIndex(cursor, normal) && cursor.atFieldEnd();
}

// Whether a face has a corner at the cursor: anything but the end of the
// line or a "#" comment, after whitespace (which is skipped).
bool anotherCorner(ObjCursor& cursor) {
  cursor.skipSpace();
  return !cursor.atEnd() && !cursor.nextIs('#');
}

// Whether a face's corners hold a relative number ("-1": the last "v" line
// so far), which this reader does not follow: the levels it was made for
// never use them, and a level that does is told why its faces are missing.
bool holdsRelativeNumber(std::string_view corners) {
  for (std::size_t i = 0; i + 1 < corners.size(); ++i) {
    const bool fieldStart = i == 0 || isObjSpace(corners[i - 1]) || corners[i - 1] == '/';
    if (corners[i] == '-' && fieldStart && isDigit(corners[i + 1])) return true;
  }
  return false;
}

// Keeps the first few line numbers of a kind of line.
void keepLineNumber(std::vector<std::uint64_t>& lines, std::uint64_t line) {
  if (lines.size() < ObjReadReport::kSkippedLinesKept) lines.push_back(line);
}

}  // namespace

ObjTextParser::ObjTextParser(Scene& scene, ObjReadReport& report, ObjReadOptions options)
    : maps_(scene),
      scene_(scene),
      report_(report),
      options_(options),
      startVertices_(scene.vertexCount()),
      startNormals_(scene.normalCount()) {}

void ObjLineCounter::feed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  std::size_t at = 0;
  while (at < text.size()) {
    if (started_ == 2) {  // skip to the next line
      const void* end = std::memchr(text.data() + at, '\n', text.size() - at);
      if (end == nullptr) return;
      at = static_cast<std::size_t>(static_cast<const char*>(end) - text.data()) + 1;
      started_ = 0;
      continue;
    }
    const char c = text[at];
    if (c == '\n') {  // a line of fewer than two characters
      started_ = 0;
      ++at;
      continue;
    }
    start_[started_++] = c;
    ++at;
    if (started_ < 2) continue;
    if (start_[0] == 'v' && blank(start_[1])) ++counts_.vertices;
    if (start_[0] == 'v' && start_[1] == 'n') ++counts_.normals;
    if (start_[0] == 'f' && blank(start_[1])) ++counts_.faces;
  }
}

std::size_t ObjTextParser::parse(std::string_view text, bool atEnd) {
  // UTF-16 text is refused whole. Read as bytes, every line of it would end
  // at the zero byte of its first character: an empty Scene with no word why.
  if (lineNumber_ == 0 && (text.starts_with(kUtf16LittleEndianMark) || text.starts_with(kUtf16BigEndianMark))) {
    report_.unsupportedEncoding = true;
    report_.failure = ObjReadReport::kUtf16Failure;
  }
  if (report_.unsupportedEncoding) return text.size();
  // Text written with CR alone as the line end would be one long line, of
  // which only the first data line counted. Only the end of the input shows
  // that no line feed comes: until a line feed is found nothing is consumed,
  // so the last call then holds the whole text.
  if (lineNumber_ == 0 && atEnd && text.find('\n') == std::string_view::npos &&
      text.find('\r') != std::string_view::npos) {
    report_.carriageReturnLineEnds = true;
    lineEnd_ = '\r';
  }

  std::size_t consumed = 0;
  while (consumed < text.size()) {
    const std::string_view rest = text.substr(consumed);
    const void* lineEnd = std::memchr(rest.data(), lineEnd_, rest.size());
    if (lineEnd == nullptr) {
      if (!atEnd) break;
      parseLine(rest);
      consumed = text.size();
      break;
    }
    const std::size_t length = static_cast<std::size_t>(static_cast<const char*>(lineEnd) - rest.data());
    parseLine(rest.substr(0, length));
    consumed += length + 1;
  }
  return consumed;
}

void ObjTextParser::parseLine(std::string_view line) {
  ++lineNumber_;
  ++report_.lines;
  if (lineNumber_ == 1 && line.starts_with(kByteOrderMark)) line.remove_prefix(kByteOrderMark.size());
  // The line's text ends at its first zero byte.
  if (const void* zero = std::memchr(line.data(), '\0', line.size())) {
    line = line.substr(0, static_cast<std::size_t>(static_cast<const char*>(zero) - line.data()));
  }

  ObjCursor cursor(line);
  const std::string_view keyword = cursor.token();
  // Most frequent keywords first.
  if (keyword == "v") {
    ++report_.vertexLines;
    if (!readPointLine(cursor, true)) return skipLine();
  } else if (keyword == "f") {
    ++report_.faceLines;
    const std::string_view corners(cursor.pos, static_cast<std::size_t>(cursor.end - cursor.pos));
    if (!readFace(cursor)) {
      if (holdsRelativeNumber(corners)) ++report_.relativeFaceLines;
      return skipLine();
    }
  } else if (keyword == "vn") {
    ++report_.normalLines;
    if (!readPointLine(cursor, false)) return skipLine();
  } else if (keyword == "vt") {
    ++report_.texCoordLines;
    std::array<float, 2> uv{};
    const bool read = readObjFloats(cursor, uv);
    if (options_.look != nullptr) options_.look->texCoords.push_back(read ? uv : kUnreadableTexCoord);
    if (!read) return skipLine();
  } else if (!keyword.empty() && !keyword.starts_with('#')) {
    ++report_.otherKeywordLines;
    if (options_.look != nullptr) readLookLine(keyword, cursor);
  }
}

void ObjTextParser::readLookLine(std::string_view keyword, ObjCursor& cursor) {
  SceneLook& look = *options_.look;
  if (keyword == "mtllib") {
    for (std::string_view name = cursor.token(); !name.empty(); name = cursor.token()) look.libraries.emplace_back(name);
  } else if (keyword == "usemtl") {
    const std::string_view name = cursor.token();
    const auto known = std::find(look.materialNames.begin(), look.materialNames.end(), name);
    material_ = static_cast<std::int32_t>(known - look.materialNames.begin());
    if (known == look.materialNames.end()) look.materialNames.emplace_back(name);
  }
}

void ObjTextParser::reserve(const ObjLineCounts& counts) {
  maps_.reserve(counts.vertices, counts.normals, counts.faces);
  if (options_.look != nullptr) options_.look->triangles.reserve(options_.look->triangles.size() + counts.faces);
}

void ObjTextParser::keepLook(std::int32_t firstTriangle, std::span<const std::int32_t> texCoords) {
  SceneLook& look = *options_.look;
  look.triangles.resize(static_cast<std::size_t>(firstTriangle));
  // A triangle k of the fan has the corners 0, k, k + 1 of the face.
  for (std::int32_t index = firstTriangle; index < scene_.triangleCount(); ++index) {
    const auto k = static_cast<std::size_t>(index - firstTriangle) + 1;
    TriangleLook& triangle = look.triangles.emplace_back();
    triangle.material = material_;
    const std::array<std::int32_t, 3> numbers = {texCoords[0], texCoords[k], texCoords[k + 1]};
    for (int corner = 0; corner < 3; ++corner) {
      triangle.corners[corner] = scene_.triangle(index).vertexIndex(corner);
      const std::int32_t number = numbers[static_cast<std::size_t>(corner)];
      if (number == 0) continue;  // v//n
      const auto at = static_cast<std::size_t>(number - 1);
      if (at < look.texCoords.size() && !std::isnan(look.texCoords[at][0])) {
        triangle.texCoords[corner] = static_cast<std::int32_t>(at);
      } else {
        ++look.texCoordsOutOfRange;
      }
    }
  }
}

bool ObjTextParser::readPointLine(ObjCursor& cursor, bool vertex) {
  Point3 point;
  std::string_view numbers;
  if (!readPoint(cursor, point, numbers)) {
    vertex ? maps_.addUnreadableVertex() : maps_.addUnreadableNormal();
    return false;
  }
  if (!vertex) {
    if (!maps_.addNormal(point)) return false;
    report_.normalsAdded = static_cast<std::uint64_t>(scene_.normalCount() - startNormals_);
    return true;
  }
  if (!maps_.addVertex(point, numbers)) return false;
  report_.verticesAdded = static_cast<std::uint64_t>(scene_.vertexCount() - startVertices_);
  report_.positionsMergedByRounding = maps_.positionsMergedByRounding();
  return true;
}

bool ObjTextParser::readFace(ObjCursor& cursor) {
  // One loop reads every corner (so that readCorner stays inline): the first
  // three into v and n, any later ones into the polygon's lists.
  std::array<std::int32_t, 3> v{}, t{}, n{};
  bool polygon = false;
  for (std::size_t corner = 0;; ++corner) {
    std::int32_t vertex = 0, texture = 0, normal = 0;
    if (!readCorner(cursor, vertex, texture, normal)) return false;
    if (corner < 3) {
      v[corner] = vertex;
      t[corner] = texture;
      n[corner] = normal;
    } else {
      polygonVertices_.push_back(vertex);
      polygonTexCoords_.push_back(texture);
      polygonNormals_.push_back(normal);
    }
    if (corner < 2) continue;
    if (!anotherCorner(cursor)) break;
    polygon = true;
    // Without triangulation what follows the third corner is not read.
    if (!options_.triangulate) break;
    if (corner == 2) {
      polygonVertices_.assign(v.begin(), v.end());
      polygonTexCoords_.assign(t.begin(), t.end());
      polygonNormals_.assign(n.begin(), n.end());
    }
  }
  const std::int32_t firstTriangle = scene_.triangleCount();
  if (!polygon || !options_.triangulate) {
    if (!maps_.addFace(v[0], v[1], v[2], n[0], n[1], n[2])) return false;
    ++report_.trianglesAdded;
    if (options_.look != nullptr) keepLook(firstTriangle, t);
  } else {
    if (!maps_.addFan(polygonVertices_, polygonNormals_)) return false;
    report_.trianglesAdded += polygonVertices_.size() - 2;
    ++report_.triangulatedFaces;
    if (options_.look != nullptr) keepLook(firstTriangle, polygonTexCoords_);
  }
  if (polygon) {
    ++report_.polygonFaces;
    keepLineNumber(report_.firstPolygonFaceLines, lineNumber_);
  }
  return true;
}

void ObjTextParser::skipLine() {
  ++report_.skippedLines;
  keepLineNumber(report_.firstSkippedLines, lineNumber_);
}

}  // namespace pw
