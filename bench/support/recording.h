// Pieces the benchmarks share: a recording of any length written as a record file, and the
// process's peak memory.
#pragma once

#include "meter/words.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <sys/resource.h>

namespace pelzo::bench {

inline double PeakMb()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_maxrss) / 1024.0;  // kB on Linux
}

// A recording of `n` seconds from 00:00:00, levels wandering over the whole scale.
inline bool WriteRecording(const QString& path, uint32_t n)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    QByteArray chunk;
    for (uint32_t k = 0; k < n; ++k) {
        const uint32_t secs = k % 86400;
        const uint32_t reading = ((k * 37u) % 1024u) | (k % 3 == 0 ? 1u << 13 : 0u) | (3u << 10);
        const uint32_t w = ComposeSample(reading, int(secs / 3600), int(secs / 60 % 60), int(secs % 60));
        for (int i = 0; i < 4; ++i) chunk += char(uint8_t(w >> (8 * i)));
        if (chunk.size() >= 1 << 16) {
            if (f.write(chunk) != chunk.size()) return false;
            chunk.clear();
        }
    }
    return f.write(chunk) == chunk.size();
}

}  // namespace pelzo::bench
