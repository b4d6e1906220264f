#pragma once
// A bounded single-producer, single-consumer queue of trivially copyable items.
// Neither side allocates, locks or waits, so the consumer may be an audio
// callback. Several producers share it only under a lock of their own.
#include <array>
#include <atomic>
#include <cstddef>
#include <type_traits>

template <class T, std::size_t Capacity>
class SpscRing {
  static_assert((Capacity & (Capacity - 1)) == 0, "capacity is a power of two");
  static_assert(std::is_trivially_copyable_v<T>);

 public:
  // Producer only. False when full.
  bool Push(const T& item) noexcept {
    const std::size_t tail = tail_.load(std::memory_order_relaxed);
    // Acquire: the consumer has finished reading the slot it released.
    if (tail - head_.load(std::memory_order_acquire) == Capacity) return false;
    items_[tail & (Capacity - 1)] = item;
    // Release: the item is written before the consumer can see it.
    tail_.store(tail + 1, std::memory_order_release);
    return true;
  }

  // Consumer only. False when empty.
  bool Pop(T& item) noexcept {
    const std::size_t head = head_.load(std::memory_order_relaxed);
    // Acquire: pairs with the producer's release, so the item is complete.
    if (head == tail_.load(std::memory_order_acquire)) return false;
    item = items_[head & (Capacity - 1)];
    // Release: the slot is read before the producer may overwrite it.
    head_.store(head + 1, std::memory_order_release);
    return true;
  }

 private:
  alignas(64) std::atomic<std::size_t> head_{0};
  alignas(64) std::atomic<std::size_t> tail_{0};
  std::array<T, Capacity> items_{};
};
