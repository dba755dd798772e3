// The 16-bit reading word of the meter, the 32-bit sample word of a recording, and the texts
// made from them. Level texts always use "." whatever the locale.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

#include <cstdint>

namespace pelzo {

struct ReadingTexts {
    QString Level, Range, Weighting, Speed, Date, Time;
    // The values behind the texts, so views can store them compactly.
    int tenths = -1;
    QTime timeValue;
    QDate dateValue;
};

// Bit fields of the reading word.
constexpr uint32_t LevelCodeOf(uint32_t w) { return w & 0x3FF; }
constexpr int RangeIndexOf(uint32_t w) { return int((w >> 10) & 7); }
constexpr bool CWeightingOf(uint32_t w) { return (w >> 13) & 1; }
constexpr bool SlowSpeedOf(uint32_t w) { return (w >> 14) & 1; }

// ReadingWord OR the time of day packed in bits 15 to 31; h, m, s are held to 23, 59, 59.
uint32_t ComposeSample(uint32_t reading, int h, int m, int s);
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

// A level text read back as a 32-bit float: blanks and control characters around it removed,
// "." as decimal point, an optional sign and exponent, nothing else (no "nan", "inf", group
// marks or ","); false when it is no finite 32-bit number. Every loader reads levels this way.
bool ParseLevel(const QString& text, float& out);

}  // namespace pelzo
