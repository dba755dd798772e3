// The spreadsheet file: the table exported into a copy of the template workbook, and rows 5
// and below of a workbook imported, through the spreadsheet automation layer.
#pragma once

#include "monitor/monitor.h"

#include <QString>

namespace pelzo {

inline const QString MsgNoExcelFile = QString::fromUtf8("Excel文件不存在！");
inline const QString MsgCannotOpenExcel = QString::fromUtf8(" 无法打开Excel文件！");
inline const QString MsgAppChangedOrLost = QString::fromUtf8("应用程序被修改或丢失，无法完成操作！");
inline const QString MsgCannotStartExcel = QString::fromUtf8("无法启动Excel！");
inline const QString CaptionInfoBlanks = QString::fromUtf8(" 信息 ");
inline const QString CaptionInfo = QString::fromUtf8("信息");

// Called by the save command with the chosen name + ".xls"; reports its own failures.
void ExportSpreadsheet(Core& c, const QString& target);
// Called by the open command right after ClearViews; reports its own failures.
void ImportSpreadsheet(Core& c, const QString& path);

}  // namespace pelzo
