// Bad settings files under the real program: it starts, clicks and closes
// cleanly whatever the file holds, changes nothing at start-up, and when the
// Settings dialog is confirmed either keeps every other entry or, when the
// file cannot be rewritten faithfully, leaves it exactly as it was.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QSettings>
#include <QStringList>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <random>

#include "program_run.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kOtherEntries =
    "[Other]\nname=Mossgate user\ncount=12\npath=/home/dj/music\n"
    "[Recorder]\nRemember=this one\n";

std::string Bytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Write(const fs::path& file, const std::string& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Everything about what lies at `path`: kind, mode and bytes, recursively.
std::string Snapshot(const fs::path& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) return "<none>";
  std::string out = "mode " + std::to_string(st.st_mode) + "\n";
  if (S_ISDIR(st.st_mode)) {
    std::vector<fs::path> children;
    for (const auto& entry : fs::directory_iterator(path)) children.push_back(entry.path());
    std::sort(children.begin(), children.end());
    for (const auto& child : children) out += child.filename().string() + ": " + Snapshot(child);
    return out;
  }
  return out + Bytes(path) + "\n";
}

// The entries as the program's store reads them, group/key -> value.
std::map<std::string, std::string> Entries(const fs::path& file) {
  QSettings store(QString::fromStdString(file.string()), QSettings::IniFormat);
  std::map<std::string, std::string> entries;
  for (const QString& key : store.allKeys()) {
    entries[key.toStdString()] = store.value(key).toString().toStdString();
  }
  return entries;
}

// 10 MB of entries the store parses cleanly.
std::string HugeStore() {
  std::string text = "[Recorder]\nMidiInstrument=40\n[Bulk]\n";
  for (int i = 0; text.size() < 10 * 1024 * 1024; ++i) {
    text += "entry" + std::to_string(i) + "=value number " + std::to_string(i) + "\n";
  }
  return text;
}

