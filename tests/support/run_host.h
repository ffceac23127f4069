// Runs the built command line host and collects what it printed and its exit status.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace kestrel::testing {

inline const std::string kKestrelHost = std::string(KESTREL_BINARY_DIR) + "/bin/kestrel";

struct HostResult {
  int status = -1;
  std::string out;
};

// `arguments` are passed to a shell as written (quote paths with quotedPath); stderr is merged
// into the output when asked, else dropped.
inline HostResult runHost(const std::string& arguments, bool mergeStderr = true) {
  const std::string command =
      kKestrelHost + " " + arguments + (mergeStderr ? " 2>&1" : " 2>/dev/null");
  HostResult result;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.out.append(buffer, n);
  const int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

inline std::string quotedPath(const std::string& path) { return "'" + path + "'"; }

}  // namespace kestrel::testing
