// portalbuild run as a program: exit codes, the files it writes, its JSON.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "bsp_test_support.h"
#include "tools/levelgen.h"

namespace pw {
namespace {

using testing_support::readFile;
using testing_support::ScratchDir;

const std::filesystem::path kSample = std::filesystem::path(PORTALWALK_LEVELS_DIR) / "folyosos.obj";

struct ProgramRun {
  int exitCode;
  std::string out;
  std::string err;
};

// Runs portalbuild with `arguments` (already quoted) in `workDir`.
ProgramRun portalbuild(const ScratchDir& dir, const std::string& arguments, const std::filesystem::path& workDir) {
  std::ostringstream command;
  command << "cd '" << workDir.string() << "' && '" << PORTALBUILD_PATH << "' " << arguments << " >'"
          << (dir.file("stdout.txt")).string() << "' 2>'" << (dir.file("stderr.txt")).string() << "'";
  const int status = std::system(command.str().c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(dir.file("stdout.txt")), readFile(dir.file("stderr.txt"))};
}

std::string quoted(const std::filesystem::path& path) {
  std::ostringstream text;
  text << '\'' << path.string() << '\'';
  return text.str();
}

// A small recursive-descent check that `text` is one well-formed JSON value.
class JsonChecker {
 public:
  explicit JsonChecker(std::string_view text) : text_(text) {}
  bool wellFormed() {
    skipBlanks();
    if (!value()) return false;
    skipBlanks();
    return at_ == text_.size();
  }

