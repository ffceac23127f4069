// Work done on one thread of its own, task after task in the order posted, while the caller goes
// on: the reading of a file makes the drawing's entities this way, so that the next lines are
// read while the last ones are drawn, and the entities come in the order of the file.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace kestrel {

class SerialWorker {
 public:
  SerialWorker() = default;
  ~SerialWorker();
  // A copy shares no work: it starts idle (a run is copied, with its settings, before reading).
  SerialWorker(const SerialWorker&) : SerialWorker() {}
  SerialWorker& operator=(const SerialWorker& other);

  // Queues `task`; `weight` says how much it holds (points, vertices). Tasks go to the thread
  // (started on first use) in batches of some thousands of that weight, so that a small task
  // costs no wake-up of its own; posting waits while the thread has more than
  // `kWaitingLimit` waiting, so that the caller never runs far ahead and memory stays bounded.
  void post(std::function<void()> task, std::size_t weight = 1);
  // Hands the tasks queued so far to the thread now, without waiting for them.
  void flush() { handOver(); }
  // Returns when every task posted has run; those not yet handed to the thread run on the
  // caller's. An exception a task threw is thrown here, once; the tasks after it still run.
  void drain();

  static constexpr std::size_t kBatchWeight = 1024;
  static constexpr std::size_t kWaitingLimit = 64 * kBatchWeight;

 private:
  using Batch = std::vector<std::function<void()>>;
  void handOver();
  void work();

  // The caller's side: tasks not yet handed over.
  Batch batch_;
  std::size_t batchWeight_ = 0;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::pair<Batch, std::size_t>> queue_;
  std::size_t waiting_ = 0;  // the weight of the batches not yet finished
  bool running_ = false;     // a batch is being run
  bool stopping_ = false;
  std::exception_ptr failure_;
  std::thread thread_;
};

}  // namespace kestrel
