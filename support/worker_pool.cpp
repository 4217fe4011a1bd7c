#include "support/worker_pool.h"

#include <algorithm>
#include <cassert>
#include <utility>

namespace pw {

WorkerPool::WorkerPool(unsigned threads)
    : threads_(threads > 0 ? threads : std::max(1u, std::thread::hardware_concurrency())) {}

WorkerPool::~WorkerPool() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

void WorkerPool::forEachSlice(std::size_t count, std::size_t grain,
                              const std::function<void(std::size_t, std::size_t)>& work) {
  assert(grain > 0);
  if (threads_ == 1 || count <= grain) {
    for (std::size_t begin = 0; begin < count; begin += grain) work(begin, std::min(count, begin + grain));
    return;
  }
  ++parallelLoops_;
  if (workers_.empty()) {
    workers_.reserve(threads_ - 1);
    for (unsigned i = 1; i < threads_; ++i) workers_.emplace_back([this] { workerLoop(); });
  }
  {
    const std::lock_guard lock(mutex_);
    assert(work_ == nullptr && "loops do not nest");
    work_ = &work;
    count_ = count;
    grain_ = grain;
    next_ = 0;
    ++generation_;
  }
  wake_.notify_all();
  runSlices();
  // Every slice has been taken; wait for the workers still finishing one.
  std::unique_lock lock(mutex_);
  finished_.wait(lock, [this] { return busy_ == 0; });
  work_ = nullptr;
  if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

void WorkerPool::runSlices() {
  std::unique_lock lock(mutex_);
  while (next_ < count_) {
    const std::size_t begin = next_;
    const std::size_t end = std::min(count_, begin + grain_);
    next_ = end;
    const auto* work = work_;
    lock.unlock();
    try {
      (*work)(begin, end);
      lock.lock();
    } catch (...) {
      lock.lock();
      if (!failure_) failure_ = std::current_exception();
      next_ = count_;  // the loop has failed: what is left would be thrown away
    }
  }
}

void WorkerPool::workerLoop() {
  std::size_t seen = 0;
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] { return stopping_ || (generation_ != seen && work_ != nullptr); });
    if (stopping_) return;
    seen = generation_;
    ++busy_;
    lock.unlock();
    runSlices();
    lock.lock();
    --busy_;
    if (busy_ == 0) finished_.notify_all();
  }
}

}  // namespace pw
