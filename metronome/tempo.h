#pragma once
// The tempo: an unsigned count of hundredths of a beat per minute.
#include <string>

#include "midi/multimedia.h"

inline constexpr UINT TEMPO_MIN = 5000;         // 50.00 BPM
inline constexpr UINT TEMPO_MAX = 30000;        // 300.00 BPM
inline constexpr UINT TEMPO_DEFAULT = 11000;    // 110.00 BPM
inline constexpr UINT TEMPO_STEP_COARSE = 100;  // 1.00 BPM
inline constexpr UINT TEMPO_STEP_FINE = 1;      // 0.01 BPM, with Shift held

UINT TempoStepUp(UINT nTempo, BOOL bFine);
UINT TempoStepDown(UINT nTempo, BOOL bFine);
// nTempo when it lies in [TEMPO_MIN, TEMPO_MAX], TEMPO_DEFAULT otherwise.
UINT TempoValidate(UINT nTempo);
// Whole milliseconds between two clicks, truncated. nTempo must not be 0.
UINT TempoToPeriod(UINT nTempo);
// The exact beat length, 60 / BPM seconds, as a fraction of nanoseconds: what
// the click is scheduled with, so it runs exactly at the tempo shown.
TimerPeriod TempoToBeatLength(UINT nTempo);
// The display text: the count in hundredths, e.g. "110.00", "99.99".
std::string TempoToText(UINT nTempo);
