// A desktop home of the test's own, so no settings of the user's come in and none are written.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>
#include <sys/stat.h>

namespace pelzo::test {

inline void UsePrivateDesktopHome(const QTemporaryDir& home)
{
    const QByteArray h = home.path().toUtf8();
    const QByteArray runtime = h + "/run";
    QDir().mkpath(QString::fromUtf8(runtime));
    ::chmod(runtime.constData(), 0700);
    setenv("HOME", h.constData(), 1);
    setenv("XDG_CONFIG_HOME", (h + "/config").constData(), 1);
    setenv("XDG_CACHE_HOME", (h + "/cache").constData(), 1);
    setenv("XDG_DATA_HOME", (h + "/data").constData(), 1);
    setenv("XDG_RUNTIME_DIR", runtime.constData(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
}

}  // namespace pelzo::test
