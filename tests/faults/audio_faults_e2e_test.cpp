// The real program when sound goes wrong: the audio server dies while it
// clicks (and comes back), there is no SoundFont on the machine, there is no
// audio server at all. It never crashes, the window keeps answering, and it
// closes with exit code 0.
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include "program_run.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class AudioServerDiesTest : public testing::Test {
 protected:
  void SetUp() override {
    if (const std::string missing = around_.Missing(); !missing.empty()) GTEST_SKIP() << missing;
  }

  // A new server on the same socket, as when the desktop's server restarts.
  bool RestartServer() {
    const std::string script = std::string(MOSSGATE_SOURCE_DIR) + "/scripts/pulse-session.sh";
    return std::system((script + " start " + around_.pulse.Folder() + " >/dev/null").c_str()) == 0;
  }

  ProgramSurroundings around_;
};

TEST_F(AudioServerDiesTest, WindowOutlivesTheServerAndClicksAgainWhenItReturns) {
  const std::string before = around_.Record("before.raw");
  ASSERT_FALSE(before.empty());
  ProgramRun run(around_.display, around_.Options());
  const std::string main = run.Window(kMainTitle, 20s);
  ASSERT_FALSE(main.empty()) << run.Log();
  ASSERT_TRUE(WaitForClicks(before, 2, 10s));
  const int threads = run.Threads();

  around_.pulse.StopServer();
  around_.pulse.StopRecording();
  std::this_thread::sleep_for(1500ms);  // a few ticks into nowhere, a retry or two
  ASSERT_TRUE(run.Running()) << run.Log();
  EXPECT_TRUE(run.Responds()) << "the window does not answer without a server";
  EXPECT_TRUE(run.Window(kBoxTitle, 0ms).empty()) << "a message box";

  ASSERT_TRUE(RestartServer());
  const std::string after = around_.Record("after.raw");
  ASSERT_FALSE(after.empty());
  // The stream looks for a server again every second.
  EXPECT_TRUE(WaitForClicks(after, 3, 10s)) << "no click once the server is back";
  EXPECT_TRUE(run.Responds());
  EXPECT_EQ(run.Threads(), threads) << "threads before the server died and after it came back";

  run.Keys(main, "Escape");
  EXPECT_EQ(run.Wait(20s), 0) << run.Log();
}

// Without sound the device does not open: message 107, then
// the window in the unavailable mode, and with one device nothing is stored.
struct NoSoundCase {
  const char* name;
  bool hideSoundFonts;
  bool withServer;
};

void PrintTo(const NoSoundCase& c, std::ostream* os) { *os << c.name; }

const NoSoundCase kNoSoundCases[] = {
    {"NoSoundFont", true, true},
    {"NoAudioServer", false, false},
};

// A private mount namespace in which the SoundFont folders are empty.
std::vector<std::string> HideSoundFonts() {
  std::string script = "set -e";
  for (const char* folder : {"/usr/share/sounds", "/usr/share/soundfonts"}) {
    if (fs::is_directory(folder)) script += std::string("; mount -t tmpfs none ") + folder;
  }
  return {"unshare", "--mount", "--propagation", "private", "sh", "-c", script + "; exec \"$0\""};
}

bool CanHideSoundFonts() {
  return RunCommand("unshare --mount --propagation private sh -c "
                    "'mount -t tmpfs none /tmp && echo ok' 2>/dev/null") == "ok\n";
}

class NoSoundTest : public testing::TestWithParam<NoSoundCase> {
 protected:
  void SetUp() override {
    if (!around_.display.Ok()) GTEST_SKIP() << "Xvfb did not start";
    if (fs::exists("/dev/snd")) GTEST_SKIP() << "sound hardware: the ALSA fallback may play";
    if (GetParam().hideSoundFonts && !CanHideSoundFonts()) {
      GTEST_SKIP() << "no private mount namespace here (needs root or user namespaces)";
    }
    if (GetParam().withServer && !around_.pulse.Ok()) GTEST_SKIP() << around_.pulse.Error();
  }

  ProgramSurroundings around_;
};

TEST_P(NoSoundTest, Message107ThenTheUnavailableMode) {
  const NoSoundCase& c = GetParam();
  ProgramOptions options = around_.Options();
  if (!c.withServer) options.pulseServer = "unix:" + around_.home.Path() + "/none/native";
  if (c.hideSoundFonts) options.wrapper = HideSoundFonts();
  ProgramRun run(around_.display, options);
  // The box comes before the window: only the failed open shows one there
  // and then goes on (no device or no timer would end the program).
  const std::string box = run.Window(kBoxTitle, 20s);
  ASSERT_FALSE(box.empty()) << run.Log();
  EXPECT_TRUE(run.Window(kMainTitle, 0ms).empty());
  run.Keys(box, "Return");
  EXPECT_TRUE(run.WindowGone(kBoxTitle, 10s));

  const std::string main = run.Window(kMainTitle, 10s);
  ASSERT_FALSE(main.empty()) << run.Log();
  // The four keys mean nothing of their own now (Enter would press the
  // focused button, as in any dialog).
  run.Keys(main, "Prior Next KP_0");
  // The tempo buttons and Start Beat are disabled, so the focus starts on
  // Settings and Space presses it.
  run.Keys(main, "space");
  const std::string settings = run.Window(kSettingsTitle, 10s);
  EXPECT_FALSE(settings.empty()) << "not in the unavailable mode";
  if (!settings.empty()) {
    run.Keys(settings, "Escape");
    EXPECT_TRUE(run.WindowGone(kSettingsTitle, 10s));
  }
  EXPECT_TRUE(run.Window(kBoxTitle, 0ms).empty()) << "a second message box";
  run.Keys(main, "Escape");
  EXPECT_EQ(run.Wait(20s), 0) << run.Log();
  EXPECT_FALSE(fs::exists(around_.home.Path() + "/Nodrek/Mossgate.conf")) << "one device: nothing stored";
}

INSTANTIATE_TEST_SUITE_P(Machines, NoSoundTest, testing::ValuesIn(kNoSoundCases),
                         [](const testing::TestParamInfo<NoSoundCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
