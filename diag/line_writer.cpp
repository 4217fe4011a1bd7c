#include "diag/line_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>

#include "support/stopwatch.h"

namespace pw {

LineWriter::LineWriter(const std::filesystem::path& file, std::size_t maxQueuedBytes)
    : maxQueuedBytes_(maxQueuedBytes) {
  fd_ = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0) {
    noteFailure(errno, "cannot be opened");
    return;
  }
  thread_ = std::thread(&LineWriter::run, this);
}

LineWriter::~LineWriter() { close(); }

template <typename Done>
void LineWriter::waitFor(std::unique_lock<std::mutex>& lock, Done done) {
  if (done()) return;
  const PhaseTimer timer(waitSeconds_);
  written_.wait(lock, done);
}

void LineWriter::write(std::string_view text) {
  if (!thread_.joinable() || text.empty()) return;  // never opened, or closed; an empty piece would be a restart
  std::unique_lock lock(mutex_);
  if (!failure_.empty()) return;  // dropped, as every later line
  waitFor(lock, [this] { return queued_.text.size() < maxQueuedBytes_; });
  queued_.text.append(text);
  queued_.ends.push_back(queued_.text.size());
  lock.unlock();
  handedOver_.notify_one();
}

void LineWriter::restart() {
  if (!thread_.joinable()) return;
  {
    const std::lock_guard lock(mutex_);
    queued_.ends.push_back(queued_.text.size());
  }
  handedOver_.notify_one();
}

// Once closed (or never opened) there is no writer thread to wait for.
std::string LineWriter::failure() {
  std::unique_lock lock(mutex_);
  if (thread_.joinable()) waitFor(lock, [this] { return queued_.ends.empty() && !writing_; });
  return failure_;
}

bool LineWriter::close() {
  if (thread_.joinable()) {
    {
      const std::lock_guard lock(mutex_);
      closing_ = true;
    }
    handedOver_.notify_one();
    const PhaseTimer timer(waitSeconds_);
    thread_.join();
  }
  if (fd_ >= 0) {
    const int closed = ::close(fd_);
    const int error = errno;
    fd_ = -1;
    const std::lock_guard lock(mutex_);
    if (closed != 0) noteFailure(error, "close failed");
  }
  const std::lock_guard lock(mutex_);
  return failure_.empty();
}

// Takes everything handed over in one swap, so the producer meets the lock
// held only for that swap, and writes it outside the lock.
void LineWriter::run() {
  Batch batch;
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      writing_ = false;
      batch.text.clear();
      batch.ends.clear();
      written_.notify_all();
      handedOver_.wait(lock, [this] { return !queued_.ends.empty() || closing_; });
      if (queued_.ends.empty()) return;  // closing, and everything is written
      std::swap(batch, queued_);
      writing_ = true;
      written_.notify_all();  // room again in the queue
    }
    writeBatch(batch);
  }
}

// Lines followed by a restart in the same batch would be emptied away
// unread: the batch starts at its last restart, so the file only skips
// states it would have passed through.
void LineWriter::writeBatch(const Batch& batch) {
  std::size_t first = 0;
  for (std::size_t k = batch.ends.size(); k-- > 0;) {
    if (batch.ends[k] == (k == 0 ? 0 : batch.ends[k - 1])) {
      first = k;
      break;
    }
  }
  std::size_t start = first == 0 ? 0 : batch.ends[first - 1];
  for (std::size_t k = first; k < batch.ends.size(); ++k) {
    const std::size_t end = batch.ends[k];
    if (end == start) {
      emptyFile();
    } else if (!failed_) {
      writeWhole(std::string_view(batch.text).substr(start, end - start));
    }
    start = end;
  }
}

// One write call, unless the system takes only part of it (or a signal
// interrupts it) and the rest needs another.
void LineWriter::writeWhole(std::string_view piece) {
  while (!piece.empty()) {
    const ssize_t written = ::write(fd_, piece.data(), piece.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      const int error = written < 0 ? errno : 0;
      failed_ = true;
      const std::lock_guard lock(mutex_);
      noteFailure(error, "write failed");
      return;
    }
    piece.remove_prefix(static_cast<std::size_t>(written));
  }
}

// Emptied and rewound, not reopened: closing a truncated file makes some file
// systems write the old content out first.
void LineWriter::emptyFile() {
  const int truncated = ::ftruncate(fd_, 0);
  const int truncateError = errno;
  const off_t rewound = ::lseek(fd_, 0, SEEK_SET);
  const int rewindError = errno;
  const std::lock_guard lock(mutex_);
  if (truncated != 0) noteFailure(truncateError, "cannot be emptied");
  if (rewound != 0) noteFailure(rewindError, "cannot be rewound");
}

void LineWriter::noteFailure(int error, const char* fallback) {
  if (!failure_.empty()) return;
  failure_ = error != 0 ? std::generic_category().message(error) : fallback;
}

}  // namespace pw
