#include "metronome/click.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

#include "metronome/click_scheduler.h"
#include "support/fake_multimedia.h"

namespace {

using testing::ElementsAre;

TEST(ClickWordsTest, WordsForKey37And56) {
  SetClickNote(37);
  EXPECT_EQ(s_msgNoteOn.load().Word(), 0x007F2599u);
  EXPECT_EQ(s_msgNoteOff.load().Word(), 0x00002589u);
  SetClickNote(56);
  EXPECT_EQ(s_msgNoteOn.load().Word(), 0x007F3899u);
  EXPECT_EQ(s_msgNoteOff.load().Word(), 0x00003889u);
}

TEST(ClickWordsTest, TickSendsNoteOffThenNoteOnToItsHandle) {
  FakeMultimedia mm;
  mm.devices = {{"Synth"}};
  HMIDIOUT h = nullptr;
  ASSERT_EQ(midiOutOpen(&h, 0, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  SetClickNote(37);
  mm.ClearLog();
  MetronomeTimeProc(1, 0, reinterpret_cast<DWORD_PTR>(h), 0, 0);
  EXPECT_EQ(mm.Log(), (std::vector<std::string>{"short 0x00002589", "short 0x007F2599"}));
}

// A scheduler with the window's failure path recorded instead of shown.
class TestScheduler : public CClickScheduler {
 public:
  using CClickScheduler::m_hMidiOut;
  using CClickScheduler::m_nPeriod;
  using CClickScheduler::m_nTempo;
  using CClickScheduler::m_nTimerEvent;
  int unavailable = 0;

 protected:
  void OnClickTimerUnavailable() override { ++unavailable; }
};

class ClickSchedulerTest : public testing::Test {
 protected:
  void SetUp() override {
    mm.devices = {{"Synth"}};
    ASSERT_EQ(midiOutOpen(&click.m_hMidiOut, 0, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    SetClickNote(37);
    click.m_nPeriod = TempoToPeriod(click.m_nTempo);
    mm.ClearLog();
  }

  FakeMultimedia mm;
  TestScheduler click;
};

TEST_F(ClickSchedulerTest, StartSchedulesTheExactBeatWithTheHandleAndSendsNothing) {
  click.StartClick();
  EXPECT_THAT(mm.Log(), ElementsAre("set 6000000000000/11000 res 10 periodic"));
  ASSERT_EQ(mm.LiveEvents().size(), 1u);
  EXPECT_EQ(click.m_nTimerEvent, mm.LiveEvents()[0]);
  EXPECT_EQ(mm.Events()[0].user, reinterpret_cast<DWORD_PTR>(click.m_hMidiOut));
  EXPECT_EQ(click.m_nPeriod, 545u);
}

TEST_F(ClickSchedulerTest, SyncAt120ClicksAtOnceAndRestartsFromNow) {
  click.StartClick();
  click.m_nTempo = 12000;
  mm.ClearLog();
  click.SyncClick();
  EXPECT_THAT(mm.Log(), ElementsAre("kill 1", "short 0x007F2599",
                                    "set 6000000000000/12000 res 10 periodic"));
  EXPECT_EQ(click.m_nPeriod, 500u);
  EXPECT_EQ(click.m_nTimerEvent, 2u);
}

TEST_F(ClickSchedulerTest, TwoSyncsGiveTwoClicksAndLeaveOneEvent) {
  click.StartClick();
  click.SyncClick();
  click.SyncClick();
  EXPECT_EQ(mm.Sent().size(), 2u);
  EXPECT_EQ(mm.LiveEvents(), std::vector<UINT>{click.m_nTimerEvent});
}

TEST_F(ClickSchedulerTest, SyncWhileStoppedStartsAgainWithAClick) {
  click.SyncClick();
  EXPECT_THAT(mm.Log(), ElementsAre("short 0x007F2599", "set 6000000000000/11000 res 10 periodic"));
  EXPECT_NE(click.m_nTimerEvent, 0u);
}

TEST_F(ClickSchedulerTest, SyncWithTempoZeroDoesNothing) {
  click.StartClick();
  click.m_nTempo = 0;
  mm.ClearLog();
  click.SyncClick();
  EXPECT_TRUE(mm.Log().empty());
  EXPECT_EQ(click.m_nTimerEvent, 1u);
  EXPECT_EQ(click.m_nPeriod, 545u);
}

TEST_F(ClickSchedulerTest, StopStopsOnceAndSendsNoNoteOff) {
  click.StartClick();
  mm.ClearLog();
  EXPECT_EQ(click.StopClick(), TRUE);
  EXPECT_THAT(mm.Log(), ElementsAre("kill 1"));
  EXPECT_EQ(click.m_nTimerEvent, 0u);
  mm.ClearLog();
  EXPECT_EQ(click.StopClick(), FALSE);
  EXPECT_TRUE(mm.Log().empty());
}

TEST_F(ClickSchedulerTest, TempoStepsKeepThePeriodUntilTheNextSync) {
  click.StartClick();
  click.m_nTempo = TempoStepUp(click.m_nTempo, FALSE);
  EXPECT_EQ(click.m_nPeriod, 545u);
  EXPECT_EQ(mm.LiveEvents(), std::vector<UINT>{1});
}

TEST_F(ClickSchedulerTest, VoiceChangeWhileRunningReachesTheNextTick) {
  click.StartClick();
  SetClickNote(56);
  mm.Tick(click.m_nTimerEvent);
  EXPECT_THAT(mm.Sent(), ElementsAre("short 0x00003889", "short 0x007F3899"));
  EXPECT_EQ(mm.LiveEvents(), std::vector<UINT>{1});  // period and phase untouched
}

TEST_F(ClickSchedulerTest, NoTimerReleasesTheResolutionAndReports) {
  mm.failSetEvent = true;
  click.StartClick();
  EXPECT_THAT(mm.Log(), ElementsAre("set 6000000000000/11000 res 10 periodic", "end 10"));
  EXPECT_EQ(click.unavailable, 1);
  EXPECT_EQ(click.m_nTimerEvent, 0u);
}

TEST_F(ClickSchedulerTest, SendsWithoutAnOpenPortAreHarmless) {
  click.m_hMidiOut = nullptr;
  click.SyncClick();
  mm.Tick(click.m_nTimerEvent);
  EXPECT_EQ(mm.Sent().size(), 3u);
  EXPECT_EQ(mm.LiveEvents().size(), 1u);
}

// The tick must never send the new key's note-off followed by the old key's
// note-on, however it overlaps a change of voice.
TEST(ClickWordsConcurrencyTest, TickNeverPairsNewNoteOffWithOldNoteOn) {
  std::atomic<bool> done{false};
  std::atomic<long> pairsRead{0};
  std::atomic<long> badPairs{0};
  SetClickNote(0);
  std::thread tick([&] {
    while (!done.load(std::memory_order_relaxed)) {
      const BYTE off = s_msgNoteOff.load(std::memory_order_acquire).data1;
      const BYTE on = s_msgNoteOn.load(std::memory_order_acquire).data1;
      // Keys only ever increase (mod 256) in the writer below, and it never
      // runs more than 64 keys ahead of one pair of reads, so "on" is the
      // same key as "off" or a newer one.
      if (static_cast<BYTE>(on - off) > 128) badPairs.fetch_add(1);
      pairsRead.fetch_add(1, std::memory_order_release);
    }
  });
  for (int i = 1; i < 100000; ++i) {
    if (i % 32 == 0) {
      // Two whole pairs of reads since: no pair spans more than 64 changes.
      const long seen = pairsRead.load(std::memory_order_acquire);
      while (pairsRead.load(std::memory_order_acquire) < seen + 2) std::this_thread::yield();
    }
    SetClickNote(static_cast<BYTE>(i));
  }
  done = true;
  tick.join();
  EXPECT_EQ(badPairs.load(), 0);
}

}  // namespace
