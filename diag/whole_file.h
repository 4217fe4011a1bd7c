// Writing a file that must arrive whole.
#pragma once

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace pw {

// Writes with `write(stream)` into a fresh file at `path`. False, with the
// reason in `error`, when the file did not receive everything.
template <typename Write>
bool writeWholeFile(const std::filesystem::path& path, std::string& error, Write write) {
  std::ofstream out(path, std::ios::trunc);
  write(out);
  out.close();
  if (!out) {
    error = std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace pw
