// The record file: flat little-endian sample words, the start date and time coded in the name.
#pragma once

#include "app/seams.h"

#include <QDate>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace pelzo {

struct MainState;

inline const QString RecordExt = QStringLiteral(".pzo");
inline const QString MsgRecCreateFailed = QString::fromUtf8("无法创建记录文件: ");
inline const QString MsgRecWriteFailed = QString::fromUtf8("无法写入记录文件, 记录已停止: ");

// An open file descriptor, closed on destruction.
class RecordFileHandle {
public:
    explicit RecordFileHandle(int fd) : fd_(fd) {}
    ~RecordFileHandle();
    RecordFileHandle(const RecordFileHandle&) = delete;
    RecordFileHandle& operator=(const RecordFileHandle&) = delete;
    int fd() const { return fd_; }
    // Writes the 4 bytes of `word` at byte offset `slot` * 4 and makes them reach the disk.
    bool writeSlot(uint32_t slot, uint32_t word);

private:
    int fd_;
};

// 8 characters from the six clock texts of the state.
QString MakeRecordName(const MainState& st);
QString MakeRecordName(int year, int month, int day, int hour, int minute, int second);

// Closes the previous live file and opens a new one in AppDir; SampleCount becomes 0.
// An existing file is never emptied: a taken name moves on to the next free time characters
// of the same date. Returns false (after telling the user) when no file could be made.
bool CreateRecFile(MainState& st, Dialogs& dialogs);
// Writes CurSample into slot SampleCount and counts it; nothing without an open file.
// Returns false, counting nothing, when a write to the open file failed.
bool AppendSample(MainState& st);
void CloseRecFile(MainState& st);

// All sample words of a record file, or nullopt when it cannot be opened or read.
std::optional<std::vector<uint32_t>> ReadRecordFile(const QString& path);
// The start date coded in the name, or nullopt when that date does not exist.
std::optional<QDate> RecordNameDate(const QString& path);

// Blanks and control characters removed from both ends.
QString TrimControls(const QString& s);

}  // namespace pelzo
