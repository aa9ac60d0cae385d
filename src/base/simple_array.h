// SimpleArray: the growable array behind multi-valued field values, route
// lists, the node registry and the per-frame lists.
//
// Layout {capacity, items, count}. Growth by append is geometric (doubling),
// so n appends cost O(n) element moves; resetReserve allocates exactly n.
// Every request whose byte size does not fit in 32 bits is refused, and a
// refused or failed allocation leaves the array exactly as it was: old
// contents intact, nothing written outside its storage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <type_traits>
#include <utility>

namespace simple_array_detail {
// Allocation entry point; tests replace it to simulate exhausted memory.
using AllocateFn = void* (*)(std::size_t bytes);
extern AllocateFn allocate;
}  // namespace simple_array_detail

template <class T>
class SimpleArray {
public:
    int32_t capacity = 0;  // element slots allocated
    T* items = nullptr;    // null until something was allocated
    int32_t count = 0;     // elements in use

    // Largest element count whose byte size fits in 32 bits (and in int32_t).
    static constexpr int32_t maxCount() {
        constexpr uint64_t bySize = 0xFFFFFFFFull / sizeof(T);
        return bySize > 0x7FFFFFFFull ? 0x7FFFFFFF : static_cast<int32_t>(bySize);
    }

    SimpleArray() = default;
    ~SimpleArray() { release(); }
    SimpleArray(const SimpleArray&) = delete;
    SimpleArray& operator=(const SimpleArray&) = delete;
    SimpleArray(SimpleArray&& other) noexcept
        : capacity(other.capacity), items(other.items), count(other.count) {
        other.capacity = 0;
        other.items = nullptr;
        other.count = 0;
    }
    SimpleArray& operator=(SimpleArray&& other) noexcept {
        if (this != &other) {
            release();
            std::swap(capacity, other.capacity);
            std::swap(items, other.items);
            std::swap(count, other.count);
        }
        return *this;
    }

    // Appends one element, growing the storage when it is full.
    // Returns false (array unchanged) when storage cannot be obtained.
    bool append(const T& value) {
        if (count == capacity) {
            T copy(value);  // the value may live inside this array
            if (!grow()) return false;
            new (items + count) T(std::move(copy));
        } else {
            new (items + count) T(value);
        }
        ++count;
        return true;
    }

    bool append(T&& value) {
        if (count == capacity) {
            T moved(std::move(value));
            if (!grow()) return false;
            new (items + count) T(std::move(moved));
        } else {
            new (items + count) T(std::move(value));
        }
        ++count;
        return true;
    }

    // Drops every element and allocates exactly n slots (count 0).
    // Returns false, leaving the array as it was, when n slots cannot be had.
    bool resetReserve(int32_t n) {
        if (n < 0 || n > maxCount()) return false;
        T* fresh = nullptr;
        if (n > 0) {
            fresh = static_cast<T*>(simple_array_detail::allocate(static_cast<std::size_t>(n) * sizeof(T)));
            if (!fresh) return false;
        }
        release();
        items = fresh;
        capacity = n;
        count = 0;
        return true;
    }

    // Drops every element; the storage stays allocated.
    void clear() {
        destroyRange(0, count);
        count = 0;
    }

    // Drops elements from index n on (n <= count).
    void truncate(int32_t n) {
        if (n < 0 || n >= count) return;
        destroyRange(n, count);
        count = n;
    }

    T& operator[](int32_t i) { return items[i]; }
    const T& operator[](int32_t i) const { return items[i]; }
    T* begin() { return items; }
    T* end() { return items + count; }
    const T* begin() const { return items; }
    const T* end() const { return items + count; }
    bool empty() const { return count == 0; }

private:
    bool grow() {
        if (capacity >= maxCount()) return false;
        int64_t wanted = capacity == 0 ? 4 : static_cast<int64_t>(capacity) * 2;
        if (wanted > maxCount()) wanted = maxCount();
        T* fresh = static_cast<T*>(simple_array_detail::allocate(static_cast<std::size_t>(wanted) * sizeof(T)));
        if (!fresh) return false;
        for (int32_t i = 0; i < count; ++i) {
            new (fresh + i) T(std::move(items[i]));
            items[i].~T();
        }
        std::free(items);
        items = fresh;
        capacity = static_cast<int32_t>(wanted);
        return true;
    }

    void destroyRange(int32_t from, int32_t to) {
        if constexpr (!std::is_trivially_destructible_v<T>) {
            for (int32_t i = from; i < to; ++i) items[i].~T();
        }
    }

    void release() {
        destroyRange(0, count);
        std::free(items);
        items = nullptr;
        capacity = 0;
        count = 0;
    }
};
