#include "files/record.h"

#include "app/mainstate.h"
#include "files/fileio.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace pelzo {

RecordFileHandle::~RecordFileHandle()
{
    if (fd_ >= 0) ::close(fd_);
}

bool RecordFileHandle::writeSlot(uint32_t slot, uint32_t word)
{
    const unsigned char bytes[4] = {uint8_t(word), uint8_t(word >> 8), uint8_t(word >> 16), uint8_t(word >> 24)};
    const off_t at = off_t(slot) * 4;
    size_t done = 0;
    while (done < sizeof bytes) {
        const ssize_t n = ::pwrite(fd_, bytes + done, sizeof bytes - done, at + off_t(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return ::fdatasync(fd_) == 0 || errno == EINVAL || errno == EROFS;
}

namespace {

int ToInt(const QString& s)
{
    bool ok = false;
    const int v = s.trimmed().toInt(&ok);
    return ok ? v : 0;
}

QChar DigitChar(int v) { return QChar(char16_t(u'0' + v)); }

}  // namespace

QString MakeRecordName(int year, int month, int day, int hour, int minute, int second)
{
    QString name;
    name += QChar(char16_t(std::clamp(year - 2000, 10, 35) + 55));
    name += QChar(char16_t(std::clamp(month, 1, 12) + 64));
    const int d = std::clamp(day, 1, 31);
    name += d <= 9 ? DigitChar(d) : QChar(char16_t(d + 55));
    name += QChar(char16_t(std::clamp(hour, 0, 23) + 65));
    const int mi = std::max(minute, 0), se = std::max(second, 0);
    name += DigitChar(std::min(mi / 10, 5));
    name += DigitChar(std::min(mi % 10, 9));
    name += DigitChar(std::min(se / 10, 5));
    name += DigitChar(std::min(se % 10, 9));
    return name;
}

QString MakeRecordName(const MainState& st)
{
    return MakeRecordName(ToInt(st.TextYear), ToInt(st.TextMonth), ToInt(st.TextDay), ToInt(st.TextHour),
                          ToInt(st.TextMinute), ToInt(st.TextSecond));
}

namespace {

// The time characters (positions 4 to 8) as a number of seconds in the day, and back.
int NameSeconds(const QString& name)
{
    const int h = name[3].unicode() - 65;
    return h * 3600 + (name[4].unicode() - u'0') * 600 + (name[5].unicode() - u'0') * 60 +
           (name[6].unicode() - u'0') * 10 + (name[7].unicode() - u'0');
}

QString WithSeconds(const QString& name, int secs)
{
    QString n = name.left(3);
    n += QChar(char16_t(secs / 3600 + 65));
    const int m = (secs / 60) % 60, s = secs % 60;
    n += DigitChar(m / 10);
    n += DigitChar(m % 10);
    n += DigitChar(s / 10);
    n += DigitChar(s % 10);
    return n;
}

QString RecordPath(const QString& dir, const QString& name) { return dir + QLatin1Char('/') + name + RecordExt; }

}  // namespace

bool CreateRecFile(MainState& st, Dialogs& dialogs)
{
    CloseRecFile(st);
    const QString base = MakeRecordName(st);
    const int start = NameSeconds(base);
    st.SampleCount = 0;
    int lastErr = 0;
    for (int secs = start; secs < 24 * 3600; ++secs) {
        const QString path = RecordPath(st.AppDir, WithSeconds(base, secs));
        const QByteArray native = QFile::encodeName(path);
        // O_EXCL: a file of that name is someone's recording and must not be emptied.
        const int fd = ::open(native.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            st.RecFile = std::make_unique<RecordFileHandle>(fd);
            st.RecFileName = path;
            return true;
        }
        lastErr = errno;
        if (lastErr != EEXIST) break;
    }
    const QString why = lastErr == EEXIST ? QString::fromUtf8("没有可用的文件名") : QString::fromLocal8Bit(std::strerror(lastErr));
    dialogs.message(PlainMessage(MsgRecCreateFailed + RecordPath(st.AppDir, base) + QStringLiteral("\n") + why));
    return false;
}

bool AppendSample(MainState& st)
{
    if (!st.RecFile) return true;
    if (!st.RecFile->writeSlot(st.SampleCount, st.CurSample)) return false;
    st.SampleCount += 1;
    return true;
}

void CloseRecFile(MainState& st) { st.RecFile.reset(); }

std::optional<std::vector<uint32_t>> ReadRecordFile(const QString& path)
{
    // Only a regular file of a size the views can hold: a device or FIFO would never end.
    const std::optional<QByteArray> bytes = ReadWholeFile(path);
    if (!bytes) return std::nullopt;
    const QByteArray& data = *bytes;
    const qsizetype n = data.size() / 4;
    std::vector<uint32_t> words(static_cast<size_t>(n));
    const auto* p = reinterpret_cast<const unsigned char*>(data.constData());
    for (qsizetype k = 0; k < n; ++k, p += 4)
        words[size_t(k)] = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    return words;
}

QString TrimControls(const QString& s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= 0x20) ++b;
    while (e > b && s[e - 1].unicode() <= 0x20) --e;
    return s.mid(b, e - b);
}

std::optional<QDate> RecordNameDate(const QString& rawPath)
{
    // Character codes are taken from the path's bytes, as the name rule counts them mod 256.
    // The name alone codes the date; a dotted folder before it must not shift the 8 characters.
    const QByteArray whole = QFile::encodeName(TrimControls(rawPath));
    const QByteArray path = whole.mid(whole.lastIndexOf('/') + 1);
    const qsizetype dot = path.indexOf('.');  // 0-based; its 1-based position is dot + 1
    QByteArray eight = (dot >= 0 && dot + 1 - 8 >= 1) ? path.mid(dot - 8, 8) : path.left(8);
    eight = eight.toUpper();  // ASCII only
    auto code = [&](int i) -> int { return i < eight.size() ? uint8_t(eight[i]) : 0; };
    const int c1 = code(0), c2 = code(1), c3 = code(2);
    const int year = 2000 + (((c1 - 55) % 256) + 256) % 256;
    int month = (((c2 - 64) % 256) + 256) % 256;
    if (month > 12) month = 12;
    if (month == 0) month = 1;
    int day = c3 <= 57 ? c3 - 48 : (c3 >= 65 ? c3 - 55 : c3);
    day = ((day % 256) + 256) % 256;
    if (day == 0) day = 1;
    if (day > 31) day = 31;
    const QDate d(year, month, day);
    if (!d.isValid()) return std::nullopt;
    return d;
}

}  // namespace pelzo
