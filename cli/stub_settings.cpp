// Placeholder until its subsystem is in this build.
#include "cli/cli.h"

namespace pelzo::cli {

int CmdSettings(Context&, const QStringList&)
{
    Err(QStringLiteral("pelzo settings: not available in this build"));
    return 3;
}

}  // namespace pelzo::cli
