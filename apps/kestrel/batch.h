// Work done in child processes, a few at a time. The import module and the platform it runs on
// are one per process (one drawing, one civil document, one windowing system), so files are
// imported side by side in processes of their own, forked after the module is loaded.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace kestrel::cli {

// The number of processors this process may run on.
int processorCount();

// Runs `work(i)` for every i below `count` in a child process of its own, at most `jobs` at once.
// `done(i, bytes, failure)` is called in index order as results come in: with the bytes the child
// returned, or without them and with why the child gave none (e.g. "signal 11").
void runInChildren(
    std::size_t count, int jobs, const std::function<std::string(std::size_t)>& work,
    const std::function<void(std::size_t, std::optional<std::string>, std::string)>& done);

}  // namespace kestrel::cli
