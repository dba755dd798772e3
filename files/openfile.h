// Loading a record, text or spreadsheet file into the views.
#pragma once

#include "monitor/monitor.h"

namespace pelzo {

inline const QString MsgCannotReadFile = QString::fromUtf8(" 不能读取文件 ");
inline const QString CaptionWarningInfo = QString::fromUtf8("警告信息");
inline const QString MsgInvalidDate = QStringLiteral("Invalid argument to date encode.");

// The kind text of a path: up to 3 characters after the first "." of its file name, lower case.
QString FileKindText(const QString& path);

// Loads the file named by OpenFileName; reports every failure itself.
void OpenFileIntoViews(Core& c);

// The record kind alone (the rows of `path` go into the views).
void LoadRecordFile(Core& c, const QString& path);

}  // namespace pelzo
