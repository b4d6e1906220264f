#pragma once
// Key codes: Qt keys to the virtual-key codes that key messages carry.
#include <Qt>

#include "framework/win_defs.h"

// The virtual-key code for a Qt key with its modifiers; 0 when there is none.
int VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers);
