#pragma once
// Open ports behind validated handles. A handle names one opening of one port:
// once closed it never names anything again, so a late tick holding an old
// handle gets an error instead of reaching a closed or reused port. Senders
// never block: they only count themselves in and out of a slot.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

#include "midi/midi_device.h"

class HandleTable {
 public:
  static constexpr std::size_t kSlots = 64;

  HandleTable() = default;
  ~HandleTable();  // closes what is still open
  HandleTable(const HandleTable&) = delete;
  HandleTable& operator=(const HandleTable&) = delete;

  // nullptr when every slot is taken.
  HMIDIOUT Insert(std::unique_ptr<MidiOutPort> port);

  // Runs f(port) while the port cannot be closed under it; INVALHANDLE when
  // `handle` names no open port.
  template <class F>
  MMRESULT With(HMIDIOUT handle, F&& f) {
    Slot* slot = Enter(handle);
    if (slot == nullptr) return MMSYSERR_INVALHANDLE;
    const MMRESULT rc = f(*slot->port);
    Leave(*slot);
    return rc;
  }

  // Stops new calls on the handle, waits for those in flight, and hands back
  // the port; nullptr when the handle names no open port.
  std::unique_ptr<MidiOutPort> Remove(HMIDIOUT handle);

 private:
  // state: generation in the high 32 bits, then the open flag, the reserved
  // flag (an insert or remove owns the slot) and the count of calls in flight.
  struct Slot {
    std::atomic<std::uint64_t> state{0};
    MidiOutPort* port = nullptr;  // published by the release store that sets `open`
  };

  Slot* Enter(HMIDIOUT handle);
  static void Leave(Slot& slot);

  std::array<Slot, kSlots> slots_;
};
