// Stand-in until the spreadsheet automation layer is in this build: it behaves as a desk
// without a spreadsheet application.
#include "files/spreadsheet.h"

#include <QFileInfo>

namespace pelzo {

void ExportSpreadsheet(Core& c, const QString&)
{
    c.dialogs.message(CaptionedMessage(MsgCannotOpenExcel, CaptionInfoBlanks, Ok, Icon::Error));
}

void ImportSpreadsheet(Core& c, const QString& path)
{
    if (!QFileInfo::exists(path)) {
        c.dialogs.message(CaptionedMessage(MsgAppChangedOrLost, CaptionInfo, Ok, Icon::Error));
        return;
    }
    c.dialogs.message(CaptionedMessage(MsgCannotStartExcel, CaptionInfo, Ok, Icon::Error));
}

}  // namespace pelzo
