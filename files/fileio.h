// Whole-file reads and copies for the loaders and the save command, safe against files that
// are not regular files (a FIFO or a device would never end) or far too big for the views.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace pelzo {

// Larger files are refused as unreadable: the views could not hold their rows anyway.
constexpr int64_t MaxLoadBytes = int64_t(64) * 1024 * 1024;

// All bytes of a regular file of at most `maxBytes`, or nullopt when it cannot be read.
std::optional<QByteArray> ReadWholeFile(const QString& path, int64_t maxBytes = MaxLoadBytes);

enum class CopyResult { Done, SourceMissing, Failed };

// Copies `from` to `to`, replacing a file there. The target is written beside itself and
// renamed into place, so a failed copy leaves an existing target as it was.
CopyResult CopyReplacing(const QString& from, const QString& to);

// Writes `bytes` to `path`, replacing a file there; false when anything failed.
bool WriteFileReplacing(const QString& path, const QByteArray& bytes);

}  // namespace pelzo
