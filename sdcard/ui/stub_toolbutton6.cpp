// Placeholder until the SD card window is in this build.
#include "app/commands.h"

namespace pelzo {
void ToolButton6Click(Core&, QWidget*) {}
}  // namespace pelzo
