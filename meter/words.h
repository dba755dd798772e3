// The 16-bit reading word of the meter, the 32-bit sample word of a recording, and the texts
// made from them. Level texts always use "." whatever the locale.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

#include <cstdint>
#include <optional>

namespace pelzo {

struct ReadingTexts {
    QString Level, Range, Weighting, Speed, Date, Time;
    // The values behind the texts, so views can store them compactly.
    int tenths = -1;
    QTime timeValue;
    QDate dateValue;
};

// Bit fields of the reading word.
constexpr uint32_t LevelCodeMask = 0x3FF;
constexpr int LevelTenthsBase = 300;  // tenths of a dB at level code 0
constexpr uint32_t LevelCodeOf(uint32_t w) { return w & LevelCodeMask; }
constexpr int LevelTenthsOf(uint32_t w) { return int(LevelCodeOf(w)) + LevelTenthsBase; }
constexpr int RangeIndexOf(uint32_t w) { return int((w >> 10) & 7); }
constexpr bool CWeightingOf(uint32_t w) { return (w >> 13) & 1; }
constexpr bool SlowSpeedOf(uint32_t w) { return (w >> 14) & 1; }

// The inverse: a reading word from its fields (range 0-7).
constexpr uint32_t ComposeReading(uint32_t levelCode, int range, bool cWeighting, bool slow)
{
    return (levelCode & LevelCodeMask) | uint32_t(range & 7) << 10 | uint32_t(cWeighting) << 13 |
           uint32_t(slow) << 14;
}
// The level code of a level in dB: nullopt unless it is 30.0 to 132.3 in whole tenths.
std::optional<uint32_t> LevelCodeOfLevel(float db);
// The level code of a level text such as "59.8" (read as ParseLevel does).
std::optional<uint32_t> LevelCodeOfText(const QString& text);

// ReadingWord OR the time of day packed in bits 15 to 31; h, m, s are held to 23, 59, 59.
uint32_t ComposeSample(uint32_t reading, int h, int m, int s);
inline uint32_t ComposeSample(uint32_t reading, QTime t) { return ComposeSample(reading, t.hour(), t.minute(), t.second()); }
// Time of day of a sample word, fields held to 23:59:59.
QTime SampleTime(uint32_t sample);

// Level, Range, Weighting and Speed of a word (the time fields are not touched).
void DecodeReadingFields(uint32_t w, ReadingTexts& t);
// Decoding of a stored sample: all but Date.
void DecodeStored(uint32_t w, ReadingTexts& t);

QString IntText(long long n);
QString TenthsText(int n);
QString CutDecimals(float x, int n);
// The shortest text that reads back as `x`, with "." and without a needless exponent.
QString ShortestNumberText(double x);

// The desk's long time format (without a time-zone field) and short date format.
QString LongTimeText(QTime t);
QString ShortDateText(QDate d);

// A time text read back: the desk's long time format, else H:mm:ss, H:m:s or h:mm:ss AP (the
// desk's or English AM/PM); invalid if none fits.
QTime ParseTimeText(const QString& text);
// A date text read back: the desk's short date format, else the common numeric forms and the C
// locale's (English month names), a two-digit year in this century; invalid if none fits.
QDate ParseDateText(const QString& text);

// A level text read back as a 32-bit float: blanks and control characters around it removed,
// "." as decimal point, an optional sign and exponent, nothing else (no "nan", "inf", group
// marks or ","); false when it is no finite 32-bit number. Every loader reads levels this way.
bool ParseLevel(const QString& text, float& out);

}  // namespace pelzo
