#include "sdcard/cardtexts.h"

#include "files/record.h"
#include "meter/words.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

namespace pelzo {

namespace {

bool IsControl(char16_t c) { return c < 0x20 || c == 0x7F; }

QString Visible(QString s)
{
    for (QChar& c : s)
        if (IsControl(c.unicode())) c = QLatin1Char('?');
    return s;
}

QString SafePart(QString s)
{
    for (QChar& c : s)
        if (IsControl(c.unicode()) || c == QLatin1Char('/')) c = QLatin1Char('_');
    return s;
}

QString TrimTrailingBlanks(QString s)
{
    while (!s.isEmpty() && s.back() == QLatin1Char(' ')) s.chop(1);
    return s;
}

QByteArrayView NamePart(const Name11& n) { return QByteArrayView(reinterpret_cast<const char*>(n.data()), 8); }
QByteArrayView ExtPart(const Name11& n) { return QByteArrayView(reinterpret_cast<const char*>(n.data()) + 8, 3); }

}  // namespace

QString CardText(QByteArrayView bytes)
{
    QStringDecoder decoder("GB18030");
    if (!decoder.isValid()) return QString::fromLatin1(bytes);
    QString s = decoder.decode(bytes);
    return s;
}

QByteArray CardBytes(const QString& text)
{
    QStringEncoder encoder("GB18030");
    if (!encoder.isValid()) return text.toLatin1();
    return encoder.encode(text);
}

QString EntryNameText(const DirEntry& e)
{
    const Name11 n = EntryName(e);
    QByteArray ext(ExtPart(n).toByteArray());
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return Visible(TrimControls(CardText(NamePart(n)) + QLatin1Char('.') + CardText(ext)));
}

QString EntrySizeText(const DirEntry& e)
{
    return CutDecimals(float(double(EntryFileSize(e)) / 1024.0), 3) + KbSuffix;
}

QDate EntryDate(const DirEntry& e)
{
    const uint16_t d = EntryCrtDate(e);
    const int year = (d >> 9) + 1980;
    const int month = std::clamp((d >> 5) & 0xF, 1, 12);
    // A day past its month's end is held to the last day.
    const int day = std::clamp(d & 0x1F, 1, QDate(year, month, 1).daysInMonth());
    return QDate(year, month, day);
}

QTime EntryTime(const DirEntry& e)
{
    const uint16_t t = EntryCrtTime(e);
    return QTime(std::min(t >> 11, 23), std::min((t >> 5) & 0x3F, 59), std::min((t & 0x1F) * 2, 59));
}

std::array<QString, 4> EntryRow(const DirEntry& e, int row)
{
    if (row == 0) return {RootRowText, {}, {}, {}};
    return {EntryNameText(e), EntrySizeText(e), ShortDateText(EntryDate(e)), LongTimeText(EntryTime(e))};
}

QString MbText(uint64_t bytes) { return CutDecimals(float(double(bytes) / 1048576.0), 2); }

SpaceFigures MakeSpaceFigures(const VolumeState& v)
{
    SpaceFigures f;
    f.totalBytes = v.TotalBytes;
    f.freeBytes = std::min(v.FreeBytes, v.TotalBytes);
    f.usedBytes = f.totalBytes - f.freeBytes;
    f.usedBytesText = QString::number(f.usedBytes);
    f.freeBytesText = QString::number(f.freeBytes);
    f.totalBytesText = QString::number(f.totalBytes);
    f.usedMbText = MbText(f.usedBytes);
    f.freeMbText = MbText(f.freeBytes);
    f.totalMbText = MbText(f.totalBytes);
    // freeBytes * 100 fits: the data area of a FAT32 volume is far below 2^57 bytes.
    f.freeShare = f.totalBytes ? int(f.freeBytes * 100 / f.totalBytes) : 0;
    return f;
}

QString CardExtension(const Name11& name) { return SafePart(CardText(ExtPart(name))); }

QString CardFileName(const Name11& name, bool keepBlanks)
{
    QString base = SafePart(CardText(NamePart(name)));
    QString ext = CardExtension(name);
    QString out;
    if (keepBlanks) {
        out = base + QLatin1Char('.') + ext;
    } else {
        base = TrimTrailingBlanks(base);
        ext = TrimTrailingBlanks(ext);
        out = ext.isEmpty() ? base : base + QLatin1Char('.') + ext;
    }
    // Nothing but dots (or nothing at all) would name this folder or its parent.
    if (out.isEmpty()) return QStringLiteral("_");
    if (std::all_of(out.begin(), out.end(), [](QChar c) { return c == QLatin1Char('.'); }))
        out.fill(QLatin1Char('_'));
    return out;
}

QByteArray DottedName(const Name11& name)
{
    return NamePart(name).toByteArray() + '.' + ExtPart(name).toByteArray();
}

}  // namespace pelzo
