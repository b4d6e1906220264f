#include "midi/alsa_sequencer.h"

#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include "midi/alsa_sequencer_detail.h"
#include "midi/message_time.h"

namespace alsa_detail {

bool IsListedPort(int client, unsigned int capability, int ownClient) {
  constexpr unsigned int kWritable = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
  return client != SND_SEQ_CLIENT_SYSTEM && client != ownClient &&
         (capability & kWritable) == kWritable && (capability & SND_SEQ_PORT_CAP_NO_EXPORT) == 0;
}

WORD TechnologyFromPortType(unsigned int type) {
  constexpr unsigned int kSamples = SND_SEQ_PORT_TYPE_DIRECT_SAMPLE | SND_SEQ_PORT_TYPE_SAMPLE;
  constexpr unsigned int kSynths =
      SND_SEQ_PORT_TYPE_SYNTH | SND_SEQ_PORT_TYPE_SYNTHESIZER | kSamples;
  if ((type & kSynths) == 0) return MOD_MIDIPORT;
  if (type & SND_SEQ_PORT_TYPE_SOFTWARE) return MOD_SWSYNTH;
  if (type & kSamples) return MOD_WAVETABLE;
  return MOD_SYNTH;
}

std::string PortDisplayName(const char* portName, int client, int port) {
  std::string name = portName != nullptr ? portName : "";
  if (name.empty()) return std::to_string(client) + ":" + std::to_string(port);
  constexpr std::size_t kMax = MAXPNAMELEN - 1;
  if (name.size() > kMax) {
    std::size_t cut = kMax;
    // Back off over UTF-8 continuation bytes to the start of the cut character.
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
  }
  return name;
}

ShortMessage DecodeShortMessage(DWORD msg) {
  const std::uint8_t status = msg & 0xFF;
  ShortMessage m;
  m.channel = status & 0x0F;
  m.data1 = (msg >> 8) & 0x7F;
  m.data2 = (msg >> 16) & 0x7F;
  switch (status & 0xF0) {
    case 0x80:
      m.kind = ShortMessage::Kind::kNoteOff;
      break;
    case 0x90:
      m.kind = ShortMessage::Kind::kNoteOn;
      break;
    case 0xA0:
      m.kind = ShortMessage::Kind::kKeyPressure;
      break;
    case 0xB0:
      m.kind = ShortMessage::Kind::kController;
      break;
    case 0xC0:
      m.kind = ShortMessage::Kind::kProgram;
      m.data2 = 0;
      break;
    case 0xD0:
      m.kind = ShortMessage::Kind::kChannelPressure;
      m.data2 = 0;
      break;
    case 0xE0:
      m.kind = ShortMessage::Kind::kPitchBend;
      break;
    default:
      return ShortMessage{};  // a data byte, or a system message
  }
  return m;
}

bool FillSeqEvent(const ShortMessage& m, snd_seq_event_t& ev) {
  using Kind = ShortMessage::Kind;
  switch (m.kind) {
    case Kind::kNoteOff:
      snd_seq_ev_set_noteoff(&ev, m.channel, m.data1, m.data2);
      return true;
    case Kind::kNoteOn:
      snd_seq_ev_set_noteon(&ev, m.channel, m.data1, m.data2);
      return true;
    case Kind::kKeyPressure:
      snd_seq_ev_set_keypress(&ev, m.channel, m.data1, m.data2);
      return true;
    case Kind::kController:
      snd_seq_ev_set_controller(&ev, m.channel, m.data1, m.data2);
      return true;
    case Kind::kProgram:
      snd_seq_ev_set_pgmchange(&ev, m.channel, m.data1);
      return true;
    case Kind::kChannelPressure:
      snd_seq_ev_set_chanpress(&ev, m.channel, m.data1);
      return true;
    case Kind::kPitchBend:
      // The sequencer centres the bend on zero.
      snd_seq_ev_set_pitchbend(&ev, m.channel, ((m.data2 << 7) | m.data1) - 8192);
      return true;
    case Kind::kInvalid:
      break;
  }
  return false;
}

std::array<std::uint8_t, 8> MasterVolumeSysEx(DWORD volume) {
  const DWORD louder = std::max(volume & 0xFFFF, volume >> 16);
  const DWORD level = louder >> 2;  // 16 bits to 14
  return {0xF0,
          0x7F,
          0x7F,
          0x04,
          0x01,
          static_cast<std::uint8_t>(level & 0x7F),
          static_cast<std::uint8_t>(level >> 7),
          0xF7};
}

}  // namespace alsa_detail

