// The array every import record list is kept in.
#pragma once

#include <cstddef>
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

}  // namespace kestrel
