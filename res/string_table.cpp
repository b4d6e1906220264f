#include "res/string_table.h"

#include "res/resource.h"
#include "res/web_address.h"

namespace {

struct StringEntry {
  unsigned id;
  const char* text;
};


constexpr StringEntry kStrings[] = {
    {IDS_ABOUTBOX, "&About Mossgate BPM..."},
    {IDS_HINT_INTRO, "Check this box to see the keyboard equivalent for each function."},
    {IDS_HINT_TEMPO,
     "You can use the PageUp and PageDown key to adjust the BPM value. Holding down the SHIFT "
     "key adjusts fractions. "},
    {IDS_HINT_CLICK,
     "You can use the ENTER key to restart the metronome click or use \"0\" on the numeric pad "
     "to stop it."},
    {IDS_HINT_WEBSITE,
     "Visit the Mossgate website often for more DJ software. " MOSSGATE_WEB_ADDRESS "."},
    {IDS_ERR_NO_DEVICES,
     "There does not appear to be any MIDI devices installed on your system. Check for the "
     "proper installation of MIDI devices and then re-start the application."},
    {IDS_ERR_OPEN,
     "MIDI ERROR Opening device: %u rc=%u\r\nClick on the Settings button to make sure you have "
     "chosen a valid MIDI device for your system."},
    {IDS_ERR_CLOSE, "MIDI ERROR Closing device: rc=%u"},
    {IDS_ERR_NO_TIMER,
     "Could not find a capable timer device on your system. Review the system requirements "
     "before attempting to run this program."},
    {IDS_SYNC_PROMPT, "Hit ENTER to Sync beat."},
    {IDS_PAUSED, "PAUSED"},
    {IDS_PERCUSSION_NAMES,
     "Acoustic Bass Drum,Bass Drum 1,Side Stick,Acoustic Snare,Hand Clap,Electric Snare,"
     "Low Floor Tom,Closed Hi-Hat,High Floor Tom,Pedal Hi-Hat,Low Tom,Open Hi-Hat,Low Mid Tom,"
     "Hi Mid Tom,Crash Cymbal 1,High Tom,Ride Cymbal 1,Chinese Cymbal,Ride Bell,Tambourine,"
     "Splash Cymbal,Cowbell,Crash Cymbal 2,Vibraslap,Ride Cymbal 2,Hi Bongo,Low Bongo,"
     "Mute Hi Conga,Open Hi Conga,Low Conga,High Timbale,Low Timbale,High Agogo,Low Agogo,"
     "Cabasa,Maracas,Short Whistle,Long Whistle,Short Guiro,Long Guiro,Claves,Hi Wood Block,"
     "Low Wood Block,Mute Cuica,Open Cuica,Mute Triangle,Open Triangle"},
    {AFX_IDS_APP_TITLE, "Mossgate"},
};

}  // namespace

const char* FindStringResource(unsigned id) {
  for (const StringEntry& entry : kStrings) {
    if (entry.id == id) return entry.text;
  }
  return nullptr;
}
