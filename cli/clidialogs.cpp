#include "cli/cli.h"

#include "files/record.h"

#include <cstdio>

namespace pelzo::cli {

void Out(const QString& line)
{
    const QByteArray b = line.toUtf8();
    std::fwrite(b.constData(), 1, size_t(b.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void Err(const QString& line)
{
    const QByteArray b = line.toUtf8();
    std::fwrite(b.constData(), 1, size_t(b.size()), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

int StderrDialogs::message(const Message& m)
{
    ++shown_;
    Err(TrimControls(m.text));
    for (int b : {Ok, Yes, Cancel, No})
        if (m.buttons & b) return b;
    return Ok;
}

Context::Context() : usb(dialogs, pause), core{st, usb, dialogs, clock, timer, pause} {}

void PrintRows(const MainState& st)
{
    QString line;
    for (uint32_t r = 1; r <= st.SampleCount; ++r) {
        line.clear();
        for (int c = 0; c < StringGrid::ColCount; ++c) {
            if (c) line += QLatin1Char('\t');
            line += st.Grid.cell(c, int(r));
        }
        Out(line);
    }
}

}  // namespace pelzo::cli
