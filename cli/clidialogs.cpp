#include "cli/cli.h"

#include "files/openfile.h"
#include "files/record.h"

#include <QDir>

#include <cstdio>

namespace pelzo::cli {

// Standard output is buffered (a week of rows is one write per block, not per row); what must
// be seen at once calls FlushOut.
void Out(const QString& line)
{
    const QByteArray b = line.toUtf8();
    std::fwrite(b.constData(), 1, size_t(b.size()), stdout);
    std::fputc('\n', stdout);
}

void FlushOut() { std::fflush(stdout); }

void Err(const QString& line)
{
    // What went to standard output so far comes first, as it happened.
    FlushOut();
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

int LoadForCommand(Context& c, Core& core, const char* command, const QString& path)
{
    const QString kind = FileKindText(TrimControls(path));
    if (kind != QLatin1String("pzo") && kind != QLatin1String("txt") && kind != QLatin1String("xls")) {
        // The window would silently keep its views; a command must not look like it worked.
        Err(QStringLiteral("pelzo %1: the kind of %2 is '%3', not pzo, txt or xls").arg(QLatin1String(command), path, kind));
        return 2;
    }
    // "./X.pzo" names the same file as "X.pzo".
    c.st.OpenFileName = QDir::cleanPath(path);
    const int before = c.dialogs.shown();
    OpenFileIntoViews(core);
    return c.dialogs.shown() == before ? 0 : 1;
}

void PrintRows(const MainState& st)
{
    // Rows gather in one block that goes out in one write: a week is a few dozen writes.
    constexpr qsizetype BlockChars = 1 << 16;
    QString block;
    block.reserve(BlockChars + 512);
    auto flush = [&] {
        const QByteArray b = block.toUtf8();
        std::fwrite(b.constData(), 1, size_t(b.size()), stdout);
        block.resize(0);  // keeps the room
    };
    for (uint32_t r = 1; r <= st.SampleCount; ++r) {
        for (int c = 0; c < StringGrid::ColCount; ++c) {
            if (c) block += QLatin1Char('\t');
            block += st.Grid.cell(c, int(r));
        }
        block += QLatin1Char('\n');
        if (block.size() >= BlockChars) flush();
    }
    flush();
    FlushOut();
}

}  // namespace pelzo::cli
