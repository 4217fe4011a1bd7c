// The line-by-line parser shared by reading a file and reading a buffer.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "scene/obj_fields.h"
#include "scene/obj_reader.h"
#include "scene/scene_look.h"

namespace pw {

class Scene;

// The "v", "vn" and "f" lines of a text fed in pieces, in order, counted
// ahead of parsing so that what they fill is sized once. A line counts by
// its keyword and the blank after it, nothing more.
struct ObjLineCounts {
  std::size_t vertices = 0;
  std::size_t normals = 0;
  std::size_t faces = 0;
};
class ObjLineCounter {
 public:
  void feed(std::string_view text);
  const ObjLineCounts& counts() const { return counts_; }

 private:
  ObjLineCounts counts_;
  // The first two characters of the current line, as far as they came.
  char start_[2] = {};
  int started_ = 0;  // 2: the line is decided, up to its end
};

// Turns OBJ text, fed in pieces that each begin at a line start, into Scene
// elements and report counts. Lines are independent of one another: nothing
// but the index maps, the line number and the line end carries over.
class ObjTextParser {
 public:
  // Both must outlive the parser.
  ObjTextParser(Scene& scene, ObjReadReport& report, ObjReadOptions options = {});

  // Parses every line of `text` that ends with a line feed and returns the
  // number of bytes consumed; the caller feeds the rest again, followed by
  // more text. With `atEnd` the text is the end of the input: a last line
  // without a line feed is parsed too, and everything is consumed. When no
  // line has been parsed before, that last `text` is the whole input, and if
  // it holds carriage returns and no line feed, its lines end at carriage
  // returns. Text that starts with a UTF-16 byte-order mark is consumed
  // unparsed, now and in every later call, and the report says why.
  std::size_t parse(std::string_view text, bool atEnd);
  // Sizes the Scene, the index maps and the triangles' looks for the lines
  // `counts` found.
  void reserve(const ObjLineCounts& counts);

 private:
  void parseLine(std::string_view line);
  // The numbers of a "v" line (`vertex`) or a "vn" line, added to the
  // maps; a line whose numbers cannot be read still takes its number. False
  // when the line is to be skipped.
  bool readPointLine(ObjCursor& cursor, bool vertex);
  // The corners of an "f" line after its keyword, as one triangle or as a
  // fan; false when the line is to be skipped.
  bool readFace(ObjCursor& cursor);
  // Counts the current line as skipped.
  void skipLine();
  // With a look to fill: a "usemtl" or "mtllib" line after its keyword.
  void readLookLine(std::string_view keyword, ObjCursor& cursor);
  // With a look to fill: the looks of the triangles from `firstTriangle` on,
  // which one face just added, given its corners' texture numbers (0: none).
  void keepLook(std::int32_t firstTriangle, std::span<const std::int32_t> texCoords);

  ObjIndexMaps maps_;
  Scene& scene_;
  ObjReadReport& report_;
  ObjReadOptions options_;
  // The corners of the polygon being read, kept to spare an allocation per
  // line.
  std::vector<std::int32_t> polygonVertices_;
  std::vector<std::int32_t> polygonTexCoords_;
  std::vector<std::int32_t> polygonNormals_;
  // The last "usemtl" material, an index into the look's names.
  std::int32_t material_ = TriangleLook::kNone;
  std::int32_t startVertices_;  // Scene sizes before the first line
  std::int32_t startNormals_;
  std::uint64_t lineNumber_ = 0;  // 1-based number of the line being parsed
  char lineEnd_ = '\n';  // '\r' for a text without line feeds
};

}  // namespace pw
