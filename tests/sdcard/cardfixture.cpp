#include "tests/sdcard/cardfixture.h"

#include <QFile>
#include <QProcess>

#include <stdexcept>

namespace pelzo::test {

ShellResult Sh(const QString& command)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MTOOLS_SKIP_CHECK"), QStringLiteral("1"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("bash"), {QStringLiteral("-c"), command});
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return {-1, QStringLiteral("timed out: ") + command};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAll())};
}

static QString Quote(const QString& s) { return QLatin1Char('\'') + s + QLatin1Char('\''); }

CardImage::CardImage(Layout layout, int sectorsPerCluster) : layout_(layout)
{
    const char* name = layout == Layout::Plain ? "plain" : layout == Layout::Partitioned ? "part" : "part0";
    const ShellResult r = Sh(QStringLiteral("bash %1/make_card.sh %2 %3 %4")
                                 .arg(QStringLiteral(PELZO_TEST_SCRIPTS), Quote(dir_.path()), QLatin1String(name))
                                 .arg(sectorsPerCluster));
    if (r.rc != 0) throw std::runtime_error("make_card.sh failed: " + r.out.toStdString());
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

QByteArray CardImage::source(const QString& name) const
{
    return ReadAll(dir_.filePath(QStringLiteral("src/") + name));
}

QString CardImage::volume()
{
    if (layout_ == Layout::Plain) return path();
    const QString vol = dir_.filePath(QStringLiteral("volume.img"));
    Sh(QStringLiteral("dd if=%1 of=%2 bs=512 skip=%3 conv=sparse status=none").arg(Quote(path()), Quote(vol)).arg(partStart()));
    return vol;
}

ShellResult CardImage::mdir() { return Sh(QStringLiteral("mdir -i %1 ::").arg(Quote(volume()))); }
ShellResult CardImage::fsck() { return Sh(QStringLiteral("fsck.fat -n %1").arg(Quote(volume()))); }
ShellResult CardImage::minfo() { return Sh(QStringLiteral("minfo -i %1 ::").arg(Quote(volume()))); }

QByteArray CardImage::mtoolsCopy(const QString& cardName)
{
    const QString out = dir_.filePath(QStringLiteral("mtools.out"));
    QFile::remove(out);
    Sh(QStringLiteral("mcopy -n -i %1 %2 %3").arg(Quote(volume()), Quote(QStringLiteral("::") + cardName), Quote(out)));
    return ReadAll(out);
}

}  // namespace pelzo::test