std::string BinaryGarbage() {
  std::mt19937 random(7);
  std::string bytes(4096, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

enum class After {
  kUntouched,  // the write fails and what was there stays byte for byte
  kRewritten,  // the three values are written and every other entry is kept
};

struct StoreCase {
  const char* name;
  // Puts the store in place; gets the settings root.
  std::function<void(const fs::path& root)> prepare;
  // Needs file permissions to hold against this test's root user.
  bool permissionsMatter;
  After after;
  // Written on OK when kRewritten: the stored voice and volume as read.
  const char* instrument;
  const char* volume;
};

void PrintTo(const StoreCase& c, std::ostream* os) { *os << c.name; }

fs::path StoreFile(const fs::path& root) { return root / "Nodrek" / "Mossgate.conf"; }

const StoreCase kCases[] = {
    {"Garbage",
     [](const fs::path& root) {
       Write(StoreFile(root), "this is not a settings file\n[[[ MidiVolume\n== ==\n\tMidiDevice\n");
     },
     false, After::kUntouched, nullptr, nullptr},
    {"Binary", [](const fs::path& root) { Write(StoreFile(root), BinaryGarbage()); }, false,
     After::kUntouched, nullptr, nullptr},
    {"Empty", [](const fs::path& root) { Write(StoreFile(root), ""); }, false, After::kRewritten,
     "37", "4294967295"},
    {"Huge", [](const fs::path& root) { Write(StoreFile(root), HugeStore()); }, false,
     After::kRewritten, "40", "4294967295"},
    {"Unreadable",
     [](const fs::path& root) {
       Write(StoreFile(root), std::string(kOtherEntries) + "MidiInstrument=44\n");
       fs::permissions(StoreFile(root), fs::perms::none);
     },
     true, After::kUntouched, nullptr, nullptr},
    {"DirectoryInItsPlace",
     [](const fs::path& root) {
       fs::create_directories(StoreFile(root));
       Write(StoreFile(root) / "keep.txt", "MidiInstrument=44\n");
     },
     false, After::kUntouched, nullptr, nullptr},
    {"ReadOnlyFolder",
     [](const fs::path& root) {
       Write(StoreFile(root), std::string(kOtherEntries) + "MidiVolume=2147516416\n");
       fs::permissions(StoreFile(root).parent_path(),
                       fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                           fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
     },
     true, After::kUntouched, nullptr, nullptr},
    {"ReadOnlyConfigHomeWithoutStore",
     [](const fs::path& root) {
       fs::permissions(root, fs::perms::owner_read | fs::perms::owner_exec);
     },
     true, After::kUntouched, nullptr, nullptr},
    {"EntriesHoldText",
     [](const fs::path& root) {
       Write(StoreFile(root), std::string(kOtherEntries) +
                                  "MidiDevice=first\nMidiInstrument=cowbell\nMidiVolume=loud\n");
     },
     false, After::kRewritten, "37", "4294967295"},
    {"EntriesHoldFloats",
     [](const fs::path& root) {
       Write(StoreFile(root), std::string(kOtherEntries) +
                                  "MidiDevice=0.0\nMidiInstrument=56.5\nMidiVolume=1.5e9\n");
     },
     false, After::kRewritten, "37", "4294967295"},
    // 300 keeps its low byte, 44; a volume beyond 32 bits reads as the default.
    {"EntriesOutOfRange",
     [](const fs::path& root) {
       Write(StoreFile(root), std::string(kOtherEntries) +
                                  "MidiDevice=4294967296\nMidiInstrument=300\nMidiVolume=99999999999\n");
     },
     false, After::kRewritten, "44", "4294967295"},
    // Negative numbers are their 32-bit patterns: -219 is 0xFFFFFF25 (key 37),
    // -2147450880 is 0x80008000 (half volume).
    {"EntriesNegative",
     [](const fs::path& root) {
       Write(StoreFile(root), std::string(kOtherEntries) +
                                  "MidiDevice=-7\nMidiInstrument=-219\nMidiVolume=-2147450880\n");
     },
     false, After::kRewritten, "37", "2147516416"},
};

// Root reads and writes any file; a program started without that privilege
// meets the permissions as an ordinary user would.
std::vector<std::string> PermissionsWrapper() {
  if (geteuid() != 0) return {};
  return {"setpriv", "--bounding-set", "-dac_override,-dac_read_search"};
}

bool PermissionsWrapperWorks() {
  if (geteuid() != 0) return true;
  return RunCommand("setpriv --bounding-set -dac_override,-dac_read_search true 2>/dev/null && echo ok") ==
         "ok\n";
}

class SettingsFileTest : public testing::TestWithParam<StoreCase> {
 protected:
  void SetUp() override {
    if (fs::exists("/dev/snd/seq")) GTEST_SKIP() << "ALSA ports exist: more than one device";
    if (const std::string missing = around_.Missing(); !missing.empty()) GTEST_SKIP() << missing;
    if (GetParam().permissionsMatter && !PermissionsWrapperWorks()) {
      GTEST_SKIP() << "cannot drop root's file-permission override (setpriv)";
    }
    recording_ = around_.Record("clicks.raw");
    ASSERT_FALSE(recording_.empty());
  }

  ProgramSurroundings around_;
  std::string recording_;
};

TEST_P(SettingsFileTest, StartsClicksClosesAndLosesNothing) {
  const StoreCase& c = GetParam();
  const fs::path root = around_.home.Path();
  c.prepare(root);
  const fs::path store = StoreFile(root);
  const std::string before = Snapshot(store);
  const auto entriesBefore = c.after == After::kRewritten ? Entries(store)
                                                          : std::map<std::string, std::string>{};

  ProgramOptions options = around_.Options();
  if (c.permissionsMatter) options.wrapper = PermissionsWrapper();
  ProgramRun run(around_.display, options);
  const std::string main = run.Window(kMainTitle, 20s);
  ASSERT_FALSE(main.empty()) << run.Log();
  EXPECT_TRUE(WaitForClicks(recording_, 2, 10s)) << "no click heard";
  EXPECT_TRUE(run.Window(kBoxTitle, 0ms).empty()) << "a message box";
  EXPECT_EQ(Snapshot(store), before) << "written at start-up";

  // Settings confirmed: every value is written, or the write fails.
  run.Keys(main, "alt+s");
  const std::string settings = run.Window(kSettingsTitle, 10s);
  ASSERT_FALSE(settings.empty());
  run.Keys(settings, "Return");
  EXPECT_TRUE(run.WindowGone(kSettingsTitle, 10s));
  EXPECT_TRUE(run.Window(kBoxTitle, 0ms).empty()) << "a message box";

  run.Keys(main, "Escape");
  // Each write parses the whole store afresh: a 10 MB one takes seconds in a
  // sanitizer build.
  EXPECT_EQ(run.Wait(90s), 0) << run.Log();

  // The test's own checks run with root's privileges again.
  fs::permissions(root, fs::perms::owner_all, fs::perm_options::add);
  switch (c.after) {
    case After::kUntouched:
      EXPECT_EQ(Snapshot(store), before);
      break;
    case After::kRewritten: {
      auto entries = Entries(store);
      EXPECT_EQ(entries["Recorder/MidiDevice"], "0");
      EXPECT_EQ(entries["Recorder/MidiInstrument"], c.instrument);
      EXPECT_EQ(entries["Recorder/MidiVolume"], c.volume);
      auto others = entriesBefore;
      for (auto* map : {&entries, &others}) {
        for (const char* key : {"Recorder/MidiDevice", "Recorder/MidiInstrument", "Recorder/MidiVolume"}) {
          map->erase(key);
        }
      }
      EXPECT_EQ(entries.size(), others.size());
      EXPECT_TRUE(entries == others) << "another entry was lost or changed";
      break;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Stores, SettingsFileTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<StoreCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
