// The icons of the toolbar's commands (the menus show them too): the
// desktop theme's icon of the command where the theme has one, else our
// own, drawn here at every size the toolbar asks for. A command without an
// icon gives a null icon. User-interface thread only.
#pragma once

#include "hostapi/Win32Types.h"

#include <QIcon>

namespace tarsel::frame {

QIcon CommandIcon(UINT commandId);

} // namespace tarsel::frame
