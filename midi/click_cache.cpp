#include "midi/click_cache.h"

#include <algorithm>
#include <cmath>

#include "midi/fluid_instance.h"

namespace {

constexpr int kBlock = 64;  // FluidSynth's internal block: note-ons land on its start
// Below the last bit of 16-bit audio; the tail after the last louder sample is cut.
constexpr float kSilence = 2e-5f;
constexpr double kEndFadeSeconds = 0.02;

}  // namespace

ClickCache::ClickCache(std::unique_ptr<FluidInstance> renderer, double sampleRate)
    : renderer_(std::move(renderer)), sampleRate_(sampleRate) {
  const auto maxFrames = static_cast<std::size_t>(std::ceil(kMaxSeconds * sampleRate_ / kBlock) * kBlock);
  scratchLeft_.resize(maxFrames);
  scratchRight_.resize(maxFrames);
}

ClickCache::~ClickCache() = default;

ClickBuffer* ClickCache::Acquire(int key, int velocity) {
  if (key < 0 || key > 127 || velocity < 1 || velocity > 127) return nullptr;
  std::lock_guard lock(mutex_);
  auto& slot = clicks_[static_cast<std::size_t>(key * 128 + velocity)];
  if (!slot) {
    FreeUnusedRetired();
    slot = Render(key, velocity);
    if (!slot) return nullptr;
  }
  // Relaxed: the buffer reaches the audio thread through the queue's release.
  slot->users.fetch_add(1, std::memory_order_relaxed);
  return slot.get();
}

void ClickCache::ChannelMessage(DWORD msg) {
  const int status = static_cast<int>(msg & 0xF0);
  const int data1 = static_cast<int>((msg >> 8) & 0x7F);
  const int data2 = static_cast<int>((msg >> 16) & 0x7F);
  fluid_synth_t* synth = renderer_->synth();
  std::lock_guard lock(mutex_);
  switch (status) {
    case 0xB0: fluid_synth_cc(synth, kPercussionChannel, data1, data2); break;
    case 0xC0: fluid_synth_program_change(synth, kPercussionChannel, data1); break;
    case 0xE0: fluid_synth_pitch_bend(synth, kPercussionChannel, data1 | (data2 << 7)); break;
    default: return;
  }
  for (auto& slot : clicks_) {
    if (slot) retired_.push_back(std::move(slot));
  }
  FreeUnusedRetired();
}

void ClickCache::FreeUnusedRetired() {
  // A retired click gains no users, so once none is left none will come.
  // Acquire: pairs with Release, the audio thread is done with the samples.
  std::erase_if(retired_, [](const std::unique_ptr<ClickBuffer>& click) {
    return click->users.load(std::memory_order_acquire) == 0;
  });
}

std::unique_ptr<ClickBuffer> ClickCache::Render(int key, int velocity) {
  fluid_synth_t* synth = renderer_->synth();
  const int maxFrames = static_cast<int>(scratchLeft_.size());
  auto click = std::make_unique<ClickBuffer>();
  click->key = key;
  if (fluid_synth_noteon(synth, kPercussionChannel, key, velocity) == FLUID_FAILED) {
    return click;  // no instrument on the channel: a silent click
  }
  int frames = 0;
  while (frames < maxFrames) {
    fluid_synth_write_float(synth, kBlock, scratchLeft_.data(), frames, 1, scratchRight_.data(),
                            frames, 1);
    frames += kBlock;
    if (fluid_synth_get_active_voice_count(synth) == 0) break;
  }
  const bool cutShort = fluid_synth_get_active_voice_count(synth) > 0;
  fluid_synth_all_sounds_off(synth, kPercussionChannel);

  int length = frames;
  while (length > 0 && std::fabs(scratchLeft_[length - 1]) < kSilence &&
         std::fabs(scratchRight_[length - 1]) < kSilence) {
    --length;
  }
  click->left.assign(scratchLeft_.begin(), scratchLeft_.begin() + length);
  click->right.assign(scratchRight_.begin(), scratchRight_.begin() + length);
  if (cutShort) {
    const int fade = std::min(length, static_cast<int>(kEndFadeSeconds * sampleRate_));
    for (int i = 0; i < fade; ++i) {
      const float gain = static_cast<float>(fade - i) / static_cast<float>(fade + 1);
      click->left[length - fade + i] *= gain;
      click->right[length - fade + i] *= gain;
    }
  }
  return click;
}
