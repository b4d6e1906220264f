#pragma once
// A recording stand-in for the multimedia services: scripted devices and
// failure codes, every call written to a log, ticks fired by the test.
#include <mutex>
#include <string>
#include <vector>

#include "midi/multimedia_provider.h"

struct FakeMidiDevice {
  std::string name;
  WORD technology = MOD_SYNTH;
  MMRESULT capsResult = MMSYSERR_NOERROR;
  MMRESULT openResult = MMSYSERR_NOERROR;
};

class FakeMultimedia final : public MultimediaProvider {
 public:
  // Installs itself for its lifetime.
  FakeMultimedia();
  ~FakeMultimedia() override;

  // Script, set before the code under test runs.
  std::vector<FakeMidiDevice> devices;
  MMRESULT closeResult = MMSYSERR_NOERROR;
  MMRESULT beginPeriodResult = TIMERR_NOERROR;
  bool failSetEvent = false;

  // The calls in order, e.g. "open 1", "volume 0xFFFFFFFF", "short 0x007F2599",
  // "close", "begin 10", "end 10", "set 6000000000000/11000 res 10 periodic", "kill 1".
  std::vector<std::string> Log() const;
  void ClearLog();
  // Only the "short ..." entries.
  std::vector<std::string> Sent() const;

  struct TimerEvent {
    UINT id;
    TimerPeriod period;
    UINT resolution;
    LPTIMECALLBACK callback;
    DWORD_PTR user;
    UINT flags;
    bool alive;
  };
  std::vector<TimerEvent> Events() const;
  std::vector<UINT> LiveEvents() const;
  // Runs the event's callback once, as the timer thread would.
  void Tick(UINT id);
  bool IsOpen(HMIDIOUT handle) const;

  UINT GetNumDevs() override;
  MMRESULT GetDevCaps(UINT id, MIDIOUTCAPSA& caps) override;
  MMRESULT Open(HMIDIOUT* handle, UINT id) override;
  MMRESULT SetVolume(HMIDIOUT handle, DWORD volume) override;
  MMRESULT ShortMsg(HMIDIOUT handle, DWORD msg) override;
  MMRESULT Close(HMIDIOUT handle) override;
  MMRESULT BeginPeriod(UINT period) override;
  MMRESULT EndPeriod(UINT period) override;
  UINT SetEvent(TimerPeriod period, UINT resolution, LPTIMECALLBACK callback, DWORD_PTR user,
                UINT flags) override;
  MMRESULT KillEvent(UINT id) override;

  // The handle Open gives for device `id`.
  static HMIDIOUT HandleFor(UINT id);

 private:
  void Record(std::string entry);

  mutable std::mutex mutex_;
  std::vector<std::string> log_;
  std::vector<TimerEvent> events_;
  std::vector<HMIDIOUT> open_;
  MultimediaProvider* previous_;
};

std::string Hex32(DWORD value);  // "0x007F2599"
