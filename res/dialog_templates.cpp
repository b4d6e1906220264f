#include "res/dialog_templates.h"

#include <iterator>

#include "res/resource.h"

namespace {

constexpr std::uint16_t kLangEnglishUS = 1033;

constexpr DialogItemTemplate kBpmDialogItems[] = {
    {kClassButton, IDC_TEMPO_UP, nullptr, 0, 105, 5, 20, 20, 0x50018040},
    {kClassButton, IDC_TEMPO_DOWN, nullptr, 0, 105, 25, 20, 20, 0x50018040},
    {kClassButton, IDC_START_BEAT, "Start &Beat", 0, 130, 5, 50, 40, 0x50010000},
    {kClassButton, IDC_SETTINGS, "&Settings", 0, 130, 55, 50, 20, 0x50010000},
    {kClassButton, IDOK, "&Close", 0, 130, 90, 50, 14, 0x50010000},
    {kClassStatic, IDC_DISPLAY, nullptr, 0, 5, 5, 100, 40, 0x50021001},
    {kClassStatic, IDC_HINT, nullptr, 0, 10, 60, 110, 35, 0x50020000},
    {kClassButton, IDC_HINT_FRAME, "Keyboard Hints", 0, 5, 50, 120, 55, 0x50000007},
    {kClassStatic, IDC_STATUS, nullptr, 0, 10, 30, 90, 10, 0x50020001},
    {kClassButton, IDC_MORE_SOFTWARE, "Click for more &DJ Software", 0, 5, 110, 175, 15,
     0x50010000},
};

constexpr DialogItemTemplate kSettingsItems[] = {
    {kClassStatic, IDC_STATIC, "Choose MIDI &Dev:", 0, 10, 50, 70, 10, 0x50020002},
    {kClassComboBox, IDC_MIDI_DEVICE, nullptr, 0, 85, 50, 140, 65, 0x50210003},
    {kClassStatic, IDC_STATIC, "Choose MIDI &Inst:", 0, 10, 70, 70, 10, 0x50020002},
    {kClassComboBox, IDC_MIDI_INSTRUMENT, nullptr, 0, 85, 70, 140, 70, 0x50210003},
    {kClassStatic, IDC_STATIC, "&Vol:", 0, 5, 100, 20, 10, 0x50020002},
    {kClassTrackbar, IDC_VOLUME, "Slider1", 0, 25, 95, 205, 20, 0x50010005},
    {kClassButton, IDOK, "&OK", 0, 190, 5, 40, 14, 0x50030001},
    {kClassButton, IDCANCEL, "&Cancel", 0, 190, 25, 40, 15, 0x50010000},
    {kClassStatic, IDC_STATIC, nullptr, IDR_MAINFRAME, 10, 10, 18, 20, 0x50000003},
    {kClassStatic, IDC_STATIC, "Mossgate BPM Checker Version 1.1", 0, 40, 10, 135, 8, 0x50020080},
    {kClassStatic, IDC_STATIC, "Copyright (C) 2026 Nodrek", 0, 40, 25, 135, 8, 0x50020000},
    {kClassButton, IDC_STATIC, "Settings", 0, 5, 40, 225, 50, 0x50000007},
};

constexpr DialogTemplate kTemplates[] = {
    {IDD_BPM_DIALOG, "Mossgate BPM Checker", 0, 0, 187, 130, 0x90C808C0, WS_EX_APPWINDOW,
     "MS Sans Serif", 8, 0, false, 1, true, kLangEnglishUS, kBpmDialogItems,
     std::size(kBpmDialogItems)},
    {IDD_SETTINGS, "About Mossgate BPM Checker", 0, 0, 237, 121, 0x80C800C0, 0,
     "MS Sans Serif", 8, 0, false, 1, false, kLangEnglishUS, kSettingsItems,
     std::size(kSettingsItems)},
};

}  // namespace

const DialogTemplate* FindDialogTemplate(unsigned id) {
  for (const DialogTemplate& tmpl : kTemplates) {
    if (tmpl.id == id) return &tmpl;
  }
  return nullptr;
}
