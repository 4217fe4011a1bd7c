#include "scene/obj_reader.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>

#include "scene/scene.h"

namespace pw {
namespace {

using Corners = std::array<std::int32_t, 3>;
using Lines = std::vector<std::uint64_t>;

const std::filesystem::path kObjDir = std::filesystem::path(PORTALWALK_TEST_DATA_DIR) / "obj";
constexpr const char* kTriangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\n";

Corners vertexIndices(const Scene& scene, std::int32_t triangle) {
  const Triangle& t = scene.triangle(triangle);
  return {t.vertexIndex(0), t.vertexIndex(1), t.vertexIndex(2)};
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


// The grammar: which lines after a triangle's "v" and "vn" lines are read and
// which are skipped. A skipped line adds nothing.
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
      {"f -1//1 -2//1 -3//1", false},  // relative numbers
      {"f 1//1 2//1 4//1", false},  // vertex number beyond the "v" lines read
      {"f 1//1 2//1 3//2", false},  // normal number beyond the "vn" lines read
      {"f 2147483648//1 2//1 3//1", false},
      {"f 1\\1 2\\1 3\\1", false},  // the separators must be "/"
      {"f 1/ 1/1 2/1/1 3/1/1", false},  // no whitespace before the texture number
      {"f 1//1 2//1 3//1x", false},     // the normal number must end the field
      {"f 1.0//1 2//1 3//1", false},
      {"v 1 2 3 # c", true},   {"v +1 .5 5. junk", true},  {"v\t1\v2\f3\r", true},  {"v 1e-30 0 0", true},
      {"v 1 2", false},        {"v 1.0abc 2 3", false},  {"v 1,5 2 3", false},     {"v nan 0 0", false},
      {"v 1e60 0 0", false},   {"v 0x1p3 0 0", false},   {"vn 0 0", false},        {"vn 0 0 inf", false},
      {"vt 0.5 0.5", true},    {"vt 0.5", false},
  };
  for (const auto& c : cases) {
    const Read r(std::string(kTriangle) + c.line + "\n");
    EXPECT_EQ(r.report.skippedLines, c.read ? 0u : 1u) << c.line;
    const bool face = c.line[0] == 'f', position = c.line[1] == ' ' || c.line[1] == '\t';
    EXPECT_EQ(r.scene.triangleCount(), face && c.read ? 1 : 0) << c.line;
    EXPECT_EQ(r.scene.vertexCount(), !face && position && c.read ? 4 : 3) << c.line;
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


// Lines of any length are read whole (no 1023-character limit that would lose
// the rest of the file), and the last line needs no line feed.
TEST(ObjReader, linesOfAnyLengthAreReadWholeAndReadingGoesOn) {
  const Read r("v 1 2 3" + std::string(5000, ' ') + "4\n# " + std::string(1023, 'x') + "\nv 5 6 7");
  ASSERT_EQ(r.scene.vertexCount(), 2);
  EXPECT_TRUE(samePoint(r.scene.vertex(0), Point3{1, 2, 3}));
  EXPECT_TRUE(samePoint(r.scene.vertex(1), Point3{5, 6, 7}));
  EXPECT_EQ(r.report.lines, 3u);
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

}  // namespace
}  // namespace pw
