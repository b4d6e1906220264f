#pragma once
// The General MIDI percussion voices the click can sound, and the mapping
// between their list positions and their keys.
#include <string>
#include <vector>

#include "midi/win_types.h"

inline constexpr BYTE FIRST_PERCUSSION_NOTE = 35;    // Acoustic Bass Drum
inline constexpr BYTE DEFAULT_PERCUSSION_NOTE = 37;  // Side Stick

// One label "name [key]" per name of the voice-name string, in key order:
// position 0 is FIRST_PERCUSSION_NOTE.
std::vector<std::string> LoadPercussionLabels();

// The key at list position nIndex, wrapping in 8 bits: position -1 (no
// selection) gives a key below the first.
BYTE PercussionNoteFromIndex(int nIndex);

// The list position of nNote; negative below the first key, past the last
// label above the last key.
int PercussionIndexFromNote(BYTE nNote);
