#pragma once
// The production provider: device 0 is the built-in synthesizer, devices 1..n
// the ALSA sequencer ports; the periodic timer is PreciseTimer.
#include <memory>
#include <mutex>
#include <vector>

#include "midi/handle_table.h"
#include "midi/midi_device.h"
#include "midi/multimedia_provider.h"
#include "midi/precise_timer.h"

class RealMultimediaProvider final : public MultimediaProvider {
 public:
  RealMultimediaProvider();
  ~RealMultimediaProvider() override;

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

 private:
  std::shared_ptr<MidiOutDevice> Device(UINT id);
  void RefreshDevices();  // requires devicesMutex_

  // Declared after the handles so it is destroyed first: ticks stop before
  // the ports they send to are closed.
  HandleTable handles_;
  PreciseTimer timer_;

  std::mutex devicesMutex_;  // device list; UI thread only in practice
  std::shared_ptr<MidiOutDevice> builtin_;
  std::vector<std::shared_ptr<MidiOutDevice>> devices_;
};
