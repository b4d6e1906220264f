// The real periodic timer, on real threads and the real clock. Tolerances are
// generous: these check behaviour, the precision figures come from
// bench/timer_precision.
#include "midi/precise_timer.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include "midi/message_time.h"
#include "midi/tick_grid.h"
#include "support/process_threads.h"

namespace {

using namespace std::chrono_literals;

constexpr std::int64_t kMs = 1'000'000;
// 33.333... ms: a period that is not a whole number of nanoseconds.
constexpr TimerPeriod kThirdOf100Ms{100'000'000, 3};
constexpr TimerPeriod k20Ms{20'000'000, 1};

template <class Pred>
bool WaitFor(Pred pred, std::chrono::milliseconds timeout = 5000ms) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!pred()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

// What each tick saw. Written only by the event's own thread; `count` is
// stored with release after the slot is filled, read with acquire.
struct Recorder {
  static constexpr int kMax = 64;
  std::array<std::int64_t, kMax> idealNs{};
  std::array<std::int64_t, kMax> wokeNs{};
  std::array<std::int64_t, kMax> returnedNs{};
  std::atomic<int> count{0};
  std::atomic<UINT> seenId{0};
  std::atomic<DWORD_PTR> seenUser{0};
  // Tick index (0-based) that blocks for `blockFor` before returning.
  int blockingTick = -1;
  std::chrono::milliseconds blockFor{0};

  int Count() const { return count.load(std::memory_order_acquire); }

