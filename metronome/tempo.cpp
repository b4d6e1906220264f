#include "metronome/tempo.h"

#include <cstdio>

namespace {
UINT Step(BOOL bFine) { return bFine ? TEMPO_STEP_FINE : TEMPO_STEP_COARSE; }
}  // namespace

UINT TempoStepUp(UINT nTempo, BOOL bFine) {
  const UINT step = Step(bFine);
  return nTempo >= TEMPO_MAX || TEMPO_MAX - nTempo < step ? TEMPO_MAX : nTempo + step;
}

UINT TempoStepDown(UINT nTempo, BOOL bFine) {
  const UINT step = Step(bFine);
  return nTempo <= TEMPO_MIN || nTempo - TEMPO_MIN < step ? TEMPO_MIN : nTempo - step;
}

UINT TempoValidate(UINT nTempo) {
  return nTempo >= TEMPO_MIN && nTempo <= TEMPO_MAX ? nTempo : TEMPO_DEFAULT;
}

UINT TempoToPeriod(UINT nTempo) { return 6000000u / nTempo; }

TimerPeriod TempoToBeatLength(UINT nTempo) {
  // 60 s * 1e9 ns * 100 hundredths / count.
  return TimerPeriod{6'000'000'000'000ull, nTempo};
}

std::string TempoToText(UINT nTempo) {
  // The single-precision 0.01 widened to double, as the classic display did;
  // exact in hundredths for every count up to 30000.
  const double value = static_cast<double>(nTempo) * static_cast<double>(0.01f);
  char text[32];
  std::snprintf(text, sizeof text, "%3.02f", value);
  return text;
}
