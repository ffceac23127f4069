// Runs the built command line host and collects what it printed and its exit status.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "tests/support/temp_dir.h"

namespace kestrel::testing {

inline const std::string kKestrelHost = std::string(KESTREL_BINARY_DIR) + "/bin/kestrel";

struct HostResult {
  int status = -1;
  std::string out;
  std::string err;  // stderr, when it is not merged into `out`
};

// Runs a shell command line; its stdout and exit status.
inline HostResult runCommand(const std::string& command) {
  HostResult result;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.out.append(buffer, n);
  const int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

// `arguments` are passed to a shell as written (quote paths with quotedPath); stderr is merged
// into the output when asked, else kept apart. `prefix` goes before the host on the command line
// (environment settings, or a program that runs it as another user).
inline HostResult runHost(const std::string& arguments, bool mergeStderr = true,
                          const std::string& prefix = "") {
  const TempDir errDir;
  const std::string errFile = (errDir.path() / "err").string();
  HostResult result = runCommand(prefix + kKestrelHost + " " + arguments +
                                 (mergeStderr ? " 2>&1" : " 2>'" + errFile + "'"));
  result.err = readBytes(errFile);
  return result;
}

inline std::string quotedPath(const std::string& path) { return "'" + path + "'"; }

// "@" in a case row's text stands for the folder `at`.
inline std::string filled(std::string text, const std::string& at) {
  for (auto p = text.find('@'); p != std::string::npos; p = text.find('@', p + at.size()))
    text.replace(p, 1, at);
  return text;
}

}  // namespace kestrel::testing
