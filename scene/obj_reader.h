// The Wavefront OBJ subset reader that fills the Scene: "v", "vn", "vt",
// "f" faces whose corners carry a normal number (v/t/n or v//n), and "#"
// comments.
//
// Lines are split at line feeds, or at carriage returns in a text that holds
// no line feed at all, and read whole, whatever their length; a line's text
// ends at its first zero byte. The first token of a line (fields are
// separated by space, tab, CR, VT or FF) picks the action, by exact,
// case-sensitive equality:
//   "v" x y z       addVertex((x, y, z))
//   "vn" x y z      addNormal((x, y, z)), kept as read (not normalised)
//   "vt" u v        kept in ObjReadOptions::look, if given; else discarded
//   "f" c1 c2 c3    one triangle; each corner is v/t/n or v//n
//   "f" c1 ... cn   a polygon: the triangle (c1, c2, c3), or with
//                   ObjReadOptions::triangulate the fan (c1, ck, ck+1) for
//                   k = 2 .. n-1 (see ObjReadReport::polygonFaces)
//   "usemtl" name,  kept in ObjReadOptions::look, if given (and counted as
//   "mtllib" names  other keywords either way)
//   anything else   ignored ("#" comments, o, g, s, ...)
// Whatever follows the fields a keyword needs is ignored (a fourth "v"
// number, a "#" comment after the last face corner). A UTF-8 byte-order mark
// at the very start of the text is skipped; text that starts with a UTF-16
// mark (FF FE or FE FF) is not read at all and the read fails
// (ObjReadReport::unsupportedEncoding).
//
// Numbers are decimal only ("inf", "nan" and hexadecimal are not numbers), and
// each is rounded once to the nearest 32-bit float, then widened; a number
// must end at whitespace or at the end of the line ("1.0abc" is unreadable).
// Positions are merged by their 32-bit values, so texts that differ in 64
// bits may become one vertex: ObjReadReport::positionsMergedByRounding counts
// such "v" lines.
// Face numbers are 1-based, absolute ([+] digits), count the "v" and "vn"
// lines read so far, and stand between "/" exactly as in 1/2/3 or 1//3
// (whitespace may precede the vertex and the normal number, as in "1// 3").
// A data line that cannot be read whole is skipped and counted, never used in
// part: missing or unreadable numbers, a number whose nearest float is
// infinite (1e60), other face forms (f 1 2 3, f 1/2 3/4 5/6), relative
// (negative) or out-of-range face numbers. A skipped "v" or "vn" line still
// takes its number, so the numbers of the lines after it keep counting the
// file's lines, and a face that uses it is skipped too. The number 0 refers
// to the tables' placeholder and gives Scene index 0, so it is only accepted
// once the Scene holds an element 0.
//
// A polygon's corners run to the end of the line or to a field that starts
// with "#". With triangulation every corner must be readable and in range, or
// the whole line is skipped. Without it the line gives the triangle of its
// first three corners, and what follows them is not read: the line is
// counted as a polygon face whether or not those fields would read as
// corners, and a malformed or out-of-range fourth corner does not cost the
// triangle (the reading the viewer has always done).
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/point3.h"
#include "scene/point_merge_map.h"

