#include "midi/synth_engine.h"

#include <algorithm>
#include <cmath>

#include "midi/fluid_instance.h"

namespace {

// A note more than this late is dropped rather than played: after a stall, a
// burst of old clicks would be worse than a gap.
constexpr double kMaxLateSeconds = 0.1;
// A stamp further ahead than this is a caller's mistake; it plays at once
// instead of holding a queue slot.
constexpr double kMaxAheadSeconds = 2.0;
// A click cut by the next one of its key fades out this fast, without a crack.
constexpr double kCutFadeSeconds = 0.002;

constexpr int kNoteOff = 0x80, kNoteOn = 0x90, kKeyPressure = 0xA0, kControl = 0xB0,
              kProgram = 0xC0, kChannelPressure = 0xD0, kPitchBend = 0xE0;
constexpr int kAllSoundOff = 120, kResetControllers = 121;

}  // namespace

std::unique_ptr<SynthEngine> SynthEngine::Create(const std::vector<std::string>& soundFonts,
                                                 const Config& config) {
  for (const std::string& path : soundFonts) {
    auto live = FluidInstance::Load(path, config.sampleRate);
    if (!live) continue;
    // FluidSynth shares the samples of a file loaded twice.
    auto renderer = FluidInstance::Load(path, config.sampleRate);
    if (!renderer) continue;
    return std::unique_ptr<SynthEngine>(
        new SynthEngine(config, path, std::move(live), std::move(renderer)));
  }
  return nullptr;
}

SynthEngine::SynthEngine(const Config& config, std::string soundFont,
                         std::unique_ptr<FluidInstance> live,
                         std::unique_ptr<FluidInstance> renderer)
    : config_(config),
      soundFont_(std::move(soundFont)),
      maxLateFrames_(std::llround(kMaxLateSeconds * config.sampleRate)),
      cutFadeFrames_(std::max(1, static_cast<int>(std::lround(kCutFadeSeconds * config.sampleRate)))),
      live_(std::move(live)),
      clicks_(std::move(renderer), config.sampleRate) {}

SynthEngine::~SynthEngine() {
  // Rendering has stopped: hand back what queued messages and voices hold.
  Message message;
  while (queue_.Pop(message)) DropMessage(message);
  for (int i = 0; i < pendingCount_; ++i) DropMessage(pending_[i]);
  for (Voice& voice : voices_) {
    if (voice.click != nullptr) voice.click->Release();
  }
}

MMRESULT SynthEngine::Post(DWORD msg, std::int64_t whenNs) {
  const int status = static_cast<int>(msg & 0xFF);
  if (status < 0x80) return MMSYSERR_INVALPARAM;  // no running status without a stream
  if (status >= 0xF0) return MMSYSERR_NOERROR;    // system messages mean nothing to a synth
  const int kind = status & 0xF0;
  const int data1 = static_cast<int>((msg >> 8) & 0x7F);
  const int data2 = static_cast<int>((msg >> 16) & 0x7F);

  Message message{msg, whenNs, nullptr};
  if ((status & 0x0F) == ClickCache::kPercussionChannel) {
    if (kind == kNoteOn && data2 > 0) {
      message.click = clicks_.Acquire(data1, data2);  // nullptr: the live synth plays it
    } else if (kind == kProgram || kind == kPitchBend ||
               (kind == kControl && (data1 < kAllSoundOff || data1 == kResetControllers))) {
      clicks_.ChannelMessage(msg);
    }
  }
  bool queued;
  {
    std::lock_guard lock(producers_);
    queued = queue_.Push(message);
  }
  if (!queued) {
    // The output has stopped taking messages (its server is gone).
    if (message.click != nullptr) message.click->Release();
    return MMSYSERR_ERROR;
  }
  return MMSYSERR_NOERROR;
}

void SynthEngine::SetVolume(DWORD volume) noexcept {
  volume_.store(volume, std::memory_order_relaxed);
}

void SynthEngine::Render(float* left, float* right, int frames, std::int64_t firstFrameNs) noexcept {
  if (frames <= 0) return;
  Message message;
  while (pendingCount_ < kMaxPending && queue_.Pop(message)) pending_[pendingCount_++] = message;

  // Where each message falls in this block; late ones at its start.
  const double framesPerNs = config_.sampleRate / 1e9;
  const auto maxAhead = std::llround(kMaxAheadSeconds * config_.sampleRate);
  std::int64_t offsets[kMaxPending];
  int kept = 0;
  for (int i = 0; i < pendingCount_; ++i) {
    const Message& m = pending_[i];
    const double ahead =
        static_cast<double>(m.whenNs + config_.fixedLatencyNs - firstFrameNs) * framesPerNs;
    std::int64_t offset = std::llround(ahead);
    const bool noteOn = (m.msg & 0xF0) == kNoteOn && ((m.msg >> 16) & 0x7F) != 0;
    if (offset < -maxLateFrames_ && noteOn) {
      DropMessage(m);
      continue;
    }
    if (offset < 0 || offset > maxAhead) offset = 0;
    pending_[kept] = m;
    offsets[kept++] = offset;
  }
  pendingCount_ = kept;

  // Due messages in time order (arrival order among equals), each applied
  // once the live synth has rendered up to its sample.
  int rendered = 0;
  for (;;) {
    int next = -1;
    std::int64_t nextOffset = frames;
    for (int i = 0; i < pendingCount_; ++i) {
      if (offsets[i] < nextOffset) {
        next = i;
        nextOffset = offsets[i];
      }
    }
    if (next < 0) break;
    const int at = std::max(rendered, static_cast<int>(nextOffset));
    RenderLive(left, right, rendered, at);
    rendered = at;
    Apply(pending_[next], at);
    for (int i = next + 1; i < pendingCount_; ++i) {
      pending_[i - 1] = pending_[i];
      offsets[i - 1] = offsets[i];
    }
    --pendingCount_;
  }
  RenderLive(left, right, rendered, frames);
  MixClicks(left, right, frames);
  ApplyVolume(left, right, frames);
}

