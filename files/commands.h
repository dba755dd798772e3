// Texts of the open and save commands (the commands themselves are declared in app/commands.h).
#pragma once

#include <QString>

namespace pelzo {

inline const QString OpenFilter = QString::fromUtf8("记录原码文件[*.pzo]|*.pzo|文本文件        [*.txt]|*.txt|电子表格文件[*.xls]|*.xls");
inline const QString SaveFilter = QString::fromUtf8("记录原码文件[*.pzo]|*.pzo|文本文件[*.txt]|*.txt|电子表格文件[*.xls]|*.xls");

inline const QString MsgStopRecordingFirst = QString::fromUtf8("正在记录数据,请先停止记录!");
inline const QString MsgNoDataToSave = QString::fromUtf8("没有数据要保存!");
inline const QString MsgSaveStopsRecording = QString::fromUtf8("保存文件将停止记录?");
inline const QString MsgFileMissing = QString::fromUtf8("该文件不存在！");
inline const QString MsgCannotOpenFile = QString::fromUtf8(" 无法打开文件！");
inline const QString CaptionInfoLeading = QString::fromUtf8(" 信息");

}  // namespace pelzo
