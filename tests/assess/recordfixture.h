// Record files with known content, named after their start as the recording names them.
#pragma once

#include "files/record.h"
#include "meter/words.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>

#include <cmath>
#include <vector>

namespace pelzo::test {

// A stretch of a recording: `seconds` samples at `level`, weighting C when `c`.
struct Stretch {
    double level;
    int seconds;
    bool c = false;
};

// A record file whose name codes the start; one sample a second from there.
inline QString WriteRecord(const QString& dir, QDateTime start, const std::vector<Stretch>& parts)
{
    const QDate d = start.date();
    const QTime t0 = start.time();
    const QString path = dir + QLatin1Char('/') +
                         MakeRecordName(d.year(), d.month(), d.day(), t0.hour(), t0.minute(), t0.second()) + RecordExt;
    QByteArray bytes;
    int k = 0;
    for (const Stretch& p : parts) {
        for (int i = 0; i < p.seconds; ++i, ++k) {
            const QTime t = t0.addSecs(k);
            const uint32_t reading = uint32_t(std::lround(p.level * 10) - 300) | (p.c ? 1u << 13 : 0u);
            const uint32_t w = ComposeSample(reading, t.hour(), t.minute(), t.second());
            for (int b = 0; b < 4; ++b) bytes.append(char((w >> (8 * b)) & 0xff));
        }
    }
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
}

}  // namespace pelzo::test
