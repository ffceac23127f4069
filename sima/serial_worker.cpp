#include "sima/serial_worker.h"

#include <utility>

namespace kestrel {

namespace {

// Runs every task in order; the first exception one throws is kept in `failure` (unless one is
// there already) and the rest still run.
void runAll(std::vector<std::function<void()>>& tasks, std::exception_ptr& failure) {
  for (auto& task : tasks) {
    try {
      task();
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
  }
}

}  // namespace

SerialWorker::~SerialWorker() {
  try {
    handOver();
  } catch (...) {
    batch_.clear();  // no thread could be started: the tasks are dropped with the worker
  }
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();  // the thread runs what is left before it ends
}

SerialWorker& SerialWorker::operator=(const SerialWorker& other) {
  if (this != &other) drain();
  return *this;
}

void SerialWorker::post(std::function<void()> task, std::size_t weight) {
  batch_.push_back(std::move(task));
  batchWeight_ += weight;
  if (batchWeight_ >= kBatchWeight) handOver();
}

void SerialWorker::handOver() {
  if (batch_.empty()) return;
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return waiting_ <= kWaitingLimit; });
  queue_.emplace_back(std::exchange(batch_, {}), batchWeight_);
  waiting_ += std::exchange(batchWeight_, 0);
  if (!thread_.joinable()) thread_ = std::thread([this] { work(); });
  lock.unlock();
  changed_.notify_all();
}

void SerialWorker::drain() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return queue_.empty() && !running_; });
  std::exception_ptr failure = std::exchange(failure_, nullptr);
  lock.unlock();
  // What was not handed over runs here, after the rest: often the thread has caught up by now,
  // and waking it for a last small batch would cost more than the batch.
  runAll(batch_, failure);
  batch_.clear();
  batchWeight_ = 0;
  if (failure) std::rethrow_exception(failure);
}

void SerialWorker::work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return !queue_.empty() || stopping_; });
    if (queue_.empty()) return;
    auto [batch, weight] = std::move(queue_.front());
    queue_.pop_front();
    running_ = true;
    lock.unlock();
    std::exception_ptr failure;
    runAll(batch, failure);
    batch.clear();  // what the tasks held goes before the caller hears they are done
    lock.lock();
    running_ = false;
    waiting_ -= weight;
    if (failure && !failure_) failure_ = failure;
    changed_.notify_all();
  }
}

}  // namespace kestrel
