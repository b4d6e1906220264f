#include "midi/handle_table.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

// What happened to one fake port; outlives the port so a test can look after
// the table has destroyed it.
struct PortLog {
  int tag = 0;
  std::atomic<int> sends{0};
  std::atomic<bool> closed{false};
  std::atomic<bool> destroyed{false};
  std::atomic<bool> usedAfterClose{false};
};

class FakePort final : public MidiOutPort {
 public:
  explicit FakePort(std::shared_ptr<PortLog> log) : log_(std::move(log)) {}
  ~FakePort() override { log_->destroyed.store(true); }

  MMRESULT Send(DWORD, std::int64_t) override { return Use(); }
  MMRESULT SetVolume(DWORD) override { return Use(); }
  MMRESULT Close() override {
    log_->closed.store(true);
    return MMSYSERR_NOERROR;
  }
  int Tag() const { return log_->tag; }

 private:
  MMRESULT Use() {
    if (log_->closed.load()) log_->usedAfterClose.store(true);
    log_->sends.fetch_add(1);
    return MMSYSERR_NOERROR;
  }
  std::shared_ptr<PortLog> log_;
};

std::shared_ptr<PortLog> NewLog(int tag) {
  auto log = std::make_shared<PortLog>();
  log->tag = tag;
  return log;
}

std::unique_ptr<MidiOutPort> NewPort(const std::shared_ptr<PortLog>& log) {
  return std::make_unique<FakePort>(log);
}

// The tag of the port the handle reaches, or -1 with the call's result in `rc`.
int Reach(HandleTable& table, HMIDIOUT handle, MMRESULT* rc = nullptr) {
  int tag = -1;
  const MMRESULT result = table.With(handle, [&](MidiOutPort& port) {
    tag = static_cast<FakePort&>(port).Tag();
    return port.Send(0x90, 0);
  });
  if (rc != nullptr) *rc = result;
  return tag;
}

HMIDIOUT FakeHandle(std::uintptr_t value) { return reinterpret_cast<HMIDIOUT>(value); }

TEST(HandleTable, HandleReachesItsOwnPortUntilRemoved) {
  HandleTable table;
  auto log1 = NewLog(1);
  auto log2 = NewLog(2);
  const HMIDIOUT h1 = table.Insert(NewPort(log1));
  const HMIDIOUT h2 = table.Insert(NewPort(log2));
  ASSERT_NE(h1, nullptr);
  ASSERT_NE(h2, nullptr);
  EXPECT_EQ(Reach(table, h1), 1);
  EXPECT_EQ(Reach(table, h2), 2);

  auto port = table.Remove(h1);
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(static_cast<FakePort&>(*port).Tag(), 1);
  EXPECT_FALSE(log1->closed.load()) << "the caller closes what it removed";

  MMRESULT rc = MMSYSERR_NOERROR;
  EXPECT_EQ(Reach(table, h1, &rc), -1);
  EXPECT_EQ(rc, MMSYSERR_INVALHANDLE);
  EXPECT_EQ(table.Remove(h1), nullptr);
  EXPECT_EQ(Reach(table, h2), 2);
}

TEST(HandleTable, ReusedSlotGetsAHandleTheOldOneDoesNotMatch) {
  HandleTable table;
  const HMIDIOUT old = table.Insert(NewPort(NewLog(1)));
  table.Remove(old)->Close();
  // The only free slot is the one just emptied.
  const HMIDIOUT fresh = table.Insert(NewPort(NewLog(2)));
  ASSERT_NE(fresh, nullptr);
  EXPECT_NE(fresh, old);
  EXPECT_EQ(Reach(table, old), -1);
  EXPECT_EQ(table.Remove(old), nullptr) << "a stale handle closed the slot's new port";
  EXPECT_EQ(Reach(table, fresh), 2);
}