 private:
  void skipBlanks() {
    while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
  }
  bool take(char c) {
    skipBlanks();
    if (at_ < text_.size() && text_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }
  bool string() {
    if (!take('"')) return false;
    while (at_ < text_.size() && text_[at_] != '"') {
      if (static_cast<unsigned char>(text_[at_]) < 0x20) return false;
      at_ += text_[at_] == '\\' ? 2 : 1;
    }
    return take('"');
  }
  bool number() {
    const std::size_t start = at_;
    if (at_ < text_.size() && text_[at_] == '-') ++at_;
    while (at_ < text_.size() && (std::isdigit(static_cast<unsigned char>(text_[at_])) || text_[at_] == '.' ||
                                  text_[at_] == 'e' || text_[at_] == 'E' || text_[at_] == '+' || text_[at_] == '-')) {
      ++at_;
    }
    return at_ > start && std::isdigit(static_cast<unsigned char>(text_[at_ - 1]));
  }
  template <typename Item>
  bool sequence(char close, Item item) {
    if (take(close)) return true;
    do {
      if (!item()) return false;
    } while (take(','));
    return take(close);
  }
  bool value() {
    skipBlanks();
    if (at_ >= text_.size()) return false;
    switch (text_[at_]) {
      case '{':
        ++at_;
        return sequence('}', [this] { return string() && take(':') && value(); });
      case '[':
        ++at_;
        return sequence(']', [this] { return value(); });
      case '"':
        return string();
      case 't':
      case 'f':
        for (const std::string_view literal : {std::string_view("true"), std::string_view("false")}) {
          if (text_.substr(at_, literal.size()) == literal) {
            at_ += literal.size();
            return true;
          }
        }
        return false;
      default:
        return number();
    }
  }

  std::string_view text_;
  std::size_t at_ = 0;
};

TEST(Portalbuild, compilesTheSampleIntoTheOutputFolderWithJson) {
  ScratchDir dir;
  const std::filesystem::path out = dir.file("nested") / "out";
  const ProgramRun run =
      portalbuild(dir, quoted(kSample) + " -o " + quoted(out) + " --json " + quoted(dir.file("s.json")), dir.path());
  EXPECT_EQ(run.exitCode, 0) << run.err;
  for (const char* name : {"out.log", "contours.log", "tris.log"}) {
    EXPECT_FALSE(readFile(out / name).empty()) << name;
  }
  EXPECT_NE(run.out.find("Spaces"), std::string::npos);
  EXPECT_NE(run.out.find("peak memory"), std::string::npos);
  EXPECT_EQ(run.err, "");  // no progress when stderr is not a terminal

  const std::string json = readFile(dir.file("s.json"));
  EXPECT_TRUE(JsonChecker(json).wellFormed()) << json;
  for (const char* field :
       {"\"level\"", "\"inputTriangles\"", "\"skippedLines\"", "\"firstSkippedLines\"", "\"triangles\"",
        "\"trianglesSplit\"", "\"innerNodes\"", "\"spaces\"", "\"forcedSpaces\"", "\"treeDepth\"", "\"portalsCreated\"",
        "\"leafFragments\"", "\"seconds\"", "\"cutterChoice\"", "\"portalCreation\"", "\"peakMemoryKiB\"",
        "\"strategy\"", "\"threads\"", "\"peakBytesPerTriangle\""}) {
    EXPECT_NE(json.find(field), std::string::npos) << field;
  }
  EXPECT_NE(json.find("\"inputTriangles\": 560"), std::string::npos);
}

TEST(Portalbuild, writesIntoTheWorkingDirectoryByDefaultAndQuietPrintsNothing) {
  ScratchDir dir;
  const ProgramRun run = portalbuild(dir, quoted(kSample) + " -q", dir.path());
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_TRUE(std::filesystem::exists(dir.file("out.log")));
  EXPECT_TRUE(std::filesystem::exists(dir.file("contours.log")));
}

// A convex room makes no split, so no portal creation writes "tris.log":
// one left from an earlier run is gone.
TEST(Portalbuild, removesAStaleTrisLog) {
  ScratchDir dir;
  Layout room;
  room.rooms = {{{0, 0, 0}, {2, 2, 2}}};
  room.cuts = {{{0, 2}, {0, 2}, {0, 2}}};
  {
    std::ofstream obj(dir.file("room.obj"));
    writeObj(obj, layoutMesh(room));
    std::ofstream stale(dir.file("tris.log"));
    stale << "1 2 3\n";
  }
  const ProgramRun run = portalbuild(dir, "room.obj -q", dir.path());
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_FALSE(std::filesystem::exists(dir.file("tris.log")));
  EXPECT_NE(readFile(dir.file("out.log")).find("ID: 0000000000000001"), std::string::npos);
}

// A closed box reports nothing; the same box missing one triangle reports the
// three edges around the hole, warns, and writes them as OBJ lines.
TEST(Portalbuild, reportsTheOpenEdgesOfABoxWithOneTriangleMissing) {
  ScratchDir dir;
  Layout room;
  room.rooms = {{{0, 0, 0}, {2, 2, 2}}};
  room.cuts = {{{0, 2}, {0, 2}, {0, 2}}};
  Mesh box = layoutMesh(room);
  {
    std::ofstream obj(dir.file("closed.obj"));
    writeObj(obj, box);
  }
  box.faces.pop_back();
  {
    std::ofstream obj(dir.file("open.obj"));
    writeObj(obj, box);
  }
  const ProgramRun closed = portalbuild(dir, "closed.obj -o c --json c.json", dir.path());
  ASSERT_EQ(closed.exitCode, 0) << closed.err;
  EXPECT_EQ(closed.out.find("open level"), std::string::npos) << closed.out;
  EXPECT_EQ(closed.out.find("warning"), std::string::npos) << closed.out;
  EXPECT_NE(readFile(dir.file("c.json")).find("\"closed\": true, \"openEdges\": 0"), std::string::npos);

  const ProgramRun open = portalbuild(dir, "open.obj -o o --json o.json --open-edges holes.obj", dir.path());
  ASSERT_EQ(open.exitCode, 0) << open.err;
  EXPECT_NE(open.out.find("open level:   3 open edges;"), std::string::npos) << open.out;
  EXPECT_NE(open.out.find("warning:"), std::string::npos) << open.out;
  const std::string json = readFile(dir.file("o.json"));
  EXPECT_TRUE(JsonChecker(json).wellFormed()) << json;
  EXPECT_NE(json.find("\"closed\": false, \"openEdges\": 3"), std::string::npos) << json;
  const std::string holes = readFile(dir.file("holes.obj"));
  std::size_t lines = 0, vertices = 0;
  for (std::size_t at = holes.find('\n'); at != std::string::npos && at + 1 < holes.size(); at = holes.find('\n', at + 1)) {
    lines += holes.compare(at + 1, 2, "l ") == 0 ? 1 : 0;
    vertices += holes.compare(at + 1, 2, "v ") == 0 ? 1 : 0;
  }
  EXPECT_EQ(lines, 3u) << holes;
  EXPECT_EQ(vertices, 3u) << holes;
}

// Input that loses data, or cannot serve the build, is never passed off as
// a clean build: each case names what the user is told and the exit code.
TEST(Portalbuild, saysWhatWasLostOrCannotServe) {
  const std::string box =  // one triangle; scaled and shifted by the cases
      "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//1\n";
  const std::string quad = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//1 4//1\n";
  const struct {
    const char* name;
    std::string level;  // the bytes of level.obj; empty: made by `prepare`
    std::string arguments;
    int exitCode;
    const char* says;
  } cases[] = {
      {"fullDisk", box, "-o full", 1, "cannot write full/out.log: No space left on device"},
      {"fullDiskNamesTheIncompleteLogs", box, "-o full", 1, "incomplete logs: out.log"},
      {"outputFolderIsAFile", box, "-o level.obj/x", 1, "cannot make the output folder"},
      {"polygonLosesCorners", quad, "", 0, "1 faces had more than 3 corners; only their first triangle was read (line 6)"},
      {"polygonTriangulated", quad, "--triangulate", 0, "2 triangles"},
      {"utf16", std::string("\xFF\xFE", 2) + "v\0 \0", "", 2, "UTF-16 text is not supported; save the level as UTF-8"},
      {"carriageReturnsOnly", "v 0 0 0\rv 1 0 0\rv 0 1 0\rvn 0 0 1\rf 1//1 2//1 3//1\r", "", 0,
       "line ends:    carriage returns"},
      {"directoryAsLevel", "", "folder", 2, "Is a directory"},
      {"nothingToBuild", "# no faces\nv 0 0 0\n", "", 1, "nothing to build"},
      {"tinyLevel", "v 0 0 0\nv 1e-6 0 0\nv 0 1e-6 0\nvn 0 0 1\nf 1//1 2//1 3//1\n", "", 0, "under 1000 times the plane"},
      {"positionsMergedByFloats",
       "v 1e15 0 0\nv 1000000000000000.1 0 0\nv 0 1 0\nv 0 0 1\nvn 0 0 1\nf 1//1 3//1 4//1\n", "", 0,
       "1 vertex positions that differ in the file became one"},
      {"allDegenerate", "v 0 0 0\nv 1 0 0\nv 2 0 0\nvn 0 0 1\nf 1//1 2//1 3//1\n", "", 0,
       "every triangle is degenerate"},
  };
  for (const auto& c : cases) {
    ScratchDir dir;
    testing_support::writeFile(dir.file("level.obj"), c.level);
    std::filesystem::create_directories(dir.file("folder"));
    std::filesystem::create_directories(dir.file("full"));
    std::filesystem::create_symlink("/dev/full", dir.file("full") / "out.log");
    const std::string level = c.arguments == "folder" ? "folder" : "level.obj " + c.arguments;
    const ProgramRun run = portalbuild(dir, level, dir.path());
    EXPECT_EQ(run.exitCode, c.exitCode) << c.name << "\n" << run.out << run.err;
    EXPECT_NE((run.out + run.err).find(c.says), std::string::npos) << c.name << "\n" << run.out << run.err;
  }
}

TEST(Portalbuild, missingLevelIsAnInputErrorNamingTheFile) {
  ScratchDir dir;
  const ProgramRun run = portalbuild(dir, "no_such_level.obj", dir.path());
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("no_such_level.obj"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.log")));

  // The default level is "folyosos.obj" in the working directory.
  const ProgramRun byDefault = portalbuild(dir, "", dir.path());
  EXPECT_EQ(byDefault.exitCode, 2);
  EXPECT_NE(byDefault.err.find("folyosos.obj"), std::string::npos);
}

TEST(Portalbuild, usageErrorsAndHelp) {
  ScratchDir dir;
  EXPECT_EQ(portalbuild(dir, "--frobnicate", dir.path()).exitCode, 2);
  EXPECT_EQ(portalbuild(dir, "a.obj b.obj", dir.path()).exitCode, 2);
  EXPECT_EQ(portalbuild(dir, "-o", dir.path()).exitCode, 2);
  for (const char* threads : {"--threads", "--threads 0", "--threads -1", "--threads 2x", "--threads 99999999999"}) {
    const ProgramRun run = portalbuild(dir, quoted(kSample) + " " + threads, dir.path());
    EXPECT_EQ(run.exitCode, 2) << threads;
    EXPECT_NE(run.err.find("--threads"), std::string::npos) << threads;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.log")));
  const ProgramRun help = portalbuild(dir, "--help", dir.path());
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("usage: portalbuild"), std::string::npos);
  for (const char* option : {"--json", "--threads N", "--straightforward"}) {
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  }
}

// The straightforward build and the fast one on any number of threads
// write the same three logs; the summary says which build ran.
TEST(Portalbuild, everyBuildAndThreadCountWritesTheSameLogs) {
  ScratchDir dir;
  {
    std::ofstream obj(dir.file("level.obj"));
    writeObj(obj, layoutMesh(roomsAndCorridors({2, 2, 1, 4})));
  }
  const struct {
    const char* arguments;
    const char* folder;
    const char* says;
  } runs[] = {
      {"--straightforward", "reference", "build:        straightforward"},
      {"--threads 1", "one", "build:        fast, 1 thread\n"},
      {"--threads 3", "three", "build:        fast, 3 threads"},
      {"", "default", "build:        fast, "},
  };
  for (const auto& r : runs) {
    const ProgramRun run = portalbuild(dir, std::string("level.obj -o ") + r.folder + " " + r.arguments, dir.path());
    ASSERT_EQ(run.exitCode, 0) << r.arguments << run.err;
    EXPECT_NE(run.out.find(r.says), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("bytes per input triangle"), std::string::npos);
  }
  for (const char* name : {"out.log", "contours.log", "tris.log"}) {
    const std::string reference = readFile(dir.file("reference") / name);
    EXPECT_FALSE(reference.empty()) << name;
    for (const char* folder : {"one", "three", "default"}) {
      EXPECT_TRUE(readFile(dir.file(folder) / name) == reference) << folder << "/" << name;
    }
  }
}

}  // namespace
}  // namespace pw
