// Placeholder until the open and save commands are in this build.
#include "app/commands.h"

namespace pelzo {

void ToolButton1Click(Core&) {}
void ToolButton2Click(Core&) {}

}  // namespace pelzo
