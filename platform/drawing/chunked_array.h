// Growing storage for the drawing's large tables: elements in fixed-size chunks, so that growing
// never moves or copies what is stored. A table of a million points costs its size plus at most
// one chunk, never twice its size while it grows.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <type_traits>
#include <vector>

// An array of trivially copyable elements, appended to at the end and read by index.
template <class T, unsigned ChunkBits = 14>
class OvDbChunkedArray {
  static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

 public:
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  T& operator[](std::size_t index) { return chunks_[index >> ChunkBits][index & kMask]; }
  const T& operator[](std::size_t index) const {
    return chunks_[index >> ChunkBits][index & kMask];
  }
  T& back() { return (*this)[size_ - 1]; }

  void push_back(const T& value) {
    if ((size_ & kMask) == 0 && (size_ >> ChunkBits) == chunks_.size())
      chunks_.push_back(std::make_unique_for_overwrite<T[]>(kChunk));
    (*this)[size_] = value;
    ++size_;
  }
  void pop_back() { --size_; }
  // Grows to `count` elements, the new ones set to `fill`; never shrinks.
  void growTo(std::size_t count, const T& fill) {
    while (size_ < count) push_back(fill);
  }
  void clear() {
    chunks_.clear();
    size_ = 0;
  }

 private:
  static constexpr std::size_t kChunk = std::size_t{1} << ChunkBits;
  static constexpr std::size_t kMask = kChunk - 1;
  std::vector<std::unique_ptr<T[]>> chunks_;
  std::size_t size_ = 0;
};

// Contiguous runs of elements (a polyline's vertices, a text's bytes) carved out of large blocks:
// one allocation per block instead of one per run, and a run never moves once made.
template <class T>
class OvDbRunArena {
  static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

 public:
  // Room for `count` elements, contiguous and stable until clear().
  std::span<T> allocate(std::size_t count) {
    if (count > kBlock / 4) {
      // A long run gets a block of its own; the current block goes on.
      blocks_.push_back(std::make_unique_for_overwrite<T[]>(count));
      return {blocks_.back().get(), count};
    }
    if (count > left_) {
      blocks_.push_back(std::make_unique_for_overwrite<T[]>(kBlock));
      next_ = blocks_.back().get();
      left_ = kBlock;
    }
    T* start = next_;
    next_ += count;
    left_ -= count;
    return {start, count};
  }
  // Gives back the run last carved out of the current block when `run` is it (a run copied on
  // and no longer needed).
  void releaseIfLast(std::span<const T> run) {
    if (next_ != nullptr && run.data() + run.size() == next_) {
      next_ -= run.size();
      left_ += run.size();
    }
  }
  void clear() {
    blocks_.clear();
    next_ = nullptr;
    left_ = 0;
  }

 private:
  static constexpr std::size_t kBlock = sizeof(T) >= (1u << 18) ? 1 : (std::size_t{1} << 18) / sizeof(T);
  std::vector<std::unique_ptr<T[]>> blocks_;
  T* next_ = nullptr;      // where the next run starts in the current block
  std::size_t left_ = 0;   // elements left in the current block
};
