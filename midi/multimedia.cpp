#include "midi/multimedia.h"

#include <atomic>
#include <cstring>

#include "midi/multimedia_provider.h"

namespace {

// Answers when nothing is installed: no devices, no timer.
class NoProvider final : public MultimediaProvider {
 public:
  UINT GetNumDevs() override { return 0; }
  MMRESULT GetDevCaps(UINT, MIDIOUTCAPSA&) override { return MMSYSERR_BADDEVICEID; }
  MMRESULT Open(HMIDIOUT*, UINT) override { return MMSYSERR_BADDEVICEID; }
  MMRESULT SetVolume(HMIDIOUT, DWORD) override { return MMSYSERR_INVALHANDLE; }
  MMRESULT ShortMsg(HMIDIOUT, DWORD) override { return MMSYSERR_INVALHANDLE; }
  MMRESULT Close(HMIDIOUT) override { return MMSYSERR_INVALHANDLE; }
  MMRESULT BeginPeriod(UINT) override { return TIMERR_NOCANDO; }
  MMRESULT EndPeriod(UINT) override { return TIMERR_NOCANDO; }
  UINT SetEvent(TimerPeriod, UINT, LPTIMECALLBACK, DWORD_PTR, UINT) override { return 0; }
  MMRESULT KillEvent(UINT) override { return MMSYSERR_INVALPARAM; }
};

NoProvider g_noProvider;
// Acquire/release so a provider's construction is visible to every thread
// that later reaches it through a multimedia call.
std::atomic<MultimediaProvider*> g_provider{&g_noProvider};

MultimediaProvider& Provider() { return *g_provider.load(std::memory_order_acquire); }

}  // namespace

MultimediaProvider* InstallMultimediaProvider(MultimediaProvider* provider) {
  MultimediaProvider* previous =
      g_provider.exchange(provider ? provider : &g_noProvider, std::memory_order_acq_rel);
  return previous == &g_noProvider ? nullptr : previous;
}

UINT midiOutGetNumDevs() { return Provider().GetNumDevs(); }

MMRESULT midiOutGetDevCapsA(UINT_PTR uDeviceID, MIDIOUTCAPSA* pmoc, UINT cbmoc) {
  if (pmoc == nullptr || cbmoc < sizeof(MIDIOUTCAPSA)) return MMSYSERR_INVALPARAM;
  if (uDeviceID > 0xFFFFFFFFu) return MMSYSERR_BADDEVICEID;
  MIDIOUTCAPSA caps{};
  const MMRESULT rc = Provider().GetDevCaps(static_cast<UINT>(uDeviceID), caps);
  if (rc != MMSYSERR_NOERROR) return rc;
  caps.szPname[MAXPNAMELEN - 1] = '\0';  // a provider's name never runs past the field
  std::memcpy(pmoc, &caps, sizeof caps);
  return MMSYSERR_NOERROR;
}

MMRESULT midiOutOpen(HMIDIOUT* phmo, UINT uDeviceID, DWORD_PTR dwCallback, DWORD_PTR,
                     DWORD fdwOpen) {
  if (phmo == nullptr) return MMSYSERR_INVALPARAM;
  // Only the callback-less form is offered.
  if (fdwOpen != CALLBACK_NULL || dwCallback != 0) return MMSYSERR_INVALPARAM;
  return Provider().Open(phmo, uDeviceID);
}

MMRESULT midiOutSetVolume(HMIDIOUT hmo, DWORD dwVolume) {
  return Provider().SetVolume(hmo, dwVolume);
}

MMRESULT midiOutShortMsg(HMIDIOUT hmo, DWORD dwMsg) { return Provider().ShortMsg(hmo, dwMsg); }

MMRESULT midiOutClose(HMIDIOUT hmo) { return Provider().Close(hmo); }

MMRESULT timeBeginPeriod(UINT uPeriod) { return Provider().BeginPeriod(uPeriod); }

MMRESULT timeEndPeriod(UINT uPeriod) { return Provider().EndPeriod(uPeriod); }

UINT timeSetEvent(UINT uDelay, UINT uResolution, LPTIMECALLBACK fptc, DWORD_PTR dwUser,
                  UINT fuEvent) {
  if (uDelay == 0) return 0;
  return timeSetEventExact(TimerPeriod{std::uint64_t{uDelay} * 1'000'000u, 1}, uResolution, fptc,
                           dwUser, fuEvent);
}

UINT timeSetEventExact(TimerPeriod period, UINT uResolution, LPTIMECALLBACK fptc,
                       DWORD_PTR dwUser, UINT fuEvent) {
  if (fptc == nullptr || period.denominator == 0 || period.numeratorNs == 0) return 0;
  return Provider().SetEvent(period, uResolution, fptc, dwUser, fuEvent);
}

MMRESULT timeKillEvent(UINT uTimerID) { return Provider().KillEvent(uTimerID); }