TEST(HandleTable, HandlesNeverIssuedNameNothing) {
  HandleTable table;
  const HMIDIOUT issued = table.Insert(NewPort(NewLog(1)));
  const auto value = reinterpret_cast<std::uintptr_t>(issued);
  const HMIDIOUT cases[] = {
      nullptr,
      FakeHandle(value & ~std::uintptr_t{0xFFFF}),  // slot number 0
      FakeHandle((value & ~std::uintptr_t{0xFFFF}) | (HandleTable::kSlots + 1)),
      FakeHandle(value + (std::uintptr_t{1} << 16)),  // a later generation
      FakeHandle(value + 1),                          // the next, empty slot
  };
  for (HMIDIOUT h : cases) {
    MMRESULT rc = MMSYSERR_NOERROR;
    EXPECT_EQ(Reach(table, h, &rc), -1) << h;
    EXPECT_EQ(rc, MMSYSERR_INVALHANDLE);
    EXPECT_EQ(table.Remove(h), nullptr);
  }
  EXPECT_EQ(Reach(table, issued), 1);
}

TEST(HandleTable, FullTableRefusesThenAcceptsAfterARemove) {
  HandleTable table;
  std::vector<HMIDIOUT> handles;
  for (std::size_t i = 0; i < HandleTable::kSlots; ++i) {
    handles.push_back(table.Insert(NewPort(NewLog(static_cast<int>(i)))));
    ASSERT_NE(handles.back(), nullptr) << i;
  }
  EXPECT_EQ(table.Insert(NewPort(NewLog(99))), nullptr);
  table.Remove(handles[10]);
  const HMIDIOUT again = table.Insert(NewPort(NewLog(100)));
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(Reach(table, again), 100);
  EXPECT_EQ(Reach(table, handles[11]), 11);
}

TEST(HandleTable, DestructorClosesWhatIsStillOpen) {
  auto open = NewLog(1);
  auto removed = NewLog(2);
  {
    HandleTable table;
    table.Insert(NewPort(open));
    table.Remove(table.Insert(NewPort(removed)));
  }
  EXPECT_TRUE(open->closed.load());
  EXPECT_TRUE(open->destroyed.load());
  EXPECT_FALSE(removed->closed.load()) << "a removed port is the remover's to close";
}

// A tick thread and a UI thread send through one handle while the UI closes
// it and opens another port into the same slot: no call may reach a closed
// port, or the new port through the old handle.
TEST(HandleTable, CloseRacingSendsNeverUsesAClosedPort) {
  HandleTable table;
  constexpr int kRounds = 300;
  for (int round = 0; round < kRounds; ++round) {
    auto log = NewLog(round);
    const HMIDIOUT handle = table.Insert(NewPort(log));
    ASSERT_NE(handle, nullptr);
    std::atomic<bool> removed{false};
    std::atomic<bool> wrongPort{false};
    std::atomic<bool> succeededAfterRemove{false};
    auto sender = [&] {
      for (;;) {
        const bool wasRemoved = removed.load(std::memory_order_acquire);
        MMRESULT rc = MMSYSERR_NOERROR;
        const int tag = Reach(table, handle, &rc);
        if (tag != -1 && tag != round) wrongPort.store(true);
        if (wasRemoved && rc != MMSYSERR_INVALHANDLE) succeededAfterRemove.store(true);
        if (wasRemoved) return;
      }
    };
    std::thread tick(sender);
    std::thread other(sender);
    while (log->sends.load() < 20) std::this_thread::yield();
    auto port = table.Remove(handle);
    removed.store(true, std::memory_order_release);
    ASSERT_NE(port, nullptr);
    port->Close();
    port.reset();
    // A new port in the same slot, while the senders still hold the old handle.
    auto next = NewLog(-2);
    const HMIDIOUT reused = table.Insert(NewPort(next));
    tick.join();
    other.join();
    EXPECT_FALSE(log->usedAfterClose.load()) << "round " << round;
    EXPECT_FALSE(wrongPort.load()) << "round " << round;
    EXPECT_FALSE(succeededAfterRemove.load()) << "round " << round;
    EXPECT_EQ(next->sends.load(), 0) << "the old handle reached the new port";
    table.Remove(reused);
    if (::testing::Test::HasFailure()) break;
  }
}

}  // namespace
