#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QSettings>
#include <QString>
#include <climits>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "framework/win_app.h"
#include "support/temp_config_home.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kUnlikelyDefault = 12345;

class ProfileStoreTest : public testing::Test {
 protected:
  ProfileStoreTest() { app.SetRegistryKey("Nodrek"); }

  UINT ReadDevice() { return app.GetProfileInt("Recorder", "MidiDevice", kUnlikelyDefault); }

  TempConfigHome home;
  CWinApp app;
};

TEST_F(ProfileStoreTest, TheOneApplicationObjectIsNamedByItsTitle) {
  EXPECT_EQ(AfxGetApp(), &app);
  EXPECT_STREQ(app.m_pszAppName, "Mossgate");
  EXPECT_EQ(app.m_pMainWnd, nullptr);
}

TEST_F(ProfileStoreTest, EmptyStoreReadsDefaultsAndTheReadCreatesTheFolderOnly) {
  EXPECT_EQ(app.GetProfileInt("Recorder", "MidiDevice", -1), 0xFFFFFFFFu);
  EXPECT_EQ(app.GetProfileInt("Recorder", "MidiInstrument", 37), 37u);
  EXPECT_EQ(app.GetProfileInt("Recorder", "MidiVolume", -1), 0xFFFFFFFFu);
  EXPECT_TRUE(fs::is_directory(home.StoreFolder()));
  EXPECT_FALSE(fs::exists(home.StoreFile()));
}

struct RoundTrip {
  int written;
  UINT read;
  const char* stored;  // the line in the file
};

void PrintTo(const RoundTrip& c, std::ostream* os) { *os << c.written; }

class ProfileRoundTripTest : public ProfileStoreTest,
                             public testing::WithParamInterface<RoundTrip> {};

TEST_P(ProfileRoundTripTest, ReadsBackAndIsStoredAsUnsignedDecimal) {
  ASSERT_TRUE(app.WriteProfileInt("Recorder", "MidiDevice", GetParam().written));
  EXPECT_EQ(ReadDevice(), GetParam().read);
  EXPECT_NE(home.ReadStore().find(std::string("\nMidiDevice=") + GetParam().stored + "\n"),
            std::string::npos)
      << home.ReadStore();
}

INSTANTIATE_TEST_SUITE_P(
    Values, ProfileRoundTripTest,
    testing::Values(RoundTrip{0, 0, "0"}, RoundTrip{37, 37, "37"},
                    RoundTrip{static_cast<int>(0xFFFFFFFFu), 0xFFFFFFFFu, "4294967295"},
                    RoundTrip{-1, 0xFFFFFFFFu, "4294967295"},
                    RoundTrip{INT_MIN, 0x80000000u, "2147483648"},
                    RoundTrip{INT_MAX, 0x7FFFFFFFu, "2147483647"}));

struct StoredFile {
  const char* name;
  std::string contents;
  UINT read;
};

void PrintTo(const StoredFile& c, std::ostream* os) { *os << c.name; }

std::string PrintName(const testing::TestParamInfo<StoredFile>& info) { return info.param.name; }

class ProfileStoredValueTest : public ProfileStoreTest,
                               public testing::WithParamInterface<StoredFile> {};

TEST_P(ProfileStoredValueTest, Reads) {
  home.WriteStore(GetParam().contents);
  EXPECT_EQ(ReadDevice(), GetParam().read);
}

// Integers written by hand or by other programs, signed or unsigned.
INSTANTIATE_TEST_SUITE_P(
    Integers, ProfileStoredValueTest,
    testing::Values(StoredFile{"MinusOne", "[Recorder]\nMidiDevice=-1\n", 0xFFFFFFFFu},
                    StoredFile{"Unsigned", "[Recorder]\nMidiDevice=4294967295\n", 0xFFFFFFFFu},
                    StoredFile{"SignedMin", "[Recorder]\nMidiDevice=-2147483648\n", 0x80000000u},
                    StoredFile{"Above8Bits", "[Recorder]\nMidiDevice=291\n", 291},
                    StoredFile{"LeadingZeros", "[Recorder]\nMidiDevice=007\n", 7},
                    StoredFile{"Zero", "[Recorder]\nMidiDevice=0\n", 0},
                    StoredFile{"AmongOthers", "[General]\nx=1\n[Recorder]\nA=b\nMidiDevice=5\n", 5}),
    PrintName);

std::string BinaryBytes() {
  std::string bytes;
  for (int i = 0; i < 512; ++i) bytes.push_back(static_cast<char>((i * 151 + 7) % 256));
  return bytes;
}

