// Placeholder until the settings dialog is in this build.
#include "app/commands.h"

namespace pelzo {
void ToolButton5Click(Core&, QWidget*) {}
}  // namespace pelzo
