// The widget tests that talk to the virtual meter: the process puts itself under the umockdev
// preload first, then runs like the other widget tests.
#include "app/ui/application.h"
#include "vmeter/preload.h"
#include "vmeter/sanitizer_defaults.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>
#include <sys/stat.h>

PELZO_ASAN_DEFAULTS
PELZO_LSAN_LIBUSB_SUPPRESSIONS

int main(int argc, char** argv)
{
    pelzo::vmeter::EnsurePreloaded(argv);
    QTemporaryDir home;
    const QByteArray h = home.path().toUtf8();
    const QByteArray runtime = h + "/run";
    QDir().mkpath(QString::fromUtf8(runtime));
    ::chmod(runtime.constData(), 0700);
    setenv("HOME", h.constData(), 1);
    setenv("XDG_CONFIG_HOME", (h + "/config").constData(), 1);
    setenv("XDG_CACHE_HOME", (h + "/cache").constData(), 1);
    setenv("XDG_RUNTIME_DIR", runtime.constData(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    pelzo::PelzoApplication app(argc, argv);
    pelzo::SetUpApplication(app);
    return RUN_ALL_TESTS();
}