// Whatever is not an integer fitting in 32 bits reads as the default, silently.
INSTANTIATE_TEST_SUITE_P(
    NotAnInteger, ProfileStoredValueTest,
    testing::Values(
        StoredFile{"Text", "[Recorder]\nMidiDevice=abc\n", kUnlikelyDefault},
        StoredFile{"Float", "[Recorder]\nMidiDevice=3.5\n", kUnlikelyDefault},
        StoredFile{"Exponent", "[Recorder]\nMidiDevice=1e3\n", kUnlikelyDefault},
        StoredFile{"Empty", "[Recorder]\nMidiDevice=\n", kUnlikelyDefault},
        StoredFile{"Above32Bits", "[Recorder]\nMidiDevice=4294967296\n", kUnlikelyDefault},
        StoredFile{"BelowSigned32Bits", "[Recorder]\nMidiDevice=-2147483649\n", kUnlikelyDefault},
        StoredFile{"Above64Bits", "[Recorder]\nMidiDevice=99999999999999999999999\n",
                   kUnlikelyDefault},
        StoredFile{"Hexadecimal", "[Recorder]\nMidiDevice=0x10\n", kUnlikelyDefault},
        StoredFile{"PlusSign", "[Recorder]\nMidiDevice=+5\n", kUnlikelyDefault},
        StoredFile{"TrailingText", "[Recorder]\nMidiDevice=5abc\n", kUnlikelyDefault},
        StoredFile{"List", "[Recorder]\nMidiDevice=1,2\n", kUnlikelyDefault},
        StoredFile{"Boolean", "[Recorder]\nMidiDevice=true\n", kUnlikelyDefault},
        StoredFile{"OtherGroup", "[Other]\nMidiDevice=5\n", kUnlikelyDefault},
        StoredFile{"GarbageLines", "[Recorder]\nMidiDevice\n%%% garbage\n\x01\x02\n",
                   kUnlikelyDefault},
        StoredFile{"BinaryFile", BinaryBytes(), kUnlikelyDefault},
        StoredFile{"EmptyFile", "", kUnlikelyDefault}),
    PrintName);

// QSettings would rewrite these dropping what it cannot parse; they are kept.
class DamagedStoreTest : public ProfileStoreTest,
                         public testing::WithParamInterface<StoredFile> {};

TEST_P(DamagedStoreTest, WriteFailsAndLeavesTheFileAsItWas) {
  home.WriteStore(GetParam().contents);
  EXPECT_FALSE(app.WriteProfileInt("Recorder", "MidiVolume", 7));
  EXPECT_EQ(home.ReadStore(), GetParam().contents);
  EXPECT_EQ(app.GetProfileInt("Recorder", "MidiVolume", kUnlikelyDefault), UINT{kUnlikelyDefault});
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedStoreTest,
    testing::Values(
        StoredFile{"GarbageLineInOwnGroup", "[Recorder]\nMidiDevice=3\nnot a setting\n", 0},
        StoredFile{"GarbageLineInOtherGroup", "[Recorder]\nMidiDevice=3\n[Other]\njunk\n", 0},
        StoredFile{"UnclosedGroup", "[Other\nk=v\n[Recorder]\nMidiDevice=3\n", 0},
        StoredFile{"NotUtf8", "[Other]\nk=\xff\xfe\x41\n[Recorder]\nMidiDevice=3\n", 0},
        StoredFile{"TruncatedUtf8", "[Recorder]\nMidiDevice=3\n[Other]\nk=\xc3", 0},
        StoredFile{"NulByte", std::string("[Other]\nk=a\0b\n[Recorder]\nMidiDevice=3\n", 36), 0},
        StoredFile{"BinaryFile", BinaryBytes(), 0}),
    PrintName);

TEST_F(ProfileStoreTest, WriteKeepsUnrelatedEntriesAndGroups) {
  home.WriteStore(
      "[General]\ntop=1\n\n[Other]\nname=hello world\nlist=a, b\n\n"
      "[Recorder]\nMidiVolume=5\nNote=text\n");
  ASSERT_TRUE(app.WriteProfileInt("Recorder", "MidiDevice", 2));
  ASSERT_TRUE(app.WriteProfileInt("Recorder", "MidiVolume", 6));

  QSettings file(QString::fromStdString(home.StoreFile().string()), QSettings::IniFormat);
  EXPECT_EQ(file.value("top").toString(), "1");
  EXPECT_EQ(file.value("Other/name").toString(), "hello world");
  EXPECT_EQ(file.value("Other/list").toStringList(), QStringList({"a", "b"}));
  EXPECT_EQ(file.value("Recorder/Note").toString(), "text");
  EXPECT_EQ(file.value("Recorder/MidiDevice").toString(), "2");
  EXPECT_EQ(file.value("Recorder/MidiVolume").toString(), "6");
  EXPECT_EQ(file.allKeys().size(), 6);
}

TEST_F(ProfileStoreTest, EveryAccessSeesTheStoreAsItIsNow) {
  ASSERT_TRUE(app.WriteProfileInt("Recorder", "MidiDevice", 1));
  // Another program edits the file between two accesses of ours.
  home.WriteStore("[Recorder]\nMidiDevice=2\nMidiInstrument=40\n");
  EXPECT_EQ(ReadDevice(), 2u);
  ASSERT_TRUE(app.WriteProfileInt("Recorder", "MidiVolume", 9));
  EXPECT_EQ(app.GetProfileInt("Recorder", "MidiInstrument", 0), 40u);
  EXPECT_EQ(ReadDevice(), 2u);
  {
    TempConfigHome other;  // a different user's folder
    EXPECT_EQ(ReadDevice(), UINT{kUnlikelyDefault});
    ASSERT_TRUE(app.WriteProfileInt("Recorder", "MidiDevice", 3));
    EXPECT_TRUE(fs::exists(other.StoreFile()));
  }
  EXPECT_EQ(ReadDevice(), 2u);
}