namespace {

using namespace alsa_detail;

constexpr const char* kClientName = "Mossgate BPM Checker";
// Every message plays this long after its stamped time, so a tick that wakes a
// little late still lands on time (message_time.h).
constexpr std::int64_t kLatencyNs = 20'000'000;
constexpr DWORD kMidiCapsVolume = 0x0001;

// A mutex that lends its holder the priority of a waiting tick thread, so a
// volume change on the UI thread cannot hold a real-time tick back for long.
class InheritingMutex {
 public:
  InheritingMutex() {
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_setprotocol(&attr, PTHREAD_PRIO_INHERIT);
    pthread_mutex_init(&mutex_, &attr);
    pthread_mutexattr_destroy(&attr);
  }
  ~InheritingMutex() { pthread_mutex_destroy(&mutex_); }
  InheritingMutex(const InheritingMutex&) = delete;
  InheritingMutex& operator=(const InheritingMutex&) = delete;
  void lock() { pthread_mutex_lock(&mutex_); }
  void unlock() { pthread_mutex_unlock(&mutex_); }

 private:
  pthread_mutex_t mutex_;
};

bool SequencerPresent() {
  // Checked first: opening a missing sequencer makes the library print errors.
  return access("/dev/snd/seq", F_OK) == 0;
}

// One open connection: our own client and port, subscribed to the target, and
// a queue that plays each message at its stamped time plus the latency.
class AlsaSequencerPort final : public MidiOutPort {
 public:
  AlsaSequencerPort(int client, int port) : targetClient_(client), targetPort_(port) {}
  ~AlsaSequencerPort() override { Close(); }

