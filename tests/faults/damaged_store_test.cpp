// A settings file damaged from outside is never rewritten, however many
// reads and writes one run makes: start-up reads two values, a confirmed
// Settings dialog writes three.
#include <gtest/gtest.h>

#include <string>

#include "framework/win_app.h"
#include "support/temp_config_home.h"

namespace {

struct DamagedFile {
  const char* name;
  const char* contents;
};

void PrintTo(const DamagedFile& c, std::ostream* os) { *os << c.name; }

class DamagedStoreAcrossARun : public testing::TestWithParam<DamagedFile> {
 protected:
  DamagedStoreAcrossARun() { app.SetRegistryKey("Nodrek"); }

  TempConfigHome home;
  CWinApp app;
};

TEST_P(DamagedStoreAcrossARun, EveryWriteFailsAndTheFileStaysAsItWas) {
  const std::string contents = GetParam().contents;
  home.WriteStore(contents);
  app.GetProfileInt("Recorder", "MidiInstrument", 37);
  app.GetProfileInt("Recorder", "MidiVolume", -1);
  for (const char* entry : {"MidiDevice", "MidiInstrument", "MidiVolume"}) {
    EXPECT_FALSE(app.WriteProfileInt("Recorder", entry, 44)) << entry;
    EXPECT_EQ(home.ReadStore(), contents) << "after writing " << entry;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedStoreAcrossARun,
    testing::Values(DamagedFile{"LinesWithoutValues", "this is not a settings file\n\tMidiDevice\n"},
                    DamagedFile{"UnclosedGroup", "[Recorder\nMidiVolume=5\n"},
                    DamagedFile{"GarbageAmongValues",
                                "[Other]\nname=kept\n[Recorder]\nMidiVolume=5\n%%% junk\n"}),
    [](const testing::TestParamInfo<DamagedFile>& info) { return std::string(info.param.name); });

}  // namespace