TEST(ProfileStoreWithoutKeyTest, NothingIsReadOrWrittenBeforeTheRegistryKeyIsSet) {
  TempConfigHome home;
  CWinApp app;
  EXPECT_EQ(app.GetProfileInt("Recorder", "MidiDevice", 4), 4u);
  EXPECT_FALSE(app.WriteProfileInt("Recorder", "MidiDevice", 1));
  EXPECT_TRUE(fs::is_empty(home.Root()));
}

// A store that cannot be written fails that write only, silently.
TEST_F(ProfileStoreTest, StoreFileThatIsAFolderFailsTheWriteAndReadsDefaults) {
  fs::create_directories(home.StoreFile() / "inside");
  EXPECT_FALSE(app.WriteProfileInt("Recorder", "MidiDevice", 1));
  EXPECT_EQ(ReadDevice(), UINT{kUnlikelyDefault});
  EXPECT_TRUE(fs::is_directory(home.StoreFile() / "inside"));
}

TEST_F(ProfileStoreTest, FolderThatCannotBeCreatedFailsTheWriteAndReadsDefaults) {
  std::ofstream(home.StoreFolder()) << "a file where the folder should be";
  EXPECT_FALSE(app.WriteProfileInt("Recorder", "MidiDevice", 1));
  EXPECT_EQ(ReadDevice(), UINT{kUnlikelyDefault});
  EXPECT_TRUE(fs::is_regular_file(home.StoreFolder()));
}

// A folder without write permission. Root ignores permissions, so the write
// runs in a child process that first gives up root for an unprivileged user.
TEST_F(ProfileStoreTest, ReadOnlyFolderFailsTheWriteAndKeepsTheOldContents) {
  ASSERT_TRUE(app.WriteProfileInt("Recorder", "MidiDevice", 1));
  const std::string before = home.ReadStore();
  fs::permissions(home.Root(), fs::perms::owner_all | fs::perms::group_exec |
                                   fs::perms::others_exec);
  fs::permissions(home.StoreFolder(), fs::perms::owner_read | fs::perms::owner_exec |
                                          fs::perms::group_read | fs::perms::group_exec |
                                          fs::perms::others_read | fs::perms::others_exec);
  fs::permissions(home.StoreFile(), fs::perms::owner_read | fs::perms::group_read |
                                        fs::perms::others_read);

  constexpr int kCannotDropRoot = 77;
  constexpr int kStillWritable = 78;
  const pid_t child = fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(kCannotDropRoot);
    if (access(home.StoreFolder().c_str(), W_OK) == 0) _exit(kStillWritable);
    const BOOL written = app.WriteProfileInt("Recorder", "MidiDevice", 2);
    const UINT read = ReadDevice();
    _exit(written == FALSE && read == 1 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == kCannotDropRoot) GTEST_SKIP() << "cannot give up root here";
  ASSERT_NE(WEXITSTATUS(status), kStillWritable) << "the folder is writable for the test user";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the write succeeded or the old value was lost";
  EXPECT_EQ(home.ReadStore(), before);
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(home.StoreFolder())) files.push_back(entry.path());
  EXPECT_EQ(files, std::vector<fs::path>{home.StoreFile()});
}

pid_t SpawnWriter(const char* entry, const char* first, const char* count) {
  const char* argv[] = {SETTINGS_WRITER, "Recorder", entry, first, count, nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, SETTINGS_WRITER, nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
    return -1;
  }
  return pid;
}

int WaitExitCode(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TEST_F(ProfileStoreTest, TwoProcessesWritingDifferentEntriesLoseNeither) {
  ASSERT_TRUE(app.WriteProfileInt("Recorder", "MidiVolume", 7));
  const pid_t a = SpawnWriter("EntryA", "1000", "150");
  const pid_t b = SpawnWriter("EntryB", "5000", "150");
  ASSERT_NE(a, -1);
  ASSERT_NE(b, -1);
  EXPECT_EQ(WaitExitCode(a), 0);
  EXPECT_EQ(WaitExitCode(b), 0);

  const UINT entryA = app.GetProfileInt("Recorder", "EntryA", 0);
  const UINT entryB = app.GetProfileInt("Recorder", "EntryB", 0);
  EXPECT_GE(entryA, 1000u);
  EXPECT_LT(entryA, 1150u);
  EXPECT_GE(entryB, 5000u);
  EXPECT_LT(entryB, 5150u);
  EXPECT_EQ(app.GetProfileInt("Recorder", "MidiVolume", 0), 7u);
  EXPECT_FALSE(fs::exists(home.StoreFile().string() + ".lock"));
}

}  // namespace
