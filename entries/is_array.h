// A sorted array that owns its elements: the list of entry lines and every
// directory's child array in the image tree are made of it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

// Less is a function object: bool operator()(const T&, const T&).
// Insertion is stable (a new element goes after every equal one) and scans
// from the end, so adding in sorted order costs one comparison per element.
template <class T, class Less>
class TISArrayAsVector {
 public:
  TISArrayAsVector(std::size_t initialCapacity, std::size_t growBy)
      : GrowBy(growBy ? growBy : 1) {
    Items.reserve(initialCapacity);
    Capacity_ = initialCapacity;
  }
  TISArrayAsVector(const TISArrayAsVector&) = delete;
  TISArrayAsVector& operator=(const TISArrayAsVector&) = delete;

  std::size_t Count() const { return Items.size(); }
  std::size_t Capacity() const { return Capacity_; }
  T& operator[](std::size_t i) { return *Items[i]; }
  const T& operator[](std::size_t i) const { return *Items[i]; }

  // Takes ownership. Returns the position the element went to, or -1 when
  // the array could not grow (the element is destroyed then).
  long Add(std::unique_ptr<T> item) {
    if (!item) return -1;
    std::size_t n = Items.size();
    if (n + 1 > Capacity_) {
      std::size_t needed = n + 1 - Capacity_;
      std::size_t step = (needed + GrowBy - 1) / GrowBy * GrowBy;
      try {
        // The capacity grows by the step; the memory under it doubles, so
        // that long lists do not copy themselves at every step.
        if (Items.capacity() < Capacity_ + step)
          Items.reserve(std::max(Capacity_ + step, 2 * Items.capacity()));
      } catch (const std::bad_alloc&) {
        return -1;
      } catch (const std::length_error&) {
        return -1;
      }
      Capacity_ += step;
    }
    Items.push_back(nullptr);
    std::size_t pos = n;
    while (pos > 0 && Less()(*item, *Items[pos - 1])) {
      Items[pos] = std::move(Items[pos - 1]);
      --pos;
    }
    Items[pos] = std::move(item);
    return static_cast<long>(pos);
  }

  // Removes element i and destroys it; later elements move down by one.
  bool Destroy(std::size_t i) {
    if (i >= Items.size()) return false;
    Items.erase(Items.begin() + static_cast<std::ptrdiff_t>(i));
    return true;
  }

  // Destroys every element; the capacity stays.
  void Flush() { Items.clear(); }

 private:
  std::vector<std::unique_ptr<T>> Items;
  std::size_t Capacity_ = 0;
  std::size_t GrowBy;
};
