// The array every import record list is kept in.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace kestrel {

// Owns its elements, copies deeply, grows on append; an index outside 0..size-1 throws
// std::invalid_argument rather than reading past the end.
template <typename T>
class GrowingArray {
 public:
  using value_type = T;
  using iterator = typename std::vector<T>::iterator;
  using const_iterator = typename std::vector<T>::const_iterator;

  GrowingArray() = default;

  std::size_t size() const { return items_.size(); }
  bool empty() const { return items_.empty(); }
  void clear() { items_.clear(); }
  void reserve(std::size_t n) { items_.reserve(n); }

  void append(const T& item) { items_.push_back(item); }
  void append(T&& item) { items_.push_back(std::move(item)); }
  void appendAll(const GrowingArray& other) {
    items_.insert(items_.end(), other.items_.begin(), other.items_.end());
  }

  T& at(long index) { return items_[checked(index)]; }
  const T& at(long index) const { return items_[checked(index)]; }
  T& operator[](long index) { return at(index); }
  const T& operator[](long index) const { return at(index); }

  T& back() { return at(static_cast<long>(items_.size()) - 1); }
  const T& back() const { return at(static_cast<long>(items_.size()) - 1); }

  void removeAt(long index) { items_.erase(items_.begin() + static_cast<long>(checked(index))); }
  void removeLast() {
    if (items_.empty()) throw std::invalid_argument("removeLast on an empty array");
    items_.pop_back();
  }

  iterator begin() { return items_.begin(); }
  iterator end() { return items_.end(); }
  const_iterator begin() const { return items_.begin(); }
  const_iterator end() const { return items_.end(); }

 private:
  std::size_t checked(long index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= items_.size())
      throw std::invalid_argument("index " + std::to_string(index) + " outside 0.." +
                                  std::to_string(static_cast<long>(items_.size()) - 1));
    return static_cast<std::size_t>(index);
  }

  std::vector<T> items_;
};

// A growing array for the run's largest lists (points, lots, log lines): elements kept in chunks of
// fixed size, so growing never moves or copies them (a large store never stands twice in memory
// while it grows) and references to them stay valid. The chunks are found through tables that
// never move either, so that another thread may read the elements already there while this one
// appends (see stable). Otherwise as GrowingArray.
template <typename T>
class StableArray {
 public:
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  void clear() {
    for (auto& table : tables_) table.reset();
    size_ = 0;
  }

  void append(const T& item) { new (slot()) T(item); ++size_; }
  void append(T&& item) { new (slot()) T(std::move(item)); ++size_; }

  T& at(long index) { return element(checked(index)); }
  const T& at(long index) const { return element(checked(index)); }
  T& operator[](long index) { return at(index); }
  const T& operator[](long index) const { return at(index); }
  T& back() { return at(static_cast<long>(size_) - 1); }
  // An element added before, without the size check: what another thread may read while this
  // one appends, for an index it was handed (the size itself is this thread's).
  const T& stable(std::size_t index) const { return element(index); }

  class const_iterator {
   public:
    const_iterator(const StableArray& array, std::size_t at) : array_(&array), at_(at) {}
    const T& operator*() const { return array_->element(at_); }
    const T* operator->() const { return &array_->element(at_); }
    const_iterator& operator++() {
      ++at_;
      return *this;
    }
    bool operator==(const const_iterator&) const = default;

   private:
    const StableArray* array_;
    std::size_t at_;
  };
  const_iterator begin() const { return {*this, 0}; }
  const_iterator end() const { return {*this, size_}; }

  StableArray() = default;
  StableArray(const StableArray& other) {
    for (std::size_t i = 0; i < other.size_; ++i) append(other.element(i));
  }
  StableArray& operator=(const StableArray& other) {
    if (this != &other) {
      clear();
      for (std::size_t i = 0; i < other.size_; ++i) append(other.element(i));
    }
    return *this;
  }
  StableArray(StableArray&& other) noexcept
      : tables_(std::move(other.tables_)), size_(std::exchange(other.size_, 0)) {}
  StableArray& operator=(StableArray&& other) noexcept {
    if (this != &other) {
      clear();
      tables_ = std::move(other.tables_);
      size_ = std::exchange(other.size_, 0);
    }
    return *this;
  }
  ~StableArray() { clear(); }

 private:
  static constexpr std::size_t kChunk = 4096;
  // Room for kChunk elements, constructed one by one and destroyed with the chunk.
  struct Chunk {
    Chunk() {}  // the bytes are left as they are until an element is made there
    alignas(T) unsigned char bytes[kChunk * sizeof(T)];
    std::size_t used = 0;
    T* at(std::size_t i) { return std::launder(reinterpret_cast<T*>(bytes) + i); }
    ~Chunk() {
      for (std::size_t i = 0; i < used; ++i) at(i)->~T();
    }
  };

  // Chunks per table, and tables: room for 2^32 elements.
  static constexpr std::size_t kTable = 1024;
  static constexpr std::size_t kTables = (std::size_t{1} << 32) / (kChunk * kTable);
  using Table = std::unique_ptr<Chunk>[];

  void* slot() {
    const std::size_t chunk = size_ / kChunk;
    if (size_ % kChunk == 0) {
      if (chunk / kTable == kTables) throw std::length_error("more than 2^32 elements");
      std::unique_ptr<Table>& table = tables_[chunk / kTable];
      if (!table) table = std::make_unique<Table>(kTable);
      table[chunk % kTable] = std::make_unique<Chunk>();
    }
    Chunk& made = *tables_[chunk / kTable][chunk % kTable];
    ++made.used;
    return reinterpret_cast<T*>(made.bytes) + size_ % kChunk;
  }
  T& element(std::size_t index) const {
    const std::size_t chunk = index / kChunk;
    return *tables_[chunk / kTable][chunk % kTable]->at(index % kChunk);
  }
  std::size_t checked(long index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= size_)
      throw std::invalid_argument("index " + std::to_string(index) + " outside 0.." +
                                  std::to_string(static_cast<long>(size_) - 1));
    return static_cast<std::size_t>(index);
  }

  std::array<std::unique_ptr<Table>, kTables> tables_;
  std::size_t size_ = 0;
};

}  // namespace kestrel
