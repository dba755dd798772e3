// The widget tests run under the offscreen platform with a private home and runtime folder, so
// nothing of the user's desktop settings leaks in.
#include "app/ui/application.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>
#include <sys/stat.h>

int main(int argc, char** argv)
{
    QTemporaryDir home;
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
    ::testing::InitGoogleTest(&argc, argv);
    pelzo::PelzoApplication app(argc, argv);
    pelzo::SetUpApplication(app);
    return RUN_ALL_TESTS();
}
