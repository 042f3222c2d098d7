// A sorted array that owns its elements: the list of entry lines and every
// directory's child array in the image tree are made of it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <memory>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

// Less is a function object: bool operator()(const T&, const T&).
// Insertion is stable (a new element goes after every equal one); adding in
// sorted order costs one comparison per element, anywhere else log n.
// Many elements in any order go in with AddAll, which sorts them first and
// merges them in one pass: a list file or a drop in shuffled order would
// otherwise cost a scan of the list per element.
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
    if (!Grow(n + 1, Items)) return -1;
    ++Changes;
    // In order: one comparison with the last element. Otherwise the place
    // after every equal element is found by halving, and the later
    // elements move up in one block.
    if (n == 0 || !Less()(*item, *Items[n - 1])) {
      Items.push_back(std::move(item));
      return static_cast<long>(n);
    }
    auto at = std::upper_bound(Items.begin(), Items.end() - 1, item,
                               [](const std::unique_ptr<T>& a, const std::unique_ptr<T>& b) {
                                 return Less()(*a, *b);
                               });
    at = Items.insert(at, std::move(item));
    return static_cast<long>(at - Items.begin());
  }

  // Takes ownership of every element and puts each where Add would have put
  // it, had they been added one after another in the order given: sorted
  // stably among themselves, after every equal element already here.
  // False when the array could not grow; nothing is added then (and the
  // elements are destroyed).
  bool AddAll(std::vector<std::unique_ptr<T>> items) {
    items.erase(std::remove(items.begin(), items.end(), nullptr), items.end());
    if (items.empty()) return true;
    auto less = [](const std::unique_ptr<T>& a, const std::unique_ptr<T>& b) {
      return Less()(*a, *b);
    };
    std::stable_sort(items.begin(), items.end(), less);
    const std::size_t n = Items.size() + items.size();
    std::vector<std::unique_ptr<T>> merged;
    if (!Grow(n, merged)) return false;
    // Elements of the first range come first among equals.
    std::merge(std::make_move_iterator(Items.begin()), std::make_move_iterator(Items.end()),
               std::make_move_iterator(items.begin()), std::make_move_iterator(items.end()),
               std::back_inserter(merged), less);
    Items.swap(merged);
    ++Changes;
    return true;
  }

  // Removes element i and destroys it; later elements move down by one.
  bool Destroy(std::size_t i) {
    if (i >= Items.size()) return false;
    Items.erase(Items.begin() + static_cast<std::ptrdiff_t>(i));
    ++Changes;
    return true;
  }

  // Destroys every element; the capacity stays.
  void Flush() {
    Items.clear();
    ++Changes;
  }

  // Exchanges the elements (and the room for them) with other's.
  void Swap(TISArrayAsVector& other) {
    Items.swap(other.Items);
    std::swap(Capacity_, other.Capacity_);
    ++Changes;
    ++other.Changes;
  }

  // Counts every change of the elements, so that a holder can tell whether
  // the array changed since it last looked.
  unsigned long ChangeCount() const { return Changes; }

 private:
  // Makes room for count elements: the capacity grows by whole steps. The
  // memory under it (in into, which is Items or the vector that will take
  // its place) doubles, so that long lists do not copy themselves at every
  // step. False when memory runs out; nothing has changed then.
  bool Grow(std::size_t count, std::vector<std::unique_ptr<T>>& into) {
    std::size_t capacity = Capacity_;
    if (count > capacity) {
      std::size_t needed = count - capacity;
      capacity += (needed + GrowBy - 1) / GrowBy * GrowBy;
    }
    try {
      if (into.capacity() < count)
        into.reserve(&into == &Items ? std::max(capacity, 2 * Items.capacity()) : capacity);
    } catch (const std::bad_alloc&) {
      return false;
    } catch (const std::length_error&) {
      return false;
    }
    Capacity_ = capacity;
    return true;
  }

  unsigned long Changes = 0;
  std::vector<std::unique_ptr<T>> Items;
  std::size_t Capacity_ = 0;
  std::size_t GrowBy;
};
