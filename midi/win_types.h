#pragma once
// The plain integer types the program's classic interfaces are written in.
#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using BOOL = int;
using DWORD_PTR = std::uintptr_t;
using UINT_PTR = std::uintptr_t;
using LPARAM = std::intptr_t;
using CHAR = char;

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;
