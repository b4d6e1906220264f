#include "midi/precise_timer.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "midi/message_time.h"
#include "midi/tick_grid.h"

namespace {

// Above every ordinary thread, below audio servers (PulseAudio asks for 5).
constexpr int kTickPriority = 1;
// The sleep ends this long before the deadline and the rest is spun: a wake-up
// from sleep takes 60-250 us on a virtual machine, a clock read 20 ns. At
// 300 BPM that is under 0.1 % of one core.
constexpr std::int64_t kSpinNs = 250'000;
// Short periods are not worth a core's attention; they only sleep.
constexpr std::int64_t kMinPeriodToSpinNs = 20 * kSpinNs;

// Shared by the event's thread and the timer: whichever lets go last frees it,
// so a kill never frees what a running tick still uses.
struct Event {
  UINT id = 0;
  TimerPeriod period{};
  LPTIMECALLBACK callback = nullptr;
  DWORD_PTR user = 0;
  bool periodic = false;
  std::int64_t startNs = 0;

  // Guards only the sleep, so a kill cannot slip between the stop check and
  // the wait; the callback runs without it.
  std::mutex sleepMutex;
  std::condition_variable wake;
  // Written under sleepMutex (for the wait) and read after it; it publishes
  // nothing else, the mutex and join give every ordering needed.
  std::atomic<bool> stop{false};
  // Release store as the thread's last act on the event; the acquire load
  // before join() means join returns at once.
  std::atomic<bool> done{false};
};

struct Running {
  std::shared_ptr<Event> event;
  std::thread thread;
};

void RaisePriority() {
  sched_param param{};
  param.sched_priority = kTickPriority;
  // Needs CAP_SYS_NICE or an RLIMIT_RTPRIO; without them the ordinary
  // scheduler serves, a little less precisely.
  pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
}

// Returns false when the event was stopped before `deadlineNs`.
bool SleepUntil(Event& event, std::int64_t deadlineNs) {
  // libstdc++'s steady_clock is CLOCK_MONOTONIC, and this wait is an absolute
  // futex wait on it: the same deadline clock_nanosleep(TIMER_ABSTIME) would
  // sleep to, but one a kill can cut short.
  const std::chrono::steady_clock::time_point deadline{std::chrono::nanoseconds(deadlineNs)};
  std::unique_lock lock(event.sleepMutex);
  return !event.wake.wait_until(lock, deadline,
                                [&] { return event.stop.load(std::memory_order_relaxed); });
}

// Spins to the deadline; false when the event was stopped meanwhile.
bool SpinUntil(const Event& event, std::int64_t deadlineNs) {
  while (MonotonicNowNs() < deadlineNs) {
    if (event.stop.load(std::memory_order_relaxed)) return false;
  }
  return true;
}

void RunEvent(Event& event) {
  RaisePriority();
  // Spin only when the period is at least kMinPeriodToSpinNs.
  const bool spin = !tick_grid::LaterThanOnePeriod(kMinPeriodToSpinNs, event.period);
  std::uint64_t k = 1;
  for (;;) {
    const std::int64_t idealNs = tick_grid::IdealNs(event.startNs, event.period, k);
    if (!SleepUntil(event, spin ? idealNs - kSpinNs : idealNs)) break;
    if (spin && !SpinUntil(event, idealNs)) break;
    if (event.stop.load(std::memory_order_relaxed)) break;
    if (event.periodic) {
      // Asleep through more than a period (suspended, stopped, starved):
      // resume on the grid instead of firing the missed ticks in a burst.
      const std::int64_t nowNs = MonotonicNowNs();
      if (tick_grid::LaterThanOnePeriod(nowNs - idealNs, event.period)) {
        k = tick_grid::FirstTickAtOrAfter(event.startNs, event.period, nowNs);
        continue;
      }
    }
    {
      ScopedTickTime tickTime(idealNs);
      event.callback(event.id, 0, event.user, 0, 0);
    }
    if (!event.periodic) break;
    ++k;
  }
  event.done.store(true, std::memory_order_release);
}

void Join(Running& running) {
  if (!running.thread.joinable()) return;
  // A timer destroyed from inside its own tick cannot join that thread; the
  // thread owns its event and ends by itself.
  if (running.thread.get_id() == std::this_thread::get_id()) {
    running.thread.detach();
  } else {
    running.thread.join();
  }
}

void Stop(Event& event) {
  {
    std::lock_guard lock(event.sleepMutex);
    event.stop.store(true, std::memory_order_relaxed);
  }
  event.wake.notify_one();
}

bool IsDone(const Running& running) { return running.event->done.load(std::memory_order_acquire); }

}  // namespace