void SynthEngine::RenderLive(float* left, float* right, int from, int to) noexcept {
  if (to > from) fluid_synth_write_float(live_->synth(), to - from, left, from, 1, right, from, 1);
}

void SynthEngine::Apply(const Message& message, int offset) noexcept {
  if (message.click != nullptr) {
    StartClick(message.click, offset);
    return;
  }
  fluid_synth_t* synth = live_->synth();
  const int channel = static_cast<int>(message.msg & 0x0F);
  const int data1 = static_cast<int>((message.msg >> 8) & 0x7F);
  const int data2 = static_cast<int>((message.msg >> 16) & 0x7F);
  switch (message.msg & 0xF0) {
    case kNoteOff: fluid_synth_noteoff(synth, channel, data1); break;
    case kNoteOn:
      if (data2 > 0) {
        fluid_synth_noteon(synth, channel, data1, data2);
      } else {
        fluid_synth_noteoff(synth, channel, data1);
      }
      break;
    case kKeyPressure: fluid_synth_key_pressure(synth, channel, data1, data2); break;
    case kControl:
      fluid_synth_cc(synth, channel, data1, data2);
      if (channel == ClickCache::kPercussionChannel && data1 == kAllSoundOff) CutClicks(-1, offset);
      break;
    case kProgram: fluid_synth_program_change(synth, channel, data1); break;
    case kChannelPressure: fluid_synth_channel_pressure(synth, channel, data1); break;
    case kPitchBend: fluid_synth_pitch_bend(synth, channel, data1 | (data2 << 7)); break;
    default: break;
  }
}

void SynthEngine::StartClick(ClickBuffer* click, int offset) noexcept {
  CutClicks(click->key, offset);  // a drum struck again restarts
  Voice* target = nullptr;
  for (Voice& voice : voices_) {
    if (voice.click == nullptr) {
      target = &voice;
      break;
    }
    // All busy: the voice that has played longest makes room.
    if (target == nullptr || voice.position > target->position) target = &voice;
  }
  if (target->click != nullptr) target->click->Release();
  *target = Voice{click, click->key, -static_cast<std::int64_t>(offset), kNever};
}

void SynthEngine::CutClicks(int key, int offset) noexcept {
  for (Voice& voice : voices_) {
    if (voice.click != nullptr && (key < 0 || voice.key == key) && voice.fadeStart > offset) {
      voice.fadeStart = offset;
    }
  }
}

void SynthEngine::MixClicks(float* left, float* right, int frames) noexcept {
  for (Voice& voice : voices_) {
    if (voice.click == nullptr) continue;
    const float* sourceLeft = voice.click->left.data();
    const float* sourceRight = voice.click->right.data();
    const std::int64_t length = voice.click->frames();
    const std::int64_t begin = std::max<std::int64_t>(0, -voice.position);
    std::int64_t end = std::min<std::int64_t>(frames, length - voice.position);
    bool finished = length - voice.position <= frames;
    std::int64_t fadeEnd = kNever;
    if (voice.fadeStart != kNever) {
      fadeEnd = voice.fadeStart + cutFadeFrames_;
      if (fadeEnd <= frames) {
        end = std::min(end, fadeEnd);
        finished = true;
      }
    }
    const std::int64_t whole = std::min(end, std::max(begin, voice.fadeStart));
    for (std::int64_t i = begin; i < whole; ++i) {
      left[i] += sourceLeft[voice.position + i];
      right[i] += sourceRight[voice.position + i];
    }
    const float step = 1.0f / static_cast<float>(cutFadeFrames_);
    for (std::int64_t i = std::max(begin, whole); i < end; ++i) {
      const float gain = static_cast<float>(fadeEnd - i) * step;
      left[i] += gain * sourceLeft[voice.position + i];
      right[i] += gain * sourceRight[voice.position + i];
    }
    voice.position += frames;
    if (voice.fadeStart != kNever) voice.fadeStart -= frames;
    if (finished) {
      voice.click->Release();
      voice.click = nullptr;
    }
  }
}

void SynthEngine::ApplyVolume(float* left, float* right, int frames) noexcept {
  const DWORD volume = volume_.load(std::memory_order_relaxed);
  const float targetLeft = static_cast<float>(volume & 0xFFFF) / 65535.0f;
  const float targetRight = static_cast<float>(volume >> 16) / 65535.0f;
  if (!gainsSet_) {
    gainLeft_ = targetLeft;
    gainRight_ = targetRight;
    gainsSet_ = true;
  }
  if (targetLeft == gainLeft_ && targetRight == gainRight_) {
    if (targetLeft == 1.0f && targetRight == 1.0f) return;
    for (int i = 0; i < frames; ++i) {
      left[i] *= targetLeft;
      right[i] *= targetRight;
    }
    return;
  }
  // A change glides over the block, so a moving slider does not crackle.
  const float stepLeft = (targetLeft - gainLeft_) / static_cast<float>(frames);
  const float stepRight = (targetRight - gainRight_) / static_cast<float>(frames);
  for (int i = 0; i < frames; ++i) {
    const bool last = i == frames - 1;
    left[i] *= last ? targetLeft : gainLeft_ + stepLeft * static_cast<float>(i + 1);
    right[i] *= last ? targetRight : gainRight_ + stepRight * static_cast<float>(i + 1);
  }
  gainLeft_ = targetLeft;
  gainRight_ = targetRight;
}

void SynthEngine::DropMessage(const Message& message) noexcept {
  if (message.click != nullptr) message.click->Release();
}
