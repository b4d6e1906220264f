#pragma once
// The multimedia services the program relies on: MIDI output devices and the
// periodic click timer. These declarations are all that the layers above see;
// what answers them is the installed MultimediaProvider (multimedia_provider.h).
#include <cstdint>

#include "midi/win_types.h"

using MMRESULT = UINT;
using MMVERSION = UINT;

struct HMIDIOUT__;
using HMIDIOUT = HMIDIOUT__*;

// Result codes; 0 is success everywhere.
inline constexpr MMRESULT MMSYSERR_NOERROR = 0;
inline constexpr MMRESULT MMSYSERR_ERROR = 1;
inline constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
inline constexpr MMRESULT MMSYSERR_NOTENABLED = 3;
inline constexpr MMRESULT MMSYSERR_ALLOCATED = 4;
inline constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
inline constexpr MMRESULT MMSYSERR_NODRIVER = 6;
inline constexpr MMRESULT MMSYSERR_NOMEM = 7;
inline constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
inline constexpr MMRESULT MIDIERR_NODEVICE = 68;
inline constexpr MMRESULT TIMERR_NOERROR = 0;
inline constexpr MMRESULT TIMERR_NOCANDO = 97;

// Device technologies reported in MIDIOUTCAPSA::wTechnology.
inline constexpr WORD MOD_MIDIPORT = 1;
inline constexpr WORD MOD_SYNTH = 2;
inline constexpr WORD MOD_SQSYNTH = 3;
inline constexpr WORD MOD_FMSYNTH = 4;
inline constexpr WORD MOD_MAPPER = 5;
inline constexpr WORD MOD_WAVETABLE = 6;
inline constexpr WORD MOD_SWSYNTH = 7;

inline constexpr UINT MAXPNAMELEN = 32;
inline constexpr DWORD CALLBACK_NULL = 0;
inline constexpr UINT TIME_ONESHOT = 0;
inline constexpr UINT TIME_PERIODIC = 1;

struct MIDIOUTCAPSA {
  WORD wMid;
  WORD wPid;
  MMVERSION vDriverVersion;
  CHAR szPname[MAXPNAMELEN];  // NUL-terminated
  WORD wTechnology;
  WORD wVoices;
  WORD wNotes;
  WORD wChannelMask;
  DWORD dwSupport;
};
static_assert(sizeof(MIDIOUTCAPSA) == 52, "the capabilities record is 52 bytes");

using LPTIMECALLBACK = void (*)(UINT uTimerID, UINT uMsg, DWORD_PTR dwUser, DWORD_PTR dw1,
                                DWORD_PTR dw2);

// A timer period as a fraction of nanoseconds, so a beat of 60/BPM seconds is
// exact: tick k falls at start + k * numeratorNs / denominator.
struct TimerPeriod {
  std::uint64_t numeratorNs;
  std::uint32_t denominator;
};

UINT midiOutGetNumDevs();
MMRESULT midiOutGetDevCapsA(UINT_PTR uDeviceID, MIDIOUTCAPSA* pmoc, UINT cbmoc);
MMRESULT midiOutOpen(HMIDIOUT* phmo, UINT uDeviceID, DWORD_PTR dwCallback, DWORD_PTR dwInstance,
                     DWORD fdwOpen);
MMRESULT midiOutSetVolume(HMIDIOUT hmo, DWORD dwVolume);
MMRESULT midiOutShortMsg(HMIDIOUT hmo, DWORD dwMsg);
MMRESULT midiOutClose(HMIDIOUT hmo);

MMRESULT timeBeginPeriod(UINT uPeriod);
MMRESULT timeEndPeriod(UINT uPeriod);
// Returns the event id, 0 on failure. uDelay is in whole milliseconds.
UINT timeSetEvent(UINT uDelay, UINT uResolution, LPTIMECALLBACK fptc, DWORD_PTR dwUser,
                  UINT fuEvent);
// As timeSetEvent, with an exact fractional period.
UINT timeSetEventExact(TimerPeriod period, UINT uResolution, LPTIMECALLBACK fptc,
                       DWORD_PTR dwUser, UINT fuEvent);
// Stops the event; does not wait for a tick that has already begun.
MMRESULT timeKillEvent(UINT uTimerID);
