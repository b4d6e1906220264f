// The built-in synthesizer on a machine without a usable SoundFont: no list
// at all, or only files that are not SoundFonts (empty, text, a folder, a real
// one cut short). Opening fails with the no-SoundFont code, harmlessly; a
// good SoundFont after bad ones is still found.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "midi/builtin_synth.h"
#include "support/child_process.h"

namespace {

namespace fs = std::filesystem;

std::string FirstInstalledSoundFont() {
  for (const std::string& path : WellKnownSoundFonts()) {
    std::error_code error;
    if (fs::is_regular_file(path, error)) return path;
  }
  return {};
}

void Write(const fs::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Head(const std::string& file, std::size_t bytes) {
  std::ifstream in(file, std::ios::binary);
  std::string head(bytes, '\0');
  in.read(head.data(), static_cast<std::streamsize>(bytes));
  head.resize(static_cast<std::size_t>(in.gcount()));
  return head;
}

MMRESULT OpenWith(std::vector<std::string> soundFonts, std::vector<SynthAudioBackend> backends) {
  BuiltinSynthOptions options = DefaultBuiltinSynthOptions();
  options.soundFonts = std::move(soundFonts);
  options.backends = std::move(backends);
  auto device = MakeBuiltinSynthDevice(options);
  std::unique_ptr<MidiOutPort> port;
  const MMRESULT rc = device->Open(port);
  EXPECT_EQ(port != nullptr, rc == MMSYSERR_NOERROR);
  if (port) port->Close();
  return rc;
}

TEST(BuiltinSynthWithoutSoundFont, AnEmptyListOpensNothing) {
  EXPECT_EQ(OpenWith({}, {SynthAudioBackend::kPulseAudio}), kBuiltinSynthNoSoundFont);
}

class UnusableSoundFonts : public testing::Test {
 protected:
  void SetUp() override {
    const fs::path dir = folder_.Path();
    Write(dir / "empty.sf2", "");
    Write(dir / "text.sf2", "not a SoundFont at all\n");
    fs::create_directory(dir / "folder.sf2");
    // A RIFF header that promises far more than the file holds.
    Write(dir / "header-only.sf2", std::string("RIFF\xff\xff\xff\x7fsfbkLIST", 16));
    bad_ = {(dir / "missing.sf2").string(), (dir / "empty.sf2").string(),
            (dir / "text.sf2").string(),    (dir / "folder.sf2").string(),
            (dir / "header-only.sf2").string()};
    if (const std::string real = FirstInstalledSoundFont(); !real.empty()) {
      Write(dir / "cut-short.sf2", Head(real, 64 * 1024));
      bad_.push_back((dir / "cut-short.sf2").string());
    }
  }

  TempDir folder_;
  std::vector<std::string> bad_;
};

TEST_F(UnusableSoundFonts, NoneLoads) {
  EXPECT_EQ(OpenWith(bad_, {SynthAudioBackend::kPulseAudio}), kBuiltinSynthNoSoundFont);
}

// With no audio output to try, getting as far as "no audio" means a
// SoundFont loaded: the good one after all the bad.
TEST_F(UnusableSoundFonts, AGoodOneAfterThemIsFound) {
  const std::string real = FirstInstalledSoundFont();
  if (real.empty()) GTEST_SKIP() << "no General MIDI SoundFont is installed";
  auto list = bad_;
  list.push_back(real);
  EXPECT_EQ(OpenWith(list, {}), kBuiltinSynthNoAudio);
}

}  // namespace