struct PreciseTimer::Impl {
  std::mutex mutex;               // guards everything below; never held by a tick
  std::vector<Running> live;      // events not killed yet
  std::vector<Running> stopping;  // killed, their threads not joined yet
  UINT lastId = 0;

  // Joins the threads that have ended; never waits for a tick. Requires mutex.
  void ReapFinished() {
    for (auto it = live.begin(); it != live.end();) {
      if (IsDone(*it)) {  // a one-shot that has fired
        stopping.push_back(std::move(*it));
        it = live.erase(it);
      } else {
        ++it;
      }
    }
    for (auto it = stopping.begin(); it != stopping.end();) {
      if (IsDone(*it)) {
        Join(*it);
        it = stopping.erase(it);
      } else {
        ++it;
      }
    }
  }

  bool IdInUse(UINT id) const {
    auto named = [id](const Running& r) { return r.event->id == id; };
    return std::any_of(live.begin(), live.end(), named) ||
           std::any_of(stopping.begin(), stopping.end(), named);
  }

  UINT NextId() {
    do {
      ++lastId;
    } while (lastId == 0 || IdInUse(lastId));
    return lastId;
  }
};

PreciseTimer::PreciseTimer() : impl_(new Impl) {}

PreciseTimer::~PreciseTimer() {
  std::vector<Running> all;
  {
    std::lock_guard lock(impl_->mutex);
    all = std::move(impl_->live);
    for (auto& r : impl_->stopping) all.push_back(std::move(r));
    impl_->live.clear();
    impl_->stopping.clear();
  }
  for (auto& r : all) Stop(*r.event);
  for (auto& r : all) Join(r);
  delete impl_;
}

UINT PreciseTimer::SetEvent(TimerPeriod period, LPTIMECALLBACK callback, DWORD_PTR user,
                            UINT flags) {
  if (callback == nullptr || period.numeratorNs == 0 || period.denominator == 0) return 0;
  auto event = std::make_shared<Event>();
  event->period = period;
  event->callback = callback;
  event->user = user;
  event->periodic = (flags & TIME_PERIODIC) != 0;
  event->startNs = MonotonicNowNs();

  std::lock_guard lock(impl_->mutex);
  impl_->ReapFinished();
  event->id = impl_->NextId();
  Running running{event, {}};
  try {
    // The thread holds its own reference to the event.
    running.thread = std::thread([event] { RunEvent(*event); });
  } catch (const std::system_error&) {
    return 0;
  }
  impl_->live.push_back(std::move(running));
  return event->id;
}

MMRESULT PreciseTimer::KillEvent(UINT id) {
  std::lock_guard lock(impl_->mutex);
  auto& live = impl_->live;
  auto it =
      std::find_if(live.begin(), live.end(), [id](const Running& r) { return r.event->id == id; });
  if (it == live.end()) return MMSYSERR_INVALPARAM;
  // A one-shot that has fired no longer exists.
  const bool existed = !IsDone(*it);
  Stop(*it->event);
  // Joined later, by the next SetEvent or the destructor: a tick may be running.
  impl_->stopping.push_back(std::move(*it));
  live.erase(it);
  return existed ? TIMERR_NOERROR : MMSYSERR_INVALPARAM;
}
