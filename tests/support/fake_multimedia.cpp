#include "support/fake_multimedia.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

std::string Hex32(DWORD value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
  return text;
}

FakeMultimedia::FakeMultimedia() : previous_(InstallMultimediaProvider(this)) {}

FakeMultimedia::~FakeMultimedia() { InstallMultimediaProvider(previous_); }

HMIDIOUT FakeMultimedia::HandleFor(UINT id) { return reinterpret_cast<HMIDIOUT>(0x1000 + id); }

void FakeMultimedia::Record(std::string entry) {
  std::lock_guard lock(mutex_);
  log_.push_back(std::move(entry));
}

std::vector<std::string> FakeMultimedia::Log() const {
  std::lock_guard lock(mutex_);
  return log_;
}

void FakeMultimedia::ClearLog() {
  std::lock_guard lock(mutex_);
  log_.clear();
}

std::vector<std::string> FakeMultimedia::Sent() const {
  std::vector<std::string> sent;
  for (const auto& entry : Log()) {
    if (entry.rfind("short ", 0) == 0) sent.push_back(entry);
  }
  return sent;
}

std::vector<FakeMultimedia::TimerEvent> FakeMultimedia::Events() const {
  std::lock_guard lock(mutex_);
  return events_;
}

std::vector<UINT> FakeMultimedia::LiveEvents() const {
  std::vector<UINT> live;
  for (const auto& event : Events()) {
    if (event.alive) live.push_back(event.id);
  }
  return live;
}

void FakeMultimedia::Tick(UINT id) {
  TimerEvent event{};
  {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(events_.begin(), events_.end(),
                           [id](const TimerEvent& e) { return e.id == id; });
    if (it == events_.end()) return;
    event = *it;
  }
  event.callback(event.id, 0, event.user, 0, 0);
}

bool FakeMultimedia::IsOpen(HMIDIOUT handle) const {
  std::lock_guard lock(mutex_);
  return std::find(open_.begin(), open_.end(), handle) != open_.end();
}

UINT FakeMultimedia::GetNumDevs() {
  Record("count");
  return static_cast<UINT>(devices.size());
}

MMRESULT FakeMultimedia::GetDevCaps(UINT id, MIDIOUTCAPSA& caps) {
  Record("caps " + std::to_string(id));
  if (id >= devices.size()) return MMSYSERR_BADDEVICEID;
  const FakeMidiDevice& device = devices[id];
  if (device.capsResult != MMSYSERR_NOERROR) return device.capsResult;
  std::strncpy(caps.szPname, device.name.c_str(), MAXPNAMELEN - 1);
  caps.wTechnology = device.technology;
  return MMSYSERR_NOERROR;
}

MMRESULT FakeMultimedia::Open(HMIDIOUT* handle, UINT id) {
  Record("open " + std::to_string(id));
  if (id >= devices.size()) return MMSYSERR_BADDEVICEID;
  if (devices[id].openResult != MMSYSERR_NOERROR) return devices[id].openResult;
  *handle = HandleFor(id);
  std::lock_guard lock(mutex_);
  open_.push_back(*handle);
  return MMSYSERR_NOERROR;
}

MMRESULT FakeMultimedia::SetVolume(HMIDIOUT handle, DWORD volume) {
  Record("volume " + Hex32(volume));
  return IsOpen(handle) ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
}

MMRESULT FakeMultimedia::ShortMsg(HMIDIOUT handle, DWORD msg) {
  Record("short " + Hex32(msg));
  return IsOpen(handle) ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
}

MMRESULT FakeMultimedia::Close(HMIDIOUT handle) {
  Record("close");
  std::lock_guard lock(mutex_);
  auto it = std::find(open_.begin(), open_.end(), handle);
  if (it == open_.end()) return MMSYSERR_INVALHANDLE;
  open_.erase(it);
  return closeResult;
}

MMRESULT FakeMultimedia::BeginPeriod(UINT period) {
  Record("begin " + std::to_string(period));
  return beginPeriodResult;
}

MMRESULT FakeMultimedia::EndPeriod(UINT period) {
  Record("end " + std::to_string(period));
  return TIMERR_NOERROR;
}

UINT FakeMultimedia::SetEvent(TimerPeriod period, UINT resolution, LPTIMECALLBACK callback,
                              DWORD_PTR user, UINT flags) {
  Record("set " + std::to_string(period.numeratorNs) + "/" + std::to_string(period.denominator) +
         " res " + std::to_string(resolution) + (flags == TIME_PERIODIC ? " periodic" : " once"));
  if (failSetEvent) return 0;
  std::lock_guard lock(mutex_);
  const UINT id = static_cast<UINT>(events_.size()) + 1;
  events_.push_back(TimerEvent{id, period, resolution, callback, user, flags, true});
  return id;
}

MMRESULT FakeMultimedia::KillEvent(UINT id) {
  Record("kill " + std::to_string(id));
  std::lock_guard lock(mutex_);
  for (auto& event : events_) {
    if (event.id == id && event.alive) {
      event.alive = false;
      return TIMERR_NOERROR;
    }
  }
  return MMSYSERR_INVALPARAM;
}
