// The potentially visible sets on disk, so that the viewer need not flood the
// cell graph at start-up: a text header line "PVS1 <spaces> <triangles>
// <box>" (the format's version; the tree's Space count and the built Scene's
// triangle count, which tie the file to one build of one level; the six
// coordinates of the sets' eye box, min then max, exact to the last bit),
// then one row
// per Space of (spaces + 7) / 8 bytes, bit s of byte s / 8 (least significant
// first) set when that row's Space may see Space 8 * (s / 8) + s % 8 + 1.
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
  bool operator==(const VisFingerprint&) const = default;
};

class Scene;
struct BspNode;

// The fingerprint of the tree under `root`, built from `scene`.
VisFingerprint visFingerprint(const Scene& scene, const BspNode& root);

// False, with the reason in `error`, when the file cannot be written whole.
bool writeVisFile(const std::filesystem::path& path, const VisibleSets& sets, const VisFingerprint& level,
                  std::string& error);

// Unset, with the reason in `error`, when the file cannot be read, is not a
// regular file, is not a whole and undamaged file of this format, or belongs
// to another build than `level`. Reads no more than the header and the rows
// that `level` can have.
std::optional<VisibleSets> readVisFile(const std::filesystem::path& path, const VisFingerprint& level,
                                       std::string& error);

}  // namespace pw