namespace pw {

class Scene;
struct SceneLook;

// Choices for one read; the defaults give the Scene the viewer has always
// read.
struct ObjReadOptions {
  // Faces with more than three corners: false keeps the triangle of the
  // first three and drops the rest, true splits the face into a fan.
  bool triangulate = false;
  // Where the triangles' texture coordinates and materials go (non-owning);
  // null: they are not kept. The Scene read is the same either way.
  SceneLook* look = nullptr;
};

// What one read did, for callers that report it (the viewer ignores it;
// `portalbuild` prints it and fails when `ok()` is false).
struct ObjReadReport {
  // False when the file could not be opened or the name is a directory; the
  // Scene is then unchanged and one line naming the file and the reason has
  // gone to stderr.
  bool opened = false;
  // True when reading stopped at a read error; the lines read before it are
  // in the Scene, the partial last line is not, and one line naming the file
  // and the reason has gone to stderr.
  bool readError = false;
  // True when the text holds carriage returns and no line feed at all: each
  // carriage return then ended a line (and the whole file was held in memory
  // until its end showed that no line feed comes). With any line feed, lines
  // end at line feeds and a carriage return is whitespace, so CR LF reads
  // like LF alone.
  bool carriageReturnLineEnds = false;
  // True when the text starts with a UTF-16 byte-order mark (FF FE or FE FF):
  // nothing of it is read, the Scene is unchanged and `failure` is
  // kUtf16Failure (which ObjReader::read also writes to stderr).
  bool unsupportedEncoding = false;
  static constexpr const char* kUtf16Failure = "UTF-16 text is not supported; save the level as UTF-8";
  // Why the file could not be read, as given after the file name on the
  // stderr line ("Is a directory", "No such file or directory", ...); empty
  // while ok().
  std::string failure;
  std::uint64_t bytes = 0;  // bytes read, a byte-order mark included
  std::uint64_t lines = 0;  // lines seen, blank and ignored ones included
  // Lines per keyword, whether they were read or skipped.
  std::uint64_t vertexLines = 0;
  std::uint64_t normalLines = 0;
  std::uint64_t texCoordLines = 0;
  std::uint64_t faceLines = 0;
  // Unrecognised keywords; tokens starting with "#" count as comments.
  std::uint64_t otherKeywordLines = 0;
  std::uint64_t verticesAdded = 0;  // distinct positions appended to the Scene
  // "v" lines merged into the position of an earlier line although their
  // numbers, read as 64-bit doubles, differ from that line's: the rounding to
  // 32-bit floats made them one (coordinates near 1e15, or digits beyond a
  // float's precision). Compared with the line that first gave the position.
  std::uint64_t positionsMergedByRounding = 0;
  std::uint64_t normalsAdded = 0;    // distinct normals appended to the Scene
  std::uint64_t trianglesAdded = 0;  // a fan adds several for one line
  // Face lines read (not skipped) with more than three corners, and the
  // first few of their line numbers, ascending. Without triangulation all
  // but their first triangle is lost: any field after the third corner other
  // than a "#" comment counts the line here.
  std::uint64_t polygonFaces = 0;
  std::vector<std::uint64_t> firstPolygonFaceLines;
  // Of the polygon faces, those split into a fan: all of them with
  // ObjReadOptions::triangulate, none without.
  std::uint64_t triangulatedFaces = 0;
  // Data lines that could not be read whole (unreadable or non-finite
  // numbers, other face forms, face numbers outside the tables) and were
  // skipped; the first few of their 1-based line numbers, ascending.
  std::uint64_t skippedLines = 0;
  std::vector<std::uint64_t> firstSkippedLines;
  // Of the skipped lines, faces with a relative (negative) number: OBJ
  // allows them, this reader keeps to absolute numbers.
  std::uint64_t relativeFaceLines = 0;
  static constexpr std::size_t kSkippedLinesKept = 10;  // and polygon face lines

  bool ok() const { return opened && !readError && !unsupportedEncoding; }
};

// Working state of one read: the 1-based OBJ numbers of "v" and "vn" lines
// mapped to Scene indices (entry 0 is a placeholder holding 0; an unreadable
// line's entry is kUnreadable), and the merge
// maps that turn exactly equal positions (0 and -0 alike) into one Scene
// element, the first one read being stored. Scene indices are therefore
// consecutive in the order in which each distinct value first appears, and
// the k-th "v" line keeps number k whether or not it was merged.
class ObjIndexMaps {
 public:
  explicit ObjIndexMaps(Scene& scene);
  ObjIndexMaps(const ObjIndexMaps&) = delete;
  ObjIndexMaps& operator=(const ObjIndexMaps&) = delete;

