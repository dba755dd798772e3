// Placeholder until its subsystem is in this build.
#include "cli/cli.h"

namespace pelzo::cli {

int CmdCard(Context&, const QStringList&)
{
    Err(QStringLiteral("pelzo card: not available in this build"));
    return 3;
}

}  // namespace pelzo::cli
