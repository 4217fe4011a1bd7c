// A small fixed pool of threads for data-parallel loops whose iterations
// write disjoint results, so that what they compute never depends on the
// thread count. The BSP build makes one per build.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace pw {

class WorkerPool {
 public:
  // `threads` counts the calling thread: 1 runs every loop on the caller
  // alone; 0 means one thread per core. The other threads start with the
  // first loop that has more than one slice (each costs some memory).
  explicit WorkerPool(unsigned threads);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  unsigned threadCount() const { return threads_; }
  // Loops that were spread over more than one thread so far.
  std::uint64_t parallelLoops() const { return parallelLoops_; }

  // Calls work(begin, end) on consecutive slices of [0, count), `grain`
  // items at most each, spread over the pool and the calling thread, and
  // returns when every slice is done. Slices run in no particular order:
  // `work` must only write results of its own items. When a slice throws, no
  // further slice starts, and the first exception is rethrown here once
  // every thread has left the loop (the pool can then run the next one).
  void forEachSlice(std::size_t count, std::size_t grain,
                    const std::function<void(std::size_t begin, std::size_t end)>& work);

 private:
  void workerLoop();
  // Takes slices of the current loop until none is left.
  void runSlices();

  unsigned threads_;
  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable finished_;
  // The current loop; guarded by mutex_ except `next_`, which the threads
  // advance under the lock one slice at a time.
  const std::function<void(std::size_t, std::size_t)>* work_ = nullptr;
  std::size_t count_ = 0;
  std::size_t grain_ = 1;
  std::size_t next_ = 0;
  std::size_t generation_ = 0;  // bumped per loop, so a worker joins each loop once
  unsigned busy_ = 0;           // workers inside the current loop
  std::exception_ptr failure_;  // the current loop's first exception
  std::uint64_t parallelLoops_ = 0;
  bool stopping_ = false;
};

}  // namespace pw
