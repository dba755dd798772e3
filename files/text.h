// The text file: one line per table row, five tab-terminated cells, CR LF, no header.
#pragma once

#include "monitor/monitor.h"

#include <QByteArray>
#include <QString>

namespace pelzo {

inline const QString MsgTextWriteFailed = QString::fromUtf8("文件已经存在!");
inline const QString CaptionInfoPrompt = QString::fromUtf8("信息提示");

// The bytes of the text file of the table rows 1 to SampleCount + 1.
QByteArray TextFileBytes(const MainState& st);

// Writes the table to `target` behind the save progress window; false after a failure,
// which it has reported itself.
bool WriteTextFile(Core& c, const QString& target);

// Parses `bytes` into the table, the series and the statistics (the views are expected empty);
// false after a failure, which it has reported itself.
bool ParseTextFile(Core& c, const QByteArray& bytes);
// Reads the file at `path` and parses it as above.
bool ReadTextFile(Core& c, const QString& path);

}  // namespace pelzo
