// Draws every picture and clip of the program's ico/ folder into the folder named on the command
// line. Run by the build; exits non-zero when any file cannot be written.
#include "art.h"
#include "pictures.h"
#include "writers.h"

#include <QBuffer>
#include <QDir>
#include <QGuiApplication>

#include <cstdio>
#include <exception>
#include <functional>
#include <vector>

namespace {

using namespace pelzo::ico;

struct Output {
    QString name;
    std::function<QByteArray()> bytes;
};

QByteArray png(const QImage& image)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return out;
}

QByteArray gif(const std::vector<QImage>& frames)
{
    return encodeGif(frames, kClipDelayMs, kDialogGrey);
}

std::vector<Output> outputs()
{
    std::vector<Output> list{
        {"min.bmp", [] { return encodeBmp(maximiseGlyph(), kToolbarBlue); }},
        {"max.bmp", [] { return encodeBmp(restoreGlyph(), kToolbarBlue); }},
        {"close.png", [] { return png(closeGlyph()); }},
        {"minimise.png", [] { return png(minimiseGlyph()); }},
        {"logo.png", [] { return png(logo()); }},
        {"scale.png", [] { return png(meterScale()); }},
        {"banner.png", [] { return png(aboutBanner()); }},
        {"pelzo.png", [] { return png(appIcon(256)); }},
        {"pelzo-48.png", [] { return png(appIcon(48)); }},
        {"exchange.gif", [] { return gif(exchangeClip()); }},
        {"Open.gif", [] { return gif(openClip()); }},
        {"palmpilot.gif", [] { return gif(palmpilotClip()); }},
    };
    for (int i = 0; i < kToolbarIcons; ++i)
        list.push_back({QStringLiteral("toolbar%1.png").arg(i), [i] { return png(toolbarIcon(i)); }});
    return list;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);  // the font database needs it
    if (argc != 2) {
        std::fprintf(stderr, "usage: pelzo-icogen OUTPUT_DIR\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    int failures = 0;
    for (const Output& out : outputs()) {
        try {
            const QByteArray bytes = out.bytes();
            if (bytes.isEmpty() || !writeFile(dir.filePath(out.name), bytes)) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(dir.filePath(out.name)));
                ++failures;
            }
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(out.name), e.what());
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