  MMRESULT OpenConnection() {
    if (snd_seq_open(&seq_, "default", SND_SEQ_OPEN_OUTPUT, SND_SEQ_NONBLOCK) < 0) {
      seq_ = nullptr;
      return MMSYSERR_NODRIVER;
    }
    snd_seq_set_client_name(seq_, kClientName);
    ownPort_ = snd_seq_create_simple_port(
        seq_, kClientName, SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (ownPort_ < 0) return Fail(MMSYSERR_ERROR);
    queue_ = snd_seq_alloc_named_queue(seq_, kClientName);
    if (queue_ < 0) return Fail(MMSYSERR_ERROR);
    if (snd_seq_port_info_malloc(&targetInfo_) < 0 ||
        snd_seq_queue_status_malloc(&queueStatus_) < 0) {
      return Fail(MMSYSERR_NOMEM);
    }
    if (snd_seq_connect_to(seq_, ownPort_, targetClient_, targetPort_) < 0) {
      return Fail(MIDIERR_NODEVICE);  // the port has gone since it was listed
    }
    connected_ = true;
    if (snd_seq_start_queue(seq_, queue_, nullptr) < 0 || snd_seq_drain_output(seq_) < 0) {
      return Fail(MMSYSERR_ERROR);
    }
    return MMSYSERR_NOERROR;
  }

  MMRESULT Send(DWORD msg, std::int64_t whenNs) override {
    snd_seq_event_t ev;
    snd_seq_ev_clear(&ev);
    if (!FillSeqEvent(DecodeShortMessage(msg), ev)) return MMSYSERR_INVALPARAM;
    std::lock_guard lock(mutex_);
    return Output(ev, whenNs);
  }

  MMRESULT SetVolume(DWORD volume) override {
    auto sysex = MasterVolumeSysEx(volume);
    snd_seq_event_t ev;
    snd_seq_ev_clear(&ev);
    snd_seq_ev_set_sysex(&ev, sysex.size(), sysex.data());
    std::lock_guard lock(mutex_);
    return Output(ev, MonotonicNowNs());
  }

  MMRESULT Close() override {
    std::lock_guard lock(mutex_);
    if (seq_ == nullptr) return MMSYSERR_NOERROR;
    // Freeing the queue drops what it still holds; let the last messages out.
    const std::int64_t waitNs = std::min(lastDueNs_ - MonotonicNowNs(), 2 * kLatencyNs);
    if (waitNs > 0) std::this_thread::sleep_for(std::chrono::nanoseconds(waitNs));
    Release();
    return MMSYSERR_NOERROR;
  }

 private:
  MMRESULT Fail(MMRESULT rc) {
    Release();
    return rc;
  }

  // Requires mutex_ (or sole ownership during open).
  void Release() {
    if (seq_ == nullptr) return;
    if (connected_) snd_seq_disconnect_to(seq_, ownPort_, targetClient_, targetPort_);
    if (queue_ >= 0) snd_seq_free_queue(seq_, queue_);
    if (ownPort_ >= 0) snd_seq_delete_simple_port(seq_, ownPort_);
    snd_seq_close(seq_);
    seq_ = nullptr;
    connected_ = false;
    if (targetInfo_ != nullptr) snd_seq_port_info_free(targetInfo_);
    if (queueStatus_ != nullptr) snd_seq_queue_status_free(queueStatus_);
    targetInfo_ = nullptr;
    queueStatus_ = nullptr;
  }

  // Queue time now minus CLOCK_MONOTONIC now; false when the queue cannot be read.
  // Read afresh for every message: the queue's clock is the kernel's, not ours.
  bool QueueOffset(std::int64_t& offsetNs) {
    const std::int64_t before = MonotonicNowNs();
    if (snd_seq_get_queue_status(seq_, queue_, queueStatus_) < 0) return false;
    const std::int64_t after = MonotonicNowNs();
    const snd_seq_real_time_t* t = snd_seq_queue_status_get_real_time(queueStatus_);
    const std::int64_t queueNs = std::int64_t{t->tv_sec} * 1'000'000'000 + t->tv_nsec;
    offsetNs = queueNs - (before + (after - before) / 2);
    return true;
  }

  // Requires mutex_. Sends `ev` to the subscribers at whenNs + latency.
  MMRESULT Output(snd_seq_event_t& ev, std::int64_t whenNs) {
    if (seq_ == nullptr) return MMSYSERR_INVALHANDLE;
    // Events to a vanished subscriber are dropped without a word; ask first.
    if (snd_seq_get_any_port_info(seq_, targetClient_, targetPort_, targetInfo_) < 0) {
      return MMSYSERR_ERROR;
    }
    std::int64_t offsetNs = 0;
    if (!QueueOffset(offsetNs)) return MMSYSERR_ERROR;
    const std::int64_t dueNs = whenNs + kLatencyNs;
    // A time already past plays at once.
    const std::int64_t queueNs = std::max<std::int64_t>(dueNs + offsetNs, 0);
    snd_seq_real_time_t at{static_cast<unsigned int>(queueNs / 1'000'000'000),
                           static_cast<unsigned int>(queueNs % 1'000'000'000)};
    snd_seq_ev_set_source(&ev, ownPort_);
    snd_seq_ev_set_subs(&ev);
    snd_seq_ev_schedule_real(&ev, queue_, 0, &at);
    // Non-blocking: a full kernel pool fails the message instead of stalling a tick.
    if (snd_seq_event_output_direct(seq_, &ev) < 0) return MMSYSERR_ERROR;
    lastDueNs_ = std::max(lastDueNs_, dueNs);
    return MMSYSERR_NOERROR;
  }

  const int targetClient_;
  const int targetPort_;
  // Send and SetVolume come from the tick and UI threads; the library's
  // handle is not safe for concurrent use. Held for a few system calls.
  InheritingMutex mutex_;
  snd_seq_t* seq_ = nullptr;
  int ownPort_ = -1;
  int queue_ = -1;
  bool connected_ = false;
  std::int64_t lastDueNs_ = 0;
  snd_seq_port_info_t* targetInfo_ = nullptr;  // preallocated: no allocation per message
  snd_seq_queue_status_t* queueStatus_ = nullptr;
};

class AlsaSequencerDevice final : public MidiOutDevice {
 public:
  AlsaSequencerDevice(int client, int port, std::string name, WORD technology)
      : client_(client), port_(port), name_(std::move(name)), technology_(technology) {}

  MMRESULT GetCaps(MIDIOUTCAPSA& caps) override {
    caps = MIDIOUTCAPSA{};
    caps.vDriverVersion = 0x0100;
    std::memcpy(caps.szPname, name_.c_str(), std::min(name_.size() + 1, sizeof caps.szPname));
    caps.szPname[MAXPNAMELEN - 1] = '\0';
    caps.wTechnology = technology_;
    caps.wChannelMask = 0xFFFF;
    caps.dwSupport = kMidiCapsVolume;
    return MMSYSERR_NOERROR;
  }

  MMRESULT Open(std::unique_ptr<MidiOutPort>& port) override {
    if (!SequencerPresent()) return MMSYSERR_NODRIVER;
    auto opened = std::make_unique<AlsaSequencerPort>(client_, port_);
    const MMRESULT rc = opened->OpenConnection();
    if (rc != MMSYSERR_NOERROR) return rc;
    port = std::move(opened);
    return MMSYSERR_NOERROR;
  }

 private:
  const int client_;
  const int port_;
  const std::string name_;
  const WORD technology_;
};

struct ListedPort {
  int client;
  int port;
  std::string name;
  WORD technology;
};

}  // namespace

std::vector<std::unique_ptr<MidiOutDevice>> ListAlsaSequencerDevices() {
  std::vector<std::unique_ptr<MidiOutDevice>> devices;
  if (!SequencerPresent()) return devices;

  snd_seq_t* seq = nullptr;
  if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_OUTPUT, SND_SEQ_NONBLOCK) < 0) return devices;
  snd_seq_client_info_t* clientInfo = nullptr;
  snd_seq_port_info_t* portInfo = nullptr;
  std::vector<ListedPort> ports;
  if (snd_seq_client_info_malloc(&clientInfo) == 0 && snd_seq_port_info_malloc(&portInfo) == 0) {
    const int own = snd_seq_client_id(seq);
    snd_seq_client_info_set_client(clientInfo, -1);
    while (snd_seq_query_next_client(seq, clientInfo) >= 0) {
      const int client = snd_seq_client_info_get_client(clientInfo);
      snd_seq_port_info_set_client(portInfo, client);
      snd_seq_port_info_set_port(portInfo, -1);
      while (snd_seq_query_next_port(seq, portInfo) >= 0) {
        if (!IsListedPort(client, snd_seq_port_info_get_capability(portInfo), own)) continue;
        const int port = snd_seq_port_info_get_port(portInfo);
        ports.push_back({client, port,
                         PortDisplayName(snd_seq_port_info_get_name(portInfo), client, port),
                         TechnologyFromPortType(snd_seq_port_info_get_type(portInfo))});
      }
    }
  }
  if (portInfo != nullptr) snd_seq_port_info_free(portInfo);
  if (clientInfo != nullptr) snd_seq_client_info_free(clientInfo);
  snd_seq_close(seq);

  std::sort(ports.begin(), ports.end(), [](const ListedPort& a, const ListedPort& b) {
    return a.client != b.client ? a.client < b.client : a.port < b.port;
  });
  for (auto& p : ports) {
    devices.push_back(
        std::make_unique<AlsaSequencerDevice>(p.client, p.port, std::move(p.name), p.technology));
  }
  return devices;
}
