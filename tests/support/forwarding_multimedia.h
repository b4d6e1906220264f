#pragma once
// A provider that installs itself and passes every call on to a FakeMultimedia;
// tests derive from it to watch or change a few calls on their way.
#include "midi/multimedia_provider.h"
#include "support/fake_multimedia.h"

class ForwardingMultimedia : public MultimediaProvider {
 public:
  explicit ForwardingMultimedia(FakeMultimedia& fake)
      : fake_(fake), previous_(InstallMultimediaProvider(this)) {}
  ~ForwardingMultimedia() override { InstallMultimediaProvider(previous_); }
  ForwardingMultimedia(const ForwardingMultimedia&) = delete;
  ForwardingMultimedia& operator=(const ForwardingMultimedia&) = delete;

  UINT GetNumDevs() override { return fake_.GetNumDevs(); }
  MMRESULT GetDevCaps(UINT id, MIDIOUTCAPSA& caps) override { return fake_.GetDevCaps(id, caps); }
  MMRESULT Open(HMIDIOUT* handle, UINT id) override { return fake_.Open(handle, id); }
  MMRESULT SetVolume(HMIDIOUT handle, DWORD volume) override {
    return fake_.SetVolume(handle, volume);
  }
  MMRESULT ShortMsg(HMIDIOUT handle, DWORD msg) override { return fake_.ShortMsg(handle, msg); }
  MMRESULT Close(HMIDIOUT handle) override { return fake_.Close(handle); }
  MMRESULT BeginPeriod(UINT period) override { return fake_.BeginPeriod(period); }
  MMRESULT EndPeriod(UINT period) override { return fake_.EndPeriod(period); }
  UINT SetEvent(TimerPeriod period, UINT resolution, LPTIMECALLBACK callback, DWORD_PTR user,
                UINT flags) override {
    return fake_.SetEvent(period, resolution, callback, user, flags);
  }
  MMRESULT KillEvent(UINT id) override { return fake_.KillEvent(id); }

 protected:
  FakeMultimedia& fake_;

 private:
  MultimediaProvider* previous_;
};
