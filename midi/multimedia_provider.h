#pragma once
// The one seam behind the multimedia declarations: production installs the
// real provider (real_provider.h), tests install a recording fake.
#include "midi/multimedia.h"

class MultimediaProvider {
 public:
  virtual ~MultimediaProvider() = default;

  virtual UINT GetNumDevs() = 0;
  virtual MMRESULT GetDevCaps(UINT id, MIDIOUTCAPSA& caps) = 0;
  virtual MMRESULT Open(HMIDIOUT* handle, UINT id) = 0;
  // SetVolume, ShortMsg and Close may be called on one handle from several
  // threads at once, and on handles that are closed or were never opened.
  virtual MMRESULT SetVolume(HMIDIOUT handle, DWORD volume) = 0;
  virtual MMRESULT ShortMsg(HMIDIOUT handle, DWORD msg) = 0;
  virtual MMRESULT Close(HMIDIOUT handle) = 0;

  virtual MMRESULT BeginPeriod(UINT period) = 0;
  virtual MMRESULT EndPeriod(UINT period) = 0;
  virtual UINT SetEvent(TimerPeriod period, UINT resolution, LPTIMECALLBACK callback,
                        DWORD_PTR user, UINT flags) = 0;
  virtual MMRESULT KillEvent(UINT id) = 0;
};

// Makes `provider` answer every multimedia call (nullptr: none, so there are no
// devices and no timer). Returns the provider it replaces. The caller keeps
// ownership and must keep it alive while it is installed.
MultimediaProvider* InstallMultimediaProvider(MultimediaProvider* provider);
