#include "midi/handle_table.h"

#include <thread>

namespace {

constexpr std::uint64_t kOpen = 1ull << 31;
constexpr std::uint64_t kReserved = 1ull << 30;
constexpr std::uint64_t kUsers = kReserved - 1;

std::uint32_t Generation(std::uint64_t state) { return static_cast<std::uint32_t>(state >> 32); }

HMIDIOUT MakeHandle(std::uint32_t generation, std::size_t slot) {
  // Slot numbers start at 1, so no handle is null.
  return reinterpret_cast<HMIDIOUT>((std::uintptr_t{generation} << 16) | (slot + 1));
}

bool DecodeHandle(HMIDIOUT handle, std::uint32_t& generation, std::size_t& slot) {
  const auto value = reinterpret_cast<std::uintptr_t>(handle);
  const std::size_t index = value & 0xFFFF;
  if (index == 0 || index > HandleTable::kSlots) return false;
  slot = index - 1;
  generation = static_cast<std::uint32_t>(value >> 16);
  return true;
}

}  // namespace

HandleTable::~HandleTable() {
  for (std::size_t i = 0; i < kSlots; ++i) {
    const std::uint64_t state = slots_[i].state.load(std::memory_order_acquire);
    if (state & kOpen) {
      if (auto port = Remove(MakeHandle(Generation(state), i))) port->Close();
    }
  }
}

HMIDIOUT HandleTable::Insert(std::unique_ptr<MidiOutPort> port) {
  for (std::size_t i = 0; i < kSlots; ++i) {
    Slot& slot = slots_[i];
    std::uint64_t state = slot.state.load(std::memory_order_acquire);
    if (state & (kOpen | kReserved | kUsers)) continue;
    std::uint32_t generation = Generation(state) + 1;
    if (generation == 0) generation = 1;
    const std::uint64_t reserved = (std::uint64_t{generation} << 32) | kReserved;
    if (!slot.state.compare_exchange_strong(state, reserved, std::memory_order_acq_rel)) continue;
    slot.port = port.release();
    // Release: a sender that sees `open` also sees `port`.
    slot.state.store((std::uint64_t{generation} << 32) | kOpen, std::memory_order_release);
    return MakeHandle(generation, i);
  }
  return nullptr;
}

HandleTable::Slot* HandleTable::Enter(HMIDIOUT handle) {
  std::uint32_t generation = 0;
  std::size_t index = 0;
  if (!DecodeHandle(handle, generation, index)) return nullptr;
  Slot& slot = slots_[index];
  std::uint64_t state = slot.state.load(std::memory_order_acquire);
  for (;;) {
    if (Generation(state) != generation || !(state & kOpen)) return nullptr;
    if ((state & kUsers) == kUsers) return nullptr;  // cannot happen with a sane number of threads
    // Acquire on success pairs with Insert's release store of the port.
    if (slot.state.compare_exchange_weak(state, state + 1, std::memory_order_acquire,
                                         std::memory_order_acquire)) {
      return &slot;
    }
  }
}

void HandleTable::Leave(Slot& slot) {
  // Release: the caller's use of the port happens before Remove sees the count drop.
  slot.state.fetch_sub(1, std::memory_order_release);
}

std::unique_ptr<MidiOutPort> HandleTable::Remove(HMIDIOUT handle) {
  std::uint32_t generation = 0;
  std::size_t index = 0;
  if (!DecodeHandle(handle, generation, index)) return nullptr;
  Slot& slot = slots_[index];
  std::uint64_t state = slot.state.load(std::memory_order_acquire);
  for (;;) {
    if (Generation(state) != generation || !(state & kOpen)) return nullptr;
    const std::uint64_t closing = (state & ~kOpen) | kReserved;
    if (slot.state.compare_exchange_weak(state, closing, std::memory_order_acq_rel)) break;
  }
  // Calls in flight are a couple of short sends; wait them out.
  while (slot.state.load(std::memory_order_acquire) & kUsers) std::this_thread::yield();
  std::unique_ptr<MidiOutPort> port(slot.port);
  slot.port = nullptr;
  slot.state.store(std::uint64_t{generation} << 32, std::memory_order_release);
  return port;
}