  // Table entry of a "v" or "vn" line whose numbers could not be read.
  static constexpr std::int32_t kUnreadable = -1;

  // For a "v" line; `numbers` is its text from the start of the first number
  // to the end of the third. False (nothing done) only when the table
  // already holds every number a 32-bit face index can name.
  bool addVertex(const Point3& position, std::string_view numbers);
  // For a "v" line that is skipped: it takes its number, naming nothing.
  bool addUnreadableVertex();
  // For a "vn" line; the same rules.
  bool addNormal(const Point3& normal);
  bool addUnreadableNormal();
  // For an "f" line: OBJ vertex numbers of corners 1, 2, 3, then OBJ normal
  // numbers of corners 1, 2, 3. Appends the triangle and returns true, or
  // returns false and adds nothing when a number is negative, beyond the
  // lines read so far, names an unreadable line, or is 0 while the Scene has
  // no element 0.
  bool addFace(std::int32_t v1, std::int32_t v2, std::int32_t v3, std::int32_t n1, std::int32_t n2, std::int32_t n3);
  // For a polygon of n >= 3 corners (OBJ vertex and normal numbers, both of
  // size n): the triangles (1, k, k+1) for k = 2 .. n-1, in that order, or
  // nothing and false when any number fails as in addFace.
  bool addFan(std::span<const std::int32_t> vertices, std::span<const std::int32_t> normals);
  // Room for this many more "v", "vn" and "f" lines (a face taken as one
  // triangle), so that the tables and the Scene grow once.
  void reserve(std::size_t vertexLines, std::size_t normalLines, std::size_t faceLines);

  // "v" lines merged into a position whose first line's numbers differ in
  // 64 bits (ObjReadReport::positionsMergedByRounding).
  std::uint64_t positionsMergedByRounding() const { return mergedByRounding_; }

 private:
  // Copies `text` into the text blocks, with its length before it and a zero
  // byte after it (the text of a line holds none), and returns the copy.
  const char* keepText(std::string_view text);
  // Starts a block with room for at least `bytes`.
  void startTextBlock(std::size_t bytes);

  Scene& scene_;
  std::vector<std::int32_t> vertexTable_{0};
  PointMergeMap vertexMerge_;
  // firstTexts_[k]: the numbers' text of the line that first gave the
  // position of Scene index firstVertex_ + k, as keepText made it. Only a
  // merge reads them: equal texts need no conversion, and unequal ones are
  // read again as doubles. (Keeping the text is cheaper than converting
  // every new position's numbers to doubles up front.) The copies sit in
  // blocks that never move: one growing string would copy them at every
  // doubling and touch about twice their memory, which costs more than the
  // copying itself.
  std::vector<const char*> firstTexts_;
  std::vector<std::unique_ptr<char[]>> textBlocks_;
  char* textFree_ = nullptr;  // the unused rest of the last block
  std::size_t textLeft_ = 0;
  std::size_t textBlockBytes_ = 0;  // the usual size of the last block
  std::int32_t firstVertex_;        // the Scene's vertex count when reading began
  std::uint64_t mergedByRounding_ = 0;
  std::vector<std::int32_t> normalTable_{0};
  PointMergeMap normalMerge_;
};

class ObjReader {
 public:
  explicit ObjReader(std::filesystem::path fileName, ObjReadOptions options = {})
      : fileName_(std::move(fileName)), options_(options) {}

  // Reads the whole file into `scene`, appending. Never stops the program and
  // never throws for bad input: see ObjReadReport for what went wrong.
  ObjReadReport read(Scene& scene) const;

  const std::filesystem::path& fileName() const { return fileName_; }

 private:
  std::filesystem::path fileName_;
  ObjReadOptions options_;
};

// The same reading from text already in memory (tests, fuzzing); `opened` is
// always true, and nothing goes to stderr.
ObjReadReport readObjText(std::string_view text, Scene& scene, ObjReadOptions options = {});

}  // namespace pw
