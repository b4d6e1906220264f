#pragma once
// Resource identifiers: dialog templates, controls, strings, icons, commands, timers.

// Dialog templates
inline constexpr unsigned IDD_SETTINGS = 100;
inline constexpr unsigned IDD_BPM_DIALOG = 102;

// Strings
inline constexpr unsigned IDS_ABOUTBOX = 101;
inline constexpr unsigned IDS_HINT_INTRO = 102;
inline constexpr unsigned IDS_HINT_TEMPO = 103;
inline constexpr unsigned IDS_HINT_CLICK = 104;
inline constexpr unsigned IDS_HINT_WEBSITE = 105;
inline constexpr unsigned IDS_ERR_NO_DEVICES = 106;
inline constexpr unsigned IDS_ERR_OPEN = 107;
inline constexpr unsigned IDS_ERR_CLOSE = 108;
inline constexpr unsigned IDS_ERR_NO_TIMER = 111;
inline constexpr unsigned IDS_SYNC_PROMPT = 112;
inline constexpr unsigned IDS_PAUSED = 113;
inline constexpr unsigned IDS_PERCUSSION_NAMES = 114;
inline constexpr unsigned AFX_IDS_APP_TITLE = 57344;

// Icons
inline constexpr unsigned IDR_MAINFRAME = 128;
inline constexpr unsigned IDI_TEMPO_UP = 133;
inline constexpr unsigned IDI_TEMPO_DOWN = 134;

// Standard command ids
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDC_STATIC = -1;

// Main window controls
inline constexpr int IDC_DISPLAY = 1000;
inline constexpr int IDC_START_BEAT = 1001;
inline constexpr int IDC_TEMPO_UP = 1002;
inline constexpr int IDC_TEMPO_DOWN = 1003;
inline constexpr int IDC_HINT_FRAME = 1004;
inline constexpr int IDC_HINT = 1005;
inline constexpr int IDC_SETTINGS = 1009;
inline constexpr int IDC_STATUS = 1010;
inline constexpr int IDC_MORE_SOFTWARE = 1013;

// Settings dialog controls
inline constexpr int IDC_MIDI_DEVICE = 1006;
inline constexpr int IDC_MIDI_INSTRUMENT = 1007;
inline constexpr int IDC_VOLUME = 1011;

// System menu command and window timer
inline constexpr unsigned IDM_ABOUTBOX = 0x0010;
inline constexpr unsigned IDT_SPLASH = 1;
