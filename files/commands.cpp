// The open and save commands of the toolbar.
#include "app/commands.h"
#include "files/commands.h"

#include "files/fileio.h"
#include "files/openfile.h"
#include "files/record.h"
#include "files/spreadsheet.h"
#include "files/text.h"

namespace pelzo {

namespace {

// The record kind: a copy of the live record file of this run's latest recording.
void SaveRecordCopy(Core& c, const QString& target)
{
    switch (CopyReplacing(c.st.RecFileName, target)) {
    case CopyResult::Done:
        return;
    case CopyResult::SourceMissing:
        // Nothing to copy: say so even when an older file sits at the target, which is left as
        // it was.
        c.dialogs.message(CaptionedMessage(MsgFileMissing, CaptionInfoBlanks, Ok, Icon::None));
        return;
    case CopyResult::Failed:
        c.dialogs.message(CaptionedMessage(MsgCannotOpenFile, CaptionInfoLeading, Ok, Icon::Error));
        return;
    }
}

}  // namespace

void ToolButton1Click(Core& c)
{
    MainState& st = c.st;
    if (st.Recording) {
        c.dialogs.message(WarningMessage(MsgStopRecordingFirst, Cancel));
        return;
    }
    const std::optional<QString> path = c.dialogs.openFile(OpenFilter);
    if (!path || path->isEmpty()) return;
    st.OpenFileName = *path;
    OpenFileIntoViews(c);
}

void ToolButton2Click(Core& c)
{
    MainState& st = c.st;
    if (st.SampleCount == 0) {
        c.dialogs.message(PlainMessage(MsgNoDataToSave));
        return;
    }
    if (st.Recording) {
        if (c.dialogs.message(ConfirmMessage(MsgSaveStopsRecording)) != Yes) return;
        st.Recording = false;  // as the recording's own stop: the live file stays open
    }
    TimerOff timerOff(c.timer1s);
    const std::optional<SaveChoice> choice = c.dialogs.saveFile(SaveFilter);
    if (!choice || choice->path.isEmpty()) return;
    const QString& name = choice->path;
    switch (choice->filterIndex) {
    case 1: SaveRecordCopy(c, name + RecordExt); break;
    case 2: WriteTextFile(c, name + QStringLiteral(".txt")); break;
    case 3: ExportSpreadsheet(c, name + QStringLiteral(".xls")); break;
    default: break;
    }
}

}  // namespace pelzo
