// Runs tasks one after another, in the order they were posted, on a thread
// of its own beside the caller: a second stage of work that follows the
// first in order and never feeds back into it. Made without its own thread,
// it runs each task at once on the caller, so both ways do the same work in
// the same order.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace pw {

class SerialWorker {
 public:
  explicit SerialWorker(bool ownThread);
  // Runs what is still posted (its exceptions dropped), then stops.
  ~SerialWorker();
  SerialWorker(const SerialWorker&) = delete;
  SerialWorker& operator=(const SerialWorker&) = delete;

  // Queues `task`, waiting while kMostQueued are queued. Once a task has
  // thrown, the tasks after it are dropped and `post` rethrows its
  // exception (once), so the caller can stop early.
  void post(std::function<void()> task);
  // Returns when every posted task has run or been dropped; rethrows the
  // first exception of one, unless `post` did. The tasks posted afterwards
  // run again.
  void wait();
  // Seconds the callers of `post` and `wait` spent waiting.
  double waitSeconds() const { return waitSeconds_; }

 private:
  // The thread is woken once this many tasks wait, or by `wait`, and looks
  // for tasks every kLookEvery while idle: waking it for every small task
  // would cost more than the task.
  static constexpr std::size_t kWakeAt = 64;
  static constexpr std::size_t kMostQueued = 4096;
  static constexpr std::chrono::microseconds kLookEvery{500};

  void run();
  void rethrowFailure(std::unique_lock<std::mutex>& lock);

  std::mutex mutex_;
  std::condition_variable work_;   // tasks to run, or stopping
  std::condition_variable drained_;  // room in the queue, or nothing left to run
  std::deque<std::function<void()>> queue_;
  bool running_ = false;  // the thread is inside a batch of tasks
  bool flushing_ = false;  // `wait` wants the queue run whatever its length
  bool stopping_ = false;
  std::exception_ptr failure_;
  bool failureReported_ = false;
  double waitSeconds_ = 0.0;
  std::thread thread_;  // last: started once the members above exist
};

}  // namespace pw
