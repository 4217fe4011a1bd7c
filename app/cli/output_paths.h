// Outputs never replace inputs. Two paths are compared by identity (device
// and inode, links followed), not by spelling, so that a hard link or a
// symbolic link to the level is caught as surely as its own name.
#pragma once

#include <filesystem>
#include <span>
#include <string>

namespace pw {

// A file a program reads or writes, with how the user named it ("--json",
// "the level").
struct NamedPath {
  std::string role;
  std::filesystem::path path;
};

// Why some output may not be written: the first output that is an input
// ("--json x.json is the level a.obj"), or empty when none is. An output
// that does not exist yet is no input.
std::string outputNamingInput(std::span<const NamedPath> outputs, std::span<const NamedPath> inputs);

}  // namespace pw
