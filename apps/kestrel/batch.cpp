#include "apps/kestrel/batch.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <iostream>
#include <thread>
#include <vector>

namespace kestrel::cli {

namespace {

struct Child {
  pid_t pid = -1;
  int fd = -1;
  std::size_t index = 0;
  std::string bytes;
};

bool writeAll(int fd, const std::string& bytes) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    written += static_cast<std::size_t>(n);
  }
  return true;
}

// Why a child that ended with `status` gave no result.
std::string endOf(int status) {
  if (WIFSIGNALED(status)) return "signal " + std::to_string(WTERMSIG(status));
  if (WIFEXITED(status)) return "exit " + std::to_string(WEXITSTATUS(status));
  return "status " + std::to_string(status);
}

}  // namespace

int processorCount() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

void runInChildren(
    std::size_t count, int jobs, const std::function<std::string(std::size_t)>& work,
    const std::function<void(std::size_t, std::optional<std::string>, std::string)>& done) {
  struct Result {
    bool ready = false;
    std::optional<std::string> bytes;
    std::string failure;
  };
  std::vector<Result> results(count);
  std::vector<Child> running;
  std::size_t next = 0;
  std::size_t reported = 0;
  jobs = std::max(1, jobs);

  auto start = [&](std::size_t index) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
      results[index] = {true, std::nullopt, "pipe: " + std::to_string(errno)};
      return;
    }
    // Nothing buffered may be printed twice.
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
      ::close(ends[0]);
      const bool sent = writeAll(ends[1], work(index));
      ::close(ends[1]);
      std::_Exit(sent ? 0 : 1);
    }
    ::close(ends[1]);
    if (pid < 0) {
      ::close(ends[0]);
      results[index] = {true, std::nullopt, "fork: " + std::to_string(errno)};
      return;
    }
    running.push_back(Child{pid, ends[0], index, {}});
  };

  while (reported < count) {
    while (next < count && static_cast<int>(running.size()) < jobs) start(next++);
    if (!running.empty()) {
      std::vector<pollfd> polled;
      for (const Child& child : running) polled.push_back({child.fd, POLLIN, 0});
      if (poll(polled.data(), polled.size(), -1) < 0 && errno != EINTR) {
        for (; reported < count; ++reported)
          done(reported, std::nullopt, "poll: " + std::to_string(errno));
        return;
      }
      for (std::size_t k = running.size(); k-- > 0;) {
        if (polled[k].revents == 0) continue;
        Child& child = running[k];
        char buffer[1 << 16];
        const ssize_t n = ::read(child.fd, buffer, sizeof buffer);
        if (n > 0) {
          child.bytes.append(buffer, static_cast<std::size_t>(n));
          continue;
        }
        if (n < 0 && errno == EINTR) continue;
        ::close(child.fd);
        int status = 0;
        while (waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
        }
        Result& result = results[child.index];
        result.ready = true;
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
          result.bytes = std::move(child.bytes);
        else
          result.failure = endOf(status);
        running.erase(running.begin() + static_cast<std::ptrdiff_t>(k));
      }
    }
    while (reported < count && results[reported].ready) {
      Result& result = results[reported];
      done(reported, std::move(result.bytes), std::move(result.failure));
      result = Result{true, std::nullopt, {}};
      ++reported;
    }
  }
}

}  // namespace kestrel::cli
