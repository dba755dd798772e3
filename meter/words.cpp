#include "meter/words.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

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
    // The fields are in range already: no need for QTime's checks on every row of a month.
    return QTime::fromMSecsSinceStartOfDay(((h * 60 + m) * 60 + s) * 1000);
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
    // Qt's own formatting: "." whatever LC_NUMERIC says (the C library's would write ",").
    const QString t = QString::number(double(x), 'g', 15);
    const qsizetype dot = t.indexOf(QLatin1Char('.'));
    if (dot < 0) return t;
    return t.left(dot + 1 + std::max(n, 0));
}

QString ShortestNumberText(double x)
{
    char buf[64];
    // Whole numbers as integers: 100000, not 1e+05.
    if (std::isfinite(x) && x == std::trunc(x) && std::fabs(x) < 1e15) {
        const auto r = std::to_chars(buf, buf + sizeof buf, static_cast<long long>(x));
        return QString::fromLatin1(buf, r.ptr - buf);
    }
    const auto r = std::to_chars(buf, buf + sizeof buf, x);
    return QString::fromLatin1(buf, r.ptr - buf);
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

// Formatting through the locale costs microseconds, and a week of rows asks for the same 86,400
// times of day and a handful of dates again and again: each thread keeps what it made (the
// formats never change while the program runs).
QString LongTimeText(QTime t)
{
    if (!t.isValid() || t.msec() != 0) return QLocale::system().toString(t, CachedLongTimeFormat());
    thread_local std::vector<QString> made;
    if (made.empty()) made.resize(86400);
    QString& text = made[size_t(t.msecsSinceStartOfDay() / 1000)];
    if (text.isNull()) text = QLocale::system().toString(t, CachedLongTimeFormat());
    return text;
}

QString ShortDateText(QDate d)
{
    thread_local QDate lastDate;
    thread_local QString lastText;
    if (d.isValid() && d == lastDate) return lastText;
    QString text = QLocale::system().toString(d, CachedShortDateFormat());
    if (d.isValid()) {
        lastDate = d;
        lastText = text;
    }
    return text;
}

bool ParseLevel(const QString& raw, float& out)
{
    qsizetype from = 0, to = raw.size();
    while (from < to && raw[from].unicode() <= 0x20) ++from;
    while (to > from && raw[to - 1].unicode() <= 0x20) --to;
    const QString text = raw.mid(from, to - from);
    const QByteArray b = text.toLatin1();
    if (b.isEmpty() || b.size() != text.size()) return false;
    // [sign] digits [. digits] [e [sign] digits], with a digit somewhere in the mantissa.
    qsizetype i = 0;
    const qsizetype n = b.size();
    if (b[i] == '+' || b[i] == '-') ++i;
    int digits = 0;
    while (i < n && b[i] >= '0' && b[i] <= '9') ++i, ++digits;
    if (i < n && b[i] == '.') {
        ++i;
        while (i < n && b[i] >= '0' && b[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < n && (b[i] == 'e' || b[i] == 'E')) {
        ++i;
        if (i < n && (b[i] == '+' || b[i] == '-')) ++i;
        int exp = 0;
        while (i < n && b[i] >= '0' && b[i] <= '9') ++i, ++exp;
        if (exp == 0) return false;
    }
    if (i != n) return false;
    // from_chars takes no '+'.
    const char* first = b.constData() + (b[0] == '+' ? 1 : 0);
    double v = 0;
    const auto r = std::from_chars(first, b.constData() + n, v);
    if (r.ec != std::errc() || r.ptr != b.constData() + n) return false;
    const float f = float(v);
    if (!std::isfinite(f)) return false;
    out = f;
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

namespace {

// A year written with two digits reads as 19yy; the meter's dates are this century's.
QDate CenturyFixed(QDate d, const QString& format)
{
    if (d.isValid() && !format.contains(QLatin1String("yyyy")) && d.year() < 2000) return d.addYears(100);
    return d;
}

}  // namespace

QTime ParseTimeText(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) return QTime();
    const QLocale sys = QLocale::system();
    const QString formats[] = {CachedLongTimeFormat(), QStringLiteral("H:mm:ss"), QStringLiteral("H:m:s"),
                               QStringLiteral("h:mm:ss AP")};
    for (const QString& f : formats) {
        QTime v = sys.toTime(t, f);
        if (!v.isValid()) v = QLocale::c().toTime(t, f);
        if (v.isValid()) return v;
    }
    return QTime();
}

QDate ParseDateText(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) return QDate();
    const QLocale sys = QLocale::system();
    // The file may come from a desk with other regional formats: its month names too.
    const QLocale c = QLocale::c();
    const QString formats[] = {
        CachedShortDateFormat(), c.dateFormat(QLocale::ShortFormat), QStringLiteral("yyyy-MM-dd"),
        QStringLiteral("yyyy/M/d"), QStringLiteral("d.M.yyyy"), QStringLiteral("d/M/yyyy"), QStringLiteral("M/d/yyyy"),
        QStringLiteral("d.M.yy"), QStringLiteral("M/d/yy"), QStringLiteral("yy/M/d"),
    };
    for (const QString& f : formats) {
        for (const QLocale& l : {sys, c}) {
            const QDate d = CenturyFixed(l.toDate(t, f), f);
            if (d.isValid()) return d;
        }
    }
    return QDate();
}

}  // namespace pelzo
