#pragma once
// The maker's web address: ends hint text 105 and is what the more-software button opens.
// A macro as well, so the string table can splice it into text 105 at compile time.
#define MOSSGATE_WEB_ADDRESS "https://www.mossgate.example/"
inline constexpr const char kMakerWebAddress[] = MOSSGATE_WEB_ADDRESS;
