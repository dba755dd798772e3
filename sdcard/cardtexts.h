// The texts the SD card window and `pelzo card` show for the volume and its entries, and the
// computer-side file names made from card names.
#pragma once

#include "sdcard/fat32.h"

#include <QDate>
#include <QString>
#include <QTime>

#include <array>

namespace pelzo {

inline const QString MsgNoCard = QString::fromUtf8("未能检测到SD卡！");
inline const QString MsgUsbNotLinked = QString::fromUtf8("USB 未能正确连接！");
inline const QString MsgCannotDeleteRoot = QString::fromUtf8("不能删除根目录!");
inline const QString MsgReallyDelete = QString::fromUtf8("确定要删除这个文件吗!");
inline const QString MsgCannotWriteTarget = QString::fromUtf8(" 不能写入文件 ");
inline const QString FatTypeText = QStringLiteral(" FAT32 ");
inline const QString RootRowText = QStringLiteral("...");
inline const QString KbSuffix = QStringLiteral("   KB");

// Card name bytes as text: code page 936, undecodable bytes as replacement characters.
QString CardText(QByteArrayView bytes);
// Text typed by the user back into card name bytes.
QByteArray CardBytes(const QString& text);

// Name column: the 8 name bytes, ".", the 3 extension bytes in lower case, trimmed of blanks and
// control characters at both ends; control characters inside show as "?".
QString EntryNameText(const DirEntry& e);
QString EntrySizeText(const DirEntry& e);  // kilobytes, 3 decimals cut, "   KB"
QDate EntryDate(const DirEntry& e);
QTime EntryTime(const DirEntry& e);

// The four columns of list row `row` (row 0, the root, shows "..." alone).
std::array<QString, 4> EntryRow(const DirEntry& e, int row);

// Figures of a mounted volume: bytes in digits, megabytes with 2 decimals cut.
struct SpaceFigures {
    uint64_t usedBytes = 0, freeBytes = 0, totalBytes = 0;
    QString usedBytesText, usedMbText, freeBytesText, freeMbText, totalBytesText, totalMbText;
    int freeShare = 0;  // percent, the first (fuchsia) slice; the used slice is 100 - freeShare
};
SpaceFigures MakeSpaceFigures(const VolumeState& v);
QString MbText(uint64_t bytes);

// A file name made from card name bytes that stays a single name inside its folder: "/",
// control bytes and NUL become "_", and a name of dots alone is not taken as "." or "..".
// `keepBlanks`: the 8 + "." + 3 form with its blanks; otherwise trailing blanks of both parts
// are dropped (and the "." when the extension is blank).
QString CardFileName(const Name11& name, bool keepBlanks);
// The 3 extension bytes made safe the same way, blanks kept.
QString CardExtension(const Name11& name);
// The 12-byte dotted form of a DIR_Name (8 bytes, ".", 3 bytes), as stored.
QByteArray DottedName(const Name11& name);

}  // namespace pelzo
