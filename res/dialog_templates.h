#pragma once
// The dialog templates as data: one row per control, positions in dialog units.
// Style words are stored exactly as the templates give them; the framework reads
// the flags below out of them.
#include <cstddef>
#include <cstdint>

// Window styles.
inline constexpr std::uint32_t WS_POPUP = 0x80000000;
inline constexpr std::uint32_t WS_CHILD = 0x40000000;
inline constexpr std::uint32_t WS_VISIBLE = 0x10000000;
inline constexpr std::uint32_t WS_DISABLED = 0x08000000;
inline constexpr std::uint32_t WS_CAPTION = 0x00C00000;
inline constexpr std::uint32_t WS_VSCROLL = 0x00200000;
inline constexpr std::uint32_t WS_SYSMENU = 0x00080000;
inline constexpr std::uint32_t WS_GROUP = 0x00020000;
inline constexpr std::uint32_t WS_TABSTOP = 0x00010000;
inline constexpr std::uint32_t WS_MINIMIZEBOX = 0x00020000;  // on a top-level window
inline constexpr std::uint32_t WS_MAXIMIZEBOX = 0x00010000;  // on a top-level window
inline constexpr std::uint32_t WS_THICKFRAME = 0x00040000;
inline constexpr std::uint32_t WS_EX_APPWINDOW = 0x00040000;

// Dialog styles.
inline constexpr std::uint32_t DS_MODALFRAME = 0x0080;
inline constexpr std::uint32_t DS_SETFONT = 0x0040;
inline constexpr std::uint32_t DS_CENTER = 0x0800;

// Button styles; the low four bits are the kind.
inline constexpr std::uint32_t BS_TYPEMASK = 0x000F;
inline constexpr std::uint32_t BS_PUSHBUTTON = 0x0000;
inline constexpr std::uint32_t BS_DEFPUSHBUTTON = 0x0001;
inline constexpr std::uint32_t BS_GROUPBOX = 0x0007;
inline constexpr std::uint32_t BS_ICON = 0x0040;
inline constexpr std::uint32_t BS_NOTIFY = 0x4000;
inline constexpr std::uint32_t BS_FLAT = 0x8000;

// Static styles; the low five bits are the kind.
inline constexpr std::uint32_t SS_TYPEMASK = 0x001F;
inline constexpr std::uint32_t SS_LEFT = 0x0000;
inline constexpr std::uint32_t SS_CENTER = 0x0001;
inline constexpr std::uint32_t SS_RIGHT = 0x0002;
inline constexpr std::uint32_t SS_ICON = 0x0003;
inline constexpr std::uint32_t SS_NOPREFIX = 0x0080;
inline constexpr std::uint32_t SS_SUNKEN = 0x1000;

// Combo box styles.
inline constexpr std::uint32_t CBS_DROPDOWNLIST = 0x0003;
inline constexpr std::uint32_t CBS_SORT = 0x0100;

// Trackbar styles.
inline constexpr std::uint32_t TBS_AUTOTICKS = 0x0001;
inline constexpr std::uint32_t TBS_VERT = 0x0002;
inline constexpr std::uint32_t TBS_TOP = 0x0004;
inline constexpr std::uint32_t TBS_NOTICKS = 0x0010;

// Control classes as the templates name them.
inline constexpr const char* kClassButton = "BUTTON";
inline constexpr const char* kClassStatic = "STATIC";
inline constexpr const char* kClassComboBox = "COMBOBOX";
inline constexpr const char* kClassTrackbar = "msctls_trackbar32";

struct DialogItemTemplate {
  const char* className;
  int id;
  const char* caption;  // nullptr: none
  unsigned iconId;      // SS_ICON statics and icon buttons: the icon resource, else 0
  short x, y, cx, cy;
  std::uint32_t style;
};

struct DialogTemplate {
  unsigned id;
  const char* caption;
  short x, y, cx, cy;
  std::uint32_t style;
  std::uint32_t exStyle;
  const char* fontFace;
  int pointSize;
  int weight;
  bool italic;
  std::uint8_t charSet;
  bool extended;  // extended template format
  std::uint16_t language;
  const DialogItemTemplate* items;
  std::size_t itemCount;
};

// The template `id`, or nullptr.
const DialogTemplate* FindDialogTemplate(unsigned id);
