#include "support/serial_worker.h"

#include <utility>

#include "support/stopwatch.h"

namespace pw {

SerialWorker::SerialWorker(bool ownThread) {
  if (ownThread) thread_ = std::thread([this] { run(); });
}

SerialWorker::~SerialWorker() {
  if (!thread_.joinable()) return;
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  work_.notify_one();
  thread_.join();
}

void SerialWorker::post(std::function<void()> task) {
  if (!thread_.joinable()) {
    task();
    return;
  }
  std::unique_lock lock(mutex_);
  rethrowFailure(lock);
  if (queue_.size() >= kMostQueued) {
    const Stopwatch waited;
    drained_.wait(lock, [this] { return queue_.size() < kMostQueued || failure_; });
    waitSeconds_ += waited.seconds();
    rethrowFailure(lock);
  }
  queue_.push_back(std::move(task));
  if (queue_.size() >= kWakeAt && !running_) work_.notify_one();
}

void SerialWorker::wait() {
  if (!thread_.joinable()) return;
  std::unique_lock lock(mutex_);
  flushing_ = true;
  work_.notify_one();
  const Stopwatch waited;
  drained_.wait(lock, [this] { return queue_.empty() && !running_; });
  waitSeconds_ += waited.seconds();
  flushing_ = false;
  // The worker starts afresh: what comes next runs again.
  const std::exception_ptr failure = std::exchange(failure_, nullptr);
  const bool reported = std::exchange(failureReported_, false);
  if (failure && !reported) {
    lock.unlock();
    std::rethrow_exception(failure);
  }
}

void SerialWorker::rethrowFailure(std::unique_lock<std::mutex>& lock) {
  if (!failure_ || failureReported_) return;
  failureReported_ = true;
  const std::exception_ptr failure = failure_;
  lock.unlock();
  std::rethrow_exception(failure);
}

// Takes the whole queue at once, so the lock is held once per batch. An idle
// thread also looks now and then without being woken, so a short queue does
// not wait long while the caller is busy elsewhere.
void SerialWorker::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    work_.wait_for(lock, kLookEvery,
                   [this] { return stopping_ || queue_.size() >= kWakeAt || (flushing_ && !queue_.empty()); });
    if (queue_.empty()) {
      if (stopping_) return;
      continue;
    }
    std::deque<std::function<void()>> batch;
    batch.swap(queue_);
    if (failure_) {  // dropped: a task before them failed
      drained_.notify_all();
      continue;
    }
    running_ = true;
    drained_.notify_all();  // room again
    lock.unlock();
    std::exception_ptr failed;
    for (std::function<void()>& task : batch) {
      try {
        task();
      } catch (...) {
        failed = std::current_exception();
        break;
      }
    }
    lock.lock();
    running_ = false;
    if (failed) {
      failure_ = failed;
      queue_.clear();
    }
    drained_.notify_all();
  }
}

}  // namespace pw
