#include "midi/real_provider.h"

#include "midi/alsa_sequencer.h"
#include "midi/builtin_synth.h"
#include "midi/message_time.h"

RealMultimediaProvider::RealMultimediaProvider() : builtin_(MakeBuiltinSynthDevice()) {}

RealMultimediaProvider::~RealMultimediaProvider() = default;

void RealMultimediaProvider::RefreshDevices() {
  devices_.clear();
  devices_.push_back(builtin_);
  for (auto& device : ListAlsaSequencerDevices()) devices_.push_back(std::move(device));
}

std::shared_ptr<MidiOutDevice> RealMultimediaProvider::Device(UINT id) {
  std::lock_guard lock(devicesMutex_);
  if (devices_.empty()) RefreshDevices();
  return id < devices_.size() ? devices_[id] : nullptr;
}

UINT RealMultimediaProvider::GetNumDevs() {
  std::lock_guard lock(devicesMutex_);
  RefreshDevices();  // the count is asked afresh: ports come and go
  return static_cast<UINT>(devices_.size());
}

MMRESULT RealMultimediaProvider::GetDevCaps(UINT id, MIDIOUTCAPSA& caps) {
  auto device = Device(id);
  return device ? device->GetCaps(caps) : MMSYSERR_BADDEVICEID;
}

MMRESULT RealMultimediaProvider::Open(HMIDIOUT* handle, UINT id) {
  auto device = Device(id);
  if (!device) return MMSYSERR_BADDEVICEID;
  std::unique_ptr<MidiOutPort> port;
  const MMRESULT rc = device->Open(port);
  if (rc != MMSYSERR_NOERROR) return rc;
  if (!port) return MMSYSERR_ERROR;
  HMIDIOUT opened = handles_.Insert(std::move(port));
  if (opened == nullptr) return MMSYSERR_NOMEM;  // the table has closed nothing: port is gone
  *handle = opened;
  return MMSYSERR_NOERROR;
}

MMRESULT RealMultimediaProvider::SetVolume(HMIDIOUT handle, DWORD volume) {
  return handles_.With(handle, [volume](MidiOutPort& port) { return port.SetVolume(volume); });
}

MMRESULT RealMultimediaProvider::ShortMsg(HMIDIOUT handle, DWORD msg) {
  const std::int64_t when = MessageTimeNs();
  return handles_.With(handle, [msg, when](MidiOutPort& port) { return port.Send(msg, when); });
}

MMRESULT RealMultimediaProvider::Close(HMIDIOUT handle) {
  auto port = handles_.Remove(handle);
  return port ? port->Close() : MMSYSERR_INVALHANDLE;
}

// Linux timers need no resolution request; the request always succeeds.
MMRESULT RealMultimediaProvider::BeginPeriod(UINT) { return TIMERR_NOERROR; }
MMRESULT RealMultimediaProvider::EndPeriod(UINT) { return TIMERR_NOERROR; }

UINT RealMultimediaProvider::SetEvent(TimerPeriod period, UINT, LPTIMECALLBACK callback,
                                      DWORD_PTR user, UINT flags) {
  return timer_.SetEvent(period, callback, user, flags);
}

MMRESULT RealMultimediaProvider::KillEvent(UINT id) { return timer_.KillEvent(id); }
