// Writing a file that must arrive whole: everything goes into a temporary
// file beside the target, which is renamed over the target only once all of
// it reached the disk. A failure leaves what was there before untouched and
// no half-written file behind. A link is followed to the file it names, which
// is replaced; a device or a pipe is written in place, never replaced.
#pragma once

#include <filesystem>
#include <fstream>
#include <ios>
#include <string>

namespace pw {

class FileReplacement {
 public:
  // Creates the temporary file ("." + the target's name + a unique suffix, in
  // the target's folder); `open` says whether that worked.
  FileReplacement(std::filesystem::path target, std::ios::openmode mode);
  // Removes the temporary file unless it was committed.
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // False, with the reason in `error`, when the temporary file could not be
  // made.
  bool open(std::string& error) const;
  std::ofstream& stream() { return out_; }
  // Closes the stream and renames the temporary file over the target. False,
  // with the reason in `error`, when anything did not reach the disk; the
  // target is then as it was.
  bool commit(std::string& error);

 private:
  std::filesystem::path target_;
  std::filesystem::path temporary_;
  std::string openFailure_;
  std::ofstream out_;
  bool committed_ = false;
};

// Writes with `write(stream)` in place of whatever `path` held. False, with
// the reason in `error`, when the file did not receive everything. Content
// that is bytes rather than lines (a PNG, the visible sets) passes
// std::ios::binary as `mode`; text keeps the default.
template <typename Write>
bool writeWholeFile(const std::filesystem::path& path, std::string& error, Write write,
                    std::ios::openmode mode = std::ios::out) {
  FileReplacement file(path, mode);
  if (!file.open(error)) return false;
  write(file.stream());
  return file.commit(error);
}

}  // namespace pw
