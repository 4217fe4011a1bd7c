#include "scene/obj_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>

#include "scene/scene.h"
#include "tests/support/scratch_dir.h"

namespace pw {
namespace {

using Corners = std::array<std::int32_t, 3>;
using Lines = std::vector<std::uint64_t>;

const std::filesystem::path kObjDir = std::filesystem::path(PORTALWALK_TEST_DATA_DIR) / "obj";
constexpr const char* kTriangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\n";

bool sameBits(const Point3& a, const Point3& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

Corners vertexIndices(const Scene& scene, std::int32_t triangle) {
  const Triangle& t = scene.triangle(triangle);
  return {t.vertexIndex(0), t.vertexIndex(1), t.vertexIndex(2)};
}

Corners normalIndices(const Scene& scene, std::int32_t triangle) {
  const Triangle& t = scene.triangle(triangle);
  return {t.normalIndex(0), t.normalIndex(1), t.normalIndex(2)};
}

// One read of a text, or of a file, into a fresh Scene.
struct Read {
  explicit Read(std::string_view text, ObjReadOptions options = {}) { report = readObjText(text, scene, options); }
  Scene scene;
  ObjReadReport report;

 protected:
  Read() = default;
};

struct ReadFile : Read {
  explicit ReadFile(const std::filesystem::path& file) { report = ObjReader(file).read(scene); }
};

// Same elements, bit for bit, at the same indices.
::testing::AssertionResult sameScene(const Scene& a, const Scene& b) {
  if (a.vertexCount() != b.vertexCount() || a.normalCount() != b.normalCount() ||
      a.triangleCount() != b.triangleCount()) {
    return ::testing::AssertionFailure() << "sizes differ";
  }
  for (std::int32_t i = 0; i < a.vertexCount(); ++i) {
    if (!sameBits(a.vertex(i), b.vertex(i))) return ::testing::AssertionFailure() << "vertex " << i;
  }
  for (std::int32_t i = 0; i < a.normalCount(); ++i) {
    if (!sameBits(a.normal(i), b.normal(i))) return ::testing::AssertionFailure() << "normal " << i;
  }
  for (std::int32_t i = 0; i < a.triangleCount(); ++i) {
    if (vertexIndices(a, i) != vertexIndices(b, i) || normalIndices(a, i) != normalIndices(b, i) ||
        !sameBits(a.triangle(i).planeNormal(), b.triangle(i).planeNormal())) {
      return ::testing::AssertionFailure() << "triangle " << i;
    }
  }
  return ::testing::AssertionSuccess();
}

// --- Merging and numbering ---------------------------------------------------

TEST(ObjReader, mergesEqualPositionsWithoutShiftingLaterNumbers) {
  const Read r(
      "v 0 0 0\nv 1 0 0\n"
      "v 0 0 0\n"  // number 3, merged into Scene vertex 0
      "v 0 1 0\n"  // number 4, Scene vertex 2
      "vn 0 0 1\nf 3//1 2//1 4//1\nf 1//1 2//1 4//1\n");
  EXPECT_EQ(r.scene.vertexCount(), 3);
  EXPECT_EQ(r.report.vertexLines, 4u);
  EXPECT_EQ(r.report.verticesAdded, 3u);
  ASSERT_EQ(r.scene.triangleCount(), 2);
  EXPECT_EQ(vertexIndices(r.scene, 0), (Corners{0, 1, 2}));
  EXPECT_EQ(vertexIndices(r.scene, 1), (Corners{0, 1, 2}));
  // Texts with the same nearest float are one position.
  EXPECT_EQ(Read("v 0.1 0 0\nv 0.100000001 0 0\nv 1e-1 0 0\n").scene.vertexCount(), 1);
}

// Lines the file tells apart in 64 bits but the 32-bit merging joins are
// counted, against the line that first gave the position; the same values
// written otherwise are not.
TEST(ObjReader, countsPositionsMergedOnlyByRoundingToFloat) {
  const struct {
    const char* text;
    std::uint64_t merged;
  } cases[] = {
      {"v 1e15 0 0\nv 1000000000000001 0 0", 1},
      {"v 0 0 1e15\nv 0 0 1000000000000001", 1},
      {"v 1e-50 0 0\nv 2e-50 0 0", 1},  // both floats are 0
      {"v 1e-400 0 0\nv -0 0 0", 0},    // 0 in 64 bits too
      {"v 1e15 0 0\nv 1000000000000001 0 0\nv 1000000000000001 0 0\nv 1e15 0 0", 2},
      {"v 0.1 2 3\nv 0.10 +2 3.0e0\nv  .1\t2  3 4", 0},
      {"v 0 0 0\nv -0 0 0", 0},
  };
  for (const auto& c : cases) {
    const Read r{std::string_view(c.text)};
    EXPECT_EQ(r.scene.vertexCount(), 1) << c.text;
    EXPECT_EQ(r.report.positionsMergedByRounding, c.merged) << c.text;
  }
  // The first text kept may be longer than a block of kept texts.
  const std::string wide = "v 1" + std::string(3u << 20, ' ') + "2 3\nv 1 2 3\nv 1 2 3.0000001";
  EXPECT_EQ(Read(wide).report.positionsMergedByRounding, 1u);
}

TEST(ObjReader, negativeZeroMergesIntoTheFirstZeroRead) {
  const Read positiveFirst("v 0 0 0\nv -0 0 -0\nvn 0 -0 1\nvn -0 0 1\n");
  ASSERT_EQ(positiveFirst.scene.vertexCount(), 1);
  ASSERT_EQ(positiveFirst.scene.normalCount(), 1);
  EXPECT_TRUE(sameBits(positiveFirst.scene.vertex(0), Point3{0.0, 0.0, 0.0}));
  EXPECT_TRUE(sameBits(positiveFirst.scene.normal(0), Point3{0.0, -0.0, 1.0}));
  const Read negativeFirst("v -0 0 0\nv 0 0 0\n");
  ASSERT_EQ(negativeFirst.scene.vertexCount(), 1);
  EXPECT_TRUE(std::signbit(negativeFirst.scene.vertex(0).x));
}

TEST(ObjReader, verticesAndNormalsAloneGiveNoTrianglesAndNormalsStayAsRead) {
  const Read r("v 1 2 3\nvn 0 0 2\nv 4 5 6\nvn 3 0 4\n");
  EXPECT_EQ(r.scene.vertexCount(), 2);
  EXPECT_EQ(r.scene.triangleCount(), 0);
  EXPECT_EQ(r.report.skippedLines, 0u);
  ASSERT_EQ(r.scene.normalCount(), 2);
  EXPECT_TRUE(samePoint(r.scene.normal(1), Point3{3, 0, 4}));
}

TEST(ObjReader, readsThe32BitFloatNearestToTheTextThenWidens) {
  const Read r("v 0.1 1.00000005960464477539062500000001 -3.4028235e38\n");
  ASSERT_EQ(r.scene.vertexCount(), 1);
  EXPECT_EQ(r.scene.vertex(0).x, 0.100000001490116119384765625);  // the float nearest to 0.1, exactly
  EXPECT_EQ(r.scene.vertex(0).y, static_cast<double>(std::nextafter(1.0f, 2.0f)));
  EXPECT_EQ(r.scene.vertex(0).z, -static_cast<double>(std::numeric_limits<float>::max()));
}

// --- Faces --------------------------------------------------------------------

TEST(ObjReader, bothFaceFormsGiveTheSameTriangle) {
  const std::string vertices =
      "v 0 0 0\nv 9 9 9\nv 8 9 9\nv 1 0 0\nv 9 9 8\nv 9 9 7\nv 0 1 0\nv 9 8 9\nv 9 7 9\n"
      "vn 1 0 0\nvn 2 0 0\nvn 0 0 1\nvn 3 0 0\nvn 4 0 0\nvn 0 1 0\nvn 5 0 0\nvn 6 0 0\nvn 1 1 0\n";
  const Read withTexture(vertices + "f 1/2/3 4/5/6 7/8/9\n");
  const Read withoutTexture(vertices + "f 1//3 4//6 7//9\n");
  ASSERT_EQ(withTexture.scene.triangleCount(), 1);
  EXPECT_TRUE(sameScene(withTexture.scene, withoutTexture.scene));
  EXPECT_EQ(vertexIndices(withTexture.scene, 0), (Corners{0, 3, 6}));
  EXPECT_EQ(normalIndices(withTexture.scene, 0), (Corners{2, 5, 8}));
}

// A polygon gives its first
// triangle and is counted, or with triangulation its fan, which needs every
// corner; without it, nothing after the third corner is read.
TEST(ObjReader, polygonFacesGiveTheirFirstTriangleOrTheirFan) {
  //  4 ---- 3        the convex pentagon of the "v" lines
  //  |       \       1 (0,0)  2 (1,0)  3 (0,1)  4 (-1,1)  5 (-1,0)
  //  5 ---- 1 ---- 2
  const std::string vertices = std::string(kTriangle) + "v -1 1 0\nv -1 0 0\n";
  const struct {
    const char* face;  // line 7
    bool triangulate;
    std::vector<Corners> triangles;  // none: the line is skipped
    bool polygon;
  } cases[] = {
      {"f 1//1 2//1 3//1 4//1", false, {{0, 1, 2}}, true},
      {"f 1//1 2//1 3//1 4//1", true, {{0, 1, 2}, {0, 2, 3}}, true},
      {"f 1/1/1 2//1 3//1\t4/9/1 5//1 # c", true, {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}}, true},
      {"f 1//1 2//1 3//1 # 4//1", true, {{0, 1, 2}}, false},
      {"f 1//1 2//1 3//1 6//1", false, {{0, 1, 2}}, true},  // corner 4 is not read
      {"f 1//1 2//1 3//1 6//1", true, {}, false},
      {"f 1//1 2//1 3//1 4//1 junk", false, {{0, 1, 2}}, true},
      {"f 1//1 2//1 3//1 4//1 junk", true, {}, false},
      {"f 9//1 2//1 3//1 4//1", false, {}, false},  // skipped, so not counted
  };
  for (const auto& c : cases) {
    const std::string label = std::string(c.face) + (c.triangulate ? " (triangulated)" : "");
    const Read r(vertices + c.face + "\n", ObjReadOptions{.triangulate = c.triangulate});
    ASSERT_EQ(r.scene.triangleCount(), static_cast<std::int32_t>(c.triangles.size())) << label;
    for (std::int32_t t = 0; t < r.scene.triangleCount(); ++t) {
      EXPECT_EQ(vertexIndices(r.scene, t), c.triangles[static_cast<std::size_t>(t)]) << label;
    }
    EXPECT_EQ(r.report.trianglesAdded, c.triangles.size()) << label;
    EXPECT_EQ(r.report.skippedLines, c.triangles.empty() ? 1u : 0u) << label;
    EXPECT_EQ(r.report.polygonFaces, c.polygon ? 1u : 0u) << label;
    EXPECT_EQ(r.report.firstPolygonFaceLines, c.polygon ? Lines{7} : Lines{}) << label;
    EXPECT_EQ(r.report.triangulatedFaces, c.polygon && c.triangulate ? 1u : 0u) << label;
  }
}

TEST(ObjReader, readsOnlyTheTwoFaceFormsWithNumbersInTheTables) {
  const struct {
    const char* line;
    bool read;
  } cases[] = {
      {"f 1/1/1 2/2/1 3/3/1", true},
      {"f 1//1 2//1 3//1", true},
      {"f +1//+1 2//1 3//1", true},
      {"f 1// 1 2//\t1 3//1", true},    // whitespace before the normal number
      {"f\t1//1\t2//1\t3//1\r", true},  // tabs and a CR line end
      {"f 1//1 2//1 3//1 # note", true},
      {"f 1 2 3", false},        // bare numbers
      {"f 1/2 3/4 5/6", false},  // no normal number
      {"f 1/1/1 2/2/1", false},  // two corners
      {"f", false},
      {"f -1//1 -2//1 -3//1", false},  // relative numbers
      {"f 1//-1 2//1 3//1", false},
      {"f 1/-1/1 2//1 3//1", false},
      {"f 1//1 2//1 4//1", false},  // vertex number beyond the "v" lines read
      {"f 1//1 2//1 3//2", false},  // normal number beyond the "vn" lines read
      {"f 2147483648//1 2//1 3//1", false},
      {"f 1\\1 2\\1 3\\1", false},  // the separators must be "/"
      {"f 1/1|1 2/1/1 3/1/1", false},
      {"f 1/ 1/1 2/1/1 3/1/1", false},  // no whitespace before the texture number
      {"f 1//1 2//1 3//1x", false},     // the normal number must end the field
      {"f 1//1 2//1 3//1/4", false},
      {"f 1.0//1 2//1 3//1", false},
  };
  // Triangulation changes nothing for three corners.
  for (const bool triangulate : {false, true}) {
    for (const auto& c : cases) {
      const Read r(std::string(kTriangle) + c.line + "\n", ObjReadOptions{.triangulate = triangulate});
      EXPECT_EQ(r.scene.triangleCount(), c.read ? 1 : 0) << c.line;
      EXPECT_EQ(r.report.skippedLines, c.read ? 0u : 1u) << c.line;
      EXPECT_EQ(r.report.faceLines, 1u) << c.line;
      EXPECT_EQ(r.report.polygonFaces, 0u) << c.line;
    }
  }
}

TEST(ObjReader, faceNumbersOnlyReachLinesAlreadyRead) {
  const Read r(
      "f 1//1 2//1 3//1\n"  // nothing read yet
      "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
      "f 1//1 2//1 3//1\n"  // no "vn" line yet
      "vn 0 0 1\nf 1//1 2//1 3//1\n");
  EXPECT_EQ(r.scene.triangleCount(), 1);
  EXPECT_EQ(r.report.firstSkippedLines, (Lines{1, 5}));
}

TEST(ObjReader, numberZeroNeedsAnElementZeroInTheScene) {
  const Read early("f 0//0 0//0 0//0\nv 0 0 0\nf 0//0 1//0 1//0\nvn 1 0 0\n");
  EXPECT_EQ(early.scene.triangleCount(), 0);
  EXPECT_EQ(early.report.skippedLines, 2u);
  // Afterwards 0 gives Scene index 0, like the first line's number 1.
  const Read r("v 5 5 5\nv 0 0 0\nv 1 0 0\nvn 0 0 1\nvn 0 1 0\nf 0//0 2//2 3//2\n");
  ASSERT_EQ(r.scene.triangleCount(), 1);
  EXPECT_EQ(vertexIndices(r.scene, 0), (Corners{0, 1, 2}));
  EXPECT_EQ(normalIndices(r.scene, 0), (Corners{0, 1, 1}));
}

TEST(ObjReader, appendsAfterWhatTheSceneAlreadyHolds) {
  Scene scene;
  scene.addVertex({7, 7, 7});
  scene.addNormal({0, 0, 1});
  const ObjReadReport report = readObjText(
      "v 7 7 7\nv 1 0 0\nv 0 1 0\nvn 0 1 0\nf 0//0 2//1 3//1\nf 1//1 2//1 3//0\n"
      "v 1e15 0 0\nv 1000000000000001 0 0\n",
      scene);
  // Merging only covers what this read saw: the first line appends again.
  EXPECT_EQ(scene.vertexCount(), 5);
  EXPECT_EQ(report.verticesAdded, 4u);
  EXPECT_EQ(report.positionsMergedByRounding, 1u);
  ASSERT_EQ(scene.triangleCount(), 2);
  EXPECT_EQ(vertexIndices(scene, 0), (Corners{0, 2, 3}));
  EXPECT_EQ(normalIndices(scene, 0), (Corners{0, 1, 1}));
  EXPECT_EQ(vertexIndices(scene, 1), (Corners{1, 2, 3}));
}

// --- Numbers of "v", "vn" and "vt" lines ------------------------------------

TEST(ObjReader, skipsDataLinesWhoseNumbersCannotAllBeRead) {
  const struct {
    const char* line;
    bool read;
  } cases[] = {
      {"v 1 2 3", true},       {"v +1 .5 5.", true},    {"v 1e3 -2E-2 0", true},  {"v 1 2 3 4", true},
      {"v 1 2 3 # c", true},   {"v 1 2 3 junk", true},  {"v\t1\v2\f3\r", true},   {"v 1e-60 0 0", true},
      {"v 1 2", false},        {"v", false},            {"v 1 2 x", false},       {"v 1.0abc 2 3", false},
      {"v 1 2 3abc", false},   {"v 1,5 2 3", false},    {"v nan 0 0", false},     {"v 0 inf 0", false},
      {"v 1e60 0 0", false},   {"v 0x1p3 0 0", false},  {"v - 2 3", false},       {"vn 0 0 1", true},
      {"vn 0 0", false},       {"vn 0 0 nan", false},   {"vt 0.5 0.5", true},     {"vt 0.5 0.5 0.5", true},
      {"vt 0.5", false},       {"vt 0.5 1e60", false},
  };
  for (const auto& c : cases) {
    const Read r{std::string_view(c.line)};
    EXPECT_EQ(r.report.skippedLines, c.read ? 0u : 1u) << c.line;
    const bool isTexture = std::string_view(c.line).starts_with("vt");
    EXPECT_EQ(r.scene.vertexCount() + r.scene.normalCount(), c.read && !isTexture ? 1 : 0) << c.line;
  }
}

TEST(ObjReader, skippedVertexAndNormalLinesKeepTheirNumbers) {
  const Read r(
      "v 0 0 0\nv 1 0 0\nv 1 unreadable 0\nv 0 1 0\n"  // numbers 1, 2, (3), 4
      "vn 0 0\nvn 0 0 1\n"                             // numbers (1), 2
      "f 1//2 2//2 4//2\n"                             // corners (0,0,0) (1,0,0) (0,1,0)
      "f 1//2 2//2 3//2\n"                             // uses the skipped "v" line
      "f 1//1 2//2 4//2\n");                           // uses the skipped "vn" line
  ASSERT_EQ(r.scene.triangleCount(), 1);
  EXPECT_EQ(vertexIndices(r.scene, 0), (Corners{0, 1, 2}));
  EXPECT_TRUE(samePoint(r.scene.vertex(2), Point3{0, 1, 0}));
  EXPECT_EQ(r.report.firstSkippedLines, (Lines{3, 5, 8, 9}));
}

// --- Lines ---------------------------------------------------------------------

TEST(ObjReader, blankLinesAndIgnoredKeywordsChangeNothing) {
  const Read plain(std::string(kTriangle) + "f 1//1 2//1 3//1\n");
  const Read padded(
      "\nv 0 0 0\n   \nv 1 0 0\n\t\r\n# a comment\n#glued\no room\ng wall\ns 1\nusemtl stone\nmtllib x.mtl\n"
      "vp 1\nl 1 2\np 1\nV 0 1 0\nVN 0 0 1\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//1\n\n  \n");
  EXPECT_TRUE(sameScene(plain.scene, padded.scene));
  EXPECT_EQ(padded.report.skippedLines, 0u);
  EXPECT_EQ(padded.report.otherKeywordLines, 10u);  // o g s usemtl mtllib vp l p V VN
  EXPECT_EQ(padded.report.lines, 22u);
}

// Lines of any length are read whole (no 1023-character limit that would lose
// the rest of the file), and the last line needs no line feed.
TEST(ObjReader, linesOfAnyLengthAreReadWholeAndReadingGoesOn) {
  const Read r("v 1 2 3" + std::string(5000, ' ') + "4\n# " + std::string(1023, 'x') + "\nv 5 6 7");
  ASSERT_EQ(r.scene.vertexCount(), 2);
  EXPECT_TRUE(samePoint(r.scene.vertex(0), Point3{1, 2, 3}));
  EXPECT_TRUE(samePoint(r.scene.vertex(1), Point3{5, 6, 7}));
  EXPECT_EQ(r.report.lines, 3u);
}

// A CR ends a line only in a text without LF ("\r\r"); with one, it is
// whitespace ("# a\rv 1 2 3\n" is a comment).
TEST(ObjReader, emptyAndNearlyEmptyTexts) {
  const struct {
    const char* text;
    std::uint64_t lines;
  } cases[] = {{"", 0},     {"\n", 1}, {"\n\n", 2}, {" ", 1}, {"\r\n", 1},          {"\r", 1},
               {"\r\r", 2}, {"#", 1},  {"v", 1},    {"f", 1}, {"# a\rv 1 2 3\n", 1}};
  for (const auto& c : cases) {
    const Read r{std::string_view(c.text)};
    EXPECT_EQ(r.report.lines, c.lines) << c.text;
    EXPECT_EQ(r.scene.vertexCount() + r.scene.normalCount() + r.scene.triangleCount(), 0) << c.text;
  }
}

TEST(ObjReader, zeroByteCutsTheLine) {
  using namespace std::string_literals;
  const Read r(
      "v 1 2 3\0 9 9 9\n"s  // the rest of the line is ignored
      "v 4 5\0 6\n"s        // the third number lies beyond the cut
      "v\0 7 8 9\n"s        // a "v" without numbers
      "\0v 1 1 1\n"s);      // an empty line
  ASSERT_EQ(r.scene.vertexCount(), 1);
  EXPECT_TRUE(samePoint(r.scene.vertex(0), Point3{1, 2, 3}));
  EXPECT_EQ(r.report.firstSkippedLines, (Lines{2, 3}));
  EXPECT_EQ(r.report.lines, 4u);
}

// The mark is skipped rather than glued to the first token, which would lose
// the first "v" line and shift every vertex number.
TEST(ObjReader, byteOrderMarkIsSkippedOnlyAtTheStart) {
  const Read r("\xEF\xBB\xBFv 1 2 3\n\xEF\xBB\xBFv 4 5 6\n");
  ASSERT_EQ(r.scene.vertexCount(), 1);
  EXPECT_TRUE(samePoint(r.scene.vertex(0), Point3{1, 2, 3}));
  EXPECT_EQ(r.report.otherKeywordLines, 1u);
  EXPECT_EQ(r.report.bytes, 22u);
}

// --- Files -----------------------------------------------------------------------

TEST(ObjReader, reportsSkippedLinesWithTheirFirstLineNumbers) {
  const ReadFile r(kObjDir / "bad_lines.obj");
  const ObjReadReport& report = r.report;
  EXPECT_TRUE(report.ok());
  EXPECT_EQ(report.lines, 35u);
  EXPECT_EQ(report.skippedLines, 16u);  // lines 8 to 23
  EXPECT_EQ(report.firstSkippedLines, (Lines{8, 9, 10, 11, 12, 13, 14, 15, 16, 17}));
  EXPECT_EQ(report.vertexLines, 11u);
  EXPECT_EQ(report.normalLines, 3u);
  EXPECT_EQ(report.texCoordLines, 2u);
  EXPECT_EQ(report.faceLines, 11u);
  EXPECT_EQ(report.otherKeywordLines, 4u);  // g usemtl s V
  EXPECT_EQ(report.firstPolygonFaceLines, (Lines{29}));
  EXPECT_EQ(report.verticesAdded, 5u);
  EXPECT_EQ(report.normalsAdded, 1u);  // "vn -0 0 2" merges into "vn 0 0 2"
  ASSERT_EQ(r.scene.triangleCount(), 3);
  EXPECT_EQ(vertexIndices(r.scene, 1), (Corners{0, 1, 3}));
  EXPECT_EQ(vertexIndices(r.scene, 2), (Corners{0, 2, 4}));
  EXPECT_TRUE(samePoint(r.scene.vertex(4), Point3{5, 6, 7}));
}

TEST(ObjReader, fixtureFilesReadAsExpected) {
  const ReadFile plain(kObjDir / "two_triangles.obj");
  ASSERT_TRUE(plain.report.ok());
  ASSERT_EQ(plain.scene.triangleCount(), 2);
  EXPECT_EQ(plain.scene.vertexCount(), 4);
  for (const char* name : {"two_triangles_crlf.obj", "two_triangles_bom.obj", "two_triangles_cr.obj"}) {
    const ReadFile other(kObjDir / name);
    EXPECT_TRUE(sameScene(plain.scene, other.scene)) << name;
    EXPECT_EQ(other.report.skippedLines, 0u) << name;
    EXPECT_EQ(other.report.lines, plain.report.lines) << name;
    EXPECT_EQ(other.report.carriageReturnLineEnds, name == std::string_view("two_triangles_cr.obj")) << name;
  }
  const ReadFile cut(kObjDir / "zero_byte.obj");
  EXPECT_EQ(cut.scene.triangleCount(), 1);
  EXPECT_EQ(cut.scene.vertexCount(), 3);
  const ReadFile unterminated(kObjDir / "no_final_newline.obj");
  EXPECT_EQ(unterminated.report.lines, 10u);
  EXPECT_EQ(unterminated.scene.triangleCount(), 3);
  const testing_support::ScratchDir dir;
  testing_support::writeFile(dir.file("empty.obj"), "");
  const ReadFile empty(dir.file("empty.obj"));
  EXPECT_TRUE(empty.report.ok());
  EXPECT_EQ(empty.report.lines, 0u);
}

// A directory is refused before reading, not taken for a file cut short;
// UTF-16 text is refused rather than read as bytes, which would give an empty
// Scene without a word.
TEST(ObjReader, unreadableFilesGiveOneMessageEach) {
  const struct {
    std::filesystem::path file;
    std::string message;  // before the file name
    std::string failure;
    bool opened;
  } cases[] = {
      {kObjDir / "no_such_file.obj", "cannot open", std::strerror(ENOENT), false},
      {kObjDir, "cannot open", std::strerror(EISDIR), false},
      {kObjDir / "two_triangles_utf16le.obj", "cannot read", ObjReadReport::kUtf16Failure, true},
      {kObjDir / "two_triangles_utf16be.obj", "cannot read", ObjReadReport::kUtf16Failure, true},
  };
  for (const auto& c : cases) {
    ::testing::internal::CaptureStderr();
    const ReadFile r(c.file);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              c.message + " OBJ file \"" + c.file.string() + "\": " + c.failure + "\n");
    EXPECT_EQ(r.report.failure, c.failure);
    EXPECT_EQ(r.report.opened, c.opened);
    EXPECT_FALSE(r.report.ok());
    EXPECT_EQ(r.scene.vertexCount() + r.scene.normalCount() + r.scene.triangleCount(), 0);
  }
}

TEST(ObjReader, fileReadInBlocksMatchesTheSameTextInMemory) {
  // Several MiB of short lines put line ends on both sides of every block
  // boundary; one 3 MiB line is longer than a whole block.
  std::string text;
  for (int i = 0; text.size() < (5u << 20); ++i) {
    text += "v " + std::to_string(i % 1000) + " " + std::to_string(i % 7) + ".25 -" + std::to_string(i % 13) + "\n";
    if (i % 3 == 0) text += "vn 0 " + std::to_string(i % 5) + " 1\n";
    if (i > 3 && i % 2 == 0) text += "f " + std::to_string(i) + "//1 " + std::to_string(i - 1) + "/7/1 3//1\n";
    if (i == 40000) text += "# " + std::string(3u << 20, 'x') + "\n";
  }
  text += "v 1 2 3";
  const testing_support::ScratchDir dir;
  testing_support::writeFile(dir.file("blocks.obj"), text);
  const ReadFile fromFile(dir.file("blocks.obj"));
  const Read fromMemory{std::string_view(text)};
  EXPECT_GT(fromFile.scene.triangleCount(), 10000);
  EXPECT_TRUE(sameScene(fromFile.scene, fromMemory.scene));
  EXPECT_EQ(fromFile.report.bytes, text.size());
  EXPECT_EQ(fromFile.report.lines, fromMemory.report.lines);
  EXPECT_EQ(fromFile.report.skippedLines, fromMemory.report.skippedLines);
  EXPECT_EQ(fromFile.report.positionsMergedByRounding, 0u);  // equal texts only, in many blocks of kept texts

  // With CR line ends no line is complete before the end of the file.
  std::replace(text.begin(), text.end(), '\n', '\r');
  testing_support::writeFile(dir.file("blocks_cr.obj"), text);
  const ReadFile crFile(dir.file("blocks_cr.obj"));
  EXPECT_TRUE(crFile.report.carriageReturnLineEnds);
  EXPECT_TRUE(sameScene(crFile.scene, fromMemory.scene));
  EXPECT_EQ(crFile.report.lines, fromMemory.report.lines);
}

TEST(ObjReader, readsTheSampleLevelWhole) {
  const ReadFile r(std::filesystem::path(PORTALWALK_LEVELS_DIR) / "folyosos.obj");
  ASSERT_TRUE(r.report.ok());
  EXPECT_EQ(r.report.skippedLines, 0u);
  EXPECT_GT(r.report.faceLines, 0u);
  EXPECT_EQ(r.report.trianglesAdded, r.report.faceLines);
}

TEST(ObjReader, readsTheSameUnderALocaleWithADecimalComma) {
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  const char* chosen = nullptr;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "ru_RU.UTF-8"}) {
    if (std::setlocale(LC_ALL, name) != nullptr) {
      chosen = name;
      break;
    }
  }
  if (chosen == nullptr) GTEST_SKIP() << "no locale with a decimal comma is installed";
  const Read r("v 0.5 1.25 -2.5\nv 1,5 2 3\n");
  std::setlocale(LC_ALL, previous.c_str());
  ASSERT_EQ(r.scene.vertexCount(), 1);
  EXPECT_TRUE(samePoint(r.scene.vertex(0), Point3{0.5, 1.25, -2.5}));
}

}  // namespace
}  // namespace pw
