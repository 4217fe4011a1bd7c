// The potentially visible sets on disk, so that the viewer need not make
// them at start-up.
//
// A text header line "PVS3 <spaces> <triangles> <identity> <full> <sealed>
// <box> <body bytes> <checksum>": the format's version; the tree's Space
// count, the built Scene's triangle count and a hash of its corners (in
// hexadecimal), which tie the file to one build of one level; how the sets
// were made (0 or 1 each: portal flow, the void sealed); the six coordinates
// of the sets' eye box, min then max, exact to the last bit; the length of
// the binary body that follows and an FNV-1a hash of it (hexadecimal).
//
// The body, numbers as LEB128 unsigned varints and planes as six IEEE
// doubles little-endian (the unit normal's x y z, then a point's on it):
// for each Space in order, its sources (0 all, 1 none, 2 all but those
// listed, 3 only those listed; with 2 and 3 the count of the regions listed,
// and for each the count of its sides and the sides); then for
// each Space its row as run lengths, alternately of Spaces it does not see
// and of Spaces it sees, starting with the former (which may be 0), until
// they add up to the Space count.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "cells/visible_sets.h"

namespace pw {

// The file portalbuild writes next to the logs.
inline constexpr const char* kVisFileName = "visible.pvs";

// The built level a file belongs to.
struct VisFingerprint {
  std::uint64_t spaces = 0;
  std::uint64_t triangles = 0;
  std::uint64_t corners = 0;  // a hash of every triangle's corners, in order
  bool operator==(const VisFingerprint&) const = default;
};

class Scene;
struct BspNode;

// The fingerprint of the tree under `root`, built from `scene`.
VisFingerprint visFingerprint(const Scene& scene, const BspNode& root);

// False, with the reason in `error`, when the file cannot be written whole.
bool writeVisFile(const std::filesystem::path& path, const VisibleSets& sets, const VisFingerprint& level,
                  std::string& error);

// The bytes a file of these sets takes.
std::uint64_t visFileBytes(const VisibleSets& sets, const VisFingerprint& level);

// Unset, with the reason in `error`, when the file cannot be read, is not a
// regular file, is not a whole and undamaged file of this format, or belongs
// to another build than `level`. Reads no more than the header and the body
// its size in bytes (checked against the file's) gives.
std::optional<VisibleSets> readVisFile(const std::filesystem::path& path, const VisFingerprint& level,
                                       std::string& error);

}  // namespace pw
