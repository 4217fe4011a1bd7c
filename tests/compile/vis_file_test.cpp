#include "compile/vis_file.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/helpers/scratch_dir.h"

namespace pw {
namespace {

using testing_support::ScratchDir;

std::string flipped(std::string bytes, std::size_t at) {
  bytes[at] = static_cast<char>(bytes[at] ^ 0x04);
  return bytes;
}

// 70 Spaces: rows of two words, runs that end a row seeing and not seeing,
// and each way a Space's sources are told.
TEST(VisFile, readsBackWhatItWroteAndRefusesAnyOtherFile) {
  const ScratchDir dir;
  const Bounds box{{-1.0 / 3.0, 0.0, 2.5}, {7.1, 4.0, 9.0e-17}};
  VisibleSets sets(70, box);
  for (const auto& [from, to] : {std::pair{1, 1}, {1, 70}, {2, 64}, {2, 65}, {70, 3}}) sets.add(from, to);
  for (std::uint64_t to = 1; to <= 70; ++to) sets.add(5, to);
  const ConvexSides slab{{{0.0, 1.0, 0.0}, {0.0, 1.0 / 3.0, 0.0}}, {{0.0, -1.0, 0.0}, {0.0, 2.0, 0.0}}};
  sets.eyes(2) = {SpaceSources::None, {}};
  sets.eyes(3) = {SpaceSources::AllBut, {slab}};
  sets.eyes(70) = {SpaceSources::OnlyThe, {slab, {slab.front()}}};
  sets.making = {.full = true, .sealed = true};
  const VisFingerprint level{70, 1234, 0xfeedULL};
  std::string error;
  ASSERT_TRUE(writeVisFile(dir.file("v.pvs"), sets, level, error)) << error;

  const auto read = readVisFile(dir.file("v.pvs"), level, error);
  ASSERT_TRUE(read) << error;
  EXPECT_EQ(read->words(), sets.words());
  EXPECT_EQ(read->eyeBox().min.x, box.min.x);
  EXPECT_EQ(read->eyeBox().max.z, box.max.z);
  EXPECT_EQ(read->count(2), 2U);
  EXPECT_EQ(read->making, sets.making);
  for (const std::uint64_t space : {1, 2, 3, 70}) {
    EXPECT_EQ(read->eyes(space).sources, sets.eyes(space).sources) << space;
    ASSERT_EQ(read->eyes(space).listed.size(), sets.eyes(space).listed.size()) << space;
  }
  EXPECT_EQ(read->eyes(70).listed[1].size(), 1U);
  EXPECT_EQ(read->eyes(3).listed[0][0].anchor.y, 1.0 / 3.0);
  EXPECT_EQ(std::filesystem::file_size(dir.file("v.pvs")), visFileBytes(sets, level));

  const std::string whole = testing_support::readFile(dir.file("v.pvs"));
  struct Refusal {
    std::string contents;
    VisFingerprint expected;
    std::string why;
  };
  for (const Refusal& refusal : {
           Refusal{whole, {70, 1235, 0xfeedULL}, "made for another build (70 Spaces, 1234"},
           Refusal{whole, {70, 1234, 0xbeefULL}, "made for another build (its triangles"},
           Refusal{whole.substr(0, whole.size() - 1), level, "cut short"},
           Refusal{whole + "x", level, "longer than its header says"},
           Refusal{"PVS4" + whole.substr(4), level, "not a visible-sets file"},
           Refusal{"PVS2" + whole.substr(4), level, "written by an older portalbuild"},
           Refusal{whole.substr(0, whole.size() - 1) + static_cast<char>(whole.back() ^ 0x10), level, "damaged"},
           // A bit of a plane: the body still reads, the checksum tells.
           Refusal{flipped(whole, whole.find('\n') + 9), level, "damaged: its checksum"},
           Refusal{std::string(4096, 'P'), level, "not a visible-sets file"},
       }) {
    testing_support::writeFile(dir.file("bad.pvs"), refusal.contents);
    EXPECT_FALSE(readVisFile(dir.file("bad.pvs"), refusal.expected, error));
    EXPECT_EQ(error.substr(0, refusal.why.size()), refusal.why);
  }
  // A device that never ends is not read.
  EXPECT_FALSE(readVisFile("/dev/zero", level, error));
  EXPECT_EQ(error, "not a regular file");
}

}  // namespace
}  // namespace pw
