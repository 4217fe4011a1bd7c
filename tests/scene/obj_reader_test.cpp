#include "scene/obj_reader.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "scene/scene.h"

namespace pw {
namespace {

using Corners = std::array<std::int32_t, 3>;

const std::filesystem::path kObjDir = std::filesystem::path(PORTALWALK_TEST_DATA_DIR) / "obj";

bool sameBits(const Point3& a, const Point3& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

Corners vertexIndices(const Scene& scene, std::int32_t triangle) {
  const Triangle& t = scene.triangle(triangle);
  return {t.vertexIndex(0), t.vertexIndex(1), t.vertexIndex(2)};
}

Corners normalIndices(const Scene& scene, std::int32_t triangle) {
  const Triangle& t = scene.triangle(triangle);
  return {t.normalIndex(0), t.normalIndex(1), t.normalIndex(2)};
}

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

// A fresh file in the test's temporary folder.
std::filesystem::path writeTempFile(const std::string& name, const std::string& bytes) {
  const std::filesystem::path path = std::filesystem::path(::testing::TempDir()) / name;
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  return path;
}

// --- Merging and numbering ---------------------------------------------------

TEST(ObjReader, mergesEqualPositionsWithoutShiftingLaterNumbers) {
  Scene scene;
  const ObjReadReport report = readObjText(
      "v 0 0 0\n"
      "v 1 0 0\n"
      "v 0 0 0\n"  // number 3, merged into Scene vertex 0
      "v 0 1 0\n"  // number 4, Scene vertex 2
      "vn 0 0 1\n"
      "f 3//1 2//1 4//1\n"
      "f 1//1 2//1 4//1\n",
      scene);
  EXPECT_EQ(scene.vertexCount(), 3);
  EXPECT_EQ(report.vertexLines, 4u);
  EXPECT_EQ(report.verticesAdded, 3u);
  ASSERT_EQ(scene.triangleCount(), 2);
  EXPECT_EQ(vertexIndices(scene, 0), (Corners{0, 1, 2}));
  EXPECT_EQ(vertexIndices(scene, 1), (Corners{0, 1, 2}));
  EXPECT_TRUE(samePoint(scene.triangle(0).planeNormal(), Point3{0, 0, 1}));
}

TEST(ObjReader, negativeZeroMergesIntoTheFirstZeroRead) {
  Scene positiveFirst;
  readObjText("v 0 0 0\nv -0 0 -0\nvn 0 -0 1\nvn -0 0 1\n", positiveFirst);
  ASSERT_EQ(positiveFirst.vertexCount(), 1);
  ASSERT_EQ(positiveFirst.normalCount(), 1);
  EXPECT_TRUE(sameBits(positiveFirst.vertex(0), Point3{0.0, 0.0, 0.0}));
  EXPECT_TRUE(sameBits(positiveFirst.normal(0), Point3{0.0, -0.0, 1.0}));

  Scene negativeFirst;
  readObjText("v -0 0 0\nv 0 0 0\n", negativeFirst);
  ASSERT_EQ(negativeFirst.vertexCount(), 1);
  EXPECT_TRUE(std::signbit(negativeFirst.vertex(0).x));
}

TEST(ObjReader, verticesAndNormalsAloneGiveNoTriangles) {
  Scene scene;
  const ObjReadReport report = readObjText("v 1 2 3\nvn 0 1 0\nv 4 5 6\nvn 1 0 0\n", scene);
  EXPECT_EQ(scene.vertexCount(), 2);
  EXPECT_EQ(scene.normalCount(), 2);
  EXPECT_EQ(scene.triangleCount(), 0);
  EXPECT_EQ(report.skippedLines, 0u);
}

TEST(ObjReader, normalsAreKeptAsReadNotNormalised) {
  Scene scene;
  readObjText("vn 0 0 2\nvn 3 0 4\n", scene);
  ASSERT_EQ(scene.normalCount(), 2);
  EXPECT_TRUE(samePoint(scene.normal(0), Point3{0, 0, 2}));
  EXPECT_TRUE(samePoint(scene.normal(1), Point3{3, 0, 4}));
}

TEST(ObjReader, readsThe32BitFloatNearestToTheTextThenWidens) {
  Scene scene;
  readObjText("v 0.1 1.00000005960464477539062500000001 -3.4028235e38\n", scene);
  ASSERT_EQ(scene.vertexCount(), 1);
  EXPECT_EQ(scene.vertex(0).x, 0.100000001490116119384765625);  // the float nearest to 0.1, exactly
  EXPECT_NE(scene.vertex(0).x, 0.1);
  EXPECT_EQ(scene.vertex(0).y, static_cast<double>(std::nextafter(1.0f, 2.0f)));
  EXPECT_EQ(scene.vertex(0).z, -static_cast<double>(std::numeric_limits<float>::max()));
}

TEST(ObjReader, textsWithTheSameNearestFloatAreOnePosition) {
  Scene scene;
  // 0.1 and 0.100000001 both round to the same float.
  readObjText("v 0.1 0 0\nv 0.100000001 0 0\nv 1e-1 0 0\n", scene);
  EXPECT_EQ(scene.vertexCount(), 1);
}

// --- Faces --------------------------------------------------------------------

TEST(ObjReader, bothFaceFormsGiveTheSameTriangle) {
  const std::string vertices =
      "v 0 0 0\nv 9 9 9\nv 8 9 9\nv 1 0 0\nv 9 9 8\nv 9 9 7\nv 0 1 0\nv 9 8 9\nv 9 7 9\n"
      "vn 1 0 0\nvn 2 0 0\nvn 0 0 1\nvn 3 0 0\nvn 4 0 0\nvn 0 1 0\nvn 5 0 0\nvn 6 0 0\nvn 1 1 0\n"
      "vt 0 0\nvt 0 0\nvt 0 0\nvt 0 0\nvt 0 0\nvt 0 0\nvt 0 0\nvt 0 0\nvt 0 0\n";
  Scene withTexture;
  Scene withoutTexture;
  readObjText(vertices + "f 1/2/3 4/5/6 7/8/9\n", withTexture);
  readObjText(vertices + "f 1//3 4//6 7//9\n", withoutTexture);
  ASSERT_EQ(withTexture.triangleCount(), 1);
  EXPECT_TRUE(sameScene(withTexture, withoutTexture));
  // Vertex numbers 1, 4, 7 are positions (0,0,0), (1,0,0), (0,1,0).
  EXPECT_EQ(vertexIndices(withTexture, 0), (Corners{0, 3, 6}));
  EXPECT_EQ(normalIndices(withTexture, 0), (Corners{2, 5, 8}));
  EXPECT_TRUE(samePoint(withTexture.triangle(0).planeNormal(), Point3{0, 0, 1}));
}

TEST(ObjReader, aFourthCornerIsIgnored) {
  Scene scene;
  const ObjReadReport report =
      readObjText("v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//1 4//1\n", scene);
  ASSERT_EQ(scene.triangleCount(), 1);
  EXPECT_EQ(vertexIndices(scene, 0), (Corners{0, 1, 2}));
  EXPECT_EQ(report.skippedLines, 0u);
}

TEST(ObjReader, faceCornersKeepTheFileOrderAndFacing) {
  Scene scene;
  readObjText("v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1//1 3//1 2//1\n", scene);
  ASSERT_EQ(scene.triangleCount(), 1);
  EXPECT_EQ(vertexIndices(scene, 0), (Corners{0, 2, 1}));
  EXPECT_TRUE(samePoint(scene.triangle(0).planeNormal(), Point3{0, 0, -1}));
}

// Face lines after the three "v" lines and one "vn" line of kFaceBase.
struct FaceCase {
  const char* line;
  bool read;
};

constexpr const char* kFaceBase = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\n";

TEST(ObjReader, readsOnlyTheTwoFaceFormsWithNumbersInTheTables) {
  const FaceCase cases[] = {
      {"f 1/1/1 2/2/1 3/3/1", true},
      {"f 1//1 2//1 3//1", true},
      {"f +1//+1 2//1 3//1", true},
      {"f 1// 1 2//\t1 3//1", true},    // whitespace before the normal number
      {"f\t1//1\t2//1\t3//1\r", true},  // tabs and a CR line end
      {"f 1//1 2//1 3//1 # note", true},
      {"f 1 2 3", false},        // bare numbers
      {"f 1/2 3/4 5/6", false},  // no normal number
      {"f 1/1/1 2/2/1", false},  // two corners
      {"f 1//1 2//1", false},
      {"f", false},
      {"f -1//1 -2//1 -3//1", false},  // relative numbers
      {"f 1//-1 2//1 3//1", false},
      {"f 1/-1/1 2//1 3//1", false},
      {"f 1//1 2//1 4//1", false},  // vertex number beyond the "v" lines read
      {"f 1//1 2//1 3//2", false},  // normal number beyond the "vn" lines read
      {"f 2147483648//1 2//1 3//1", false},
      {"f 1\\1 2\\1 3\\1", false},  // the character after v must be "/"
      {"f 1|1|1 2|1|1 3|1|1", false},
      {"f 1/1|1 2/1/1 3/1/1", false},   // so must the second one
      {"f 1/ 1/1 2/1/1 3/1/1", false},  // no whitespace before the texture number
      {"f 1//1 2//1 3//1x", false},     // the normal number must end the field
      {"f 1//1 2//1 3//1/4", false},
      {"f 1.0//1 2//1 3//1", false},
      {"f 1//1.5 2//1 3//1", false},
  };
  for (const FaceCase& c : cases) {
    Scene scene;
    const ObjReadReport report = readObjText(std::string(kFaceBase) + c.line + "\n", scene);
    EXPECT_EQ(scene.triangleCount(), c.read ? 1 : 0) << c.line;
    EXPECT_EQ(report.skippedLines, c.read ? 0u : 1u) << c.line;
    EXPECT_EQ(report.faceLines, 1u) << c.line;
  }
}

TEST(ObjReader, faceNumbersOnlyReachLinesAlreadyRead) {
  Scene scene;
  const ObjReadReport report = readObjText(
      "f 1//1 2//1 3//1\n"  // nothing read yet
      "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
      "f 1//1 2//1 3//1\n"  // no "vn" line yet
      "vn 0 0 1\n"
      "f 1//1 2//1 3//1\n",
      scene);
  EXPECT_EQ(scene.triangleCount(), 1);
  EXPECT_EQ(report.skippedLines, 2u);
  EXPECT_EQ(report.firstSkippedLines, (std::vector<std::uint64_t>{1, 5}));
}

TEST(ObjReader, numberZeroNeedsAnElementZeroInTheScene) {
  // Before any "v" or "vn" line the placeholder names nothing.
  Scene empty;
  const ObjReadReport early = readObjText("f 0//0 0//0 0//0\nv 0 0 0\nf 0//0 1//0 1//0\nvn 1 0 0\n", empty);
  EXPECT_EQ(empty.triangleCount(), 0);
  EXPECT_EQ(early.skippedLines, 2u);

  // Afterwards 0 gives Scene index 0, like the first line's number 1.
  Scene scene;
  readObjText("v 5 5 5\nv 0 0 0\nv 1 0 0\nvn 0 0 1\nvn 0 1 0\nf 0//0 2//2 3//2\n", scene);
  ASSERT_EQ(scene.triangleCount(), 1);
  EXPECT_EQ(vertexIndices(scene, 0), (Corners{0, 1, 2}));
  EXPECT_EQ(normalIndices(scene, 0), (Corners{0, 1, 1}));
}

TEST(ObjReader, appendsAfterWhatTheSceneAlreadyHolds) {
  Scene scene;
  scene.addVertex({7, 7, 7});
  scene.addNormal({0, 0, 1});
  const ObjReadReport report =
      readObjText("v 7 7 7\nv 1 0 0\nv 0 1 0\nvn 0 1 0\nf 0//0 2//1 3//1\nf 1//1 2//1 3//0\n", scene);
  // Merging only covers what this read saw: the first line appends again.
  EXPECT_EQ(scene.vertexCount(), 4);
  EXPECT_EQ(report.verticesAdded, 3u);
  EXPECT_EQ(report.normalsAdded, 1u);
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
      {"v 1 2 3", true},          {"v +1 .5 5.", true},   {"v 1e3 -2E-2 0", true},
      {"v 1 2 3 4", true},  // a fourth number is ignored
      {"v 1 2 3 # corner", true}, {"v 1 2 3 junk", true}, {"v\t1\v2\f3\r", true},
      {"v 1e-60 0 0", true},  // underflows to zero: finite
      {"v 1 2", false},           {"v", false},           {"v 1 2 x", false},
      {"v 1.0abc 2 3", false},    {"v 1 2 3abc", false},  {"v 1,5 2 3", false},
      {"v nan 0 0", false},       {"v 0 inf 0", false},   {"v 0 0 -inf", false},
      {"v 1e60 0 0", false},  // rounds to infinity in 32 bits
      {"v 0x1p3 0 0", false},     {"v 1e 2 3", false},    {"v . 2 3", false},
      {"v - 2 3", false},         {"vn 0 0 1", true},     {"vn 0 0", false},
      {"vn 0 0 nan", false},      {"vt 0.5 0.5", true},   {"vt 0.5 0.5 0.5", true},  // a third number is ignored
      {"vt 0.5", false},          {"vt 0.5 1e60", false}, {"vt nan 0", false},
  };
  for (const auto& c : cases) {
    Scene scene;
    const ObjReadReport report = readObjText(c.line, scene);
    EXPECT_EQ(report.skippedLines, c.read ? 0u : 1u) << c.line;
    const std::int32_t added = scene.vertexCount() + scene.normalCount();
    const bool isTexture = std::string_view(c.line).starts_with("vt");
    EXPECT_EQ(added, c.read && !isTexture ? 1 : 0) << c.line;
  }
}

TEST(ObjReader, skippedVertexAndNormalLinesKeepTheirNumbers) {
  Scene scene;
  const ObjReadReport report = readObjText(
      "v 0 0 0\nv 1 0 0\nv 1 unreadable 0\nv 0 1 0\n"  // numbers 1, 2, (3), 4
      "vn 0 0\nvn 0 0 1\n"                             // numbers (1), 2
      "f 1//2 2//2 4//2\n"                             // corners (0,0,0) (1,0,0) (0,1,0)
      "f 1//2 2//2 3//2\n"                             // uses the skipped "v" line
      "f 1//1 2//2 4//2\n",                            // uses the skipped "vn" line
      scene);
  ASSERT_EQ(scene.triangleCount(), 1);
  EXPECT_EQ(vertexIndices(scene, 0), (Corners{0, 1, 2}));
  EXPECT_TRUE(samePoint(scene.vertex(2), Point3{0, 1, 0}));
  EXPECT_EQ(report.firstSkippedLines, (std::vector<std::uint64_t>{3, 5, 8, 9}));
}

TEST(ObjReader, eachLineIsParsedOnItsOwn) {
  Scene scene;
  // The numbers of a short line are not completed from the line before.
  const ObjReadReport report = readObjText("v 1 2 3\nv 4 5\nv 6 7 8\n", scene);
  ASSERT_EQ(scene.vertexCount(), 2);
  EXPECT_TRUE(samePoint(scene.vertex(1), Point3{6, 7, 8}));
  EXPECT_EQ(report.firstSkippedLines, (std::vector<std::uint64_t>{2}));
}

// --- Lines ---------------------------------------------------------------------

TEST(ObjReader, blankLinesAndIgnoredKeywordsChangeNothing) {
  Scene plain;
  readObjText("v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//1\n", plain);
  Scene padded;
  const ObjReadReport report = readObjText(
      "\nv 0 0 0\n   \nv 1 0 0\n\t\r\n# a comment\n#glued\no room\ng wall\ns 1\nusemtl stone\nmtllib x.mtl\n"
      "vp 1\nl 1 2\np 1\nV 0 1 0\nVN 0 0 1\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//1\n\n  \n",
      padded);
  EXPECT_TRUE(sameScene(plain, padded));
  EXPECT_EQ(report.skippedLines, 0u);
  EXPECT_EQ(report.otherKeywordLines, 10u);  // o g s usemtl mtllib vp l p V VN
  EXPECT_EQ(report.lines, 22u);
}

TEST(ObjReader, linesOfAnyLengthAreReadWholeAndReadingGoesOn) {
  const std::string padding(5000, ' ');
  Scene scene;
  const ObjReadReport report =
      readObjText("v 1 2 3" + padding + "4\n# " + std::string(1023, 'x') + "\nv 5 6 7\n", scene);
  ASSERT_EQ(scene.vertexCount(), 2);
  EXPECT_TRUE(samePoint(scene.vertex(0), Point3{1, 2, 3}));
  EXPECT_TRUE(samePoint(scene.vertex(1), Point3{5, 6, 7}));
  EXPECT_EQ(report.lines, 3u);
}

TEST(ObjReader, lastLineWithoutLineFeedIsRead) {
  Scene scene;
  const ObjReadReport report = readObjText("v 1 2 3\nv 4 5 6", scene);
  EXPECT_EQ(scene.vertexCount(), 2);
  EXPECT_EQ(report.lines, 2u);
}

TEST(ObjReader, emptyAndNearlyEmptyTexts) {
  const struct {
    const char* text;
    std::uint64_t lines;
  } cases[] = {{"", 0}, {"\n", 1}, {"\n\n", 2}, {" ", 1}, {"\r\n", 1}, {"#", 1}, {"v", 1}, {"f", 1}};
  for (const auto& c : cases) {
    Scene scene;
    const ObjReadReport report = readObjText(c.text, scene);
    EXPECT_EQ(report.lines, c.lines) << c.text;
    EXPECT_EQ(scene.vertexCount() + scene.normalCount() + scene.triangleCount(), 0) << c.text;
  }
}

TEST(ObjReader, zeroByteCutsTheLine) {
  using namespace std::string_literals;
  Scene scene;
  const ObjReadReport report = readObjText(
      "v 1 2 3\0 9 9 9\n"s  // the rest of the line is ignored
      "v 4 5\0 6\n"s        // the third number lies beyond the cut
      "v\0 7 8 9\n"s        // a "v" without numbers
      "\0v 1 1 1\n"s,       // an empty line
      scene);
  ASSERT_EQ(scene.vertexCount(), 1);
  EXPECT_TRUE(samePoint(scene.vertex(0), Point3{1, 2, 3}));
  EXPECT_EQ(report.firstSkippedLines, (std::vector<std::uint64_t>{2, 3}));
  EXPECT_EQ(report.lines, 4u);
}

TEST(ObjReader, byteOrderMarkIsSkippedOnlyAtTheStart) {
  Scene scene;
  const ObjReadReport report = readObjText("\xEF\xBB\xBFv 1 2 3\n\xEF\xBB\xBFv 4 5 6\n", scene);
  ASSERT_EQ(scene.vertexCount(), 1);
  EXPECT_TRUE(samePoint(scene.vertex(0), Point3{1, 2, 3}));
  EXPECT_EQ(report.otherKeywordLines, 1u);
  EXPECT_EQ(report.bytes, 22u);
}

TEST(ObjReader, reportsSkippedLinesWithTheirFirstLineNumbers) {
  Scene scene;
  const ObjReadReport report = ObjReader(kObjDir / "bad_lines.obj").read(scene);
  EXPECT_TRUE(report.ok());
  EXPECT_EQ(report.lines, 35u);
  EXPECT_EQ(report.skippedLines, 16u);  // lines 8 to 23
  EXPECT_EQ(report.firstSkippedLines, (std::vector<std::uint64_t>{8, 9, 10, 11, 12, 13, 14, 15, 16, 17}));
  EXPECT_EQ(report.vertexLines, 11u);
  EXPECT_EQ(report.normalLines, 3u);
  EXPECT_EQ(report.texCoordLines, 2u);
  EXPECT_EQ(report.faceLines, 11u);
  EXPECT_EQ(report.otherKeywordLines, 4u);  // g usemtl s V
  EXPECT_EQ(report.verticesAdded, 5u);
  EXPECT_EQ(report.normalsAdded, 1u);  // "vn -0 0 2" merges into "vn 0 0 2"
  EXPECT_EQ(report.trianglesAdded, 3u);
  ASSERT_EQ(scene.triangleCount(), 3);
  EXPECT_EQ(vertexIndices(scene, 0), (Corners{0, 1, 2}));
  EXPECT_EQ(vertexIndices(scene, 1), (Corners{0, 1, 3}));
  EXPECT_EQ(vertexIndices(scene, 2), (Corners{0, 2, 4}));
  EXPECT_TRUE(samePoint(scene.vertex(4), Point3{5, 6, 7}));
}

// --- Files -----------------------------------------------------------------------

TEST(ObjReader, crLfLineEndsAndAByteOrderMarkReadLikeThePlainFile) {
  Scene plain;
  const ObjReadReport plainReport = ObjReader(kObjDir / "two_triangles.obj").read(plain);
  ASSERT_TRUE(plainReport.ok());
  ASSERT_EQ(plain.triangleCount(), 2);
  EXPECT_EQ(plain.vertexCount(), 4);
  for (const char* name : {"two_triangles_crlf.obj", "two_triangles_bom.obj"}) {
    Scene other;
    const ObjReadReport report = ObjReader(kObjDir / name).read(other);
    EXPECT_TRUE(sameScene(plain, other)) << name;
    EXPECT_EQ(report.skippedLines, 0u) << name;
    EXPECT_EQ(report.lines, plainReport.lines) << name;
  }
}

TEST(ObjReader, zeroBytesAndAMissingFinalLineFeedInFiles) {
  Scene cut;
  ObjReader(kObjDir / "zero_byte.obj").read(cut);
  ASSERT_EQ(cut.triangleCount(), 1);
  EXPECT_EQ(cut.vertexCount(), 3);

  Scene unterminated;
  const ObjReadReport report = ObjReader(kObjDir / "no_final_newline.obj").read(unterminated);
  EXPECT_EQ(report.lines, 10u);
  EXPECT_EQ(unterminated.triangleCount(), 3);
  EXPECT_EQ(report.skippedLines, 0u);
}

TEST(ObjReader, emptyFileReadsNothing) {
  const std::filesystem::path path = writeTempFile("empty.obj", "");
  Scene scene;
  const ObjReadReport report = ObjReader(path).read(scene);
  EXPECT_TRUE(report.ok());
  EXPECT_EQ(report.bytes, 0u);
  EXPECT_EQ(report.lines, 0u);
  EXPECT_EQ(scene.vertexCount(), 0);
  std::filesystem::remove(path);
}

TEST(ObjReader, missingFileGivesAnEmptySceneAndOneMessage) {
  const std::filesystem::path missing = kObjDir / "no_such_file.obj";
  Scene scene;
  ::testing::internal::CaptureStderr();
  const ObjReadReport report = ObjReader(missing).read(scene);
  const std::string message = ::testing::internal::GetCapturedStderr();
  EXPECT_FALSE(report.opened);
  EXPECT_FALSE(report.ok());
  EXPECT_EQ(scene.vertexCount() + scene.normalCount() + scene.triangleCount(), 0);
  EXPECT_EQ(message, "cannot open OBJ file \"" + missing.string() + "\": " + std::strerror(ENOENT) + "\n");
}

TEST(ObjReader, directoryIsReportedAsAReadError) {
  Scene scene;
  ::testing::internal::CaptureStderr();
  const ObjReadReport report = ObjReader(kObjDir).read(scene);
  const std::string message = ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(report.opened);
  EXPECT_TRUE(report.readError);
  EXPECT_FALSE(report.ok());
  EXPECT_EQ(scene.vertexCount(), 0);
  EXPECT_EQ(message, "error reading OBJ file \"" + kObjDir.string() + "\": " + std::strerror(EISDIR) + "\n");
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
  text += "v 1 2 3";  // no final line feed
  const std::filesystem::path path = writeTempFile("blocks.obj", text);

  Scene fromFile;
  const ObjReadReport fileReport = ObjReader(path).read(fromFile);
  Scene fromMemory;
  const ObjReadReport memoryReport = readObjText(text, fromMemory);
  EXPECT_TRUE(fileReport.ok());
  EXPECT_GT(fromFile.triangleCount(), 10000);
  EXPECT_TRUE(sameScene(fromFile, fromMemory));
  EXPECT_EQ(fileReport.bytes, text.size());
  EXPECT_EQ(fileReport.lines, memoryReport.lines);
  EXPECT_EQ(fileReport.skippedLines, memoryReport.skippedLines);
  EXPECT_EQ(fileReport.trianglesAdded, memoryReport.trianglesAdded);
  std::filesystem::remove(path);
}

TEST(ObjReader, readsTheSampleLevelWhole) {
  Scene scene;
  const ObjReadReport report = ObjReader(std::filesystem::path(PORTALWALK_LEVELS_DIR) / "folyosos.obj").read(scene);
  ASSERT_TRUE(report.ok());
  EXPECT_EQ(report.skippedLines, 0u);
  EXPECT_GT(report.faceLines, 0u);
  EXPECT_EQ(report.trianglesAdded, report.faceLines);
  EXPECT_LE(report.verticesAdded, report.vertexLines);
  for (std::int32_t t = 0; t < scene.triangleCount(); ++t) {
    const Point3& n = scene.triangle(t).planeNormal();
    EXPECT_NEAR(dot(n, n), 1.0, 1e-12) << "triangle " << t;
  }
}

TEST(ObjReader, readsTheSameUnderALocaleWithADecimalComma) {
  const char* const commaLocales[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "ru_RU.UTF-8"};
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  const char* chosen = nullptr;
  for (const char* name : commaLocales) {
    if (std::setlocale(LC_ALL, name) != nullptr) {
      chosen = name;
      break;
    }
  }
  if (chosen == nullptr) GTEST_SKIP() << "no locale with a decimal comma is installed";
  Scene scene;
  readObjText("v 0.5 1.25 -2.5\nv 1,5 2 3\n", scene);
  std::setlocale(LC_ALL, previous.c_str());
  ASSERT_EQ(scene.vertexCount(), 1);
  EXPECT_TRUE(samePoint(scene.vertex(0), Point3{0.5, 1.25, -2.5}));
}

}  // namespace
}  // namespace pw