  static void Callback(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    auto& r = *reinterpret_cast<Recorder*>(user);
    const int i = r.count.load(std::memory_order_relaxed);
    const std::int64_t woke = MonotonicNowNs();
    if (i == r.blockingTick) std::this_thread::sleep_for(r.blockFor);
    if (i < kMax) {
      r.wokeNs[i] = woke;
      r.idealNs[i] = MessageTimeNs();
      r.returnedNs[i] = MonotonicNowNs();
    }
    r.seenId.store(id, std::memory_order_relaxed);
    r.seenUser.store(user, std::memory_order_relaxed);
    r.count.store(i + 1, std::memory_order_release);
  }
};

DWORD_PTR UserOf(Recorder& r) { return reinterpret_cast<DWORD_PTR>(&r); }

// For several events at once: only counts.
void CountTick(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
  reinterpret_cast<std::atomic<int>*>(user)->fetch_add(1, std::memory_order_relaxed);
}

// The timer is declared last so it is destroyed first: its threads are joined
// before anything a late tick writes to goes away.
class PreciseTimerTest : public ::testing::Test {
 protected:
  Recorder r_;
  PreciseTimer timer_;
};

TEST_F(PreciseTimerTest, TicksFallOnTheExactGridAndCarryTheirIdealTime) {
  Recorder& r = r_;
  const std::int64_t before = MonotonicNowNs();
  const UINT id = timer_.SetEvent(kThirdOf100Ms, &Recorder::Callback, UserOf(r), TIME_PERIODIC);
  const std::int64_t after = MonotonicNowNs();
  ASSERT_NE(id, 0u);
  constexpr int kTicks = 8;
  ASSERT_TRUE(WaitFor([&] { return r.Count() >= kTicks; }));
  EXPECT_EQ(timer_.KillEvent(id), TIMERR_NOERROR);
  EXPECT_EQ(r.seenId.load(), id);
  EXPECT_EQ(r.seenUser.load(), UserOf(r));

  // The start is unknown but bracketed; every ideal time is start + floor(k * period).
  const std::int64_t start = r.idealNs[0] - tick_grid::IdealNs(0, kThirdOf100Ms, 1);
  EXPECT_GE(start, before);
  EXPECT_LE(start, after);
  for (int i = 0; i < kTicks; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(r.idealNs[i], tick_grid::IdealNs(start, kThirdOf100Ms, i + 1));
    EXPECT_GE(r.wokeNs[i], r.idealNs[i]) << "a tick ran early";
    EXPECT_LT(r.wokeNs[i] - r.idealNs[i], 50 * kMs);
  }
  const double meanInterval = double(r.wokeNs[kTicks - 1] - r.wokeNs[0]) / (kTicks - 1);
  EXPECT_NEAR(meanInterval, 100.0 * kMs / 3, 10.0 * kMs);
}

TEST_F(PreciseTimerTest, KillStopsTheTicks) {
  Recorder& r = r_;
  const UINT id = timer_.SetEvent(k20Ms, &Recorder::Callback, UserOf(r), TIME_PERIODIC);
  ASSERT_TRUE(WaitFor([&] { return r.Count() >= 2; }));
  ASSERT_EQ(timer_.KillEvent(id), TIMERR_NOERROR);
  const int atKill = r.Count();
  std::this_thread::sleep_for(100ms);
  const int settled = r.Count();
  EXPECT_LE(settled, atKill + 1) << "only a tick already under way may finish";
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(r.Count(), settled);
  EXPECT_EQ(timer_.KillEvent(id), MMSYSERR_INVALPARAM);
}

TEST_F(PreciseTimerTest, OneShotFiresOnce) {
  Recorder& r = r_;
  const UINT id = timer_.SetEvent(k20Ms, &Recorder::Callback, UserOf(r), TIME_ONESHOT);
  ASSERT_NE(id, 0u);
  ASSERT_TRUE(WaitFor([&] { return r.Count() >= 1; }));
  std::this_thread::sleep_for(150ms);
  EXPECT_EQ(r.Count(), 1);
  EXPECT_EQ(timer_.KillEvent(id), MMSYSERR_INVALPARAM) << "a fired one-shot no longer exists";
}

TEST_F(PreciseTimerTest, IdsAreDistinctNonZeroAndKnown) {
  std::atomic<int>& ticks = r_.count;
  std::array<UINT, 5> ids{};
  for (auto& id : ids) {
    id = timer_.SetEvent(TimerPeriod{1'000'000'000, 1}, &CountTick,
                         reinterpret_cast<DWORD_PTR>(&ticks), TIME_PERIODIC);
    EXPECT_NE(id, 0u);
  }
  for (std::size_t i = 0; i < ids.size(); ++i) {
    for (std::size_t j = i + 1; j < ids.size(); ++j) EXPECT_NE(ids[i], ids[j]);
  }
  EXPECT_EQ(timer_.KillEvent(0), MMSYSERR_INVALPARAM);
  EXPECT_EQ(timer_.KillEvent(ids.back() + 1000), MMSYSERR_INVALPARAM);
  for (UINT id : ids) EXPECT_EQ(timer_.KillEvent(id), TIMERR_NOERROR);
  for (UINT id : ids) EXPECT_EQ(timer_.KillEvent(id), MMSYSERR_INVALPARAM);
}

TEST_F(PreciseTimerTest, RefusesEventsItCannotRun) {
  Recorder& r = r_;
  const struct {
    TimerPeriod period;
    LPTIMECALLBACK callback;
  } cases[] = {
      {k20Ms, nullptr},
      {TimerPeriod{0, 1}, &Recorder::Callback},
      {TimerPeriod{20'000'000, 0}, &Recorder::Callback},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(timer_.SetEvent(c.period, c.callback, UserOf(r), TIME_PERIODIC), 0u);
  }
}

TEST_F(PreciseTimerTest, LateTickResumesOnTheGridWithoutABurst) {
  Recorder& r = r_;
  r.blockingTick = 0;
  r.blockFor = 110ms;  // five and a half periods
  const UINT id = timer_.SetEvent(k20Ms, &Recorder::Callback, UserOf(r), TIME_PERIODIC);
  ASSERT_TRUE(WaitFor([&] { return r.Count() >= 3; }));
  timer_.KillEvent(id);
  // The ticks missed while blocked are skipped, not fired at once with their old times.
  EXPECT_GE(r.idealNs[1], r.returnedNs[0] - 20 * kMs);
  for (int i = 1; i < 3; ++i) {
    EXPECT_EQ((r.idealNs[i] - r.idealNs[0]) % (20 * kMs), 0) << "tick " << i << " left the grid";
  }
}

// Fires twice, then kills its own event from inside the callback.
struct SelfKiller {
  PreciseTimer* timer = nullptr;
  std::atomic<int> count{0};
  std::atomic<MMRESULT> killResult{0xFFFF};

  static void Callback(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    auto& s = *reinterpret_cast<SelfKiller*>(user);
    if (s.count.fetch_add(1, std::memory_order_relaxed) + 1 == 2) {
      s.killResult.store(s.timer->KillEvent(id), std::memory_order_relaxed);
    }
  }
};

TEST(PreciseTimerKill, FromInsideItsOwnTick) {
  SelfKiller s;
  PreciseTimer timer;
  s.timer = &timer;
  ASSERT_NE(
      timer.SetEvent(k20Ms, &SelfKiller::Callback, reinterpret_cast<DWORD_PTR>(&s), TIME_PERIODIC),
      0u);
  ASSERT_TRUE(WaitFor([&] { return s.killResult.load() != 0xFFFF; }));
  EXPECT_EQ(s.killResult.load(), TIMERR_NOERROR);
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(s.count.load(), 2);
}

// Blocks inside its first tick until the test lets it go.
struct Blocker {
  std::atomic<bool> inside{false};
  std::atomic<bool> release{false};
  std::atomic<bool> returned{false};
  std::atomic<int> count{0};

  static void Callback(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    auto& b = *reinterpret_cast<Blocker*>(user);
    if (b.count.fetch_add(1) == 0) {
      b.inside.store(true);
      while (!b.release.load()) std::this_thread::sleep_for(1ms);
      b.returned.store(true);
    }
  }
};

TEST(PreciseTimerKill, DoesNotWaitForARunningTick) {
  Blocker b;
  Recorder r;
  PreciseTimer timer;
  const UINT id =
      timer.SetEvent(k20Ms, &Blocker::Callback, reinterpret_cast<DWORD_PTR>(&b), TIME_PERIODIC);
  ASSERT_TRUE(WaitFor([&] { return b.inside.load(); }));

  auto kill = std::async(std::launch::async, [&] { return timer.KillEvent(id); });
  const bool killReturned = kill.wait_for(5s) == std::future_status::ready;
  EXPECT_FALSE(b.returned.load());
  b.release.store(true);  // frees a kill that did wait, so a failure does not hang
  EXPECT_TRUE(killReturned) << "KillEvent waited for the running tick";
  EXPECT_EQ(kill.get(), TIMERR_NOERROR);

  ASSERT_TRUE(WaitFor([&] { return b.returned.load(); }));
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(b.count.load(), 1) << "a tick began after the kill";

  // The killed event's thread is joined by the next SetEvent without trouble.
  const UINT next = timer.SetEvent(k20Ms, &Recorder::Callback, UserOf(r), TIME_PERIODIC);
  EXPECT_NE(next, 0u);
  EXPECT_NE(next, id);
  ASSERT_TRUE(WaitFor([&] { return r.Count() >= 1; }));
}

TEST(PreciseTimerThreads, SetAndKillCyclesLeaveNoThreadBehind) {
  // Any thread the runtime starts once (a sanitizer's helper) is started here, before counting.
  std::thread([] {}).join();
  const int baseline = ThreadsOfThisProcess();
  int most = baseline;
  {
    std::atomic<int> ticks{0};
    PreciseTimer timer;
    const auto user = reinterpret_cast<DWORD_PTR>(&ticks);
    for (int i = 0; i < 200; ++i) {
      // 1 ms: some cycles are killed mid-sleep, some while a tick runs.
      const UINT id = timer.SetEvent(TimerPeriod{1'000'000, 1}, &CountTick, user, TIME_PERIODIC);
      ASSERT_NE(id, 0u);
      if (i % 3 == 0) std::this_thread::sleep_for(1ms);
      timer.KillEvent(id);
      if (i % 10 == 0) {
        const UINT oneShot =
            timer.SetEvent(TimerPeriod{1'000'000, 1}, &CountTick, user, TIME_ONESHOT);
        ASSERT_NE(oneShot, 0u);
      }
      most = std::max(most, ThreadsOfThisProcess());
    }
    EXPECT_LT(most, baseline + 16) << "killed events' threads pile up";
  }
  // A joined thread may linger in /proc for a moment after join returns.
  EXPECT_TRUE(WaitFor([&] { return ThreadsOfThisProcess() == baseline; }, 2000ms))
      << ThreadsOfThisProcess() << " threads, " << baseline << " before";
}

TEST(PreciseTimerThreads, DestructorStopsAndJoinsLiveEvents) {
  std::thread([] {}).join();
  const int baseline = ThreadsOfThisProcess();
  std::atomic<int> ticks{0};
  {
    PreciseTimer timer;
    for (int i = 0; i < 4; ++i) {
      ASSERT_NE(
          timer.SetEvent(k20Ms, &CountTick, reinterpret_cast<DWORD_PTR>(&ticks), TIME_PERIODIC),
          0u);
    }
    ASSERT_TRUE(WaitFor([&] { return ticks.load() >= 4; }));
  }
  const int atDestruction = ticks.load();
  std::this_thread::sleep_for(60ms);
  EXPECT_EQ(ticks.load(), atDestruction) << "a tick ran after the timer was destroyed";
  EXPECT_TRUE(WaitFor([&] { return ThreadsOfThisProcess() == baseline; }, 2000ms));
}

// The grid arithmetic, with periods and tick numbers whose products overflow 64 bits.
TEST(TickGrid, IdealTimesAreExactFloorsFromTheStart) {
  const struct {
    TimerPeriod period;
    std::uint64_t k;
    std::int64_t expected;
  } cases[] = {
      {TimerPeriod{6'000'000'000'000, 11000}, 1, 545'454'545},
      {TimerPeriod{6'000'000'000'000, 11000}, 3, 1'636'363'636},
      {TimerPeriod{6'000'000'000'000, 11000}, 11000, 6'000'000'000'000},  // 100 min, exact
      {TimerPeriod{6'000'000'000'000, 29999}, 10'000'000'000, 2'000'066'668'888'962'965},
      {TimerPeriod{100'000'000, 3}, 3, 100'000'000},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(tick_grid::IdealNs(1000, c.period, c.k), 1000 + c.expected) << c.k;
  }
}

TEST(TickGrid, FirstTickAtOrAfterFindsTheNextDeadline) {
  const TimerPeriod beat{6'000'000'000'000, 11000};  // tick 3 at start + 1'636'363'636
  const std::int64_t start = 5'000;
  const std::int64_t tick3 = start + 1'636'363'636;
  const struct {
    std::int64_t now;
    std::uint64_t expected;
  } cases[] = {
      {start - 1, 1}, {start, 1}, {tick3 - 1, 3}, {tick3, 3}, {tick3 + 1, 4},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(tick_grid::FirstTickAtOrAfter(start, beat, c.now), c.expected) << c.now - start;
  }
}

TEST(TickGrid, LatenessIsMeasuredAgainstTheExactPeriod) {
  const TimerPeriod beat{6'000'000'000'000, 11000};  // 545'454'545.45 ns
  EXPECT_FALSE(tick_grid::LaterThanOnePeriod(-1, beat));
  EXPECT_FALSE(tick_grid::LaterThanOnePeriod(0, beat));
  EXPECT_FALSE(tick_grid::LaterThanOnePeriod(545'454'545, beat));
  EXPECT_TRUE(tick_grid::LaterThanOnePeriod(545'454'546, beat));
}

}  // namespace
