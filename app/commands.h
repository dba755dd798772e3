// The toolbar commands that live outside the main window's own unit. The window calls them and
// then shows the shared state again.
#pragma once

#include "monitor/monitor.h"

class QWidget;

namespace pelzo {

// Open and save (core logic; dialogs through the seam).
void ToolButton1Click(Core& c);
void ToolButton2Click(Core& c);

// Settings dialog and SD card window, owned by `owner`.
void ToolButton5Click(Core& c, QWidget* owner);
void ToolButton6Click(Core& c, QWidget* owner);

}  // namespace pelzo
