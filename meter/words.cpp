#include "meter/words.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace pelzo {

uint32_t ComposeSample(uint32_t reading, int h, int m, int s)
{
    h = std::clamp(h, 0, 23);
    m = std::clamp(m, 0, 59);
    s = std::clamp(s, 0, 59);
    return reading | ((uint32_t(h * 64 + m) * 64 + uint32_t(s)) * 32768u);
}

QTime SampleTime(uint32_t w)
{
    const int h = std::min<int>(w >> 27, 23);
    const int m = std::min<int>((w >> 21) & 0x3F, 59);
    const int s = std::min<int>((w >> 15) & 0x3F, 59);
    return QTime(h, m, s);
}

void DecodeReadingFields(uint32_t w, ReadingTexts& t)
{
    t.tenths = LevelTenthsOf(w);
    t.Level = TenthsText(t.tenths);
    t.Range = IntText(RangeIndexOf(w));
    t.Weighting = CWeightingOf(w) ? QStringLiteral("C") : QStringLiteral("A");
    t.Speed = SlowSpeedOf(w) ? QStringLiteral("SLOW") : QStringLiteral("FAST");
}

void DecodeStored(uint32_t w, ReadingTexts& t)
{
    DecodeReadingFields(w, t);
    t.timeValue = SampleTime(w);
    t.Time = LongTimeText(t.timeValue);
}

QString IntText(long long n) { return QString::number(n); }

QString TenthsText(int n)
{
    QString t = IntText(n);
    if (t.isEmpty()) return t;
    t.insert(t.size() - 1, QLatin1Char('.'));
    return t;
}

QString CutDecimals(float x, int n)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", double(x));  // "C" locale: '.' as mark
    QString t = QString::fromLatin1(buf);
    const qsizetype dot = t.indexOf(QLatin1Char('.'));
    if (dot < 0) return t;
    return t.left(dot + 1 + std::max(n, 0));
}

namespace {

QString LongTimeFormat()
{
    // Qt's long format carries a zone field ("t"); the desk's long time format has none.
    QString f = QLocale::system().timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral("\\s*\\(?t+\\)?\\s*"));
    f.remove(zone);
    return f.trimmed();
}

const QString& CachedLongTimeFormat()
{
    static const QString f = LongTimeFormat();
    return f;
}

const QString& CachedShortDateFormat()
{
    static const QString f = QLocale::system().dateFormat(QLocale::ShortFormat);
    return f;
}

}  // namespace

QString LongTimeText(QTime t) { return QLocale::system().toString(t, CachedLongTimeFormat()); }

QString ShortDateText(QDate d) { return QLocale::system().toString(d, CachedShortDateFormat()); }

bool ParseLevel(const QString& text, float& out)
{
    bool ok = false;
    const float v = QLocale::c().toFloat(text.trimmed(), &ok);
    if (!ok) return false;
    out = v;
    return true;
}

std::optional<uint32_t> LevelCodeOfLevel(float db)
{
    const double tenthsExact = double(db) * 10.0;
    const long top = LevelTenthsBase + long(LevelCodeMask);
    // NaN and far-off values never reach lround.
    if (!(tenthsExact > LevelTenthsBase - 1 && tenthsExact < top + 1)) return std::nullopt;
    const long tenths = std::lround(tenthsExact);
    if (std::fabs(tenthsExact - double(tenths)) > 1e-3 || tenths < LevelTenthsBase || tenths > top)
        return std::nullopt;
    return uint32_t(tenths - LevelTenthsBase);
}

std::optional<uint32_t> LevelCodeOfText(const QString& text)
{
    float v = 0;
    if (!ParseLevel(text, v)) return std::nullopt;
    return LevelCodeOfLevel(v);
}

QTime ParseTimeText(const QString& text)
{
    const QString t = text.trimmed();
    QTime v = QLocale::system().toTime(t, CachedLongTimeFormat());
    if (!v.isValid()) v = QTime::fromString(t, QStringLiteral("H:mm:ss"));
    if (!v.isValid()) v = QTime::fromString(t, QStringLiteral("H:m:s"));
    return v;
}

QDate ParseDateText(const QString& text)
{
    const QString t = text.trimmed();
    const QString& f = CachedShortDateFormat();
    QDate d = QLocale::system().toDate(t, f);
    // A two-digit year reads as 19yy; the meter's dates are this century's.
    if (d.isValid() && !f.contains(QLatin1String("yyyy")) && d.year() < 2000) d = d.addYears(100);
    if (!d.isValid()) d = QDate::fromString(t, Qt::ISODate);
    return d;
}

}  // namespace pelzo
