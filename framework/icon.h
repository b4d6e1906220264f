#pragma once
// Icons from res/: loaded once per id and never released, as the classic
// platform treats icons of the module's resources.
#include <QIcon>

#include "framework/win_defs.h"

struct IconHandle {
  unsigned id;
  QIcon icon;
};

// The icon resource `id`, or nullptr when there is none. The same id always gives
// the same handle.
HICON LoadIcon(UINT id);

// The Qt icon behind a handle; a null icon for nullptr.
QIcon QIconFromHandle(HICON icon);
