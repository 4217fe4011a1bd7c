#include <algorithm>
#include <cassert>
#include <charconv>
#include <cstring>
#include <limits>
#include <memory>
#include <system_error>

#include "scene/obj_fields.h"
#include "scene/obj_reader.h"
#include "scene/scene.h"

namespace pw {
namespace {

// A table may grow until its last entry is still a 32-bit face number.
constexpr std::size_t kMaxTableEntries = std::size_t{std::numeric_limits<std::int32_t>::max()} + 1;

// Sizes of the blocks that keep the first texts of positions: they double
// from the first to the largest, so that a small level allocates little (a
// longer text gets a block of its own).
constexpr std::size_t kFirstTextBlockBytes = std::size_t{1} << 12;
constexpr std::size_t kLargestTextBlockBytes = std::size_t{1} << 20;

// A kept text is its length as a 32-bit number, then the text and a zero
// byte. The length saturates here: such a text (of 4 GiB) is never taken
// for equal to another, only compared by value.
using KeptLength = std::uint32_t;
constexpr KeptLength kLongText = std::numeric_limits<KeptLength>::max();

// Whether OBJ number `number` names a Scene element through `table`. Entry 0
// is the placeholder holding Scene index 0, usable only when that element
// exists.
bool names(const std::vector<std::int32_t>& table, std::int32_t number, std::int32_t sceneCount) {
  if (number < 0 || static_cast<std::size_t>(number) >= table.size()) return false;
  if (number == 0) return sceneCount > 0;
  return table[static_cast<std::size_t>(number)] != ObjIndexMaps::kUnreadable;
}

// Appends `entry()` to `table` unless the table is full; `entry` is not
// called then, so nothing reaches the Scene without a number.
template <class Entry>
bool appendEntry(std::vector<std::int32_t>& table, Entry entry) {
  if (table.size() == kMaxTableEntries) return false;
  table.push_back(entry());
  return true;
}

// The 64-bit value of the next number field, which readObjFloat has read
// (so its digits are there and its magnitude is below a float's maximum):
// std::from_chars rounds it once, to the nearest double.
double readDouble(ObjCursor& cursor) {
  cursor.skipSpace();
  const char* const start = cursor.pos;
  while (!cursor.atFieldEnd()) ++cursor.pos;
  const char* const from = *start == '+' ? start + 1 : start;  // from_chars takes no "+"
  // The only range error left is a magnitude too small for a double, which
  // leaves the 0 here: it compares like the signed zero it rounds to.
  double value = 0.0;
  [[maybe_unused]] const auto [stop, error] = std::from_chars(from, cursor.pos, value, std::chars_format::general);
  assert((error == std::errc() || error == std::errc::result_out_of_range) && stop == cursor.pos);
  return value;
}

// Whether two "v" lines' numbers have different 64-bit values. Equal texts
// have equal values, so only texts that differ are converted.
bool differIn64Bits(std::string_view first, std::string_view second) {
  if (first == second) return false;
  ObjCursor a(first), b(second);
  for (int axis = 0; axis < 3; ++axis) {
    if (readDouble(a) != readDouble(b)) return true;  // 0 and -0 are one value, as in the merging
  }
  return false;
}

// A merge table made ready for this many positions holds 64 MiB.
constexpr std::size_t kMergeReserveMost = std::size_t{1} << 20;

}  // namespace

ObjIndexMaps::ObjIndexMaps(Scene& scene) : scene_(scene), firstVertex_(scene.vertexCount()) {}

void ObjIndexMaps::reserve(std::size_t vertexLines, std::size_t normalLines, std::size_t faceLines) {
  const auto count = [](std::int32_t n) { return static_cast<std::size_t>(n); };
  scene_.reserve(count(scene_.vertexCount()) + vertexLines, count(scene_.normalCount()) + normalLines,
                 count(scene_.triangleCount()) + faceLines);
  vertexTable_.reserve(vertexTable_.size() + vertexLines);
  firstTexts_.reserve(firstTexts_.size() + vertexLines);
  normalTable_.reserve(normalTable_.size() + normalLines);
  // The merge tables are filled when made, and lines that repeat a position
  // add nothing to them: they are made ready for a bounded number only.
  vertexMerge_.reserve(vertexMerge_.size() + std::min(vertexLines, kMergeReserveMost));
  normalMerge_.reserve(normalMerge_.size() + std::min(normalLines, kMergeReserveMost));
}

const char* ObjIndexMaps::keepText(std::string_view text) {
  const std::size_t bytes = sizeof(KeptLength) + text.size() + 1;
  if (bytes > textLeft_) startTextBlock(bytes);
  char* const kept = textFree_;
  const auto length = static_cast<KeptLength>(std::min<std::size_t>(text.size(), kLongText));
  std::memcpy(kept, &length, sizeof length);
  std::memcpy(kept + sizeof length, text.data(), text.size());
  kept[sizeof length + text.size()] = '\0';
  textFree_ += bytes;
  textLeft_ -= bytes;
  return kept;
}

void ObjIndexMaps::startTextBlock(std::size_t bytes) {
  const std::size_t usual =
      textBlocks_.empty() ? kFirstTextBlockBytes : std::min(2 * textBlockBytes_, kLargestTextBlockBytes);
  textLeft_ = std::max(usual, bytes);
  textBlockBytes_ = usual;
  textBlocks_.push_back(std::make_unique_for_overwrite<char[]>(textLeft_));
  textFree_ = textBlocks_.back().get();
}

bool ObjIndexMaps::addVertex(const Point3& position, std::string_view numbers) {
  bool added = false;
  const bool numbered = appendEntry(vertexTable_, [&] {
    return vertexMerge_.findOrAdd(position, [&] {
      added = true;
      return scene_.addVertex(position);
    });
  });
  if (!numbered) return false;
  if (added) {
    firstTexts_.push_back(keepText(numbers));
  } else {
    const char* const kept = firstTexts_[static_cast<std::size_t>(vertexTable_.back() - firstVertex_)];
    KeptLength length = 0;
    std::memcpy(&length, kept, sizeof length);
    const char* const first = kept + sizeof length;  // ends at a zero byte
    // Equal texts have equal values.
    const bool sameText =
        length == numbers.size() && length != kLongText && std::memcmp(first, numbers.data(), length) == 0;
    if (!sameText && differIn64Bits(first, numbers)) ++mergedByRounding_;
  }
  return true;
}

bool ObjIndexMaps::addUnreadableVertex() {
  return appendEntry(vertexTable_, [] { return kUnreadable; });
}

bool ObjIndexMaps::addNormal(const Point3& normal) {
  return appendEntry(normalTable_,
                     [&] { return normalMerge_.findOrAdd(normal, [&] { return scene_.addNormal(normal); }); });
}

bool ObjIndexMaps::addUnreadableNormal() {
  return appendEntry(normalTable_, [] { return kUnreadable; });
}

bool ObjIndexMaps::addFace(std::int32_t v1, std::int32_t v2, std::int32_t v3, std::int32_t n1, std::int32_t n2,
                           std::int32_t n3) {
  const std::int32_t vertices = scene_.vertexCount();
  const std::int32_t normals = scene_.normalCount();
  if (!names(vertexTable_, v1, vertices) || !names(vertexTable_, v2, vertices) || !names(vertexTable_, v3, vertices) ||
      !names(normalTable_, n1, normals) || !names(normalTable_, n2, normals) || !names(normalTable_, n3, normals)) {
    return false;
  }
  const auto at = [](const std::vector<std::int32_t>& table, std::int32_t number) {
    return table[static_cast<std::size_t>(number)];
  };
  scene_.addTriangle(at(vertexTable_, v1), at(vertexTable_, v2), at(vertexTable_, v3), at(normalTable_, n1),
                     at(normalTable_, n2), at(normalTable_, n3));
  return true;
}

bool ObjIndexMaps::addFan(std::span<const std::int32_t> vertices, std::span<const std::int32_t> normals) {
  assert(vertices.size() >= 3 && normals.size() == vertices.size());
  const std::int32_t vertexCount = scene_.vertexCount();
  const std::int32_t normalCount = scene_.normalCount();
  for (std::size_t corner = 0; corner < vertices.size(); ++corner) {
    if (!names(vertexTable_, vertices[corner], vertexCount) || !names(normalTable_, normals[corner], normalCount)) {
      return false;
    }
  }
  const auto v = [&](std::size_t corner) { return vertexTable_[static_cast<std::size_t>(vertices[corner])]; };
  const auto n = [&](std::size_t corner) { return normalTable_[static_cast<std::size_t>(normals[corner])]; };
  for (std::size_t k = 1; k + 1 < vertices.size(); ++k) {
    scene_.addTriangle(v(0), v(k), v(k + 1), n(0), n(k), n(k + 1));
  }
  return true;
}

}  // namespace pw
