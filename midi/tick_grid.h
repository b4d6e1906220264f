#pragma once
// Where the ticks of a periodic event fall: tick k at start + k * period, each
// computed afresh from the start with 128-bit products, so no rounding adds up
// however long the event runs.
#include <cstdint>

#include "midi/multimedia.h"

namespace tick_grid {

__extension__ using Uint128 = unsigned __int128;

// The ideal time of tick k, rounded down to the nanosecond.
inline std::int64_t IdealNs(std::int64_t startNs, TimerPeriod period, std::uint64_t k) {
  return startNs + static_cast<std::int64_t>(Uint128{k} * period.numeratorNs / period.denominator);
}

// True when `lateNs` is more than one whole period.
inline bool LaterThanOnePeriod(std::int64_t lateNs, TimerPeriod period) {
  return lateNs > 0 && Uint128(static_cast<std::uint64_t>(lateNs)) * period.denominator >
                           Uint128{period.numeratorNs};
}

// The first tick (k >= 1) whose ideal time is not before `nowNs`.
inline std::uint64_t FirstTickAtOrAfter(std::int64_t startNs, TimerPeriod period,
                                        std::int64_t nowNs) {
  if (nowNs <= startNs) return 1;
  const Uint128 elapsed = static_cast<std::uint64_t>(nowNs - startNs);
  // m = floor(elapsed / period): IdealNs(m) <= now <= IdealNs(m + 1).
  const Uint128 m = elapsed * period.denominator / period.numeratorNs;
  const std::uint64_t candidate = static_cast<std::uint64_t>(m);
  if (candidate >= 1 && IdealNs(startNs, period, candidate) == nowNs) return candidate;
  return candidate + 1;
}

}  // namespace tick_grid
