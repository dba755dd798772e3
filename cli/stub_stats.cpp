// Placeholder until its subsystem is in this build.
#include "cli/cli.h"

namespace pelzo::cli {

int CmdStats(Context&, const QStringList&)
{
    Err(QStringLiteral("pelzo stats: not available in this build"));
    return 3;
}

}  // namespace pelzo::cli
