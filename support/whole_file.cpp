#include "support/whole_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <utility>

namespace pw {
namespace {

// Makes a fresh file of this process's own beside `target`; O_EXCL so that a
// name already taken (by a file, a folder or a planted link) is never
// written through. Empty, with errno set, when no name could be had.
std::filesystem::path createTemporaryBeside(const std::filesystem::path& target) {
  static unsigned counter = 0;
  const std::filesystem::path folder = target.parent_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    // Appended piece by piece: GCC 12 warns wrongly about one long sum.
    std::string name = ".";
    name += target.filename().string();
    name += ".tmp";
    name += std::to_string(getpid());
    name += '-';
    name += std::to_string(counter++);
    const std::filesystem::path candidate = folder / name;
    // The usual 0666 less the umask, as the target would have got.
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::close(fd);
      return candidate;
    }
    if (errno != EEXIST) return {};
  }
  return {};
}

}  // namespace

FileReplacement::FileReplacement(std::filesystem::path target, std::ios::openmode mode)
    : target_(std::move(target)) {
  if (target_.filename().empty()) {
    openFailure_ = "not a file name";
    return;
  }
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(target_, error);
  if (std::filesystem::is_directory(status)) {
    openFailure_ = "it is a folder";
    return;
  }
  if (std::filesystem::exists(status)) {
    // Through links to the file itself, so that the link stays a link.
    std::filesystem::path real = std::filesystem::canonical(target_, error);
    if (!error) target_ = std::move(real);
    if (!std::filesystem::is_regular_file(status)) {
      // A device or a pipe cannot be replaced: it is written in place.
      out_.open(target_, mode | std::ios::out);
      if (!out_) openFailure_ = std::strerror(errno);
      return;
    }
  }
  temporary_ = createTemporaryBeside(target_);
  if (temporary_.empty()) {
    openFailure_ = std::strerror(errno);
    return;
  }
  out_.open(temporary_, mode | std::ios::out | std::ios::trunc);
  if (!out_) openFailure_ = std::strerror(errno);
}

FileReplacement::~FileReplacement() {
  if (committed_ || temporary_.empty()) return;
  out_.close();
  std::error_code ignored;
  std::filesystem::remove(temporary_, ignored);
}

bool FileReplacement::open(std::string& error) const {
  if (openFailure_.empty()) return true;
  error = openFailure_;
  return false;
}

bool FileReplacement::commit(std::string& error) {
  if (!open(error)) return false;
  out_.close();
  if (!out_) {
    error = std::strerror(errno);
    return false;
  }
  if (temporary_.empty()) {
    committed_ = true;
    return true;
  }
  if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
    error = std::strerror(errno);
    return false;
  }
  committed_ = true;
  return true;
}

}  // namespace pw
