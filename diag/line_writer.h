// The file behind a text log, written from a thread of its own: the thread
// that makes the lines hands each one over and goes on, and the writer thread
// writes them in the order handed over, each with one write call and no
// buffering, so the file is whole up to its last written line at any moment.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace pw {

// One producer at a time: the calls below are made from one thread (or from
// threads that take turns), the writer thread being the only other party.
//
// A file that cannot be opened or written does not stop the program: the
// lines handed over after the first failure are dropped, and that failure is
// kept for the owner to report.
class LineWriter {
 public:
  // Creates or truncates `file` at once (a failure to open is known on
  // return) and starts the writer thread when it opened. The producer waits
  // while the lines not yet taken hold more than `maxQueuedBytes`: a slow
  // disk holds it back instead of eating memory (the thread's own batch in
  // hand can be as big again).
  LineWriter(const std::filesystem::path& file, std::size_t maxQueuedBytes);
  // Closes the file if `close` has not.
  ~LineWriter();
  LineWriter(const LineWriter&) = delete;
  LineWriter& operator=(const LineWriter&) = delete;

  // Hands over `text` as one write: a whole line with its "\n" (the last
  // piece at close may lack it). Waits only while the lines not yet written
  // hold more than the room the writer was made with.
  void write(std::string_view text);
  // The file is emptied and written on from its start once the writes handed
  // over before this call are done.
  void restart();

  // Waits until everything handed over is written, then closes the file.
  // Returns `failure().empty()`. Closing twice does nothing.
  bool close();
  // The reason of the first failure (the system's text, e.g. "No space left
  // on device"); empty while none. Waits for the writes handed over so far,
  // so it is exact at the moment of the call.
  std::string failure();
  // Seconds the producer spent waiting for the writer thread: for room in
  // the queue, at `failure` and at `close`.
  double waitSeconds() const { return waitSeconds_; }

 private:
  // Lines handed over and not yet written, in order. A restart is an empty
  // piece: every line has at least its "\n".
  struct Batch {
    std::string text;
    std::vector<std::size_t> ends;  // one past each piece, into `text`
  };

  void run();
  void writeBatch(const Batch& batch);
  void writeWhole(std::string_view piece);
  void emptyFile();
  // Waits (counted in `waitSeconds_`) until `done` holds; `lock` holds `mutex_`.
  template <typename Done>
  void waitFor(std::unique_lock<std::mutex>& lock, Done done);
  // Keeps the first failure: the reason for `error` (an errno value), or
  // `fallback` when there is none. Called with `mutex_` held.
  void noteFailure(int error, const char* fallback);

  const std::size_t maxQueuedBytes_;
  int fd_ = -1;
  std::thread thread_;
  double waitSeconds_ = 0.0;  // the producer's only

  std::mutex mutex_;
  std::condition_variable handedOver_;  // the writer waits for work or closing
  std::condition_variable written_;     // the producer waits for room or for the end of the writes
  Batch queued_;
  bool writing_ = false;  // the writer thread has a batch in hand
  bool closing_ = false;
  bool failed_ = false;  // the writer thread's only (read also after `join`)
  std::string failure_;
};

}  // namespace pw
