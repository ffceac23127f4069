// Read file throughput: lines per second per series kind and over a realistic mix, peak memory
// against the input's size, and whether doubling the file doubles the time.
//   import_bench [--lines N] [--dir DIR]
// Files are made by bench/make_sima.py (CP932). Each measurement runs in its own process so
// that its peak resident size is its own.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "command/read_file.h"
#include "platform/drawing/drawing_database.h"

namespace {

struct Measurement {
  double seconds = 0.0;
  long peakKb = 0;
  long lines = 0;
};

long fileSize(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 ? static_cast<long>(info.st_size) : -1;
}

bool generate(const std::string& path, long lines, const char* mix) {
  const std::string command = std::string("python3 ") + KESTREL_SOURCE_DIR +
                              "/bench/make_sima.py " + path + " --lines " +
                              std::to_string(lines) + " --mix " + mix + " --crlf";
  return std::system(command.c_str()) == 0;
}

// `draw`: every series selected, so points, lots and routes are built as well as read.
Measurement measure(const std::string& path, bool draw) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    close(pipeFds[0]);
    OvDbDatabase database;
    ovSetWorkingDatabase(&database);
    kestrel::ImportRun run;
    for (bool& s : run.selection.selected) s = draw;
    const auto start = std::chrono::steady_clock::now();
    kestrel::readFile(run, path, kestrel::io::EncodingChoice::Auto);
    const auto stop = std::chrono::steady_clock::now();
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    Measurement m;
    m.seconds = std::chrono::duration<double>(stop - start).count();
    m.peakKb = usage.ru_maxrss;
    m.lines = run.lineCounter;
    if (write(pipeFds[1], &m, sizeof m) != static_cast<ssize_t>(sizeof m)) _exit(1);
    _exit(0);
  }
  close(pipeFds[1]);
  Measurement m;
  if (read(pipeFds[0], &m, sizeof m) != static_cast<ssize_t>(sizeof m)) m = {};
  close(pipeFds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return m;
}

}  // namespace

int main(int argc, char** argv) {
  long lines = 1000000;
  std::string dir = "/tmp";
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--lines") == 0) lines = std::atol(argv[i + 1]);
    if (std::strcmp(argv[i], "--dir") == 0) dir = argv[i + 1];
  }
  struct Case {
    const char* label;
    const char* mix;
    long lines;
    bool draw = true;
  };
  const std::vector<Case> cases = {
      {"A (points)", "A", lines / 4}, {"D (lots)", "D", lines / 4},
      {"F (routes)", "F", lines / 4}, {"H (vertical)", "H", lines / 4},
      {"I (sections)", "I", lines / 4}, {"mix", "mix", lines},
      {"mix x2", "mix", lines * 2},
      {"mix, read only", "mix", lines, false}};
  std::printf("Rows read and build everything; \"read only\" selects nothing, so no entity is made.\n");
  std::printf("%-16s %10s %9s %14s %10s %12s\n", "file", "lines", "seconds", "lines/s",
              "peak MB", "peak/input");
  double mixSeconds = 0.0;
  double doubleSeconds = 0.0;
  for (const auto& c : cases) {
    const std::string path = dir + "/kestrel-bench-" + c.mix + "-" + std::to_string(c.lines) + ".sim";
    if (fileSize(path) <= 0 && !generate(path, c.lines, c.mix)) {
      std::fprintf(stderr, "cannot generate %s\n", path.c_str());
      return 1;
    }
    // Best of three runs: the first pays for the page cache.
    Measurement best;
    for (int run = 0; run < 3; ++run) {
      const Measurement m = measure(path, c.draw);
      if (run == 0 || m.seconds < best.seconds) best = m;
    }
    const double inputMb = static_cast<double>(fileSize(path)) / (1024.0 * 1024.0);
    const double peakMb = static_cast<double>(best.peakKb) / 1024.0;
    std::printf("%-16s %10ld %9.3f %14.0f %10.1f %12.2f\n", c.label, best.lines, best.seconds,
                static_cast<double>(best.lines) / best.seconds, peakMb, peakMb / inputMb);
    if (std::strcmp(c.label, "mix") == 0) mixSeconds = best.seconds;
    if (std::strcmp(c.label, "mix x2") == 0) doubleSeconds = best.seconds;
  }
  if (mixSeconds > 0.0)
    std::printf("doubling the mix multiplies the time by %.2f\n", doubleSeconds / mixSeconds);
  return 0;
}
